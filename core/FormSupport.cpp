#include "core/FormSupport.h"

#include <QApplication>
#include <QPainter>
#include <QVariant>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlResize.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/QtText.h"

namespace mv {

void Page::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (!AllowResize) return;
  ErrorBoundary("Form_Resize of " + platform::fromQString(objectName()), [&] { ResizeForm(this); });
}

void TellNotSaved(const std::string& what, const std::string& file) {
  platform::MsgBox(NotSavedText(what, file), platform::vbCritical, AppTitle);
}

void SetTag(QWidget* control, const std::string& tag) {
  control->setProperty("Tag", platform::toQString(tag));
}

std::string Tag(const QWidget* control) { return platform::fromQString(control->property("Tag").toString()); }

void LoadToolTipText(QWidget* window, const std::string& section) {
  if (!window) return;
  auto apply = [&](QWidget* w) {
    std::string tag = Tag(w);
    if (tag.empty()) return;
    w->setToolTip(platform::toQString(ReadINI(section, tag, platform::fromQString(w->toolTip()), strToolTipFile, false)));
  };
  apply(window);
  for (QWidget* w : window->findChildren<QWidget*>()) apply(w);
}

bool IsFormLoaded(const std::string& name) {
  const QString n = platform::toQString(name);
  const auto widgets = QApplication::allWidgets();
  for (auto it = widgets.rbegin(); it != widgets.rend(); ++it)
    if ((*it)->objectName().compare(n, Qt::CaseInsensitive) == 0) return true;
  return false;
}

namespace {
struct IconLook {
  int id;
  QColor colour;
  const char* glyph;
};
// Simple pictures of our own: a rounded square of a colour with a sign.
const IconLook kIcons[] = {
    {101, QColor(40, 110, 190), "Z"},   // zones (Security)
    {102, QColor(60, 150, 80), "P"},    // program control
    {103, QColor(210, 140, 30), "!"},   // alerts and logs
    {104, QColor(40, 160, 160), "\u2713"},  // apply
    {105, QColor(190, 60, 50), "L"},    // lock
    {106, QColor(120, 30, 30), "\u25A0"},   // stop
    {107, QColor(110, 110, 120), "S"},  // settings
    {108, QColor(90, 70, 160), "?"},    // help
    {109, QColor(220, 170, 40), "U"},   // unlock (network locked or stopped)
    {1072, QColor(30, 80, 150), "M"},   // the application
    {1, QColor(40, 150, 60), "M"},      // tray: normal
    {2, QColor(240, 190, 40), "M"},     // tray: network activity
    {7, QColor(150, 40, 40), "M"},      // tray: stopped
    {8, QColor(200, 110, 30), "M"},     // tray: locked
};
}  // namespace

QPixmap ResourceIcon(int id, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  for (const auto& look : kIcons) {
    if (look.id != id) continue;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(look.colour);
    p.setPen(look.colour.darker(140));
    p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size / 5.0, size / 5.0);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(size * 3 / 5);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString::fromUtf8(look.glyph));
    break;
  }
  return pm;
}

QIcon WindowIcon() {
  QIcon icon;
  for (int s : {16, 32, 48}) icon.addPixmap(ResourceIcon(1072, s));
  return icon;
}

}  // namespace mv
