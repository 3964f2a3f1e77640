#pragma once
// The main window: menus, toolbar, status bar and one page at a time; the
// network commands, the page switches, help and contact, and Exit.
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <map>
#include <string>

#include "core/ISubclass.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace mv {

class Page;

class MDIMain : public QMainWindow, public ISubclass {
  Q_OBJECT
 public:
  MDIMain();
  ~MDIMain() override;

  bool blnMainLoaded = false;

  // Network commands: True when carried out.
  bool LockNetwork();
  bool StopNetwork();
  bool ReStartService();

  // Page switches.
  void FireWall_Click();
  void ProgramControl_Click();
  void Alerts_Logs_Click();
  void Settings_Click();

  void mnuSysTrayShow_Click();
  void mnuExit_Click();
  void CloseAlertWindow();
  void ShowHelp();
  void Toolbar1_ButtonClick(const std::string& key);

  // The page shown now, or null.
  Page* ActivePage() const { return active_; }
  // The versioned title: application title, " V", major and minor version.
  static std::string VersionedTitle();

  QToolBar* Toolbar1 = nullptr;
  QLabel* StatusPanel4 = nullptr;
  QMenu* mnuPopup = nullptr;
  QMenu* mnuAccessTrusted = nullptr;
  QMenu* mnuAccessInternet = nullptr;
  QMenu* mnuServerTrusted = nullptr;
  QMenu* mnuServerInternet = nullptr;
  QMenu* mnuProgramLock = nullptr;
  QMenu* mnuProgramMenu = nullptr;
  QMenu* mnuComponentAccess = nullptr;
  QMenu* mnuComponentMenu = nullptr;
  QMenu* mnuMenuMine = nullptr;
  // The small icons of the zones list.
  QList<QIcon> icon50;

  // An item of the hidden pop-up menus by its name ("mnuPopupHostSite"), or
  // null; a page connects its commands to the items while it is loaded.
  QAction* MenuItem(const std::string& name) const;

  // Subclassing client for the window's minimum size: the message is
  // consumed (the response is always 0).
  long MsgResponse() const override { return 0; }
  void MsgResponse(long response) override { msgResponse_ = response; }
  long WindowProc(QObject* hWnd, int iMsg, QEvent* event) override;

  // The toolbar button with that key.
  QAction* ToolbarButton(const std::string& key) const;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void buildMenus();
  void buildToolbar();
  void showPage(Page* page);
  void setCaptionFromPanel();
  QWidget* pageHost_ = nullptr;
  Page* active_ = nullptr;
  std::map<std::string, QAction*> buttons_;
  std::map<std::string, QAction*> menuItems_;
  long msgResponse_ = 0;
};

// The main window's single instance, created on first use.
MDIMain* MDIMainForm();
// The instance when it is loaded, else null.
MDIMain* MDIMainIfLoaded();
// Exit, from the main window's or the tray's menu: refused while an Apply,
// Lock or Stop runs; asks for a stored password even when the user is logged
// in; then shuts the program down.
void ExitProgram();
// The end of Exit, once the login gate has let it pass: alerts written,
// the default rule file restored with the service stopped, Pellworth.exe
// ended, the tray icon removed, and the program ended.
[[noreturn]] void ShutDownProgram();

// Unloads the main window (its pages go with it).
void UnloadMDIMain();

}  // namespace mv
