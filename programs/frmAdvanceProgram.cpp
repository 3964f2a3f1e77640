#include "programs/frmAdvanceProgram.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <string>
#include <utility>
#include <vector>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "programs/mdlProgramControl.h"

namespace mv {

using platform::toQString;

namespace {

const char* const kOptionCaptions[] = {"Always allow access", "Always deny access", "Always ask for permission"};
const std::string kControlOffFooter =
    "Program Control is OFF: \n Any change can't effect untill program control is off.";

// One frame of two option groups (Trusted and Internet zone) under their
// captions.
void addAttemptsFrame(QWidget* tab, const char* name, const char* caption, int top, const char* trustedName,
                      std::array<QRadioButton*, 3>& trusted, const char* internetName,
                      std::array<QRadioButton*, 3>& internet) {
  QGroupBox* frame = NewFrame(tab, name, caption, {8, top, 504, 114});
  NewLabel(frame, "", "When a program first time attempts to connect :", {12, 20, 480, 18});
  NewLabel(frame, "", "Trusted Zone", {12, 40, 200, 18});
  NewLabel(frame, "", "Internet Zone", {260, 40, 230, 18});
  auto addGroup = [&](std::array<QRadioButton*, 3>& options, const char* optionName, int left) {
    auto* group = new QButtonGroup(frame);
    for (int i = 0; i < 3; ++i) {
      QRadioButton* option = NewOption(frame, optionName, kOptionCaptions[i], {left, 58 + 18 * i, 230, 18});
      option->setProperty("Index", i);
      group->addButton(option, i);
      options[static_cast<std::size_t>(i)] = option;
    }
  };
  addGroup(trusted, trustedName, 12);
  addGroup(internet, internetName, 260);
}

}  // namespace

frmAdvanceProgram::frmAdvanceProgram(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmAdvanceProgram", "Advance Program Settings", {540, 392});
  FormInstance<frmAdvanceProgram>() = this;
  buildControls();
  Form_Load();
}

frmAdvanceProgram::~frmAdvanceProgram() = default;

frmAdvanceProgram* AdvanceProgramFormIfLoaded() { return LoadedForm<frmAdvanceProgram>(); }

void frmAdvanceProgram::buildControls() {
  TabProgramOption = NewTabControl(this, "TabProgramOption", {8, 8, 524, 338});
  QWidget* access = NewTab(TabProgramOption, "tabAccessPermissions", "Access Permissions");
  QWidget* alerts = NewTab(TabProgramOption, "tabAlertsFunctionality", "Alerts && Functionality");

  lbAccessPermisionHeader = NewLabel(access, "lbAccessPermisionHeader", "", {8, 8, 504, 20});
  addAttemptsFrame(access, "fraConnectionAttempts", "Connection Attempts", 32, "optAccessTrusted", optAccessTrusted,
                   "optAccessInternet", optAccessInternet);
  addAttemptsFrame(access, "fraServerAttempts", "Server Attempts", 152, "optServerTrusted", optServerTrusted,
                   "optServerInternet", optServerInternet);
  lbAccessPermissionFooter = NewLabel(access, "lbAccessPermissionFooter", kControlOffFooter, {8, 272, 504, 36});

  lbAlertsFunctionalHeader = NewLabel(alerts, "lbAlertsFunctionalHeader",
                                      "Use this dialog to set alerts and security behaviour for all programs.",
                                      {8, 8, 504, 20});
  QGroupBox* global = NewFrame(alerts, "fraGlobalProgramProperties", "Global Program Properties", {8, 32, 504, 108});
  chkRequiredAdminRites = NewCheckBox(global, "chkRequiredAdminRites",
                                      "Required administrative rites to allow temporary internet access.",
                                      {12, 22, 484, 22});
  chkDenyOnAsk = NewCheckBox(global, "chkDenyOnAsk", "", {12, 48, 484, 22});
  chkShowInternetAccess =
      NewCheckBox(global, "chkShowInternetAccess", "Show Alert when Internet Access is denied.", {12, 74, 484, 22});
  lbAlertsFooter = NewLabel(alerts, "lbAlertsFooter", kControlOffFooter, {8, 272, 504, 36});

  cmdProgramOptionOk = NewButton(this, "cmdProgramOptionOk", "&OK", {276, 354, 80, 28});
  cmdProgramOptionApply = NewButton(this, "cmdProgramOptionApply", "&Apply", {364, 354, 80, 28});
  cmdProgramOptionCancel = NewButton(this, "cmdProgramOptionCancel", "&Cancel", {452, 354, 80, 28});
  cmdProgramOptionOk->setDefault(true);

  for (int g = 0; g < 4; ++g)
    for (int i = 0; i < 3; ++i) {
      QRadioButton* option = group(g)[static_cast<std::size_t>(i)];
      SetTag(option, platform::fromQString(option->objectName()) + std::to_string(i));
      connect(option, &QRadioButton::toggled, this, [this, g, i](bool on) {
        if (on) optionClick(g, i);
      });
    }
  TagByName({chkRequiredAdminRites, chkDenyOnAsk, chkShowInternetAccess, cmdProgramOptionOk, cmdProgramOptionApply,
             cmdProgramOptionCancel});
  connect(chkDenyOnAsk, &QCheckBox::toggled, this, &frmAdvanceProgram::chkDenyOnAsk_Click);
  connect(chkRequiredAdminRites, &QCheckBox::toggled, this, &frmAdvanceProgram::chkRequiredAdminRites_Click);
  connect(chkShowInternetAccess, &QCheckBox::toggled, this, &frmAdvanceProgram::chkShowInternetAccess_Click);
  connect(cmdProgramOptionOk, &QPushButton::clicked, this, &frmAdvanceProgram::cmdProgramOptionOk_Click);
  connect(cmdProgramOptionApply, &QPushButton::clicked, this, &frmAdvanceProgram::cmdProgramOptionApply_Click);
  connect(cmdProgramOptionCancel, &QPushButton::clicked, this, &frmAdvanceProgram::cmdProgramOptionCancel_Click);
}

std::array<QRadioButton*, 3>& frmAdvanceProgram::group(int g) {
  switch (g) {
    case 0: return optAccessTrusted;
    case 1: return optAccessInternet;
    case 2: return optServerTrusted;
    default: return optServerInternet;
  }
}

int frmAdvanceProgram::selected(int g) {
  for (int i = 0; i < 3; ++i)
    if (group(g)[static_cast<std::size_t>(i)]->isChecked()) return i;
  return -1;
}

void frmAdvanceProgram::Form_Load() {
  loaded_ = false;
  SetLabels();
  setValues();
  LoadToolTipText(this, "Advance Program Settings - Access Permission");
  cmdProgramOptionApply->setEnabled(false);
  stored_ = shownValues();
  loaded_ = true;
}

void frmAdvanceProgram::SetLabels() {
  lbAccessPermissionFooter->setVisible(ControlLevel == 0);
  lbAlertsFooter->setVisible(ControlLevel == 0);
  lbAccessPermisionHeader->setText(
      toQString("Set default behaviour for all programs add to " + AppTitle + " in future."));
  chkDenyOnAsk->setText(
      toQString("Deny access if permission is set to 'Ask' and " + AppTitle + " service is not running."));
}

void frmAdvanceProgram::setValues() {
  ErrorBoundary("setValues of Form frmAdvanceProgram", [&] {
    const std::uint8_t defaults[] = {DefaultAccessTrusted, DefaultAccessInternet, DefaultServerTrusted,
                                     DefaultServerInternet};
    // Each selection runs its group's click, as a user's would.
    for (int g = 0; g < 4; ++g) {
      if (defaults[g] > AccessAsk) RaiseError(errSubscript);
      group(g)[defaults[g]]->setChecked(true);
    }
    chkShowInternetAccess->setChecked(ShowAlertOnInternetAccess);
    chkDenyOnAsk->setChecked(DenyAccessOnAsk);
    chkRequiredAdminRites->setChecked(RequiredAdminRites);
  });
}

void frmAdvanceProgram::optionClick(int g, int index) {
  // The other groups move just far enough to keep the rights in order; each
  // selection they take runs their own click in turn.
  RightsLevels levels;
  for (int k = 0; k < 4; ++k) levels[static_cast<std::size_t>(k)] = AccessCodeToLevel(selected(k));
  ApplyRightsConsistencyRule(levels, g + 1, AccessCodeToLevel(index));
  for (int k = 0; k < 4; ++k) {
    if (k == g || levels[static_cast<std::size_t>(k)] == 0) continue;
    const std::uint8_t code = LevelToAccessCode(levels[static_cast<std::size_t>(k)]);
    if (selected(k) != code) group(k)[code]->setChecked(true);
  }
  cmdProgramOptionApply->setEnabled(true);
}

void frmAdvanceProgram::optAccessTrusted_Click(int index) { group(0)[static_cast<std::size_t>(index)]->setChecked(true); }
void frmAdvanceProgram::optAccessInternet_Click(int index) { group(1)[static_cast<std::size_t>(index)]->setChecked(true); }
void frmAdvanceProgram::optServerTrusted_Click(int index) { group(2)[static_cast<std::size_t>(index)]->setChecked(true); }
void frmAdvanceProgram::optServerInternet_Click(int index) { group(3)[static_cast<std::size_t>(index)]->setChecked(true); }

void frmAdvanceProgram::chkDenyOnAsk_Click() {
  cmdProgramOptionApply->setEnabled(true);
  if (!loaded_) return;
  platform::MsgBox(std::string("If the server permission is set to Ask then \r\n") +
                       (chkDenyOnAsk->isChecked() ? "it will automatically Block the application."
                                                  : "it will automatically Allow the application."),
                   platform::vbInformation, AppTitle);
}

void frmAdvanceProgram::chkRequiredAdminRites_Click() { cmdProgramOptionApply->setEnabled(true); }
void frmAdvanceProgram::chkShowInternetAccess_Click() { cmdProgramOptionApply->setEnabled(true); }

void frmAdvanceProgram::cmdProgramOptionApply_Click() {
  if (!cmdProgramOptionApply->isEnabled()) return;
  // Changes that did not reach the file stay pending.
  if (saveValues()) cmdProgramOptionApply->setEnabled(false);
}

void frmAdvanceProgram::cmdProgramOptionOk_Click() {
  cmdProgramOptionApply_Click();
  // A save that did not reach the file leaves the dialog open.
  if (!cmdProgramOptionApply->isEnabled()) accept();
}

void frmAdvanceProgram::cmdProgramOptionCancel_Click() { reject(); }

std::array<std::uint8_t, 7> frmAdvanceProgram::shownValues() {
  std::array<std::uint8_t, 7> values{};
  values[0] = chkShowInternetAccess->isChecked() ? 1 : 0;
  values[1] = chkDenyOnAsk->isChecked() ? 1 : 0;
  values[2] = chkRequiredAdminRites->isChecked() ? 1 : 0;
  for (int g = 0; g < 4; ++g) {
    const int s = selected(g);
    values[static_cast<std::size_t>(3 + g)] =
        s == AccessAllow ? AccessAllow : (s == AccessBlock ? AccessBlock : AccessAsk);
  }
  return values;
}

bool frmAdvanceProgram::saveValues() {
  return ErrorBoundary("saveValues of Form frmAdvanceProgram", false, [&] {
    static const char* const keys[] = {"ShowAlertOnInternetAccess", "DenyAccessOnAsk",       "RequiredAdminRites",
                                       "DefaultAccessTrusted",      "DefaultAccessInternet", "DefaultServerTrusted",
                                       "DefaultServerInternet"};
    const std::array<std::uint8_t, 7> values = shownValues();
    // Only what the user changed is stored: a value the dialog merely shows
    // may have been changed in the file by another program since.
    std::vector<std::pair<std::string, std::string>> changed;
    for (std::size_t i = 0; i < values.size(); ++i)
      if (values[i] != stored_[i]) changed.emplace_back(keys[i], std::to_string(values[i]));
    if (changed.empty()) return true;
    // The changed keys are stored in one write; memory follows only what was
    // stored.
    if (!WriteINIKeys("Main", changed, strProgramMainFile, true)) {
      TellNotSaved("The defaults for new programs", strProgramMainFile);
      return false;
    }
    bool* const flags[] = {&ShowAlertOnInternetAccess, &DenyAccessOnAsk, &RequiredAdminRites};
    std::uint8_t* const codes[] = {&DefaultAccessTrusted, &DefaultAccessInternet, &DefaultServerTrusted,
                                   &DefaultServerInternet};
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i] == stored_[i]) continue;
      if (i < 3) *flags[i] = values[i] != 0;
      else *codes[i - 3] = values[i];
    }
    stored_ = values;
    return true;
  });
}

}  // namespace mv
