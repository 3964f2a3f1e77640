// The zones page's "Main" tab: the level options of both zones, their texts,
// the Trusted-at-most-Internet rule, the stored keys, the login gate and the
// Custom buttons.
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/FormHooks.h"
#include "core/frmLogin.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "tests/zones/ZonesPageSupport.h"
#include "zones/frmCustomFirewallSettings.h"
#include "zones/mdlMain.h"
#include "zones/mdlSecurityLevel.h"

using namespace mv;

namespace {

class SecurityLevels : public mvtest::ZonesPageTest {
 protected:
  void SetUp() override {
    ZonesPageTest::SetUp();
    Init_Read_PortSetting();
    hooks::SettingsProgramSummary = [this](const std::optional<std::string>& internet,
                                           const std::optional<std::string>& trusted,
                                           const std::optional<std::string>&, const std::string&) {
      summaries.push_back({internet.value_or("-"), trusted.value_or("-")});
    };
  }
  void TearDown() override {
    delete LoadedForm<frmCustomFirewallSettings>();
    hooks::SettingsProgramSummary = nullptr;
    ZonesPageTest::TearDown();
  }
  frmFirewall* loadAt(int trusted, int internet) {
    intTrustedZoneLevel = trusted;
    intInternetZoneLevel = internet;
    frmFirewall* page = LoadForm<frmFirewall>();
    page->show();
    return page;
  }
  static QRadioButton* option(frmFirewall* page, const char* zone, int level) {
    return page->findChild<QRadioButton*>(QString("opt%1Zone(%2)").arg(zone).arg(level));
  }
  static std::string stored(const char* key) { return GetMasterValue(SelectedLevel, key, "missing"); }
  static std::string text(const QLabel* l) { return l->text().toStdString(); }
  std::unique_ptr<mvtest::ModalDriver> onLogin() {
    return std::make_unique<mvtest::ModalDriver>([] { return LoginFormIfLoaded(); },
                                                 [] { LoginFormIfLoaded()->cmdCancel_Click(); });
  }
  std::vector<std::pair<std::string, std::string>> summaries;
};

TEST_F(SecurityLevels, TheTabShowsBothZonesWithTheirLevels) {
  frmFirewall* page = loadAt(2, 3);
  EXPECT_EQ(page->fraInternetZoneSecurity->title(), "Internet Zone Security");
  EXPECT_EQ(page->fraTrustedZoneSecurity->title(), "Trusted Zone Security");
  const char* captions[] = {"", "Low", "Med", "High"};
  for (const char* zone : {"Internet", "Trusted"})
    for (int level = 1; level <= 3; ++level) {
      QRadioButton* o = option(page, zone, level);
      ASSERT_NE(o, nullptr) << zone << level;
      EXPECT_EQ(o->text(), captions[level]);
    }
  // High at the top, Low at the bottom.
  EXPECT_LT(option(page, "Internet", 3)->y(), option(page, "Internet", 2)->y());
  EXPECT_LT(option(page, "Internet", 2)->y(), option(page, "Internet", 1)->y());
  EXPECT_TRUE(option(page, "Internet", 3)->isChecked());
  EXPECT_TRUE(option(page, "Trusted", 2)->isChecked());
  EXPECT_EQ(text(page->lblInternetSelected), "High :");
  EXPECT_EQ(text(page->lblInternetDescription),
            "Stealth Mode: Your computer is hidden and protected from hackers. Sharing is not allowed. This settings "
            "is recommended for Internet Zone.");
  EXPECT_EQ(text(page->lblTrustedSelected), "Medium :");
  EXPECT_EQ(text(page->lblTrustedDescription),
            "Sharing Mode: Computers can see your computer and share its resources.This settings is recommended for "
            "Trusted Zone.");
  EXPECT_EQ(page->cmdInternetCustom->text(), "&Custom");
  EXPECT_EQ(Tag(option(page, "Internet", 1)), "016");
  EXPECT_EQ(Tag(option(page, "Trusted", 3)), "011");
  EXPECT_EQ(Tag(page->cmdTrustedCustom), "002");
  // Each selection at load is stored.
  EXPECT_EQ(stored("3"), "3");
  EXPECT_EQ(stored("2"), "2");
}

TEST_F(SecurityLevels, InternetLowPullsTrustedDown) {
  frmFirewall* page = loadAt(3, 3);
  summaries.clear();
  option(page, "Internet", 1)->click();
  EXPECT_EQ(text(page->lblInternetSelected), "Low :");
  EXPECT_EQ(text(page->lblInternetDescription), "Caution! Firewall is off.");
  EXPECT_TRUE(option(page, "Trusted", 1)->isChecked());
  EXPECT_EQ(text(page->lblTrustedSelected), "Low :");
  EXPECT_EQ(text(page->lblTrustedDescription), "Caution! Firewall is off.");
  EXPECT_EQ(intInternetZoneLevel, 1);
  EXPECT_EQ(intTrustedZoneLevel, 1);
  EXPECT_EQ(stored("3"), "1");
  EXPECT_EQ(stored("2"), "1");
  ASSERT_FALSE(summaries.empty());
  EXPECT_EQ(summaries.back(), std::make_pair(*ZoneLevelText(1), *ZoneLevelText(1)));
  EXPECT_TRUE(messages.empty());
}

TEST_F(SecurityLevels, TrustedAboveInternetIsRefusedAndLandsOnInternetsLevel) {
  frmFirewall* page = loadAt(1, 2);
  option(page, "Trusted", 3)->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "You can't set Trusted Zone security higher than Internet Zone security.");
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_EQ(messages[0].title, AppTitle);
  EXPECT_TRUE(option(page, "Trusted", 2)->isChecked());
  EXPECT_EQ(intTrustedZoneLevel, 2);
  EXPECT_EQ(stored("2"), "2");
  EXPECT_EQ(text(page->lblTrustedSelected), "Medium :");
  // Equal to the Internet level is accepted.
  option(page, "Trusted", 1)->click();
  option(page, "Trusted", 2)->click();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(intTrustedZoneLevel, 2);
}

TEST_F(SecurityLevels, StoredLevelsThatBreakTheRuleAreMendedAtLoad) {
  frmFirewall* page = loadAt(3, 2);
  EXPECT_TRUE(option(page, "Trusted", 2)->isChecked());
  EXPECT_EQ(stored("2"), "2");
  EXPECT_TRUE(messages.empty());
}

TEST_F(SecurityLevels, AStoredValueThatIsNoLevelIsShownStoredAndLoggedOnce) {
  frmFirewall* page = loadAt(0, 7);
  EXPECT_TRUE(option(page, "Internet", 3)->isChecked());
  EXPECT_TRUE(option(page, "Trusted", 3)->isChecked());
  EXPECT_EQ(stored("3"), "3");
  EXPECT_EQ(stored("2"), "3");
  std::string log = readText("Err.log");
  EXPECT_NE(log.find("Internet zone level 7"), std::string::npos);
  EXPECT_NE(log.find("Trusted zone level 0"), std::string::npos);
  delete page;
  loadAt(2, 2);
  EXPECT_EQ(readText("Err.log"), log);  // nothing more to repair, nothing more logged
}

TEST_F(SecurityLevels, ARefusedLoginKeepsTheLevelWithOnePrompt) {
  frmFirewall* page = loadAt(2, 3);
  strPassword = "secret";
  auto login = onLogin();
  option(page, "Internet", 1)->click();
  EXPECT_EQ(login->opened, 1);
  EXPECT_TRUE(option(page, "Internet", 3)->isChecked());
  EXPECT_EQ(intInternetZoneLevel, 3);
  EXPECT_EQ(stored("3"), "3");
  option(page, "Trusted", 1)->click();
  EXPECT_EQ(login->opened, 2);
  EXPECT_TRUE(option(page, "Trusted", 2)->isChecked());
  EXPECT_EQ(text(page->lblTrustedSelected), "Medium :");
  EXPECT_EQ(stored("2"), "2");
  page->cmdInternetCustom->click();
  EXPECT_EQ(login->opened, 3);
  EXPECT_EQ(LoadedForm<frmCustomFirewallSettings>(), nullptr);
}

TEST_F(SecurityLevels, CustomButtonsOpenTheEditorOnTheirZonesTab) {
  frmFirewall* page = loadAt(2, 3);
  std::vector<int> tabs;
  mvtest::ModalDriver editor([] { return LoadedForm<frmCustomFirewallSettings>(); }, [&] {
    auto* e = LoadedForm<frmCustomFirewallSettings>();
    tabs.push_back(e->TabCustomSettings->currentIndex());
    e->findChild<QPushButton*>("cmdCancel")->click();
  });
  page->cmdInternetCustom->click();
  page->cmdTrustedCustom->click();
  EXPECT_EQ(tabs, (std::vector<int>{1, 0}));
  EXPECT_EQ(editor.leftOpen, 0);
}

}  // namespace
