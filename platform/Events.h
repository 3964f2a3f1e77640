#pragma once
// Lets the window events that are waiting run (menus, toolbar, tray, timers),
// as long operations do between their steps.
namespace mv::platform {
void pumpEvents();

// The work of a timer's tick or of an engine event, for its lifetime: the
// folder's lock is then taken only when it is free, never waited for
// (ChangeRecord.h), so that a tick never holds up the window. The window
// events it lets run meanwhile (pumpEvents, a modal window) are not part of
// it: a click handled there is the user's own action.
class BackgroundWork {
 public:
  BackgroundWork();
  ~BackgroundWork();
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

 private:
  bool wasOn_;
  int wasLevel_;
};
// True inside a BackgroundWork, outside the events it lets run.
bool inBackgroundWork();

// A modal window that the code under way shows (a message box, an input
// box, a file dialog), for its lifetime: its turns of events belong to the
// action that showed it, and do not end it.
class ModalWindowUp {
 public:
  ModalWindowUp();
  ~ModalWindowUp();
  ModalWindowUp(const ModalWindowUp&) = delete;
  ModalWindowUp& operator=(const ModalWindowUp&) = delete;
};
bool modalWindowUp();
}  // namespace mv::platform
