#pragma once
// A fresh program folder as an installer leaves it for the wizard: the
// language file, the password store for "no password", and three program
// files that stand for the machine's service manager, network manager and
// web browser. The wizard's end is counted instead of ending the tests.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "core/FormControls.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/DefaultPrograms.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "tests/support/TestEnv.h"
#include "wizard/frmStartupMain.h"
#include "wizard/mdlMain.h"

namespace mvtest {

template <class Base>
class WizardTestOn : public Base {
 protected:
  using Base::native;
  using Base::writeText;
  void SetUp() override {
    Base::SetUp();
    std::filesystem::create_directories(native("Lang"));
    std::filesystem::copy_file(std::string(MV_SOURCE_DIR) + "/resources/lang/English.INI", native("Lang/English.INI"));
    this->installDefaults();
    ASSERT_TRUE(mv::setPassword(""));
    mv::wizard::ResetWizardGlobals();
    mv::wizard::setEndWizardHandler([this] { ++ended; });
    serviceManager = program("sbin/systemd");
    networkManager = program("sbin/networkd");
    browser = program("bin/webbrowser");
    mv::platform::setSystemNetworkComponentsFinder([this] { return std::vector<std::string>{serviceManager, networkManager}; });
    mv::platform::setDefaultWebBrowserFinder([this] { return browser; });
    mv::platform::setFileDialogHandler(
        [this](mv::platform::FileDialogKind, const mv::platform::FileDialogOptions& options)
            -> std::optional<mv::platform::FileDialogResult> {
          dialogTitles.push_back(options.DialogTitle);
          dialogFolders.push_back(options.InitDir);
          if (chosenFiles.empty()) return std::nullopt;
          std::string f = chosenFiles.front();
          chosenFiles.pop_front();
          return mv::platform::FileDialogResult{f, mv::platform::fileNamePart(f)};
        });
  }
  void TearDown() override {
    delete mv::FormInstance<mv::wizard::frmStartupMain>().data();
    mv::platform::setSystemNetworkComponentsFinder(nullptr);
    mv::platform::setDefaultWebBrowserFinder(nullptr);
    mv::platform::setFileDialogHandler(nullptr);
    mv::wizard::ResetWizardGlobals();
    Base::TearDown();
  }

  // An executable file under the program folder, a compiled program (no
  // script); its native path.
  std::string program(const std::string& relative) {
    writeText(relative, std::string("\x7f" "ELF\x02\x01\x01", 7));
    std::filesystem::permissions(native(relative), std::filesystem::perms::owner_all);
    return native(relative);
  }

  // Starts the wizard as its program does; the window, or null when the
  // start ended the program.
  mv::wizard::frmStartupMain* start() {
    mv::wizard::Main();
    return mv::FormInstance<mv::wizard::frmStartupMain>().data();
  }
  mv::wizard::frmStartupMain* form() const { return mv::FormInstance<mv::wizard::frmStartupMain>().data(); }

  template <class W = QWidget>
  W* control(const char* name) const {
    W* w = form()->template findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void click(const char* name) const {
    auto* b = control<QAbstractButton>(name);
    ASSERT_TRUE(b->isEnabled() && b->isVisibleTo(form())) << name;
    b->click();
  }
  std::string text(const char* name) const {
    QWidget* w = control(name);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
    return "";
  }
  void type(const char* name, const std::string& value) const {
    auto* box = control<QLineEdit>(name);
    box->setText(QString::fromStdString(value));
    emit box->textEdited(box->text());
  }
  // The page shown: the number of the one visible page frame, 0 if none or
  // more than one.
  int shownPage() const {
    int shown = 0;
    for (int n : {1, 3, 4, 5, 6, 9})
      if (control(("fraPage" + std::to_string(n)).c_str())->isVisibleTo(form())) shown = shown ? -1 : n;
    return shown < 0 ? 0 : shown;
  }

  // The program list of page 6 and a left click with the mouse on a cell.
  QTreeWidget* programs() const { return control<QTreeWidget>("lvwPrograms"); }
  void mouseClick(int row, int column, Qt::MouseButton button = Qt::LeftButton) const {
    QTreeWidget* list = programs();
    QRect cell = list->visualRect(list->model()->index(row, column));
    QPoint at = cell.center();
    QWidget* viewport = list->viewport();
    QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
  }
  std::vector<std::string> row(int n) const {
    QTreeWidgetItem* item = programs()->topLevelItem(n);
    if (!item) return {};
    return {item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString()};
  }

  // Walks from the welcome page to page 5 with the password typed twice.
  void toProgramsPage(const std::string& password = "") {
    click("cmdNext");
    click("cmdNext");
    type("txtPassword", password);
    type("txtConfirmPass", password);
    click("cmdNext");
    ASSERT_EQ(shownPage(), 5);
  }

  // The whole walk: no alerts, the password typed twice, and the user's own
  // list of two programs, the first with Access Block, the second with
  // Server Ask; ends on the finish page.
  void chooseTwoPrograms(const std::string& first, const std::string& second, const std::string& password) {
    click("cmdNext");
    control<QRadioButton>("optAlertDoNot")->click();
    click("cmdNext");
    type("txtPassword", password);
    type("txtConfirmPass", password);
    click("cmdNext");
    control<QRadioButton>("optAdvanceProgram")->click();
    click("cmdNext");
    chosenFiles = {first, second};
    click("cmdAdd");
    click("cmdAdd");
    programs()->setCurrentItem(programs()->topLevelItem(0));
    mouseClick(0, 1);
    form()->template findChild<QAction*>("mnuAccessBlock")->trigger();
    programs()->setCurrentItem(programs()->topLevelItem(1));
    mouseClick(1, 2);
    form()->template findChild<QAction*>("mnuServerAsk")->trigger();
    click("cmdNext");
    ASSERT_EQ(shownPage(), 9);
  }

  int ended = 0;
  std::deque<std::string> chosenFiles;  // what the open-file dialog returns, in order
  std::vector<std::string> dialogTitles;
  std::vector<std::string> dialogFolders;  // the folder each dialog opened on
  std::string serviceManager, networkManager, browser;
};

using WizardTest = WizardTestOn<ProgramFolderTest>;

}  // namespace mvtest
