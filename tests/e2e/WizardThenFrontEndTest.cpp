// The wizard writes a first configuration into a fresh program folder, and
// the front end starts on it: no repair message, the wizard's password asked
// for on Exit, and the wizard's programs in the engine's rule file. The two
// programs take turns: a Finish writes nothing while the front end runs, and
// a front end started during a Finish starts on the whole of it.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <filesystem>
#include <map>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/frmLogin.h"
#include "tests/core/ModalDriver.h"
#include "tests/e2e/FrontEndFixture.h"
#include "tests/e2e/ProgramProcess.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/support/PausedWriter.h"
#include "tests/wizard/WizardFixture.h"
#include "zones/mdlCustomSettings.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {

// The text of a rule file between `head` and the next `stop`; "" when the
// file has no such head.
std::string ruleText(const std::string& rules, const std::string& head, const std::string& stop) {
  size_t at = rules.find(head);
  if (at == std::string::npos) return "";
  at += head.size();
  return rules.substr(at, rules.find(stop, at) - at);
}
// The number of the program's rule sections, from its line of the program
// list ("path=LocalNet Blocked TrustedA<n> ...").
std::string programSections(const std::string& rules, const std::string& path) {
  return ruleText(rules, "\r\n" + path + "=LocalNet Blocked TrustedA", " ");
}
// The first rule of a section, without its line number.
std::string firstRule(const std::string& rules, const std::string& section) {
  return ruleText(rules, "[" + section + "]\r\n000=", "\r\n");
}

}  // namespace

class WizardThenFrontEnd : public mvtest::WizardTestOn<mvtest::FrontEndTest> {
 protected:
  std::string programSections(const std::string& path) const {
    return ::programSections(readText("System32/drivers/etc/mvd.conf"), path);
  }
  std::string firstRule(const std::string& section) const {
    return ::firstRule(readText("System32/drivers/etc/mvd.conf"), section);
  }
  // Ends the front end's run, so that it can start again in the same test.
  void stopFrontEnd() {
    UnloadMDIMain();
    delete TimerFormIfLoaded();
    platform::releaseSingleInstance();
  }
};

// The wizard in this process, the front end as a process of its own on the
// same folder.
class WizardBesideTheFrontEnd : public mvtest::WizardTestOn<mvtest::ProgramProcess> {
 protected:
  void startFrontEnd() { mvtest::ProgramProcess::start(); }
  // Ends the front end as a signal does (its Exit, with no password).
  void endFrontEnd() {
    ASSERT_EQ(::kill(child, SIGTERM), 0);
    const int status = waitForEnd();
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  }
  // Every settings file, the password file and the registry file, by name.
  std::map<std::string, std::string> settings() const {
    std::map<std::string, std::string> files;
    for (const std::string& name : varSettingsFiles) files[name] = readText("Profiles/" + name);
    files["MVPSD.SYS"] = readText("System32/MVPSD.SYS");
    files["registry"] = readText("System32/config/registry");
    return files;
  }
};

TEST_F(WizardThenFrontEnd, TheFrontEndStartsOnTheWizardsConfiguration) {
  const std::string mailer = program("apps/mailer"), server = program("apps/server");
  ASSERT_NE(start(), nullptr);
  chooseTwoPrograms(mailer, server, "s3cret");
  click("cmdNext");
  ASSERT_EQ(ended, 1);
  ASSERT_TRUE(messages.empty());
  delete form();
  // The front end is a program of its own: nothing of the wizard's run stays.
  wizard::ResetWizardGlobals();

  // The front end's start-up on the same folder.
  Main();
  ASSERT_TRUE(blnStarted);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(strPassword, "s3cret");
  EXPECT_EQ(AlertEvent, 0);
  // Each program has its own rule sections, with its rights.
  const std::string blocked = programSections(mailer), asking = programSections(server);
  ASSERT_FALSE(blocked.empty());
  ASSERT_FALSE(asking.empty());
  EXPECT_EQ(firstRule("InternetA" + blocked), "DENY TCP OUT FROM ANY TO ANY LOG I");
  EXPECT_EQ(firstRule("InternetS" + blocked), "DENY TCP IN FROM ANY TO ANY LOG I");
  EXPECT_EQ(firstRule("InternetA" + asking), "ALLOW TCP OUT FROM ANY TO ANY LOG I");
  EXPECT_EQ(firstRule("InternetS" + asking), "ASK TCP IN FROM ANY TO ANY LOG I");

  // Exit asks for the wizard's password.
  bool asked = false;
  mvtest::ModalDriver login([] { return static_cast<QWidget*>(LoginFormIfLoaded()); }, [&] {
    asked = true;
    frmLogin* f = LoginFormIfLoaded();
    f->findChild<QLineEdit*>("txtPassword")->setText("s3cret");
    f->findChild<QPushButton*>("cmdOk")->click();
  });
  EXPECT_THROW(MDIMainIfLoaded()->mnuExit_Click(), mvtest::ProgramEnded);
  EXPECT_TRUE(asked);
}

// A Finish ended after any number of its writes (a writer that lets them
// through and fails the rest stands for the end of the program there), then
// the front end's start: the custom settings it shows, the rule file, the
// alert switch, the password and the programs are all as before the Finish
// or all as chosen.
TEST_F(WizardThenFrontEnd, AFinishEndedAfterAnyWriteStartsAsBeforeOrAsChosen) {
  const std::string mailer = program("apps/mailer"), server = program("apps/server");
  // Before: the Internet zone allows incoming TCP 8080 (a ticked row).
  Main();
  ASSERT_TRUE(blnStarted);
  auto rows = LoadCustomRows(CustomList::HighInternet);
  rows[11].Checked = true;
  rows[11].Text = WithPorts(rows[11].Text, "8080");
  rows[11].Tag = true;
  ASSERT_TRUE(SaveChanges({{CustomList::HighInternet, true, &rows}}));
  stopFrontEnd();
  std::map<std::string, std::string> before;
  for (const std::string& name : varSettingsFiles) before["Profiles/" + name] = readText("Profiles/" + name);
  for (const char* name : {"System32/MVPSD.SYS", "System32/config/registry"}) before[name] = readText(name);

  int writes = 0;
  bool beforeSeen = false, afterSeen = false;
  for (int done = 0; done <= writes; ++done) {
    SCOPED_TRACE("ended after " + std::to_string(done) + " writes");
    for (const auto& [name, bytes] : before) writeText(name, bytes);
    platform::profileClearCache();
    ended = 0;
    wizard::setEndWizardHandler([this] { ++ended; });
    ASSERT_NE(start(), nullptr);
    chooseTwoPrograms(mailer, server, "s3cret");
    if (done == 0) {
      // The whole Finish, counted.
      platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
        ++writes;
        return platform::writeNativeFileAtomic(native, bytes);
      });
    } else {
      platform::setProfileFileWriter([left = done](const std::string& native, const std::string& bytes) mutable {
        return left-- > 0 && platform::writeNativeFileAtomic(native, bytes);
      });
    }
    click("cmdNext");
    platform::setProfileFileWriter(nullptr);
    delete form();
    wizard::ResetWizardGlobals();

    messages.clear();
    blnStarted = false;
    Main();
    ASSERT_TRUE(blnStarted);
    EXPECT_TRUE(messages.empty());
    const bool chosen = !programSections(mailer).empty();
    (chosen ? afterSeen : beforeSeen) = true;
    const CustomRow tcpIn = LoadCustomRows(CustomList::HighInternet)[11];
    EXPECT_EQ(tcpIn.Checked, !chosen);
    EXPECT_EQ(PortsOfRow(tcpIn.Text), chosen ? "(none selected)" : "8080");
    EXPECT_EQ(readText("System32/drivers/etc/mvd.conf").find(":8080 ") == std::string::npos, chosen);
    EXPECT_EQ(AlertEvent, chosen ? 0 : 1);
    EXPECT_EQ(strPassword, chosen ? "s3cret" : "");
    stopFrontEnd();
  }
  EXPECT_GT(writes, 2);
  EXPECT_TRUE(beforeSeen && afterSeen);
}

TEST_F(WizardBesideTheFrontEnd, AFinishWritesNothingWhileTheFrontEndRunsAndStoresOnceItEnded) {
  const std::string mailer = program("apps/mailer"), server = program("apps/server");
  ASSERT_NE(start(), nullptr);
  chooseTwoPrograms(mailer, server, "s3cret");
  const std::vector<std::vector<std::string>> chosen = {row(0), row(1)};
  startFrontEnd();
  ASSERT_TRUE(waitFor([&] { return running(); }));
  const auto before = settings();

  click("cmdNext");
  EXPECT_EQ(ended, 0);
  const auto after = settings();
  for (const auto& [name, bytes] : before) EXPECT_TRUE(after.at(name) == bytes) << name << " was written";
  EXPECT_FALSE(std::filesystem::exists(platform::profileChangeRecordPath()));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("Morvantis is running on these settings"), std::string::npos);
  EXPECT_NE(messages[0].prompt.find("Please exit Morvantis first (Exit in the menu of its icon in the system tray, "
                                    "or File > Exit in its window), then press Finish again."),
            std::string::npos);
  EXPECT_EQ(messages[0].buttons, platform::vbExclamation);
  EXPECT_EQ(messages[0].title, "Morvantis Startup");
  // The finish page stays, with every choice.
  EXPECT_EQ(shownPage(), 9);
  EXPECT_EQ((std::vector<std::vector<std::string>>{row(0), row(1)}), chosen);
  // The front end goes on: the wizard ends no program.
  EXPECT_TRUE(running());
  EXPECT_EQ(::waitpid(child, nullptr, WNOHANG), 0);

  endFrontEnd();
  click("cmdNext");
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(messages.size(), 1u);
  platform::profileClearCache();
  EXPECT_EQ(wizard::GetStoredPassword(), std::optional<std::string>("s3cret"));
  EXPECT_EQ(ReadINI("Main", "AlertEvent", "", strAlertsSettingFile, true), "0");
  EXPECT_EQ(ReadINI(chosen[0][0], "Path", "", strProgramControlFile, true), mailer);
  EXPECT_EQ(ReadINI(chosen[1][0], "Path", "", strProgramControlFile, true), server);
}

TEST_F(WizardBesideTheFrontEnd, AFrontEndStartedDuringAFinishWaitsAndStartsOnTheWholeConfiguration) {
  const std::string mailer = program("apps/mailer"), server = program("apps/server");
  wizard::SetPaths();
  wizard::WizardChoices choices;
  choices.AlertChoice = 0;
  choices.NewPassword = "s3cret";
  choices.ProgramChoice = 3;
  choices.programs = {{"Mailer", mailer, "Block", "Allow", ""}, {"Server", server, "Allow", "Ask", ""}};
  // The wizard's process stops its Finish after the record and the first
  // settings file, the programs' file still to come.
  mvtest::PausedWriter finish(2, [&] { return wizard::saveStartupWizardSettings(choices).message.empty(); });
  ASSERT_TRUE(finish.paused());
  startFrontEnd();
  // The front end holds its own lock and waits for the folder's.
  ASSERT_TRUE(mvtest::untilItWaitsForTheLockOn(child, platform::programFolder()));
  EXPECT_TRUE(platform::instanceRunning(AppEXEName));
  finish.goOn();
  // The Finish began before the front end: it is stored whole.
  EXPECT_TRUE(finish.stored());
  ASSERT_TRUE(waitFor([&] { return running(); }));
  // The rule file the front end built is the wizard's whole configuration.
  const std::string rules = readText("System32/drivers/etc/mvd.conf");
  const std::string blocked = programSections(rules, mailer), asking = programSections(rules, server);
  ASSERT_FALSE(blocked.empty());
  ASSERT_FALSE(asking.empty());
  EXPECT_EQ(firstRule(rules, "InternetA" + blocked), "DENY TCP OUT FROM ANY TO ANY LOG I");
  EXPECT_EQ(firstRule(rules, "InternetS" + asking), "ASK TCP IN FROM ANY TO ANY LOG I");
  endFrontEnd();
}
