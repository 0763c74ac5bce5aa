#include "platform/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>

#include "base/Exception.h"

namespace kivrano {

namespace {

// Sizes above this are loaded smaller and scaled, which keeps FreeType within its limits and
// lets huge measuring fonts (thousands of pixels) work without hinting artefacts.
constexpr double kMaxLoadPpem = 2048.0;
// Glyph images larger than this many pixels are not cached but rendered straight into the
// clipped mask, so a huge font never allocates huge bitmaps.
constexpr int kMaxCachedGlyphPixels = 256 * 256;
// How many sized fonts the engine keeps alive while no font object refers to them.
constexpr size_t kSizedCacheLimit = 32;

// Heights beyond this many pixels are treated as this height; coordinates of laid-out text are
// kept within +-kCoordLimit, so hostile sizes and texts cannot overflow integer arithmetic.
constexpr int kMaxHeight = 1 << 20;
constexpr int64_t kCoordLimit = int64_t{1} << 29;

int Round(double v) { return static_cast<int>(std::nearbyint(std::clamp(v, -2e9, 2e9))); }

int Coord(int64_t v) { return static_cast<int>(std::clamp(v, -kCoordLimit, kCoordLimit)); }

TRect Union(const TRect& a, const TRect& b) {
  if (a.Width() <= 0 || a.Height() <= 0) return b;
  if (b.Width() <= 0 || b.Height() <= 0) return a;
  return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
}

bool IsLineBreak(char32_t c) { return c == U'\r' || c == U'\n'; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Coverage mask

TCoverageMask::TCoverageMask(const TRect& area) : FArea(area) {
  if (FArea.Right < FArea.Left) FArea.Right = FArea.Left;
  if (FArea.Bottom < FArea.Top) FArea.Bottom = FArea.Top;
  FData.assign(static_cast<size_t>(FArea.Width()) * static_cast<size_t>(FArea.Height()), 0);
}

uint8_t TCoverageMask::At(int x, int y) const {
  if (x < FArea.Left || x >= FArea.Right || y < FArea.Top || y >= FArea.Bottom) return 0;
  return Row(y)[x - FArea.Left];
}

void TCoverageMask::Add(int x, int y, unsigned coverage) {
  if (x < FArea.Left || x >= FArea.Right || y < FArea.Top || y >= FArea.Bottom) return;
  uint8_t& p = Row(y)[x - FArea.Left];
  p = static_cast<uint8_t>(std::min(255u, p + coverage));
}

void TCoverageMask::FillRect(const TRect& r) {
  const TRect c = Overlap(r, FArea);
  for (int y = c.Top; y < c.Bottom; ++y) std::fill(Row(y) + (c.Left - FArea.Left), Row(y) + (c.Right - FArea.Left), 255);
}

// ---------------------------------------------------------------------------------------------
// UTF-8

std::u32string Utf8ToCodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      extra = 1, c = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2, c = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3, c = b0 & 0x07, minimum = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = i + static_cast<size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto b = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (b & 0x3F);
    }
    if (!ok || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Faces

class TFontFace {
 public:
  TFontFace(std::shared_ptr<void> library, const std::string& file, int index, std::string family)
      : FLibrary(std::move(library)), FFamily(std::move(family)) {
    if (FT_New_Face(static_cast<FT_Library>(FLibrary.get()), file.c_str(), index, &FFace) != 0)
      throw Exception("Cannot open the font file \"" + file + "\"");
    if (!FT_IS_SCALABLE(FFace)) {
      FT_Done_Face(FFace);
      throw Exception("The font file \"" + file + "\" has no outlines");
    }
  }
  ~TFontFace() { FT_Done_Face(FFace); }
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  FT_Face Handle() const { return FFace; }
  FT_Library Library() const { return static_cast<FT_Library>(FLibrary.get()); }
  const std::string& Family() const { return FFamily; }

 private:
  std::shared_ptr<void> FLibrary;
  std::string FFamily;
  FT_Face FFace = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Sized fonts

struct TScaledFont::TGlyph {
  int Advance = 0;
  TRect Ink;  // relative to the pen position, device pixels
  bool Direct = false;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Rows = 0;
  std::vector<uint8_t> Image;
};

TScaledFont::TScaledFont(std::shared_ptr<TFontFace> face, const TFontRequest& request,
                         bool synthBold, bool synthItalic)
    : FFace(std::move(face)), FRequest(request), FSynthBold(synthBold), FSynthItalic(synthItalic) {
  FT_Face f = FFace->Handle();
  FT_Size size = nullptr;
  if (FT_New_Size(f, &size) != 0) throw Exception("Cannot create a font size");
  FSize = size;
  FT_Activate_Size(size);

  const double upem = f->units_per_EM > 0 ? f->units_per_EM : 2048;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA));
  double ascU = f->ascender;
  double descU = -f->descender;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascU = os2->usWinAscent;
    descU = os2->usWinDescent;
  }
  if (ascU + descU <= 0) {
    ascU = upem * 0.8;
    descU = upem * 0.2;
  }

  double ppem = 12;
  const int height = std::clamp(request.Height, -kMaxHeight, kMaxHeight);
  if (height > 0) {
    ppem = height * upem / (ascU + descU);
    FMetrics.Height = height;
    FMetrics.Ascent = Round(height * ascU / (ascU + descU));
    FMetrics.Descent = FMetrics.Height - FMetrics.Ascent;
  } else {
    if (height < 0) ppem = -static_cast<double>(height);
    FMetrics.Ascent = Round(ppem * ascU / upem);
    FMetrics.Descent = Round(ppem * descU / upem);
    FMetrics.Height = FMetrics.Ascent + FMetrics.Descent;
  }
  const double s = ppem / upem;  // device pixels per font unit
  FMetrics.InternalLeading = FMetrics.Height - Round(ppem);
  if (hhea) {
    const double lineGap = hhea->Line_Gap;
    const double gap = lineGap - ((ascU + descU) - (hhea->Ascender - hhea->Descender));
    FMetrics.ExternalLeading = std::max(0, Round(gap * s));
  }
  FMetrics.MaxCharWidth = Round(f->max_advance_width * s);

  const double loadPpem = std::min(ppem, kMaxLoadPpem);
  FScale = ppem / loadPpem;
  FT_Set_Char_Size(f, 0, std::max<FT_F26Dot6>(1, static_cast<FT_F26Dot6>(std::lround(loadPpem * 64))), 72, 72);
  if (FSynthBold) FEmbolden = static_cast<int>(FT_MulFix(f->units_per_EM, f->size->metrics.y_scale) / 24);

  const int uThick = std::max(1, Round(f->underline_thickness * s));
  FMetrics.UnderlineThickness = uThick;
  FMetrics.UnderlineOffset = f->underline_thickness > 0 || f->underline_position != 0
                                 ? Round(-f->underline_position * s - uThick / 2.0)
                                 : std::max(1, FMetrics.Descent / 2);
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    FMetrics.StrikeOutThickness = std::max(1, Round(os2->yStrikeoutSize * s));
    FMetrics.StrikeOutOffset = -Round(os2->yStrikeoutPosition * s);
  } else {
    FMetrics.StrikeOutThickness = uThick;
    FMetrics.StrikeOutOffset = -Round(FMetrics.Ascent / 3.0);
  }

  FAsciiGlyphs.fill(UINT32_MAX);
  FGlyphs.resize(static_cast<size_t>(std::max<FT_Long>(1, f->num_glyphs)));
  FHasKerning = FT_HAS_KERNING(f);
  if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
    FMetrics.AveCharWidth = Round(os2->xAvgCharWidth * s);
  else
    FMetrics.AveCharWidth = Advance(GlyphIndex(U'x'));
  FMetrics.AveCharWidth = std::max(1, FMetrics.AveCharWidth);
}

TScaledFont::~TScaledFont() {
  if (FSize) FT_Done_Size(static_cast<FT_Size>(FSize));
}

const std::string& TScaledFont::ResolvedFamily() const { return FFace->Family(); }

uint32_t TScaledFont::GlyphIndex(char32_t c) {
  if (c < 128) {
    uint32_t& slot = FAsciiGlyphs[c];
    if (slot == UINT32_MAX) slot = FT_Get_Char_Index(FFace->Handle(), c);
    return slot;
  }
  auto it = FGlyphIndexes.find(c);
  if (it != FGlyphIndexes.end()) return it->second;
  const uint32_t index = FT_Get_Char_Index(FFace->Handle(), c);
  FGlyphIndexes.emplace(c, index);
  return index;
}

void TScaledFont::LoadOutline(uint32_t index) {
  FT_Face f = FFace->Handle();
  FT_Activate_Size(static_cast<FT_Size>(FSize));
  // The fonts' own hinting instructions, which FreeType applies mostly vertically: baselines and
  // horizontal stems land on whole pixels (sharp text), shapes and spacing stay faithful.
  // Scaled (huge) fonts load unhinted so that they measure in proportion to small ones.
  const FT_Int32 flags = FT_LOAD_NO_BITMAP | (FScale != 1.0 ? FT_LOAD_NO_HINTING : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(f, index, flags) != 0 && FT_Load_Glyph(f, 0, flags) != 0)
    throw Exception("Cannot load a glyph");
  if (f->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return;
  if (FSynthItalic) FT_GlyphSlot_Oblique(f->glyph);
  if (FSynthBold) {
    FT_Outline_Embolden(&f->glyph->outline, FEmbolden);
    f->glyph->advance.x += FEmbolden;
  }
  if (FScale != 1.0) {
    const auto k = static_cast<FT_Fixed>(std::lround(FScale * 65536.0));
    FT_Matrix m{k, 0, 0, k};
    FT_Outline_Transform(&f->glyph->outline, &m);
  }
}

TScaledFont::TGlyph& TScaledFont::Glyph(uint32_t index) {
  if (index >= FGlyphs.size()) index = 0;  // not in the font: its missing-glyph box
  if (FGlyphs[index]) return *FGlyphs[index];
  LoadOutline(index);
  FT_GlyphSlot slot = FFace->Handle()->glyph;
  auto g = std::make_unique<TGlyph>();
  g->Advance = FScale == 1.0 ? static_cast<int>((slot->advance.x + 32) >> 6)
                             : Round(slot->advance.x * FScale / 64.0);
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0) {
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    g->Ink = TRect{static_cast<int>(box.xMin >> 6), static_cast<int>(-((box.yMax + 63) >> 6)),
                   static_cast<int>((box.xMax + 63) >> 6), static_cast<int>(-(box.yMin >> 6))};
    g->Direct = static_cast<int64_t>(g->Ink.Width()) * g->Ink.Height() > kMaxCachedGlyphPixels;
    if (!g->Direct) RenderImage(*g, index);
  }
  FGlyphs[index] = std::move(g);
  return *FGlyphs[index];
}

void TScaledFont::RenderImage(TGlyph& g, uint32_t /*index*/) {
  FT_GlyphSlot slot = FFace->Handle()->glyph;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  g.Left = slot->bitmap_left;
  g.Top = -slot->bitmap_top;
  g.Width = static_cast<int>(bm.width);
  g.Rows = static_cast<int>(bm.rows);
  g.Image.resize(static_cast<size_t>(g.Width) * g.Rows);
  for (int y = 0; y < g.Rows; ++y) {
    const unsigned char* src = bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch
                                             : bm.buffer + static_cast<ptrdiff_t>(g.Rows - 1 - y) * -bm.pitch;
    std::copy(src, src + g.Width, g.Image.begin() + static_cast<ptrdiff_t>(y) * g.Width);
  }
  g.Ink = TRect{g.Left, g.Top, g.Left + g.Width, g.Top + g.Rows};
}

namespace {

struct TSpanTarget {
  TCoverageMask* Mask;
  int X;
  int Y;
};

void AddSpans(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<TSpanTarget*>(user);
  const int row = t->Y - 1 - y;
  for (int i = 0; i < count; ++i)
    for (int k = 0; k < spans[i].len; ++k) t->Mask->Add(t->X + spans[i].x + k, row, spans[i].coverage);
}

}  // namespace

void TScaledFont::RenderDirect(uint32_t index, int x, int y, TCoverageMask& mask) {
  const TRect& a = mask.Area();
  LoadOutline(index);
  FT_GlyphSlot slot = FFace->Handle()->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
  TSpanTarget target{&mask, x, y};
  FT_Raster_Params params{};
  params.source = &slot->outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.gray_spans = &AddSpans;
  params.user = &target;
  params.clip_box = FT_BBox{a.Left - x, y - a.Bottom, a.Right - x, y - a.Top};
  FT_Outline_Render(FFace->Library(), &slot->outline, &params);
}

int TScaledFont::Advance(uint32_t glyph) { return Glyph(glyph).Advance; }

int TScaledFont::Kerning(uint32_t left, uint32_t right) {
  if (!FHasKerning || left == 0 || right == 0) return 0;
  // Pairs of the low glyph indexes (where fonts keep their Latin letters) are cached.
  constexpr uint32_t kCached = 256;
  constexpr int16_t kUnknown = INT16_MIN;
  int16_t* cached = nullptr;
  if (left < kCached && right < kCached) {
    if (FKerningCache.empty()) FKerningCache.assign(kCached * kCached, kUnknown);
    cached = &FKerningCache[left * kCached + right];
    if (*cached != kUnknown) return *cached;
  }
  FT_Face f = FFace->Handle();
  FT_Activate_Size(static_cast<FT_Size>(FSize));
  FT_Vector delta{0, 0};
  int kerning = 0;
  if (FScale == 1.0) {
    if (FT_Get_Kerning(f, left, right, FT_KERNING_DEFAULT, &delta) == 0)
      kerning = static_cast<int>((delta.x + 32) >> 6);
  } else if (FT_Get_Kerning(f, left, right, FT_KERNING_UNFITTED, &delta) == 0) {
    kerning = Round(delta.x * FScale / 64.0);
  }
  if (cached) *cached = static_cast<int16_t>(std::clamp(kerning, -32767, 32767));
  return kerning;
}

TSize TScaledFont::TextExtent(std::string_view text) {
  const std::u32string cps = Utf8ToCodePoints(text);
  return TSize{Coord(PlaceLine(cps, 0, cps.size(), false, nullptr)), FMetrics.Height};
}

std::vector<int> TScaledFont::CaretPositions(std::string_view text) {
  const std::u32string cps = Utf8ToCodePoints(text);
  std::vector<int> positions(cps.size() + 1, 0);
  int64_t x = 0;
  uint32_t prev = 0;
  for (size_t i = 0; i < cps.size(); ++i) {
    const uint32_t g = GlyphIndex(cps[i]);
    if (i > 0) {
      const int kern = Kerning(prev, g);
      x += kern;
    }
    positions[i] = Coord(x);
    x += Advance(g);
    prev = g;
  }
  positions[cps.size()] = Coord(x);
  return positions;
}

int64_t TScaledFont::PlaceLine(const std::u32string& text, size_t begin, size_t end, bool expandTabs,
                               std::vector<TGlyphPlacement>* out) {
  int64_t x = 0;
  uint32_t prev = 0;
  const int64_t tab = std::max(1, 8 * FMetrics.AveCharWidth);
  for (size_t i = begin; i < end; ++i) {
    const char32_t c = text[i];
    if (IsLineBreak(c) && out) continue;  // drawn lines never show break characters
    if (expandTabs && c == U'\t') {
      x = (x / tab + 1) * tab;
      prev = 0;
      continue;
    }
    const uint32_t g = GlyphIndex(c);
    if (prev) x += Kerning(prev, g);
    if (out) out->push_back(TGlyphPlacement{g, Coord(x), 0});
    x += Advance(g);
    prev = g;
  }
  return x;
}

void TScaledFont::WrapParagraph(const std::u32string& text, size_t begin, size_t end, int64_t maxWidth,
                                bool expandTabs, std::vector<TLine>& lines) {
  // x of the start and end of every character, measured along the whole paragraph.
  std::vector<int64_t> startX(end - begin + 1, 0);
  std::vector<int64_t> endX(end - begin + 1, 0);
  {
    int64_t x = 0;
    uint32_t prev = 0;
    const int64_t tab = std::max(1, 8 * FMetrics.AveCharWidth);
    for (size_t i = begin; i < end; ++i) {
      const char32_t c = text[i];
      if (expandTabs && c == U'\t') {
        startX[i - begin] = x;
        x = (x / tab + 1) * tab;
        endX[i - begin] = x;
        prev = 0;
        continue;
      }
      const uint32_t g = GlyphIndex(c);
      if (prev) x += Kerning(prev, g);
      startX[i - begin] = x;
      x += Advance(g);
      endX[i - begin] = x;
      prev = g;
    }
  }
  auto isSpace = [&](size_t i) { return text[i] == U' '; };
  size_t lineStart = begin;
  if (begin == end) {
    lines.push_back(TLine{begin, end});
    return;
  }
  while (lineStart < end) {
    size_t committedEnd = lineStart;
    size_t next = lineStart;
    size_t j = lineStart;
    while (j < end) {
      size_t k = j;
      while (k < end && isSpace(k)) ++k;
      while (k < end && !isSpace(k)) ++k;
      const int64_t width = endX[k - 1 - begin] - startX[lineStart - begin];
      if (committedEnd > lineStart && width > maxWidth) break;
      committedEnd = k;
      while (k < end && isSpace(k)) ++k;
      next = k;
      j = k;
    }
    lines.push_back(TLine{lineStart, committedEnd});
    lineStart = next;
  }
}

TTextLayout TScaledFont::Layout(std::string_view utf8, const TRect& rect, unsigned flags) {
  const std::u32string text = Utf8ToCodePoints(utf8);
  const bool expandTabs = (flags & tfExpandTabs) != 0;
  std::vector<TLine> lines;
  if (flags & tfSingleLine) {
    lines.push_back(TLine{0, text.size()});
  } else {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i < text.size() && !IsLineBreak(text[i])) continue;
      if (flags & tfWordBreak)
        WrapParagraph(text, start, i, static_cast<int64_t>(rect.Right) - rect.Left, expandTabs, lines);
      else
        lines.push_back(TLine{start, i});
      if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n') ++i;
      start = i + 1;
    }
  }

  TTextLayout layout;
  const int64_t lineHeight = FMetrics.Height + ((flags & tfExternalLeading) ? FMetrics.ExternalLeading : 0);
  const int64_t blockHeight = lineHeight * static_cast<int64_t>(lines.size());
  const int64_t rectLeft = rect.Left, rectTop = rect.Top, rectRight = rect.Right, rectBottom = rect.Bottom;
  int64_t top = rectTop;
  if (flags & tfBottom)
    top = rectBottom - blockHeight;
  else if (flags & tfVCenter)
    top = rectTop + (rectBottom - rectTop - blockHeight) / 2;

  int64_t widest = 0;
  std::vector<TGlyphPlacement> placed;
  auto box = [](int64_t l, int64_t t, int64_t r, int64_t b) { return TRect{Coord(l), Coord(t), Coord(r), Coord(b)}; };
  for (const TLine& line : lines) {
    placed.clear();
    const int64_t width = PlaceLine(text, line.Begin, line.End, expandTabs, &placed);
    widest = std::max(widest, width);
    int64_t left = rectLeft;
    if (flags & tfRight)
      left = rectRight - width;
    else if (flags & tfCenter)
      left = rectLeft + (rectRight - rectLeft - width) / 2;
    const int64_t baseline = top + FMetrics.Ascent;
    for (TGlyphPlacement p : placed) {
      p.X = Coord(p.X + left);
      p.Y = Coord(baseline);
      layout.Glyphs.push_back(p);
    }
    layout.LineBoxes.push_back(box(left, top, left + width, top + FMetrics.Height));
    if (width > 0 && FRequest.Underline) {
      const int64_t y = baseline + FMetrics.UnderlineOffset;
      layout.Bars.push_back(box(left, y, left + width, y + FMetrics.UnderlineThickness));
    }
    if (width > 0 && FRequest.StrikeOut) {
      const int64_t y = baseline + FMetrics.StrikeOutOffset;
      layout.Bars.push_back(box(left, y, left + width, y + FMetrics.StrikeOutThickness));
    }
    top += lineHeight;
  }
  layout.CalcRect = box(rectLeft, rectTop, rectLeft + widest, rectTop + blockHeight);
  layout.Clip = rect;
  layout.Clipped = (flags & tfNoClip) == 0;
  return layout;
}

TRect TScaledFont::InkBounds(const TTextLayout& layout) {
  TRect box;
  for (const TGlyphPlacement& p : layout.Glyphs) {
    const TRect& ink = Glyph(p.Glyph).Ink;
    box = Union(box, TRect{ink.Left + p.X, ink.Top + p.Y, ink.Right + p.X, ink.Bottom + p.Y});
  }
  for (const TRect& bar : layout.Bars) box = Union(box, bar);
  return box;
}

void TScaledFont::Rasterize(const TTextLayout& layout, TCoverageMask& mask) {
  if (mask.IsEmpty()) return;
  const TRect& area = mask.Area();
  for (const TGlyphPlacement& p : layout.Glyphs) {
    TGlyph& g = Glyph(p.Glyph);
    const TRect ink{g.Ink.Left + p.X, g.Ink.Top + p.Y, g.Ink.Right + p.X, g.Ink.Bottom + p.Y};
    const TRect visible = Overlap(ink, area);
    if (visible.Width() <= 0 || visible.Height() <= 0) continue;
    if (g.Direct) {
      RenderDirect(p.Glyph, p.X, p.Y, mask);
      continue;
    }
    const int ox = p.X + g.Left;
    const int oy = p.Y + g.Top;
    for (int y = visible.Top; y < visible.Bottom; ++y) {
      const uint8_t* src = g.Image.data() + static_cast<size_t>(y - oy) * g.Width + (visible.Left - ox);
      uint8_t* dst = mask.Row(y) + (visible.Left - area.Left);
      for (int x = visible.Left; x < visible.Right; ++x, ++src, ++dst) {
        const unsigned sum = static_cast<unsigned>(*dst) + *src;
        *dst = static_cast<uint8_t>(sum > 255 ? 255 : sum);
      }
    }
  }
  for (const TRect& bar : layout.Bars) mask.FillRect(bar);
}

// ---------------------------------------------------------------------------------------------
// Engine

struct TFontEngine::TResolved {
  std::string File;
  int Index = 0;
  std::string Family;
  bool SynthBold = false;
  bool SynthItalic = false;
};

TFontEngine& TFontEngine::Instance() {
  static TFontEngine engine;
  return engine;
}

TFontEngine::TFontEngine() {
  if (!FcInit()) throw Exception("Cannot initialise the font configuration");
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw Exception("Cannot initialise the font rasteriser");
  FLibrary = std::shared_ptr<void>(library, [](void* p) { FT_Done_FreeType(static_cast<FT_Library>(p)); });
}

TFontEngine::~TFontEngine() {
  // Releases fontconfig's caches; faces still in use keep FreeType alive on their own.
  FcFini();
}

const TFontEngine::TResolved& TFontEngine::Resolve(const std::string& name, bool bold, bool italic) {
  const std::string key = name + '|' + (bold ? 'b' : '-') + (italic ? 'i' : '-');
  auto it = FResolved.find(key);
  if (it != FResolved.end()) return *it->second;

  FcPattern* pattern = FcPatternCreate();
  const std::string family = name.empty() ? std::string("sans-serif") : name;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) {
    if (match) FcPatternDestroy(match);
    throw Exception("No font found for \"" + family + "\"");
  }
  auto resolved = std::make_unique<TResolved>();
  resolved->File = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match, FC_INDEX, 0, &resolved->Index);
  FcChar8* matchedFamily = nullptr;
  if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch)
    resolved->Family = reinterpret_cast<const char*>(matchedFamily);
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  resolved->SynthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
  resolved->SynthItalic = italic && slant == FC_SLANT_ROMAN;
  FcPatternDestroy(match);
  return *FResolved.emplace(key, std::move(resolved)).first->second;
}

std::string TFontEngine::ResolveFamily(const std::string& name, bool bold, bool italic) {
  return Resolve(name, bold, italic).Family;
}

std::shared_ptr<TFontFace> TFontEngine::Face(const std::string& file, int index,
                                             const std::string& family) {
  const std::string key = file + '#' + std::to_string(index);
  auto it = FFaces.find(key);
  if (it != FFaces.end()) return it->second;
  auto face = std::make_shared<TFontFace>(FLibrary, file, index, family);
  FFaces.emplace(key, face);
  return face;
}

std::shared_ptr<TScaledFont> TFontEngine::Acquire(const TFontRequest& request) {
  for (size_t i = 0; i < FSized.size(); ++i) {
    if (FSized[i].first == request) {
      auto entry = std::move(FSized[i]);
      FSized.erase(FSized.begin() + static_cast<ptrdiff_t>(i));
      FSized.push_back(std::move(entry));
      return FSized.back().second;
    }
  }
  const TResolved& r = Resolve(request.Family, request.Bold, request.Italic);
  auto font = std::make_shared<TScaledFont>(Face(r.File, r.Index, r.Family), request, r.SynthBold, r.SynthItalic);
  FSized.emplace_back(request, font);
  if (FSized.size() > kSizedCacheLimit) FSized.erase(FSized.begin());
  return font;
}

}  // namespace kivrano
