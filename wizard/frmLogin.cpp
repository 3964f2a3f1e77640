#include "wizard/frmLogin.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/FormControls.h"
#include "platform/Dialogs.h"
#include "wizard/WizardPictures.h"
#include "wizard/mdlMain.h"

namespace mv::wizard {

frmLogin::frmLogin(QWidget* parent) : QDialog(parent) {
  setObjectName("frmLogin");
  setWindowTitle("Password");
  setWindowIcon(QIcon(WizardPicture(101, 32)));
  setFixedSize(260, 104);
  setModal(true);
  lblLabels = NewLabel(this, "lblLabels", "&Password:", {12, 14, 80, 20});
  txtPassword = NewPasswordBox(this, "txtPassword", {96, 12, 152, 24});
  lblLabels->setBuddy(txtPassword);
  cmdOK = NewButton(this, "cmdOK", "OK", {76, 60, 80, 28});
  cmdCancel = NewButton(this, "cmdCancel", "Cancel", {168, 60, 80, 28});
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
}

void frmLogin::cmdOK_Click() {
  if (TextOf(txtPassword) != strPassword) {
    platform::MsgBox("Invalid password, please try again.", platform::vbInformation, AppTitle);
    FocusAndSelect(txtPassword);
    return;
  }
  blnLoggedIn = true;
  accept();
}

void frmLogin::cmdCancel_Click() {
  blnLoggedIn = false;
  reject();
}

bool CheckLogin() {
  if (strPassword.empty()) return true;
  // Escape and the close box end the prompt as Cancel does, without login.
  frmLogin prompt(QApplication::activeWindow());
  prompt.exec();
  return blnLoggedIn;
}

}  // namespace mv::wizard
