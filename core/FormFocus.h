#pragma once
// Keeping the keyboard where the user had it while a window switches its
// controls off or hides them. Left to itself, Qt hands the focus of such a
// control on to the next one in the Tab order, whatever that is: often a
// button that the next blank or Enter typed would press.
#include <QPointer>
#include <QWidget>

namespace mv {

// While it lives, the window may switch its controls off for a while (a wait
// for an answer): it takes the focus off the focused control first, so that
// the focus goes nowhere meanwhile. Gone, it gives the focus back to that
// control, or to `fallback` when that one can no longer take it, wherever
// keys pressed meanwhile have moved it. Made before the controls are
// switched off, it ends after they are switched on again.
class FocusKeeper {
 public:
  FocusKeeper(QWidget* window, QWidget* fallback);
  ~FocusKeeper();
  FocusKeeper(const FocusKeeper&) = delete;
  FocusKeeper& operator=(const FocusKeeper&) = delete;

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> had_;
  QPointer<QWidget> fallback_;
};

// For a control about to be hidden or switched off for good, or to show
// something else than the user was working on: when it has the focus, the
// focus goes to `to`.
void MoveFocusOff(QWidget* control, QWidget* to);

}  // namespace mv
