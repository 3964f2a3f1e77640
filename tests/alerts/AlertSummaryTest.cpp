// The alert summary counters, their storage and the settings page's labels.
#include <gtest/gtest.h>

#include <QLabel>
#include <algorithm>
#include <array>
#include <vector>

#include "core/FormHooks.h"
#include "platform/QtText.h"
#include "tests/alerts/AlertsFixture.h"
#include "zones/ZoneLevels.h"

namespace mvtest {
namespace {

class AlertSummary : public AlertsTest {
 protected:
  void TearDown() override {
    mv::intInternetZoneLevel = mv::intTrustedZoneLevel = 0;
    mv::hooks::SettingsCounters = nullptr;
    mv::hooks::SettingsProgramSummary = nullptr;
    AlertsTest::TearDown();
  }
  // Stands in for the settings page: its public procedures, reached through
  // the hooks, write the labels.
  void registerPage() {
    mv::hooks::SettingsCounters = [this](const std::array<std::string, 6>& c) {
      QLabel* order[] = {&oPrograms, &oAllow, &oBlocked, &iPrograms, &iAllow, &iBlocked};
      for (std::size_t i = 0; i < c.size(); ++i) order[i]->setText(QString::fromStdString(c[i]));
    };
    mv::hooks::SettingsProgramSummary = [this](const std::optional<std::string>& internetZone,
                                               const std::optional<std::string>& trustedZone,
                                               const std::optional<std::string>& control, const std::string& lock) {
      if (internetZone) izSecurity.setText(QString::fromStdString(*internetZone));
      if (trustedZone) tzSecurity.setText(QString::fromStdString(*trustedZone));
      if (control) programControl.setText(QString::fromStdString(*control));
      passLock.setText(QString::fromStdString(lock));
    };
  }
  static std::string text(const QLabel& l) { return mv::platform::fromQString(l.text()); }
  // In: events, allowed, blocked; then out: events, allowed, blocked.
  static std::array<double, 6> counters() {
    return {mv::IPrograms, mv::IAllows, mv::IBlocked, mv::OPrograms, mv::OAllows, mv::OBlocked};
  }

  QLabel iPrograms, iAllow, iBlocked, oPrograms, oAllow, oBlocked;
  QLabel izSecurity, tzSecurity, programControl, passLock;
};

TEST_F(AlertSummary, CountersAreSavedAndLoadedBack) {
  mv::IPrograms = 12;
  mv::IAllows = 7;
  mv::IBlocked = 5;
  mv::OPrograms = 1234567;
  mv::OAllows = 2.5;
  mv::OBlocked = 0;
  mv::SaveAlertSummary();
  EXPECT_EQ(stored("OPrograms"), "1234567");
  EXPECT_EQ(stored("OAllows"), "2.5");

  mv::ResetAlertsAndLogsGlobals();
  mv::LoadAlertSummary();
  EXPECT_EQ(counters(), (std::array<double, 6>{12, 7, 5, 1234567, 2.5, 0}));
}

TEST_F(AlertSummary, UnreadableCountersReadZeroAndMissingOnesAreAddedInSaveOrder) {
  writeText("Profiles/AlertsAndLogSetting.MVL", "[Main]\r\n");
  store("IAllows", "many");
  store("OBlocked", "1e999");
  store("OAllows", "42");
  mv::IAllows = mv::OBlocked = mv::IPrograms = 9;
  mv::LoadAlertSummary();
  EXPECT_EQ(counters(), (std::array<double, 6>{0, 0, 0, 0, 42, 0}));

  mv::IBlocked = 3;
  mv::SaveAlertSummary();
  std::string file = readText("Profiles/AlertsAndLogSetting.MVL");
  std::vector<size_t> at;
  for (const char* key : {"IAllows=", "OBlocked=", "OAllows=", "IBlocked=", "IPrograms=", "OPrograms="})
    at.push_back(file.find(key));
  EXPECT_NE(at.back(), std::string::npos);
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << file;
  EXPECT_EQ(stored("IBlocked"), "3");
}

TEST_F(AlertSummary, OutgoingDenyCountsSavesAndShows) {
  registerPage();
  mv::OPrograms = 4;
  mv::OBlocked = 2;
  mv::AddInAlertSummary("C:\\Apps\\Browser.exe", 1, 1);
  EXPECT_EQ(counters(), (std::array<double, 6>{0, 0, 0, 5, 0, 3}));
  EXPECT_EQ(stored("OPrograms"), "5");
  EXPECT_EQ(stored("OBlocked"), "3");
  EXPECT_EQ(text(oPrograms), "5");
  EXPECT_EQ(text(oBlocked), "3");
  EXPECT_EQ(text(iPrograms), "0");
}

TEST_F(AlertSummary, EachDirectionAndActionCountsItsOwn) {
  mv::AddInAlertSummary("Browser", 0, 0);
  mv::AddInAlertSummary("Browser", 0, 1);
  mv::AddInAlertSummary("Browser", 0, 2);  // asked: an event only
  mv::AddInAlertSummary("Browser", 1, 0);
  mv::AddInAlertSummary("Browser", 3, 0);  // no direction: nothing
  EXPECT_EQ(counters(), (std::array<double, 6>{3, 1, 1, 1, 1, 0}));
}

TEST_F(AlertSummary, SystemAndProgramlessAlertsCountNothing) {
  std::string before = readText("Profiles/AlertsAndLogSetting.MVL");
  mv::AddInAlertSummary("SYSTEM", 0, 1);
  mv::AddInAlertSummary("system", 1, 1);
  mv::AddInAlertSummary("", 1, 0);
  EXPECT_EQ(counters(), (std::array<double, 6>{}));
  EXPECT_EQ(readText("Profiles/AlertsAndLogSetting.MVL"), before);
}

TEST_F(AlertSummary, PageShowsLevelsAndLock) {
  registerPage();
  mv::intInternetZoneLevel = 3;
  mv::intTrustedZoneLevel = 2;
  mv::ControlLevel = 0;
  mv::AutomaticLock = true;
  mv::showProgramSummary();
  EXPECT_EQ(text(izSecurity), "High");
  EXPECT_EQ(text(tzSecurity), "Medium");
  EXPECT_EQ(text(programControl), "Off");
  EXPECT_EQ(text(passLock), "On");

  // A level without a name leaves its label as it was.
  mv::intTrustedZoneLevel = 0;
  mv::ControlLevel = 7;
  mv::AutomaticLock = false;
  mv::showProgramSummary();
  EXPECT_EQ(text(tzSecurity), "Medium");
  EXPECT_EQ(text(programControl), "Off");
  EXPECT_EQ(text(passLock), "Off");
  mv::ControlLevel = 1;
  mv::showProgramSummary();
  EXPECT_EQ(text(programControl), "Low");
}

// ---------------------------------------------------------------------------
// Port and ICMP type names.

TEST(NameTables, PortAndIcmpNamesByExactKey) {
  mv::initConstantPortList();
  EXPECT_EQ(mv::colPortNames.Count(), 24);
  EXPECT_EQ(mv::colICMPTypeNames.Count(), 24);
  EXPECT_EQ(mv::ICMPTypeNameOf("8"), "Echo (\"Ping\")");
  EXPECT_EQ(mv::ICMPTypeNameOf("0"), "Echo Reply (\"Ping\")");
  EXPECT_EQ(mv::ICMPTypeNameOf("36"), "Mobile Registration Reply");
  EXPECT_FALSE(mv::ICMPTypeNameOf("2"));
  EXPECT_FALSE(mv::ICMPTypeNameOf("19"));
  EXPECT_EQ(mv::PortNameOf("80"), "HTTP");
  EXPECT_EQ(mv::PortNameOf("1080"), "SOCKS");
  EXPECT_EQ(mv::PortNameOf("138"), "NetBios Datagram");
  EXPECT_FALSE(mv::PortNameOf("8080"));
  EXPECT_FALSE(mv::PortNameOf("0080"));
  // In the order they are added.
  EXPECT_EQ(mv::colPortNames.Item(1), "FTP");
  EXPECT_EQ(mv::colPortNames.Item(10), "FTP-Data");
  EXPECT_EQ(mv::colICMPTypeNames.Item(18), "Traceroute");
  // A second build replaces the tables.
  mv::initConstantPortList();
  EXPECT_EQ(mv::colPortNames.Count(), 24);
  mv::ResetAlertsAndLogsGlobals();
}

}  // namespace
}  // namespace mvtest
