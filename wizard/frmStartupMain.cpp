#include "wizard/frmStartupMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTreeWidget>

#include "core/mdINIBas.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/Twips.h"
#include "core/mdlLogin.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Icons.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "programs/mdlProgramControl.h"
#include "programs/mdlProgramControlLists.h"
#include "wizard/WizardPictures.h"
#include "wizard/frmLogin.h"

namespace mv::wizard {

namespace {

// The page area: beside the banner, at a fixed place and size.
constexpr TwipsRect kPageArea{2560, 0, 5400, 4000};
constexpr int kPageWidth = 360;  // kPageArea in pixels
const std::string kPlaceholder = "------------------------------------------------";

// Captions are kept as the system writes them: "&" marks the access key and
// "&&" shows one ampersand. Buttons and option buttons read them that way;
// a label without a partner control shows the text with the marks resolved.
std::string shownLabelText(const std::string& caption) {
  std::string shown;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') shown += '&', ++i;
      continue;
    }
    shown += caption[i];
  }
  return shown;
}

void SetCaption(QWidget* control, const std::string& caption) {
  control->setProperty("Caption", platform::toQString(caption));
  if (auto* label = qobject_cast<QLabel*>(control)) label->setText(platform::toQString(shownLabelText(caption)));
  if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(platform::toQString(caption));
}

std::string Caption(const QWidget* control) {
  return platform::fromQString(control->property("Caption").toString());
}

QLabel* caption(QWidget* page, const std::string& name, const std::string& tag, const std::string& text,
                const QRect& at) {
  QLabel* label = NewLabel(page, name, "", at);
  SetCaption(label, text);
  SetTag(label, tag);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLabel* header(QWidget* page, const std::string& name, const std::string& tag, const std::string& text) {
  QLabel* label = caption(page, name, tag, text, {12, 10, kPageWidth - 64, 22});
  QFont f = label->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  label->setFont(f);
  return label;
}

QLabel* header2(QWidget* page, const std::string& name, const std::string& tag, const std::string& text) {
  QLabel* label = caption(page, name, tag, text, {12, 34, kPageWidth - 64, 40});
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

// An option button whose caption wraps onto a second line when it is longer
// than the button is wide.
class WrappingOption : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QRect indicator = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, this);
    QStyleOptionButton box = opt;
    box.rect = QRect(indicator.left(), 1, indicator.width(), indicator.height());
    p.drawPrimitive(QStyle::PE_IndicatorRadioButton, box);
    const QRect area = rect().adjusted(indicator.right() + 6, 0, 0, 0);
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
    style()->drawItemText(&p, area, flags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = style()->itemTextRect(fontMetrics(), area, flags, isEnabled(), text());
      p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// The label of a program found on this computer: the program on its first
// line and, from " (" on, its path on the second, each shortened in the
// middle when it is too long, so a real path never runs into the line below;
// the text itself stays whole.
class ProgramLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QString t = text();
    const int cut = t.indexOf(QStringLiteral(" ("));
    const QStringList lines = cut < 0 ? QStringList{t} : QStringList{t.left(cut), t.mid(cut + 1)};
    const QRect area = contentsRect();
    const int lineHeight = fontMetrics().height();
    int top = area.top();
    for (const QString& line : lines) {
      p.drawText(QRect(area.left(), top, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop,
                 fontMetrics().elidedText(line, Qt::ElideMiddle, area.width()));
      top += lineHeight;
    }
  }
};

QRadioButton* option(QWidget* page, const std::string& name, const std::string& tag, const std::string& text,
                     const QRect& at) {
  auto* button = new WrappingOption(page);
  button->setObjectName(platform::toQString(name));
  button->setGeometry(at);
  SetCaption(button, text);
  SetTag(button, tag);
  return button;
}

QPushButton* button(QWidget* parent, const std::string& name, const std::string& tag, const std::string& text,
                    const QRect& at) {
  QPushButton* b = NewButton(parent, name, "", at);
  // A button with the focus takes Enter itself; elsewhere Enter is Next's.
  b->setAutoDefault(true);
  SetCaption(b, text);
  SetTag(b, tag);
  return b;
}

QLineEdit* passwordBox(QWidget* page, const std::string& name, const std::string& tag, const QRect& at) {
  QLineEdit* box = NewPasswordBox(page, name, at);
  SetTag(box, tag);
  return box;
}

}  // namespace

frmStartupMain::frmStartupMain() {
  setObjectName("frmStartupMain");
  setWindowTitle(platform::toQString(AppTitle));
  setWindowIcon(QIcon(WizardPicture(101, 32)));
  // The pages are laid out for a small dialog font.
  QFont small = font();
  small.setPointSizeF(8);
  setFont(small);
  const int pageLeft = ToPixels(kPageArea.Left), pageHeight = ToPixels(kPageArea.Height);
  setFixedSize(pageLeft + kPageWidth + 8, pageHeight + 50);

  imgBanner_ = new QLabel(this);
  imgBanner_->setObjectName("imgBanner");
  imgBanner_->setGeometry(0, 0, pageLeft - 4, pageHeight);
  imgBanner_->setPixmap(WizardBanner(pageLeft - 4, pageHeight));

  auto* rule = new QFrame(this);
  rule->setObjectName("linSeparator");
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(0, pageHeight + 2, width(), 4);

  const int buttonTop = pageHeight + 14, right = width() - 8;
  auto* cmdCancel = button(this, "cmdCancel", "5003", "&Cancel", {right - 84, buttonTop, 84, 26});
  cmdNext_ = button(this, "cmdNext", "5001", "Next >", {right - 84 - 12 - 84, buttonTop, 84, 26});
  cmdBack_ = button(this, "cmdBack", "5002", "< &Back", {right - 2 * 84 - 12 - 84, buttonTop, 84, 26});
  cmdNext_->setDefault(true);
  connect(cmdNext_, &QPushButton::clicked, this, &frmStartupMain::cmdNext_Click);
  connect(cmdBack_, &QPushButton::clicked, this, &frmStartupMain::cmdBack_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmStartupMain::cmdCancel_Click);

  const int w = kPageWidth - 24;
  // Page 1: welcome.
  QFrame* p1 = newPage(1);
  header(p1, "lbPage1Header", "5101", "Welcome to Morvantis");
  header2(p1, "lbPage1Header2", "5102", "Welcome To Morvantis");
  caption(p1, "lbPage1Desc", "5103", kPlaceholder, {12, 80, w, 52});
  caption(p1, "lbPage1Desc1", "5105", kPlaceholder, {12, 140, w, 34});
  caption(p1, "lbPage1Desc2", "5106", kPlaceholder, {12, 180, w, 34});
  caption(p1, "lbPage1Footer", "5104", kPlaceholder, {12, 238, w, 22});

  // Page 3: alerts.
  QFrame* p3 = newPage(3);
  header(p3, "lbPage3Header", "5301", "Alerts && Logs");
  header2(p3, "lbPage3Header2", "5302", "Alerts && Logs");
  caption(p3, "lbPage3Desc", "5306", kPlaceholder, {12, 72, w, 48});
  auto* optAlertAlltime = option(p3, "optAlertAlltime", "5303", "Show alerts", {20, 122, w - 8, 28});
  auto* optAlertDoNot = option(p3, "optAlertDoNot", "5305", "Do not show alerts", {20, 150, w - 8, 28});
  optAlertAlltime->setChecked(true);
  connect(optAlertAlltime, &QRadioButton::clicked, this, &frmStartupMain::optAlertAlltime_Click);
  connect(optAlertDoNot, &QRadioButton::clicked, this, &frmStartupMain::optAlertDoNot_Click);
  caption(p3, "lbPage3Desc1", "5308", kPlaceholder, {12, 184, w, 18});
  caption(p3, "lbPage3Desc2", "5309", kPlaceholder, {12, 202, w, 34});
  caption(p3, "lbPage3Footer", "5307", kPlaceholder, {12, 238, w, 22});

  // Page 4: the settings password.
  QFrame* p4 = newPage(4);
  header(p4, "lbPage4Header", "5401", "Password Protection");
  header2(p4, "lbPage4Header2", "5402", "A password protects the settings against change by anybody else.");
  caption(p4, "lbPage4Desc1", "5403", "Please Enter your password. (Password must be at least 5 characters)",
          {12, 70, w, 32});
  txtPassword_ = passwordBox(p4, "txtPassword", "5404", {20, 102, 200, 22});
  caption(p4, "lbPage4Desc2", "5405", "Confirm your Password", {12, 130, w, 18});
  txtConfirmPass_ = passwordBox(p4, "txtConfirmPass", "5406", {20, 148, 200, 22});
  const std::string blankBoth =
      "Please leave both the fields blank and press Next, if you do not like to protect by password.";
  caption(p4, "lbPage4Desc", "5407", blankBoth, {12, 176, w, 32});
  caption(p4, "lbPage4Desc3", "5409", blankBoth, {12, 208, w, 30});
  caption(p4, "lbPage4Footer", "5408", kPlaceholder, {12, 240, w, 20});
  for (QLineEdit* box : {txtPassword_, txtConfirmPass_}) box->installEventFilter(this);

  // Page 5: how known programs are treated.
  QFrame* p5 = newPage(5);
  header(p5, "lbPage5Header", "5501", "Secure Program");
  header2(p5, "lbPage5Header2", "5502", "Preconfigure Programs and their access permission");
  optAllowProgram_ = option(p5, "optAllowProgram", "5503",
                            "Yes, allow access && server permission for following programs ", {12, 68, w + 8, 28});
  optNoProgramAdd_ = option(p5, "optNoProgramAdd", "5504",
                            "No, Alert/Ask me later on when these programs will access my netwrok",
                            {12, 96, w + 8, 28});
  option(p5, "optAdvanceProgram", "5505", "Advance, let me customize access / server permission",
         {12, 124, w + 8, 20});
  optAllowProgram_->setChecked(true);
  caption(p5, "lbPage5Desc", "5506", "The programs && components listed below and need to access your network",
          {12, 144, w, 28});
  const char* const defaultNames[] = {"lbAutoProgram1", "Label1", "Label2"};
  const char* const defaultTexts[] = {" Default web browser: Internet Explorer (IEXPLORER.EXE)",
                                      "Windows web component: Generic Host Process (svchost.exe)",
                                      "Windows web component: Service and Controller (services.exe)"};
  for (int i = 0; i < 3; ++i) {
    auto* picture = new QLabel(p5);
    picture->setObjectName(QString("picProg%1").arg(i + 1));
    picture->setGeometry(16, 172 + i * 26, 16, 16);
    defaultPictures_.push_back(picture);
    auto* label = new ProgramLabel(p5);
    label->setObjectName(defaultNames[i]);
    label->setGeometry(38, 172 + i * 26, w - 26, 26);
    SetCaption(label, defaultTexts[i]);
    defaultLabels_.push_back(label);
  }
  caption(p5, "lbPage5Footer", "5507", kPlaceholder, {12, 250, w, 16});

  // Page 6: the user's own program list.
  QFrame* p6 = newPage(6);
  header(p6, "lbPage6Header", "5601", "Advance Secure Program");
  header2(p6, "lbPage6Header2", "5602",
          "Add or remove programs, then set permission by left click Access/Server column to secure your network");
  lvwPrograms_ = new QTreeWidget(p6);
  lvwPrograms_->setObjectName("lvwPrograms");
  SetTag(lvwPrograms_, "5603");
  lvwPrograms_->setGeometry(12, 76, w, 116);
  lvwPrograms_->setHeaderLabels({"Programs", "Access", "Server"});
  lvwPrograms_->setRootIsDecorated(false);
  lvwPrograms_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvwPrograms_->setIconSize(QSize(16, 16));
  lvwPrograms_->header()->setStretchLastSection(false);
  lvwPrograms_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lvwPrograms_->setColumnWidth(1, 64);
  lvwPrograms_->setColumnWidth(2, 64);
  lvwPrograms_->header()->setSectionsClickable(true);
  lvwPrograms_->viewport()->installEventFilter(this);
  connect(lvwPrograms_->header(), &QHeaderView::sectionClicked, this, &frmStartupMain::lvwPrograms_ColumnClick);
  auto* cmdAdd = button(p6, "cmdAdd", "5604", "&Add", {12, 198, 80, 26});
  auto* cmdRemove = button(p6, "cmdRemove", "5605", "&Remove", {100, 198, 80, 26});
  connect(cmdAdd, &QPushButton::clicked, this, &frmStartupMain::cmdAdd_Click);
  connect(cmdRemove, &QPushButton::clicked, this, &frmStartupMain::cmdRemove_Click);
  caption(p6, "lbPage6Desc1", "5608", kPlaceholder, {188, 198, w - 176, 28});
  caption(p6, "lbPage6Desc", "5606", kPlaceholder, {12, 228, w, 16});
  caption(p6, "lbPage6Footer", "5607", kPlaceholder, {12, 246, w, 18});

  // Page 9: finished.
  QFrame* p9 = newPage(9);
  header(p9, "lbPage9Header", "5901", "Configuration Finished");
  header2(p9, "lbPage9Header2", "5902", "Thanks to using Morvantis, a truely Firewall for your network.");
  caption(p9, "lbPage9Desc", "5903", kPlaceholder, {12, 80, w, 48});
  caption(p9, "Label3", "5905", kPlaceholder, {12, 134, w, 34});
  caption(p9, "lbPage9Footer", "5904", kPlaceholder, {12, 238, w, 22});

  // Hidden controls: the icon boxes of the program list and the two menus.
  pic16_ = new QLabel(this);
  pic16_->setObjectName("pic16");
  pic16_->setGeometry(0, 0, 16, 16);
  pic16_->hide();
  defaultIcon_ = new QLabel(this);
  defaultIcon_->setObjectName("defaultIcon");
  defaultIcon_->setPixmap(WizardPicture(106, 16));
  defaultIcon_->hide();
  struct MenuEntry {
    const char* name;
    const char* caption;
    RightsMenuItem item;
  };
  auto menu = [this](const char* name, const char* caption, std::initializer_list<MenuEntry> entries) {
    auto* m = new QMenu(caption, this);
    m->setObjectName(name);
    for (const MenuEntry& entry : entries) {
      QAction* a = m->addAction(entry.caption);
      a->setObjectName(entry.name);
      const RightsMenuItem chosen = entry.item;
      connect(a, &QAction::triggered, this, [this, chosen] { Menu_Click(chosen); });
    }
    return m;
  };
  mnuAccess_ = menu("mnuAccess", "Access",
                    {{"mnuAccessAllow", "Allow", RightsMenuItem::AccessAllow},
                     {"mnuAccessBlock", "Block", RightsMenuItem::AccessBlock},
                     {"mnuAccessAsk", "Ask", RightsMenuItem::AccessAsk}});
  mnuServer_ = menu("mnuServer", "Server",
                    {{"mnuServerAllow", "Allow", RightsMenuItem::ServerAllow},
                     {"mnuServerBlock", "Block", RightsMenuItem::ServerBlock},
                     {"mnuServerAsk", "Ask", RightsMenuItem::ServerAsk}});
  HideAllPages();
}

frmStartupMain::~frmStartupMain() = default;

QFrame* frmStartupMain::newPage(int n) {
  auto* frame = new QFrame(this);
  frame->setObjectName(QString("fraPage%1").arg(n));
  placePageFrame(frame);
  auto* picture = new QLabel(frame);
  picture->setObjectName(QString("imgPage%1").arg(n));
  picture->setGeometry(kPageWidth - 48, 8, 40, 40);
  pages_[n] = frame;
  return frame;
}

void frmStartupMain::placePageFrame(QFrame* frame) { MoveTwips(frame, kPageArea); }

void frmStartupMain::HideAllPages() {
  for (auto& [n, frame] : pages_) frame->hide();
}

void frmStartupMain::InitPage(int n) {
  // Each page shows its own icon resource.
  static const std::map<int, int> pictureOf{{1, 101}, {3, 103}, {4, 104}, {5, 106}, {6, 106}, {9, 105}};
  if (n == 9) SetCaption(cmdNext_, GetLangString("5004", "&Finish"));
  QFrame* frame = pages_.at(n);
  placePageFrame(frame);
  frame->findChild<QLabel*>(QString("imgPage%1").arg(n))->setPixmap(WizardPicture(pictureOf.at(n), 40));
  if (n == 1) frame->show();
  if (n == 3) {
    cmdBack_->setEnabled(true);
    cmdNext_->setEnabled(true);
  }
  if (n == 5) ShowDefaultPrograms();
}

void frmStartupMain::ShowPage(int n) {
  HideAllPages();
  pages_.at(n)->show();
  InitPage(n);
  CurrentPage = n;
  focusPage(n);
}

void frmStartupMain::focusPage(int n) {
  // Enter goes on from wherever the page puts the keyboard: the password
  // page into its first box, every other page onto Next, so the focus never
  // rests on Cancel or on a control of a page no longer shown.
  if (n == 4) txtPassword_->setFocus();
  else cmdNext_->setFocus(Qt::OtherFocusReason);
}

void frmStartupMain::ShowDefaultPrograms() {
  defaults_ = DefaultPrograms();
  // The labels name what finishing adds: the browser first, then the network
  // component, then the service manager.
  const WizardProgram* browser = nullptr;
  std::vector<const WizardProgram*> components;
  for (const WizardProgram& p : defaults_) {
    if (p.role == RoleWebBrowser)
      browser = &p;
    else
      components.push_back(&p);
  }
  const WizardProgram* shown[3] = {browser, components.size() > 1 ? components[1] : nullptr,
                                   components.empty() ? nullptr : components[0]};
  for (int i = 0; i < 3; ++i) {
    const WizardProgram* p = shown[i];
    const std::string role = i == 0 ? RoleWebBrowser : RoleNetworkComponent;
    if (p) {
      SetCaption(defaultLabels_[i], role + ": " + p->name + " (" + p->path + ")");
      defaultLabels_[i]->setToolTip(defaultLabels_[i]->text());
      defaultPictures_[i]->setPixmap(platform::smallFileIcon(p->path).isNull() ? WizardPicture(106, 16)
                                                                               : platform::smallFileIcon(p->path));
    } else {
      SetCaption(defaultLabels_[i], role + ": none found on this computer");
      defaultLabels_[i]->setToolTip(QString());
      defaultPictures_[i]->clear();
    }
  }
}

void frmStartupMain::TranslateControls(const std::string& section) {
  (void)section;  // the wizard's texts are all in its one section
  for (QWidget* control : findChildren<QWidget*>()) {
    if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLabel*>(control)) continue;
    const std::string tag = Tag(control);
    if (tag.empty()) continue;
    SetCaption(control, GetLangString(tag, Caption(control)));
  }
}

void frmStartupMain::Form_Load() {
  CurrentPage = 1;
  setWindowTitle(platform::toQString(GetLangString("5000", AppTitle)));
  SetCaption(cmdNext_, GetLangString("5001", "&Next >"));
  SetCaption(cmdBack_, GetLangString("5002", "< &Back"));
  SetCaption(findChild<QPushButton*>("cmdCancel"), GetLangString("5003", "&Cancel"));
  cmdBack_->setEnabled(false);
  InitPage(1);
  TranslateControls(LanguageSection);
  focusPage(1);
  show();
  if (!CheckLogin()) {
    ending_ = true;
    EndWizard();
    return;
  }
  AlertChoice = 1;
  NewPassword.clear();
  ProgramChoice = 1;
}

void frmStartupMain::cmdNext_Click() {
  switch (CurrentPage) {
    case 1:
      pages_.at(1)->hide();
      ShowPage(3);
      break;
    case 3: ShowPage(4); break;
    case 4:
      if (!ValidatePassword()) return;
      NewPassword = TextOf(txtPassword_);
      ShowPage(5);
      break;
    case 5:
      if (optAllowProgram_->isChecked()) {
        ShowPage(9);
        ProgramChoice = 1;
      } else if (optNoProgramAdd_->isChecked()) {
        ShowPage(9);
        ProgramChoice = 2;
      } else {
        ShowPage(6);
        ProgramChoice = 3;
      }
      break;
    case 6: ShowPage(9); break;
    case 9: {
      const FinishOutcome outcome = saveStartupWizardSettings(Choices());
      // A running front end is no fault: the user is told what to do first.
      if (!outcome.message.empty())
        platform::MsgBox(outcome.message, outcome.frontEndRunning ? platform::vbExclamation : platform::vbCritical,
                         AppTitle);
      // Nothing was stored: the finish page stays, with every choice, to try
      // again or cancel.
      if (!outcome.stored) return;
      ending_ = true;
      EndWizard();
      break;
    }
  }
}

void frmStartupMain::cmdBack_Click() {
  switch (CurrentPage) {
    case 9:
      ShowPage(ProgramChoice == 3 ? 6 : 5);
      SetCaption(cmdNext_, GetLangString("5001", "&Next >"));
      break;
    case 6: ShowPage(5); break;
    case 5: ShowPage(4); break;
    case 4: ShowPage(3); break;
    case 3:
      ShowPage(1);
      cmdBack_->setEnabled(false);
      break;
  }
}

void frmStartupMain::cmdCancel_Click() { close(); }

void frmStartupMain::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  int answer = platform::MsgBox("Are you sure you want to exit from " + AppTitle, platform::vbQuestion + platform::vbYesNo,
                                AppTitle);
  if (answer == platform::vbYes)
    event->accept();
  else
    event->ignore();
}

bool frmStartupMain::ValidatePassword() {
  const std::string password = TextOf(txtPassword_);
  if (TextOf(txtConfirmPass_) != password) {
    platform::MsgBox("Password not matched.", platform::vbCritical, AppTitle);
    return false;
  }
  // The front end reads only passwords that both stores keep faithfully.
  const std::string problem = PasswordStorageProblem(password);
  if (!problem.empty()) {
    platform::MsgBox(problem, platform::vbCritical, AppTitle);
    FocusAndSelect(txtPassword_);
    return false;
  }
  return true;
}

void frmStartupMain::optAlertAlltime_Click() { AlertChoice = 1; }
void frmStartupMain::optAlertDoNot_Click() { AlertChoice = 0; }

void frmStartupMain::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier) {
    if (cmdNext_->isEnabled() && cmdNext_->isVisibleTo(this)) cmdNext_->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool frmStartupMain::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == txtPassword_ || watched == txtConfirmPass_) && event->type() == QEvent::FocusIn)
    static_cast<QLineEdit*>(watched)->selectAll();
  if (watched == lvwPrograms_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    lvwPrograms_MouseUp(mouse->button(), mouse->position().toPoint());
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The program list.

void frmStartupMain::cmdAdd_Click() {
  auto chosen = ShowAddProgramDialog(AddProgramFilter, strOpenFolder_);
  if (!chosen) return;
  // The program as the front end's Add takes it, or none.
  const std::optional<std::string> program = ProgramToAdd(chosen->FileName, AppTitle);
  if (program) LoadCurrentProgramList(*program);
}

std::vector<std::string> frmStartupMain::listedNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < lvwPrograms_->topLevelItemCount(); ++i)
    names.push_back(platform::fromQString(lvwPrograms_->topLevelItem(i)->text(0)));
  return names;
}

void frmStartupMain::LoadCurrentProgramList(const std::string& path) {
  ErrorBoundary("LoadCurrentProgramList of Module mdlProgramControl", [&] {
    const std::string name = ProgramDisplayName(path);
    if (GetListItemIndex(listedNames(), name) != 0) return;
    const long found = ExtractIcon(path, pic16_, defaultIcon_);
    ProgramImgList16_[path] = pic16_->pixmap();
    auto* item = new QTreeWidgetItem(lvwPrograms_);
    SetListItemKey(item, path);
    SetListItemTag(item, path);
    item->setText(0, platform::toQString(name));
    item->setText(1, "Allow");
    item->setText(2, "Allow");
    if (found != 0) item->setIcon(0, QIcon(ProgramImgList16_[path]));
  });
}

void frmStartupMain::cmdRemove_Click() {
  ErrorBoundary("cmdRemove_Click of frmProgramControl", [&] {
    std::vector<std::string> selected;
    for (int i = 0; i < lvwPrograms_->topLevelItemCount(); ++i)
      if (lvwPrograms_->topLevelItem(i)->isSelected())
        selected.push_back(platform::fromQString(lvwPrograms_->topLevelItem(i)->text(0)));
    const std::string names = RemoveNameList(selected);
    if (names.empty()) return;
    if (platform::MsgBox("Do you want to remove following application(s)?\r\n" + names,
                         platform::vbQuestion + platform::vbYesNo, AppTitle) != platform::vbYes)
      return;
    for (int i = lvwPrograms_->topLevelItemCount() - 1; i >= 0; --i) {
      QTreeWidgetItem* item = lvwPrograms_->topLevelItem(i);
      if (!item->isSelected()) continue;
      ProgramImgList16_.erase(ListItemTag(item));
      delete item;
    }
  });
}

QTreeWidgetItem* frmStartupMain::selectedProgram() const {
  QTreeWidgetItem* item = lvwPrograms_->currentItem();
  if (item && item->isSelected()) return item;
  const auto selected = lvwPrograms_->selectedItems();
  return selected.isEmpty() ? nullptr : selected.front();
}

void frmStartupMain::lvwPrograms_MouseUp(Qt::MouseButton button, const QPoint& pos) {
  if (button != Qt::LeftButton || !selectedProgram()) return;
  if (!lvwPrograms_->itemAt(pos)) return;
  const int column = lvwPrograms_->columnAt(pos.x());
  const QPoint at = lvwPrograms_->viewport()->mapToGlobal(pos);
  if (column == 1) mnuAccess_->popup(at);
  if (column == 2) mnuServer_->popup(at);
}

void frmStartupMain::Menu_Click(RightsMenuItem item) {
  QTreeWidgetItem* row = selectedProgram();
  if (!row) return;
  std::string access = platform::fromQString(row->text(1)), server = platform::fromQString(row->text(2));
  ApplyRightsMenu(access, server, item);
  row->setText(1, platform::toQString(access));
  row->setText(2, platform::toQString(server));
}

void frmStartupMain::lvwPrograms_ColumnClick(int column) {
  // A second click on the same column turns the order round.
  ascending_ = column == sortColumn_ ? !ascending_ : true;
  sortColumn_ = column;
  lvwPrograms_->sortItems(column, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

WizardChoices frmStartupMain::Choices() const {
  WizardChoices choices;
  choices.AlertChoice = AlertChoice;
  choices.NewPassword = NewPassword;
  choices.ProgramChoice = ProgramChoice;
  choices.defaults = defaults_;
  for (int i = 0; i < lvwPrograms_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lvwPrograms_->topLevelItem(i);
    choices.programs.push_back({platform::fromQString(item->text(0)), ListItemTag(item),
                                platform::fromQString(item->text(1)), platform::fromQString(item->text(2)), ""});
  }
  return choices;
}

// ---------------------------------------------------------------------------

bool Main() {
  SetPaths();
  FinishPendingChange();
  platform::removeStaleTemporaryFilesBelow(platform::programFolder());
  if (!CheckPasswordFile()) return false;
  const std::optional<std::string> password = GetStoredPassword();
  if (!password) return false;
  strPassword = *password;
  LoadForm<frmStartupMain>()->Form_Load();
  return true;
}

}  // namespace mv::wizard
