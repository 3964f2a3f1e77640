#include "rules/frmApplying.h"

#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

#include "core/FormControls.h"
#include "core/mdlMain.h"
#include "platform/QtText.h"
#include "rules/mdlDefineRules.h"

namespace mv {
namespace {
QPointer<QWidget>& owner() {
  static QPointer<QWidget> o;
  return o;
}
}  // namespace

frmApplying::frmApplying(QWidget* ownerWindow)
    : QWidget(ownerWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName("frmApplying");
  setFixedSize(300, 60);
  pBar = new QProgressBar(this);
  pBar->setObjectName("pBar");
  pBar->setRange(0, 100);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pBar);
  blnApplyingFormLoaded = true;
}

frmApplying::~frmApplying() { blnApplyingFormLoaded = false; }

void SetApplyingOwner(QWidget* o) { owner() = o; }

void ShowApplyingProgress(long progress, int mode) {
  if (!blnApplyingFormLoaded || !LoadedForm<frmApplying>()) {
    frmApplying* f = LoadForm<frmApplying>(owner().data());
    static const char* captions[] = {" Settings Applying", " Netwrok Locking", " Netwrok Stoping"};
    if (mode >= 0 && mode <= 2) f->setWindowTitle(platform::toQString(AppTitle + captions[mode]));
    f->show();
  }
  LoadedForm<frmApplying>()->pBar->setValue(static_cast<int>(progress));
}

void UnloadApplyingForm() { delete LoadedForm<frmApplying>(); }

}  // namespace mv
