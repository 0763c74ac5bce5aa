// A page of texts in several fonts, sizes, styles, colours and alignments, rotated and mirrored,
// and of memos, painted through the view. Every shape's ink lies inside its own box.
//
// To look at it, name a folder:
//   KIVRANO_PICTURES=/tmp/sheet build/dev/tests/kivrano_tests_shapes --gtest_filter='TextSheet*'
// which writes text_sheet.png there.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ShapeTestSupport.h"
#include "platform/HeadlessViewHost.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"
#include "support/PngPictures.h"

namespace kivrano::test {
namespace {

constexpr float kScale = 5.905512f;

struct TextEntry {
  const char* text;
  const char* font;
  float height;
  TFontStyles style;
  int alignment;
  TColor color;
  float angle;
};

TEST(TextSheet, EveryTextPaintsInsideItsBox) {
  THeadlessViewHost host(1240, 1000);
  DocumentFixture f;
  TdtpDocument& doc = f.doc;
  doc.SetHost(&host);
  doc.SetScreenDpm(kScale);
  doc.SetRenderDpm(kScale);
  doc.UpdateExtent();
  doc.LockUndo();

  const std::vector<TextEntry> entries = {
      {"Warming up (Verdana 12 pt)", "Verdana", 25.4f * 12 / 72, {}, dtaLeft, clBlack, 0},
      {"Rondo 4 v 2 bold", "Liberation Sans", 5, {fsBold}, dtaLeft, 0x0000C0, 0},
      {"Italic serif, right", "Liberation Serif", 4, {fsItalic}, dtaRight, 0x800000, 0},
      {"Centred, underlined", "DejaVu Sans", 4, {fsUnderline}, dtaCenter, 0x008000, 0},
      {"Struck out", "DejaVu Sans", 3, {fsStrikeOut}, dtaLeft, 0x808000, 0},
      {"Small print 2 mm: AV Wa To", "Verdana", 2, {}, dtaLeft, clBlack, 0},
      {"Large 10 mm", "Verdana", 10, {fsBold, fsItalic}, dtaLeft, 0x0080FF, 0},
      {"Rotated 30\xC2\xB0", "Verdana", 5, {}, dtaLeft, 0x800080, 30},
      {"\xC3\x89\xC3\xA9n \xE2\x80\x93 \xC3\xBC\xC3\xB1\xC3\xAF\xC3\xA7\xC3\xB8" "d\xC3\xA9", "DejaVu Sans", 4, {}, dtaLeft, clBlack, 0},
  };
  std::vector<TdtpShape*> shapes;
  float top = 8;
  for (const TextEntry& e : entries) {
    auto text = std::make_unique<TdtpTextShape>();
    text->SetAlignment(e.alignment);
    text->SetFontName(e.font);
    text->SetFontStyle(e.style);
    text->SetFontColor(e.color);
    text->SetText(e.text);
    text->SetFontHeight(e.height);
    text->SetPosition(10, top);
    if (e.alignment != dtaLeft) {
      // Anchored right or centred on the column at 95 mm.
      text->SetDocLeft(e.alignment == dtaRight ? 95 - text->DocWidth() : 52.5f - text->DocWidth() / 2);
    }
    if (e.angle != 0) text->SetAngleAroundCenter(e.angle);
    top += text->DocHeight() + (e.angle != 0 ? 12 : 3);
    shapes.push_back(text.get());
    doc.AddShape(std::move(text));
  }
  auto mirrored = std::make_unique<TdtpTextShape>();
  mirrored->SetText("Mirrored");
  mirrored->SetPosition(10, top);
  mirrored->SetMirrored(true);
  shapes.push_back(mirrored.get());
  doc.AddShape(std::move(mirrored));

  const std::vector<std::pair<std::string, int>> memos = {
      {"Oefening 1: passen in driehoeken. Speler A speelt naar B, B kaatst terug en A loopt door "
       "naar de volgende kegel.\r\nWissel na twee minuten.",
       dtaLeft},
      {"Right-aligned memo with a longwordwithoutanyspacesthatmustbreak and more words.", dtaRight},
      {"Centred memo\r\n\r\nwith an empty line and twee-delige woorden.", dtaCenter},
  };
  float left = 110;
  for (const auto& [content, alignment] : memos) {
    auto memo = std::make_unique<TdtpMemoShape>();
    memo->SetAlignment(alignment);
    memo->SetBounds(left, 8, 40, 10);
    memo->SetFontHeight(3);
    memo->SetText(content);
    shapes.push_back(memo.get());
    doc.AddShape(std::move(memo));
    left += 30;
    if (left > 150) left = 110;
  }
  // The memos are laid out one above the other in the right column.
  float memoTop = 8;
  for (size_t i = entries.size() + 1; i < shapes.size(); ++i) {
    shapes[i]->SetBounds(110, memoTop, 40, shapes[i]->DocHeight());
    memoTop += shapes[i]->DocHeight() + 4;
  }
  doc.UnlockUndo();

  doc.Paint(TRect{0, 0, host.ClientWidth(), host.ClientHeight()});
  const TBitmap32& surface = doc.WindowSurface();
  auto isInk = [&](int x, int y) {
    const TColor32 c = surface.GetPixel(x, y);
    return RedOf(c) + GreenOf(c) + BlueOf(c) < 600;
  };
  std::vector<TRect> boxes;
  for (TdtpShape* s : shapes) boxes.push_back(s->GetScreenBounds());
  for (size_t i = 0; i < shapes.size(); ++i) {
    SCOPED_TRACE(i);
    int inside = 0;
    const TRect& b = boxes[i];
    for (int y = b.Top; y < b.Bottom; ++y) {
      for (int x = b.Left; x < b.Right; ++x) inside += surface.InBounds(x, y) && isInk(x, y);
    }
    EXPECT_GT(inside, 30);
  }
  // Nothing spills: outside the boxes the page looks as it does without any text.
  TBitmap32 painted;
  painted.Assign(surface);
  for (TdtpShape* s : shapes) s->SetVisible(false);
  doc.Paint(TRect{0, 0, host.ClientWidth(), host.ClientHeight()});
  int stray = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      if (painted.GetPixel(x, y) == surface.GetPixel(x, y)) continue;
      bool covered = false;
      for (const TRect& b : boxes) covered = covered || (x >= b.Left - 1 && x <= b.Right && y >= b.Top - 1 && y <= b.Bottom);
      if (!covered && stray++ == 0) ADD_FAILURE() << "stray ink at " << x << "," << y;
    }
  }
  EXPECT_EQ(stray, 0);
  if (const char* folder = std::getenv("KIVRANO_PICTURES"); folder && *folder) {
    TBitmap32 opaque;
    opaque.Assign(painted);
    for (int y = 0; y < opaque.Height(); ++y) {
      TColor32* row = opaque.ScanLine(y);
      for (int x = 0; x < opaque.Width(); ++x) row[x] |= 0xFF000000u;
    }
    testing::WritePng(opaque, std::string(folder) + "/text_sheet.png");
  }
}

}  // namespace
}  // namespace kivrano::test
