#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Font.h"
#include "platform/FontEngine.h"

namespace kivrano {
namespace {

std::shared_ptr<TScaledFont> Sized(const std::string& family, int height, bool bold = false,
                                   bool italic = false) {
  TFontRequest r;
  r.Family = family;
  r.Height = height;
  r.Bold = bold;
  r.Italic = italic;
  return TFontEngine::Instance().Acquire(r);
}

TEST(FontEngine, FamiliesResolveToInstalledFacesOfTheRightKind) {
  auto& engine = TFontEngine::Instance();
  for (const char* sans : {"Verdana", "Arial", "sans-serif", ""})
    EXPECT_NE(engine.ResolveFamily(sans, false, false).find("Sans"), std::string::npos) << sans;
  EXPECT_NE(engine.ResolveFamily("Times New Roman", false, false).find("Serif"), std::string::npos);
  EXPECT_EQ(engine.ResolveFamily("Arial", true, true), engine.ResolveFamily("Arial", false, false));
}

TEST(FontEngine, PositiveHeightIsTheCellNegativeTheCharacterHeight) {
  for (int h : {6, 13, 33, 100, 400}) {
    const TFontMetrics& m = Sized("Verdana", h)->Metrics();
    EXPECT_EQ(m.Height, h);
    EXPECT_EQ(m.Ascent + m.Descent, h);
    EXPECT_GT(m.Ascent, m.Descent);
    EXPECT_GE(m.InternalLeading, 0) << h;
    const TFontMetrics& em = Sized("Verdana", -h)->Metrics();
    EXPECT_EQ(em.Height - em.InternalLeading, h);
    EXPECT_GT(em.Height, m.Height - 1);
  }
  const TFontMetrics& m = Sized("Arial", 40)->Metrics();
  EXPECT_GT(m.AveCharWidth, 10);
  EXPECT_LT(m.AveCharWidth, 30);
  EXPECT_GE(m.MaxCharWidth, m.AveCharWidth);
  EXPECT_GT(m.UnderlineOffset, 0);               // below the baseline
  EXPECT_LT(m.StrikeOutOffset, 0);               // above it
  EXPECT_LT(-m.StrikeOutOffset, m.Ascent);
}

TEST(FontEngine, KerningTightensKnownPairs) {
  auto font = Sized("Arial", 60);
  const uint32_t a = font->GlyphIndex(U'A');
  const uint32_t v = font->GlyphIndex(U'V');
  ASSERT_NE(a, 0u);
  EXPECT_LT(font->Kerning(a, v), 0);
  EXPECT_EQ(font->Kerning(a, font->GlyphIndex(U'A')), 0);
  EXPECT_EQ(font->TextExtent("AV").cx, font->TextExtent("A").cx + font->TextExtent("V").cx + font->Kerning(a, v));
  EXPECT_LT(font->TextExtent("AVAV").cx, 2 * (font->TextExtent("A").cx + font->TextExtent("V").cx));
}

TEST(FontEngine, CaretPositionsPerCodePointEndAtTheExtent) {
  auto font = Sized("Verdana", 33);
  for (const std::string text : {"Zo\xC3\xAB", "AVATAR Ty.", "a", "", "i\xE2\x82\xAC\xF0\x9F\x98\x80x"}) {
    const std::vector<int> carets = font->CaretPositions(text);
    ASSERT_EQ(carets.size(), Utf8ToCodePoints(text).size() + 1) << text;
    EXPECT_EQ(carets.front(), 0);
    EXPECT_EQ(carets.back(), font->TextExtent(text).cx) << text;
    EXPECT_TRUE(std::is_sorted(carets.begin(), carets.end())) << text;
  }
  // Kerning moves the caret in front of the kerned character.
  const std::vector<int> av = font->CaretPositions("AV");
  EXPECT_EQ(av[1], font->TextExtent("A").cx + font->Kerning(font->GlyphIndex(U'A'), font->GlyphIndex(U'V')));
}

TEST(FontEngine, HugeMeasuringFontsScaleWithSmallOnes) {
  // Text measured at 14400 pixels per inch and at screen size must agree in proportion.
  const std::string text = "Oefening 12: passen en trappen";
  const double small = Sized("Verdana", 330)->TextExtent(text).cx;
  const double huge = Sized("Verdana", 33000)->TextExtent(text).cx;
  EXPECT_NEAR(huge / small, 100.0, 1.0);
  // Drawing a corner of it only touches the clipped area.
  auto font = Sized("Verdana", 33000);
  TTextLayout layout = font->Layout("H", TRect{0, 0, 40000, 40000}, tfLeft);
  const TRect ink = font->InkBounds(layout);
  EXPECT_GT(ink.Height(), 15000);
  const int y0 = ink.Top + ink.Height() / 4;
  TCoverageMask mask(TRect{ink.Left, y0, ink.Left + 64, y0 + 64});
  font->Rasterize(layout, mask);
  int covered = 0;
  for (int y = y0; y < y0 + 64; ++y)
    for (int x = ink.Left; x < ink.Left + 64; ++x) covered += mask.At(x, y) == 255;
  EXPECT_GT(covered, 64 * 60);  // the left stem of the H fills the corner
}

TEST(FontEngine, StylesChangeGlyphs) {
  const std::string text = "Bold text";
  EXPECT_GT(Sized("Verdana", 30, true)->TextExtent(text).cx, Sized("Verdana", 30)->TextExtent(text).cx);
  // Italic glyphs lean: the ink of an "l" reaches further right at its top than at its bottom.
  auto italic = Sized("Arial", 60, false, true);
  TTextLayout layout = italic->Layout("l", TRect{0, 0, 100, 100}, tfLeft);
  TCoverageMask mask(TRect{0, 0, 100, 100});
  italic->Rasterize(layout, mask);
  auto rightmost = [&](int y) {
    int r = -1;
    for (int x = 0; x < 100; ++x)
      if (mask.At(x, y) > 128) r = x;
    return r;
  };
  const int baseline = italic->Metrics().Ascent;
  EXPECT_GT(rightmost(baseline - 35), rightmost(baseline - 2) + 3);
}

TEST(FontEngine, RasterizedTextIsAntiAliasedAndSolid) {
  auto font = Sized("Verdana", 40);
  TTextLayout layout = font->Layout("Hello", TRect{5, 5, 300, 100}, tfLeft);
  const TRect ink = font->InkBounds(layout);
  TCoverageMask mask(ink);
  font->Rasterize(layout, mask);
  int full = 0, partial = 0;
  for (int y = ink.Top; y < ink.Bottom; ++y)
    for (int x = ink.Left; x < ink.Right; ++x) {
      full += mask.At(x, y) == 255;
      partial += mask.At(x, y) > 0 && mask.At(x, y) < 255;
    }
  EXPECT_GT(full, 100);
  EXPECT_GT(partial, 20);
  // Light hinting snaps horizontal stems: the crossbar of the "H" is full rows, not grey smears.
  EXPECT_GE(ink.Left, 5);
  EXPECT_GE(ink.Top, 5);
}

TEST(FontEngine, MalformedUtf8BecomesReplacementCharacters) {
  struct Case {
    std::string in;
    std::u32string out;
  } cases[] = {
      {"a\xC3\xA9", U"a\u00E9"},
      {"\xC3", U"\uFFFD"},
      {"\xC3(", U"\uFFFD("},
      {"\xE2\x82", U"\uFFFD\uFFFD"},
      {"\xC0\xAF", U"\uFFFD\uFFFD"},      // overlong
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},  // surrogate
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x9F\x98\x80", U"\U0001F600"},
      {"\xFF", U"\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCodePoints(c.in), c.out) << c.in;
}

// Layout in a 200 x 100 box with an Arial cell of 20 pixels.
class TextLayoutTest : public ::testing::Test {
 protected:
  std::shared_ptr<TScaledFont> font = Sized("Arial", 20);
  const TRect box{10, 10, 210, 110};
  int Width(const std::string& s) { return font->TextExtent(s).cx; }
};

TEST_F(TextLayoutTest, AlignmentFlagsPlaceTheLine) {
  const int w = Width("Kivrano");
  const int asc = font->Metrics().Ascent;
  struct Case {
    unsigned flags;
    int left;
    int top;
  } cases[] = {
      {tfLeft | tfTop | tfSingleLine, 10, 10},
      {tfCenter | tfSingleLine, 10 + (200 - w) / 2, 10},
      {tfRight | tfSingleLine, 210 - w, 10},
      {tfVCenter | tfSingleLine, 10, 10 + (100 - 20) / 2},
      {tfBottom | tfRight | tfSingleLine, 210 - w, 90},
      {tfCenter, 10 + (200 - w) / 2, 10},
  };
  for (const Case& c : cases) {
    TTextLayout l = font->Layout("Kivrano", box, c.flags);
    ASSERT_EQ(l.Glyphs.size(), 7u);
    EXPECT_EQ(l.LineBoxes.at(0), (TRect{c.left, c.top, c.left + w, c.top + 20})) << c.flags;
    EXPECT_EQ(l.Glyphs[0].X, c.left);
    EXPECT_EQ(l.Glyphs[0].Y, c.top + asc);
  }
}

TEST_F(TextLayoutTest, LineBreaksWordBreakAndCalcRect) {
  // Line breaks start lines unless single line, where they are dropped.
  EXPECT_EQ(font->Layout("ab\r\ncd\ne", box, tfLeft).LineBoxes.size(), 3u);
  TTextLayout single = font->Layout("ab\r\ncd", box, tfSingleLine);
  EXPECT_EQ(single.LineBoxes.size(), 1u);
  EXPECT_EQ(single.Glyphs.size(), 4u);
  // An empty text is one empty line.
  EXPECT_EQ(font->Layout("", box, tfLeft).CalcRect, (TRect{10, 10, 10, 30}));

  const std::string para = "Dribbel om de kegels en pass naar de speler in het vak";
  TTextLayout wrapped = font->Layout(para, box, tfWordBreak);
  ASSERT_GT(wrapped.LineBoxes.size(), 2u);
  for (const TRect& line : wrapped.LineBoxes) EXPECT_LE(line.Width(), 200);
  // Lines are filled greedily: the next line's first word would not have fit.
  EXPECT_EQ(wrapped.LineBoxes[1].Top, 30);
  EXPECT_EQ(wrapped.CalcRect.Bottom, 10 + 20 * static_cast<int>(wrapped.LineBoxes.size()));
  // A word wider than the box stays whole on its own line.
  TTextLayout longWord = font->Layout("a Kegelslalomoefeningenreeks b", TRect{0, 0, 60, 100}, tfWordBreak);
  ASSERT_EQ(longWord.LineBoxes.size(), 3u);
  EXPECT_GT(longWord.LineBoxes[1].Width(), 60);
  // Without word break the line runs past the box; calc rect reports the true width.
  TTextLayout unwrapped = font->Layout(para, box, tfLeft);
  EXPECT_EQ(unwrapped.LineBoxes.size(), 1u);
  EXPECT_EQ(unwrapped.CalcRect, (TRect{10, 10, 10 + Width(para), 30}));
}

TEST_F(TextLayoutTest, TabsExpandToStopsOfEightAverageCharacters) {
  const int stop = 8 * font->Metrics().AveCharWidth;
  TTextLayout l = font->Layout("a\tb", box, tfExpandTabs | tfSingleLine);
  ASSERT_EQ(l.Glyphs.size(), 2u);
  EXPECT_EQ(l.Glyphs[1].X, 10 + stop);
  TTextLayout two = font->Layout("a\t\tb", box, tfExpandTabs | tfSingleLine);
  EXPECT_EQ(two.Glyphs[1].X, 10 + 2 * stop);
}

TEST_F(TextLayoutTest, UnderlineAndStrikeOutAddBarsUnderTheWholeLine) {
  TFontRequest r = font->Request();
  r.Underline = true;
  r.StrikeOut = true;
  auto decorated = TFontEngine::Instance().Acquire(r);
  TTextLayout l = decorated->Layout("Pass", box, tfLeft);
  ASSERT_EQ(l.Bars.size(), 2u);
  const int baseline = 10 + decorated->Metrics().Ascent;
  EXPECT_EQ(l.Bars[0].Left, 10);
  EXPECT_EQ(l.Bars[0].Right, 10 + Width("Pass"));
  EXPECT_GT(l.Bars[0].Top, baseline - 1);
  EXPECT_LT(l.Bars[1].Bottom, baseline);
  TCoverageMask mask(TRect{0, 0, 220, 120});
  decorated->Rasterize(l, mask);
  EXPECT_EQ(mask.At(10 + Width("Pass") - 1, l.Bars[0].Top), 255);
}

TEST(Font, SizeAndHeightFollowTheResolution) {
  TFont f;
  f.SetSize(25);
  EXPECT_EQ(f.Height(), 33);  // a cell of round(25 * 96 / 72) pixels
  EXPECT_EQ(f.Scaled().Metrics().Height, 33);

  TFont shape;
  shape.SetPixelsPerInch(14400);
  shape.SetName("Verdana");
  shape.SetHeight(5000);  // 25 points in 1/14400 inch
  shape.SetStyle({fsBold, fsUnderline});
  shape.SetColor(0x0000FF);
  EXPECT_EQ(shape.Size(), 25);
  TFont surface;
  surface.Assign(shape);
  EXPECT_EQ(surface.PixelsPerInch(), 96);
  EXPECT_EQ(surface.Height(), 33);
  EXPECT_EQ(surface.Name(), "Verdana");
  EXPECT_EQ(surface.Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(surface.Color(), 0x0000FF);
  // Same resolution: the height itself, including a character height, is taken over.
  TFont em;
  em.SetHeight(-20);
  surface.Assign(em);
  EXPECT_EQ(surface.Height(), -20);
  EXPECT_EQ(surface.Size(), 15);
}

TEST(Font, ChangesNotifyAndRebuildTheEngineFont) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TFont&) { ++changes; };
  const int before = f.TextWidth("Kivrano");
  f.SetHeight(f.Height());
  f.SetName("Arial");
  EXPECT_EQ(changes, 0);
  f.SetHeight(40);
  EXPECT_EQ(changes, 1);
  EXPECT_GT(f.TextWidth("Kivrano"), before);
  f.SetStyle({fsBold});
  f.SetColor(0xFF);
  f.SetName("Times New Roman");
  EXPECT_EQ(changes, 4);
  EXPECT_NE(f.Scaled().ResolvedFamily().find("Serif"), std::string::npos);
  TFont copy(f);
  EXPECT_FALSE(copy.OnChange);
  EXPECT_EQ(copy.Request(), f.Request());
}

}  // namespace
}  // namespace kivrano
