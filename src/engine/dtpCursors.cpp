#include "engine/dtpCursors.h"

#include <cmath>
#include <cstdlib>

namespace kivrano {

namespace {

constexpr int kSize = 32;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr float kPi = 3.14159265f;

// A 1-pixel black drawing on transparency; Finish gives every stroke a white rim so that the
// cursor reads on dark and light paper alike.
class TCursorPainter {
 public:
  TCursorPainter() : ink_(kSize * kSize, false) {}

  void Plot(int x, int y) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) ink_[static_cast<size_t>(y * kSize + x)] = true;
  }
  void Line(int x0, int y0, int x1, int y1) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
      const float t = steps ? static_cast<float>(i) / static_cast<float>(steps) : 0;
      Plot(static_cast<int>(std::lround(x0 + t * static_cast<float>(x1 - x0))),
           static_cast<int>(std::lround(y0 + t * static_cast<float>(y1 - y0))));
    }
  }
  void Frame(int l, int t, int r, int b) {
    Line(l, t, r, t);
    Line(r, t, r, b);
    Line(r, b, l, b);
    Line(l, b, l, t);
  }
  // An elliptic arc from degree a0 to a1 (counter-clockwise on screen).
  void Arc(float cx, float cy, float rx, float ry, float a0, float a1) {
    for (float a = a0; a <= a1; a += 2) {
      const float r = a * kPi / 180;
      Plot(static_cast<int>(std::lround(cx + rx * std::cos(r))), static_cast<int>(std::lround(cy - ry * std::sin(r))));
    }
  }
  // The cross hair of the insert cursors, hot spot at (10, 10).
  void CrossHair() {
    Line(10, 0, 10, 8);
    Line(10, 12, 10, 20);
    Line(0, 10, 8, 10);
    Line(12, 10, 20, 10);
  }

  TCursorImage Finish(TCursor id, const char* name, int hotX, int hotY) const {
    TCursorImage image{id, name, kSize, kSize, hotX, hotY, std::vector<uint32_t>(kSize * kSize, 0)};
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        if (Ink(x, y)) {
          image.Pixels[static_cast<size_t>(y * kSize + x)] = kBlack;
        } else if (NearInk(x, y)) {
          image.Pixels[static_cast<size_t>(y * kSize + x)] = kWhite;
        }
      }
    }
    return image;
  }

 private:
  bool Ink(int x, int y) const {
    return x >= 0 && y >= 0 && x < kSize && y < kSize && ink_[static_cast<size_t>(y * kSize + x)];
  }
  bool NearInk(int x, int y) const {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (Ink(x + dx, y + dy)) return true;
      }
    }
    return false;
  }
  std::vector<bool> ink_;
};

// An arrow head at (x, y) pointing along (dx, dy) (unit steps).
void ArrowHead(TCursorPainter& p, int x, int y, int dx, int dy) {
  for (int i = 1; i <= 3; ++i) {
    p.Line(x - dx * i - dy * i, y - dy * i + dx * i, x - dx * i + dy * i, y - dy * i - dx * i);
  }
  p.Plot(x, y);
}

std::vector<TCursorImage> DrawCursors() {
  std::vector<TCursorImage> cursors;
  {
    // A three-quarter circle with an arrow head: turning.
    TCursorPainter p;
    p.Arc(15, 15, 9, 9, 90, 360);
    ArrowHead(p, 15, 6, -1, 0);
    p.Line(14, 15, 16, 15);
    p.Line(15, 14, 15, 16);
    cursors.push_back(p.Finish(crRotation, "ROTATION", 15, 15));
  }
  {
    // Four arrows (moving) with a small plus box (a copy is made).
    TCursorPainter p;
    p.Line(10, 1, 10, 19);
    p.Line(1, 10, 19, 10);
    ArrowHead(p, 10, 1, 0, -1);
    ArrowHead(p, 10, 19, 0, 1);
    ArrowHead(p, 1, 10, -1, 0);
    ArrowHead(p, 19, 10, 1, 0);
    p.Frame(20, 20, 30, 30);
    p.Line(25, 22, 25, 28);
    p.Line(22, 25, 28, 25);
    cursors.push_back(p.Finish(crSizeCopy, "SIZECOPY", 10, 10));
  }
  const struct {
    TCursor id;
    const char* name;
    void (*glyph)(TCursorPainter&);
  } inserts[] = {
      {crDtpCross, "CRDTPCROSS", [](TCursorPainter&) {}},
      {crDtpCrossLine, "CRDTPCROSSLINE", [](TCursorPainter& p) { p.Line(17, 29, 29, 17); }},
      {crDtpCrossArrow, "CRDTPCROSSARROW",
       [](TCursorPainter& p) {
         p.Line(17, 29, 29, 17);
         p.Line(29, 17, 24, 17);
         p.Line(29, 17, 29, 22);
       }},
      {crDtpCrossRectangle, "CRDTPCROSSRECTANGLE", [](TCursorPainter& p) { p.Frame(16, 19, 30, 29); }},
      {crDtpCrossEllipse, "CRDTPCROSSELLIPSE", [](TCursorPainter& p) { p.Arc(23, 24, 7, 5, 0, 360); }},
      {crDtpCrossText, "CRDTPCROSSTEXT",
       [](TCursorPainter& p) {
         p.Line(17, 18, 29, 18);
         p.Line(17, 19, 17, 20);
         p.Line(29, 19, 29, 20);
         p.Line(23, 18, 23, 30);
         p.Line(21, 30, 25, 30);
       }},
      {crDtpCrossImage, "CRDTPCROSSIMAGE",
       [](TCursorPainter& p) {
         p.Frame(16, 18, 30, 30);
         p.Line(17, 29, 21, 24);
         p.Line(21, 24, 24, 27);
         p.Line(24, 27, 26, 25);
         p.Line(26, 25, 29, 29);
         p.Frame(25, 20, 27, 22);
       }},
  };
  for (const auto& insert : inserts) {
    TCursorPainter p;
    p.CrossHair();
    insert.glyph(p);
    cursors.push_back(p.Finish(insert.id, insert.name, 10, 10));
  }
  return cursors;
}

}  // namespace

const std::vector<TCursorImage>& ProgramCursors() {
  static const std::vector<TCursorImage> cursors = DrawCursors();
  return cursors;
}

const TCursorImage* FindProgramCursor(TCursor id) {
  for (const TCursorImage& c : ProgramCursors()) {
    if (c.Id == id) return &c;
  }
  return nullptr;
}

}  // namespace kivrano
