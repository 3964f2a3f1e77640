// The four entry dialogs: the octet boxes typed into key by key, the rule
// that enables OK, and what each OK writes to the entry table, the address
// table and the zones page's list, in Add and in Edit mode.
#include <QComboBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>
#include <QLabel>
#include <QTabWidget>

#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/PrivateProfile.h"
#include "tests/zones/ZonesPageSupport.h"

using namespace mv;
using mvtest::ListRow;
using mvtest::TableRow;
using mvtest::rowsBySection;
using mvtest::tableRows;
using Rows = std::vector<TableRow>;
using Octets = std::array<std::string, 4>;

namespace {

class EntryDialogs : public mvtest::ZonesPageTest {
 protected:
  // A dialog shown on its own, active, with the focus in the box.
  template <class D>
  std::unique_ptr<D> shown() {
    auto d = std::make_unique<D>();
    d->show();
    d->activateWindow();
    QApplication::setActiveWindow(d.get());
    return d;
  }
  static QWidget* focusOf(QWidget* dialog) { return dialog->focusWidget(); }
  // Types each character where the focus is at that moment, as a user does.
  static void typeIntoFocus(QWidget* dialog, const char* text) {
    for (const char* c = text; *c; ++c) QTest::keyClick(focusOf(dialog), *c);
  }
  // The host name typed, Tab to Lookup and Enter on it, `whileWaiting` run
  // during the lookup; then Tab, a name typed and Enter. True when
  // `whileWaiting` ran while the lookup still waited.
  static bool lookUpThenNameByKeys(frmAddHostSite& d, std::function<void()> whileWaiting) {
    bool ranWhileWaiting = false;
    typeIntoFocus(&d, "nas.lan");
    QTest::keyClick(focusOf(&d), Qt::Key_Tab);
    EXPECT_EQ(focusOf(&d), d.cmdLookup);
    // Gone with this call: a lookup that ends sooner leaves it unfired.
    QTimer during;
    during.setSingleShot(true);
    QObject::connect(&during, &QTimer::timeout, &d, [&] {
      ranWhileWaiting = !d.cmdLookup->isEnabled();  // the lookup still waits
      whileWaiting();
    });
    during.start(200);
    QTest::keyClick(d.cmdLookup, Qt::Key_Return);
    EXPECT_EQ(d.lvwDetails->topLevelItemCount(), 1);
    QTest::keyClick(focusOf(&d), Qt::Key_Tab);
    typeIntoFocus(&d, "Local box");
    QTest::keyClick(focusOf(&d), Qt::Key_Return);
    return ranWhileWaiting;
  }
  // The page's list after a run of the Add menu's command.
  frmFirewall* page = nullptr;
  void SetUp() override {
    ZonesPageTest::SetUp();
    page = loadPage();
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// The octet boxes.

TEST_F(EntryDialogs, AKeyOnAFullBoxClampsAndMovesOnButNotFromTheLastBox) {
  auto d = shown<frmAddIPAddress>();
  OctetBox* const* box = d->txtIP.data();
  box[0]->setFocus();
  QTest::keyClicks(box[0], "192");
  EXPECT_EQ(box[0]->text(), "192");
  EXPECT_EQ(focusOf(d.get()), box[0]);
  // The digit goes on into the next box.
  QTest::keyClick(box[0], Qt::Key_7);
  EXPECT_EQ(box[0]->text(), "192");
  EXPECT_EQ(box[1]->text(), "7");
  EXPECT_EQ(focusOf(d.get()), box[1]);

  QTest::keyClicks(box[1], "99");
  EXPECT_EQ(box[1]->text(), "799");  // clamped only by the next key
  QTest::keyClick(box[1], Qt::Key_1);
  EXPECT_EQ(box[1]->text(), "255");
  EXPECT_EQ(box[2]->text(), "1");
  EXPECT_EQ(focusOf(d.get()), box[2]);

  QTest::keyClicks(box[2], "55");
  QTest::keyClick(box[2], Qt::Key_0);
  EXPECT_EQ(box[2]->text(), "155");
  EXPECT_EQ(box[3]->text(), "0");
  EXPECT_EQ(focusOf(d.get()), box[3]);

  QTest::keyClick(box[3], Qt::Key_Backspace);
  QTest::keyClicks(box[3], "300");
  QTest::keyClick(box[3], Qt::Key_4);
  EXPECT_EQ(box[3]->text(), "255");
  EXPECT_EQ(focusOf(d.get()), box[3]);  // the last box sends no Tab
}

TEST_F(EntryDialogs, ADottedAddressTypedIntoAFreshDialogFillsTheBoxes) {
  auto d = shown<frmAddSubnet>();
  typeIntoFocus(d.get(), "10.0.0.1");
  QTest::keyClick(focusOf(d.get()), Qt::Key_Tab);
  typeIntoFocus(d.get(), "255.255.255.0");
  QTest::keyClick(focusOf(d.get()), Qt::Key_Tab);
  typeIntoFocus(d.get(), "Lab");
  EXPECT_EQ(OctetTexts(d->txtIP), (Octets{"10", "0", "0", "1"}));
  EXPECT_EQ(OctetTexts(d->txtSubnet), (Octets{"255", "255", "255", "0"}));
  EXPECT_EQ(d->txtDescription->text(), "Lab");
  EXPECT_TRUE(d->cmdOk->isEnabled());
}

TEST_F(EntryDialogs, TypingOverAFullBoxEnteredByTabOrSelectedReplacesItsTextOnly) {
  auto d = shown<frmAddIPAddress>();
  SetOctets(d->txtIP, "192.168.1.20");
  QTest::keyClick(focusOf(d.get()), Qt::Key_Tab);
  ASSERT_EQ(focusOf(d.get()), d->txtIP[1]);
  typeIntoFocus(d.get(), "17");
  EXPECT_EQ(OctetTexts(d->txtIP), (Octets{"192", "17", "1", "20"}));
  d->txtIP[0]->setFocus();
  d->txtIP[0]->selectAll();
  typeIntoFocus(d.get(), "10");
  EXPECT_EQ(OctetTexts(d->txtIP), (Octets{"10", "17", "1", "20"}));
  EXPECT_EQ(focusOf(d.get()), d->txtIP[0]);
}

TEST_F(EntryDialogs, AFullStopMovesOnFromABoxWithDigitsOnly) {
  auto d = shown<frmAddIPAddress>();
  typeIntoFocus(d.get(), ".");
  EXPECT_EQ(focusOf(d.get()), d->txtIP[0]);
  typeIntoFocus(d.get(), "192.");
  EXPECT_EQ(focusOf(d.get()), d->txtIP[1]);
  typeIntoFocus(d.get(), ".");
  EXPECT_EQ(focusOf(d.get()), d->txtIP[1]);
  typeIntoFocus(d.get(), "1.2.3.");
  EXPECT_EQ(focusOf(d.get()), d->txtIP[3]);  // the last box keeps the focus
  EXPECT_EQ(OctetTexts(d->txtIP), (Octets{"192", "1", "2", "3"}));
}

TEST_F(EntryDialogs, EachDialogOpensInItsFirstFieldAndTabsInReadingOrderThenOkThenCancel) {
  auto chain = [](QDialog* d, int steps) {
    std::vector<std::string> names;
    for (int i = 0; i < steps; ++i) {
      QWidget* w = d->focusWidget();
      const QVariant index = w->property("Index");
      names.push_back(w->objectName().toStdString() + (index.isValid() ? std::to_string(index.toInt()) : ""));
      QTest::keyClick(w, Qt::Key_Tab);
    }
    return names;
  };
  using Names = std::vector<std::string>;
  auto address = shown<frmAddIPAddress>();
  SetOctets(address->txtIP, "10.0.0.1");
  address->txtDescription->setText("Router");  // OK is on
  EXPECT_EQ(chain(address.get(), 9),
            (Names{"txtIP0", "txtIP1", "txtIP2", "txtIP3", "txtDescription", "cboZones", "cmdOk", "cmdCancel",
                   "txtIP0"}));
  auto range = shown<frmAddIPRange>();
  SetOctets(range->txtIPStart, "10.0.0.1");
  SetOctets(range->txtIPEnd, "10.0.0.9");
  range->txtDescription->setText("Lab");
  EXPECT_EQ(chain(range.get(), 12),
            (Names{"txtIPStart0", "txtIPStart1", "txtIPStart2", "txtIPStart3", "txtIPEnd0", "txtIPEnd1", "txtIPEnd2",
                   "txtIPEnd3", "txtDescription", "cboZones", "cmdOk", "cmdCancel"}));
  EXPECT_EQ(chain(shown<frmAddSubnet>().get(), 1), (Names{"txtIP0"}));
  // Lookup and OK are left out while they are off: there is nothing to act on yet.
  EXPECT_EQ(chain(shown<frmAddHostSite>().get(), 6),
            (Names{"txtHostName", "txtDescription", "cboZones", "lvwDetails", "cmdCancel", "txtHostName"}));
}

TEST_F(EntryDialogs, OctetBoxesTakeDigitsAndBackspaceOnly) {
  auto d = shown<frmAddIPAddress>();
  OctetBox* box = d->txtIP[0];
  box->setFocus();
  QTest::keyClicks(box, "1a -.2");
  EXPECT_EQ(box->text(), "12");
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), "1");
  // A pasted text that is not all digits is refused; digits go in.
  box->insert("x9");
  EXPECT_EQ(box->text(), "1");
  box->insert("05");
  EXPECT_EQ(box->text(), "105");
  box->selectAll();
  box->insert("1234");
  EXPECT_EQ(box->text(), "123");  // cut to the box's three characters
}

TEST_F(EntryDialogs, TheFourthStartBoxDoesNotMoveIntoTheEndRow) {
  auto d = shown<frmAddIPRange>();
  d->txtIPStart[3]->setFocus();
  QTest::keyClicks(d->txtIPStart[3], "1234");
  EXPECT_EQ(d->txtIPStart[3]->text(), "123");
  EXPECT_EQ(focusOf(d.get()), d->txtIPStart[3]);
  // Within a row the focus moves from box to box.
  d->txtIPEnd[2]->setFocus();
  QTest::keyClicks(d->txtIPEnd[2], "1234");
  EXPECT_EQ(focusOf(d.get()), d->txtIPEnd[3]);
}

TEST_F(EntryDialogs, OkIsEnabledExactlyWhenEveryFieldIsFilledIn) {
  auto d = shown<frmAddSubnet>();
  EXPECT_FALSE(d->cmdOk->isEnabled());
  typeAddress(d->txtIP, {"10", "0", "0", "0"});
  typeAddress(d->txtSubnet, {"255", "0", "0", "0"});
  EXPECT_FALSE(d->cmdOk->isEnabled());
  QTest::keyClicks(d->txtDescription, "n");
  EXPECT_TRUE(d->cmdOk->isEnabled());
  d->txtSubnet[2]->setFocus();
  QTest::keyClick(d->txtSubnet[2], Qt::Key_Backspace);
  EXPECT_FALSE(d->cmdOk->isEnabled());
  QTest::keyClick(d->txtSubnet[2], Qt::Key_0);
  EXPECT_TRUE(d->cmdOk->isEnabled());
  EXPECT_EQ(d->cboZones->currentText(), "Trusted");
  EXPECT_EQ(d->cboZones->count(), 3);
  EXPECT_FALSE(d->cboZones->isEditable());
}

TEST_F(EntryDialogs, LeavingAMaskBoxKeepsOnlyMaskBytes) {
  auto d = shown<frmAddSubnet>();
  OctetBox* const* mask = d->txtSubnet.data();
  mask[0]->setFocus();
  QTest::keyClicks(mask[0], "250");
  mask[1]->setFocus();
  EXPECT_EQ(mask[0]->text(), "0");
  QTest::keyClicks(mask[1], "248");
  mask[2]->setFocus();
  EXPECT_EQ(mask[1]->text(), "248");
  mask[3]->setFocus();
  EXPECT_EQ(mask[2]->text(), "0");  // left empty
  // Left at 300 (no further key clamped it), the box is not a mask byte.
  QTest::keyClicks(mask[3], "300");
  d->txtIP[0]->setFocus();
  EXPECT_EQ(mask[3]->text(), "0");
}

// ---------------------------------------------------------------------------
// IP address.

TEST_F(EntryDialogs, AddingAnAddressWritesItsRowItsAddressRowAndAListRow) {
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    EXPECT_EQ(d.sknlblAddIPAddress->text().toStdString(),
              "Add an IP Address to your Trusted or Blocked Zone by completing the fields below.  Name the IP "
              "Address for easy reference later so you always know who you're trusting and who you're not.");
    typeAddress(d.txtIP, {"010", "0", "0", "1"});
    QTest::keyClicks(d.txtDescription, "Router");
    d.cboZones->setCurrentIndex(0);
    d.cmdOk->click();
  });
  page->mnuPopupIPAddress_Click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_TRUE(blnZoneDataChanged);
  EXPECT_EQ(tableRows(Database_IPSetting), (Rows{{"0001", {"010.0.0.1", "Router", "010.0.0.1", "1", "000001"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"2", "1", "010.0.0.1", "010.0.0.1", "000001"}}}));
  EXPECT_EQ(listRows(page->lvwZones), (std::vector<ListRow>{{"Router", "010.0.0.1", "IP Address", "Blocked", "000001"}}));
  EXPECT_TRUE(page->cmdEdit->isEnabled());
}

TEST_F(EntryDialogs, OkClampsBoxesThatWereLeftOverlarge) {
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    typeAddress(d.txtIP, {"300", "1", "2", "999"});
    QTest::keyClicks(d.txtDescription, "Big");
    QTest::keyClick(d.txtDescription, Qt::Key_Return);  // OK by Enter
  });
  page->mnuPopupIPAddress_Click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(dialog->leftOpen, 0);
  ASSERT_EQ(tableRows(Database_IPSetting).size(), 1u);
  EXPECT_EQ(tableRows(Database_IPSetting)[0].values[0], "255.1.2.255");
}

TEST_F(EntryDialogs, EditKeepsTheIDAndRowSectionAndReplacesTheAddressRow) {
  std::string id = addEntry(Database_IPSetting, {"10.0.0.1", "Old", "10.0.0.1", "2"});
  addEntry(Database_IPSetting, {"10.0.0.2", "Other", "10.0.0.2", "2"});
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, getNextLineNo(Database_IPAddress), {"2", "2", "10.0.0.1", "10.0.0.1", id}, true));
  delete page;
  page = loadPage();
  auto dialog = onDialog<frmAddIPAddress>([](frmAddIPAddress& d) {
    d.txtIP[3]->selectAll();
    QTest::keyClicks(d.txtIP[3], "7");
    d.txtDescription->selectAll();
    QTest::keyClicks(d.txtDescription, "New");
    d.cboZones->setCurrentIndex(0);
    d.cmdOk->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(tableRows(Database_IPSetting), (Rows{{"0001", {"10.0.0.7", "New", "10.0.0.7", "1", id}},
                                               {"0002", {"10.0.0.2", "Other", "10.0.0.2", "2", "000002"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0007", {"2", "1", "10.0.0.7", "10.0.0.7", id}}}));
  EXPECT_EQ(listRows(page->lvwZones)[0], (ListRow{"New", "10.0.0.7", "IP Address", "Blocked", id}));
  EXPECT_EQ(page->lblZoneNameInfo->text(), "New");
  EXPECT_EQ(page->lblIPAddressSiteInfo->text(), "10.0.0.7");
  EXPECT_EQ(strEditEntryID, "");
}

TEST_F(EntryDialogs, AnEntryRemovedWhileItsDialogIsOpenIsNotWrittenBack) {
  std::string id = addEntry(Database_IPSetting, {"10.0.0.1", "Old", "10.0.0.1", "2"});
  delete page;
  page = loadPage();
  auto dialog = onDialog<frmAddIPAddress>([id](frmAddIPAddress& d) {
    EXPECT_TRUE(Delete_TableData(Database_IPSetting, "ID=" + id, "ID"));
    d.cmdOk->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(dialog->leftOpen, 0);
  EXPECT_TRUE(tableRows(Database_IPSetting).empty());
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
  EXPECT_EQ(platform::profileRead(TableFile(Database_IPSetting))->sections().size(), 0u);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "The entry 'Old' no longer exists, so the changes were not saved.");
  EXPECT_EQ(listRows(page->lvwZones)[0][0], "Old");
}

TEST_F(EntryDialogs, AStoredAddressWithoutDotsFillsTheFirstBoxOnly) {
  addEntry(Database_IPSetting, {"10.0", "Short", "10.0", "2"});
  delete page;
  page = loadPage();
  Octets seen;
  auto dialog = onDialog<frmAddIPAddress>([&](frmAddIPAddress& d) {
    seen = octets(d.txtIP);
    EXPECT_FALSE(d.cmdOk->isEnabled());
    d.cmdCancel->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(seen, (Octets{"10", "0", "", ""}));
  EXPECT_EQ(SplitOctets("1234"), (Octets{"1234", "", "", ""}));
  EXPECT_EQ(SplitOctets("1.2.3.4.5"), (Octets{"1", "2", "3", "4.5"}));
}

// ---------------------------------------------------------------------------
// IP range.

TEST_F(EntryDialogs, ARangeWhoseEndIsBelowItsStartIsRefusedAndNothingWritten) {
  int clicks = 0;
  auto dialog = onDialog<frmAddIPRange>([&](frmAddIPRange& d) {
    typeAddress(d.txtIPStart, {"192", "168", "1", "10"});
    typeAddress(d.txtIPEnd, {"192", "168", "1", "1"});
    QTest::keyClicks(d.txtDescription, "Backwards");
    d.cmdOk->click();
    ++clicks;
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(octets(d.txtIPStart)[3], "10");
    d.cmdCancel->click();
  });
  page->mnuPopupIPRange_Click();
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Please enter a valid IP Range.");
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_TRUE(tableRows(Database_IPRangeSetting).empty());
  EXPECT_TRUE(tableRows(Database_IPAddress).empty());
  EXPECT_EQ(page->lvwZones->topLevelItemCount(), 0);
}

TEST_F(EntryDialogs, ARangeInOrderIsStoredWithItsDescriptionAndAddressRow) {
  auto dialog = onDialog<frmAddIPRange>([](frmAddIPRange& d) {
    typeAddress(d.txtIPStart, {"10", "0", "0", "200"});
    typeAddress(d.txtIPEnd, {"10", "0", "1", "1"});
    QTest::keyClicks(d.txtDescription, "Lab");
    d.cmdOk->click();
  });
  page->mnuPopupIPRange_Click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(tableRows(Database_IPRangeSetting),
            (Rows{{"0001", {"10.0.0.200", "10.0.1.1", "Lab", "10.0.0.200 - 10.0.1.1", "2", "000001"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"3", "2", "10.0.0.200", "10.0.1.1", "000001"}}}));
  EXPECT_EQ(listRows(page->lvwZones),
            (std::vector<ListRow>{{"Lab", "10.0.0.200 - 10.0.1.1", "IP Range", "Trusted", "000001"}}));
}

// ---------------------------------------------------------------------------
// Subnet and the detected network.

TEST_F(EntryDialogs, ASubnetIsStoredWithItsDescriptionAndItsAddressInPrefixForm) {
  auto dialog = onDialog<frmAddSubnet>([](frmAddSubnet& d) {
    typeAddress(d.txtIP, {"192", "168", "1", "5"});
    typeAddress(d.txtSubnet, {"255", "255", "255", "250"});  // left by OK: the last byte is refused
    QTest::keyClicks(d.txtDescription, "Home");
    d.cmdOk->click();
  });
  page->mnuPopupSubnet_Click();
  EXPECT_EQ(tableRows(Database_SubnetSetting),
            (Rows{{"0006", {"192.168.1.5", "255.255.255.0", "Home", "192.168.1.5/255.255.255.0", "2", "0", "000001"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"4", "2", "192.168.1.5/24", "192.168.1.5/24", "000001"}}}));
  EXPECT_EQ(listRows(page->lvwZones),
            (std::vector<ListRow>{{"Home", "192.168.1.5/255.255.255.0", "Subnet", "Trusted", "000001"}}));
}

TEST_F(EntryDialogs, EditingTheDetectedNetworkRewritesOnlyItsOwnRows) {
  std::string first = addNetwork("0001", "10.0.0.0");
  std::string second = addNetwork("0002", "192.168.1.0");
  delete page;
  page = loadPage();
  const auto before = tableRows(Database_IPAddress);
  clickRow(page->lvwZones, 1);
  auto dialog = onDialog<frmAddSubnet>([](frmAddSubnet& d) {
    EXPECT_FALSE(d.txtIP[0]->isEnabled());
    EXPECT_FALSE(d.txtSubnet[3]->isEnabled());
    d.txtDescription->selectAll();
    QTest::keyClicks(d.txtDescription, "Home LAN");
    d.cboZones->setCurrentIndex(0);
    d.cmdOk->click();
  });
  clickRow(page->lvwZones, 1, true);
  EXPECT_EQ(dialog->opened, 1);
  EXPECT_EQ(rowsBySection(Database_SubnetSetting),
            (Rows{{"0001", {"10.0.0.0", "255.255.255.0", "New Network", "10.0.0.0/255.255.255.0", "2", "1", first}},
                  {"0002", {"192.168.1.0", "255.255.255.0", "Home LAN", "192.168.1.0/255.255.255.0", "1", "1", second}}}));
  EXPECT_EQ(rowsBySection(Database_IPAddress),
            (Rows{before[0], {"0002", {"5", "1", "192.168.1.0/24", "192.168.1.0/24", second}}}));
  EXPECT_EQ(listRows(page->lvwZones)[1],
            (ListRow{"Home LAN", "192.168.1.0/255.255.255.0", "Network", "Blocked", second}));
}

TEST_F(EntryDialogs, EditingAPlainSubnetKeepsItASubnet) {
  std::string id = addEntry(Database_SubnetSetting, {"172.16.0.0", "255.255.0.0", "Office", "172.16.0.0/255.255.0.0", "1", "0"});
  delete page;
  page = loadPage();
  auto dialog = onDialog<frmAddSubnet>([](frmAddSubnet& d) {
    EXPECT_TRUE(d.txtIP[0]->isEnabled());
    d.txtSubnet[1]->selectAll();
    QTest::keyClicks(d.txtSubnet[1], "240");
    d.cmdOk->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(tableRows(Database_SubnetSetting),
            (Rows{{"0006", {"172.16.0.0", "255.240.0.0", "Office", "172.16.0.0/255.240.0.0", "1", "0", id}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"4", "1", "172.16.0.0/12", "172.16.0.0/12", id}}}));
  EXPECT_EQ(listRows(page->lvwZones)[0][2], "Subnet");
}

// ---------------------------------------------------------------------------
// Host names.

TEST_F(EntryDialogs, LookupListsTheAddressesAndOkStoresOneRowPerAddress) {
  fakeResolver({{"www.example.com", {{93, 184, 216, 34}, {93, 184, 216, 35}}}});
  auto dialog = onDialog<frmAddHostSite>([](frmAddHostSite& d) {
    EXPECT_FALSE(d.cmdLookup->isEnabled());
    QTest::keyClicks(d.txtHostName, "www.example.com");
    EXPECT_TRUE(d.cmdLookup->isEnabled());
    EXPECT_FALSE(d.cmdOk->isEnabled());
    QTest::keyClicks(d.txtDescription, "Example");
    EXPECT_TRUE(d.cmdOk->isEnabled());
    d.cmdLookup->click();
    ASSERT_EQ(d.lvwDetails->topLevelItemCount(), 2);
    EXPECT_EQ(d.lvwDetails->topLevelItem(0)->text(0), "93.184.216.34");
    EXPECT_EQ(d.lvwDetails->topLevelItem(1)->text(0), "93.184.216.35");
    EXPECT_TRUE(d.cmdCancel->isEnabled());
    d.cmdOk->click();
  });
  page->mnuPopupHostSite_Click();
  EXPECT_EQ(lookups, (std::vector<std::string>{"www.example.com"}));  // OK does not look up again
  EXPECT_EQ(tableRows(Database_HostSetting),
            (Rows{{"0001", {"www.example.com", "Example", "www.example.com", "2", "000001"}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"1", "2", "93.184.216.34", "93.184.216.34", "000001"}},
                                                 {"0007", {"1", "2", "93.184.216.35", "93.184.216.35", "000001"}}}));
  EXPECT_EQ(listRows(page->lvwZones),
            (std::vector<ListRow>{{"Example", "www.example.com", "Host Name", "Trusted", "000001"}}));
}

TEST_F(EntryDialogs, ANameWithoutAddressesIsToldAtLookupAndRefusedAtOk) {
  fakeResolver({{"good.example", {{10, 1, 1, 1}}}});
  auto dialog = onDialog<frmAddHostSite>([this](frmAddHostSite& d) {
    QTest::keyClicks(d.txtHostName, "no.such host");  // a blank cannot be typed
    EXPECT_EQ(d.txtHostName->text(), "no.suchhost");
    QTest::keyClicks(d.txtDescription, "Nothing");
    d.cmdLookup->click();
    EXPECT_EQ(d.lvwDetails->topLevelItemCount(), 0);
    EXPECT_TRUE(d.cmdLookup->isEnabled());
    EXPECT_TRUE(d.cmdCancel->isEnabled());
    d.cmdOk->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(tableRows(Database_HostSetting).empty());
    // Corrected, the same dialog stores the entry.
    d.txtHostName->selectAll();
    QTest::keyClicks(d.txtHostName, "good.example");
    d.cmdOk->click();
    EXPECT_EQ(lookups.size(), 3u);
  });
  page->mnuPopupHostSite_Click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].prompt, "Morvantis can not find 'no.suchhost'.");
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_EQ(messages[1].prompt, "Morvantis can't find 'no.suchhost'.");
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"1", "2", "10.1.1.1", "10.1.1.1", "000001"}}}));
}

TEST_F(EntryDialogs, AfterALookupTabTypingAndEnterAddTheEntry) {
  fakeResolver({{"nas.lan", {{192, 168, 1, 5}}}});
  auto dialog = onDialog<frmAddHostSite>([](frmAddHostSite& d) { lookUpThenNameByKeys(d, [] {}); });
  page->mnuPopupHostSite_Click();
  EXPECT_EQ(listRows(page->lvwZones),
            (std::vector<ListRow>{{"Local box", "nas.lan", "Host Name", "Trusted", "000001"}}));
}

TEST_F(EntryDialogs, ATabPressedWhileALookupWaitsLeavesTheKeysAfterItToTheFormAsBefore) {
  fakeResolver({});
  // The resolver blocks on its own thread, as the real one does, and answers
  // after two seconds.
  platform::setHostLookup([](const std::string&, std::vector<platform::IPv4Bytes>& out) {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    out = {{192, 168, 1, 5}};
    return true;
  });
  bool pressedDuringWait = false;
  auto dialog = onDialog<frmAddHostSite>([&](frmAddHostSite& d) {
    pressedDuringWait = lookUpThenNameByKeys(d, [&d] { QTest::keyClick(focusOf(&d), Qt::Key_Tab); });
  });
  page->mnuPopupHostSite_Click();
  EXPECT_TRUE(pressedDuringWait);
  EXPECT_EQ(listRows(page->lvwZones),
            (std::vector<ListRow>{{"Local box", "nas.lan", "Host Name", "Trusted", "000001"}}));
}

TEST_F(EntryDialogs, AfterAHostNameRefusedAtOkTheCorrectionIsTypedIntoTheBox) {
  std::string id = addEntry(Database_HostSetting, {"nas.lan", "Box", "nas.lan", "2"});
  delete page;
  page = loadPage();
  fakeResolver({{"nas.lan", {{192, 168, 1, 5}}}});
  auto dialog = onDialog<frmAddHostSite>([](frmAddHostSite& d) {
    typeIntoFocus(&d, "nas.lam");  // the name opens selected: typing replaces it
    QTest::keyClick(focusOf(&d), Qt::Key_Return);
    QTest::keyClick(focusOf(&d), Qt::Key_Backspace);
    typeIntoFocus(&d, "n");
    QTest::keyClick(focusOf(&d), Qt::Key_Return);
  });
  page->cmdEdit->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "Morvantis can't find 'nas.lam'.");
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"1", "2", "192.168.1.5", "192.168.1.5", id}}}));
}

// A resolver that blocks, as the real one does, until the test lets it
// answer.
struct SlowResolver {
  std::atomic<bool> release{false};
  std::atomic<bool> answered{false};
  SlowResolver() {
    platform::setHostLookup([this](const std::string&, std::vector<platform::IPv4Bytes>& out) {
      while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      out = {{10, 1, 1, 1}};
      answered = true;
      return true;
    });
  }
  ~SlowResolver() {
    release = true;
    while (!answered) QTest::qWait(5);
  }
};

TEST_F(EntryDialogs, TheWindowKeepsWorkingWhileASlowResolverAnswersAndTheAnswerArrives) {
  SlowResolver resolver;
  bool handledDuringWait = false;
  auto dialog = onDialog<frmAddHostSite>([&](frmAddHostSite& d) {
    QTest::keyClicks(d.txtHostName, "slow.example");
    QTest::keyClicks(d.txtDescription, "Slow");
    QTimer::singleShot(20, &d, [&] {
      handledDuringWait = true;
      EXPECT_TRUE(d.cmdCancel->isEnabled());
      EXPECT_FALSE(d.cmdLookup->isEnabled());
      EXPECT_FALSE(d.cmdOk->isEnabled());
      // The name looked up cannot change under the answer.
      QTest::keyClicks(d.txtHostName, "x");
      resolver.release = true;
    });
    d.cmdLookup->click();
    EXPECT_EQ(d.txtHostName->text(), "slow.example");
    ASSERT_EQ(d.lvwDetails->topLevelItemCount(), 1);
    EXPECT_EQ(d.lvwDetails->topLevelItem(0)->text(0), "10.1.1.1");
    EXPECT_TRUE(d.cmdOk->isEnabled());
    d.cmdOk->click();
  });
  page->mnuPopupHostSite_Click();
  EXPECT_TRUE(handledDuringWait);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0006", {"1", "2", "10.1.1.1", "10.1.1.1", "000001"}}}));
}

TEST_F(EntryDialogs, CancelWhileTheResolverWorksClosesTheDialogAndStoresNothing) {
  SlowResolver resolver;
  auto dialog = onDialog<frmAddHostSite>([](frmAddHostSite& d) {
    QTest::keyClicks(d.txtHostName, "slow.example");
    QTest::keyClicks(d.txtDescription, "Slow");
    QTimer::singleShot(20, &d, [&d] { d.cmdCancel->click(); });
    d.cmdLookup->click();
  });
  page->mnuPopupHostSite_Click();
  EXPECT_FALSE(resolver.answered);
  EXPECT_FALSE(LoadedForm<frmAddHostSite>() && LoadedForm<frmAddHostSite>()->isVisible());
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(tableRows(Database_HostSetting).empty());
}

TEST_F(EntryDialogs, SocketsThatCannotStartCountAsNoAddress) {
  platform::setSocketsStartup([](std::uint16_t, platform::SocketsInfo&) { return 10091; });
  auto dialog = onDialog<frmAddHostSite>([](frmAddHostSite& d) {
    QTest::keyClicks(d.txtHostName, "www.example.com");
    QTest::keyClicks(d.txtDescription, "Example");
    d.cmdLookup->click();
    EXPECT_EQ(d.lvwDetails->topLevelItemCount(), 0);
    EXPECT_TRUE(d.cmdLookup->isEnabled());
    d.cmdCancel->click();
  });
  page->mnuPopupHostSite_Click();
  ASSERT_EQ(messages.size(), 2u);  // the sockets' own notice, then the lookup's
  EXPECT_EQ(messages[1].prompt, "Morvantis can not find 'www.example.com'.");
  EXPECT_TRUE(tableRows(Database_HostSetting).empty());
}

TEST_F(EntryDialogs, EditingAHostResolvesItAgainAndKeepsItsID) {
  std::string id = addEntry(Database_HostSetting, {"www.example.com", "Example", "www.example.com", "1"});
  EXPECT_TRUE(Write_MorvantisNewData(Database_IPAddress, getNextLineNo(Database_IPAddress), {"1", "1", "1.1.1.1", "1.1.1.1", id}, true));
  delete page;
  page = loadPage();
  fakeResolver({{"www.example.com", {{2, 2, 2, 2}}}});
  auto dialog = onDialog<frmAddHostSite>([](frmAddHostSite& d) {
    EXPECT_EQ(d.tabAddHostSite->tabText(0), "Edit");
    d.cboZones->setCurrentIndex(1);
    d.cmdOk->click();
  });
  page->cmdEdit->click();
  EXPECT_EQ(lookups, (std::vector<std::string>{"www.example.com"}));
  EXPECT_EQ(tableRows(Database_HostSetting), (Rows{{"0001", {"www.example.com", "Example", "www.example.com", "2", id}}}));
  EXPECT_EQ(tableRows(Database_IPAddress), (Rows{{"0007", {"1", "2", "2.2.2.2", "2.2.2.2", id}}}));
  EXPECT_EQ(listRows(page->lvwZones)[0], (ListRow{"Example", "www.example.com", "Host Name", "Trusted", id}));
  EXPECT_EQ(page->lblZoneInfo->text(), "Trusted");
}
