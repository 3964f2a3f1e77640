#pragma once
// Proportional resizing of a window's controls. The first pass over a window
// records its inner size and every control's geometry (twips); each later
// pass puts every control at its recorded geometry times the ratio of the
// window's inner size now to the recorded one.
//
// A window is known by its object name, a control by the window's name, its
// own object name and its index in a control array (the dynamic property
// "Index"; a control without it is in no array). The controls of a window are
// its named descendant widgets that it places itself: not windows of their
// own (menus, dialogs) nor anything inside one, not widgets a layout places,
// and not the inner parts of Qt's widgets (names beginning "qt_", and the
// children of any Qt widget but a plain widget, frame, group box or tab
// container).
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mv {

struct FormSizeRec {
  std::string Name;
  std::int32_t ScaleHeight = 0;  // inner height when recorded
  std::int32_t ScaleWidth = 0;   // inner width when recorded
};

struct ControlSizeRec {
  std::string Name;
  std::int32_t Index = 0;  // 0 for a control in no array
  std::string FormName;
  std::int32_t Top = 0;     // a line's Y1
  std::int32_t Left = 0;    // a line's X1; never negative
  std::int32_t Height = 0;  // a line's Y2
  std::int32_t Width = 0;   // a line's X2; never negative
};

// Records live as long as the program; none is ever removed.
inline std::vector<FormSizeRec> arrFormSizes;
inline std::int32_t lngFormCount = 0;
inline std::vector<ControlSizeRec> arrControlSizes;
inline std::int32_t lngControlCount = 0;
// True while ResizeForm works; a call that finds it set does nothing.
inline bool blnResizing = false;

// Forgets every record (tests).
void ResetResizeGlobals();

// The controls on a hidden tab stand this far to the left of their place.
constexpr std::int32_t HiddenTabOffset = 75000;

// Scales the window's controls to its inner size. The first pass over a page
// inside the main window also fits the page to its controls before recording
// it, then gives it back its size. A window whose top is at 30000 or more is
// left alone. Controls that were not there when the window was recorded, and
// every control of a window recorded without an inner area, keep their
// geometry.
void ResizeForm(QWidget* window);
// Scales one control of the window.
void ResizeControls(QWidget* control, QWidget* window);
// Records the window and those of its controls not yet recorded; the index of
// the window's new record.
std::int32_t StoreControlSizes(QWidget* window);
std::int32_t FindFormIndex(QWidget* window);
std::int32_t FindControlIndex(QWidget* control, const std::string& formName);
std::int32_t AddControlRecord(QWidget* control, const std::string& formName);
// The window's inner width (height) now, as a percentage of the recorded one;
// nothing when the recorded one is 0.
std::optional<std::int32_t> GetWidthRatio(QWidget* window);
std::optional<float> GetHeightRatio(QWidget* window);
// A negative coordinate stands on a hidden tab: gives its place on the tab.
std::int32_t FixNegativeValue(std::int32_t value);

// The name a window or control is known by.
std::string WindowName(const QWidget* w);
// The window's controls, in the order the window lists them.
std::vector<QWidget*> FormControls(QWidget* window);

}  // namespace mv
