#include "core/Twips.h"

#include <QRect>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace mv {

namespace {
// The twips last given to a widget, with the pixels they were put at.
constexpr const char* kTwipsProperty = "mvTwips";

QRect pixelsOf(const TwipsRect& r) {
  return QRect(ToPixels(r.Left), ToPixels(r.Top), std::max(0, ToPixels(r.Width)), std::max(0, ToPixels(r.Height)));
}
}  // namespace

int ToPixels(std::int32_t twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPerPixel));
}

TwipsRect TwipsGeometry(const QWidget* w) {
  const QRect px(w->pos(), w->size());
  const QVariant kept = w->property(kTwipsProperty);
  if (kept.isValid()) {
    const QRect t = kept.toRect();
    const TwipsRect r{t.x(), t.y(), t.width(), t.height()};
    if (pixelsOf(r) == px) return r;
  }
  return {px.x() * TwipsPerPixel, px.y() * TwipsPerPixel, px.width() * TwipsPerPixel,
          px.height() * TwipsPerPixel};
}

void MoveTwips(QWidget* w, const TwipsRect& r) {
  const TwipsRect size{r.Left, r.Top, std::max(0, r.Width), std::max(0, r.Height)};
  const QRect px = pixelsOf(size);
  w->move(px.topLeft());
  w->resize(px.size());
  // A control that cannot take the size (fixed or limited) keeps its own
  // size; the twips are then not kept, its pixels count.
  w->setProperty(kTwipsProperty, QRect(size.Left, size.Top, size.Width, size.Height));
}

}  // namespace mv
