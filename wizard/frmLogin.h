#pragma once
// The wizard's login prompt: asks for the stored settings password before
// the wizard may change anything.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace mv::wizard {

class frmLogin : public QDialog {
  Q_OBJECT
 public:
  explicit frmLogin(QWidget* parent = nullptr);

  // The right password (letter case counts) logs the user in and closes the
  // prompt; a wrong one is told, and the prompt stays with its text selected.
  void cmdOK_Click();
  // Gives up: not logged in.
  void cmdCancel_Click();

  QLabel* lblLabels;
  QLineEdit* txtPassword;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;
};

// True when no password is stored or the user has typed it in the prompt,
// which opens modally over the active window.
bool CheckLogin();

}  // namespace mv::wizard
