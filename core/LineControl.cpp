#include "core/LineControl.h"

#include <QPainter>
#include <algorithm>

#include "core/Twips.h"

namespace mv {

LineControl::LineControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  place();
}

void LineControl::setX1(std::int32_t v) { SetEnds(v, y1_, x2_, y2_); }
void LineControl::setY1(std::int32_t v) { SetEnds(x1_, v, x2_, y2_); }
void LineControl::setX2(std::int32_t v) { SetEnds(x1_, y1_, v, y2_); }
void LineControl::setY2(std::int32_t v) { SetEnds(x1_, y1_, x2_, v); }

void LineControl::SetEnds(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  place();
}

void LineControl::place() {
  // The bounding box of the two ends, one pixel wider and higher so that a
  // horizontal or vertical line still has a pixel to draw in.
  const int left = ToPixels(std::min(x1_, x2_));
  const int top = ToPixels(std::min(y1_, y2_));
  const int right = ToPixels(std::max(x1_, x2_));
  const int bottom = ToPixels(std::max(y1_, y2_));
  setGeometry(left, top, right - left + 1, bottom - top + 1);
  update();
}

void LineControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::WindowText));
  const QPoint origin = pos();
  p.drawLine(QPoint(ToPixels(x1_), ToPixels(y1_)) - origin, QPoint(ToPixels(x2_), ToPixels(y2_)) - origin);
}

}  // namespace mv
