#include "core/frmSetPassword.h"

#include <QLabel>
#include <QLineEdit>
#include <exception>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/frmMorvantisSettings.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"

namespace mv {
namespace {
const std::string CrLf = "\r\n";
const std::string SameInBoth = "Please try again with same password in both text boxes.";
}  // namespace

frmSetPassword::frmSetPassword(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmSetPassword", "Set Password", {320, 164});
  FormInstance<frmSetPassword>() = this;

  lbOldPsd = NewLabel(this, "lbOldPsd", "Old password:", {12, 14, 120, 20});
  txtOldPassword = NewPasswordBox(this, "txtOldPassword", {136, 12, 172, 24});
  lbPsd = NewLabel(this, "lbPsd", "New password:", {12, 46, 120, 20});
  txtPassword = NewPasswordBox(this, "txtPassword", {136, 44, 172, 24});
  lbConfirmPsd = NewLabel(this, "lbConfirmPsd", "Confirm password:", {12, 78, 120, 20});
  txtConfirmPassword = NewPasswordBox(this, "txtConfirmPassword", {136, 76, 172, 24});
  NewOkCancel(this, 136, 122);
  TagByName({txtOldPassword, txtPassword, txtConfirmPassword, cmdOk, cmdCancel});
  LoadToolTipText(this, "Set Password");
}

frmSetPassword::~frmSetPassword() = default;

void frmSetPassword::cmdOk_Click() {
  ErrorBoundary("cmdOK_Click of frmSetPassword", [&] {
    // The old password asked for is the one in force now.
    RefreshPassword();
    const bool passwordSet = !strPassword.empty();
    if (passwordSet && TextOf(txtOldPassword) != strPassword) {
      platform::MsgBox("Invalid old password, please try again.", platform::vbInformation, AppTitle);
      FocusAndSelect(txtOldPassword);
      return;
    }
    const std::string password = TextOf(txtPassword);
    if (password != TextOf(txtConfirmPassword)) {
      platform::MsgBox((passwordSet ? "Password which you have typed do not match."
                                    : "The password which you have typed do not match.") +
                           CrLf + SameInBoth,
                       platform::vbInformation, AppTitle);
      FocusAndSelect(txtConfirmPassword);
      return;
    }
    // A password the two stores cannot hold is refused before anything is
    // written.
    if (std::string problem = PasswordStorageProblem(password); !problem.empty()) {
      platform::MsgBox(problem, platform::vbExclamation, AppTitle);
      FocusAndSelect(txtPassword);
      return;
    }
    if (password.empty() &&
        platform::MsgBox("A blank password will clear password security." + CrLf + "It will allow any one to change " +
                             AppTitle + "'s settings." + CrLf + "Are you sure do you want to clear the password?",
                         platform::vbYesNo + platform::vbQuestion, AppTitle) != platform::vbYes)
      return;
    // When the new password cannot be stored the old one stays in force and
    // the window stays open.
    if (!setPassword(password)) return;
    strPassword = password;
    blnLoggedIn = true;
    if (auto* page = SettingsPageIfLoaded()) page->ShowLoginState();
    accept();
  });
}

void frmSetPassword::cmdCancel_Click() { reject(); }

frmSetPassword* SetPasswordFormIfLoaded() { return LoadedForm<frmSetPassword>(); }

}  // namespace mv
