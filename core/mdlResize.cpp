#include "core/mdlResize.h"

#include <QLayout>
#include <QVariant>
#include <algorithm>
#include <array>
#include <limits>

#include "core/LineControl.h"
#include "core/Twips.h"
#include "platform/QtText.h"

namespace mv {

namespace {

// Controls that are never scaled and do not count for a page's fitted size.
constexpr std::array<const char*, 5> kUnscaled = {"pic16", "defaultIcon", "lbMaxAlertLimit", "txtMaxAlertsShows",
                                                  "Up_Down_MaxAlerts"};
// A window placed this low is being kept out of sight: it is not touched.
constexpr std::int32_t kOffScreenTop = 30000;
// What a page's first fit leaves beside and below its controls.
constexpr std::int32_t kFitMarginRight = 200;
constexpr std::int32_t kFitMarginBottom = 500;

bool isUnscaled(const QWidget* control) {
  const QString name = control->objectName();
  return std::any_of(kUnscaled.begin(), kUnscaled.end(), [&](const char* n) { return name == QLatin1String(n); });
}

// A page inside the main window rather than a window of its own.
bool isMDIChild(const QWidget* window) { return !window->isWindow(); }

std::optional<std::int32_t> indexOf(const QWidget* control) {
  const QVariant v = control->property("Index");
  if (!v.isValid()) return std::nullopt;
  return static_cast<std::int32_t>(v.toInt());
}

// v * percent / 100, truncated toward zero; nothing when it does not fit.
std::optional<std::int32_t> scaled(std::int32_t v, std::int64_t percent) {
  const std::int64_t r = static_cast<std::int64_t>(v) * percent / 100;
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(r);
}

// Sets the busy flag for one pass and clears it however the pass ends.
class BusyPass {
 public:
  BusyPass() { blnResizing = true; }
  ~BusyPass() { blnResizing = false; }
  BusyPass(const BusyPass&) = delete;
  BusyPass& operator=(const BusyPass&) = delete;
};

// Widgets whose children are controls of the window: plain widgets, frames,
// group boxes, tab containers and our own widgets. The children of Qt's other
// widgets are their inner parts.
bool holdsControls(const QWidget* w) {
  static const std::array<const char*, 5> kContainers = {"QWidget", "QFrame", "QGroupBox", "QTabWidget",
                                                         "QStackedWidget"};
  const char* cls = w->metaObject()->className();
  if (cls[0] != 'Q') return true;
  return std::any_of(kContainers.begin(), kContainers.end(), [&](const char* c) { return qstrcmp(cls, c) == 0; });
}

std::vector<QWidget*> scaledControls(QWidget* window) {
  std::vector<QWidget*> list = FormControls(window);
  std::erase_if(list, isUnscaled);
  return list;
}

// The page's size that holds all its controls with the fit margins.
TwipsRect fittedSize(QWidget* window) {
  std::int32_t right = 0, bottom = 0;
  for (QWidget* c : scaledControls(window)) {
    if (auto* line = qobject_cast<LineControl*>(c)) {
      right = std::max({right, line->X1() + kFitMarginRight, line->X2() + kFitMarginRight});
      bottom = std::max({bottom, line->Y1() + kFitMarginBottom, line->Y2() + kFitMarginBottom});
    } else {
      const TwipsRect g = TwipsGeometry(c);
      right = std::max(right, g.Left + g.Width + kFitMarginRight);
      bottom = std::max(bottom, g.Top + g.Height + kFitMarginBottom);
    }
  }
  TwipsRect r = TwipsGeometry(window);
  r.Width = right;
  r.Height = bottom;
  return r;
}

}  // namespace

void ResetResizeGlobals() {
  arrFormSizes.clear();
  lngFormCount = 0;
  arrControlSizes.clear();
  lngControlCount = 0;
  blnResizing = false;
}

std::string WindowName(const QWidget* w) {
  QString name = w->objectName();
  if (name.isEmpty()) name = QString::fromLatin1(w->metaObject()->className()).section("::", -1);
  return platform::fromQString(name);
}

std::vector<QWidget*> FormControls(QWidget* window) {
  std::vector<QWidget*> list;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
    QWidget* container = w->parentWidget();
    if (container && container->layout() && container->layout()->indexOf(w) >= 0) continue;
    bool placedByWindow = !w->isWindow();
    for (QWidget* p = container; placedByWindow && p && p != window; p = p->parentWidget())
      placedByWindow = !p->isWindow() && holdsControls(p);
    if (placedByWindow) list.push_back(w);
  }
  return list;
}

std::int32_t FixNegativeValue(std::int32_t value) { return value >= 0 ? value : value + HiddenTabOffset; }

std::int32_t FindFormIndex(QWidget* window) {
  const std::string name = WindowName(window);
  for (std::int32_t i = 0; i < lngFormCount; ++i)
    if (arrFormSizes[i].Name == name) return i;
  return -1;
}

std::int32_t FindControlIndex(QWidget* control, const std::string& formName) {
  const std::string name = WindowName(control);
  const auto index = indexOf(control);
  for (std::int32_t i = 0; i < lngControlCount; ++i) {
    const ControlSizeRec& r = arrControlSizes[i];
    if (r.FormName == formName && r.Name == name && (!index || *index == r.Index)) return i;
  }
  return -1;
}

std::int32_t AddControlRecord(QWidget* control, const std::string& formName) {
  ControlSizeRec r;
  r.Name = WindowName(control);
  r.Index = indexOf(control).value_or(0);
  r.FormName = formName;
  if (auto* line = qobject_cast<LineControl*>(control)) {
    r.Top = line->Y1();
    r.Left = FixNegativeValue(line->X1());
    r.Height = line->Y2();
    r.Width = FixNegativeValue(line->X2());
  } else {
    const TwipsRect g = TwipsGeometry(control);
    r.Top = g.Top;
    r.Left = FixNegativeValue(g.Left);
    r.Height = g.Height;
    r.Width = g.Width;
  }
  // A list box may then take any height, not only whole rows.
  if (control->metaObject()->indexOfProperty("IntegralHeight") >= 0) control->setProperty("IntegralHeight", false);
  arrControlSizes.push_back(std::move(r));
  return lngControlCount++;
}

std::int32_t StoreControlSizes(QWidget* window) {
  const std::string name = WindowName(window);
  const TwipsRect g = TwipsGeometry(window);
  arrFormSizes.push_back({name, g.Height, g.Width});
  const std::int32_t index = lngFormCount++;
  for (QWidget* c : FormControls(window))
    if (FindControlIndex(c, name) == -1) AddControlRecord(c, name);
  return index;
}

namespace {
const FormSizeRec& recordOf(QWidget* window) {
  std::int32_t i = FindFormIndex(window);
  if (i == -1) i = StoreControlSizes(window);
  return arrFormSizes[i];
}

std::optional<std::int32_t> percentOf(std::int32_t now, std::int32_t recorded) {
  if (recorded == 0) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::int64_t>(now) * 100 / recorded);
}
}  // namespace

std::optional<std::int32_t> GetWidthRatio(QWidget* window) {
  const std::int32_t recorded = recordOf(window).ScaleWidth;
  return percentOf(TwipsGeometry(window).Width, recorded);
}

std::optional<float> GetHeightRatio(QWidget* window) {
  const std::int32_t recorded = recordOf(window).ScaleHeight;
  const auto percent = percentOf(TwipsGeometry(window).Height, recorded);
  if (!percent) return std::nullopt;
  return static_cast<float>(*percent);
}

void ResizeControls(QWidget* control, QWidget* window) {
  const auto H = GetHeightRatio(window);
  const auto W = GetWidthRatio(window);
  const std::int32_t i = FindControlIndex(control, WindowName(window));
  // Without a ratio or a record there is no geometry to scale to: the
  // control stays where it is.
  if (!H || !W || i == -1) return;
  const ControlSizeRec& r = arrControlSizes[i];
  const auto h = static_cast<std::int64_t>(*H);
  auto left = scaled(r.Left, *W), top = scaled(r.Top, h), width = scaled(r.Width, *W), height = scaled(r.Height, h);
  if (!left || !top || !width || !height) return;
  if (auto* line = qobject_cast<LineControl*>(control)) {
    const std::int32_t x1 = *left - (line->X1() < 0 ? HiddenTabOffset : 0);
    const std::int32_t x2 = *width - (line->X2() < 0 ? HiddenTabOffset : 0);
    line->SetEnds(x1, *top, x2, *height);
    return;
  }
  if (TwipsGeometry(control).Left < 0) *left -= HiddenTabOffset;
  MoveTwips(control, {*left, *top, *width, *height});
}

void ResizeForm(QWidget* window) {
  if (blnResizing || !window) return;
  BusyPass busy;
  const bool isNew = FindFormIndex(window) == -1;
  const TwipsRect before = TwipsGeometry(window);
  if (before.Top >= kOffScreenTop) return;
  const bool fitFirst = isMDIChild(window) && isNew;
  // A new page is first fitted to its controls, so that it is recorded at
  // the size its controls were designed for; then it gets its size back and
  // the controls follow it. Sizing the page raises its resize event, which
  // the busy flag turns away.
  if (fitFirst) MoveTwips(window, fittedSize(window));
  const std::vector<QWidget*> controls = scaledControls(window);
  for (QWidget* c : controls) ResizeControls(c, window);
  if (fitFirst) {
    MoveTwips(window, before);
    for (QWidget* c : controls) ResizeControls(c, window);
  }
}

}  // namespace mv
