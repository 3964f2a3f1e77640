#pragma once
// The settings page: the general switches, login, logout and the password,
// the protection summary with its links to the other pages, and the alert
// summary counters.
#include <array>
#include <optional>
#include <string>

#include "core/FormSupport.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace mv {

class frmMorvantisSettings : public Page {
  Q_OBJECT
 public:
  explicit frmMorvantisSettings(QWidget* parent = nullptr);
  ~frmMorvantisSettings() override;

  // The three switches: after the login gate (once the page is loaded), the
  // state is written under [Main] and kept in memory; a refused login puts
  // the box back.
  void chkLoadOnStartup_Click();
  void chkHideMorvantis_Click();
  void chkEnableSystemTrayIcon_Click();
  void cmdLogin_Click();
  // The login button after a login, a logout or a new password: usable while
  // a password is set, its caption by whether the user is logged in.
  void ShowLoginState();
  void cmdSetPassword_Click();
  void cmdReset_Click();
  // The links to the zones page and the program-control page.
  void lbTZSecurity_Click();
  void lbIZSecurity_Click();
  void lbProgramControl_Click();
  void lbPasslockmode_Click();
  // The alert counters (outgoing programs, allowed, blocked, then incoming)
  // and the protection summary; an absent text leaves its label as it is.
  void ShowCounters(const std::array<std::string, 6>& counters);
  void ShowProgramSummary(const std::optional<std::string>& internetZone,
                          const std::optional<std::string>& trustedZone,
                          const std::optional<std::string>& programControl, const std::string& automaticLock);

  QGroupBox* fraGeneral;
  QCheckBox* chkLoadOnStartup;
  QCheckBox* chkHideMorvantis;
  QGroupBox* fraAlertSettings;
  QCheckBox* chkEnableSystemTrayIcon;
  QGroupBox* fraPassword;
  QPushButton* cmdSetPassword;
  QPushButton* cmdLogin;
  QGroupBox* fraProgramSummary;
  QLabel* lbTZSecurity;
  QLabel* lbIZSecurity;
  QLabel* lbProgramControl;
  QLabel* lbPasslockmode;
  QGroupBox* fraAlertActivity;
  QLabel* lbOPrograms;
  QLabel* lbOAllow;
  QLabel* lbOBlocked;
  QLabel* lbhdOBlocked;
  QLabel* lbIPrograms;
  QLabel* lbIAllow;
  QLabel* lbIBlocked;
  QLabel* lbhdIBlocked;
  QPushButton* cmdReset;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void Form_Load();
  QLabel* newLink(QWidget* frame, const char* name, const QRect& at);
  // The gate and the write of one switch; false when the change is refused.
  bool changeSwitch(QCheckBox* box, const char* key, bool stored);
  // The gate alone: after the load, a change needs the login; a refused one
  // puts the box back.
  bool mayChange(QCheckBox* box, bool stored);
  // The write alone: the box's state under [Main]; one that cannot be
  // written puts the box back and, after the load, is told.
  bool storeSwitch(QCheckBox* box, const char* key, bool stored);
  // Sets the box to the stored state without running its handler.
  void putBack(QCheckBox* box, bool stored);

  bool handleChanges_ = false;   // off while the page loads and while a box is put back
};

// The settings page when it is loaded, else null.
frmMorvantisSettings* SettingsPageIfLoaded();

}  // namespace mv
