#include "app/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <map>

namespace kivrano {

namespace {

// Glyphs are drawn on a 24 by 24 grid.
constexpr int kGrid = 24;
const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 250);
const QColor kBlue(25, 118, 210);
const QColor kRed(198, 40, 40);
const QColor kGreen(46, 125, 50);
const QColor kGold(230, 170, 30);

using TGlyph = std::function<void(QPainter&)>;

void Sheet(QPainter& p, QRectF r) {
  QPainterPath path;
  path.moveTo(r.topLeft());
  path.lineTo(r.right() - 4, r.top());
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.bottomRight());
  path.lineTo(r.bottomLeft());
  path.closeSubpath();
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(kPaper);
  p.drawPath(path);
}

void Arrow(QPainter& p, QPointF from, QPointF to, QColor color) {
  p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF d = to - from;
  const double len = std::hypot(d.x(), d.y());
  const QPointF u = d / len;
  const QPointF n(-u.y(), u.x());
  p.setBrush(color);
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygonF{to + u * 2, to - u * 4 + n * 3.5, to - u * 4 - n * 3.5});
}

void CurvedArrow(QPainter& p, bool forward) {
  QPainterPath path;
  const double s = forward ? 1 : -1;
  path.moveTo(12 - 7 * s, 17);
  path.cubicTo(12 - 7 * s, 6, 12 + 6 * s, 6, 12 + 6 * s, 12);
  p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPolygon(QPolygonF{{12 + 6 * s - 4, 11}, {12 + 6 * s + 4, 11}, {12 + 6 * s, 17}});
}

void Magnifier(QPainter& p, int sign) {
  p.setPen(QPen(kInk, 2));
  p.setBrush(kPaper);
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 15), QPointF(21, 21));
  p.setPen(QPen(kBlue, 2));
  p.drawLine(QPointF(7, 10), QPointF(13, 10));
  if (sign > 0) p.drawLine(QPointF(10, 7), QPointF(10, 13));
}

// Two overlapping blocks; which one is on top and whether it moves all the way.
void Stacking(QPainter& p, bool frontUp, bool allTheWay) {
  const QRectF back(3, 3, 12, 12), front(9, 9, 12, 12);
  const QColor selected = kBlue, other(189, 189, 189);
  auto block = [&](QRectF r, QColor c) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(c);
    p.drawRect(r);
  };
  if (frontUp) {
    block(back, other);
    block(front, selected);
  } else {
    block(front, other);
    block(back, selected);
  }
  if (allTheWay) {
    p.setPen(QPen(kInk, 1.5));
    p.drawLine(QPointF(2, 22), QPointF(22, 22));
  }
}

void Grouping(QPainter& p, bool group) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kGreen);
  p.drawEllipse(QRectF(4, 5, 8, 8));
  p.setBrush(kGold);
  p.drawRect(QRectF(12, 11, 8, 8));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(group ? kBlue : kRed, 1.2, Qt::DashLine));
  if (group) {
    p.drawRect(QRectF(2, 3, 20, 18));
  } else {
    p.drawRect(QRectF(2, 3, 12, 12));
    p.drawRect(QRectF(10, 9, 12, 12));
  }
}

// Three bars lined up on an edge or centre line.
void Align(QPainter& p, bool horizontalBars, double line, int mode) {
  p.setPen(QPen(kRed, 1.5));
  if (horizontalBars) p.drawLine(QPointF(line, 2), QPointF(line, 22));
  else p.drawLine(QPointF(2, line), QPointF(22, line));
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  const double lengths[3] = {14, 9, 18};
  for (int i = 0; i < 3; ++i) {
    const double len = lengths[i];
    const double start = mode < 0 ? line + 1 : mode > 0 ? line - 1 - len : line - len / 2;
    if (horizontalBars) p.drawRect(QRectF(start, 4 + i * 6, len, 4));
    else p.drawRect(QRectF(4 + i * 6, start, 4, len));
  }
}

const std::map<QString, TGlyph>& Glyphs() {
  static const std::map<QString, TGlyph> glyphs = {
      {"KL1", [](QPainter& p) {
         p.setPen(QPen(kInk, 1.2));
         p.setBrush(QColor(141, 110, 99));
         p.drawRect(QRectF(5, 3, 10, 18));
         Arrow(p, {11, 12}, {21, 12}, kRed);
       }},
      {"KL2", [](QPainter& p) {
         Sheet(p, QRectF(5, 2, 14, 20));
         p.setPen(QPen(kGold, 2));
         p.drawLine(QPointF(16, 15), QPointF(16, 21));
         p.drawLine(QPointF(13, 18), QPointF(19, 18));
       }},
      {"KL3", [](QPainter& p) {
         p.setPen(QPen(kInk, 1.2));
         p.setBrush(kGold);
         p.drawPolygon(QPolygonF{{2, 6}, {9, 6}, {11, 8}, {20, 8}, {20, 19}, {2, 19}});
         p.setBrush(QColor(255, 213, 79));
         p.drawPolygon(QPolygonF{{5, 11}, {23, 11}, {20, 19}, {2, 19}});
       }},
      {"KL4", [](QPainter& p) {
         p.setPen(QPen(kInk, 1.2));
         p.setBrush(kBlue);
         p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
         p.setBrush(kPaper);
         p.drawRect(QRectF(7, 3, 10, 7));
         p.setBrush(QColor(144, 164, 174));
         p.drawRect(QRectF(6, 13, 12, 8));
       }},
      {"kl7", [](QPainter& p) {
         Sheet(p, QRectF(4, 2, 14, 20));
         p.setPen(QPen(kBlue, 1.5));
         for (int y : {8, 12, 16}) p.drawLine(QPointF(7, y), QPointF(15, y));
         Arrow(p, {13, 20}, {21, 20}, kGreen);
       }},
      {"kl8", [](QPainter& p) {
         p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(6, 6), QPointF(18, 18));
         p.drawLine(QPointF(18, 6), QPointF(6, 18));
       }},
      {"kl9", [](QPainter& p) {
         p.setPen(QPen(kInk, 1.6));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QPointF(7, 18), 3, 3);
         p.drawEllipse(QPointF(17, 18), 3, 3);
         p.drawLine(QPointF(9, 16), QPointF(16, 3));
         p.drawLine(QPointF(15, 16), QPointF(8, 3));
       }},
      {"kl10", [](QPainter& p) {
         Sheet(p, QRectF(3, 2, 12, 15));
         Sheet(p, QRectF(9, 7, 12, 15));
       }},
      {"kl11", [](QPainter& p) {
         p.setPen(QPen(kInk, 1.2));
         p.setBrush(QColor(161, 136, 127));
         p.drawRoundedRect(QRectF(4, 4, 14, 18), 2, 2);
         p.setBrush(QColor(120, 120, 120));
         p.drawRect(QRectF(8, 2, 6, 4));
         Sheet(p, QRectF(11, 10, 10, 12));
       }},
      {"kl12", [](QPainter& p) { Magnifier(p, 1); }},
      {"kl13", [](QPainter& p) { Magnifier(p, -1); }},
      {"kl14", [](QPainter& p) {
         p.setPen(QPen(kInk, 1));
         p.setBrush(Qt::NoBrush);
         p.drawRect(QRectF(2, 2, 20, 20));
         Sheet(p, QRectF(7, 4, 10, 16));
       }},
      {"kl15", [](QPainter& p) {
         Sheet(p, QRectF(5, 2, 14, 20));
         Arrow(p, {12, 12}, {3, 12}, kBlue);
         Arrow(p, {12, 12}, {21, 12}, kBlue);
       }},
      {"kl16", [](QPainter& p) { CurvedArrow(p, false); }},
      {"kl17", [](QPainter& p) { CurvedArrow(p, true); }},
      {"kl18", [](QPainter& p) {
         p.setPen(Qt::NoPen);
         p.setBrush(kGreen);
         p.drawPolygon(QPolygonF{{17, 4}, {17, 20}, {6, 12}});
       }},
      {"kl19", [](QPainter& p) {
         p.setPen(Qt::NoPen);
         p.setBrush(kGreen);
         p.drawPolygon(QPolygonF{{7, 4}, {7, 20}, {18, 12}});
       }},
      {"kl24", [](QPainter& p) { Stacking(p, false, false); }},
      {"kl25", [](QPainter& p) { Stacking(p, true, false); }},
      {"kl20", [](QPainter& p) { Stacking(p, false, true); }},
      {"kl21", [](QPainter& p) { Stacking(p, true, true); }},
      {"kl22", [](QPainter& p) { Grouping(p, false); }},
      {"kl23", [](QPainter& p) { Grouping(p, true); }},
      {"alignleft", [](QPainter& p) { Align(p, true, 3, -1); }},
      {"alignright", [](QPainter& p) { Align(p, true, 21, 1); }},
      {"aligntop", [](QPainter& p) { Align(p, false, 3, -1); }},
      {"alignbottom", [](QPainter& p) { Align(p, false, 21, 1); }},
      {"aligncenter", [](QPainter& p) { Align(p, true, 12, 0); }},
      {"alignmiddle", [](QPainter& p) { Align(p, false, 12, 0); }},
  };
  return glyphs;
}

QPixmap Render(const TGlyph& glyph, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / double(kGrid), size / double(kGrid));
  glyph(p);
  return pixmap;
}

}  // namespace

QIcon ToolIcon(const QString& name) {
  const auto found = Glyphs().find(name);
  if (found == Glyphs().end()) return QIcon();
  QIcon icon;
  for (int size : {24, 48}) icon.addPixmap(Render(found->second, size));
  return icon;
}

}  // namespace kivrano
