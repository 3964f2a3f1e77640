#pragma once
// "Range of Ports": one custom port entry for the program whose options are
// open (a description, one port or a range, TCP, UDP or both), handed to the
// options dialog's port list on OK.
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class frmCustomPortsAdd : public QDialog {
  Q_OBJECT
 public:
  explicit frmCustomPortsAdd(QWidget* parent = nullptr);
  ~frmCustomPortsAdd() override;

  // Checks the input; a good one becomes a checked entry of the options
  // dialog and the dialog closes, a bad one is told and stays.
  void cmdPortsAddOk_Click();
  void cmdPortsAddCancel_Click();

  QLabel* sknlblHeader;
  QGroupBox* tabAddPort;
  QLabel* Label1;
  QLineEdit* txtDescription;
  QLabel* Label2;
  QLineEdit* txtPortsFrom;
  QLabel* SkinLabel3;
  QLineEdit* txtPortsTo;
  QCheckBox* chkTCPPorts;
  QCheckBox* chkUDPPorts;
  QLabel* sknlblFooter;
  QPushButton* cmdPortsAddOk;
  QPushButton* cmdPortsAddCancel;

 private:
  void SetCaptions();
};

}  // namespace mv
