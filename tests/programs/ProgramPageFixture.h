#pragma once
// The main window with the program-control page loaded on a profile, and
// the user's gestures on its real controls: clicks on list cells, keys,
// menu items, and scripted login and file dialogs.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>
#include <optional>
#include <string>

#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/frmLogin.h"
#include "core/mdlLogin.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "programs/frmProgramControl.h"
#include "tests/core/ModalDriver.h"
#include "tests/programs/ProgramStoreFixture.h"

namespace mvtest {

class ProgramPageTest : public ProgramStoreTest {
 protected:
  void SetUp() override {
    ProgramStoreTest::SetUp();
    mv::strPassword.clear();
    mv::blnLoggedIn = false;
  }
  void TearDown() override {
    mv::UnloadMDIMain();
    mv::platform::setFileDialogHandler(nullptr);
    mv::strPassword.clear();
    mv::blnLoggedIn = false;
    ProgramStoreTest::TearDown();
  }

  // The main window, shown, with the program-control page as its page.
  mv::frmProgramControl& loadPage() {
    main = mv::LoadForm<mv::MDIMain>();
    main->show();
    main->ProgramControl_Click();
    page = mv::ProgramControlPageIfLoaded();
    EXPECT_NE(page, nullptr);
    return *page;
  }

  QAction* item(const std::string& name) const { return main->MenuItem(name); }
  void choose(const std::string& name) const {
    QAction* action = item(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
  }

  static QTreeWidgetItem* row(const QTreeWidget* list, const std::string& text) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->text(0).toStdString() == text) return list->topLevelItem(i);
    return nullptr;
  }
  // The row's texts from the given column on, joined by blanks.
  static std::string texts(const QTreeWidgetItem* r, int from, int to) {
    std::string out;
    for (int c = from; c <= to; ++c) out += (c > from ? " " : "") + r->text(c).toStdString();
    return out;
  }
  // Makes the row the list's only selected row, as a click on it does.
  static void select(QTreeWidget* list, QTreeWidgetItem* r) {
    list->clearSelection();
    list->setCurrentItem(r);
    r->setSelected(true);
  }

  // A mouse button pressed and released over a cell of the list.
  void clickCell(QTreeWidget* list, QTreeWidgetItem* r, int column, Qt::MouseButton button) {
    list->scrollToItem(r);
    const QRect rect = list->visualItemRect(r);
    const QPoint at(list->header()->sectionViewportPosition(column) + 6, rect.center().y());
    QWidget* viewport = list->viewport();
    const QPointF global = viewport->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, button, button, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
  }
  static void keyUp(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
  }
  void closePopup() const {
    if (page && page->LastPopup()) page->LastPopup()->close();
  }

  // Answers each login window: the password and OK, or Cancel when empty.
  static std::unique_ptr<ModalDriver> onLogin(const std::string& password) {
    return std::make_unique<ModalDriver>([] { return mv::LoginFormIfLoaded(); }, [password] {
      mv::frmLogin& form = *mv::LoginFormIfLoaded();
      if (password.empty()) return form.cmdCancel_Click();
      form.txtPassword->setText(QString::fromStdString(password));
      form.cmdOk_Click();
    });
  }

  // The open dialog chooses this file (nothing: cancelled); counts its calls.
  void chooseFile(std::optional<std::string> path) {
    mv::platform::setFileDialogHandler([this, path](mv::platform::FileDialogKind, const mv::platform::FileDialogOptions& o)
                                           -> std::optional<mv::platform::FileDialogResult> {
      ++fileDialogs;
      lastDialog = o;
      if (!path) return std::nullopt;
      const std::size_t cut = path->find_last_of("\\/");
      return mv::platform::FileDialogResult{*path, cut == std::string::npos ? *path : path->substr(cut + 1)};
    });
  }

  std::string programValue(const std::string& section, const std::string& key) const {
    for (const auto& e : sectionEntries(mv::strProgramControlFile, section))
      if (e.first == key) return e.second;
    return "<missing>";
  }
  std::string storedRights(const std::string& section) const {
    return programValue(section, "Column1") + programValue(section, "Column2") + programValue(section, "Column3") +
           programValue(section, "Column4");
  }
  static std::string mainValue(const std::string& key) {
    return mv::ReadINI("Main", key, "", mv::strProgramMainFile, true);
  }

  mv::MDIMain* main = nullptr;
  mv::frmProgramControl* page = nullptr;
  int fileDialogs = 0;
  mv::platform::FileDialogOptions lastDialog;
};

}  // namespace mvtest
