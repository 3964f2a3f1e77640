#include "zones/frmCustomFirewallSettings.h"

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/FormFocus.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/SettingsView.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "zones/mdlMain.h"

namespace mv {

namespace {
constexpr int TagRole = Qt::UserRole;        // true: the row changed and is still to be stored
constexpr int TickRole = Qt::UserRole + 1;   // the tick last seen, to tell a toggle from a text change
constexpr CustomList kLists[] = {CustomList::HighTrusted, CustomList::MediumTrusted, CustomList::HighInternet,
                                 CustomList::MediumInternet};
size_t number(CustomList list) { return static_cast<size_t>(list); }
// The other list of the same tab.
CustomList partner(CustomList list) {
  switch (list) {
    case CustomList::HighTrusted: return CustomList::MediumTrusted;
    case CustomList::MediumTrusted: return CustomList::HighTrusted;
    case CustomList::HighInternet: return CustomList::MediumInternet;
    case CustomList::MediumInternet: break;
  }
  return CustomList::HighInternet;
}
}  // namespace

frmCustomFirewallSettings::frmCustomFirewallSettings(QWidget* parent) : QDialog(parent) {
  SetUpDialog(this, "frmCustomFirewallSettings", "Custom security settings for " + AppTitle, {740, 470});
  buildControls();
  Form_Load();
}

void frmCustomFirewallSettings::buildControls() {
  TabCustomSettings = NewTabControl(this, "TabCustomSettings", {8, 8, 724, 344});
  QWidget* trustedTab = NewTab(TabCustomSettings, "tabTrusted", "&Trusted Zone");
  QWidget* internetTab = NewTab(TabCustomSettings, "tabInternet", "&Internet Zone");

  auto newList = [this](QGroupBox* frame, const char* name) {
    auto* list = new QTreeWidget(frame);
    list->setObjectName(name);
    list->setGeometry(10, 22, 334, 284);
    list->setColumnCount(1);
    list->setHeaderLabels({"Setting"});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
  };
  sknlblTrusted = NewLabel(trustedTab, "sknlblTrusted", "", {0, 0, 0, 0});
  sknlblInternet = NewLabel(internetTab, "sknlblInternet", "", {0, 0, 0, 0});
  fraTrustedZone = NewFrame(trustedTab, "fraTrustedZone", "High Security", {4, 4, 354, 312});
  fratrusted = NewFrame(trustedTab, "fratrusted", "Medium Security", {362, 4, 354, 312});
  fraInternet = NewFrame(internetTab, "fraInternet", "High Security", {4, 4, 354, 312});
  fraInternetZone = NewFrame(internetTab, "fraInternetZone", "Medium Security", {362, 4, 354, 312});
  lvwHighTrustedZone = newList(fraTrustedZone, "lvwHighTrustedZone");
  lvwMediumTrustedZone = newList(fratrusted, "lvwMediumTrustedZone");
  lvwHighInternetZone = newList(fraInternet, "lvwHighInternetZone");
  lvwMediumInternetZone = newList(fraInternetZone, "lvwMediumInternetZone");

  fraAddPort = NewFrame(this, "fraAddPort", "Ports", {8, 356, 724, 68});
  sknlblEnterPorts1 = NewLabel(fraAddPort, "sknlblEnterPorts1", "Enter ports or port ranges, separated by commas,", {10, 18, 420, 18});
  sknlblEnterPorts2 = NewLabel(fraAddPort, "sknlblEnterPorts2", "for example: 80, 1000-2000", {10, 38, 420, 18});
  sknlblPorts = NewLabel(fraAddPort, "sknlblPorts", "Ports:", {446, 28, 50, 20});
  txtPorts = NewTextBox(fraAddPort, "txtPorts", {500, 26, 214, 24});
  txtPorts->installEventFilter(this);

  cmdResetDefaults = NewButton(this, "cmdResetDefaults", "&Reset Defaults", {8, 434, 120, 28});
  cmdOk = NewButton(this, "cmdOk", "&OK", {468, 434, 84, 28});
  cmdCancel = NewButton(this, "cmdCancel", "&Cancel", {558, 434, 84, 28});
  cmdApply = NewButton(this, "cmdApply", "&Apply", {648, 434, 84, 28});
  cmdOk->setDefault(true);
  // Nothing is to be stored yet.
  cmdApply->setEnabled(false);

  connect(TabCustomSettings, &QTabWidget::currentChanged, this,
          [this](int current) { TabCustomSettings_Click(current == 1 ? 0 : 1); });
  for (CustomList list : kLists) {
    QTreeWidget* view = ListOf(list);
    connect(view, &QTreeWidget::itemClicked, this, [this, list, view](QTreeWidgetItem* item) {
      view->setCurrentItem(item);
      List_Click(list);
    });
    connect(view, &QTreeWidget::itemSelectionChanged, this, [this, list] { List_SelectionChanged(list); });
    connect(view, &QTreeWidget::itemChanged, this, [this, list](QTreeWidgetItem* item) {
      // Only a change of the tick is a toggle; the editor's own changes of a
      // row are not.
      const bool ticked = item->checkState(0) == Qt::Checked;
      if (updating_ || item->data(0, TickRole).toBool() == ticked) return;
      item->setData(0, TickRole, ticked);
      List_ItemCheck(list, item);
    });
  }
  connect(txtPorts, &QLineEdit::textChanged, this, [this] { txtPorts_Change(); });
  connect(cmdApply, &QPushButton::clicked, this, &frmCustomFirewallSettings::cmdApply_Click);
  connect(cmdOk, &QPushButton::clicked, this, &frmCustomFirewallSettings::cmdOk_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmCustomFirewallSettings::cmdCancel_Click);
  connect(cmdResetDefaults, &QPushButton::clicked, this, &frmCustomFirewallSettings::cmdResetDefaults_Click);
}

QTreeWidget* frmCustomFirewallSettings::ListOf(CustomList list) const {
  switch (list) {
    case CustomList::HighTrusted: return lvwHighTrustedZone;
    case CustomList::MediumTrusted: return lvwMediumTrustedZone;
    case CustomList::HighInternet: return lvwHighInternetZone;
    case CustomList::MediumInternet: break;
  }
  return lvwMediumInternetZone;
}

bool frmCustomFirewallSettings::Changed(CustomList list) const { return changed_[number(list)]; }

void frmCustomFirewallSettings::Form_Load() {
  ErrorBoundary("SetListView of frmCustomFirewallSettings", [&] {
    updating_ = true;
    for (CustomList list : kLists) {
      QTreeWidget* view = ListOf(list);
      for (const std::string& text : RowTexts(list)) {
        auto* item = new QTreeWidgetItem(view, {platform::toQString(text)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, TickRole, false);
        item->setData(0, TagRole, false);
      }
    }
    updating_ = false;
  });
  updating_ = false;
  setValues();
  LoadToolTipText(this, "Security - Custom");
}

void frmCustomFirewallSettings::setValues() {
  ErrorBoundary("setValues of frmCustomFirewallSettings", [&] {
    seen_ = SettingsSeenNow();
    if (ZoneSettingsOlderThan(seen_)) ReadZoneSettings();
    for (CustomList list : kLists) putRows(list, LoadCustomRows(list));
    showPortBox(false);
  });
}

std::vector<CustomRow> frmCustomFirewallSettings::rowsOf(CustomList list) const {
  QTreeWidget* view = ListOf(list);
  std::vector<CustomRow> rows;
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = view->topLevelItem(i);
    rows.push_back({item->checkState(0) == Qt::Checked, platform::fromQString(item->text(0)),
                    item->data(0, TagRole).toBool()});
  }
  return rows;
}

void frmCustomFirewallSettings::putRows(CustomList list, const std::vector<CustomRow>& rows) {
  QTreeWidget* view = ListOf(list);
  const bool wasUpdating = updating_;
  updating_ = true;
  for (int i = 0; i < view->topLevelItemCount() && static_cast<size_t>(i) < rows.size(); ++i) {
    QTreeWidgetItem* item = view->topLevelItem(i);
    const CustomRow& row = rows[static_cast<size_t>(i)];
    item->setText(0, platform::toQString(row.Text));
    item->setCheckState(0, row.Checked ? Qt::Checked : Qt::Unchecked);
    item->setData(0, TickRole, row.Checked);
    item->setData(0, TagRole, row.Tag);
  }
  updating_ = wasUpdating;
}

void frmCustomFirewallSettings::showPortBox(bool shown) {
  for (QWidget* w : std::initializer_list<QWidget*>{txtPorts, sknlblEnterPorts1, sknlblEnterPorts2, sknlblPorts})
    w->setVisible(shown);
  txtPorts->setEnabled(shown);
}

void frmCustomFirewallSettings::List_SelectionChanged(CustomList list) {
  if (!ListOf(list)->selectedItems().isEmpty()) {
    QTreeWidget* other = ListOf(partner(list));
    const QSignalBlocker quiet(other);
    other->clearSelection();
  }
  followSelection();
}

void frmCustomFirewallSettings::followSelection() {
  const CustomList shown[] = {intInternetTab == 1 ? CustomList::HighInternet : CustomList::HighTrusted,
                              intInternetTab == 1 ? CustomList::MediumInternet : CustomList::MediumTrusted};
  bytCurrentList = 0;
  intSelectedRow = -1;
  for (CustomList list : shown) {
    const auto selected = ListOf(list)->selectedItems();
    if (selected.isEmpty()) continue;
    bytCurrentList = static_cast<int>(list);
    intSelectedRow = ListOf(list)->indexOfTopLevelItem(selected.first());
    break;
  }
  const bool portRow = bytCurrentList != 0 && IsPortRow(static_cast<CustomList>(bytCurrentList), intSelectedRow + 1);
  std::string ports;
  if (portRow) {
    const QTreeWidgetItem* row = ListOf(static_cast<CustomList>(bytCurrentList))->topLevelItem(intSelectedRow);
    ports = PortsOfRow(platform::fromQString(row->text(0)));
    if (ports == strNoneSelected) ports.clear();
  }
  // Filling the box is no edit: the row keeps its text and is not marked.
  const QSignalBlocker quiet(txtPorts);
  txtPorts->setText(platform::toQString(ports));
  showPortBox(portRow);
}

void frmCustomFirewallSettings::TabCustomSettings_Click(int previousTab) {
  const bool internet = previousTab == 0;
  fraTrustedZone->setVisible(!internet);
  fratrusted->setVisible(!internet);
  fraInternet->setVisible(internet);
  fraInternetZone->setVisible(internet);
  intInternetTab = internet ? 1 : 0;
  // The box belongs to a row of the tab shown, never to one of the hidden tab.
  // A focus in it goes to the tab just chosen, where keys change nothing,
  // rather than on to the next button of the Tab order.
  MoveFocusOff(txtPorts, TabCustomSettings->tabBar());
  followSelection();
}

void frmCustomFirewallSettings::List_Click(CustomList list) {
  static const char* names[] = {"", "lvwHighTrustedZone_Click", "lvwMediumTrustedZone_Click",
                                "lvwHighInternetZone_Click", "lvwMediumInternetZone_Click"};
  ErrorBoundary(std::string(names[number(list)]) + " of frmCustomFirewallSettings", [&] {
    followSelection();
    changed_[number(list)] = true;
    cmdApply->setEnabled(true);
  });
}

void frmCustomFirewallSettings::List_ItemCheck(CustomList list, QTreeWidgetItem* item) {
  item->setData(0, TagRole, true);
  QTreeWidget* view = ListOf(list);
  if (IsPortRow(list, view->indexOfTopLevelItem(item) + 1)) {
    List_Click(list);
  } else {
    // A tick changed by the keyboard is stored like one changed by the mouse.
    changed_[number(list)] = true;
    cmdApply->setEnabled(true);
  }
}

void frmCustomFirewallSettings::txtPorts_Change() {
  ErrorBoundary("txtPorts_Change of frmCustomFirewallSettings", [&] {
    if (bytCurrentList < 1 || bytCurrentList > 4) return;
    QTreeWidget* view = ListOf(static_cast<CustomList>(bytCurrentList));
    QTreeWidgetItem* item = view->topLevelItem(intSelectedRow);
    if (!item) return;
    // A list with a number that is no port keeps the row as typed, so that
    // Apply and OK refuse it with their message instead of storing the row
    // without the ports the display form would leave out.
    const std::string typed = TextOf(txtPorts);
    const std::string shown = PortListProblem(typed).empty() ? CheckDisplay(typed) : Trim(typed);
    const bool wasUpdating = updating_;
    updating_ = true;
    item->setText(0, platform::toQString(WithPorts(platform::fromQString(item->text(0)), shown)));
    item->setData(0, TagRole, true);
    updating_ = wasUpdating;
    // A row edited is stored with its list, however the row was selected.
    changed_[static_cast<size_t>(bytCurrentList)] = true;
    cmdApply->setEnabled(true);
  });
}

bool frmCustomFirewallSettings::txtPorts_KeyPress(int keyAscii) {
  return ErrorBoundary("txtPorts_KeyPress of frmCustomFirewallSettings", true,
                       [&] { return PortKeyPasses(TextOf(txtPorts), keyAscii); });
}

bool frmCustomFirewallSettings::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtPorts && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    int code = 0;
    if (key->key() == Qt::Key_Backspace) code = 8;
    else if (key->text().size() == 1 && key->text()[0].unicode() >= 32 && key->text()[0].unicode() != 127)
      code = key->text()[0].unicode();
    // Keys that type no character (arrows, Delete, shortcuts) are not filtered.
    if (code != 0 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && !txtPorts_KeyPress(code))
      return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool frmCustomFirewallSettings::overtaken() {
  if (!SettingsOvertaken(seen_)) return false;
  // The rows are shown from the files again, but those the user changed,
  // which stay as set and marked for the next save.
  seen_ = SettingsSeenNow();
  ReadZoneSettings();
  for (CustomList list : kLists) {
    std::vector<CustomRow> rows = LoadCustomRows(list);
    const std::vector<CustomRow> shown = rowsOf(list);
    for (size_t i = 0; i < rows.size() && i < shown.size(); ++i)
      if (shown[i].Tag) rows[i] = shown[i];
    putRows(list, rows);
  }
  platform::MsgBox(SettingsOvertakenText("the changes were not saved") + "\r\nThe rows you changed are kept as you set them.",
                   platform::vbInformation, AppTitle);
  return true;
}

bool frmCustomFirewallSettings::saveChanges() {
  if (overtaken()) return false;
  std::array<std::vector<CustomRow>, 5> rows;
  std::vector<CustomListEdit> edits;
  for (CustomList list : kLists) {
    rows[number(list)] = rowsOf(list);
    edits.push_back({list, changed_[number(list)], &rows[number(list)]});
  }
  const bool stored = SaveChanges(edits);
  // The rows stored lose their mark, the others keep it.
  for (CustomList list : kLists) putRows(list, rows[number(list)]);
  return stored;
}

void frmCustomFirewallSettings::cmdApply_Click() {
  // Only a save that stored everything ends the changes; otherwise they stay
  // on screen for another try.
  if (!saveChanges()) return;
  cmdApply->setEnabled(false);
  changed_.fill(false);
}

void frmCustomFirewallSettings::cmdOk_Click() {
  if (!saveChanges()) return;
  changed_.fill(false);
  accept();
}

void frmCustomFirewallSettings::cmdCancel_Click() { reject(); }

void frmCustomFirewallSettings::cmdResetDefaults_Click() {
  ErrorBoundary("cmdResetDefaults_Click of Form frmCustomFirewallSettings", [&] {
    const bool internet = intInternetTab == 1;
    const CustomList high = internet ? CustomList::HighInternet : CustomList::HighTrusted;
    const CustomList medium = internet ? CustomList::MediumInternet : CustomList::MediumTrusted;
    auto highRows = rowsOf(high);
    auto mediumRows = rowsOf(medium);
    ResetCustomDefaults(highRows, mediumRows, internet);
    putRows(high, highRows);
    putRows(medium, mediumRows);
    changed_[number(high)] = changed_[number(medium)] = true;
    cmdApply->setEnabled(true);
  });
}

}  // namespace mv
