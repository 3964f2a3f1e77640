#pragma once
// The alert pop-up: a small window, always on top, at the bottom right of
// the screen, that shows the queued alerts one at a time with "<<", "<", ">"
// and ">>" to step through them. OK (or the close box) remembers the alerts
// the user ticked not to see again, has the queue written to the logs and
// closes the window.
#include <QWidget>
#include <array>

class QCheckBox;
class QCloseEvent;
class QLabel;
class QPushButton;

namespace mv {

class frmDisplay : public QWidget {
  Q_OBJECT
 public:
  frmDisplay();
  ~frmDisplay() override;

  // Keeps the window above all others (true) or lets it go (false).
  void SetTopMostWindow(bool topMost);
  // Settles the queue and closes the window.
  void cmdOK_Click();
  // Shows the alert at the current position.
  void showAlerts();

  // The current position in the queue (1-based).
  long CurrentIndex() const { return index_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void cmdMove_Click(int index);
  void chkDoNotShowAlert_Click();

  QLabel* lblHeading = nullptr;
  QLabel* lbAlertMessage = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* lblTime = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* lblSessionTotalAlerts = nullptr;
  QLabel* lblCount = nullptr;
  QCheckBox* chkDoNotShowAlert = nullptr;
  QPushButton* cmdOk = nullptr;
  std::array<QPushButton*, 4> cmdMove{};

  long index_ = 1;
  bool closing_ = false;
};

// Shows the pop-up with the queue (loading it first), or refreshes it when
// it is up; true when it is up.
bool ShowAlertPopup();

}  // namespace mv
