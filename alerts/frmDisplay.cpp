#include "alerts/frmDisplay.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "alerts/mdlAlertMessage.h"
#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/QtText.h"

namespace mv {

using platform::toQString;

namespace {

constexpr int kWidth = 380;
constexpr int kHeight = 232;
// The window keeps clear of the screen's edge and of a task bar below it.
constexpr int kRightMargin = 200 / 15;
constexpr int kBottomMargin = 500 / 15;

long upperBound() { return static_cast<long>(arrAlertQueue.size()) - 1; }

}  // namespace

frmDisplay::frmDisplay() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("frmDisplay");
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowIcon(WindowIcon());
  setWindowTitle(toQString(AppTitle + " Alert Messages"));
  setFixedSize(kWidth, kHeight);

  lblHeading = NewLabel(this, "lblHeading", "Firewall", {12, 8, 356, 26});
  QFont heading = lblHeading->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.35);
  lblHeading->setFont(heading);
  lbAlertMessage = NewLabel(this, "lbAlertMessage", "------------------------------------------", {12, 38, 356, 78});
  lbAlertMessage->setWordWrap(true);
  lbAlertMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label6 = NewLabel(this, "Label6", "Date/Time :", {12, 122, 80, 20});
  lblTime = NewLabel(this, "lblTime", "", {96, 122, 272, 20});
  Label8 = NewLabel(this, "Label8", "Count :", {12, 144, 80, 20});
  lblSessionTotalAlerts = NewLabel(this, "lblSessionTotalAlerts", "", {96, 144, 120, 20});
  chkDoNotShowAlert = NewCheckBox(this, "chkDoNotShowAlert", "Don't show this type of alert again.", {12, 166, 356, 22});

  const char* moves[] = {"<<", "<", ">", ">>"};
  const int lefts[] = {12, 46, 154, 188};
  for (int i = 0; i < 4; ++i) {
    cmdMove[static_cast<std::size_t>(i)] = NewButton(this, "cmdMove", moves[i], {lefts[i], 198, 32, 26});
    cmdMove[static_cast<std::size_t>(i)]->setProperty("Index", i);
    connect(cmdMove[static_cast<std::size_t>(i)], &QPushButton::clicked, this, [this, i] { cmdMove_Click(i); });
  }
  lblCount = NewLabel(this, "lblCount", "0 of 0", {80, 198, 72, 26});
  lblCount->setAlignment(Qt::AlignCenter);
  cmdOk = NewButton(this, "cmdOk", "OK", {288, 198, 80, 26});
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, &frmDisplay::cmdOK_Click);
  connect(chkDoNotShowAlert, &QCheckBox::clicked, this, &frmDisplay::chkDoNotShowAlert_Click);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.right() + 1 - kWidth - kRightMargin, area.bottom() + 1 - kHeight - kBottomMargin);
  }
  SetTopMostWindow(true);
  hooks::CloseAlertPopup = [this] { cmdOK_Click(); };
  cmdMove_Click(0);
}

frmDisplay::~frmDisplay() {
  if (!closing_) hooks::CloseAlertPopup = nullptr;
}

void frmDisplay::SetTopMostWindow(bool topMost) {
  ErrorBoundary("SetTopMostWindow of frmDisplay", [&] {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    // Changing a window flag hides the window.
    if (shown) show();
  });
}

void frmDisplay::cmdMove_Click(int index) {
  ErrorBoundary("cmdMove_Click of frmDisplay", [&] {
    const long u = upperBound();
    long next = index_;
    switch (index) {
      case 0: if (u >= 1) next = 1; else return; break;
      case 1: if (u >= 2 && index_ >= 2) next = index_ - 1; else return; break;
      case 2: if (u > index_) next = index_ + 1; else return; break;
      case 3: if (u >= 1) next = u; else return; break;
      default: return;
    }
    index_ = next;
    showAlerts();
  });
}

void frmDisplay::showAlerts() {
  ErrorBoundary("showAlerts of Form frmDisplay", [&] {
    const long u = upperBound();
    if (index_ > u) index_ = u;
    lblCount->setText(toQString(std::to_string(index_) + " of " + std::to_string(u)));
    if (index_ < 1) return;
    const tAlertRecord& r = arrAlertQueue[static_cast<std::size_t>(index_)];
    const bool popsUp = r.Column7 == "Protected" || r.Column7 == "Blocked";
    if (popsUp)
      lbAlertMessage->setText(toQString(
          getAlertMessage(r.Column4, r.Column2, r.Column3, r.Column6, r.Event.SourcePort, r.Event.DestPort)));
    lblTime->setText(toQString(DateToText(r.AlertDate) + " " + DateToText(r.AlertTime)));
    lblHeading->setText(toQString(r.Column7));
    lblSessionTotalAlerts->setText(toQString(std::to_string(r.Count)));
    const bool offerTick = SameText(r.Column7, "Protected") || r.Column7 == "Blocked";
    chkDoNotShowAlert->setVisible(offerTick);
    if (offerTick) chkDoNotShowAlert->setChecked(r.DoNotShow != 0);
  });
}

void frmDisplay::chkDoNotShowAlert_Click() {
  ErrorBoundary("chkDoNotShowAlert_Click of Form frmDisplay", [&] {
    if (index_ < 1 || index_ > upperBound()) return;
    arrAlertQueue[static_cast<std::size_t>(index_)].DoNotShow = chkDoNotShowAlert->isChecked() ? -1 : 0;
  });
}

void frmDisplay::cmdOK_Click() {
  if (closing_) return;
  ErrorBoundary("cmdOK_Click of Form frmDisplay", [&] {
    for (const tAlertRecord& r : arrAlertQueue) {
      if (!r.DoNotShow || r.DupKey.find(',') == std::string::npos) continue;
      const std::string key = leftComapreStr(r.Event);
      // A key already remembered is not added twice.
      if (!colDoNotShowAlerts.Contains(key)) colDoNotShowAlerts.Add(key, key);
    }
  });
  // Unloaded before the queue is written: an alert that arrives meanwhile
  // opens a new window. This one is deleted once its click has returned.
  closing_ = true;
  hooks::CloseAlertPopup = nullptr;
  FormInstance<frmDisplay>().clear();
  hide();
  blnAlertShowing = 0;
  ErrorBoundary("cmdOK_Click of Form frmDisplay", [&] { FlushAlertQueue(); });
  deleteLater();
}

void frmDisplay::closeEvent(QCloseEvent* event) {
  // The close box settles the queue as OK does.
  event->ignore();
  cmdOK_Click();
}

bool ShowAlertPopup() {
  frmDisplay* form = LoadedForm<frmDisplay>();
  if (form && form->isHidden()) form = nullptr;
  if (!form) {
    form = LoadForm<frmDisplay>();
    form->show();
  } else {
    form->showAlerts();
  }
  return form->isVisible();
}

}  // namespace mv
