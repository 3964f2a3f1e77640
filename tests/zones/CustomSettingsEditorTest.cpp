// The custom security settings editor through its controls: the rows, ticks
// and port texts it loads, the port box, Reset Defaults, Apply, OK and
// Cancel, and the rule file that follows the stored settings.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "core/FormControls.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/FileSystem.h"
#include "platform/PrivateProfile.h"
#include "rules/RuleInputs.h"
#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"
#include "tests/rules/RulesFixture.h"
#include "tests/zones/ZoneTestSupport.h"
#include "zones/frmCustomFirewallSettings.h"
#include "zones/mdlMain.h"

using namespace mv;

namespace {

class Editor : public mvtest::ZoneTablesTest {
 protected:
  void SetUp() override {
    ZoneTablesTest::SetUp();
    ResetPortSettingGlobals();
    Init_Read_PortSetting();
  }
  void TearDown() override {
    delete LoadedForm<frmCustomFirewallSettings>();
    ZoneTablesTest::TearDown();
  }
  frmCustomFirewallSettings* open(int tab) {
    delete LoadedForm<frmCustomFirewallSettings>();
    auto* e = LoadForm<frmCustomFirewallSettings>();
    e->TabCustomSettings->setCurrentIndex(tab);
    e->show();
    return e;
  }
  static QTreeWidget* list(frmCustomFirewallSettings* e, const char* name) { return e->findChild<QTreeWidget*>(name); }
  static QPushButton* button(frmCustomFirewallSettings* e, const char* name) {
    return e->findChild<QPushButton*>(name);
  }
  static std::vector<std::string> texts(const QTreeWidget* l) {
    std::vector<std::string> t;
    for (int i = 0; i < l->topLevelItemCount(); ++i) t.push_back(l->topLevelItem(i)->text(0).toStdString());
    return t;
  }
  static std::vector<int> ticks(const QTreeWidget* l) {
    std::vector<int> t;
    for (int i = 0; i < l->topLevelItemCount(); ++i) t.push_back(l->topLevelItem(i)->checkState(0) == Qt::Checked);
    return t;
  }
  // A mouse click on the row's text.
  static void clickRow(QTreeWidget* l, int row) {
    QRect r = l->visualItemRect(l->topLevelItem(row));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 10, r.center().y()));
  }
  static void tick(QTreeWidget* l, int row, bool on = true) {
    l->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
  }
  // Opens the Internet zone's tab, ticks the High list's TCP port row, selects
  // it and types its ports.
  frmCustomFirewallSettings* typePortsOfATickedRow(const char* ports) {
    auto* e = open(1);
    QTreeWidget* high = list(e, "lvwHighInternetZone");
    tick(high, 12);
    clickRow(high, 12);
    QTest::keyClicks(e->txtPorts, ports);
    return e;
  }
  // A port row stored ticked with one port, as a save leaves it, and read
  // into memory as a start does.
  static void storeTickedPortRow(long table, const std::vector<std::string>& range, const std::string& ports) {
    const std::string& section = range.back();
    ASSERT_TRUE(Write_MorvantisNewData(table, getNextLineNo(table), range, true));
    ASSERT_TRUE(WriteColumnValue(Database_PortSetting, section, "Enabled", "1"));
    ASSERT_TRUE(WriteColumnValue(Database_PortSetting, section, "Description", ports));
    Init_Read_PortSetting();
  }
  static std::string enabled(const std::string& section) {
    for (const auto& r : mvtest::tableRows(Database_PortSetting))
      if (r.section == section) return r.values.at(3);
    return "?";
  }
  static std::string description(const std::string& section) {
    for (const auto& r : mvtest::tableRows(Database_PortSetting))
      if (r.section == section) return r.values.at(4);
    return "?";
  }
};

TEST_F(Editor, RowsTicksAndPortTextsAsStored) {
  arrInternetHighSettings[11].Description = "80, 100-200";
  arrTrustedMediumSettings[1].Enabled = 1;
  auto* e = open(0);
  EXPECT_EQ(e->windowTitle(), "Custom security settings for Morvantis");
  EXPECT_EQ(e->TabCustomSettings->tabText(0), "&Trusted Zone");
  EXPECT_EQ(e->TabCustomSettings->tabText(1), "&Internet Zone");
  EXPECT_EQ(texts(list(e, "lvwHighTrustedZone")),
            (std::vector<std::string>{"Allow outgoing DNS (UDP Port 53)", "Allow outgoing DHCP (UDP Port 67)",
                                      "Allow broadcast/multicast", "Allow incoming ping (ICMP Echo)",
                                      "Allow other incoming ICMP", "Allow outgoing ping (ICMP Echo)",
                                      "Allow other outgoing ICMP", "Allow incoming IGMP", "Allow outgoing IGMP",
                                      "Allow incoming UDP ports:(none selected)",
                                      "Allow outgoing UDP ports:(none selected)",
                                      "Allow incoming TCP ports:(none selected)",
                                      "Allow outgoing TCP ports:(none selected)"}));
  EXPECT_EQ(texts(list(e, "lvwMediumInternetZone")),
            (std::vector<std::string>{"Block incoming NetBIOS (ports 135,137-9,445)",
                                      "Block outgoing NetBIOS (ports 135,137-9,445)", "Block incoming ping (ICMP Echo)",
                                      "Block other incoming ICMP", "Block outgoing ping (ICMP Echo)",
                                      "Block other outgoing ICMP", "Block incoming IGMP", "Block outgoing IGMP",
                                      "Block incoming UDP ports:(none selected)",
                                      "Block outgoing UDP ports:(none selected)",
                                      "Block incoming TCP ports:(none selected)",
                                      "Block outgoing TCP ports:(none selected)"}));
  EXPECT_EQ(list(e, "lvwHighInternetZone")->topLevelItem(11)->text(0), "Allow incoming TCP ports:80, 100-200");
  EXPECT_EQ(ticks(list(e, "lvwHighTrustedZone")), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ticks(list(e, "lvwMediumTrustedZone")), (std::vector<int>{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ticks(list(e, "lvwMediumInternetZone")), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(e->txtPorts->isVisible());
  EXPECT_FALSE(button(e, "cmdApply")->isEnabled());
  EXPECT_TRUE(list(e, "lvwHighTrustedZone")->isVisible());
  EXPECT_FALSE(list(e, "lvwHighInternetZone")->isVisible());
  e->TabCustomSettings->setCurrentIndex(1);
  EXPECT_TRUE(e->fraInternet->isVisible());
  EXPECT_TRUE(list(e, "lvwMediumInternetZone")->isVisible());
  EXPECT_FALSE(e->fraTrustedZone->isVisible());
}

TEST_F(Editor, ThePortBoxFollowsTheClickedRowAndRewritesIt) {
  auto* e = open(1);
  QTreeWidget* high = list(e, "lvwHighInternetZone");
  clickRow(high, 11);
  EXPECT_TRUE(e->txtPorts->isVisible());
  EXPECT_TRUE(e->txtPorts->isEnabled());
  EXPECT_TRUE(e->sknlblEnterPorts1->isVisible() && e->sknlblEnterPorts2->isVisible() && e->sknlblPorts->isVisible());
  EXPECT_EQ(e->txtPorts->text(), "");
  // A click only selects: the row is rewritten once something is typed.
  EXPECT_EQ(high->topLevelItem(11)->text(0), "Allow incoming TCP ports:(none selected)");
  QTest::keyClicks(e->txtPorts, "80");
  EXPECT_EQ(high->topLevelItem(11)->text(0), "Allow incoming TCP ports:80");
  // The filter: a letter never, a second separator never, Backspace not after a separator.
  QTest::keyClicks(e->txtPorts, "x,,-1");
  EXPECT_EQ(e->txtPorts->text(), "80,1");
  QTest::keyClick(e->txtPorts, Qt::Key_Backspace);
  QTest::keyClick(e->txtPorts, Qt::Key_Backspace);
  EXPECT_EQ(e->txtPorts->text(), "80,");  // Backspace after "," is discarded
  QTest::keyClicks(e->txtPorts, "200-100");
  EXPECT_EQ(high->topLevelItem(11)->text(0), "Allow incoming TCP ports:80, 100-200");
  e->txtPorts->clear();
  EXPECT_EQ(high->topLevelItem(11)->text(0), "Allow incoming TCP ports:");
  QTest::keyClicks(e->txtPorts, ",-a");
  EXPECT_EQ(e->txtPorts->text(), "");
  // A switch row hides the box and still counts as a change.
  QTreeWidget* medium = list(e, "lvwMediumInternetZone");
  clickRow(medium, 3);
  EXPECT_FALSE(e->txtPorts->isVisible());
  EXPECT_FALSE(e->txtPorts->isEnabled());
  EXPECT_EQ(e->txtPorts->text(), "");
  EXPECT_TRUE(e->Changed(CustomList::MediumInternet));
  EXPECT_TRUE(button(e, "cmdApply")->isEnabled());
}

TEST_F(Editor, ThePortBoxBelongsToTheSelectedRowOfTheTabShown) {
  // Internet High's incoming TCP row is stored ticked with port 80.
  storeTickedPortRow(Database_TCPPorts, {"3", "3", "2", "80", "80", "0049"}, "80");
  auto* e = open(0);
  QTreeWidget* trusted = list(e, "lvwHighTrustedZone");
  QTreeWidget* internet = list(e, "lvwHighInternetZone");
  clickRow(trusted, 11);
  QTest::keyClicks(e->txtPorts, "8080");
  EXPECT_EQ(trusted->topLevelItem(11)->text(0).toStdString(), "Allow incoming TCP ports:8080");

  auto clickTab = [&](int tab) {
    QTabBar* bar = e->TabCustomSettings->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    ASSERT_EQ(e->TabCustomSettings->currentIndex(), tab);
  };
  // On the other tab no row is selected: the box is empty and takes no keys.
  clickTab(1);
  EXPECT_EQ(e->txtPorts->text().toStdString(), "");
  EXPECT_FALSE(e->txtPorts->isEnabled());
  QTest::keyClicks(e->txtPorts, "99");
  EXPECT_EQ(trusted->topLevelItem(11)->text(0).toStdString(), "Allow incoming TCP ports:8080");
  EXPECT_EQ(e->txtPorts->text().toStdString(), "");

  // A plain click on a row shows its ports and changes nothing: Apply leaves
  // its stored ranges as they were.
  const std::string ranges = readText("Profiles/Database_TCPPorts.MVL");
  clickRow(internet, 11);
  EXPECT_TRUE(e->txtPorts->isEnabled());
  EXPECT_EQ(e->txtPorts->text().toStdString(), "80");
  EXPECT_EQ(internet->topLevelItem(11)->text(0).toStdString(), "Allow incoming TCP ports:80");
  button(e, "cmdApply")->click();
  EXPECT_EQ(readText("Profiles/Database_TCPPorts.MVL"), ranges);

  // Back on the first tab, the box is the selected row's again.
  clickTab(0);
  EXPECT_TRUE(e->txtPorts->isEnabled());
  EXPECT_EQ(e->txtPorts->text().toStdString(), "8080");
  QTest::keyClicks(e->txtPorts, "1");
  EXPECT_EQ(trusted->topLevelItem(11)->text(0).toStdString(), "Allow incoming TCP ports:80801");
  EXPECT_EQ(internet->topLevelItem(11)->text(0).toStdString(), "Allow incoming TCP ports:80");
  // Clicking a switch row of the other list leaves no port row selected.
  clickRow(list(e, "lvwMediumTrustedZone"), 2);
  EXPECT_TRUE(trusted->selectedItems().isEmpty());
  EXPECT_FALSE(e->txtPorts->isEnabled());
  EXPECT_EQ(e->txtPorts->text().toStdString(), "");
}

TEST_F(Editor, ASpaceAfterATabSwitchFromThePortBoxChangesNoTick) {
  auto* e = typePortsOfATickedRow("80");
  tick(list(e, "lvwMediumTrustedZone"), 0);  // not as Reset Defaults would leave it
  auto allTicks = [e] {
    std::vector<std::vector<int>> t;
    for (const char* name : {"lvwHighTrustedZone", "lvwMediumTrustedZone", "lvwHighInternetZone", "lvwMediumInternetZone"})
      t.push_back(ticks(list(e, name)));
    return t;
  };
  const auto before = allTicks();
  e->activateWindow();
  QApplication::setActiveWindow(e);
  QTest::mouseClick(e->txtPorts, Qt::LeftButton);
  ASSERT_EQ(e->focusWidget(), e->txtPorts);
  QTabBar* bar = e->TabCustomSettings->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  ASSERT_EQ(e->TabCustomSettings->currentIndex(), 0);
  QTest::keyClick(e->focusWidget() ? e->focusWidget() : e, Qt::Key_Space);
  EXPECT_EQ(allTicks(), before);
}

TEST_F(Editor, ResetDefaultsWorksOnTheShownTabOnly) {
  auto* e = open(1);
  tick(list(e, "lvwHighInternetZone"), 6);
  tick(list(e, "lvwMediumInternetZone"), 0, false);
  tick(list(e, "lvwMediumTrustedZone"), 0);
  button(e, "cmdResetDefaults")->click();
  EXPECT_EQ(ticks(list(e, "lvwHighInternetZone")), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ticks(list(e, "lvwMediumInternetZone")), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ticks(list(e, "lvwMediumTrustedZone"))[0], 1);  // the other tab is left alone
  EXPECT_TRUE(button(e, "cmdApply")->isEnabled());
  e->TabCustomSettings->setCurrentIndex(0);
  button(e, "cmdResetDefaults")->click();
  EXPECT_EQ(ticks(list(e, "lvwMediumTrustedZone")), std::vector<int>(12, 0));
  button(e, "cmdApply")->click();
  EXPECT_EQ(enabled("0001"), "0");
  EXPECT_EQ(enabled("0044"), "0");
  EXPECT_EQ(arrInternetHighSettings[6].Enabled, 0);
  EXPECT_FALSE(button(e, "cmdApply")->isEnabled());
}

TEST_F(Editor, AppliedPortRowReachesTheTablesAndTheRuleFile) {
  auto* e = open(1);
  QTreeWidget* high = list(e, "lvwHighInternetZone");
  tick(high, 11);  // a port row toggled: runs the click handling on the selected row
  clickRow(high, 11);
  QTest::keyClicks(e->txtPorts, "80,100-200");
  button(e, "cmdApply")->click();
  EXPECT_FALSE(button(e, "cmdApply")->isEnabled());
  EXPECT_FALSE(e->Changed(CustomList::HighInternet));
  EXPECT_EQ(enabled("0049"), "1");
  EXPECT_EQ(description("0049"), "80, 100-200");
  auto ports = mvtest::tableRows(Database_TCPPorts);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].values, (std::vector<std::string>{"3", "3", "2", "80", "80", "0049"}));
  EXPECT_EQ(ports[1].values, (std::vector<std::string>{"3", "3", "2", "100", "200", "0049"}));
  EXPECT_EQ(arrInternetHighSettings[11].Description, "80, 100-200");
  EXPECT_EQ(arrInternetHighSettings[11].Enabled, 1);

  // The next rule file follows.
  mvtest::resetStoreGlobals();
  ResetRuleGlobals();
  intTrustedZoneLevel = 1;
  intInternetZoneLevel = 3;
  DefaultAccessTrusted = DefaultAccessInternet = DefaultServerTrusted = DefaultServerInternet = 2;
  LoadTCPPorts(3, 3, 2, arrTCPInternetHighIn);
  ASSERT_TRUE(AddRulesToINI(false, true));
  std::string file = readText("System32/drivers/etc/mvd.conf");
  std::string golden = mvtest::goldenText("tests/zones/golden/internet_high_tcp_in.conf");
  auto start = file.find("[Internet]\r\n");
  ASSERT_NE(start, std::string::npos);
  auto end = file.find("\r\n[", start + 1);
  EXPECT_EQ(file.substr(start, end + 2 - start), golden);
}

TEST_F(Editor, UntickingStoresTheRowOffAndDropsItsRanges) {
  storeTickedPortRow(Database_UDPPorts, {"2", "2", "2", "53", "53", "0009"}, "53");
  auto* e = open(0);
  QTreeWidget* medium = list(e, "lvwMediumTrustedZone");
  EXPECT_EQ(medium->topLevelItem(8)->text(0), "Block incoming UDP ports:53");
  medium->setCurrentItem(medium->topLevelItem(8));
  tick(medium, 8, false);
  EXPECT_EQ(e->txtPorts->text(), "53");
  button(e, "cmdOk")->click();
  EXPECT_FALSE(e->isVisible());
  EXPECT_EQ(enabled("0009"), "0");
  EXPECT_EQ(description("0009"), "53");
  EXPECT_TRUE(mvtest::tableRows(Database_UDPPorts).empty());
  EXPECT_EQ(arrTrustedMediumSettings[8].Enabled, 0);
}

TEST_F(Editor, AKeyboardToggleIsSaved) {
  auto* e = open(1);
  QTreeWidget* medium = list(e, "lvwMediumInternetZone");
  medium->setFocus();
  medium->setCurrentItem(medium->topLevelItem(4));
  QTest::keyClick(medium, Qt::Key_Space);
  ASSERT_EQ(medium->topLevelItem(4)->checkState(0), Qt::Checked);
  EXPECT_TRUE(button(e, "cmdApply")->isEnabled());
  button(e, "cmdOk")->click();
  EXPECT_EQ(enabled("0030"), "1");
  EXPECT_EQ(arrInternetMediumSettings[4].Enabled, 1);
}

TEST_F(Editor, CancelStoresNothingAndReopeningShowsTheStoredState) {
  auto* e = open(1);
  tick(list(e, "lvwHighInternetZone"), 4);
  button(e, "cmdResetDefaults")->click();
  tick(list(e, "lvwHighInternetZone"), 5);
  button(e, "cmdCancel")->click();
  EXPECT_FALSE(e->isVisible());
  EXPECT_EQ(enabled("0043"), "0");
  EXPECT_EQ(arrInternetHighSettings[5].Enabled, 0);
  e = open(1);
  EXPECT_EQ(ticks(list(e, "lvwHighInternetZone"))[5], 0);
  // OK with nothing changed stores nothing and closes.
  const std::string before = readText("Profiles/Database_PortSetting.MVL");
  button(e, "cmdOk")->click();
  EXPECT_FALSE(e->isVisible());
  EXPECT_EQ(readText("Profiles/Database_PortSetting.MVL"), before);
}

TEST_F(Editor, APortAboveTheHighestTypedInTheBoxIsRefusedWithTheMessageAndNothingIsStored) {
  auto* e = open(1);
  QTreeWidget* high = list(e, "lvwHighInternetZone");
  tick(high, 12);
  clickRow(high, 12);
  const std::string before = readText("Profiles/Database_PortSetting.MVL");
  size_t told = 0;
  // A number of six digits is refused too, not read as its first five.
  for (const char* typed : {"70000", "1-70000", "100000", "1-100000"}) {
    e->txtPorts->selectAll();
    QTest::keyClick(e->txtPorts, Qt::Key_Backspace);
    QTest::keyClicks(e->txtPorts, typed);
    EXPECT_EQ(high->topLevelItem(12)->text(0).toStdString(), std::string("Allow outgoing TCP ports:") + typed);
    button(e, "cmdApply")->click();
    ASSERT_EQ(messages.size(), ++told) << typed;
    EXPECT_NE(messages.back().prompt.find(std::string("1 to 65535: \"") + typed + "\""), std::string::npos);
    EXPECT_EQ(readText("Profiles/Database_PortSetting.MVL"), before) << typed;
    EXPECT_TRUE(mvtest::tableRows(Database_TCPPorts).empty()) << typed;
    EXPECT_EQ(arrInternetHighSettings[12].Enabled, 0) << typed;
    EXPECT_TRUE(button(e, "cmdApply")->isEnabled());
  }
}

TEST_F(Editor, ABadPortOrAFailedSaveKeepsTheChangesOnScreen) {
  auto* e = typePortsOfATickedRow("0");
  button(e, "cmdOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].prompt.find("1 to 65535"), std::string::npos);
  EXPECT_TRUE(e->isVisible());
  EXPECT_TRUE(button(e, "cmdApply")->isEnabled());
  EXPECT_TRUE(mvtest::tableRows(Database_TCPPorts).empty());
  EXPECT_EQ(enabled("0050"), "0");
  // Mended, it goes through.
  e->txtPorts->setText("8080");
  button(e, "cmdApply")->click();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(enabled("0050"), "1");
  EXPECT_FALSE(button(e, "cmdApply")->isEnabled());
}

TEST_F(Editor, PortsThatCannotBeStoredAreToldAndTheRowIsNotSwitchedOn) {
  auto* e = typePortsOfATickedRow("8080");
  ASSERT_TRUE(platform::setReadOnly(TableFile(Database_TCPPorts), true));
  button(e, "cmdOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The custom security settings could not all be saved in " +
                                    native("Profiles/Database_TCPPorts.MVL") + ". Your changes are kept on screen.");
  EXPECT_TRUE(e->isVisible());
  EXPECT_TRUE(button(e, "cmdApply")->isEnabled());
  EXPECT_TRUE(mvtest::tableRows(Database_TCPPorts).empty());
  EXPECT_EQ(enabled("0050"), "0");
  EXPECT_EQ(description("0050"), "");
}

TEST_F(Editor, ASaveThatCannotStoreEveryRowStoresNone) {
  auto* e = typePortsOfATickedRow("8080");
  QTreeWidget* high = list(e, "lvwHighInternetZone");
  const bool ping = high->topLevelItem(3)->checkState(0) == Qt::Checked;
  tick(high, 3, !ping);
  const std::string before = readText("Profiles/Database_PortSetting.MVL");
  ASSERT_TRUE(platform::setReadOnly(TableFile(Database_TCPPorts), true));
  button(e, "cmdOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(e->isVisible());
  EXPECT_EQ(readText("Profiles/Database_PortSetting.MVL"), before);
  EXPECT_EQ(SettingsOf(CustomList::HighInternet).at(3).Enabled, ping ? 1 : 0);
  EXPECT_NE(high->topLevelItem(3)->checkState(0) == Qt::Checked, ping);
}

TEST_F(Editor, AFailedSaveOfTheRowsTextPutsItsRangesBack) {
  ASSERT_TRUE(Write_MorvantisNewData(Database_TCPPorts, getNextLineNo(Database_TCPPorts), {"3", "3", "1", "25", "25", "0050"}, true));
  const std::string before = readText("Profiles/Database_TCPPorts.MVL"), master = readText("Profiles/MVDB.MVL");
  auto* e = typePortsOfATickedRow("8080");
  ASSERT_TRUE(platform::setReadOnly(TableFile(Database_PortSetting), true));
  button(e, "cmdOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The custom security settings could not all be saved in " +
                                    native("Profiles/Database_PortSetting.MVL") + ". Your changes are kept on screen.");
  EXPECT_TRUE(e->isVisible());
  EXPECT_EQ(readText("Profiles/Database_TCPPorts.MVL"), before);
  EXPECT_EQ(readText("Profiles/MVDB.MVL"), master);
}

// A save cut short after any of its writes, as a kill would leave it: after
// the next start the editor shows the settings as they were before OK or
// Apply, or as the user made them, and the rule file holds those same
// settings, never a mix.
class EditorKilled : public Editor {
 protected:
  static constexpr const char* kFiles[] = {"Profiles/Database_PortSetting.MVL", "Profiles/Database_TCPPorts.MVL",
                                           "Profiles/Database_UDPPorts.MVL", "Profiles/MVDB.MVL"};
  // What a start shows: the editor opened on the settings read again, and
  // the rule file written from them at both levels of each zone.
  struct Shown {
    std::vector<std::vector<std::string>> rows;
    std::string rules;
    bool operator==(const Shown&) const = default;
  };
  Shown start() {
    platform::setProfileFileWriter(nullptr);
    platform::profileFinishPendingChange();
    ResetPortSettingGlobals();
    Init_Read_PortSetting();
    Shown shown;
    auto* e = open(0);
    for (const char* name : {"lvwHighTrustedZone", "lvwMediumTrustedZone", "lvwHighInternetZone", "lvwMediumInternetZone"}) {
      std::vector<std::string> rows = texts(list(e, name));
      const std::vector<int> ticked = ticks(list(e, name));
      for (size_t i = 0; i < rows.size(); ++i) rows[i] += ticked[i] ? " [x]" : " [ ]";
      shown.rows.push_back(rows);
    }
    arrTrustedEntries = {"10.1.1.1"};
    blnZoneDataChanged = false;
    DefaultAccessTrusted = DefaultAccessInternet = DefaultServerTrusted = DefaultServerInternet = 2;
    for (int level : {2, 3}) {
      intTrustedZoneLevel = intInternetZoneLevel = level;
      LoadBlockingRules(false);  // the rule file is written whether or not the service starts
      shown.rules += readText("System32/drivers/etc/mvd.conf");
    }
    return shown;
  }
  // Ticks and types on both tabs, then OK or Apply.
  void edit(const char* command) {
    auto* e = open(1);
    QTreeWidget* high = list(e, "lvwHighInternetZone");
    clickRow(high, 11);  // incoming TCP: 80 becomes 8080, 100-200
    e->txtPorts->selectAll();
    QTest::keyClick(e->txtPorts, Qt::Key_Backspace);
    QTest::keyClicks(e->txtPorts, "8080,100-200");
    tick(high, 10);  // outgoing UDP, with port 5000
    clickRow(high, 10);
    QTest::keyClicks(e->txtPorts, "5000");
    tick(high, 3);  // incoming ping
    clickRow(high, 3);
    QTabBar* bar = e->TabCustomSettings->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QTreeWidget* medium = list(e, "lvwMediumTrustedZone");
    tick(medium, 8, false);  // incoming UDP 53 off
    clickRow(medium, 8);
    tick(medium, 11);  // outgoing TCP 25 blocked
    clickRow(medium, 11);
    QTest::keyClicks(e->txtPorts, "25");
    button(e, command)->click();
  }
};

TEST_F(EditorKilled, OkOrApplyEndedAfterAnyWriteComesBackWholeAfterTheNextStart) {
  storeTickedPortRow(Database_TCPPorts, {"3", "3", "2", "80", "80", "0049"}, "80");
  storeTickedPortRow(Database_UDPPorts, {"2", "2", "2", "53", "53", "0009"}, "53");
  std::vector<std::string> stored;
  for (const char* file : kFiles) stored.push_back(readText(file));
  auto restore = [&] {
    for (size_t i = 0; i < stored.size(); ++i) writeText(kFiles[i], stored[i]);
    std::remove(platform::profileChangeRecordPath().c_str());
    platform::profileClearCache();
    ResetPortSettingGlobals();
    Init_Read_PortSetting();
  };
  const Shown before = start();
  for (const char* command : {"cmdOk", "cmdApply"}) {
    restore();
    int writes = 0;
    platform::setProfileFileWriter([&writes](const std::string& native, const std::string& bytes) {
      ++writes;
      return platform::writeNativeFileAtomic(native, bytes);
    });
    edit(command);
    const Shown after = start();
    ASSERT_NE(after, before);
    EXPECT_EQ(after.rows[2][11], "Allow incoming TCP ports:8080, 100-200 [x]");
    EXPECT_EQ(after.rows[1][11], "Block outgoing TCP ports:25 [x]");
    EXPECT_GE(writes, 4) << command;
    int sawBefore = 0, sawAfter = 0;
    for (int done = 0; done < writes; ++done) {
      SCOPED_TRACE(std::string(command) + " ended after " + std::to_string(done) + " writes");
      restore();
      platform::setProfileFileWriter([left = done](const std::string& native, const std::string& bytes) mutable {
        return left-- > 0 && platform::writeNativeFileAtomic(native, bytes);
      });
      edit(command);
      const Shown shown = start();
      sawBefore += shown == before;
      sawAfter += shown == after;
      EXPECT_TRUE(shown == before || shown == after);
    }
    // Both ends are reached: a cut before the change is recorded, and one
    // that the start finishes.
    EXPECT_GT(sawBefore, 0) << command;
    EXPECT_GT(sawAfter, 0) << command;
  }
  restore();
}

}  // namespace
