// The wizard writes a first configuration into a fresh program folder, and
// the front end starts on it: no repair message, the wizard's password asked
// for on Exit, and the wizard's programs in the engine's rule file.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <filesystem>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/frmLogin.h"
#include "tests/core/ModalDriver.h"
#include "tests/e2e/FrontEndFixture.h"
#include "tests/wizard/WizardFixture.h"

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
