#include "wizard/WizardPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace mv::wizard {

namespace {

struct PictureLook {
  int id;
  QColor colour;
  const char* glyph;
};

const PictureLook kPictures[] = {
    {101, QColor(30, 90, 160), "M"},      // welcome: the firewall's mark
    {103, QColor(200, 120, 20), "!"},     // alerts
    {104, QColor(120, 60, 150), "*"},     // password
    {105, QColor(40, 140, 60), "\u2713"}, // finished
    {106, QColor(20, 130, 140), "\u2630"},  // programs
};

// A shield outline in the square of side s.
QPainterPath shield(qreal s) {
  QPainterPath p;
  p.moveTo(s * 0.5, s * 0.04);
  p.lineTo(s * 0.92, s * 0.18);
  p.cubicTo(s * 0.92, s * 0.62, s * 0.72, s * 0.84, s * 0.5, s * 0.96);
  p.cubicTo(s * 0.28, s * 0.84, s * 0.08, s * 0.62, s * 0.08, s * 0.18);
  p.closeSubpath();
  return p;
}

}  // namespace

QPixmap WizardPicture(int id, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  for (const PictureLook& look : kPictures) {
    if (look.id != id) continue;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(look.colour);
    p.setPen(QPen(look.colour.darker(150), qMax(1, size / 24)));
    p.drawPath(shield(size));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(size / 2);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, size, size * 9 / 10), Qt::AlignCenter, QString::fromUtf8(look.glyph));
  }
  return pm;
}

QPixmap WizardBanner(int width, int height) {
  QPixmap pm(width, height);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, height);
  g.setColorAt(0, QColor(22, 60, 112));
  g.setColorAt(1, QColor(60, 130, 190));
  p.fillRect(pm.rect(), g);
  const int s = width * 3 / 5;
  p.translate((width - s) / 2.0, height * 0.18);
  p.setBrush(QColor(255, 255, 255, 40));
  p.setPen(QPen(QColor(255, 255, 255, 170), 2));
  p.drawPath(shield(s));
  p.resetTransform();
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(qMax(12, width / 8));
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, height * 0.18 + s + 12, width, 30), Qt::AlignHCenter | Qt::AlignTop, "Morvantis");
  f.setBold(false);
  f.setPixelSize(qMax(10, width / 13));
  p.setFont(f);
  p.setPen(QColor(220, 232, 245));
  p.drawText(QRect(0, height * 0.18 + s + 40, width, 24), Qt::AlignHCenter | Qt::AlignTop, "Startup");
  return pm;
}

}  // namespace mv::wizard
