// Finishing the wizard: the thirteen settings files rewritten from the
// built-in defaults, the alert switch, the password store and the programs'
// sections, as the front end reads them; and what happens when a step fails.
#include <QRadioButton>
#include <QTest>
#include <map>

#include "core/Registry.h"
#include "core/mdINIBas.h"
#include "platform/Registry.h"
#include "tests/wizard/WizardFixture.h"

using namespace mv;
using mvtest::WizardTest;
using mv::wizard::WizardChoices;

namespace {

const std::string SetupKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const std::string T1 = "Quiet fences hold night. ";
const std::string T2 = "Every gate keeps a ledger of rivers, roads, hills and harbors in the dusk. ";
const std::vector<std::string> kSectionKeys = {"Version",       "Column1",       "Column2",      "Column3",
                                               "Column4",       "Column5",       "Column6",      "Path",
                                               "AllowAccess",   "Ports",         "ICMP_Protocol", "IGMP_Protocol",
                                               "Authenticate",  "CheckedPorts",  "NoCustomizePorts"};

}  // namespace

class WizardFinish : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    // Settings the user made since the last run, in every file.
    for (const std::string& name : varSettingsFiles) {
      writeText("Profiles/" + name, readText("Profiles/" + name) + "[Made Later]\r\n1=x\r\n");
    }
    ASSERT_NE(start(), nullptr);
  }
  std::string stored(const std::string& section, const std::string& key) const {
    return ReadINI(section, key, "", strProgramControlFile, true);
  }
  // The section's keys in file order, with their values.
  std::vector<std::string> sectionKeys(const std::string& section) const {
    std::vector<std::string> keys;
    GetINISectionKeys(keys, section, strProgramControlFile);
    if (!keys.empty()) keys.erase(keys.begin());
    return keys;
  }
  std::string builtin(const std::string& name) const { return BuiltinDefaultText(name) + "\r\n"; }
  // What a built-in default file holds after one key was written into it.
  std::string builtinWith(const std::string& name, const std::string& section, const std::string& key,
                          const std::string& value) const {
    writeText("expected.MVL", builtin(name));
    EXPECT_TRUE(WriteINI(section, key, value, native("expected.MVL"), true));
    return readText("expected.MVL");
  }
  // Every settings file, the password file and the registry file, by name.
  std::map<std::string, std::string> everyFile() const {
    std::map<std::string, std::string> files;
    for (const std::string& name : varSettingsFiles) files[name] = readText("Profiles/" + name);
    files["MVPSD.SYS"] = readText("System32/MVPSD.SYS");
    files["registry"] = readText("System32/config/registry");
    EXPECT_FALSE(platform::fileExists(platform::profileChangeRecordPath()));
    return files;
  }
  void finish() {
    ASSERT_EQ(shownPage(), 9);
    click("cmdNext");
    EXPECT_EQ(ended, 1);
  }
};

TEST_F(WizardFinish, TwoProgramsNoAlertsAndAPasswordAreWrittenExactly) {
  const std::string a = program("apps/blocked"), b = program("apps/server");
  chooseTwoPrograms(a, b, "s3cret");
  finish();
  EXPECT_TRUE(messages.empty());

  // The eleven files the wizard adds nothing to are the built-in defaults.
  for (const std::string& name : varSettingsFiles) {
    if (name == "AlertsAndLogSetting.MVL" || name == "ProgramControl.MVL") continue;
    EXPECT_EQ(readText("Profiles/" + name), builtin(name)) << name;
  }
  EXPECT_EQ(readText("Profiles/AlertsAndLogSetting.MVL"),
            builtinWith("AlertsAndLogSetting.MVL", "Main", "AlertEvent", "0"));
  EXPECT_EQ(ReadINI("Main", "AlertEvent", "", strAlertsSettingFile, true), "0");

  EXPECT_EQ(GetINISectionNames(strProgramControlFile), std::string("blocked\0server", 14));
  EXPECT_EQ(sectionKeys("blocked"), kSectionKeys);
  EXPECT_EQ(sectionKeys("server"), kSectionKeys);
  const std::vector<std::pair<std::string, std::string>> blocked = {
      {"Version", ""}, {"Column1", "1"}, {"Column2", "1"}, {"Column3", "1"}, {"Column4", "1"},
      {"Column5", "0"}, {"Column6", "0"}, {"Path", a}, {"AllowAccess", "0"}, {"Ports", ""},
      {"ICMP_Protocol", "0"}, {"IGMP_Protocol", "0"}, {"Authenticate", "0"}, {"CheckedPorts", ""},
      {"NoCustomizePorts", "0"}};
  for (const auto& [key, value] : blocked) EXPECT_EQ(stored("blocked", key), value) << key;
  EXPECT_EQ(stored("server", "Column1"), "0");
  EXPECT_EQ(stored("server", "Column2"), "0");
  EXPECT_EQ(stored("server", "Column3"), "2");
  EXPECT_EQ(stored("server", "Column4"), "2");
  EXPECT_EQ(stored("server", "Path"), b);

  EXPECT_EQ(readText("System32/MVPSD.SYS"), EncryptString(T1 + "s3cret" + T2, PasswordKey) + "\r\n");
  EXPECT_EQ(GetRegValue(platform::HKEY_LOCAL_MACHINE, SetupKey, "MVPSD", "none"), EncryptString("s3cret", PasswordKey));
}

TEST_F(WizardFinish, EnterPressesNextOnEveryPage) {
  auto enter = [this](QWidget* where, int page) {
    QTest::keyClick(where, Qt::Key_Return);
    EXPECT_EQ(shownPage(), page) << where->objectName().toStdString();
  };
  enter(form(), 3);
  control<QRadioButton>("optAlertDoNot")->click();
  enter(control("optAlertDoNot"), 4);
  QTest::keyClicks(control("txtPassword"), "s3cret");
  QTest::keyClicks(control("txtConfirmPass"), "s3cret");
  enter(control("txtPassword"), 5);
  control<QRadioButton>("optAdvanceProgram")->click();
  enter(control("optAdvanceProgram"), 6);
  enter(programs(), 9);
  QTest::keyClick(form(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(ReadINI("Main", "AlertEvent", "", strAlertsSettingFile, true), "0");
}

TEST_F(WizardFinish, EnterTypedWhereTheFocusIsWalksToTheEnd) {
  QApplication::setActiveWindow(form());
  for (int page : {3, 4, 5, 9}) {
    QWidget* focus = form()->focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(shownPage(), page) << focus->objectName().toStdString();
  }
  QTest::keyClick(form()->focusWidget(), Qt::Key_Return);
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(messages.empty());
}

TEST_F(WizardFinish, TheSecondChoiceLeavesOnlyTheCommentLine) {
  toProgramsPage();
  control<QRadioButton>("optNoProgramAdd")->click();
  click("cmdNext");
  finish();
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), ";Save Programs Here\r\n");
  // Alerts stay on, written without a blank.
  EXPECT_EQ(ReadINI("Main", "AlertEvent", "", strAlertsSettingFile, true), "1");
  // No new password: the store is left as it was.
  EXPECT_EQ(readText("System32/MVPSD.SYS"), EncryptString(T1 + T2, PasswordKey) + "\r\n");
}

TEST_F(WizardFinish, TheFirstChoiceAllowsTheProgramsThePageNamed) {
  toProgramsPage();
  click("cmdNext");
  finish();
  EXPECT_EQ(GetINISectionNames(strProgramControlFile), std::string("systemd\0networkd\0webbrowser", 27));
  for (const char* section : {"systemd", "networkd", "webbrowser"}) {
    EXPECT_EQ(sectionKeys(section), kSectionKeys);
    for (const char* column : {"Column1", "Column2", "Column3", "Column4"}) EXPECT_EQ(stored(section, column), "0");
  }
  EXPECT_EQ(stored("webbrowser", "Path"), browser);
  EXPECT_EQ(stored("systemd", "Path"), serviceManager);
}

TEST_F(WizardFinish, WithoutABrowserTheComponentsAreStillWrittenAndNoFailureIsReported) {
  browser.clear();
  toProgramsPage();
  click("cmdNext");
  finish();
  EXPECT_EQ(GetINISectionNames(strProgramControlFile), std::string("systemd\0networkd", 16));
  EXPECT_TRUE(messages.empty());
  EXPECT_NE(readText("Err.log").find("saveStartupWizardSettings of frmStartupMain:---->"), std::string::npos);
}

TEST_F(WizardFinish, ASettingsFileThatCannotBeWrittenStoresNothingAndTheFinishPageStays) {
  const std::string a = program("apps/blocked"), b = program("apps/server");
  chooseTwoPrograms(a, b, "s3cret");
  const auto before = everyFile();
  platform::setReadOnly(strProfilePath + "MVDB.MVL", true);
  click("cmdNext");
  EXPECT_EQ(ended, 0);
  platform::setReadOnly(strProfilePath + "MVDB.MVL", false);
  // Nothing written anywhere: not the files before it, not those after it,
  // not the password.
  EXPECT_EQ(everyFile(), before);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The setup is not complete.\r\nThe settings could not be saved in " +
                                    native("Profiles/MVDB.MVL") +
                                    ".\r\nNothing was changed: the previous settings and password are still in "
                                    "force.\r\nThe reason is written to Err.log in the program folder.");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_NE(readText("Err.log").find("saveStartupWizardSettings of frmStartupMain:---->75,"), std::string::npos);
  EXPECT_EQ(wizard::strPassword, "");
  // The finish page stays, and once the file can be written Finish stores it all.
  EXPECT_EQ(shownPage(), 9);
  finish();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(readText("Profiles/MVDB.MVL"), builtin("MVDB.MVL"));
  EXPECT_EQ(wizard::GetStoredPassword(), std::optional<std::string>("s3cret"));
}

TEST_F(WizardFinish, APasswordThatCannotBeSavedStoresNothing) {
  const auto before = everyFile();
  // The registry cannot be written.
  platform::setReadOnly(platform::registryFile(), true);
  toProgramsPage("s3cret");
  click("cmdNext");
  ASSERT_EQ(shownPage(), 9);
  click("cmdNext");
  EXPECT_EQ(ended, 0);
  platform::setReadOnly(platform::registryFile(), false);
  EXPECT_EQ(everyFile(), before);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("The settings could not be saved in " + platform::registryFile() + ".\r\n"),
            std::string::npos);
}

TEST_F(WizardFinish, APasswordFileThatCannotBeWrittenLeavesBothCopiesAsTheyWere) {
  ASSERT_TRUE(setPassword("before"));
  const auto before = everyFile();
  platform::setReadOnly(strSystemDir + "MVPSD.SYS", true);
  WizardChoices choices;
  choices.NewPassword = "after";
  choices.ProgramChoice = 2;
  const wizard::FinishOutcome outcome = wizard::saveStartupWizardSettings(choices);
  EXPECT_FALSE(outcome.stored);
  EXPECT_NE(outcome.message.find(native("System32/MVPSD.SYS")), std::string::npos);
  platform::setReadOnly(strSystemDir + "MVPSD.SYS", false);
  EXPECT_EQ(everyFile(), before);
  // Both programs still start on the old password.
  EXPECT_EQ(wizard::GetStoredPassword(), std::optional<std::string>("before"));
}

TEST_F(WizardFinish, AMissingProfilesFolderIsCreated) {
  std::filesystem::remove_all(native("Profiles"));
  EXPECT_TRUE(wizard::ReloadProfiles());
  for (const std::string& name : varSettingsFiles) EXPECT_EQ(readText("Profiles/" + name), builtin(name)) << name;
}

TEST_F(WizardFinish, RightCodesAndDisplayNames) {
  EXPECT_EQ(wizard::PermissionCode("Allow"), 0);
  EXPECT_EQ(wizard::PermissionCode("bLoCk"), 1);
  EXPECT_EQ(wizard::PermissionCode("ASK"), 2);
  EXPECT_EQ(wizard::PermissionCode("Never"), 0);
  // A file without a description is named after its file.
  EXPECT_EQ(wizard::ProgramDisplayName(program("apps/tool.bin")), "tool.bin");
}

TEST_F(WizardFinish, AFileNameThatCannotNameASectionIsListedAndStoredSafely) {
  const std::string odd = program("apps/[x] name");
  toProgramsPage();
  control<QRadioButton>("optAdvanceProgram")->click();
  click("cmdNext");
  chosenFiles = {odd};
  click("cmdAdd");
  ASSERT_EQ(row(0)[0], "(x) name");
  click("cmdNext");
  finish();
  EXPECT_EQ(GetINISectionNames(strProgramControlFile), "(x) name");
  EXPECT_EQ(stored("(x) name", "Path"), odd);
}
