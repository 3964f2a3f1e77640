#pragma once
// The hidden timer form. It owns the tray icon with its menu and carries the
// two timers of the alerts subsystem: every 500 ms it has the engine's new
// events read, shows the network traffic in the tray picture and archives the
// plain alert log; every minute it counts idle minutes and engages the
// automatic lock, which in its screen-saver mode also engages as soon as the
// desktop's screen saver starts. It is never shown; its Exit shuts the
// program down.
//
// Where the desktop has no tray, the form runs without a tray icon: its menu
// and picture state are kept all the same, the main window is shown at start
// and its close box runs Exit.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "alerts/mdlEventGlobals.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace mv {

class CIpHelper;
namespace platform {
class ScreenSaverWatch;
}

// Tray pictures by number.
constexpr int trayNoTraffic = 1, trayAfterTraffic = 2, trayIncoming = 3, trayOutgoing = 4, trayBothWays = 5;

class frmTimeTemp : public QWidget {
  Q_OBJECT
 public:
  frmTimeTemp();
  ~frmTimeTemp() override;

  // The main window's network commands, as the menu and the automatic lock
  // call them; each is True when it did its work.
  // Lock and Stop; `askLogin` false lets the automatic lock engage for an
  // absent user.
  std::function<bool(bool askLogin)> LockNetwork;
  std::function<bool(bool askLogin)> StopNetwork;
  std::function<bool()> ReStartService;

  void TimerReadEvent_Timer();
  void PassLockTimer_Timer();

  void mnuSysTrayHelp_Click();
  void mnuSysTrayLockNetwork_Click();
  void mnuSysTrayStopAll_Click();
  void mnuSysTrayShow_Click();
  void mnuSysTrayHide_Click();
  // Asks for the settings password whenever one is stored, then shuts down.
  void mnuSysTrayExit_Click();
  // A left click on the tray icon: shows the main window, restored.
  void TrayIcon_LeftClick();
  // Shuts the program down: the default rules, the engine's executable
  // ended, the tray icon removed.
  void Form_Unload();

  // The tray picture shown (0 until the first is chosen: the form's icon).
  int TrayImage() const { return trayImage_; }
  void SetTrayImage(int image);
  // Takes the tray icon away.
  void RemoveTrayIcon();
  bool TrayPresent() const;

  QTimer* TimerReadEvent = nullptr;
  QTimer* PassLockTimer = nullptr;
  QMenu* mnuSystemTrayIcon = nullptr;
  QAction* mnuSysTrayAbout = nullptr;
  QAction* mnuSysTrayHelp = nullptr;
  QAction* mnuSysTrayLockNetwork = nullptr;
  QAction* mnuSysTrayStopAll = nullptr;
  QAction* mnuSysTrayShow = nullptr;
  QAction* mnuSysTrayHide = nullptr;
  QAction* mnuSysTrayExit = nullptr;
  // Null where the desktop has no tray, and once removed.
  QSystemTrayIcon* SystemTrayIcon = nullptr;
  // The desktop's screen saver, which the lock follows in its screen-saver
  // mode; null until that mode first needs it.
  platform::ScreenSaverWatch* ScreenSaver = nullptr;

 private:
  void buildMenu();
  void addTrayIcon();
  // Starts following the screen saver, or asks it again.
  void followScreenSaver();

  std::unique_ptr<CIpHelper> ipHelper_;
  bool blnTraffic_ = false;        // the last read tick saw traffic
  std::uint64_t lastReceived_ = 0;  // byte totals at the last read tick
  std::uint64_t lastSent_ = 0;
  std::int32_t afterTraffic_ = 0;  // ticks left to show the after-traffic picture
  int trayImage_ = 0;
  bool lockMessageShown_ = false;  // the automatic lock's message is up
};

// True where the desktop can show a tray icon.
bool SystemTrayAvailable();
// Loads the timer form, hidden, once; the form.
frmTimeTemp* LoadTimerForm();
frmTimeTemp* TimerFormIfLoaded();

}  // namespace mv
