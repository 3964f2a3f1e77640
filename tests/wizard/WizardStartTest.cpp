// The wizard's start: the password store's checks, the login prompt, the
// captions from the language file, and its error-log line.
#include <QTimer>

#include "core/ErrorBoundary.h"
#include "core/Registry.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "tests/core/ModalDriver.h"
#include "tests/wizard/WizardFixture.h"
#include "wizard/frmLogin.h"

using namespace mv;
using mvtest::WizardTest;

namespace {

const std::string SetupKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string T1 = "Quiet fences hold night. ";
const std::string T2 = "Every gate keeps a ledger of rivers, roads, hills and harbors in the dusk. ";

QWidget* loginPrompt() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "frmLogin" && w->isVisible()) return w;
  return nullptr;
}

}  // namespace

class WizardStart : public WizardTest {
 protected:
  // Stores a password the way the front end does, then changes one copy.
  void storePassword(const std::string& password) { ASSERT_TRUE(setPassword(password)); }
  void setRegistryCopy(const std::string& scrambled) {
    platform::regSetValue(platform::HKEY_LOCAL_MACHINE, SetupKey, "MVPSD", {platform::REG_SZ, scrambled});
  }
};

TEST_F(WizardStart, AMissingPasswordFileEndsBeforeAnyWindowWithItsMessage) {
  std::filesystem::remove(native("System32/MVPSD.SYS"));
  EXPECT_EQ(start(), nullptr);
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Applicaation corrupted please reinstall it.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_EQ(messages[0].title, "Morvantis Startup");
}

TEST_F(WizardStart, CopiesThatDisagreeAreCorrupted) {
  // No registry value but a password in the file.
  storePassword("s3cret");
  platform::regDeleteValue(platform::HKEY_LOCAL_MACHINE, SetupKey, "MVPSD");
  EXPECT_EQ(start(), nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Morvantis Startup is corrupted.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  // A registry copy of another password.
  messages.clear();
  setRegistryCopy(EncryptString("other", PasswordKey));
  EXPECT_EQ(start(), nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Morvantis Startup is corrupted.");
  EXPECT_EQ(ended, 2);
}

TEST_F(WizardStart, APasswordFileTooShortOrOfMoreThanOneLineIsCorrupted) {
  for (const std::string& content :
       {std::string(), EncryptString(T1, PasswordKey) + "\r\n",
        EncryptString(T1 + T2, PasswordKey) + "\r\n" + "another line\r\n"}) {
    messages.clear();
    writeText("System32/MVPSD.SYS", content);
    EXPECT_FALSE(wizard::GetStoredPassword().has_value());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].prompt, "Morvantis Startup is corrupted.");
  }
}

TEST_F(WizardStart, AnEmptyPasswordOpensNoPromptAndTheWizardIsReady) {
  // No registry value at all and a file for the empty password.
  platform::regDeleteValue(platform::HKEY_LOCAL_MACHINE, SetupKey, "MVPSD");
  bool prompted = false;
  mvtest::ModalDriver driver(loginPrompt, [&] {
    prompted = true;
    loginPrompt()->close();
  });
  auto* f = start();
  ASSERT_NE(f, nullptr);
  QApplication::processEvents();
  EXPECT_FALSE(prompted);
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(wizard::strPassword, "");
  EXPECT_TRUE(messages.empty());
}

TEST_F(WizardStart, TheRightPasswordLogsInAndAWrongCaseIsRefused) {
  storePassword("s3cret");
  std::vector<std::string> tries = {"S3CRET", "s3cret"};
  std::vector<std::string> selectedAfterRefusal;
  mvtest::ModalDriver driver(loginPrompt, [&] {
    QWidget* prompt = loginPrompt();
    EXPECT_EQ(prompt->windowTitle().toStdString(), "Password");
    auto* box = prompt->findChild<QLineEdit*>("txtPassword");
    auto* ok = prompt->findChild<QPushButton*>("cmdOK");
    ASSERT_TRUE(box && ok);
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    for (const std::string& t : tries) {
      box->setText(QString::fromStdString(t));
      ok->click();
      if (prompt->isVisible()) selectedAfterRefusal.push_back(box->selectedText().toStdString());
    }
  });
  auto* f = start();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(driver.leftOpen, 0);
  EXPECT_TRUE(wizard::blnLoggedIn);
  EXPECT_EQ(ended, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Invalid password, please try again.");
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_EQ(messages[0].title, "Morvantis Startup");
  EXPECT_EQ(selectedAfterRefusal, std::vector<std::string>{"S3CRET"});
}

TEST_F(WizardStart, CancellingThePromptEndsTheWizardWithNothingWritten) {
  storePassword("s3cret");
  const std::string before = readText("Profiles/ProgramMain.MVL");
  mvtest::ModalDriver driver(loginPrompt, [&] { loginPrompt()->findChild<QPushButton*>("cmdCancel")->click(); });
  auto* f = start();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(wizard::blnLoggedIn);
  EXPECT_EQ(readText("Profiles/ProgramMain.MVL"), before);
}

TEST_F(WizardStart, CaptionsComeFromTheLanguageFile) {
  writeText("Lang/English.INI",
            "[Startup Wizard]\r\n5000=Set-up of the firewall\r\n5001=Go &on\r\n5003=&Stop\r\n"
            "5101=Hello\r\n5303=Alerts && more\r\n5404=not for text boxes\r\n5604=&Plus\r\n");
  auto* f = start();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle().toStdString(), "Set-up of the firewall");
  EXPECT_EQ(text("cmdNext"), "Go &on");
  EXPECT_EQ(text("cmdCancel"), "&Stop");
  // Key 5002 is missing: the default.
  EXPECT_EQ(text("cmdBack"), "< &Back");
  EXPECT_FALSE(control("cmdBack")->isEnabled());
  EXPECT_EQ(text("lbPage1Header"), "Hello");
  // Keys missing from the file keep the controls' own captions.
  EXPECT_EQ(text("lbPage1Header2"), "Welcome To Morvantis");
  EXPECT_EQ(text("lbPage3Header"), "Alerts & Logs");
  EXPECT_EQ(text("optAlertAlltime"), "Alerts && more");
  EXPECT_EQ(text("cmdAdd"), "&Plus");
  // A text box keeps its text even with a Tag in the file.
  EXPECT_EQ(text("txtPassword"), "");
}

TEST_F(WizardStart, WithoutTheLanguageSectionTheDefaultsStand) {
  writeText("Lang/English.INI", "; nothing for the wizard\r\n[Other]\r\n5001=Wrong\r\n");
  auto* f = start();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle().toStdString(), "Morvantis Startup");
  EXPECT_EQ(text("cmdNext"), "&Next >");
  EXPECT_EQ(text("cmdBack"), "< &Back");
  EXPECT_EQ(text("cmdCancel"), "&Cancel");
  EXPECT_EQ(text("lbPage1Header"), "Welcome to Morvantis");
  EXPECT_EQ(text("lbPage4Desc1"), "Please Enter your password. (Password must be at least 5 characters)");
  // The finish page names its button even so.
  toProgramsPage();
  click("cmdNext");
  EXPECT_EQ(text("cmdNext"), "&Finish");
}

TEST_F(WizardStart, TheShippedLanguageFileCarriesEveryCaption) {
  auto* f = start();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle().toStdString(), "Morvantis Startup");
  // No page keeps a placeholder of dashes.
  for (QLabel* label : f->findChildren<QLabel*>())
    EXPECT_EQ(label->text().toStdString().find("-----"), std::string::npos) << label->objectName().toStdString();
  EXPECT_EQ(text("lbPage5Desc"), "The programs & components listed below and need to access your network");
  EXPECT_EQ(text("optNoProgramAdd"), "No, Alert/Ask me later on when these programs will access my netwrok");
}

TEST_F(WizardStart, TheErrorLogLineHasTheWizardsLayout) {
  platform::setClock(platform::DateTime{2026, 3, 7, 9, 5, 2});
  // Once the paths are set, every error the program logs takes this layout,
  // whether the wizard's code or the shared code writes it.
  wizard::SetPaths();
  ErrorBoundary("ReloadProfiles of Module mdlMain", [] { throw RuntimeError(76, "Path not found"); });
  ErrorBoundary("saveStartupWizardSettings of frmStartupMain", [] { RaiseError(errOverflow); });
  EXPECT_EQ(readText("Err.log"),
            "ReloadProfiles of Module mdlMain:---->76,Path not found, On 07-03-2026 09:05:02\r\n"
            "saveStartupWizardSettings of frmStartupMain:---->6,Overflow, On 07-03-2026 09:05:02\r\n");
}
