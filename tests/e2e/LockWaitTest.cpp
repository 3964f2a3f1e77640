// The folder's lock at its edges, beside another process: a record of an
// unfinished change that cannot be read is told as what it is and lets
// nothing be written, a timer's tick never waits for the lock, waits that
// run out do not pile up threads or descriptors, a user action waits once
// (its message boxes included) while the next one waits again, and a start
// beside a writer hung past its wait never takes the password for damaged.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "alerts/frmDisplay.h"
#include "alerts/frmTimeTemp.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "core/SettingsView.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/ChangeRecord.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "tests/e2e/FrontEndFixture.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/support/PausedWriter.h"
#include "tests/wizard/WizardFixture.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

// How many entries a folder of /proc/self holds (threads, descriptors).
size_t entries(const char* folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// The window's events run as the main loop runs them between two user
// actions, until they run idle.
void betweenUserActions() {
  QEventLoop loop;
  QTimer::singleShot(20, &loop, &QEventLoop::quit);
  loop.exec();
}

// While it lives, this thread opens files as a user does: a file's mode
// holds for it even where it runs as root (which may pass over modes).
class ModesHold {
 public:
  ModesHold() {
    if (::geteuid() != 0 || ::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct without[2] = {saved_[0], saved_[1]};
    without[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    dropped_ = ::syscall(SYS_capset, &header_, without) == 0;
  }
  ~ModesHold() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
  }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool dropped_ = false;
};


}  // namespace

class LockWait : public mvtest::WizardTestOn<mvtest::FrontEndTest> {
 protected:
  void TearDown() override {
    if (fs::exists(record())) ::chmod(record().c_str(), 0644);
    delete LoadedForm<frmDisplay>();
    mvtest::WizardTestOn<mvtest::FrontEndTest>::TearDown();
  }
  std::string record() const { return platform::profileChangeRecordPath(); }
  std::string master() const { return MasterFile(); }
  // Starts the front end; its timers are driven by the test.
  frmTimeTemp* started() {
    Main();
    frmTimeTemp* timer = TimerFormIfLoaded();
    if (timer) {
      timer->TimerReadEvent->stop();
      timer->PassLockTimer->stop();
    }
    return timer;
  }
  // The engine reports a packet of a program, as its event tool writes it.
  int packetEvent() {
    return engineEvent(FormatDate(Today(), "yyyymmdd"), {"0", "0", "1", "192.168.5.20:40000", "10.1.2.3:443",
                                                         "/opt/demo/app", "Allowed", "1", "40000", "443", "500"});
  }
  // Message boxes that stay up a moment, running the window's events as a
  // real one does until it is answered.
  void boxesRunEvents() {
    platform::setMsgBoxHandler([this](const std::string& prompt, int buttons, const std::string& title) {
      messages.push_back({prompt, buttons, title});
      QEventLoop loop;
      QTimer::singleShot(30, &loop, &QEventLoop::quit);
      loop.exec();
      return static_cast<int>(platform::vbOK);
    });
  }
};

TEST_F(LockWait, AStartBesideARecordThatCannotBeReadTellsSoAndNothingIsSavedUntilItCanBe) {
  writeText("Morvantis.change", "MORVANTIS CHANGE 1\nEND\n");
  ASSERT_EQ(::chmod(record().c_str(), 0), 0);
  ModesHold modes;
  const int fd = ::open(record().c_str(), O_RDONLY);
  if (fd >= 0) ::close(fd);
  ASSERT_LT(fd, 0) << "the record can be read";
  writeText("Err.log", "");
  const std::uint64_t waits = platform::folderLockWaits();
  ASSERT_NE(started(), nullptr);
  const std::string unread = "the record of an unfinished change (" + record() + ") cannot be read (Permission denied)";
  // Told at once, as what it is: no other program, no wait.
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].prompt.find("T" + unread.substr(1) + ".\r\nNo setting can be saved until it can be read"), 0u)
      << messages[0].prompt;
  EXPECT_EQ(platform::folderLockWaits(), waits);
  bool networksTold = false;
  for (const auto& m : messages) {
    EXPECT_EQ(m.prompt.find("did not finish within"), std::string::npos) << m.prompt;
    networksTold |= m.prompt == "The detected networks could not be saved: " + unread + ".";
  }
  EXPECT_TRUE(networksTold);
  // Logged once, not at every taking of the lock.
  const std::string log = readText("Err.log");
  size_t lines = 0;
  for (size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 1u) << log;
  EXPECT_NE(log.find("Permission denied"), std::string::npos) << log;
  // A write of the user's, also one nested in a holder of the lock, saves
  // nothing: the record's completion at a later start would undo it.
  const std::string before = readText("Profiles/MVDB.MVL");
  {
    platform::FolderWriteLock outer;
    EXPECT_FALSE(outer.held());
    EXPECT_FALSE(WriteINI("T", "a", "1", master(), false));
  }
  EXPECT_FALSE(WriteINI("T", "a", "1", master(), false));
  EXPECT_EQ(NotSavedText("The setting", master()), "The setting could not be saved: " + unread + ".");
  // A window that could not look at the files says why, not that another
  // program changed them.
  EXPECT_TRUE(SettingsOvertaken(SettingsSeenNow()));
  EXPECT_EQ(SettingsOvertakenText("nothing was changed"),
            "T" + unread.substr(1) + ", so nothing was changed.\r\nThe settings are shown again as they are now.");
  EXPECT_EQ(readText("Profiles/MVDB.MVL"), before);
  // Nor is a missing settings file made again from its default meanwhile.
  fs::remove(native("Profiles/Components.MVL"));
  EXPECT_TRUE(checkIsMorvantisCorrupted());
  EXPECT_FALSE(fs::exists(native("Profiles/Components.MVL")));
  EXPECT_EQ(readText("Err.log"), log);
}

TEST_F(LockWait, TicksBesideAHolderThatNeverLetsGoNeverWaitAndWaitsLeaveNoThreadsOrDescriptorsBehind) {
  frmTimeTemp* timer = started();
  ASSERT_NE(timer, nullptr);
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  const std::uint64_t waits = platform::folderLockWaits();
  const double counted = IPrograms + OPrograms;
  messages.clear();
  // An engine event at every tick: each one counts, and nothing waits. The
  // first ticks open what the reading keeps (the logs, the pop-up).
  auto tick = [&] {
    ASSERT_EQ(packetEvent(), 0);
    timer->TimerReadEvent_Timer();
  };
  for (int i = 0; i < 3; ++i) tick();
  const size_t threads = entries("/proc/self/task"), descriptors = entries("/proc/self/fd");
  for (int i = 0; i < 7; ++i) tick();
  EXPECT_EQ(platform::folderLockWaits(), waits);
  EXPECT_EQ(IPrograms + OPrograms, counted + 10);
  EXPECT_TRUE(messages.empty()) << messages[0].prompt;
  EXPECT_LE(entries("/proc/self/task"), threads);
  EXPECT_LE(entries("/proc/self/fd"), descriptors);
  // Nor does the automatic lock: while the folder is held it stays due,
  // and says nothing.
  AutomaticLock = LockMode = EngagesMode = true;
  LockInterval = 1;
  timer->PassLockTimer_Timer();
  EXPECT_TRUE(messages.empty()) << messages[0].prompt;
  EXPECT_FALSE(blnNetworkLocked);
  EXPECT_EQ(platform::folderLockWaits(), waits);
  // User actions whose waits run out, one after another, hold up one
  // thread and one descriptor at most.
  const size_t threadsBeforeWaits = entries("/proc/self/task"), descriptorsBeforeWaits = entries("/proc/self/fd");
  for (int i = 0; i < 5; ++i) {
    {
      platform::FolderWriteLock lock(std::chrono::milliseconds(20));
      EXPECT_FALSE(lock.held());
    }
    betweenUserActions();
  }
  EXPECT_EQ(platform::folderLockWaits(), waits + 5);
  EXPECT_LE(entries("/proc/self/task"), threadsBeforeWaits + 1);
  EXPECT_LE(entries("/proc/self/fd"), descriptorsBeforeWaits + 1);
  // Once the holder lets go, the next event's tick stores all it counted.
  EXPECT_TRUE(holder.release());
  betweenUserActions();
  ASSERT_EQ(packetEvent(), 0);
  timer->TimerReadEvent_Timer();
  platform::profileClearCache();
  EXPECT_EQ(Val(ReadINI("Main", "IPrograms", "", strAlertsSettingFile, true)) +
                Val(ReadINI("Main", "OPrograms", "", strAlertsSettingFile, true)),
            counted + 11);
}

TEST_F(LockWait, AClickHandledWhileATickLetsTheWindowsEventsRunWaitsAsTheUsersOwn) {
  ASSERT_TRUE(WriteINI("T", "a", "0", master(), false));
  boxesRunEvents();
  for (const bool inBox : {false, true}) {
    SCOPED_TRACE(inBox ? "in a message box the tick shows" : "between the tick's steps");
    std::optional<mvtest::FolderLockHolder> holder(std::in_place);
    ASSERT_TRUE(holder->held());
    const std::uint64_t waits = platform::folderLockWaits();
    const std::string value = inBox ? "2" : "1";
    bool stored = false;
    // A click waiting to be handled: it saves, and the other program ends
    // its write meanwhile.
    QTimer::singleShot(0, [&] {
      std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder->release();
      });
      stored = WriteINI("T", "a", value, master(), false);
      later.join();
    });
    {
      platform::BackgroundWork tick;
      if (inBox)
        platform::MsgBox("The tick tells something.", platform::vbOKOnly, AppTitle);
      else
        platform::pumpEvents();
    }
    EXPECT_TRUE(stored);
    EXPECT_EQ(platform::folderLockWaits(), waits + 1);
    platform::profileClearCache();
    EXPECT_EQ(ReadINI("T", "a", "", master(), false), value);
  }
}

TEST_F(LockWait, AnActionWaitsOnceAcrossItsMessageBoxTakesALockFreeByNowAndTheNextActionWaitsAgain) {
  ASSERT_TRUE(WriteINI("T", "a", "0", master(), false));
  boxesRunEvents();
  std::optional<mvtest::FolderLockHolder> holder(std::in_place);
  ASSERT_TRUE(holder->held());
  const std::uint64_t waits = platform::folderLockWaits();
  // The wait runs out, and the box that tells it runs the window's events.
  EXPECT_FALSE(setPassword("s3cret"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt,
            "The password could not be saved: another Morvantis program is saving the settings.\r\n"
            "The previous password is still in force.");
  // The rest of the action does not wait again.
  EXPECT_FALSE(WriteINI("T", "a", "1", master(), false));
  EXPECT_EQ(platform::folderLockWaits(), waits + 1);
  // A lock that is free by now is taken.
  EXPECT_TRUE(holder->release());
  EXPECT_TRUE(WriteINI("T", "a", "2", master(), false));
  // The next action waits again, and writes once the other program is done.
  betweenUserActions();
  holder.emplace();
  ASSERT_TRUE(holder->held());
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder->release();
  });
  EXPECT_TRUE(WriteINI("T", "a", "3", master(), false));
  later.join();
  EXPECT_EQ(platform::folderLockWaits(), waits + 2);
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "a", "", master(), false), "3");
}

TEST_F(LockWait, AnActionOfTheMainLoopWaitsOnceAcrossAModalWindowOfItsOwn) {
  mvtest::FolderLockHolder holder;
  ASSERT_TRUE(holder.held());
  const std::uint64_t waits = platform::folderLockWaits();
  QEventLoop mainLoop;
  QTimer::singleShot(0, &mainLoop, [&] {
    {
      platform::FolderWriteLock lock(std::chrono::milliseconds(20));
      EXPECT_FALSE(lock.held());
    }
    // A window of the action's own, answered a moment later.
    QDialog window;
    QTimer::singleShot(30, &window, &QDialog::accept);
    window.exec();
    {
      platform::FolderWriteLock lock(std::chrono::milliseconds(20));
      EXPECT_FALSE(lock.held());
    }
    EXPECT_EQ(platform::folderLockWaits(), waits + 1);
    EXPECT_TRUE(platform::folderLockRanOut());
    QTimer::singleShot(20, &mainLoop, &QEventLoop::quit);
  });
  mainLoop.exec();
  // The main loop ran idle: the action is over.
  EXPECT_FALSE(platform::folderLockRanOut());
}

TEST_F(LockWait, AStartBesideAWriterHungPastItsWaitNeverSaysThePasswordIsCorrupted) {
  ASSERT_TRUE(setPassword("old"));
  SetStartLockWait(std::chrono::milliseconds(200));
  for (const bool wizardStarts : {false, true}) {
    SCOPED_TRACE(wizardStarts ? "the wizard" : "the front end");
    // Its record, then the password file; there it stops, before the
    // registry's copy.
    const std::string password = wizardStarts ? "newer" : "new";
    mvtest::PausedWriter writer(2, [&] { return setPassword(password); });
    ASSERT_TRUE(writer.paused());
    messages.clear();
    FinishPendingChange();
    bool endedNow = false;
    if (wizardStarts) {
      endedNow = !wizard::GetStoredPassword();
    } else {
      try {
        static_cast<void>(getPassword());
      } catch (const mvtest::ProgramEnded&) {
        endedNow = true;
      }
    }
    EXPECT_TRUE(endedNow);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].prompt.find("Another Morvantis program is saving the settings and did not finish within"),
              0u);
    EXPECT_EQ(messages[1].prompt,
              "The password could not be read whole: another Morvantis program is saving the settings.\r\n"
              "Please start Morvantis again later.");
    writer.goOn();
    EXPECT_TRUE(writer.stored());
    betweenUserActions();
  }
}

TEST_F(LockWait, AFailureAfterAChangeLeftToBeCompletedIsNotToldAsOneThatWillBe) {
  ASSERT_TRUE(WriteINI("T", "a", "0", master(), false));
  ASSERT_TRUE(WriteINI("T", "b", "0", strAlertsSettingFile, false));
  // After its record and first file nothing can be written: the change
  // stays on disk, to be completed.
  platform::setProfileFileWriter([left = 2](const std::string& native, const std::string& bytes) mutable {
    return left-- > 0 && platform::writeNativeFileAtomic(native, bytes);
  });
  EXPECT_FALSE(StoreTogether([&] {
    return WriteINI("T", "a", "1", master(), false) && WriteINI("T", "b", "1", strAlertsSettingFile, false);
  }));
  platform::setProfileFileWriter(nullptr);
  EXPECT_EQ(NotSavedText("The setting", strAlertsSettingFile),
            "The setting could not be saved in " + platform::resolvePath(strAlertsSettingFile) + ".\r\n" +
                kCompletedLater);
  // The next write completes it first; its own failure (in a file the
  // change did not touch) is only its own.
  ASSERT_TRUE(WriteINI("T", "c", "0", strProgramControlFile, false));
  ASSERT_TRUE(platform::setReadOnly(strProgramControlFile, true));
  EXPECT_FALSE(WriteINI("T", "c", "2", strProgramControlFile, false));
  EXPECT_EQ(NotSavedText("The setting", strProgramControlFile),
            "The setting could not be saved in " + platform::resolvePath(strProgramControlFile) + ".");
  ASSERT_TRUE(platform::setReadOnly(strProgramControlFile, false));
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("T", "b", "", strAlertsSettingFile, false), "1");
}
