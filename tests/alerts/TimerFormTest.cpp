// The hidden timer form: the traffic pictures of the read tick, the tray
// menu's checks, the automatic lock, Exit, and the desktop without a tray.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "alerts/frmAdvanceAlertsLogs.h"
#include "alerts/frmTimeTemp.h"
#include "core/FormHooks.h"
#include "core/MDIMain.h"
#include "core/frmLogin.h"
#include "core/mdlLogin.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Network.h"
#include "rules/NetworkCommands.h"
#include "rules/mdlDefineRules.h"
#include "tests/alerts/AlertsFixture.h"
#include "tests/support/SessionBus.h"

namespace mvtest {
namespace {

namespace fs = std::filesystem;
using namespace mv;

struct ProgramEnded {};

const std::string kApplyAgain = "\r\nPlease click on 'Apply' button to activate your network.";

class TimerForm : public AlertsTest {
 protected:
  void SetUp() override {
    AlertsTest::SetUp();
    LastArchiveDate = "15-03-2024";
    SystemTray = 1;
    AutomaticLock = true;
    ResetRuleGlobals();
    intIdleMinutes = 0;
    strPassword.clear();
    blnLoggedIn = false;
    strRuleFile = RuleFilePath();
    platform::setInterfaceCounters([this] {
      return std::optional<std::vector<platform::InterfaceCounters>>{{{"eth0", received, sent}}};
    });
    platform::setEndProgramHandler([] { throw ProgramEnded{}; });
    beforeLoad();
    form = LoadTimerForm();
    // The tests run the handlers themselves.
    form->TimerReadEvent->stop();
    form->PassLockTimer->stop();
    form->LockNetwork = [this](bool askLogin) { return record("Lock", lockResult, askLogin); };
    form->StopNetwork = [this](bool askLogin) { return record("Stop", stopResult, askLogin); };
    form->ReStartService = [this] { return record("Apply", applyResult, true); };
  }
  void TearDown() override {
    delete TimerFormIfLoaded();
    UnloadMDIMain();
    hooks::ReadEngineEvents = nullptr;
    hooks::FlushAlertQueue = nullptr;
    platform::setInterfaceCounters(nullptr);
    platform::setEndProgramHandler(nullptr);
    strPassword.clear();
    blnLoggedIn = false;
    ResetRuleGlobals();
    AlertsTest::TearDown();
  }

  // The settings the form is to find when it loads.
  virtual void beforeLoad() {}

  bool record(const std::string& command, bool result, bool askLogin) {
    commands.push_back(command);
    gateOpen.push_back(!askLogin);
    return result;
  }
  // Read ticks with the counters at the given totals; the pictures shown.
  std::vector<int> ticks(std::initializer_list<std::pair<std::uint64_t, std::uint64_t>> totals) {
    std::vector<int> images;
    for (auto [in, out] : totals) {
      received = in;
      sent = out;
      form->TimerReadEvent_Timer();
      images.push_back(form->TrayImage());
    }
    return images;
  }
  void minutes(int n) {
    for (int i = 0; i < n; ++i) form->PassLockTimer_Timer();
  }
  bool lockChecked() const { return form->mnuSysTrayLockNetwork->isChecked(); }
  bool stopChecked() const { return form->mnuSysTrayStopAll->isChecked(); }
  // Answers the login window once it is open: the password, or Cancel.
  static void answerLogin(const std::string& password) {
    QTimer::singleShot(0, [password] {
      frmLogin* login = LoginFormIfLoaded();
      if (!login) return;
      if (password.empty()) {
        login->cmdCancel->click();
        return;
      }
      login->txtPassword->setText(QString::fromStdString(password));
      login->cmdOk->click();
    });
  }
  void installNetStub() const {
    writeText("System32/net", "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/net.calls\"\n");
    fs::permissions(native("System32/net"), fs::perms::owner_all);
  }

  frmTimeTemp* form = nullptr;
  std::uint64_t received = 0, sent = 0;
  bool lockResult = true, stopResult = true, applyResult = true;
  std::vector<std::string> commands;
  std::vector<bool> gateOpen;
};

TEST_F(TimerForm, LoadsHiddenOnceWithItsTimersItsMenuAndItsHooks) {
  EXPECT_EQ(LoadTimerForm(), form);
  EXPECT_FALSE(form->isVisible());
  auto* read = form->findChild<QTimer*>("TimerReadEvent");
  auto* lock = form->findChild<QTimer*>("PassLockTimer");
  ASSERT_TRUE(read && lock);
  EXPECT_EQ(read->interval(), 500);
  EXPECT_EQ(lock->interval(), 60000);

  std::vector<std::string> items;
  for (QAction* a : form->mnuSystemTrayIcon->actions())
    items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  EXPECT_EQ(items, (std::vector<std::string>{"&About", "&Help", "-", "Engage Internet Lock",
                                             "Stop All Internet Activity", "-", "&Show", "&Hide", "-", "&Exit"}));
  EXPECT_TRUE(form->mnuSysTrayLockNetwork->isCheckable());
  EXPECT_TRUE(form->mnuSysTrayStopAll->isCheckable());

  // Engine control reaches the form through its hooks while it is loaded.
  hooks::Call(hooks::TrayImage, trayLocked);
  hooks::Call(hooks::TrayLockCheck, true);
  hooks::Call(hooks::TrayStopCheck, true);
  EXPECT_EQ(form->TrayImage(), trayLocked);
  EXPECT_TRUE(lockChecked());
  EXPECT_TRUE(stopChecked());
  // The read tick's reader, the alert queue's flush and the pop-up.
  EXPECT_TRUE(hooks::ReadEngineEvents && hooks::FlushAlertQueue && hooks::ShowAlertPopup);
  delete form;
  EXPECT_FALSE(hooks::ReadEngineEvents || hooks::FlushAlertQueue || hooks::ShowAlertPopup);
  EXPECT_FALSE(hooks::TrayImage);
  EXPECT_FALSE(hooks::TrayLockCheck);
  EXPECT_FALSE(hooks::TrayPresent);
  EXPECT_FALSE(hooks::RemoveTrayIcon);
  EXPECT_EQ(TimerFormIfLoaded(), nullptr);
}

TEST_F(TimerForm, TrafficPicturesFollowTheCountersAndFadeOverTwoTicks) {
  EXPECT_EQ(ticks({{0, 0}, {100, 0}, {100, 0}, {100, 0}, {100, 0}}),
            (std::vector<int>{trayNoTraffic, trayIncoming, trayAfterTraffic, trayAfterTraffic, trayNoTraffic}));
  EXPECT_EQ(ticks({{100, 50}, {300, 80}, {300, 80}}), (std::vector<int>{trayOutgoing, trayBothWays, trayAfterTraffic}));
  intIdleMinutes = 4;
  ticks({{400, 80}});
  EXPECT_EQ(intIdleMinutes, 0);
}

TEST_F(TimerForm, WithoutTrafficPicturesTheIconRestsAndTrafficDoesNotCount) {
  SystemTray = 0;
  intIdleMinutes = 4;
  EXPECT_EQ(ticks({{100, 100}, {200, 200}}), (std::vector<int>{trayNoTraffic, trayNoTraffic}));
  EXPECT_EQ(intIdleMinutes, 4);
}

TEST_F(TimerForm, ALockedNetworkKeepsItsPictureTotalsAndArchiveUntilRestarted) {
  AlertDay = 0;
  ticks({{100, 100}});
  hooks::Call(hooks::TrayImage, trayLocked);
  blnNetworkLocked = true;
  AlertDay = 1;
  AlertDays = 7;
  LastArchiveDate = "01-03-2024";
  writeText("logs/Alertlog.txt", "an alert\r\n");
  EXPECT_EQ(ticks({{200, 100}, {300, 100}}), (std::vector<int>{trayLocked, trayLocked}));
  EXPECT_FALSE(fs::exists(native("Backup")));

  blnNetworkLocked = false;
  // The traffic while locked counts at the first tick after.
  EXPECT_EQ(ticks({{300, 100}}), std::vector<int>{trayIncoming});
  EXPECT_EQ(readText("Backup/15-03-2024.txt"), "an alert\r\n");
  EXPECT_EQ(LastArchiveDate, "15-03-2024");
}

TEST_F(TimerForm, TheDailyArchiveOfTheReadTickLandsWhereTheArchiveLabelSays) {
  LastArchiveDate = "01-03-2024";
  writeText("logs/Alertlog.txt", "an alert\r\n");
  ticks({{100, 100}});
  frmAdvanceAlertsLogs settings;
  const std::string caption = "Archive File Path - ";
  const std::string label = settings.lbArchiveDirectory->text().toStdString();
  ASSERT_EQ(label.rfind(caption, 0), 0u);
  EXPECT_EQ(slurp(label.substr(caption.size()) + "15-03-2024.txt"), "an alert\r\n");
  EXPECT_EQ(readText("logs/Alertlog.txt"), "");
}

TEST_F(TimerForm, TheReadTickReadsEventsOnlyWhenAllowedAndFirstSetsAMissingArchiveDate) {
  int reads = 0;
  hooks::ReadEngineEvents = [&] { ++reads; };
  ticks({{0, 0}});
  blnReadEvents = false;
  ticks({{0, 0}});
  EXPECT_EQ(reads, 1);

  LastArchiveDate.clear();
  blnReadEvents = true;
  const int before = form->TrayImage();
  ticks({{500, 500}});
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(form->TrayImage(), before);
  EXPECT_EQ(LastArchiveDate, "15-03-2024");
  EXPECT_EQ(stored("LastArchiveDate"), "15-03-2024");
}

TEST_F(TimerForm, TrayChecksFollowTheCommandsOnlyWhenTheySucceed) {
  // A click on an unchecked item runs its command, on a checked one Apply.
  struct Step {
    QAction* item;
    bool succeeds;
    const char* command;
    bool lockAfter, stopAfter;
  };
  QAction* lock = form->mnuSysTrayLockNetwork;
  QAction* stop = form->mnuSysTrayStopAll;
  const Step steps[] = {
      {lock, false, "Lock", false, false}, {lock, true, "Lock", true, false},   {lock, false, "Apply", true, false},
      {lock, true, "Apply", false, false}, {stop, false, "Stop", false, false}, {stop, true, "Stop", true, true},
      {stop, false, "Apply", true, true},  {stop, true, "Apply", false, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.item->objectName().toStdString() + " " + step.command + (step.succeeds ? " succeeds" : " fails"));
    lockResult = stopResult = applyResult = step.succeeds;
    commands.clear();
    step.item->trigger();
    EXPECT_EQ(commands, std::vector<std::string>{step.command});
    EXPECT_EQ(lockChecked(), step.lockAfter);
    EXPECT_EQ(stopChecked(), step.stopAfter);
  }
}

TEST_F(TimerForm, AnEngineCommandRefusedDuringAnApplyLeavesTheChecks) {
  form->LockNetwork = [](bool askLogin) { return mv::LockNetwork(askLogin); };
  form->StopNetwork = [](bool askLogin) { return mv::StopNetwork(askLogin); };
  blnApplying = true;
  form->mnuSysTrayLockNetwork->trigger();
  form->mnuSysTrayStopAll->trigger();
  EXPECT_FALSE(lockChecked());
  EXPECT_FALSE(stopChecked());
}

TEST_F(TimerForm, TheAutomaticLockStopsOrLocksAfterTheIdleMinutes) {
  LockMode = true;
  LockInterval = 3;
  EngagesMode = false;
  ticks({{0, 0}});
  minutes(2);
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(intIdleMinutes, 2);
  minutes(1);
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});
  EXPECT_EQ(intIdleMinutes, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "All traffic to and from your computer is stopped." + kApplyAgain);
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_EQ(messages[0].title, AppTitle);

  // Counting starts again; with the engage mode it locks.
  EngagesMode = true;
  minutes(3);
  EXPECT_EQ(commands, (std::vector<std::string>{"Stop", "Lock"}));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].prompt, "All traffic to and from your computer is locked." + kApplyAgain);
}

TEST_F(TimerForm, TheAutomaticLockEngagesOnlyWhenItCanAndShowsOneMessageAtATime) {
  LockMode = true;
  LockInterval = 2;
  ticks({{0, 0}});
  // Switched off on the settings page: the minutes go by without a lock.
  AutomaticLock = false;
  minutes(5);
  EXPECT_TRUE(commands.empty());
  AutomaticLock = true;

  // Already locked or stopped: nothing to engage, nothing counted.
  intIdleMinutes = 0;
  blnNetworkLocked = true;
  minutes(3);
  blnNetworkLocked = false;
  blnNetworkStopped = true;
  minutes(3);
  blnNetworkStopped = false;
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(intIdleMinutes, 0);

  // An interval below one minute never engages.
  LockInterval = 0;
  minutes(3);
  LockInterval = -5;
  minutes(3);
  EXPECT_TRUE(commands.empty());

  // While the message waits for the user the timer fires on: no second
  // lock and no second message.
  LockInterval = 1;
  lockResult = stopResult = false;
  platform::setMsgBoxHandler([this](const std::string& p, int b, const std::string& t) {
    messages.push_back({p, b, t});
    minutes(3);
    return static_cast<int>(platform::vbOK);
  });
  minutes(1);
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});
  EXPECT_EQ(messages.size(), 1u);
  minutes(1);
  EXPECT_EQ(commands.size(), 2u);  // once it was answered, the next minute engages again
}

TEST_F(TimerForm, TheAutomaticLockPassesTheLoginGateAndReportsAFailure) {
  strPassword = "secret";
  blnLoggedIn = false;
  LockMode = true;
  LockInterval = 1;
  stopResult = false;
  ticks({{0, 0}});
  minutes(1);
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});
  EXPECT_EQ(gateOpen, std::vector<bool>{true});
  EXPECT_FALSE(blnLoggedIn);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "All traffic to and from your computer could not be stopped.");
  EXPECT_EQ(messages[0].buttons, platform::vbExclamation);

  // The tray menu's own commands still go through the gate.
  form->mnuSysTrayStopAll->trigger();
  EXPECT_EQ(gateOpen, (std::vector<bool>{true, false}));
}

TEST_F(TimerForm, RecentTrafficOrTheScreenSaverModeHoldTheLockBack) {
  LockMode = true;
  LockInterval = 1;
  ticks({{0, 0}, {10, 0}});
  minutes(1);
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(intIdleMinutes, 1);

  // With the screen-saver mode the minutes are not counted.
  LockMode = false;
  LockInterval = 2;
  ticks({{10, 0}});
  intIdleMinutes = 0;
  minutes(5);
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(intIdleMinutes, 0);
}

TEST_F(TimerForm, WithTheShippedSettingsTheLockIsOnAndStopsTrafficAfterTenIdleMinutes) {
  // The settings as start-up loads them from the shipped files.
  ASSERT_TRUE(setPassword(""));
  InitAllPath();
  EXPECT_TRUE(AutomaticLock);
  EXPECT_EQ(AutomaticLockText(AutomaticLock), "On");
  ticks({{0, 0}});
  minutes(9);
  EXPECT_TRUE(commands.empty());
  minutes(1);
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "All traffic to and from your computer is stopped." + kApplyAgain);
}

TEST_F(TimerForm, ExitWithoutAPasswordRestoresTheDefaultRulesAndEnds) {
  installNetStub();
  int flushed = 0;
  hooks::FlushAlertQueue = [&] { ++flushed; };
  EXPECT_THROW(form->mnuSysTrayExit->trigger(), ProgramEnded);
  EXPECT_EQ(flushed, 1);
  EXPECT_EQ(readText("System32/net.calls"), "stop mvs\n");
  EXPECT_NE(readText("System32/drivers/etc/mvd.conf").find("_Default=LocalNet NetBios UDPAllow Blocked Trusted Internet"),
            std::string::npos);
  EXPECT_TRUE(messages.empty());
}

TEST_F(TimerForm, ExitWithAPasswordAsksForItEvenAfterALogin) {
  installNetStub();
  strPassword = "secret";
  blnLoggedIn = true;
  answerLogin("");
  form->mnuSysTrayExit->trigger();
  EXPECT_FALSE(blnLoggedIn);
  EXPECT_FALSE(fs::exists(native("System32/net.calls")));
  EXPECT_FALSE(fs::exists(native("System32/drivers/etc/mvd.conf")));

  answerLogin("secret");
  EXPECT_THROW(form->mnuSysTrayExit->trigger(), ProgramEnded);
  EXPECT_EQ(readText("System32/net.calls"), "stop mvs\n");

  // Not while an Apply, Lock or Stop is under way.
  blnApplying = true;
  form->mnuSysTrayExit->trigger();
  EXPECT_EQ(readText("System32/net.calls"), "stop mvs\n");
}

TEST_F(TimerForm, WithoutATrayTheMainWindowStaysReachable) {
  EXPECT_FALSE(SystemTrayAvailable());  // the offscreen desktop has no tray
  EXPECT_EQ(form->SystemTrayIcon, nullptr);
  ASSERT_TRUE(hooks::TrayPresent);
  EXPECT_FALSE(hooks::TrayPresent());

  // Its close box runs Exit, here refused at the password.
  strPassword = "secret";
  MDIMain* main = MDIMainForm();
  ASSERT_TRUE(main->isVisible());
  answerLogin("");
  main->close();
  EXPECT_EQ(MDIMainIfLoaded(), main);
  EXPECT_TRUE(main->isVisible());
}

TEST_F(TimerForm, TheTrayShowsAndHidesTheMainWindow) {
  form->TrayIcon_LeftClick();
  MDIMain* main = MDIMainIfLoaded();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isVisible());
  form->mnuSysTrayHide->trigger();
  EXPECT_FALSE(main->isVisible());
  form->mnuSysTrayShow->trigger();
  EXPECT_TRUE(main->isVisible());
  main->showMinimized();
  form->TrayIcon_LeftClick();
  EXPECT_FALSE(main->isMinimized());
}

// The screen-saver mode, with a screen saver on a session bus of the test's
// own: the bus runs (and the screen saver answers, where a test puts one)
// before the form is loaded.
class ScreenSaverLock : public TimerForm {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus.address.isEmpty());
    startScreenSaver();
    TimerForm::SetUp();
  }
  void beforeLoad() override {
    LockMode = !screenSaverMode;
    LockInterval = 1;
  }
  void TearDown() override {
    TimerForm::TearDown();
    saver.reset();
  }
  virtual void startScreenSaver() {
    saver = std::make_unique<TestScreenSaver>(bus.address, "/org/freedesktop/ScreenSaver", false);
    ASSERT_TRUE(saver->registered());
  }

  // Starts the screen saver; true once a lock command has run.
  bool screenSaverStarts() {
    saver->setActive(true);
    return waitFor([&] { return !commands.empty(); });
  }

  bool screenSaverMode = true;  // the lock's mode when the form loads
  PrivateSessionBus bus;
  std::unique_ptr<TestScreenSaver> saver;
};

TEST_F(ScreenSaverLock, TheLockEngagesWhenTheScreenSaverStarts) {
  EngagesMode = true;
  // The form asks at its start, and the lock minutes ask again: an idle
  // screen saver holds the lock back however long the wait.
  ASSERT_TRUE(waitFor([&] { return saver->asked() >= 1; }));
  minutes(3);
  ASSERT_TRUE(waitFor([&] { return saver->asked() >= 4; }));
  EXPECT_TRUE(commands.empty());

  // It starts: the lock engages at once, without waiting for the minute.
  ASSERT_TRUE(screenSaverStarts());
  EXPECT_EQ(commands, std::vector<std::string>{"Lock"});
  EXPECT_EQ(gateOpen, std::vector<bool>{true});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "All traffic to and from your computer is locked." + kApplyAgain);
  EXPECT_EQ(intIdleMinutes, 0);
}

TEST_F(ScreenSaverLock, TrafficDoesNotHoldTheScreenSaverLockBack) {
  ASSERT_TRUE(waitFor([&] { return saver->asked() >= 1; }));
  // Traffic flows at every read tick: the screen saver's start locks all the same.
  ticks({{100, 100}, {200, 300}});
  ASSERT_TRUE(screenSaverStarts());
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});

  // And so does the lock minute while the screen saver runs on.
  ticks({{300, 400}});
  minutes(1);
  EXPECT_EQ(commands, (std::vector<std::string>{"Stop", "Stop"}));
}

class IdleModeLock : public ScreenSaverLock {
 protected:
  IdleModeLock() { screenSaverMode = false; }
};

TEST_F(IdleModeLock, TheScreenSaverIsFollowedOnlyOnceItsModeIsChosen) {
  LockInterval = 10;
  ticks({{0, 0}});
  minutes(2);
  EXPECT_EQ(form->ScreenSaver, nullptr);

  // The mode chosen while the program runs: its first minute asks, and the
  // screen saver's start locks from then on.
  LockMode = false;
  minutes(1);
  ASSERT_TRUE(waitFor([&] { return saver->asked() >= 1; }));
  EXPECT_TRUE(commands.empty());
  ASSERT_TRUE(screenSaverStarts());
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});
}

class RunningScreenSaverLock : public ScreenSaverLock {
 protected:
  // Served at the object some desktops use, and running already.
  void startScreenSaver() override {
    saver = std::make_unique<TestScreenSaver>(bus.address, "/ScreenSaver", true);
    ASSERT_TRUE(saver->registered());
  }
};

TEST_F(RunningScreenSaverLock, AScreenSaverRunningAtTheStartStopsTrafficOnceItAnswers) {
  ASSERT_TRUE(waitFor([&] { return !commands.empty(); }));
  EXPECT_EQ(commands, std::vector<std::string>{"Stop"});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "All traffic to and from your computer is stopped." + kApplyAgain);

  // The idle-minutes mode does not look at the screen saver.
  commands.clear();
  LockMode = true;
  LockInterval = 5;
  minutes(1);
  EXPECT_TRUE(commands.empty());
}

// The screen-saver mode on a session bus still busy when the form loads (a
// log-in's bus, when the program starts with the session): the screen saver
// is there, but the bus answers nobody for the first seconds.
class SlowSessionBusLock : public ScreenSaverLock {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus.address.isEmpty());
    startScreenSaver();
    ASSERT_TRUE(bus.stop());
    TimerForm::SetUp();
  }
};

TEST_F(SlowSessionBusLock, TheLockEngagesWhenTheScreenSaverStartsAfterTheBusAnswers) {
  EngagesMode = true;
  // The bus answers three seconds after the start: the form's one question
  // has been answered with no screen saver by then.
  QElapsedTimer clock;
  clock.start();
  waitFor([&] { return clock.elapsed() >= 3000; });
  bus.resume();
  // Without a lock minute the screen saver is followed within seconds.
  ASSERT_TRUE(waitFor([&] { return saver->asked() >= 1; }));
  EXPECT_TRUE(commands.empty());
  ASSERT_TRUE(screenSaverStarts());
  EXPECT_EQ(commands, std::vector<std::string>{"Lock"});
}

// Lets a stopped session bus run on when the test has not reached its end
// in time, so a window that waits for the bus fails the test instead of
// hanging it.
class BusWatchdog {
 public:
  explicit BusWatchdog(const PrivateSessionBus& bus)
      : thread_([this, &bus] {
          std::unique_lock lock(mutex_);
          if (!reached_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
            fired_ = true;
            bus.resume();
          }
        }) {}
  ~BusWatchdog() { finish(); }
  BusWatchdog(const BusWatchdog&) = delete;
  BusWatchdog& operator=(const BusWatchdog&) = delete;

  // Marks the end as reached; true when that was in time.
  bool finish() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    reached_.notify_all();
    if (thread_.joinable()) thread_.join();
    return !fired_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable reached_;
  bool done_ = false;
  bool fired_ = false;
  std::thread thread_;
};

// The screen-saver mode on a session bus whose daemon is stopped: it takes
// connections and answers nothing, as a hung desktop's bus does.
class StoppedSessionBus : public TimerForm {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus.address.isEmpty());
    ASSERT_TRUE(bus.stop());
    TimerForm::SetUp();
  }
  void beforeLoad() override {
    LockMode = false;
    LockInterval = 1;
    watchdog.emplace(bus);
  }
  void TearDown() override {
    watchdog.reset();
    TimerForm::TearDown();
  }

  PrivateSessionBus bus;
  std::optional<BusWatchdog> watchdog;
};

TEST_F(StoppedSessionBus, TheWindowAnswersAndTheLockWaitsForNoScreenSaver) {
  // As at the end of start-up: the main window shown, the timer form loaded.
  MDIMain* main = MDIMainForm();
  ASSERT_TRUE(main->isVisible());
  auto* program = qobject_cast<QToolButton*>(main->Toolbar1->widgetForAction(main->ToolbarButton("Program")));
  ASSERT_NE(program, nullptr);
  QTimer::singleShot(0, program, &QToolButton::click);
  EXPECT_TRUE(waitFor([&] { return main->StatusPanel4->text() == "Program control"; }));

  // The lock minutes go on as where no screen saver answers.
  minutes(2);
  EXPECT_TRUE(commands.empty());
  EXPECT_TRUE(watchdog->finish()) << "the window waited for the stopped session bus";
}

}  // namespace
}  // namespace mvtest
