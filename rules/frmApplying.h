#pragma once
// The progress window shown while rules are written and the engine restarts.
#include <QWidget>

class QProgressBar;

namespace mv {

class frmApplying : public QWidget {
  Q_OBJECT
 public:
  explicit frmApplying(QWidget* owner = nullptr);
  ~frmApplying() override;
  QProgressBar* pBar;
};

// Shows the window (caption by mode on first show) and moves its bar.
void ShowApplyingProgress(long progress, int mode);
void UnloadApplyingForm();
// The window the progress window belongs to (the main window), if any.
void SetApplyingOwner(QWidget* owner);

}  // namespace mv
