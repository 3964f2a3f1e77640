#include "core/frmLogin.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/frmMorvantisSettings.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"

namespace mv {

frmLogin::frmLogin(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmLogin", AppTitle, {300, 116});
  FormInstance<frmLogin>() = this;

  lblLabels = NewLabel(this, "lblLabels", "Enter the password to change the settings:", {12, 12, 276, 20});
  txtPassword = NewPasswordBox(this, "txtPassword", {12, 36, 276, 24});
  NewOkCancel(this, 116, 76);
  TagByName({txtPassword, cmdOk, cmdCancel});
  LoadToolTipText(this, "Ask Password");
}

frmLogin::~frmLogin() = default;

void frmLogin::cmdOk_Click() {
  if (TextOf(txtPassword) != strPassword) {
    platform::MsgBox("Invalid password, please try again.", platform::vbInformation, AppTitle);
    FocusAndSelect(txtPassword);
    return;
  }
  blnLoggedIn = true;
  if (auto* page = SettingsPageIfLoaded()) page->ShowLoginState();
  accept();
}

void frmLogin::cmdCancel_Click() {
  blnLoggedIn = false;
  reject();
}

frmLogin* LoginFormIfLoaded() { return LoadedForm<frmLogin>(); }

void ShowLoginForm() {
  // A second prompt while the first is open (a timer tick) is refused.
  if (LoginFormIfLoaded()) {
    blnLoggedIn = false;
    return;
  }
  frmLogin form(QApplication::activeWindow());
  form.exec();
}

}  // namespace mv
