#include "core/FormFocus.h"

namespace mv {

namespace {
bool canTakeFocus(const QWidget* w) { return w && w->isEnabled() && w->isVisible(); }
}  // namespace

FocusKeeper::FocusKeeper(QWidget* window, QWidget* fallback)
    : window_(window), had_(window->focusWidget()), fallback_(fallback) {
  // The window itself holds the focus meanwhile: keys reach no control, and
  // the window keeps it when it is activated again, so that Qt does not pick
  // a control for it.
  window->setFocus(Qt::OtherFocusReason);
}

FocusKeeper::~FocusKeeper() {
  // A closed window needs no focus. Otherwise the keyboard goes back where
  // it was, wherever keys pressed meanwhile moved it: only the controls left
  // on during the wait can have taken it, and the next keys meant for the
  // form would land on one of them (a blank on Cancel closes the window).
  if (!window_ || !window_->isVisible()) return;
  if (canTakeFocus(had_)) had_->setFocus(Qt::OtherFocusReason);
  else if (canTakeFocus(fallback_)) fallback_->setFocus(Qt::OtherFocusReason);
}

void MoveFocusOff(QWidget* control, QWidget* to) {
  QWidget* focus = control->window()->focusWidget();
  if (focus && (focus == control || control->isAncestorOf(focus))) to->setFocus(Qt::OtherFocusReason);
}

}  // namespace mv
