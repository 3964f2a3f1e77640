// The wizard writes a first configuration into a fresh program folder, and
// the front end starts on it: no repair message, the wizard's password asked
// for on Exit, and the wizard's programs in the engine's rule file.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <filesystem>

#include "core/MDIMain.h"
#include "core/frmLogin.h"
#include "core/mdlLogin.h"
#include "alerts/frmTimeTemp.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "platform/Application.h"
#include "platform/Network.h"
#include "platform/ProcessList.h"
#include "platform/SingleInstance.h"
#include "tests/core/ModalDriver.h"
#include "tests/wizard/WizardFixture.h"

namespace fs = std::filesystem;
using namespace mv;

namespace {
struct ProgramEnded {};
}  // namespace

class WizardThenFrontEnd : public mvtest::WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    fs::copy_file(MV_NET_EXE, native("System32/net"));
    fs::copy_file(MV_PELLWORTH_EXE, native("Pellworth.exe"));
    fs::create_directories(native("Logs"));
    strPassword.clear();
    blnLoggedIn = false;
    blnStarted = false;
    platform::setEndProgramHandler([] { throw ProgramEnded{}; });
    platform::setInterfaceAddresses([] {
      return std::optional<std::vector<platform::InterfaceAddress>>(
          std::vector<platform::InterfaceAddress>{{{192, 168, 5, 20}, {255, 255, 255, 0}}});
    });
  }
  void TearDown() override {
    delete TimerFormIfLoaded();
    UnloadMDIMain();
    platform::setEndProgramHandler(nullptr);
    platform::setInterfaceAddresses(nullptr);
    platform::releaseSingleInstance();
    for (int pid : platform::findProcessesByPath(native("Pellworth.exe"))) platform::endProcess(pid);
    strPassword.clear();
    blnLoggedIn = false;
    blnStarted = false;
    WizardTest::TearDown();
  }
  std::string rules() const { return readText("System32/drivers/etc/mvd.conf"); }
  // The number of the program's rule sections, from its line of the
  // program list ("path=LocalNet Blocked TrustedA<n> ..."); "" when absent.
  std::string programSections(const std::string& path) const {
    const std::string text = rules(), head = "\r\n" + path + "=LocalNet Blocked TrustedA";
    size_t at = text.find(head);
    if (at == std::string::npos) return "";
    at += head.size();
    return text.substr(at, text.find(' ', at) - at);
  }
  // The first rule of a section, without its line number.
  std::string firstRule(const std::string& section) const {
    const std::string text = rules(), head = "[" + section + "]\r\n000=";
    size_t at = text.find(head);
    if (at == std::string::npos) return "";
    at += head.size();
    return text.substr(at, text.find("\r\n", at) - at);
  }
};

TEST_F(WizardThenFrontEnd, TheFrontEndStartsOnTheWizardsConfiguration) {
  const std::string mailer = program("apps/mailer"), server = program("apps/server");
  ASSERT_NE(start(), nullptr);
  click("cmdNext");
  control<QRadioButton>("optAlertDoNot")->click();
  click("cmdNext");
  type("txtPassword", "s3cret");
  type("txtConfirmPass", "s3cret");
  click("cmdNext");
  control<QRadioButton>("optAdvanceProgram")->click();
  click("cmdNext");
  chosenFiles = {mailer, server};
  click("cmdAdd");
  click("cmdAdd");
  programs()->setCurrentItem(programs()->topLevelItem(0));
  mouseClick(0, 1);
  form()->findChild<QAction*>("mnuAccessBlock")->trigger();
  programs()->setCurrentItem(programs()->topLevelItem(1));
  mouseClick(1, 2);
  form()->findChild<QAction*>("mnuServerAsk")->trigger();
  click("cmdNext");
  click("cmdNext");
  ASSERT_EQ(ended, 1);
  ASSERT_TRUE(messages.empty());
  delete form();

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
  EXPECT_THROW(MDIMainIfLoaded()->mnuExit_Click(), ProgramEnded);
  EXPECT_TRUE(asked);
}
