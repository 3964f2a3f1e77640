#include "alerts/frmTimeTemp.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <optional>

#include "alerts/frmDisplay.h"
#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/mdlEventReader.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/MDIMain.h"
#include "core/MSubclass.h"
#include "core/VBRuntime.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Application.h"
#include "platform/ChangeRecord.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "platform/Events.h"
#include "platform/ScreenSaver.h"
#include "programs/mdlProgramControl.h"
#include "rules/EngineState.h"
#include "rules/NetworkCommands.h"
#include "rules/mdlDefineRules.h"
#include "zones/CIpHelper.h"

namespace mv {

namespace {

constexpr int kReadInterval = 500;
constexpr int kLockInterval = 60000;
constexpr std::size_t kTipLength = 64;
const std::string kApplyAgain = "Please click on 'Apply' button to activate your network.";

// The tray pictures: the system's own for the network states; the traffic
// pictures add an arrow down (in) or up (out) to the activity picture.
QIcon trayPicture(int image) {
  const bool in = image == trayIncoming || image == trayBothWays;
  const bool out = image == trayOutgoing || image == trayBothWays;
  if (!in && !out) return QIcon(ResourceIcon(image));
  QPixmap pm = ResourceIcon(trayAfterTraffic);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 30, 30));
  if (in) p.drawPolygon(QPolygon({QPoint(2, 22), QPoint(12, 22), QPoint(7, 30)}));
  if (out) p.drawPolygon(QPolygon({QPoint(20, 30), QPoint(30, 30), QPoint(25, 22)}));
  return QIcon(pm);
}

}  // namespace

frmTimeTemp::frmTimeTemp() : ipHelper_(std::make_unique<CIpHelper>()) {
  setObjectName("frmTimeTemp");
  setWindowIcon(WindowIcon());
  LockNetwork = [](bool askLogin) { return mv::LockNetwork(askLogin); };
  StopNetwork = [](bool askLogin) { return mv::StopNetwork(askLogin); };
  ReStartService = [] { return mv::ReStartService(); };
  buildMenu();
  addTrayIcon();

  hooks::TrayImage = [this](int image) { SetTrayImage(image); };
  hooks::TrayLockCheck = [this](bool checked) { mnuSysTrayLockNetwork->setChecked(checked); };
  hooks::TrayStopCheck = [this](bool checked) { mnuSysTrayStopAll->setChecked(checked); };
  hooks::TrayPresent = [this] { return TrayPresent(); };
  hooks::RemoveTrayIcon = [this] { RemoveTrayIcon(); };
  // The read tick drives the reader and the alert queue.
  hooks::ReadEngineEvents = CheckNewAlertsGenerates;
  hooks::FlushAlertQueue = mv::FlushAlertQueue;
  hooks::ShowAlertPopup = ShowAlertPopup;

  TimerReadEvent = new QTimer(this);
  TimerReadEvent->setObjectName("TimerReadEvent");
  connect(TimerReadEvent, &QTimer::timeout, this, &frmTimeTemp::TimerReadEvent_Timer);
  TimerReadEvent->start(kReadInterval);
  PassLockTimer = new QTimer(this);
  PassLockTimer->setObjectName("PassLockTimer");
  connect(PassLockTimer, &QTimer::timeout, this, &frmTimeTemp::PassLockTimer_Timer);
  PassLockTimer->start(kLockInterval);
  // Only the lock's screen-saver mode asks the desktop; chosen later, its
  // first lock minute starts following the screen saver.
  if (AutomaticLock && !LockMode) followScreenSaver();
  ShowEngineState();
}

void frmTimeTemp::followScreenSaver() {
  if (ScreenSaver) return ScreenSaver->Ask();
  ScreenSaver = new platform::ScreenSaverWatch(this);
  // The screen saver's start is a lock minute of its own in the screen-saver
  // mode, so the lock does not wait for the next one.
  connect(ScreenSaver, &platform::ScreenSaverWatch::ActiveChanged, this, [this](bool active) {
    if (active && !LockMode) PassLockTimer_Timer();
  });
}

frmTimeTemp::~frmTimeTemp() {
  hooks::TrayImage = nullptr;
  hooks::TrayLockCheck = nullptr;
  hooks::TrayStopCheck = nullptr;
  hooks::TrayPresent = nullptr;
  hooks::RemoveTrayIcon = nullptr;
  hooks::ReadEngineEvents = nullptr;
  hooks::FlushAlertQueue = nullptr;
  hooks::ShowAlertPopup = nullptr;
  RemoveTrayIcon();
}

void frmTimeTemp::buildMenu() {
  mnuSystemTrayIcon = new QMenu("SystemTrayIcon", this);
  mnuSystemTrayIcon->setObjectName("mnuSystemTrayIcon");
  auto add = [this](const char* name, const char* text, void (frmTimeTemp::*handler)()) {
    QAction* a = mnuSystemTrayIcon->addAction(QString::fromUtf8(text));
    a->setObjectName(name);
    if (handler) connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return a;
  };
  // A check item does what its handler decides: the check Qt toggles on the
  // click is put back before the handler runs.
  auto addCheck = [this](const char* name, const char* text, void (frmTimeTemp::*handler)()) {
    QAction* a = mnuSystemTrayIcon->addAction(QString::fromUtf8(text));
    a->setObjectName(name);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, a, handler](bool checked) {
      a->setChecked(!checked);
      (this->*handler)();
    });
    return a;
  };
  // About has nothing to show: it stays in its place, disabled.
  mnuSysTrayAbout = add("mnuSysTrayAbout", "&About", nullptr);
  mnuSysTrayAbout->setEnabled(false);
  mnuSysTrayHelp = add("mnuSysTrayHelp", "&Help", &frmTimeTemp::mnuSysTrayHelp_Click);
  mnuSystemTrayIcon->addSeparator()->setObjectName("mnuSysSape1");
  mnuSysTrayLockNetwork =
      addCheck("mnuSysTrayLockNetwork", "Engage Internet Lock", &frmTimeTemp::mnuSysTrayLockNetwork_Click);
  mnuSysTrayStopAll = addCheck("mnuSysTrayStopAll", "Stop All Internet Activity", &frmTimeTemp::mnuSysTrayStopAll_Click);
  mnuSystemTrayIcon->addSeparator()->setObjectName("mnuSysTraySape3");
  mnuSysTrayShow = add("mnuSysTrayShow", "&Show", &frmTimeTemp::mnuSysTrayShow_Click);
  mnuSysTrayHide = add("mnuSysTrayHide", "&Hide", &frmTimeTemp::mnuSysTrayHide_Click);
  mnuSystemTrayIcon->addSeparator()->setObjectName("mnuSysTraySape2");
  mnuSysTrayExit = add("mnuSysTrayExit", "&Exit", &frmTimeTemp::mnuSysTrayExit_Click);
}

void frmTimeTemp::addTrayIcon() {
  if (!SystemTrayAvailable()) return;
  SystemTrayIcon = new QSystemTrayIcon(windowIcon(), this);
  SystemTrayIcon->setObjectName("SystemTrayIcon");
  SystemTrayIcon->setToolTip(platform::toQString(AppTitle.substr(0, kTipLength)));
  SystemTrayIcon->setContextMenu(mnuSystemTrayIcon);
  connect(SystemTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) TrayIcon_LeftClick();
  });
  SystemTrayIcon->show();
}

bool frmTimeTemp::TrayPresent() const { return SystemTrayIcon && SystemTrayIcon->isVisible(); }

void frmTimeTemp::RemoveTrayIcon() {
  if (!SystemTrayIcon) return;
  SystemTrayIcon->hide();
  delete SystemTrayIcon;
  SystemTrayIcon = nullptr;
}

void frmTimeTemp::SetTrayImage(int image) {
  if (image == trayImage_) return;
  trayImage_ = image;
  if (SystemTrayIcon) SystemTrayIcon->setIcon(trayPicture(image));
}

void frmTimeTemp::TimerReadEvent_Timer() {
  // What a tick writes (counters, programs, the archive date) never waits
  // for another program's write: it is written again at a later tick.
  platform::BackgroundWork tick;
  ErrorBoundary("TimerReadEvent_Timer of frmTimeTemp", [&] {
    if (blnReadEvents) hooks::Call(hooks::ReadEngineEvents);
    if (SetArchiveDateWhenMissing()) return;
    // A locked or stopped network keeps the picture engine control gave it,
    // and the totals of the last tick.
    if (blnNetworkStopped || blnNetworkLocked) return;
    ipHelper_->Interfaces();
    const std::uint64_t received = ipHelper_->BytesReceived();
    const std::uint64_t sent = ipHelper_->BytesSent();
    const bool incoming = received > lastReceived_;
    const bool outgoing = sent > lastSent_;
    // Without the traffic pictures the icon stays at rest, and traffic
    // neither sets the traffic flag nor resets the idle minutes.
    int image = trayNoTraffic;
    if (SystemTray == 1) {
      if (incoming || outgoing) {
        image = incoming && outgoing ? trayBothWays : (incoming ? trayIncoming : trayOutgoing);
        afterTraffic_ = 3;
        blnTraffic_ = true;
        intIdleMinutes = 0;
      } else {
        blnTraffic_ = false;
        if (afterTraffic_ >= 2) {
          image = trayAfterTraffic;
          --afterTraffic_;
        } else {
          afterTraffic_ = 0;
        }
      }
    }
    lastReceived_ = received;
    lastSent_ = sent;
    SetTrayImage(image);
    ArchiveLogWhenDue();
  });
}

void frmTimeTemp::PassLockTimer_Timer() {
  // The automatic lock is switched off, its message is still up, or traffic
  // is already locked or stopped: nothing to engage.
  if (!AutomaticLock || lockMessageShown_ || blnNetworkLocked || blnNetworkStopped) return;
  ErrorBoundary("PassLockTimer_Timer of frmTimeTemp", [&] {
    bool due = false;
    if (LockMode) {
      intIdleMinutes = CInt(intIdleMinutes + 1.0);
      // An interval below one minute would lock at every minute.
      due = LockInterval >= 1 && !blnTraffic_ && intIdleMinutes >= LockInterval;
    } else {
      // The screen saver as last heard (traffic does not hold it back: the
      // user is away; none heard yet counts as none running); asked again in
      // the background, so a screen saver that started unheard is found by
      // the next minute.
      due = ScreenSaver && ScreenSaver->Active();
      followScreenSaver();
    }
    if (!due) return;
    // Nor does the automatic lock wait for the folder (its message below is
    // shown outside this): while another program is saving the settings it
    // stays due, and engages at the next minute. A record that keeps every
    // write out is no passing state: the lock is tried, and its failure told.
    std::optional<platform::BackgroundWork> tick(std::in_place);
    if (!platform::FolderWriteLock().held() && !platform::changeRecordUnread() && !platform::changeRecordKept())
      return;
    intIdleMinutes = 0;
    const bool lock = EngagesMode;
    // The automatic lock only tightens the firewall and engages while the
    // user is away: behind the login gate it would never engage.
    const auto& command = lock ? LockNetwork : StopNetwork;
    const bool done = command && command(false);
    tick.reset();
    const std::string what = lock ? "locked" : "stopped";
    lockMessageShown_ = true;
    struct Shown {
      bool& flag;
      ~Shown() { flag = false; }
    } shown{lockMessageShown_};
    if (done)
      platform::MsgBox("All traffic to and from your computer is " + what + ".\r\n" + kApplyAgain,
                       platform::vbInformation, AppTitle);
    else
      platform::MsgBox("All traffic to and from your computer could not be " + what + ".", platform::vbExclamation,
                       AppTitle);
  });
}

void frmTimeTemp::mnuSysTrayHelp_Click() { OpenWithDesktop(strHelpURL, strHelpURL); }

void frmTimeTemp::mnuSysTrayLockNetwork_Click() {
  if (!mnuSysTrayLockNetwork->isChecked()) {
    if (LockNetwork(true)) mnuSysTrayLockNetwork->setChecked(true);
  } else if (ReStartService()) {
    mnuSysTrayLockNetwork->setChecked(false);
    mnuSysTrayStopAll->setChecked(false);
  }
}

void frmTimeTemp::mnuSysTrayStopAll_Click() {
  if (!mnuSysTrayStopAll->isChecked()) {
    if (StopNetwork(true)) {
      mnuSysTrayStopAll->setChecked(true);
      mnuSysTrayLockNetwork->setChecked(true);
    }
  } else if (ReStartService()) {
    mnuSysTrayLockNetwork->setChecked(false);
    mnuSysTrayStopAll->setChecked(false);
  }
}

void frmTimeTemp::mnuSysTrayShow_Click() { MDIMainForm()->mnuSysTrayShow_Click(); }

void frmTimeTemp::mnuSysTrayHide_Click() {
  if (MDIMain* m = MDIMainIfLoaded()) m->hide();
}

void frmTimeTemp::TrayIcon_LeftClick() {
  MDIMain* m = MDIMainForm();
  m->showNormal();
  m->raise();
  m->activateWindow();
}

void frmTimeTemp::mnuSysTrayExit_Click() { ExitProgram(); }

void frmTimeTemp::Form_Unload() { ShutDownProgram(); }

bool SystemTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

frmTimeTemp* LoadTimerForm() { return LoadForm<frmTimeTemp>(); }

frmTimeTemp* TimerFormIfLoaded() { return LoadedForm<frmTimeTemp>(); }


}  // namespace mv
