#include "core/MDIMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/MSubclass.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Application.h"
#include "platform/QtText.h"
#include "rules/EngineState.h"
#include "rules/NetworkCommands.h"
#include "rules/frmApplying.h"
#include "rules/mdlDefineRules.h"

#include "alerts/frmAlertsAndLogs.h"
#include "core/frmMorvantisSettings.h"
#include "programs/frmProgramControl.h"
#include "zones/frmFirewall.h"

namespace mv {

namespace {
constexpr int kMajorVersion = AppMajorVersion;
constexpr int kMinorVersion = AppMinorVersion;

struct ButtonSpec {
  const char* caption;
  const char* key;
  const char* tag;
};
const ButtonSpec kButtons[] = {{"Security", "Security", "001"}, {"Program control", "Program", "002"},
                               {"Alerts && Logs", "AlertLog", "003"}, {"Apply", "Apply", "004"},
                               {"Lock", "Lock", "005"},           {"Stop", "Stop", "006"},
                               {"Settings", "Settings", "007"},   {"Help", "Help", "008"}};

// A menu's caption keeps the "&" marks and "&&" of the original captions.
QString caption(const char* text) { return QString::fromUtf8(text); }
}  // namespace

std::string MDIMain::VersionedTitle() {
  return AppTitle + " V" + std::to_string(kMajorVersion) + "." + std::to_string(kMinorVersion);
}

MDIMain::MDIMain() {
  setObjectName("MDIMain");
  setAttribute(Qt::WA_DeleteOnClose, false);
  resize(760, 560);
  setWindowIcon(WindowIcon());
  pageHost_ = new QWidget(this);
  pageHost_->setObjectName("PageHost");
  setCentralWidget(pageHost_);
  buildMenus();
  buildToolbar();
  // The small icons of the zones list: one picture per entry type (host
  // name, IP address, IP range, subnet, network).
  for (int type = 1; type <= 5; ++type) icon50.push_back(QIcon(ResourceIcon(101, 16)));

  auto* bar = new QStatusBar(this);
  bar->setObjectName("StatusBar1");
  setStatusBar(bar);
  for (int i = 1; i <= 3; ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QString("StatusPanel%1").arg(i));
    bar->addWidget(panel, 1);
  }
  StatusPanel4 = new QLabel(bar);
  StatusPanel4->setObjectName("StatusPanel4");
  bar->addPermanentWidget(StatusPanel4);
  StatusPanel4->setText(platform::toQString(VersionedTitle()));
  setWindowTitle(platform::toQString(VersionedTitle()));

  // The network state pictures of engine control show on button 5.
  hooks::LockButton = [](int image, const std::string& text) {
    if (MDIMain* m = MDIMainIfLoaded()) {
      if (QAction* b = m->ToolbarButton("Lock")) {
        b->setIcon(QIcon(ResourceIcon(image == buttonLockedOrStopped ? 109 : 105)));
        b->setText(platform::toQString(text));
      }
    }
  };
  hooks::MainBusy = [](bool busy) {
    if (MDIMain* m = MDIMainIfLoaded()) {
      if (busy) m->setCursor(Qt::WaitCursor);
      else m->unsetCursor();
    }
  };
  hooks::MainLoaded = [] { return MDIMainIfLoaded() && MDIMainIfLoaded()->blnMainLoaded; };
  SetApplyingOwner(this);
  ShowEngineState();
}

long MDIMain::WindowProc(QObject*, int, QEvent* event) {
  ErrorBoundary("ISubclass_WindowProc of MDIMain", [&] {
    static_cast<MinMaxInfo*>(event)->ptMinTrackSize = QSize(569, 482);
  });
  return 0;
}

MDIMain::~MDIMain() {
  hooks::LockButton = nullptr;
  hooks::MainBusy = nullptr;
  hooks::MainLoaded = nullptr;
  SetApplyingOwner(nullptr);
}

void MDIMain::buildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  auto add = [this](QMenu* menu, const char* name, const char* text, QKeySequence key, void (MDIMain::*slot)()) {
    QAction* a = menu->addAction(caption(text));
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    if (slot) connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    return a;
  };
  add(file, "mnuSecurity", "&Security", {}, &MDIMain::FireWall_Click);
  add(file, "mnuProgramControl", "&Program Control", {}, &MDIMain::ProgramControl_Click);
  add(file, "mnuAlertsLogs", "&Alerts && Logs", {}, &MDIMain::Alerts_Logs_Click);
  file->addSeparator();
  QAction* apply = file->addAction("&Apply");
  apply->setObjectName("mnuApply");
  apply->setShortcut(QKeySequence(Qt::Key_F5));
  connect(apply, &QAction::triggered, this, [this] { ReStartService(); });
  QAction* lock = file->addAction("Lock");
  lock->setObjectName("mnuLock");
  lock->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  connect(lock, &QAction::triggered, this, [this] { LockNetwork(); });
  QAction* stop = file->addAction("Stop");
  stop->setObjectName("mnuStop");
  stop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(stop, &QAction::triggered, this, [this] { StopNetwork(); });
  file->addSeparator();
  add(file, "mnuSettings", "Se&ttings", QKeySequence(Qt::Key_F4), &MDIMain::Settings_Click);
  file->addSeparator();
  add(file, "mnuExit", "E&xit", {}, &MDIMain::mnuExit_Click);

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  add(help, "mnuContents", "&Contents", QKeySequence(Qt::Key_F1), &MDIMain::ShowHelp);
  QMenu* contact = help->addMenu("Contact Us");
  contact->setObjectName("mnuContactUs");
  QAction* site = contact->addAction("Visit our website");
  site->setObjectName("mnuVisitWebsite");
  connect(site, &QAction::triggered, this, [] { OpenWithDesktop(strHomePageURL, strHomePageURL); });
  QAction* mail = contact->addAction("Email Us");
  mail->setObjectName("mnuEmailUs");
  connect(mail, &QAction::triggered, this, [] { OpenWithDesktop("mailto:" + strSupportMail, strSupportMail); });

  // Hidden pop-up menus that the pages and the options dialog show. Each
  // item is named, so that the page that owns its command connects to it
  // (MenuItem) while the page is loaded; "-" is a separator.
  struct Item {
    const char* name;
    const char* caption;
  };
  auto popup = [this](const char* name, const char* title, std::initializer_list<Item> items) {
    auto* m = new QMenu(caption(title), this);
    m->setObjectName(name);
    for (const Item& item : items) {
      QAction* a = *item.caption == '-' ? m->addSeparator() : m->addAction(caption(item.caption));
      a->setObjectName(item.name);
      menuItems_[item.name] = a;
    }
    return m;
  };
  mnuPopup = popup("mnuPopup", "PopupMenu",
                   {{"mnuPopupHostSite", "Host/Site"}, {"mnuPopupIPAddress", "IP Address"},
                    {"mnuPopupIPRange", "IP Range"}, {"mnuPopupSubnet", "Subnet"}});
  auto rights = [&](const char* name, const char* title, const std::string& prefix) {
    static std::vector<std::string> names;  // the item names must outlive the list below
    names.push_back(prefix + "Allow");
    names.push_back(prefix + "Block");
    names.push_back(prefix + "Ask");
    const std::size_t n = names.size();
    return popup(name, title,
                 {{names[n - 3].c_str(), "&Allow"}, {names[n - 2].c_str(), "&Block"}, {names[n - 1].c_str(), "As&k"}});
  };
  mnuAccessTrusted = rights("mnuAccessTrusted", "PopMenuAccessTrusted", "mnuAccessTrusted");
  mnuAccessInternet = rights("mnuAccessInternet", "PopMenuAccessInternet", "mnuAccessInternet");
  mnuServerTrusted = rights("mnuServerTrusted", "PopMenuServerTrusted", "mnuServerTrusted");
  mnuServerInternet = rights("mnuServerInternet", "PopMenuServerInternet", "mnuServerInternet");
  mnuProgramLock = popup("mnuProgramLock", "PopupLock",
                         {{"mnuProgramLockNormal", "&Normal"}, {"mnuProgramLockPassLock", "&Pass Lock"}});
  mnuProgramMenu = popup("mnuProgramMenu", "PopupProgramMenu",
                         {{"mnuProgramOption", "&Option ..."},
                          {"mnuProgramProperties", "&Properties ..."},
                          {"mnuProgramSepe1", "-"},
                          {"mnuProgramRemove", "&Remove ..."},
                          {"mnuProgramSepe2", "-"},
                          {"mnuProgramAdd", "&Add Program"}});
  mnuComponentAccess = popup("mnuComponentAccess", "PopupComponentAccess",
                             {{"mnuComponentAccessAllow", "&Allow"}, {"mnuComponentAccessAsk", "As&k"}});
  mnuComponentMenu = popup("mnuComponentMenu", "PopupComponentMenu",
                           {{"mnuComponentOpen", "&Open Containing Folder"},
                            {"mnuComponentSepe1", "-"},
                            {"mnuComponentRemove", "&Remove"},
                            {"mnuComponentProperties", "&Properties ..."}});
  mnuMenuMine = popup("mnuMenuMine", "Menu",
                      {{"mnuwebServers", "&Web Servers"},
                       {"mnuFtpServers", "&FTP Servers"},
                       {"mnuDNSServers", "&DNS Servers"},
                       {"mnuDhcpServers", "D&HCP Servers"},
                       {"mnuMailServers", "&Mail Servers"},
                       {"mnuNewsServers", "&News Servers"},
                       {"mnusepe21", "-"},
                       {"mnuCustom", "&Custom ..."}});
}

QAction* MDIMain::MenuItem(const std::string& name) const {
  auto it = menuItems_.find(name);
  return it == menuItems_.end() ? nullptr : it->second;
}

void MDIMain::buildToolbar() {
  Toolbar1 = addToolBar("Toolbar1");
  Toolbar1->setObjectName("Toolbar1");
  Toolbar1->setMovable(false);
  Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  Toolbar1->setIconSize(QSize(32, 32));
  int image = 101;
  for (const auto& b : kButtons) {
    QAction* a = Toolbar1->addAction(QIcon(ResourceIcon(image++)), caption(b.caption));
    a->setObjectName(b.key);
    buttons_[b.key] = a;
    std::string key = b.key;
    connect(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    // The button's tool tip: its Tag's key in the "Toolbar" section.
    a->setToolTip(platform::toQString(ReadINI("Toolbar", b.tag, "", strToolTipFile, false)));
  }
}

QAction* MDIMain::ToolbarButton(const std::string& key) const {
  auto it = buttons_.find(key);
  return it == buttons_.end() ? nullptr : it->second;
}

void MDIMain::showPage(Page* page) {
  if (!page) return;
  if (blnMainLoaded && active_ && active_ != page) active_->hide();
  page->AllowResize = false;
  page->move(0, 0);
  page->hide();
  page->AllowResize = true;
  page->resize(pageHost_->size());
  page->show();
  active_ = page;
}

void MDIMain::FireWall_Click() {
  ErrorBoundary("FireWall_Click of Form MDIMain", [&] { showPage(LoadForm<frmFirewall>(pageHost_)); });
}
void MDIMain::ProgramControl_Click() {
  ErrorBoundary("ProgramControl_Click of Form MDIMain", [&] {
    showPage(LoadForm<frmProgramControl>(pageHost_));
  });
}
void MDIMain::Alerts_Logs_Click() {
  ErrorBoundary("Alerts_Logs_Click of Form MDIMain", [&] { showPage(LoadForm<frmAlertsAndLogs>(pageHost_)); });
}

void MDIMain::Settings_Click() {
  ErrorBoundary("Settings_Click of Form MDIMain", [&] {
    showPage(LoadForm<frmMorvantisSettings>(pageHost_));
  });
}

bool MDIMain::LockNetwork() { return mv::LockNetwork(); }
bool MDIMain::StopNetwork() { return mv::StopNetwork(); }
bool MDIMain::ReStartService() { return mv::ReStartService(); }

void MDIMain::setCaptionFromPanel() {
  std::string panel = platform::fromQString(StatusPanel4->text());
  if (panel != VersionedTitle()) setWindowTitle(platform::toQString(VersionedTitle() + "   [" + panel + "]"));
}

void MDIMain::Toolbar1_ButtonClick(const std::string& key) {
  QAction* button = ToolbarButton(key);
  auto panelFromCaption = [&] { StatusPanel4->setText(button->text().replace("&&", "&")); };
  if (key == "Security") {
    FireWall_Click();
    panelFromCaption();
  } else if (key == "Program") {
    ProgramControl_Click();
    panelFromCaption();
  } else if (key == "AlertLog") {
    Alerts_Logs_Click();
    StatusPanel4->setText("Alerts & Logs");
  } else if (key == "Settings") {
    Settings_Click();
    panelFromCaption();
  } else if (key == "Apply") {
    ReStartService();
  } else if (key == "Lock") {
    if (button->text() == "Unlock") ReStartService();
    else LockNetwork();
  } else if (key == "Stop") {
    StopNetwork();
  } else if (key == "Help") {
    ShowHelp();
  }
  setCaptionFromPanel();
}

void MDIMain::CloseAlertWindow() { hooks::Call(hooks::CloseAlertPopup); }

void MDIMain::ShowHelp() { OpenWithDesktop(strHelpURL, strHelpURL); }

void MDIMain::mnuExit_Click() { ExitProgram(); }

void ExitProgram() {
  // An Exit in the middle of an Apply would leave the engine half restarted;
  // one while the shut-down runs has nothing left to do.
  if (blnApplying || blnShuttingDown) return;
  // The password is asked for even when the user is logged in; an Exit
  // refused at the prompt leaves the user logged out, and the settings page
  // says so.
  blnLoggedIn = false;
  if (!CheckLogin()) {
    if (frmMorvantisSettings* page = SettingsPageIfLoaded()) page->ShowLoginState();
    return;
  }
  ShutDownProgram();
}

void ShutDownProgram() {
  // From here on every command that would start the engine refuses, also
  // those that window events start while the engine is being stopped.
  blnShuttingDown = true;
  hooks::Call(hooks::FlushAlertQueue);
  RestoreDefaultRules();
  Pellworth(false);
  hooks::Call(hooks::RemoveTrayIcon);
  if (MDIMain* m = MDIMainIfLoaded()) DetachMessage(m, m, WM_GETMINMAXINFO);
  platform::EndProgram();
}

void MDIMain::mnuSysTrayShow_Click() {
  show();
  raise();
  activateWindow();
}

void MDIMain::closeEvent(QCloseEvent* e) {
  // Without a tray icon the close box ends the program, so it is never left
  // running out of reach; with one, the window goes and the tray stays.
  if (!(hooks::TrayPresent && hooks::TrayPresent())) {
    e->ignore();
    mnuExit_Click();
    return;
  }
  DetachMessage(this, this, WM_GETMINMAXINFO);
  e->accept();
  deleteLater();
}

void MDIMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (active_) active_->resize(pageHost_->size());
}

MDIMain* MDIMainForm() {
  if (!LoadedForm<MDIMain>()) {
    MDIMain* m = LoadForm<MDIMain>();
    m->show();
    AttachMessage(m, m, WM_GETMINMAXINFO);
    m->Settings_Click();
    m->blnMainLoaded = true;
  }
  return LoadedForm<MDIMain>();
}

MDIMain* MDIMainIfLoaded() { return LoadedForm<MDIMain>(); }

void UnloadMDIMain() { delete LoadedForm<MDIMain>(); }

}  // namespace mv
