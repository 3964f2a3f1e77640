// Start-ups on damaged program folders: settings files half written, garbled
// or unreadable, an unreadable password file, temporary files of killed
// writes; and the front end ended by a signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "core/mdlLogin.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "platform/ProfileText.h"
#include "tests/e2e/ProgramProcess.h"
#include "tests/support/FolderLockHolder.h"
#include "wizard/mdlMain.h"

using namespace mvtest;
using namespace mv;
namespace fs = std::filesystem;

namespace {

const std::string Locked =
    "Internet is locked.\r\nApplication setting has been corrupted.\r\nPlease redefine the settings.";

enum class Damage { HalfWritten, Garbled, Unreadable };

// Pseudo-random bytes, the same on every run, ending with a line end.
std::string garbage(unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(400, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes + "\r\n";
}

}  // namespace

class DamagedSettings : public FrontEndTest {
 protected:
  void damage(const std::string& name, Damage how, unsigned seed = 1) {
    const std::string rel = "Profiles/" + name;
    const std::string sound = readText(rel);
    ASSERT_FALSE(sound.empty()) << name;
    switch (how) {
      case Damage::HalfWritten: {
        // The write stopped inside a line.
        size_t cut = sound.size() / 2 + 1;
        while (cut < sound.size() && (sound[cut - 1] == '\n' || sound[cut - 1] == '\r')) ++cut;
        writeText(rel, sound.substr(0, cut));
        break;
      }
      case Damage::Garbled: writeText(rel, garbage(seed)); break;
      case Damage::Unreadable:
        fs::remove(native(rel));
        fs::create_directory(native(rel));
        break;
    }
    damaged = how == Damage::Unreadable ? std::string() : readText(rel);
  }
  // The file is sound again, as its default, and the damaged copy was kept.
  void expectRepaired(const std::string& name, Damage how) {
    const std::string rel = "Profiles/" + name;
    // Sound again (start-up itself may have written into it since).
    EXPECT_EQ(platform::profileTextDamage(readText(rel), BuiltinDefaultText(name)), "") << name;
    if (how == Damage::Unreadable)
      EXPECT_TRUE(fs::is_directory(native(rel + ".damaged"))) << name;
    else
      EXPECT_EQ(readText(rel + ".damaged"), damaged) << name;
    EXPECT_NE(readText("Err.log").find("Damaged settings file"), std::string::npos) << name;
  }
  std::string damaged;
};

TEST_F(DamagedSettings, EachHalfWrittenFileLocksTheInternetOnceAndIsRepaired) {
  for (const auto& name : varSettingsFiles) {
    SCOPED_TRACE(name);
    installDefaults();
    damage(name, Damage::HalfWritten);
    messages.clear();
    Main();
    ASSERT_TRUE(blnStarted);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].prompt, Locked);
    EXPECT_EQ(messages[0].buttons, platform::vbCritical);
    EXPECT_NE(ruleFile().find("_Default=LocalNet BlockedAll\r\n"), std::string::npos);
    EXPECT_EQ(ruleFile().find("[Trusted]"), std::string::npos);
    expectRepaired(name, Damage::HalfWritten);
    // The next start finds everything sound.
    UnloadMDIMain();
    delete TimerFormIfLoaded();
    platform::releaseSingleInstance();
    messages.clear();
    Main();
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(ruleFile().find("[Trusted]"), std::string::npos);
    UnloadMDIMain();
    delete TimerFormIfLoaded();
    platform::releaseSingleInstance();
    fs::remove_all(native("Profiles/" + name + ".damaged"));
  }
}

TEST_F(DamagedSettings, GarbledAndUnreadableFilesTakeTheRepairPath) {
  for (Damage how : {Damage::Garbled, Damage::Unreadable}) {
    for (const std::string name : {"MVDB.MVL", "ProgramMain.MVL"}) {
      SCOPED_TRACE(name);
      installDefaults();
      damage(name, how, 7);
      messages.clear();
      Main();
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].prompt, Locked);
      EXPECT_NE(ruleFile().find("_ProgramDefault=LocalNet BlockedAllProgram\r\n"), std::string::npos);
      expectRepaired(name, how);
      UnloadMDIMain();
      delete TimerFormIfLoaded();
      platform::releaseSingleInstance();
      fs::remove_all(native("Profiles/" + name + ".damaged"));
    }
  }
}

TEST_F(DamagedSettings, ARepairWhoseLockOfTheInternetCannotBeWrittenDoesNotSayItIsLocked) {
  installDefaults();
  damage("MVDB.MVL", Damage::Garbled);
  fs::remove(native("System32/drivers/etc/mvd.conf"));
  fs::create_directory(native("System32/drivers/etc/mvd.conf"));
  messages.clear();
  Main();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].prompt.rfind("The rules could not be saved in ", 0), 0u) << messages[0].prompt;
  EXPECT_EQ(messages[1].prompt, "Application setting has been corrupted.\r\nPlease redefine the settings.");
  EXPECT_FALSE(blnNetworkLocked);
}

TEST_F(DamagedSettings, EveryFileAndEveryDamageIsFoundAndEarlierCopiesAreKept) {
  installDefaults();
  unsigned seed = 1;
  for (Damage how : {Damage::HalfWritten, Damage::Garbled, Damage::Unreadable}) {
    for (const auto& name : varSettingsFiles) {
      SCOPED_TRACE(name);
      damage(name, how, ++seed);
      ASSERT_TRUE(checkIsMorvantisCorrupted());
      EXPECT_EQ(platform::profileTextDamage(readText("Profiles/" + name), BuiltinDefaultText(name)), "");
      EXPECT_FALSE(checkIsMorvantisCorrupted());
    }
  }
  // Three damaged copies of each file, none overwritten by a later one.
  for (const auto& name : varSettingsFiles) {
    EXPECT_TRUE(fs::exists(native("Profiles/" + name + ".damaged"))) << name;
    EXPECT_TRUE(fs::exists(native("Profiles/" + name + ".damaged-2"))) << name;
    EXPECT_TRUE(fs::is_directory(native("Profiles/" + name + ".damaged-3"))) << name;
  }
}

TEST_F(DamagedSettings, TheRepairBesideTheWizardStoringTheSettingsWaitsForItAndFindsNothingToRepair) {
  // No settings file yet; the wizard, in a process of its own, has taken the
  // folder's lock to store them all and has written none so far.
  for (const auto& name : varSettingsFiles) fs::remove(native("Profiles/" + name));
  FolderLockHolder wizardFinish([] {
    wizard::WizardChoices choices;
    choices.AlertChoice = 0;
    choices.ProgramChoice = 2;
    return wizard::saveStartupWizardSettings(choices).message.empty();
  });
  ASSERT_TRUE(wizardFinish.held());
  bool repaired = true;
  EXPECT_TRUE(releaseWhenAwaited(wizardFinish, [&] { repaired = checkIsMorvantisCorrupted(); }));
  // Nothing is taken for missing or damaged, and the wizard's files stay.
  EXPECT_FALSE(repaired);
  EXPECT_EQ(readText("Err.log").find("checkIsMorvantisCorrupted"), std::string::npos);
  platform::profileClearCache();
  EXPECT_EQ(ReadINI("Main", "AlertEvent", "", strAlertsSettingFile, true), "0");
}

TEST_F(DamagedSettings, AnUnreadablePasswordFileEndsTheProgramAsAMissingOne) {
  installDefaults();
  ASSERT_TRUE(setPassword("secret"));
  fs::remove(native("System32/MVPSD.SYS"));
  fs::create_directory(native("System32/MVPSD.SYS"));
  EXPECT_THROW(Main(), ProgramEnded);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Applicaation corrupted please reinstall it.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_FALSE(blnStarted);
}

TEST_F(DamagedSettings, TemporaryFilesOfKilledWritesAreRemovedAtStartAndNoOtherFiles) {
  installDefaults();
  pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  // A killed writer's file is held by nobody and older than a write's start.
  auto aged = [](const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    const struct timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
  };
  const std::string suffix = ".~" + std::to_string(ended);
  aged(native("Profiles/MVDB.MVL" + suffix), "[half");
  aged(native("System32/drivers/etc/mvd.conf" + suffix), "[half");
  aged(native("System32/MVPSD.SYS" + suffix), "half");
  writeText("Profiles/ProgramMain.MVL.~" + std::to_string(::getppid()), "a writer that still runs");
  // The log outside the program folder: beside it only its own temporary
  // files are ours.
  const std::string logs = folder + "-logs";
  ASSERT_TRUE(WriteINI("Main", "Path", logs + "/Alertlog.txt", strAlertsSettingFile, true));
  aged(logs + "/Alertlog.txt", "Log File\r\n");
  aged(logs + "/Alertlog.txt.~12", "half");
  aged(logs + "/notes.~12", "the user's");
  Main();
  ASSERT_TRUE(blnStarted);
  EXPECT_FALSE(fs::exists(native("Profiles/MVDB.MVL" + suffix)));
  EXPECT_FALSE(fs::exists(native("System32/drivers/etc/mvd.conf" + suffix)));
  EXPECT_FALSE(fs::exists(native("System32/MVPSD.SYS" + suffix)));
  EXPECT_TRUE(fs::exists(native("Profiles/ProgramMain.MVL.~" + std::to_string(::getppid()))));
  EXPECT_FALSE(fs::exists(logs + "/Alertlog.txt.~12"));
  EXPECT_EQ(mvtest::slurp(logs + "/notes.~12"), "the user's");
  EXPECT_TRUE(messages.empty());
  fs::remove_all(logs);
}

// The front end as its own process, ended by a signal.
class EndedBySignal : public ProgramProcess {};

TEST_F(EndedBySignal, EachSignalRestoresTheDefaultRulesAndEndsTheEngineProgram) {
  const std::string defaultRules = BuiltinDefaultText("DEFAULTRULE.CONF") + "\r\n";
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    start();
    ASSERT_TRUE(waitFor([&] { return running() && ruleFile().find("[_Options]") != std::string::npos; }));
    ASSERT_EQ(::kill(child, sig), 0);
    int status = waitForEnd();
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ruleFile(), defaultRules);
    EXPECT_TRUE(waitFor([&] { return platform::findProcessesByPath(native("Pellworth.exe")).empty(); }, 5));
    EXPECT_EQ(readText("System32/mvs.state").find("running"), std::string::npos);
  }
}

TEST_F(EndedBySignal, AStoredPasswordIsNotAskedForOnASignal) {
  ASSERT_TRUE(setPassword("secret"));
  start();
  ASSERT_TRUE(waitFor([&] { return running(); }));
  ASSERT_EQ(::kill(child, SIGTERM), 0);
  int status = waitForEnd();
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(ruleFile(), BuiltinDefaultText("DEFAULTRULE.CONF") + "\r\n");
}
