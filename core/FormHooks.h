#pragma once
// The places where modules change a form: the main window's and the timer
// form's public procedures. A form that is loaded sets its hooks; while it is
// not loaded they are empty and a call does nothing.
#include <functional>
#include <string>

namespace mv::hooks {

// Tray icon picture: 1 normal, 7 stopped, 8 locked.
inline std::function<void(int image)> TrayImage;
// Toolbar button 5 ("Lock"): its image and caption.
inline std::function<void(int image, const std::string& caption)> LockButton;
// Check marks of the tray menu's Lock Network and Stop All.
inline std::function<void(bool checked)> TrayLockCheck;
inline std::function<void(bool checked)> TrayStopCheck;
// The main window's mouse pointer: hourglass or default.
inline std::function<void(bool busy)> MainBusy;
// True when the main window has finished loading.
inline std::function<bool()> MainLoaded;
// Settles and closes the alert pop-up when one is open.
inline std::function<void()> CloseAlertPopup;
// Removes the tray icon (at Exit).
inline std::function<void()> RemoveTrayIcon;
// True while the tray icon is shown.
inline std::function<bool()> TrayPresent;
// Reads the engine events added to today's logs since the last reading (the
// timer form's read tick calls it while blnReadEvents is set).
inline std::function<void()> ReadEngineEvents;
// Writes the queued alerts to the logs (before the program ends).
inline std::function<void()> FlushAlertQueue;

template <class F, class... A>
void Call(const F& f, A&&... args) {
  if (f) f(std::forward<A>(args)...);
}

}  // namespace mv::hooks
