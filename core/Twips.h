#pragma once
// Control geometry in twips, the unit the forms are designed in (15 twips a
// pixel). A widget remembers the twips it was last placed at, so that
// proportional scaling works on exact values and does not drift with the
// rounding to whole pixels; once something else moves or sizes the widget,
// its pixels count again.
#include <cstdint>

class QWidget;

namespace mv {

constexpr std::int32_t TwipsPerPixel = 15;

// Twips to whole pixels, rounded to the nearest.
int ToPixels(std::int32_t twips);

struct TwipsRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool operator==(const TwipsRect&) const = default;
};

// The widget's position (relative to its container) and its inner size.
TwipsRect TwipsGeometry(const QWidget* w);
// Moves and sizes the widget (a negative size counts as 0).
void MoveTwips(QWidget* w, const TwipsRect& r);

}  // namespace mv
