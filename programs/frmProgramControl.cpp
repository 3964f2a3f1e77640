#include "programs/frmProgramControl.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <vector>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/MDIMain.h"
#include "core/StringTable.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/ChangeRecord.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "programs/frmAdvanceProgram.h"
#include "programs/frmProgramControlProgramOption.h"
#include "programs/frmProgramCustom.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"
#include "rules/NetworkCommands.h"
#include "rules/mdlDefineRules.h"

namespace mv {

using platform::fromQString;
using platform::toQString;

namespace {

const std::string MainSection = "Main";

// The list columns of a program row: 1 the name, 2-5 the rights, 6 the lock.
constexpr int LockColumn = 6;

struct LevelTexts {
  const char* selected;
  const char* description;
  const char* note;
};
// By program-control level 0 (Off) to 3 (High).
const LevelTexts kLevelTexts[] = {
    {"Off :", "Program control is off.", "Component control is off."},
    {"Low :", "Program control is in learning mode.", "Component control is in learning mode."},
    {"Medium :", "Program must ask for Internet access and server rights.", "Component control is in learning mode."},
    {"High :", "Program must ask for Internet access and server rights.", "Component control is on."},
};

QTreeWidget* newList(QWidget* parent, const char* name, const QStringList& headers, const std::vector<int>& widths,
                     const QRect& at) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setGeometry(at);
  list->setColumnCount(static_cast<int>(headers.size()));
  list->setHeaderLabels(headers);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->header()->setSectionsClickable(true);
  list->header()->setSectionsMovable(false);
  for (std::size_t i = 0; i < widths.size(); ++i) list->setColumnWidth(static_cast<int>(i), widths[i]);
  return list;
}

QTextEdit* newDetailsBox(QWidget* frame, const char* name, const QRect& at) {
  auto* box = new QTextEdit(frame);
  box->setObjectName(name);
  box->setGeometry(at);
  box->setReadOnly(true);
  box->setLineWrapMode(QTextEdit::NoWrap);
  return box;
}

// The selected row of a list: the current row when it is selected, else the
// first selected row; null when none is selected.
QTreeWidgetItem* selectedRow(const QTreeWidget* list) {
  QTreeWidgetItem* current = list->currentItem();
  if (current && current->isSelected()) return current;
  const QList<QTreeWidgetItem*> rows = list->selectedItems();
  return rows.isEmpty() ? nullptr : rows.front();
}

// The right text of a menu value (1 Allow, 2 Block, 3 Ask), "" for another.
std::string menuRightText(std::uint8_t value) { return LevelToAccessText(MenuValueToLevel(value)); }

}  // namespace

frmProgramControl::frmProgramControl(QWidget* parent) : Page(parent) {
  setObjectName("frmProgramControl");
  FormInstance<frmProgramControl>() = this;
  buildControls();
  controls_.lvwPrograms = lvwPrograms;
  controls_.lvwComponents = lvwComponents;
  controls_.pic16 = pic16;
  controls_.defaultIcon = defaultIcon;
  controls_.cmdProgramControlProgramOption = cmdProgramControlProgramOption;
  controls_.cmdRemove = cmdRemove;
  controls_.cmdComponentRemove = cmdComponentRemove;
  controls_.rtComponentDetails = rtComponentDetails;
  RegisterProgramControlPage(&controls_);
  hooks::ProgramRowActive = [this](const std::string& key, bool active) { ShowProgramActive(key, active); };
  connectMenus();
  Form_Load();
}

frmProgramControl::~frmProgramControl() {
  hooks::ProgramRowActive = nullptr;
  if (ProgramControlPage() == &controls_) RegisterProgramControlPage(nullptr);
}

frmProgramControl* ProgramControlPageIfLoaded() { return LoadedForm<frmProgramControl>(); }

// ---------------------------------------------------------------------------
// Controls.

void frmProgramControl::buildControls() {
  resize(600, 440);
  TabProgramControl = NewTabControl(this, "TabProgramControl", {6, 6, 588, 428});
  QWidget* tabMain = NewTab(TabProgramControl, "tabMain", "Main");
  QWidget* tabPrograms = NewTab(TabProgramControl, "tabPrograms", "Programs");
  QWidget* tabComponents = NewTab(TabProgramControl, "tabComponents", "Component");

  // --- "Main": the program-control level and the automatic lock.
  fraProgramControlSecurity =
      NewFrame(tabMain, "fraProgramControlSecurity", "Program Control Security", {8, 8, 564, 170});
  sldProgramControlSecurity = new QSlider(Qt::Vertical, fraProgramControlSecurity);
  sldProgramControlSecurity->setObjectName("sldProgramControlSecurity");
  sldProgramControlSecurity->setGeometry(18, 26, 28, 132);
  sldProgramControlSecurity->setRange(0, 3);
  sldProgramControlSecurity->setPageStep(1);
  sldProgramControlSecurity->setTickPosition(QSlider::TicksLeft);
  sldProgramControlSecurity->setTickInterval(1);
  lbProgramHigh = NewLabel(fraProgramControlSecurity, "lbProgramHigh", "High", {50, 26, 44, 18});
  lbProgramMed = NewLabel(fraProgramControlSecurity, "lbProgramMed", "Mid", {50, 64, 44, 18});
  lbProgramLow = NewLabel(fraProgramControlSecurity, "lbProgramLow", "Low", {50, 102, 44, 18});
  lbProgramOff = NewLabel(fraProgramControlSecurity, "lbProgramOff", "Off", {50, 140, 44, 18});
  lblProgramControlSelected = NewLabel(fraProgramControlSecurity, "lblProgramControlSelected", "", {110, 28, 76, 20});
  QFont bold = lblProgramControlSelected->font();
  bold.setBold(true);
  lblProgramControlSelected->setFont(bold);
  lblProgramControlDescription =
      NewLabel(fraProgramControlSecurity, "lblProgramControlDescription", "", {188, 28, 364, 36});
  lblProgramControlNote = NewLabel(fraProgramControlSecurity, "lblProgramControlNote", "", {110, 70, 442, 20});
  chkComponentControl =
      NewCheckBox(fraProgramControlSecurity, "chkComponentControl", "Enabled Component Control", {110, 100, 260, 22});
  LevelWithCaption(lblProgramControlSelected, lblProgramControlDescription);
  cmdProgramControlAdvance =
      NewButton(fraProgramControlSecurity, "cmdProgramControlAdvance", "&Advance", {456, 130, 96, 28});

  Frame2 = NewFrame(tabMain, "Frame2", "Automatic Lock", {8, 186, 564, 104});
  OptProgramControlOn = NewOption(Frame2, "OptProgramControlOn", "On", {18, 28, 70, 22});
  OptProgramControlOff = NewOption(Frame2, "OptProgramControlOff", "Off", {18, 58, 70, 22});
  lblProgramLockSelected = NewLabel(Frame2, "lblProgramLockSelected", "", {110, 30, 60, 20});
  lblProgramLockSelected->setFont(bold);
  lblProgramLockDescription = NewLabel(Frame2, "lblProgramLockDescription", "", {172, 30, 380, 20});
  LevelWithCaption(lblProgramLockSelected, lblProgramLockDescription);
  cmdProgramLockCustom = NewButton(Frame2, "cmdProgramLockCustom", "&Custom", {456, 64, 96, 28});

  lbProgramMainFooter = NewLabel(tabMain, "lbProgramMainFooter", "", {8, 300, 564, 88});

  // --- "Programs": the program list with its rights.
  lblAccess = NewLabel(tabPrograms, "lblAccess", "Access", {0, 2, 60, 19});
  lblServer = NewLabel(tabPrograms, "lblServer", "Server", {0, 2, 60, 19});
  for (QLabel* label : {lblAccess, lblServer}) {
    label->setAlignment(Qt::AlignCenter);
    label->setFont(bold);
  }
  lvwPrograms = newList(tabPrograms, "lvwPrograms",
                        {"Programs", "Trusted", "Internet", "Trusted", "Internet", "Lock"},
                        {212, 66, 66, 66, 66, 66}, {8, 22, 564, 124});
  cmdProgramControlProgramAdd = NewButton(tabPrograms, "cmdProgramControlProgramAdd", "&Add", {8, 152, 84, 26});
  cmdProgramControlProgramOption =
      NewButton(tabPrograms, "cmdProgramControlProgramOption", "&Options", {100, 152, 84, 26});
  cmdRemove = NewButton(tabPrograms, "cmdRemove", "&Remove", {192, 152, 84, 26});
  fraProgramDetails = NewFrame(tabPrograms, "fraProgramDetails", "Entry Details", {8, 182, 564, 122});
  rtProgramListDetails = newDetailsBox(fraProgramDetails, "rtProgramListDetails", {8, 20, 548, 94});
  // The footer's four lines stay whole at the window's smallest size.
  lbProgramFooter = NewLabel(tabPrograms, "lbProgramFooter", "", {8, 308, 564, 84});
  lbProgramFooter->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The picture boxes the program icons are drawn in: never shown.
  pic16 = NewLabel(tabPrograms, "pic16", "", {540, 178, 16, 19});
  defaultIcon = NewLabel(tabPrograms, "defaultIcon", "", {556, 178, 16, 19});
  defaultIcon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16));
  pic16->hide();
  defaultIcon->hide();

  // --- "Component": the component list.
  lvwComponents = newList(tabComponents, "lvwComponents", {"Components", "Description", "Access"}, {180, 290, 80},
                          {8, 8, 564, 138});
  cmdComponentRemove = NewButton(tabComponents, "cmdComponentRemove", "&Remove", {8, 152, 84, 26});
  fraComponentDetails = NewFrame(tabComponents, "fraComponentDetails", "Entry Details", {8, 182, 564, 122});
  rtComponentDetails = newDetailsBox(fraComponentDetails, "rtComponentDetails", {8, 20, 548, 94});
  lbComponentFooter = NewLabel(tabComponents, "lbComponentFooter", "", {8, 308, 564, 84});
  lbComponentFooter->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  for (QPushButton* b : {cmdProgramControlProgramOption, cmdRemove, cmdComponentRemove}) b->setEnabled(false);

  TagByName({sldProgramControlSecurity, chkComponentControl, cmdProgramControlAdvance, OptProgramControlOn,
             OptProgramControlOff, cmdProgramLockCustom, lvwPrograms, cmdProgramControlProgramAdd,
             cmdProgramControlProgramOption, cmdRemove, lvwComponents, cmdComponentRemove});

  connect(sldProgramControlSecurity, &QSlider::valueChanged, this,
          &frmProgramControl::sldProgramControlSecurity_Change);
  connect(chkComponentControl, &QCheckBox::toggled, this, &frmProgramControl::chkComponentControl_Click);
  connect(OptProgramControlOn, &QRadioButton::toggled, this, [this](bool on) {
    if (on && handleLockOptions_) OptProgramControlOn_Click();
  });
  connect(OptProgramControlOff, &QRadioButton::toggled, this, [this](bool on) {
    if (on && handleLockOptions_) OptProgramControlOff_Click();
  });
  connect(cmdProgramControlAdvance, &QPushButton::clicked, this, &frmProgramControl::cmdProgramControlAdvance_Click);
  connect(cmdProgramLockCustom, &QPushButton::clicked, this, &frmProgramControl::cmdProgramLockCustom_Click);
  connect(cmdProgramControlProgramAdd, &QPushButton::clicked, this,
          &frmProgramControl::cmdProgramControlProgramAdd_Click);
  connect(cmdProgramControlProgramOption, &QPushButton::clicked, this,
          &frmProgramControl::cmdProgramControlProgramOption_Click);
  connect(cmdRemove, &QPushButton::clicked, this, &frmProgramControl::cmdRemove_Click);
  connect(cmdComponentRemove, &QPushButton::clicked, this, &frmProgramControl::cmdComponentRemove_Click);
  connect(lvwPrograms->header(), &QHeaderView::sectionClicked, this, &frmProgramControl::lvwPrograms_ColumnClick);
  connect(lvwComponents->header(), &QHeaderView::sectionClicked, this,
          &frmProgramControl::lvwComponents_ColumnClick);
  connect(lvwPrograms, &QTreeWidget::itemDoubleClicked, this,
          [this] { cmdProgramControlProgramOption_Click(); });
  // The column borders move: the rights labels follow them.
  connect(lvwPrograms->header(), &QHeaderView::sectionResized, this, [this] { ArrangeRightsLabels(); });
  for (QTreeWidget* list : {lvwPrograms, lvwComponents}) {
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
  }
}

void frmProgramControl::connectMenus() {
  MDIMain* main = MDIMainIfLoaded();
  if (!main) return;
  auto on = [&](const char* name, std::function<void()> command) {
    if (QAction* item = main->MenuItem(name)) connect(item, &QAction::triggered, this, command);
  };
  const std::array<const char*, 4> rights = {"mnuAccessTrusted", "mnuAccessInternet", "mnuServerTrusted",
                                             "mnuServerInternet"};
  for (std::size_t i = 0; i < rights.size(); ++i) {
    const auto column = static_cast<std::uint8_t>(i + 2);
    const std::string menu = rights[i];
    on((menu + "Allow").c_str(), [this, column] { ChangeProgramZone(column, MenuAllow); });
    on((menu + "Block").c_str(), [this, column] { ChangeProgramZone(column, MenuBlock); });
    on((menu + "Ask").c_str(), [this, column] { ChangeProgramZone(column, MenuAsk); });
  }
  on("mnuProgramLockNormal", [this] { ChangeProgramZone(LockColumn, 1); });
  on("mnuProgramLockPassLock", [this] { ChangeProgramZone(LockColumn, 2); });
  on("mnuProgramOption", [this] { cmdProgramControlProgramOption_Click(); });
  on("mnuProgramProperties", [this] { mnuProgramProperties_Click(); });
  on("mnuProgramRemove", [this] { cmdRemove_Click(); });
  on("mnuProgramAdd", [this] { cmdProgramControlProgramAdd_Click(); });
  on("mnuComponentAccessAllow", [this] { ChangeComponentZone(3, MenuAllow); });
  on("mnuComponentAccessAsk", [this] { ChangeComponentZone(3, MenuAsk); });
  on("mnuComponentOpen", [this] { mnuComponentOpen_Click(); });
  on("mnuComponentRemove", [this] { mnuComponentRemove_Click(); });
  on("mnuComponentProperties", [this] { mnuComponentProperties_Click(); });
}

// ---------------------------------------------------------------------------
// Loading.

void frmProgramControl::Form_Load() {
  ErrorBoundary("Form_Load of frmProgramControl", [&] {
    blnFormLoading = true;
    blnLoaded = false;
    blnSliderReady = false;
    lbProgramMainFooter->setText(
        toQString(LoadResString(301) + "\n" + LoadResString(302) + "\n" + LoadResString(303)));
    lbProgramFooter->setText(toQString(LoadResString(401)));
    lbComponentFooter->setText(toQString(LoadResString(501) + "\n" + LoadResString(502)));
    LoadAll();
  });
  blnFormLoading = false;
  LoadToolTipText(this, "Program Control");
  blnLoaded = true;
  blnSliderReady = true;
}

void frmProgramControl::LoadAll() {
  LoadProgramMainSetting();
  ArrangeRightsLabels();
  LoadProgramList();
  LoadComponentList();
}

void frmProgramControl::LoadProgramList() {
  ErrorBoundary("LoadProgramList of Form frmProgramControl", [&] {
    lvwPrograms->clear();
    controls_.ProgramImgList16.clear();
    for (const auto& program : colProgramList) {
      // A program without a path cannot be listed; the ones after it still are.
      if (program->Path.empty()) continue;
      AppendProgramRow(controls_, LCase(program->Path));
    }
  });
  if (lvwPrograms->topLevelItemCount() > 0) {
    cmdRemove->setEnabled(true);
    cmdProgramControlProgramOption->setEnabled(true);
  }
  lvwPrograms_Click();
}

void frmProgramControl::LoadComponentList() {
  ErrorBoundary("LoadComponentList of Form frmProgramControl", [&] {
    lvwComponents->clear();
    for (const auto& component : colComponentList) {
      if (component->ComponentName.empty()) continue;
      AppendComponentRow(lvwComponents, *component);
    }
  });
  if (lvwComponents->topLevelItemCount() > 0) cmdComponentRemove->setEnabled(true);
  lvwComponents_Click();
}

void frmProgramControl::ArrangeRightsLabels() {
  // Each label is centred on the border between its two columns.
  const int origin = lvwPrograms->x() + lvwPrograms->frameWidth() - lvwPrograms->header()->offset();
  auto border = [&](int columns) {
    int x = origin;
    for (int c = 0; c < columns; ++c) x += lvwPrograms->columnWidth(c);
    return x;
  };
  lblAccess->move(border(2) - lblAccess->width() / 2, lblAccess->y());
  lblServer->move(border(4) - lblServer->width() / 2, lblServer->y());
}

void frmProgramControl::resizeEvent(QResizeEvent* e) {
  Page::resizeEvent(e);
  ErrorBoundary("Form_Resize of frmProgramControl", [&] { ArrangeRightsLabels(); });
}

// ---------------------------------------------------------------------------
// "Main": the program-control level and the automatic lock.

bool frmProgramControl::gate() const { return !blnLoaded || CheckLogin(); }

bool frmProgramControl::writeMain(const std::string& key, const std::string& value) {
  if (WriteINI(MainSection, key, value, strProgramMainFile, true)) return true;
  TellNotSaved("The setting", strProgramMainFile);
  return false;
}

void frmProgramControl::LoadProgramMainSetting() {
  ErrorBoundary("LoadProgramMainSetting of Form frmProgramControl", [&] {
    // The controls only show what is stored: setting them runs no handler,
    // so opening the page writes nothing.
    const QSignalBlocker quietSlider(sldProgramControlSecurity);
    const QSignalBlocker quietBox(chkComponentControl);
    const std::string level = ReadINI(MainSection, "ControlLevel", "2", strProgramMainFile, true);
    if (level == "0" || level == "1" || level == "2" || level == "3") {
      const auto position = static_cast<std::uint8_t>(level[0] - '0');
      sldProgramControlSecurity->setValue(position);
      ShowControlLevelText(position);
      ControlLevel = position;
      showProgramSummary();
    }
    const std::string enabled = ReadINI(MainSection, "ControlEnable", "1", strProgramMainFile, true);
    chkComponentControl->setChecked(enabled != "0");
    selectLockOption(AutomaticLock);
  });
}

void frmProgramControl::ShowControlLevelText(std::uint8_t level) {
  if (level > 3) return;
  const LevelTexts& t = kLevelTexts[level];
  lblProgramControlSelected->setText(t.selected);
  lblProgramControlDescription->setText(t.description);
  lblProgramControlNote->setText(t.note);
}

void frmProgramControl::sldProgramControlSecurity_Change() {
  ErrorBoundary("sldProgramControlSecurity_Change of frmProgramControl", [&] {
    auto setBack = [&] {
      blnSliderReady = false;
      sldProgramControlSecurity->setValue(ControlLevel);
      ShowControlLevelText(ControlLevel);
      sldProgramControlSecurity->setEnabled(true);
      blnSliderReady = true;
    };
    if (blnLoaded) {
      if (!blnSliderReady) return;
      // A change while the password is asked for (the rest of a drag) is
      // ignored.
      if (!sldProgramControlSecurity->isEnabled()) return;
      sldProgramControlSecurity->setEnabled(false);
      if (!CheckLogin()) return setBack();
    }
    sldProgramControlSecurity->setEnabled(true);
    const auto position = static_cast<std::uint8_t>(sldProgramControlSecurity->value());
    // The slider shows only a level that is stored.
    if (!writeMain("ControlLevel", std::to_string(position))) {
      if (blnLoaded) setBack();
      return;
    }
    ShowControlLevelText(position);
    ControlLevel = position;
    showProgramSummary();
  });
}

void frmProgramControl::chkComponentControl_Click() {
  if (!handleComponentControl_) return;
  ErrorBoundary("chkComponentControl_Click of frmProgramControl", [&] {
    const bool checked = chkComponentControl->isChecked();
    // A refused login or a failed write puts the box back to what is stored.
    if (!gate() || !writeMain("ControlEnable", checked ? "1" : "0")) {
      handleComponentControl_ = false;
      chkComponentControl->setChecked(!checked);
      handleComponentControl_ = true;
    }
  });
}

void frmProgramControl::selectLockOption(bool on) {
  handleLockOptions_ = false;
  (on ? OptProgramControlOn : OptProgramControlOff)->setChecked(true);
  handleLockOptions_ = true;
  ShowLockText(on);
}

void frmProgramControl::ShowLockText(bool on) {
  lblProgramLockSelected->setText(on ? "On :" : "Off :");
  lblProgramLockDescription->setText(on ? "Automatic Internet lock is enabled" : "Automatic Internet lock is disabled");
}

void frmProgramControl::OptProgramControlOn_Click() {
  ErrorBoundary("OptProgramControlOn_Click of frmProgramControl", [&] { setAutomaticLock(true); });
}

void frmProgramControl::OptProgramControlOff_Click() {
  ErrorBoundary("OptProgramControlOff_Click of frmProgramControl", [&] { setAutomaticLock(false); });
}

void frmProgramControl::setAutomaticLock(bool on) {
  // A refused login or a failed write puts the options back to what is stored.
  if (!gate() || !writeMain("AutomaticLock", on ? "1" : "0")) return selectLockOption(AutomaticLock);
  selectLockOption(on);
  AutomaticLock = on;
  showProgramSummary();
}

void frmProgramControl::cmdProgramControlAdvance_Click() {
  if (!gate()) return;
  frmAdvanceProgram dialog(window());
  dialog.exec();
}

void frmProgramControl::cmdProgramLockCustom_Click() {
  if (!gate()) return;
  frmProgramCustom dialog(window());
  dialog.exec();
}

// ---------------------------------------------------------------------------
// "Programs".

void frmProgramControl::lvwPrograms_Click() {
  QTreeWidgetItem* row = selectedRow(lvwPrograms);
  if (!row) {
    rtProgramListDetails->clear();
    return;
  }
  ErrorBoundary("lvwPrograms_Click of frmProgramControl", [&] {
    // The stored path as written: file names differ by case here.
    const std::string key = GetPathFromTag(ListItemTag(row));
    const std::string path = colProgramList.Contains(key) ? colProgramList.Item(key)->Path : key;
    ShowTabbedDetails(rtProgramListDetails, EntryDetailsText(path));
  });
}

void frmProgramControl::ShowProgramActive(const std::string& key, bool active) {
  const int index = FindListItemByTag(lvwPrograms, key);
  if (index > 0) ShowProgramRowActivity(lvwPrograms->topLevelItem(index - 1), active);
}

namespace {

// The four rights and the lock a program row shows (sub-items 1 to 5).
using RowRights = std::array<std::string, 5>;

RowRights shownRights(const QTreeWidgetItem* row) {
  RowRights shown;
  for (int i = 0; i < 5; ++i) shown[static_cast<std::size_t>(i)] = fromQString(row->text(i + 1));
  return shown;
}

// The rights and the lock of a program section as the file holds them, as
// the list shows them: a stored code that is no right (or lock state) shows
// as none, as the list shows it after a start, and so is never saved as
// Allow later.
RowRights storedRights(const std::string& section) {
  auto stored = [&](const std::string& key) { return ReadINI(section, key, "", strProgramControlFile, true); };
  RowRights rights;
  for (int i = 1; i <= 4; ++i) {
    const std::string code = stored("Column" + std::to_string(i));
    rights[static_cast<std::size_t>(i - 1)] =
        code == "0" || code == "1" || code == "2" ? AccessCodeToText(code[0] - '0') : "";
  }
  const std::string lock = stored("Column6");
  rights[4] = lock == "0" ? strNormal : lock == "1" ? strPassLock : std::string();
  return rights;
}

}  // namespace

void frmProgramControl::ChangeProgramZone(std::uint8_t column, std::uint8_t value) {
  ErrorBoundary("ChangeProgramZone of Form frmProgramControl", [&] {
    if (!CheckLogin()) return;
    QTreeWidgetItem* row = selectedRow(lvwPrograms);
    if (!row) return;
    const RowRights before = shownRights(row);
    SetListItemTag(row, SetTagFlag(ListItemTag(row), true));
    if (column >= 2 && column <= 5) {
      const std::string text = menuRightText(value);
      if (!text.empty()) row->setText(column - 1, toQString(text));
      ChangeDefaultProgramZone(column, value);
    } else if (column == LockColumn) {
      if (value == 1) row->setText(5, toQString(strNormal));
      else if (value == 2) row->setText(5, toQString(strPassLock));
    }
    saveProgramList(before, column == LockColumn ? 4 : column - 2);
  });
}

void frmProgramControl::ChangeDefaultProgramZone(std::uint8_t column, std::uint8_t value) {
  ErrorBoundary("ChangeDefaultProgramZone of Form frmProgramControl", [&] {
    QTreeWidgetItem* row = selectedRow(lvwPrograms);
    if (!row || column < 2 || column > 5) return;
    std::array<std::string, 4> rights;
    for (int i = 0; i < 4; ++i) rights[static_cast<std::size_t>(i)] = fromQString(row->text(i + 1));
    ApplyRightsConsistencyRule(rights, column - 1, MenuValueToLevel(value));
    for (int i = 0; i < 4; ++i) row->setText(i + 1, toQString(rights[static_cast<std::size_t>(i)]));
  });
}

void frmProgramControl::saveProgramList(const std::array<std::string, 5>& before, int clicked) {
  ErrorBoundary("saveProgramList of Form frmProgramControl", [&] {
    QTreeWidgetItem* row = selectedRow(lvwPrograms);
    if (!row) return;
    const std::string tag = ListItemTag(row);
    const std::string path = GetPathFromTag(tag);
    if (tag.empty() || tag[0] != '1') return;
    const std::string section = ProgramRowName(row);
    SetListItemTag(row, "0" + path);

    // Only the cell the user chose and the cells the click changed with it
    // are stored: another program may have changed the others since the
    // page read them, and its values stay.
    const RowRights shown = shownRights(row);
    std::vector<std::pair<std::string, std::string>> columns;
    for (int i = 1; i <= 4; ++i) {
      const std::string& text = shown[static_cast<std::size_t>(i - 1)];
      if (i - 1 != clicked && text == before[static_cast<std::size_t>(i - 1)]) continue;
      if (text == strAllow || text == strBlock || text == strAsk)
        columns.emplace_back("Column" + std::to_string(i), std::to_string(AccessTextToCode(text)));
    }
    // An unknown lock state is kept as stored, as an unknown right is.
    if ((clicked == 4 || shown[4] != before[4]) && (shown[4] == strNormal || shown[4] == strPassLock))
      columns.emplace_back("Column6", shown[4] == strNormal ? "0" : "1");
    if (columns.empty()) return;

    bool gone = false;
    bool written = false;
    RowRights stored;
    {
      // The look at the file and the write are one step: no other program
      // removes the section in between.
      platform::FolderWriteLock lock;
      // A program that another program removed from the file takes no
      // change: its rights would make a section without a path.
      gone = lock.held() && Trim(ReadINI(section, "Path", "", strProgramControlFile, true)).empty();
      if (!gone) {
        written = WriteINIKeys(section, columns, strProgramControlFile, true);
        // The row and memory show what the file now holds.
        stored = storedRights(section);
      }
    }
    if (gone) {
      ShowProgramsAgain("'" + section + "' is no longer in the program settings, so its rights were not changed.");
      return;
    }
    for (int i = 0; i < 5; ++i) row->setText(i + 1, toQString(stored[static_cast<std::size_t>(i)]));
    if (colProgramList.Contains(path)) {
      clsProgramList& program = *colProgramList.Item(path);
      program.AccessTrusted = stored[0];
      program.AccessInternet = stored[1];
      program.ServerTrusted = stored[2];
      program.ServerInternet = stored[3];
      program.LockState = stored[4];
    }
    if (!written) TellNotSaved("The rights of '" + section + "'", strProgramControlFile);
  });
}

void frmProgramControl::ShowProgramsAgain(const std::string& why) {
  // Memory and both lists are read again from the files, as a start reads
  // them.
  LoadProgramControlRules();
  LoadComponentsFromINI();
  for (QPushButton* b : {cmdProgramControlProgramOption, cmdRemove, cmdComponentRemove}) b->setEnabled(false);
  LoadProgramList();
  LoadComponentList();
  platform::MsgBox(why + "\r\nThe programs are shown again as they are now.", platform::vbExclamation, AppTitle);
}

void frmProgramControl::cmdRemove_Click() {
  ErrorBoundary("cmdRemove_Click of frmProgramControl", [&] {
    if (!CheckLogin()) return;
    std::vector<std::string> names;
    for (int i = 0; i < lvwPrograms->topLevelItemCount(); ++i)
      if (lvwPrograms->topLevelItem(i)->isSelected()) names.push_back(ProgramRowName(lvwPrograms->topLevelItem(i)));
    if (names.empty()) return;
    if (platform::MsgBox(ProgramRemovalQuestion(names), platform::vbYesNo + platform::vbQuestion, AppTitle) !=
        platform::vbYes)
      return;
    // The programs' sections go in one write: all or, told once, none, and
    // a program whose section stays in the file stays listed and in memory.
    if (!DeleteINISections(names, strProgramControlFile)) {
      TellNotSaved("The removal of " + QuotedNames(names), strProgramControlFile);
      return;
    }
    for (int i = lvwPrograms->topLevelItemCount() - 1; i >= 0; --i) {
      QTreeWidgetItem* row = lvwPrograms->topLevelItem(i);
      if (!row->isSelected()) continue;
      const std::string key = GetPathFromTag(ListItemTag(row));
      if (colProgramList.Contains(key)) colProgramList.Remove(key);
      controls_.ProgramImgList16.erase(key);
      delete row;
    }
  });
  if (lvwPrograms->topLevelItemCount() == 0) {
    rtProgramListDetails->clear();
    cmdRemove->setEnabled(false);
    cmdProgramControlProgramOption->setEnabled(false);
  } else {
    lvwPrograms->setFocus();
    lvwPrograms_Click();
  }
}

void frmProgramControl::cmdProgramControlProgramOption_Click() {
  if (!CheckLogin()) return;
  QTreeWidgetItem* row = selectedRow(lvwPrograms);
  if (!row) return;
  const std::string key = GetPathFromTag(ListItemTag(row));
  if (!colProgramList.Contains(key)) return;
  ShowProgramOptions(colProgramList.Item(key)->Path);
}

void frmProgramControl::cmdProgramControlProgramAdd_Click() {
  if (!CheckLogin()) return;
  AddProgram("FromSystmFile");
}

void frmProgramControl::AddProgram(const std::string& source) {
  if (source == "FromSystmFile") AddProgramFromFile();
}

void frmProgramControl::AddProgramFromFile() {
  ErrorBoundary("AddProgramFromFile of frmProgramControl", [&] {
    const auto chosen = ShowAddProgramDialog(AddProgramFilter, strOpenFolder_);
    if (!chosen) return;
    const std::optional<std::string> program = ProgramToAdd(chosen->FileName, AppTitle);
    if (!program) return;
    const std::string& path = *program;
    getFileProperty(path);
    // A program already listed is not added again.
    if (colProgramList.Contains(LCase(path))) return;
    // A file without a description is listed under its file name: a section
    // needs a name.
    const std::string name = Trim(tblFileInfo.FileDescription).empty() ? tblFileInfo.FileName : tblFileInfo.FileDescription;
    AddProgramControlToINI(name, DefaultRight, DefaultRight, DefaultRight, DefaultRight);
    if (!colProgramList.Contains(LCase(path))) {
      TellNotSaved("The program '" + name + "'", strProgramControlFile);
      return;
    }
    LoadCurrentProgramList(path);
  });
}

void frmProgramControl::mnuProgramProperties_Click() {
  QTreeWidgetItem* row = selectedRow(lvwPrograms);
  if (!row) return;
  const std::string key = GetPathFromTag(ListItemTag(row));
  ShowFileProperties(colProgramList.Contains(key) ? colProgramList.Item(key)->Path : key);
}

// ---------------------------------------------------------------------------
// "Component".

void frmProgramControl::lvwComponents_Click() {
  ErrorBoundary("lvwComponents_Click of frmProgramControl", [&] {
    QTreeWidgetItem* row = selectedRow(lvwComponents);
    if (!row) {
      rtComponentDetails->clear();
      return;
    }
    ShowTabbedDetails(rtComponentDetails, EntryDetailsText(ListItemTag(row)));
  });
}

void frmProgramControl::ChangeComponentZone(std::uint8_t column, std::uint8_t value) {
  ErrorBoundary("ChangeComponentZone of frmProgramControl", [&] {
    if (!CheckLogin()) return;
    QTreeWidgetItem* row = selectedRow(lvwComponents);
    if (!row || column < 2) return;
    if (value == MenuAllow) row->setText(column - 1, toQString(strAllow));
    else if (value == MenuAsk) row->setText(column - 1, toQString(strAsk));
    cmdComponentApply_Click();
  });
}

void frmProgramControl::cmdComponentApply_Click() {
  ErrorBoundary("cmdComponentApply_Click of frmProgramControl", [&] {
    QTreeWidgetItem* row = selectedRow(lvwComponents);
    if (!row) return;
    const std::string path = LCase(ListItemTag(row));
    const clsComponentList& component = *colComponentList.Item(path);
    const std::string text = fromQString(row->text(2));
    if (text != strAllow && text != strBlock && text != strAsk) return;
    // The row shows only a right that is stored.
    if (!StoreComponentRight(path, AccessTextToCode(text))) {
      row->setText(2, toQString(ComponentRightText(component.AccessType)));
      TellNotSaved("The right of '" + fromQString(row->text(0)) + "'", strComponentsFile);
    }
  });
}

void frmProgramControl::cmdComponentRemove_Click() {
  if (!CheckLogin()) return;
  if (!selectedRow(lvwComponents)) return;
  removeComponent();
  if (lvwComponents->topLevelItemCount() == 0) cmdComponentRemove->setEnabled(false);
  lvwComponents_Click();
}

void frmProgramControl::mnuComponentOpen_Click() {
  QTreeWidgetItem* row = selectedRow(lvwComponents);
  if (!row) return;
  const std::string folder = platform::folderPart(ListItemTag(row));
  if (!folder.empty() && platform::folderExists(folder))
    OpenWithDesktop(folder, platform::resolvePath(folder));
}

// The same as the Remove button: the button and the details follow.
void frmProgramControl::mnuComponentRemove_Click() { cmdComponentRemove_Click(); }

void frmProgramControl::mnuComponentProperties_Click() {
  if (QTreeWidgetItem* row = selectedRow(lvwComponents)) ShowFileProperties(ListItemTag(row));
}

// ---------------------------------------------------------------------------
// Sorting, pop-up menus and keys of both lists.

void frmProgramControl::sortByColumn(QTreeWidget* list, int column, int& sortKey, bool& descending) {
  // The same column again turns the order round; another sorts ascending.
  descending = column == sortKey ? !descending : false;
  sortKey = column;
  const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
  list->header()->setSortIndicatorShown(true);
  list->header()->setSortIndicator(column, order);
  list->sortItems(column, order);
}

void frmProgramControl::lvwPrograms_ColumnClick(int column) {
  sortByColumn(lvwPrograms, column, programSortKey_, programSortDescending_);
}

void frmProgramControl::lvwComponents_ColumnClick(int column) {
  sortByColumn(lvwComponents, column, componentSortKey_, componentSortDescending_);
}

void frmProgramControl::popup(QMenu* menu, QTreeWidget* list, const QPoint& at) {
  if (!menu) return;
  lastPopup_ = menu;
  menu->popup(list->viewport()->mapToGlobal(at));
}

void frmProgramControl::lvwPrograms_MouseUp(Qt::MouseButton button, const QPoint& at) {
  ErrorBoundary("lvwPrograms_MouseUp of frmProgramControl", [&] {
    MDIMain* main = MDIMainIfLoaded();
    if (!main || !selectedRow(lvwPrograms)) return;
    if (button == Qt::LeftButton) {
      if (!lvwPrograms->itemAt(at)) return;
      QMenu* menus[] = {main->mnuAccessTrusted, main->mnuAccessInternet, main->mnuServerTrusted,
                        main->mnuServerInternet, main->mnuProgramLock};
      const int subItem = lvwPrograms->columnAt(at.x());
      if (subItem >= 1 && subItem <= 5) popup(menus[subItem - 1], lvwPrograms, at);
    } else if (button == Qt::RightButton) {
      popup(main->mnuProgramMenu, lvwPrograms, at);
    }
  });
}

void frmProgramControl::lvwComponents_MouseUp(Qt::MouseButton button, const QPoint& at) {
  ErrorBoundary("lvwComponents_MouseUp of frmProgramControl", [&] {
    MDIMain* main = MDIMainIfLoaded();
    if (!main || !selectedRow(lvwComponents)) return;
    if (button == Qt::LeftButton) {
      if (lvwComponents->itemAt(at) && lvwComponents->columnAt(at.x()) == 2)
        popup(main->mnuComponentAccess, lvwComponents, at);
    } else if (button == Qt::RightButton) {
      popup(main->mnuComponentMenu, lvwComponents, at);
    }
  });
}

bool frmProgramControl::eventFilter(QObject* watched, QEvent* event) {
  const bool programs = watched == lvwPrograms || watched == lvwPrograms->viewport();
  const bool components = watched == lvwComponents || watched == lvwComponents->viewport();
  if (!programs && !components) return Page::eventFilter(watched, event);

  if (event->type() == QEvent::MouseButtonRelease &&
      (watched == lvwPrograms->viewport() || watched == lvwComponents->viewport())) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    if (programs) {
      lvwPrograms_Click();
      lvwPrograms_MouseUp(mouse->button(), at);
    } else {
      lvwComponents_Click();
      lvwComponents_MouseUp(mouse->button(), at);
    }
  } else if (event->type() == QEvent::KeyRelease && (watched == lvwPrograms || watched == lvwComponents)) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_End:
      case Qt::Key_Home:
      case Qt::Key_Up:
      case Qt::Key_Down:
        if (programs) lvwPrograms_Click();
        else lvwComponents_Click();
        break;
      case Qt::Key_Delete:
        if (programs) cmdRemove_Click();
        else cmdComponentRemove_Click();
        break;
      default: break;
    }
  }
  return Page::eventFilter(watched, event);
}

}  // namespace mv
