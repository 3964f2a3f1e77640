// From the options dialog to the rule file: the ports a program is given in
// its options dialog are the ones the next Apply writes into its sections,
// whether the rules come from the program list in memory or from the file.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/mdlFileProperty.h"
#include "programs/frmCustomPortsAdd.h"
#include "programs/frmProgramControlProgramOption.h"
#include "programs/mdlProgramControl.h"
#include "tests/core/ModalDriver.h"
#include "tests/programs/DialogInput.h"
#include "tests/rules/RulesFixture.h"

namespace {

using namespace mv;
using mvtest::ModalDriver;
using mvtest::sendKey;
using mvtest::typeInto;

class OptionsToRules : public mvtest::RulesTest {
 protected:
  void TearDown() override {
    UnloadMDIMain();
    RulesTest::TearDown();
  }

  // Adds a custom entry through "Add >>", "&Custom ..." and the Range of
  // Ports dialog.
  static void addCustom(frmProgramControlProgramOption& d, MDIMain* main, const std::string& description,
                        const std::string& from, const std::string& to, bool tcp, bool udp) {
    ModalDriver ports([] { return LoadedForm<frmCustomPortsAdd>(); }, [&] {
      auto* c = LoadedForm<frmCustomPortsAdd>();
      typeInto(c->findChild<QLineEdit*>("txtDescription"), description);
      typeInto(c->findChild<QLineEdit*>("txtPortsFrom"), from);
      typeInto(c->findChild<QLineEdit*>("txtPortsTo"), to);
      if (!tcp) c->findChild<QCheckBox*>("chkTCPPorts")->click();
      if (!udp) c->findChild<QCheckBox*>("chkUDPPorts")->click();
      c->findChild<QPushButton*>("cmdPortsAddOk")->click();
    });
    choose(d, main, Qt::Key_C, "c");
    EXPECT_EQ(ports.opened, 1);
  }
  static void choose(frmProgramControlProgramOption& d, MDIMain* main, int key, const char* text) {
    QMenu* menu = main->mnuMenuMine;
    ModalDriver driver([menu] { return menu; }, [&] { sendKey(menu, key, text); });
    d.findChild<QPushButton*>("cmdPortsAdd")->click();
    EXPECT_EQ(driver.opened, 1);
  }
};

TEST_F(OptionsToRules, TheNextApplyWritesThePortsSetInTheOptionsDialog) {
  AlertOn = true;
  ControlLevel = 3;
  DefaultAccessTrusted = 0;
  DefaultAccessInternet = 1;
  DefaultServerTrusted = 2;
  DefaultServerInternet = 1;
  MDIMain* main = MDIMainForm();
  getFileProperty("C:\\Srv\\Server.exe");
  AddProgramControlToINI(tblFileInfo.FileDescription, AccessAllow, AccessAllow, AccessAsk, AccessAsk);
  const std::string key = "c:\\srv\\server.exe";

  {
    frmProgramControlProgramOption d(key);
    d.show();
    d.findChild<QRadioButton*>("optAllowAccessOnlyListed")->click();
    choose(d, main, Qt::Key_W, "w");
    choose(d, main, Qt::Key_D, "d");
    auto* list = d.findChild<QListWidget*>("lstPorts");
    ASSERT_EQ(list->count(), 4);
    list->item(1)->setCheckState(Qt::Unchecked);  // 8080 of the web presets
    addCustom(d, main, "Proxy", "8080", "", true, false);
    addCustom(d, main, "Games", "1000", "2000", false, true);
    addCustom(d, main, "Voice", "5000", "", true, true);
    ASSERT_EQ(list->count(), 7);
    list->item(6)->setCheckState(Qt::Unchecked);
    d.findChild<QPushButton*>("cmdProgramOptionOk")->click();
  }
  EXPECT_TRUE(messages.empty());

  // The Apply of the main window keeps the program list in memory.
  blnRestartingService = true;
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_EQ(ruleFile(), golden("program_options_apply.conf"));
  // Start-up reads the list from the file: the same rules.
  ASSERT_TRUE(AddRulesToINI(false, true));
  EXPECT_EQ(ruleFile(), golden("program_options_apply.conf"));
}

}  // namespace
