#pragma once
// The one way from the plain modules to the forms: the public procedures of
// the forms that modules call, each through a hook. The form (or the forms
// layer's list module) that owns a hook sets it when it is loaded and clears
// it when it goes; while a hook is empty a call does nothing, so a module
// never needs a form to be loaded. Hooks pass plain values only.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mv::hooks {

// --- The timer form: the tray icon and its menu.
// Tray icon picture: 1 normal, 7 stopped, 8 locked.
inline std::function<void(int image)> TrayImage;
// Check marks of the tray menu's Lock Network and Stop All.
inline std::function<void(bool checked)> TrayLockCheck;
inline std::function<void(bool checked)> TrayStopCheck;
// Removes the tray icon (at Exit).
inline std::function<void()> RemoveTrayIcon;
// True while the tray icon is shown.
inline std::function<bool()> TrayPresent;
// Reads the engine events added to today's logs since the last reading (the
// timer form's read tick calls it while blnReadEvents is set).
inline std::function<void()> ReadEngineEvents;
// Writes the queued alerts to the logs (before the program ends).
inline std::function<void()> FlushAlertQueue;

// --- The main window.
// Toolbar button 5 ("Lock"): its image and caption.
inline std::function<void(int image, const std::string& caption)> LockButton;
// The main window's mouse pointer: hourglass or default.
inline std::function<void(bool busy)> MainBusy;
// True when the main window has finished loading.
inline std::function<bool()> MainLoaded;

// --- The alert pop-up.
// Settles and closes the alert pop-up when one is open.
inline std::function<void()> CloseAlertPopup;

// --- Modal and progress windows, opened by modules.
// Shows the login window modally (not a second one while it is open); it
// sets blnLoggedIn.
inline std::function<void()> ShowLogin;
// The progress window of Apply, Lock and Stop: its bar at `progress` (0-100),
// its caption by `mode` (0 applying, 1 locking, 2 stopping).
inline std::function<void(long progress, int mode)> ApplyingProgress;
// Takes the progress window down.
inline std::function<void()> UnloadApplying;

// --- The settings page.
// The six alert counters, in the order outgoing programs, allowed, blocked,
// then incoming programs, allowed, blocked.
inline std::function<void(const std::array<std::string, 6>& counters)> SettingsCounters;
// The summary: the Internet and Trusted zone levels and the program-control
// level (each unchanged when absent) and the automatic lock.
inline std::function<void(const std::optional<std::string>& internetZone,
                          const std::optional<std::string>& trustedZone,
                          const std::optional<std::string>& programControl, const std::string& automaticLock)>
    SettingsProgramSummary;

// --- The program-control page's lists.
// A program of colProgramList (by its lower-cased path) gets its row.
inline std::function<void(const std::string& key)> ProgramRowAdded;
// The program's row shows these four right texts.
inline std::function<void(const std::string& key, const std::array<std::string, 4>& rights)> ProgramRowRights;
// A component of colComponentList (by its lower-cased path) gets its row.
inline std::function<void(const std::string& key)> ComponentRowAdded;
// The component's row shows this right text.
inline std::function<void(const std::string& key, const std::string& right)> ComponentRowRight;

// Calls the hook when it is set.
template <class F, class... A>
void Call(const F& f, A&&... args) {
  if (f) f(std::forward<A>(args)...);
}

// The hook's answer, or `fallback` while it is not set.
template <class R, class F, class... A>
R Ask(const F& f, R fallback, A&&... args) {
  return f ? static_cast<R>(f(std::forward<A>(args)...)) : fallback;
}

// Every hook by name, with whether it is set now (for the wiring tests).
std::vector<std::pair<std::string, bool>> HookTable();

}  // namespace mv::hooks
