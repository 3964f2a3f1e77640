#pragma once
// The login window: asks for the settings password.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class frmLogin : public QDialog {
  Q_OBJECT
 public:
  explicit frmLogin(QWidget* parent = nullptr);
  ~frmLogin() override;

  // A right password logs the user in and closes the window; a wrong one is
  // told and the window stays open with the text selected.
  void cmdOk_Click();
  // Logs the user out and closes the window.
  void cmdCancel_Click();

  QLabel* lblLabels;
  QLineEdit* txtPassword;
  QPushButton* cmdOk;
  QPushButton* cmdCancel;
};

// The open login window, or null.
frmLogin* LoginFormIfLoaded();
// Shows the login window modally; returns when it has closed.
void ShowLoginForm();

}  // namespace mv
