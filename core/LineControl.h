#pragma once
// The line control of the forms: a line between two points of its container,
// given in twips. The widget covers the line's bounding box and draws the
// line across it.
#include <QWidget>
#include <cstdint>

namespace mv {

class LineControl : public QWidget {
  Q_OBJECT
 public:
  explicit LineControl(QWidget* parent = nullptr);

  std::int32_t X1() const { return x1_; }
  std::int32_t Y1() const { return y1_; }
  std::int32_t X2() const { return x2_; }
  std::int32_t Y2() const { return y2_; }
  void setX1(std::int32_t v);
  void setY1(std::int32_t v);
  void setX2(std::int32_t v);
  void setY2(std::int32_t v);
  // Sets both end points at once.
  void SetEnds(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  void place();
  std::int32_t x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

}  // namespace mv
