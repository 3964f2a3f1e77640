// The settings password: its two stored copies, the checks at start-up, the
// storage guard, the login gate with its window, and the set-password window.
#include <QLineEdit>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/Registry.h"
#include "core/frmLogin.h"
#include "core/frmSetPassword.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "platform/Registry.h"
#include "tests/core/ModalDriver.h"
#include "tests/support/FolderLockHolder.h"
#include "tests/support/TestEnv.h"

#include <unistd.h>

namespace {

using namespace mv;

struct ProgramEnded {};

const std::string Key = "KXN 4718";
const std::string T1 = "Quiet fences hold night. ";
const std::string T2 = "Every gate keeps a ledger of rivers, roads, hills and harbors in the dusk. ";
const std::string SetupKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string PasswordFile = "System32/MVPSD.SYS";
const std::string Corrupted = "Password is corrupted.\r\nPlease reinstall the Morvantis";

class PasswordTest : public mvtest::ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    strPassword.clear();
    blnLoggedIn = false;
    platform::setEndProgramHandler([] { throw ProgramEnded{}; });
  }
  void TearDown() override {
    platform::setEndProgramHandler(nullptr);
    strPassword.clear();
    blnLoggedIn = false;
    ProgramFolderTest::TearDown();
  }

  // Both copies as the store keeps them, written directly.
  void storeCopies(const std::string& filePassword, const std::string& registryPassword) {
    writeText(PasswordFile, EncryptString(T1 + filePassword + T2, Key) + "\r\n");
    std::string copy = EncryptString(registryPassword, Key);
    EXPECT_TRUE(SetRegValue(platform::HKEY_LOCAL_MACHINE, SetupKey, "MVPSD", copy));
  }
  std::optional<std::string> registryCopy() const {
    platform::RegValue value;
    if (platform::regQueryValue(platform::HKEY_LOCAL_MACHINE, SetupKey, "MVPSD", value) != platform::ERROR_SUCCESS)
      return std::nullopt;
    return value.data;
  }
  // Exactly one message box was shown, titled with the application title,
  // with these buttons and icon and, when given, this text.
  void expectOneMessage(int buttons, const std::optional<std::string>& prompt = std::nullopt) {
    ASSERT_EQ(messages.size(), 1u);
    if (prompt) {
      EXPECT_EQ(messages[0].prompt, *prompt);
    }
    EXPECT_EQ(messages[0].buttons, buttons);
    EXPECT_EQ(messages[0].title, "Morvantis");
  }
  // getPassword must end the program with this message.
  void expectEndWith(const std::string& message) {
    EXPECT_THROW(getPassword(), ProgramEnded);
    expectOneMessage(platform::vbCritical, message);
  }
  // Makes every write of the registry fail while reads go on working: the
  // store's temporary file cannot be created.
  void blockRegistryWrites() {
    std::filesystem::create_directories(native("System32/config/registry.~" + std::to_string(::getpid())));
  }
};

// ---------------------------------------------------------------------------
// The two copies.

TEST_F(PasswordTest, SetAndChangeWriteTheFileLineOf100PlusNAndTheRegistryCopy) {
  ASSERT_TRUE(setPassword("Secret7"));
  const std::string line = EncryptString(T1 + "Secret7" + T2, Key);
  EXPECT_EQ(line.size(), 107u);
  EXPECT_EQ(readText(PasswordFile), line + "\r\n");
  EXPECT_EQ(registryCopy(), EncryptString("Secret7", Key));
  EXPECT_EQ(registryCopy()->size(), 7u);
  EXPECT_EQ(getPassword(), "Secret7");
  // A change rewrites the whole line.
  ASSERT_TRUE(setPassword("ab"));
  EXPECT_EQ(readText(PasswordFile).size(), 102u + 2u);
  EXPECT_EQ(getPassword(), "ab");
  EXPECT_TRUE(messages.empty());
}

TEST_F(PasswordTest, ClearWritesTheEmptyLineAndAnEmptyRegistryValue) {
  ASSERT_TRUE(setPassword("old"));
  ASSERT_TRUE(setPassword(""));
  EXPECT_EQ(readText(PasswordFile), EncryptString(T1 + T2, Key) + "\r\n");
  EXPECT_EQ(readText(PasswordFile).size(), 100u + 2u);
  EXPECT_EQ(registryCopy(), std::string());
  EXPECT_EQ(getPassword(), "");
}

TEST_F(PasswordTest, BlanksInsideAndAroundThePasswordSurviveBothCopies) {
  ASSERT_TRUE(setPassword(" two words "));
  EXPECT_EQ(getPassword(), " two words ");
}

// ---------------------------------------------------------------------------
// Checks at start-up.

TEST_F(PasswordTest, MissingFileEndsTheProgram) {
  expectEndWith("Applicaation corrupted please reinstall it.");
}

TEST_F(PasswordTest, CopiesThatDisagreeEndTheProgram) {
  storeCopies("abc", "abd");
  expectEndWith(Corrupted);
}

TEST_F(PasswordTest, CopiesCompareCaseSensitively) {
  storeCopies("abc", "ABC");
  expectEndWith(Corrupted);
}

TEST_F(PasswordTest, MissingRegistryValueWhileTheFileHoldsAPasswordEndsTheProgram) {
  writeText(PasswordFile, EncryptString(T1 + "pw" + T2, Key) + "\r\n");
  expectEndWith(Corrupted);
}

TEST_F(PasswordTest, MissingRegistryValueWithTheEmptyPasswordRuns) {
  writeText(PasswordFile, EncryptString(T1 + T2, Key) + "\r\n");
  EXPECT_EQ(getPassword(), "");
  EXPECT_TRUE(messages.empty());
}

TEST_F(PasswordTest, LineTooShortForTheFillerTextsEndsTheProgram) {
  storeCopies("", "");
  std::string line = EncryptString(T1 + T2, Key);
  writeText(PasswordFile, line.substr(0, 99) + "\r\n");
  expectEndWith(Corrupted);
}

TEST_F(PasswordTest, EmptyFileEndsTheProgram) {
  writeText(PasswordFile, "");
  expectEndWith(Corrupted);
}

// ---------------------------------------------------------------------------
// Failed writes keep the old password.

TEST_F(PasswordTest, FileWriteFailureRestoresTheRegistryAndTellsTheUser) {
  ASSERT_TRUE(setPassword("old"));
  const std::string fileBefore = readText(PasswordFile);
  const auto registryBefore = registryCopy();
  ASSERT_TRUE(platform::setReadOnly(strSystemDir + "MVPSD.SYS", true));

  EXPECT_FALSE(setPassword("new"));
  EXPECT_EQ(readText(PasswordFile), fileBefore);
  EXPECT_EQ(registryCopy(), registryBefore);
  expectOneMessage(platform::vbCritical, "The password could not be saved in " + native("System32/MVPSD.SYS") +
                                             ".\r\nThe previous password is still in force.");
  messages.clear();
  EXPECT_EQ(getPassword(), "old");
}

TEST_F(PasswordTest, FileWriteFailureRemovesARegistryValueThatWasNotThere) {
  writeText(PasswordFile, EncryptString(T1 + T2, Key) + "\r\n");
  ASSERT_TRUE(platform::setReadOnly(strSystemDir + "MVPSD.SYS", true));
  EXPECT_FALSE(setPassword("new"));
  EXPECT_EQ(registryCopy(), std::nullopt);
  messages.clear();
  EXPECT_EQ(getPassword(), "");
}

TEST_F(PasswordTest, RegistryWriteFailureLeavesTheFileAndTellsTheUser) {
  ASSERT_TRUE(setPassword("old"));
  const std::string fileBefore = readText(PasswordFile);
  blockRegistryWrites();

  EXPECT_FALSE(setPassword("new"));
  EXPECT_EQ(readText(PasswordFile), fileBefore);
  EXPECT_EQ(registryCopy(), EncryptString("old", Key));
  expectOneMessage(platform::vbCritical, "The password could not be saved in " + native("System32/config/registry") +
                                             ".\r\nThe previous password is still in force.");
  messages.clear();
  EXPECT_EQ(getPassword(), "old");
}

TEST_F(PasswordTest, AChangeEndedAfterAnyWriteLeavesOneOfTheTwoPasswordsInBothCopies) {
  int writes = 0;
  ASSERT_TRUE(setPassword("old"));
  platform::setProfileFileWriter([&](const std::string& native, const std::string& bytes) {
    ++writes;
    return platform::writeNativeFileAtomic(native, bytes);
  });
  ASSERT_TRUE(setPassword("new"));
  ASSERT_GE(writes, 2);
  for (int done = 0; done < writes; ++done) {
    SCOPED_TRACE("ended after " + std::to_string(done) + " writes");
    ASSERT_TRUE(setPassword("old"));
    // Every write after the first `done` fails, as if the program had ended.
    platform::setProfileFileWriter([left = done](const std::string& native, const std::string& bytes) mutable {
      return left-- > 0 && platform::writeNativeFileAtomic(native, bytes);
    });
    static_cast<void>(setPassword("new"));
    // The next start: the change is finished or taken back, then both
    // copies are read and must agree.
    platform::setProfileFileWriter(nullptr);
    platform::profileFinishPendingChange();
    messages.clear();
    std::string password;
    EXPECT_NO_THROW(password = getPassword());
    EXPECT_TRUE(password == "old" || password == "new") << password;
  }
}

TEST_F(PasswordTest, AChangeBesideAnotherProgramsRegistryWriteKeepsItsValue) {
  ASSERT_TRUE(setPassword("old"));
  // Another process has taken the folder's lock to store the run-at-start-up
  // value and has not written it yet.
  const std::string command = "C:\\Morvantis\\Morvantis.EXE";
  mvtest::FolderLockHolder other([command] {
    std::string data = command;
    return SetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", data);
  });
  ASSERT_TRUE(other.held());
  bool stored = false;
  EXPECT_TRUE(mvtest::releaseWhenAwaited(other, [&] { stored = setPassword("new"); }));
  EXPECT_TRUE(stored);
  // Both changes are in the registry.
  EXPECT_EQ(GetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, "Morvantis", ""), command);
  EXPECT_EQ(registryCopy(), EncryptString("new", Key));
  EXPECT_EQ(getPassword(), "new");
}

// ---------------------------------------------------------------------------
// What the stores can hold.

TEST_F(PasswordTest, EveryPrintableCharacterIsStorableAtEveryKeyPosition) {
  for (int c = 32; c <= 126; ++c) {
    const std::string password(8, static_cast<char>(c));
    EXPECT_TRUE(ScrambledFormsSafe(password)) << c;
    EXPECT_EQ(PasswordStorageProblem(password), "") << c;
  }
}

TEST_F(PasswordTest, ScrambledFormsWithBreaksNulOrOuterBlanksAreUnsafe) {
  // The first character meets key character "X" (88).
  EXPECT_FALSE(ScrambledFormsSafe("\xA8"));    // 168 + 88 = NUL
  EXPECT_FALSE(ScrambledFormsSafe("\xB2"));    // LF
  EXPECT_FALSE(ScrambledFormsSafe("\xB5"));    // CR
  EXPECT_FALSE(ScrambledFormsSafe("\xC8x"));   // a blank at the start
  EXPECT_FALSE(ScrambledFormsSafe("a\xD2"));   // second character meets "N" (78): a blank at the end
  EXPECT_TRUE(ScrambledFormsSafe("a\xD3"));
}

TEST_F(PasswordTest, CharactersOutsideThePrintableRangeAreRefused) {
  for (const std::string& password :
       {std::string("tab\there"), std::string("del\x7f"), std::string("p\xC3\xA4ss"), std::string("nul\0x", 5)})
    EXPECT_NE(PasswordStorageProblem(password), "") << password;
}

TEST_F(PasswordTest, SetPasswordRefusesAnUnstorablePasswordAndWritesNothing) {
  ASSERT_TRUE(setPassword("old"));
  const std::string fileBefore = readText(PasswordFile);
  EXPECT_FALSE(setPassword("\xB5"));
  EXPECT_EQ(readText(PasswordFile), fileBefore);
  EXPECT_EQ(registryCopy(), EncryptString("old", Key));
  expectOneMessage(platform::vbCritical);
}

// ---------------------------------------------------------------------------
// The login gate and the login window.

class LoginTest : public PasswordTest {
 protected:
  // Acts on each login window that opens.
  std::unique_ptr<mvtest::ModalDriver> onLogin(std::function<void(frmLogin&)> act) {
    return std::make_unique<mvtest::ModalDriver>([] { return LoginFormIfLoaded(); },
                                                 [act] { act(*LoginFormIfLoaded()); });
  }
  static void typeAndOk(frmLogin& form, const std::string& text) {
    form.txtPassword->setText(QString::fromStdString(text));
    form.cmdOk_Click();
  }
};

TEST_F(LoginTest, WithoutAPasswordOrLoggedInTheGatePassesWithoutAWindow) {
  auto driver = onLogin([](frmLogin& f) { f.cmdCancel_Click(); });
  EXPECT_TRUE(CheckLogin());
  strPassword = "pw";
  blnLoggedIn = true;
  EXPECT_TRUE(CheckLogin());
  EXPECT_EQ(driver->opened, 0);
}

TEST_F(LoginTest, RightPasswordLogsIn) {
  strPassword = "pw";
  auto driver = onLogin([](frmLogin& f) { typeAndOk(f, "pw"); });
  EXPECT_TRUE(CheckLogin());
  EXPECT_TRUE(blnLoggedIn);
  EXPECT_EQ(driver->opened, 1);
  EXPECT_EQ(driver->leftOpen, 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(LoginTest, WrongPasswordIsToldAndTheWindowStaysOpen) {
  strPassword = "Secret";
  bool stayedOpen = false;
  std::string selected;
  auto driver = onLogin([&](frmLogin& f) {
    typeAndOk(f, "secret");  // passwords compare case-sensitively
    stayedOpen = f.isVisible();
    selected = f.txtPassword->selectedText().toStdString();
    typeAndOk(f, "Secret");
  });
  EXPECT_TRUE(CheckLogin());
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(selected, "secret");
  expectOneMessage(platform::vbInformation, "Invalid password, please try again.");
}

TEST_F(LoginTest, CancelRefusesAndLogsOut) {
  strPassword = "pw";
  auto driver = onLogin([](frmLogin& f) { f.cmdCancel_Click(); });
  EXPECT_FALSE(CheckLogin());
  EXPECT_FALSE(blnLoggedIn);
  EXPECT_EQ(driver->leftOpen, 0);
}

TEST_F(LoginTest, GateCalledWhileTheWindowIsOpenRefusesAtOnce) {
  strPassword = "pw";
  bool nested = true;
  auto driver = onLogin([&](frmLogin& f) {
    nested = CheckLogin();
    f.cmdCancel_Click();
  });
  EXPECT_FALSE(CheckLogin());
  EXPECT_FALSE(nested);
  EXPECT_EQ(driver->opened, 1);
  EXPECT_EQ(LoginFormIfLoaded(), nullptr);
}

// ---------------------------------------------------------------------------
// The set-password window.

class SetPasswordWindowTest : public PasswordTest {
 protected:
  void SetUp() override {
    PasswordTest::SetUp();
    form = std::make_unique<frmSetPassword>();
  }
  void TearDown() override {
    form.reset();
    PasswordTest::TearDown();
  }
  // Types the three texts and presses OK.
  void submit(const std::string& oldPassword, const std::string& password, const std::string& confirm) {
    form->txtOldPassword->setText(QString::fromStdString(oldPassword));
    form->txtPassword->setText(QString::fromStdString(password));
    form->txtConfirmPassword->setText(QString::fromStdString(confirm));
    form->cmdOk_Click();
  }
  // A password stored and in force, as after a start.
  void protect(const std::string& password) {
    ASSERT_TRUE(setPassword(password));
    strPassword = password;
  }
  std::unique_ptr<frmSetPassword> form;
};

TEST_F(SetPasswordWindowTest, NewPasswordIsStoredAndLogsIn) {
  form->show();
  submit("", "Secret", "Secret");
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(strPassword, "Secret");
  EXPECT_TRUE(blnLoggedIn);
  EXPECT_EQ(getPassword(), "Secret");
  EXPECT_TRUE(messages.empty());
}

TEST_F(SetPasswordWindowTest, WrongOldPasswordChangesNothing) {
  protect("old1");
  const std::string fileBefore = readText(PasswordFile);
  form->show();
  submit("OLD1", "new", "new");
  expectOneMessage(platform::vbInformation, "Invalid old password, please try again.");
  EXPECT_EQ(form->txtOldPassword->selectedText(), "OLD1");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(strPassword, "old1");
  EXPECT_EQ(readText(PasswordFile), fileBefore);
}

TEST_F(SetPasswordWindowTest, RightOldPasswordChangesIt) {
  protect("old1");
  submit("old1", "new2", "new2");
  EXPECT_EQ(strPassword, "new2");
  EXPECT_EQ(getPassword(), "new2");
}

TEST_F(SetPasswordWindowTest, MismatchWithoutAPasswordUsesItsOwnText) {
  submit("", "one", "two");
  expectOneMessage(platform::vbInformation,
                   "The password which you have typed do not match.\r\n"
                   "Please try again with same password in both text boxes.");
  EXPECT_EQ(form->txtConfirmPassword->selectedText(), "two");
  EXPECT_FALSE(platform::fileExists(strSystemDir + "MVPSD.SYS"));
  EXPECT_EQ(strPassword, "");
}

TEST_F(SetPasswordWindowTest, MismatchWithAPasswordUsesItsOwnText) {
  protect("old");
  submit("old", "one", "two");
  expectOneMessage(platform::vbInformation,
                   "Password which you have typed do not match.\r\n"
                   "Please try again with same password in both text boxes.");
  EXPECT_EQ(strPassword, "old");
}

TEST_F(SetPasswordWindowTest, BlankPasswordAnsweredNoKeepsTheOldOne) {
  protect("old");
  const std::string fileBefore = readText(PasswordFile);
  form->show();
  answers.push_back(platform::vbNo);
  submit("old", "", "");
  expectOneMessage(platform::vbYesNo + platform::vbQuestion,
                   "A blank password will clear password security.\r\n"
                   "It will allow any one to change Morvantis's settings.\r\n"
                   "Are you sure do you want to clear the password?");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(strPassword, "old");
  EXPECT_EQ(readText(PasswordFile), fileBefore);
}

TEST_F(SetPasswordWindowTest, BlankPasswordAnsweredYesClearsIt) {
  protect("old");
  answers.push_back(platform::vbYes);
  submit("old", "", "");
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(strPassword, "");
  EXPECT_TRUE(blnLoggedIn);
  EXPECT_EQ(readText(PasswordFile).size(), 102u);
  EXPECT_EQ(registryCopy(), std::string());
  EXPECT_EQ(getPassword(), "");
}

TEST_F(SetPasswordWindowTest, UnprintablePasswordIsRefusedWithAMessage) {
  protect("old");
  const std::string fileBefore = readText(PasswordFile);
  form->show();
  submit("old", "gr\xC3\xBC\xC3\x9F", "gr\xC3\xBC\xC3\x9F");
  expectOneMessage(platform::vbExclamation, PasswordStorageProblem("gr\xC3\xBC\xC3\x9F"));
  EXPECT_EQ(form->txtPassword->selectedText(), QString::fromUtf8("gr\xC3\xBC\xC3\x9F"));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(strPassword, "old");
  EXPECT_EQ(readText(PasswordFile), fileBefore);
}

TEST_F(SetPasswordWindowTest, FailedWriteKeepsTheOldPasswordAndTheWindowOpen) {
  protect("old");
  blnLoggedIn = false;
  ASSERT_TRUE(platform::setReadOnly(strSystemDir + "MVPSD.SYS", true));
  form->show();
  submit("old", "new", "new");
  expectOneMessage(platform::vbCritical);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(strPassword, "old");
  EXPECT_FALSE(blnLoggedIn);
  messages.clear();
  EXPECT_EQ(getPassword(), "old");
}

}  // namespace
