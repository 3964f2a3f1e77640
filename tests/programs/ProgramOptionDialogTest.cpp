// The program options dialog and the "Range of Ports" dialog, driven through
// their controls and the main window's server menu.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "programs/frmCustomPortsAdd.h"
#include "programs/frmProgramControlProgramOption.h"
#include "tests/core/ModalDriver.h"
#include "tests/programs/DialogInput.h"
#include "tests/programs/ProgramOptionsFixture.h"

namespace {

using namespace mv;
using mvtest::ModalDriver;
using mvtest::StoredOptions;
using mvtest::pasteInto;
using mvtest::sendKey;
using mvtest::typeInto;

StoredOptions onlyListed() {
  StoredOptions o;
  o.allowAccess = "1";
  return o;
}

class OptionDialog : public mvtest::ProgramOptionsTest {
 protected:
  void SetUp() override {
    ProgramOptionsTest::SetUp();
    main = MDIMainForm();
  }
  void TearDown() override {
    dialog.reset();
    UnloadMDIMain();
    ProgramOptionsTest::TearDown();
  }

  frmProgramControlProgramOption& open(const std::string& key) {
    dialog = std::make_unique<frmProgramControlProgramOption>(key);
    dialog->show();
    return *dialog;
  }

  QListWidget* list() const { return dialog->findChild<QListWidget*>("lstPorts"); }
  QPushButton* button(const char* name) const { return dialog->findChild<QPushButton*>(name); }
  QPushButton* apply() const { return button("cmdProgramOptionApply"); }
  std::vector<std::string> listed() const {
    std::vector<std::string> out;
    for (int i = 0; i < list()->count(); ++i) out.push_back(list()->item(i)->text().toStdString());
    return out;
  }
  std::vector<bool> checks() const {
    std::vector<bool> out;
    for (int i = 0; i < list()->count(); ++i) out.push_back(list()->item(i)->checkState() == Qt::Checked);
    return out;
  }
  std::vector<std::string> keys() const {
    std::vector<std::string> out;
    auto* hidden = dialog->findChild<QTreeWidget*>("lvwPorts");
    for (int i = 0; i < hidden->topLevelItemCount(); ++i) out.push_back(hidden->topLevelItem(i)->text(1).toStdString());
    return out;
  }
  void toggle(int row) {
    QListWidgetItem* item = list()->item(row);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }

  // Clicks "Add >>" and acts on the pop-up menu while it is open.
  int addFromMenu(const std::function<void(QMenu*)>& act) {
    QMenu* menu = main->mnuMenuMine;
    ModalDriver driver([menu] { return menu; }, [&] { act(menu); });
    button("cmdPortsAdd")->click();
    EXPECT_EQ(driver.leftOpen, 0);
    return driver.opened;
  }

  // Chooses "&Custom ..." from the menu and acts on the "Range of Ports"
  // dialog while it is open.
  ModalDriver* customPorts(const std::function<void(frmCustomPortsAdd*)>& act) {
    custom = std::make_unique<ModalDriver>([] { return LoadedForm<frmCustomPortsAdd>(); },
                                           [act] { act(LoadedForm<frmCustomPortsAdd>()); });
    addFromMenu([](QMenu* menu) { sendKey(menu, Qt::Key_C, "c"); });
    return custom.get();
  }
  static void fill(frmCustomPortsAdd* d, const std::string& description, const std::string& from,
                   const std::string& to) {
    typeInto(d->findChild<QLineEdit*>("txtDescription"), description);
    typeInto(d->findChild<QLineEdit*>("txtPortsFrom"), from);
    typeInto(d->findChild<QLineEdit*>("txtPortsTo"), to);
  }

  MDIMain* main = nullptr;
  std::unique_ptr<frmProgramControlProgramOption> dialog;
  std::unique_ptr<ModalDriver> custom;
};

TEST_F(OptionDialog, OpensWithTheProgramsTicksAndAnApplyWritesThemBackUnchanged) {
  StoredOptions o;
  o.allowAccess = "1";
  o.ports = "6,7";
  o.checkedPorts = "7";
  o.authenticate = "1";
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  open(key);
  EXPECT_EQ(dialog->windowTitle(), "Program Option");
  EXPECT_EQ(listed(), (std::vector<std::string>{"DHCP servers (UDP port 67)", "MAIL servers SMTP (TCP port 25)"}));
  EXPECT_EQ(checks(), (std::vector<bool>{false, true}));
  EXPECT_EQ(keys(), (std::vector<std::string>{"Ports06", "Ports07"}));
  EXPECT_TRUE(dialog->findChild<QRadioButton*>("optAllowAccessOnlyListed")->isChecked());
  EXPECT_EQ(dialog->findChild<QLabel*>("sknlblPortsProductName")->text().toStdString(), "Mail.exe");
  EXPECT_EQ(dialog->findChild<QLabel*>("sknlblPortsHeader")->text().toStdString(),
            "Use these setting to set port access permission for Mail.exe.");
  // The authentication level is hidden, and carried through.
  EXPECT_FALSE(dialog->findChild<QGroupBox*>("fraSecurity")->isVisible());
  EXPECT_TRUE(dialog->findChild<QRadioButton*>("optAuthenticateProg")->isChecked());
  EXPECT_FALSE(apply()->isEnabled());

  toggle(0);
  EXPECT_TRUE(apply()->isEnabled());
  toggle(0);
  apply()->click();
  EXPECT_FALSE(apply()->isEnabled());
  EXPECT_EQ(stored(key, "Ports"), "6,7");
  EXPECT_EQ(stored(key, "CheckedPorts"), "7");
  EXPECT_EQ(stored(key, "AllowAccess"), "1");
  EXPECT_EQ(stored(key, "Authenticate"), "1");
  EXPECT_TRUE(messages.empty());
  expectObjectAsLoaded(key);
}

TEST_F(OptionDialog, TheAccessOptionsAndProtocolBoxesSetTheControlsAndFooter) {
  StoredOptions o;
  o.allowAccess = "0";
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  open(key);
  auto* forAll = dialog->findChild<QRadioButton*>("optAllowAccessForAll");
  auto* only = dialog->findChild<QRadioButton*>("optAllowAccessOnlyListed");
  auto* except = dialog->findChild<QRadioButton*>("optNotAllowAccessOnlyListed");
  auto* icmp = dialog->findChild<QCheckBox*>("chkICMPprotocal");
  auto* igmp = dialog->findChild<QCheckBox*>("chkIGMPprotocol");
  auto* footer = dialog->findChild<QLabel*>("sknlblPortsFooter");
  const std::vector<QWidget*> listControls = {icmp, igmp, list(), button("cmdPortsAdd"), button("cmdPortsRemove")};
  EXPECT_TRUE(forAll->isChecked());
  for (QWidget* w : listControls) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

  except->click();
  for (QWidget* w : listControls) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_EQ(footer->text().toStdString(),
            "Choose this option to restrict Mail.exe to send and receive data through ALL ports and protocol EXCEPT "
            "checked.");
  EXPECT_TRUE(apply()->isEnabled());
  only->click();
  EXPECT_EQ(footer->text().toStdString(),
            "Choose this option to restrict Mail.exe to send and receive data through any checked ports and "
            "protocol.");
  icmp->click();
  EXPECT_EQ(footer->text().toStdString(),
            "This option enables or disables Ping and other all communication using ICMP protocol.");
  igmp->click();
  EXPECT_EQ(footer->text().toStdString(), "This option enables or disables all communication using IGMP protocol.");
  forAll->click();
  EXPECT_EQ(footer->text().toStdString(),
            "Choose this option to allow Mail.exe to send and receive data through any port, using any protocol.");
  for (QWidget* w : listControls) EXPECT_FALSE(w->isEnabled());
  except->click();

  // Only-listed or except-listed without any port: told, and stored all the same.
  apply()->click();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].prompt, "You have not add any port.");
  EXPECT_EQ(messages[0].buttons, platform::vbInformation);
  EXPECT_EQ(messages[0].title, "Morvantis");
  EXPECT_EQ(stored(key, "AllowAccess"), "2");
  EXPECT_EQ(stored(key, "ICMP_Protocol"), "1");
  EXPECT_EQ(stored(key, "IGMP_Protocol"), "1");
  EXPECT_EQ(stored(key, "Ports"), "");
  EXPECT_EQ(program(key).AllowAccess, 2);
  EXPECT_TRUE(program(key).ICMP_Protocol);
}

TEST_F(OptionDialog, TheServerMenuAddsItsPresetsCheckedAndNothingTwice) {
  StoredOptions o;
  o.allowAccess = "1";
  o.ports = "8";
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  open(key);
  // "&Mail Servers" chosen with its access key.
  EXPECT_EQ(addFromMenu([](QMenu* menu) { sendKey(menu, Qt::Key_M, "m"); }), 1);
  EXPECT_EQ(listed(), (std::vector<std::string>{"MAIL servers POP (TCP port 110)", "MAIL servers SMTP (TCP port 25)",
                                                "MAIL servers IMAP (TCP port 143)"}));
  EXPECT_EQ(checks(), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(keys(), (std::vector<std::string>{"Ports08", "Ports07", "Ports09"}));
  EXPECT_TRUE(apply()->isEnabled());
  addFromMenu([](QMenu* menu) { sendKey(menu, Qt::Key_M, "m"); });
  EXPECT_EQ(list()->count(), 3);

  // The other server items.
  for (const char* item : {"mnuwebServers", "mnuFtpServers", "mnuDNSServers", "mnuDhcpServers", "mnuNewsServers"})
    main->MenuItem(item)->trigger();
  EXPECT_EQ(keys(), (std::vector<std::string>{"Ports08", "Ports07", "Ports09", "Ports01", "Ports02", "Ports03",
                                              "Ports04", "Ports05", "Ports06", "Ports10"}));
  apply()->click();
  EXPECT_EQ(stored(key, "Ports"), "8,7,9,1,2,3,4,5,6,10");
  EXPECT_EQ(stored(key, "CheckedPorts"), "7,9,1,2,3,4,5,6,10");
  expectObjectAsLoaded(key);

  // Once the dialog is gone its commands are no longer connected.
  dialog.reset();
  main->MenuItem("mnuwebServers")->trigger();
}

TEST_F(OptionDialog, ClosingTheMenuWithoutAChoiceStillEnablesApply) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", onlyListed());
  open(key);
  EXPECT_EQ(addFromMenu([](QMenu* menu) { sendKey(menu, Qt::Key_Escape); }), 1);
  EXPECT_EQ(list()->count(), 0);
  EXPECT_TRUE(apply()->isEnabled());
}

TEST_F(OptionDialog, WithoutTheMainWindowItsOwnMenuServes) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", onlyListed());
  UnloadMDIMain();
  open(key);
  QMenu* twin = dialog->findChild<QMenu*>("mnuMenuMine");
  ASSERT_NE(twin, nullptr);
  ModalDriver driver([twin] { return twin; }, [twin] { sendKey(twin, Qt::Key_W, "w"); });
  button("cmdPortsAdd")->click();
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(keys(), (std::vector<std::string>{"Ports01", "Ports02", "Ports03"}));
}

TEST_F(OptionDialog, RemoveTakesTheCurrentEntryFromBothLists) {
  StoredOptions o;
  o.allowAccess = "1";
  o.custom = {"A (TCP port 1 )_1", "B (TCP port 2 )_0", "C (UDP port 3 )_1"};
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  open(key);
  list()->setCurrentRow(-1);
  button("cmdPortsRemove")->click();
  EXPECT_EQ(list()->count(), 3);
  EXPECT_FALSE(apply()->isEnabled());

  list()->setCurrentRow(1);
  button("cmdPortsRemove")->click();
  EXPECT_EQ(listed(), (std::vector<std::string>{"A (TCP port 1 )", "C (UDP port 3 )"}));
  EXPECT_EQ(keys(), (std::vector<std::string>{"Custom_1", "Custom_3"}));
  button("cmdProgramOptionOk")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(stored(key, "Custom_1"), "A (TCP port 1 )_1");
  EXPECT_EQ(stored(key, "Custom_2"), "C (UDP port 3 )_1");
  EXPECT_EQ(stored(key, "Custom_3"), "<missing>");
  EXPECT_EQ(stored(key, "NoCustomizePorts"), "2");
  EXPECT_EQ(storedKeys(key).size(), 17u);
  EXPECT_EQ(storedKeys(key).back(), "Custom_2");
  EXPECT_EQ(pairs(key), (Pairs{{"TCP", "1 "}, {"UDP", "3 "}}));
  expectObjectAsLoaded(key);
}

TEST_F(OptionDialog, TheCustomDialogAddsAPortOrARangeChecked) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", onlyListed());
  open(key);
  auto* driver = customPorts([](frmCustomPortsAdd* d) {
    EXPECT_EQ(d->windowTitle(), "Range of Ports");
    EXPECT_TRUE(d->findChild<QCheckBox*>("chkTCPPorts")->isChecked());
    EXPECT_TRUE(d->findChild<QCheckBox*>("chkUDPPorts")->isChecked());
    fill(d, "Web", "80", "");
    d->findChild<QPushButton*>("cmdPortsAddOk")->click();
  });
  EXPECT_EQ(driver->opened, 1);
  EXPECT_EQ(driver->leftOpen, 0);
  customPorts([](frmCustomPortsAdd* d) {
    fill(d, "Games", "1000", "2000");
    d->findChild<QCheckBox*>("chkTCPPorts")->click();
    d->findChild<QPushButton*>("cmdPortsAddOk")->click();
  });
  customPorts([](frmCustomPortsAdd* d) {
    fill(d, "Gone", "81", "");
    d->findChild<QPushButton*>("cmdPortsAddCancel")->click();
  });
  EXPECT_EQ(listed(), (std::vector<std::string>{"Web (TCP and UDP port 80 )", "Games (UDP port 1000-2000)"}));
  EXPECT_EQ(checks(), (std::vector<bool>{true, true}));
  EXPECT_EQ(keys(), (std::vector<std::string>{"Custom_1", "Custom_2"}));
  EXPECT_TRUE(messages.empty());
  apply()->click();
  EXPECT_EQ(stored(key, "Custom_1"), "Web (TCP and UDP port 80 )_1");
  EXPECT_EQ(stored(key, "Custom_2"), "Games (UDP port 1000-2000)_1");
  EXPECT_EQ(pairs(key), (Pairs{{"TCP", "80 "}, {"UDP", "80 "}, {"UDP", "1000-2000"}}));
  expectObjectAsLoaded(key);
}

TEST_F(OptionDialog, TheCustomDialogRefusesBadInputAndStaysOpen) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", onlyListed());
  open(key);
  bool stillOpen[3] = {};
  customPorts([&](frmCustomPortsAdd* d) {
    auto* ok = d->findChild<QPushButton*>("cmdPortsAddOk");
    d->findChild<QCheckBox*>("chkTCPPorts")->click();
    d->findChild<QCheckBox*>("chkUDPPorts")->click();
    ok->click();  // no protocol, no port
    stillOpen[0] = d->isVisible();
    d->findChild<QCheckBox*>("chkUDPPorts")->click();
    ok->click();  // no port
    stillOpen[1] = d->isVisible();
    fill(d, "Back", "2000", "1000");
    ok->click();
    stillOpen[2] = d->isVisible();
    d->findChild<QPushButton*>("cmdPortsAddCancel")->click();
  });
  EXPECT_TRUE(stillOpen[0] && stillOpen[1] && stillOpen[2]);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].prompt, "Please check TCP or UDP ports or both.");
  EXPECT_EQ(messages[1].prompt, "Please enter port(s) number between 1 to 65,535.");
  EXPECT_EQ(messages[2].prompt, "Please enter a valid port(s) range.");
  for (const auto& m : messages) EXPECT_EQ(m.buttons, platform::vbCritical);
  EXPECT_EQ(list()->count(), 0);
}

TEST_F(OptionDialog, PortBoxesTakeDigitsOnlyAndStayInRange) {
  auto key = storeProgram("C:\\Apps\\Mail.exe", onlyListed());
  open(key);
  std::string results[8];
  customPorts([&](frmCustomPortsAdd* d) {
    auto* from = d->findChild<QLineEdit*>("txtPortsFrom");
    auto* to = d->findChild<QLineEdit*>("txtPortsTo");
    auto* description = d->findChild<QLineEdit*>("txtDescription");
    pasteInto(from, "8a0");
    results[0] = TextOf(from);
    typeInto(from, "x");
    results[1] = TextOf(from);
    pasteInto(from, "443");
    results[2] = TextOf(from);
    from->selectAll();
    sendKey(from, Qt::Key_Backspace);
    results[3] = TextOf(from);  // cleared: 1
    from->selectAll();
    typeInto(from, "70000");
    results[4] = TextOf(from);
    typeInto(to, "99999");
    results[5] = TextOf(to);
    to->selectAll();
    typeInto(to, "0");
    results[6] = TextOf(to);
    pasteInto(description, "My (best) server");
    results[7] = TextOf(description);
    d->findChild<QCheckBox*>("chkUDPPorts")->click();
    d->findChild<QPushButton*>("cmdPortsAddOk")->click();
  });
  EXPECT_EQ(results[0], "");
  EXPECT_EQ(results[1], "");
  EXPECT_EQ(results[2], "443");
  EXPECT_EQ(results[3], "1");
  EXPECT_EQ(results[4], "65535");
  EXPECT_EQ(results[5], "65535");
  EXPECT_EQ(results[6], "0");
  EXPECT_EQ(results[7], "My best server");
  // A To of 0 is one port.
  EXPECT_EQ(listed(), (std::vector<std::string>{"My best server (TCP port 65535 )"}));
}

TEST_F(OptionDialog, ASaveThatFailsIsToldAndApplyStaysEnabled) {
  StoredOptions o;
  o.allowAccess = "0";
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  open(key);
  dialog->findChild<QRadioButton*>("optAllowAccessOnlyListed")->click();
  main->MenuItem("mnuNewsServers")->trigger();
  ASSERT_TRUE(platform::setReadOnly(strProgramControlFile, true));
  button("cmdProgramOptionOk")->click();
  ASSERT_EQ(messages.size(), 1u);
  // The file is named as the user would type it.
  EXPECT_EQ(messages[0].prompt,
            "The options of Mail.exe could not be saved in " + native("Profiles/ProgramControl.MVL") + ".");
  EXPECT_EQ(messages[0].buttons, platform::vbCritical);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(apply()->isEnabled());
  EXPECT_EQ(program(key).AllowAccess, 0);
  EXPECT_EQ(stored(key, "AllowAccess"), "0");

  // Once the file can be written again, Apply stores and Cancel keeps it.
  ASSERT_TRUE(platform::setReadOnly(strProgramControlFile, false));
  apply()->click();
  EXPECT_FALSE(apply()->isEnabled());
  dialog->findChild<QRadioButton*>("optAllowAccessForAll")->click();
  button("cmdProgramOptionCancel")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(stored(key, "AllowAccess"), "1");
  EXPECT_EQ(stored(key, "Ports"), "10");
}

TEST_F(OptionDialog, ShowProgramOptionsOpensTheListedProgramModally) {
  StoredOptions o;
  o.ports = "4";
  auto key = storeProgram("C:\\Apps\\Mail.exe", o);
  std::string shown;
  ModalDriver driver([] { return LoadedForm<frmProgramControlProgramOption>(); }, [&] {
    auto* d = LoadedForm<frmProgramControlProgramOption>();
    shown = d->findChild<QListWidget*>("lstPorts")->item(0)->text().toStdString();
    d->findChild<QListWidget*>("lstPorts")->item(0)->setCheckState(Qt::Checked);
    d->findChild<QPushButton*>("cmdProgramOptionOk")->click();
  });
  ShowProgramOptions("C:\\APPS\\MAIL.EXE");
  EXPECT_EQ(driver.opened, 1);
  EXPECT_EQ(driver.leftOpen, 0);
  EXPECT_EQ(shown, "FTP servers (TCP port 21)");
  EXPECT_EQ(stored(key, "CheckedPorts"), "4");
  EXPECT_EQ(LoadedForm<frmProgramControlProgramOption>(), nullptr);

  ShowProgramOptions("C:\\Apps\\Unknown.exe");
  EXPECT_EQ(driver.opened, 1);
}

}  // namespace
