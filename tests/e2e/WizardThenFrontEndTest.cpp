// The wizard writes a first configuration into a fresh program folder, and
// the front end starts on it: no repair message, the wizard's password asked
// for on Exit, and the wizard's programs in the engine's rule file.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <filesystem>
#include <map>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/frmLogin.h"
#include "tests/core/ModalDriver.h"
#include "tests/e2e/FrontEndFixture.h"
#include "tests/wizard/WizardFixture.h"
#include "zones/mdlCustomSettings.h"

namespace fs = std::filesystem;
using namespace mv;

class WizardThenFrontEnd : public mvtest::WizardTestOn<mvtest::FrontEndTest> {
 protected:
  // The text of the rule file between `head` and the next `stop`; "" when
  // the file has no such head.
  std::string ruleText(const std::string& head, const std::string& stop) const {
    const std::string text = readText("System32/drivers/etc/mvd.conf");
    size_t at = text.find(head);
    if (at == std::string::npos) return "";
    at += head.size();
    return text.substr(at, text.find(stop, at) - at);
  }
  // The number of the program's rule sections, from its line of the
  // program list ("path=LocalNet Blocked TrustedA<n> ...").
  std::string programSections(const std::string& path) const {
    return ruleText("\r\n" + path + "=LocalNet Blocked TrustedA", " ");
  }
  // The first rule of a section, without its line number.
  std::string firstRule(const std::string& section) const { return ruleText("[" + section + "]\r\n000=", "\r\n"); }
  // Ends the front end's run, so that it can start again in the same test.
  void stopFrontEnd() {
    UnloadMDIMain();
    delete TimerFormIfLoaded();
    platform::releaseSingleInstance();
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
