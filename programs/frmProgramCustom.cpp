#include "programs/frmProgramCustom.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <functional>
#include <string>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/QtText.h"
#include "platform/ScreenSaver.h"
#include "programs/mdlProgramControl.h"

namespace mv {

namespace {

const std::string AutoLockSection = "AutoLock";
constexpr long MinMinutes = 1;
constexpr long MaxMinutes = 999;
const char* const kLockAfterCaption = "Lock after                 minutes of inactivity";
const char* const kNoScreenSaver =
    "No screen saver answers on this desktop: the lock cannot follow it. Choose the idle minutes instead.";

// A spinner of two arrows beside a text box: each arrow reports its click
// and the spinner itself holds no value.
class UpDown : public QSpinBox {
 public:
  explicit UpDown(QWidget* parent) : QSpinBox(parent) {
    setRange(0, 0);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    lineEdit()->hide();
  }
  std::function<void()> UpClick;
  std::function<void()> DownClick;

  void stepBy(int steps) override {
    if (steps > 0 && UpClick) UpClick();
    else if (steps < 0 && DownClick) DownClick();
  }

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

}  // namespace

frmProgramCustom::frmProgramCustom(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmProgramCustom", "Custom Lock Settings", {400, 336});
  FormInstance<frmProgramCustom>() = this;
  buildControls();
  setValues();
  LoadToolTipText(this, "Custom Lock Settings");
}

frmProgramCustom::~frmProgramCustom() = default;

frmProgramCustom* ProgramCustomFormIfLoaded() { return LoadedForm<frmProgramCustom>(); }

void frmProgramCustom::buildControls() {
  tabAutoLock = NewTabControl(this, "tabAutoLock", {8, 8, 384, 280});
  QWidget* tab = NewTab(tabAutoLock, "tabAutoLockPage", "Auto Lock");

  QGroupBox* fraLock = NewFrame(tab, "fraLock", "Lock Mode to Use When Internet Enabled", {8, 8, 362, 122});
  optLockTimeMode = NewOption(fraLock, "optLockTimeMode", kLockAfterCaption, {12, 24, 338, 24});
  // The interval box and its spinner stand in the gap of the caption.
  const QStyle* style = optLockTimeMode->style();
  const int gap = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                  style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
                  optLockTimeMode->fontMetrics().horizontalAdvance("Lock after ");
  txtlockInterval = NewTextBox(fraLock, "txtlockInterval", {12 + gap, 25, 36, 22});
  txtlockInterval->setAlignment(Qt::AlignRight);
  txtlockInterval->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), txtlockInterval));
  txtlockInterval->installEventFilter(this);
  auto* spinner = new UpDown(fraLock);
  spinner->setObjectName("Up_Down_minute");
  spinner->setGeometry(12 + gap + 36, 25, 18, 22);
  spinner->UpClick = [this] { Up_Down_minute_UpClick(); };
  spinner->DownClick = [this] { Up_Down_minute_DownClick(); };
  Up_Down_minute = spinner;
  Label1 = NewLabel(fraLock, "Label1", kLockAfterCaption, {30, 26, 300, 20});
  Label1->hide();
  optLockScreenSaver = NewOption(fraLock, "optLockScreenSaver", "Lock when Screen-Saver active", {12, 54, 338, 24});
  // Told under the screen-saver mode while it is chosen and the desktop has
  // no screen saver that answers.
  lblScreenSaverMissing = NewLabel(fraLock, "lblScreenSaverMissing", kNoScreenSaver, {32, 80, 318, 34});
  lblScreenSaverMissing->hide();

  QGroupBox* fraLockEngages = NewFrame(tab, "fraLockEngages", "When Lock Engages", {8, 136, 362, 78});
  optBlockInternet = NewOption(fraLockEngages, "optBlockInternet", "&Block all internet access", {12, 22, 338, 22});
  optAllowLockProgram = NewOption(fraLockEngages, "optAllowLockProgram", "&Allow Pass-Lock programs to use internet", {12, 48, 338, 22});

  lbAccessPermissionFooter =
      NewLabel(tab, "lbAccessPermissionFooter",
               "Auto Lock Control is OFF: \n Any change can't effect untill Auto Lock Control is off.",
               {8, 218, 362, 34});

  NewOkCancel(this, 220, 298);

  TagByName({optLockTimeMode, txtlockInterval, Up_Down_minute, optLockScreenSaver, optBlockInternet,
             optAllowLockProgram, cmdOk, cmdCancel});
  connect(optLockTimeMode, &QRadioButton::toggled, this, [this](bool on) {
    if (on) optLockTimeMode_Click();
  });
  connect(optLockScreenSaver, &QRadioButton::toggled, this, [this](bool on) {
    if (on) optLockScreenSaver_Click();
  });
  connect(txtlockInterval, &QLineEdit::textChanged, this, &frmProgramCustom::txtlockInterval_Change);
}

void frmProgramCustom::setValues() {
  ErrorBoundary("setValues of frmProgramCustom", [&] {
    lbAccessPermissionFooter->setVisible(!AutomaticLock);
    // The box holds the stored interval in both modes, so that saving in
    // either mode keeps a number.
    txtlockInterval->setText(QString::number(LockInterval));
    if (LockMode) optLockTimeMode->setChecked(true);
    else optLockScreenSaver->setChecked(true);
    (EngagesMode ? optAllowLockProgram : optBlockInternet)->setChecked(true);
  });
  shownTimeMode_ = optLockTimeMode->isChecked();
  shownInterval_ = TextOf(txtlockInterval);
  shownEngages_ = optAllowLockProgram->isChecked();
}

bool frmProgramCustom::SaveValue() {
  return ErrorBoundary("SaveValue of frmProgramCustom", false, [&] {
    const std::string text = TextOf(txtlockInterval);
    const std::int16_t minutes = ValInt(text);
    const bool timeMode = optLockTimeMode->isChecked();
    const bool engages = optAllowLockProgram->isChecked();
    // Only what the user changed is stored, in one write: a setting the
    // dialog merely shows may have been changed in the file by another
    // program since. In screen-saver mode the interval is not stored.
    std::vector<std::pair<std::string, std::string>> keys;
    if (timeMode != shownTimeMode_) keys.emplace_back("LockMode", timeMode ? "1" : "0");
    const bool newInterval = timeMode && text != shownInterval_;
    if (newInterval) keys.emplace_back("LockInterval", text);
    if (engages != shownEngages_) keys.emplace_back("EngagesMode", engages ? "1" : "0");
    if (keys.empty()) return true;
    if (!WriteINIKeys(AutoLockSection, keys, strProgramMainFile, true)) {
      TellNotSaved("The lock settings", strProgramMainFile);
      return false;
    }
    // Memory follows only what was stored, so the lock never counts minutes
    // the file lacks.
    if (timeMode != shownTimeMode_) LockMode = timeMode;
    if (newInterval) LockInterval = minutes;
    if (engages != shownEngages_) EngagesMode = engages;
    return true;
  });
}

void frmProgramCustom::cmdOk_Click() {
  // A save that did not reach the file leaves the dialog open.
  if (SaveValue()) accept();
}

void frmProgramCustom::cmdCancel_Click() { reject(); }

void frmProgramCustom::optLockTimeMode_Click() {
  txtlockInterval->setEnabled(true);
  Up_Down_minute->setEnabled(true);
  lblScreenSaverMissing->hide();
}

void frmProgramCustom::optLockScreenSaver_Click() {
  txtlockInterval->setEnabled(false);
  Up_Down_minute->setEnabled(false);
  // The desktop is asked in the background; its answer tells whether the
  // lock has a screen saver to follow, while this mode is still chosen.
  platform::AskScreenSaver(this, [this](bool answers, bool) {
    lblScreenSaverMissing->setVisible(!answers && optLockScreenSaver->isChecked());
  });
}

void frmProgramCustom::txtlockInterval_Change() {
  const double minutes = Val(TextOf(txtlockInterval));
  if (minutes < MinMinutes) txtlockInterval->setText(QString::number(MinMinutes));
  else if (minutes > MaxMinutes) txtlockInterval->setText(QString::number(MaxMinutes));
}

void frmProgramCustom::Up_Down_minute_DownClick() {
  const long minutes = static_cast<long>(Val(TextOf(txtlockInterval)));
  if (minutes != MinMinutes) txtlockInterval->setText(QString::number(minutes - 1));
}

void frmProgramCustom::Up_Down_minute_UpClick() {
  const long minutes = static_cast<long>(Val(TextOf(txtlockInterval)));
  if (minutes != MaxMinutes) txtlockInterval->setText(QString::number(minutes + 1));
}

bool frmProgramCustom::eventFilter(QObject* watched, QEvent* event) {
  // Only digits and Backspace are typed into the interval box; any other
  // character is refused with a beep.
  if (watched == txtlockInterval && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool character = !text.isEmpty() && text[0].unicode() != 0x7f && key->key() != Qt::Key_Delete;
    const bool allowed = key->key() == Qt::Key_Backspace || (text.size() == 1 && text[0] >= '0' && text[0] <= '9');
    if (character && !allowed) {
      QApplication::beep();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace mv
