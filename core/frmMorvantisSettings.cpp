#include "core/frmMorvantisSettings.h"


#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <exception>
#include <utility>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/FormHooks.h"
#include "core/MDIMain.h"
#include "core/Registry.h"
#include "core/SettingsKeys.h"
#include "core/frmLogin.h"
#include "core/frmSetPassword.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/QtText.h"

namespace mv {
namespace {

// Runs a handler's body; a run-time error is logged under the handler's name
// and ends it.
template <class Body>
void Guarded(const char* errorText, Body&& body) {
  ErrorBoundary(errorText, std::forward<Body>(body));
}

// A picture of the tray icon with its caption beside it.
void addTrayPicture(QWidget* frame, int slot, int resource, const char* name, const char* caption) {
  const int left = 12 + 132 * slot;
  auto* picture = NewLabel(frame, name, "", {left, 52, 32, 32});
  picture->setPixmap(ResourceIcon(resource));
  NewLabel(frame, "", caption, {left + 38, 52, 90, 34});
}

// A frame of three counters under their headers: program events, allowed
// by the user, blocked by the firewall. `side` is "O" (outgoing) or "I"
// (incoming), as in the counters' names.
struct CounterFrame {
  QLabel* programs;
  QLabel* allowed;
  QLabel* blocked;
  QLabel* blockedHeader;
};
CounterFrame addCounterFrame(QWidget* parent, const std::string& side, const std::string& caption, int left,
                             const std::string& programsHeader) {
  QGroupBox* frame = NewFrame(parent, "fra" + side + "Activity", caption, {left, 20, 226, 106});
  // Column i: its header above its counter. The first header is the longest
  // ("Possible outside hacker Activity"): its column is the widest, so that
  // every header wraps into the three lines its label holds at the window's
  // smallest size.
  auto column = [frame](int i, const std::string& headerName, const std::string& header, const std::string& name) {
    static const int lefts[] = {6, 102, 160}, widths[] = {94, 56, 62};
    const int x = lefts[i], w = widths[i];
    QLabel* top = NewLabel(frame, headerName, header, {x, 20, w, 60});
    QLabel* counter = NewLabel(frame, name, "0", {x, 82, w, 18});
    top->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    counter->setAlignment(Qt::AlignCenter);
    return std::pair{top, counter};
  };
  const auto programs = column(0, "", programsHeader, "lb" + side + "Programs");
  const auto allowed = column(1, "", "Allowed by user", "lb" + side + "Allow");
  const auto blocked = column(2, "lbhd" + side + "Blocked", "", "lb" + side + "Blocked");
  return {programs.second, allowed.second, blocked.second, blocked.first};
}
}  // namespace

frmMorvantisSettings::frmMorvantisSettings(QWidget* parent) : Page(parent) {
  setObjectName("frmMorvantisSettings");
  FormInstance<frmMorvantisSettings>() = this;
  buildControls();
  hooks::SettingsCounters = [this](const std::array<std::string, 6>& counters) { ShowCounters(counters); };
  hooks::SettingsProgramSummary = [this](const std::optional<std::string>& internetZone,
                                         const std::optional<std::string>& trustedZone,
                                         const std::optional<std::string>& programControl,
                                         const std::string& automaticLock) {
    ShowProgramSummary(internetZone, trustedZone, programControl, automaticLock);
  };
  Form_Load();
}

frmMorvantisSettings::~frmMorvantisSettings() {
  hooks::SettingsCounters = nullptr;
  hooks::SettingsProgramSummary = nullptr;
}

void frmMorvantisSettings::ShowCounters(const std::array<std::string, 6>& counters) {
  QLabel* labels[] = {lbOPrograms, lbOAllow, lbOBlocked, lbIPrograms, lbIAllow, lbIBlocked};
  for (std::size_t i = 0; i < counters.size(); ++i) labels[i]->setText(platform::toQString(counters[i]));
}

void frmMorvantisSettings::ShowProgramSummary(const std::optional<std::string>& internetZone,
                                              const std::optional<std::string>& trustedZone,
                                              const std::optional<std::string>& programControl,
                                              const std::string& automaticLock) {
  auto show = [](QLabel* label, const std::optional<std::string>& text) {
    if (text) label->setText(platform::toQString(*text));
  };
  show(lbIZSecurity, internetZone);
  show(lbTZSecurity, trustedZone);
  show(lbProgramControl, programControl);
  show(lbPasslockmode, automaticLock);
}

QLabel* frmMorvantisSettings::newLink(QWidget* frame, const char* name, const QRect& at) {
  QLabel* link = NewLabel(frame, name, "", at);
  link->setStyleSheet("color: #1a4fb0; text-decoration: underline;");
  link->setCursor(Qt::PointingHandCursor);
  link->installEventFilter(this);
  return link;
}

void frmMorvantisSettings::buildControls() {
  resize(560, 420);

  fraGeneral = NewFrame(this, "fraGeneral", "General Settings", {8, 8, 272, 78});
  chkLoadOnStartup = NewCheckBox(fraGeneral, "chkLoadOnStartup", "", {12, 22, 252, 22});
  chkHideMorvantis = NewCheckBox(fraGeneral, "chkHideMorvantis", "", {12, 48, 252, 22});

  fraPassword = NewFrame(this, "fraPassword", "Password Settings", {288, 8, 264, 78});
  cmdSetPassword = NewButton(fraPassword, "cmdSetPassword", "&Reset", {20, 32, 104, 28});
  cmdLogin = NewButton(fraPassword, "cmdLogin", "&Login", {140, 32, 104, 28});

  fraAlertSettings = NewFrame(this, "fraAlertSettings", "Alert Settings", {8, 92, 544, 96});
  chkEnableSystemTrayIcon =
      NewCheckBox(fraAlertSettings, "chkEnableSystemTrayIcon", "Enable system tray icon", {12, 22, 252, 22});
  addTrayPicture(fraAlertSettings, 0, 1, "imgNormalIcon", "Normal Icon");
  addTrayPicture(fraAlertSettings, 1, 2, "imgActivationIcon", "Network Activation Icon");
  addTrayPicture(fraAlertSettings, 2, 7, "imgStopIcon", "Network Stop Icon");
  addTrayPicture(fraAlertSettings, 3, 8, "imgLockIcon", "Network Lock Icon");

  fraProgramSummary = NewFrame(this, "fraProgramSummary", "", {8, 194, 544, 78});
  NewLabel(fraProgramSummary, "", "Trusted zone security", {12, 24, 140, 20});
  lbTZSecurity = newLink(fraProgramSummary, "lbTZSecurity", {156, 24, 90, 20});
  NewLabel(fraProgramSummary, "", "Internet zone security", {12, 48, 140, 20});
  lbIZSecurity = newLink(fraProgramSummary, "lbIZSecurity", {156, 48, 90, 20});
  NewLabel(fraProgramSummary, "", "Program control", {284, 24, 140, 20});
  lbProgramControl = newLink(fraProgramSummary, "lbProgramControl", {428, 24, 90, 20});
  NewLabel(fraProgramSummary, "", "Automatic lock", {284, 48, 140, 20});
  lbPasslockmode = newLink(fraProgramSummary, "lbPasslockmode", {428, 48, 90, 20});

  fraAlertActivity = NewFrame(this, "fraAlertActivity", "", {8, 278, 544, 136});
  const CounterFrame out = addCounterFrame(fraAlertActivity, "O", "Outgoing network activity", 10, "Program Alerts");
  lbOPrograms = out.programs, lbOAllow = out.allowed, lbOBlocked = out.blocked, lbhdOBlocked = out.blockedHeader;
  const CounterFrame in =
      addCounterFrame(fraAlertActivity, "I", "Incoming network activity", 244, "Possible outside hacker Activity");
  lbIPrograms = in.programs, lbIAllow = in.allowed, lbIBlocked = in.blocked, lbhdIBlocked = in.blockedHeader;
  cmdReset = NewButton(fraAlertActivity, "cmdReset", "R&eset", {478, 58, 58, 28});


  TagByName({chkLoadOnStartup, chkHideMorvantis, chkEnableSystemTrayIcon, cmdSetPassword, cmdLogin, cmdReset,
             lbTZSecurity, lbIZSecurity, lbProgramControl, lbPasslockmode});

  connect(chkLoadOnStartup, &QCheckBox::toggled, this, &frmMorvantisSettings::chkLoadOnStartup_Click);
  connect(chkHideMorvantis, &QCheckBox::toggled, this, &frmMorvantisSettings::chkHideMorvantis_Click);
  connect(chkEnableSystemTrayIcon, &QCheckBox::toggled, this, &frmMorvantisSettings::chkEnableSystemTrayIcon_Click);
  connect(cmdLogin, &QPushButton::clicked, this, &frmMorvantisSettings::cmdLogin_Click);
  connect(cmdSetPassword, &QPushButton::clicked, this, &frmMorvantisSettings::cmdSetPassword_Click);
  connect(cmdReset, &QPushButton::clicked, this, &frmMorvantisSettings::cmdReset_Click);
}

void frmMorvantisSettings::Form_Load() {
  Guarded("Form_Load of frmMorvantisSettings", [this] {
    hide();
    const QString title = platform::toQString(AppTitle);
    chkLoadOnStartup->setText(platform::toQString(RunAtStartupCaption()));
    chkHideMorvantis->setText("Hide " + title + " on Start");
    fraProgramSummary->setTitle(title + " Settings");
    fraAlertActivity->setTitle("Network activity detected by " + title);
    lbhdOBlocked->setText("Blocked by " + title);
    lbhdIBlocked->setText("Blocked by " + title);
    ShowLoginState();
    // The boxes only show what is stored: setting them runs no handler, so
    // opening the page writes nothing.
    for (auto [box, on] : {std::pair{chkEnableSystemTrayIcon, SystemTray == 1},
                           std::pair{chkLoadOnStartup, blnLoadOnStartup}, std::pair{chkHideMorvantis, blnHideOnStartup}}) {
      const QSignalBlocker quiet(box);
      box->setChecked(on);
    }
    RefreshSummaryView();
    showProgramSummary();
    handleChanges_ = true;
    LoadToolTipText(this, "Settings");
  });
}

void frmMorvantisSettings::putBack(QCheckBox* box, bool stored) {
  handleChanges_ = false;
  box->setChecked(stored);
  handleChanges_ = true;
}

bool frmMorvantisSettings::mayChange(QCheckBox* box, bool stored) {
  if (!handleChanges_) return false;
  if (CheckLogin()) return true;
  putBack(box, stored);
  return false;
}

bool frmMorvantisSettings::storeSwitch(QCheckBox* box, const char* key, bool stored) {
  if (WriteINI(keys::Main, key, box->isChecked() ? "1" : "0", strAlertsSettingFile, true)) return true;
  // The box shows what is stored, so nothing seems saved that is not.
  putBack(box, stored);
  TellNotSaved("The setting", strAlertsSettingFile);
  return false;
}

bool frmMorvantisSettings::changeSwitch(QCheckBox* box, const char* key, bool stored) {
  return mayChange(box, stored) && storeSwitch(box, key, stored);
}

void frmMorvantisSettings::chkEnableSystemTrayIcon_Click() {
  Guarded("chkEnableSystemTrayIcon_Click of frmMorvantisSettings", [this] {
    if (changeSwitch(chkEnableSystemTrayIcon, keys::SystemTray, SystemTray == 1))
      SystemTray = chkEnableSystemTrayIcon->isChecked() ? 1 : 0;
  });
}

void frmMorvantisSettings::chkHideMorvantis_Click() {
  Guarded("chkHideMorvantis_Click of frmMorvantisSettings", [this] {
    if (changeSwitch(chkHideMorvantis, keys::HideOnStartup, blnHideOnStartup))
      blnHideOnStartup = chkHideMorvantis->isChecked();
  });
}

void frmMorvantisSettings::chkLoadOnStartup_Click() {
  Guarded("chkLoadOnStartup_Click of frmMorvantisSettings", [this] {
    if (!mayChange(chkLoadOnStartup, blnLoadOnStartup)) return;
    const bool on = chkLoadOnStartup->isChecked();
    // The switch, the desktop's entry and the Run value are one setting.
    // The entry is what starts the program at login: switched on, it is
    // written after the switch is stored; switched off, it goes before. A
    // program ended in between leaves the switch on without the entry, and
    // the next start writes it.
    if (on && !storeSwitch(chkLoadOnStartup, keys::LoadOnStartup, blnLoadOnStartup)) return;
    // Switched off, the Run value stays with an empty text.
    const std::string notWritten = SetRunAtStartup(on);
    if (!notWritten.empty()) {
      // The switch goes back, in the file and on the page.
      if (on)
        static_cast<void>(WriteINI(keys::Main, keys::LoadOnStartup, blnLoadOnStartup ? "1" : "0",
                                   strAlertsSettingFile, true));
      putBack(chkLoadOnStartup, blnLoadOnStartup);
      TellNotSaved("The setting", notWritten);
      return;
    }
    if (!on && !storeSwitch(chkLoadOnStartup, keys::LoadOnStartup, blnLoadOnStartup)) {
      // The switch stays on: so do its entry and its value.
      static_cast<void>(SetRunAtStartup(true));
      return;
    }
    blnLoadOnStartup = on;
  });
}

void frmMorvantisSettings::cmdLogin_Click() {
  if (cmdLogin->text() == "&Login") {
    ShowLoginForm();
    return;
  }
  if (platform::MsgBox("Are you sure you want to logout from " + AppTitle + "?\r\n" +
                           "All administrative privileges will be lost.",
                       platform::vbYesNo + platform::vbQuestion, AppTitle) != platform::vbYes)
    return;
  blnLoggedIn = false;
  ShowLoginState();
}

void frmMorvantisSettings::ShowLoginState() {
  cmdLogin->setEnabled(!strPassword.empty());
  cmdLogin->setText(blnLoggedIn ? "&Logout" : "&Login");
}

void frmMorvantisSettings::cmdSetPassword_Click() {
  frmSetPassword form(window());
  if (strPassword.empty()) {
    // Without a stored password there is no old password to ask for: the
    // two rows below move up into its place.
    form.lbConfirmPsd->move(form.lbConfirmPsd->x(), form.lbPsd->y());
    form.lbPsd->move(form.lbPsd->x(), form.lbOldPsd->y());
    form.txtConfirmPassword->move(form.txtConfirmPassword->x(), form.txtPassword->y());
    form.txtPassword->move(form.txtPassword->x(), form.txtOldPassword->y());
    form.txtOldPassword->hide();
    form.lbOldPsd->hide();
  }
  form.exec();
}

void frmMorvantisSettings::cmdReset_Click() {
  IPrograms = IAllows = IBlocked = OPrograms = OAllows = OBlocked = 0;
  if (SaveAlertSummary()) return;
  // The page shows what the file holds: the stored counters come back.
  LoadAlertSummary();
  RefreshSummaryView();
  TellNotSaved("The counters", strAlertsSettingFile);
}

void frmMorvantisSettings::lbTZSecurity_Click() {
  if (auto* m = MDIMainIfLoaded()) m->FireWall_Click();
}

void frmMorvantisSettings::lbIZSecurity_Click() { lbTZSecurity_Click(); }

void frmMorvantisSettings::lbProgramControl_Click() {
  if (auto* m = MDIMainIfLoaded()) m->ProgramControl_Click();
}

void frmMorvantisSettings::lbPasslockmode_Click() { lbProgramControl_Click(); }

bool frmMorvantisSettings::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == lbTZSecurity) lbTZSecurity_Click();
    else if (watched == lbIZSecurity) lbIZSecurity_Click();
    else if (watched == lbProgramControl) lbProgramControl_Click();
    else if (watched == lbPasslockmode) lbPasslockmode_Click();
  }
  return Page::eventFilter(watched, event);
}

frmMorvantisSettings* SettingsPageIfLoaded() { return LoadedForm<frmMorvantisSettings>(); }

}  // namespace mv
