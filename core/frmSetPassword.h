#pragma once
// The window that sets, changes or clears the settings password.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class frmSetPassword : public QDialog {
  Q_OBJECT
 public:
  explicit frmSetPassword(QWidget* parent = nullptr);
  ~frmSetPassword() override;

  // Checks the old password (when one is set) and the confirmation, asks
  // before clearing, stores the new password and closes the window.
  void cmdOk_Click();
  void cmdCancel_Click();

  QLabel* lbOldPsd;
  QLabel* lbPsd;
  QLabel* lbConfirmPsd;
  QLineEdit* txtOldPassword;
  QLineEdit* txtPassword;
  QLineEdit* txtConfirmPassword;
  QPushButton* cmdOk;
  QPushButton* cmdCancel;
};

// The open set-password window, or null.
frmSetPassword* SetPasswordFormIfLoaded();

}  // namespace mv
