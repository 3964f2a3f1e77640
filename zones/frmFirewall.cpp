#include "zones/frmFirewall.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <algorithm>

#include "core/ErrorBoundary.h"
#include "core/FormControls.h"
#include "core/MDIMain.h"
#include "core/SettingsView.h"
#include "core/StringTable.h"
#include "core/FormSupport.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "rules/NetworkCommands.h"
#include "zones/frmAddHostSite.h"
#include "zones/frmAddIPAddress.h"
#include "zones/frmAddIPRange.h"
#include "zones/frmAddSubnet.h"
#include "zones/frmCustomFirewallSettings.h"
#include "zones/mdlCommonLists.h"
#include "zones/mdlMain.h"
#include "zones/mdlSecurityLevel.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

namespace {
// The list's columns: item text and sub-items 1 to 4.
enum Column { colName = 0, colAddress = 1, colType = 2, colZone = 3, colID = 4 };

std::string textOf(const QTreeWidgetItem* item, int column) { return platform::fromQString(item->text(column)); }

// What an Edit shows of each entry type (codes 1 to 5).
struct EditTexts {
  const char* title;
  const char* heading;
};
const EditTexts kEditTexts[] = {
    {"Edit Host/Site", "Edit Host/Site by changing any fields below."},
    {"Edit IP Address", "Edit IP Address by changing any fields below."},
    {"Edit IP Range", "Edit IP Range by changing any fields below."},
    {"Edit Subnet", "Edit Subnet by changing any fields below."},
    {"Edit Network", "Edit selected Local Network by changing any fields below."},
};

// A dialog of its own for every opening: one left from an earlier opening
// goes first.
template <class Dialog>
Dialog* freshDialog(QWidget* owner) {
  delete LoadedForm<Dialog>();
  return LoadForm<Dialog>(owner);
}

void runModal(ZoneEntryDialog* dialog) {
  QPointer<ZoneEntryDialog> d(dialog);
  d->exec();
  delete d.data();
}
}  // namespace

frmFirewall::frmFirewall(QWidget* parent) : Page(parent) {
  setObjectName("frmFirewall");
  FormInstance<frmFirewall>() = this;
  buildControls();
  connectMenu();
  Form_Load();
}

frmFirewall::~frmFirewall() = default;

void frmFirewall::buildControls() {
  resize(560, 420);
  TabFireWall = new QTabWidget(this);
  TabFireWall->setObjectName("TabFireWall");
  TabFireWall->setGeometry(6, 6, 548, 408);
  auto* mainTab = new QWidget;
  auto* zonesTab = new QWidget;
  TabFireWall->addTab(mainTab, "Main");
  TabFireWall->addTab(zonesTab, "Zones");

  lbFirewallMainFooter = NewLabel(mainTab, "lbFirewallMainFooter", "", {8, 298, 528, 76});
  buildMainTab(mainTab);

  lvwZones = new QTreeWidget(zonesTab);
  lvwZones->setObjectName("lvwZones");
  lvwZones->setGeometry(8, 10, 412, 208);
  lvwZones->setColumnCount(5);
  lvwZones->setHeaderLabels({"Name", "IP Address/Site", "Entry Type", "Zone", "ID"});
  lvwZones->setRootIsDecorated(false);
  lvwZones->setUniformRowHeights(true);
  lvwZones->setAllColumnsShowFocus(true);
  lvwZones->setSelectionMode(QAbstractItemView::SingleSelection);
  lvwZones->header()->setSectionsClickable(true);
  lvwZones->header()->setSortIndicatorShown(false);
  fitColumns();
  lvwZones->installEventFilter(this);
  lvwZones->viewport()->installEventFilter(this);

  cmdAdd = NewButton(zonesTab, "cmdAdd", "<< &Add", {428, 10, 104, 28});
  cmdEdit = NewButton(zonesTab, "cmdEdit", "&Edit", {428, 44, 104, 28});
  cmdRemove = NewButton(zonesTab, "cmdRemove", "&Remove", {428, 78, 104, 28});

  fraEntryDetails = NewFrame(zonesTab, "fraEntryDetails", "Entry Details", {8, 224, 524, 98});
  struct Detail {
    const char* name;
    const char* caption;
    const char* info;
    QLabel** value;
  };
  const Detail details[] = {{"lblZoneName", "Zone Name", "lblZoneNameInfo", &lblZoneNameInfo},
                            {"lblZone", "Zone", "lblZoneInfo", &lblZoneInfo},
                            {"lblEntryType", "Entry Type", "lblEntryTypeInfo", &lblEntryTypeInfo},
                            {"lblIPAddressSite", "IP Address/Site", "lblIPAddressSiteInfo", &lblIPAddressSiteInfo}};
  int y = 22;
  for (const Detail& d : details) {
    NewLabel(fraEntryDetails, d.name, d.caption, {12, y, 112, 18});
    *d.value = NewLabel(fraEntryDetails, d.info, "", {128, y, 384, 18});
    (*d.value)->setWordWrap(false);
    y += 18;
  }
  lbFirewallZonesFooter = NewLabel(zonesTab, "lbFirewallZonesFooter", "", {8, 326, 528, 44});

  SetTag(lvwZones, "005");
  SetTag(cmdAdd, "006");
  SetTag(cmdRemove, "007");
  SetTag(cmdEdit, "008");

  connect(cmdAdd, &QPushButton::clicked, this, &frmFirewall::cmdAdd_Click);
  connect(cmdEdit, &QPushButton::clicked, this, &frmFirewall::cmdEdit_Click);
  connect(cmdRemove, &QPushButton::clicked, this, &frmFirewall::cmdRemove_Click);
  connect(lvwZones, &QTreeWidget::itemClicked, this, [this] { lvwZones_Click(); });
  connect(lvwZones, &QTreeWidget::itemDoubleClicked, this, [this] { lvwZones_DblClick(); });
  connect(lvwZones->header(), &QHeaderView::sectionClicked, this, &frmFirewall::lvwZones_ColumnClick);
}

void frmFirewall::buildMainTab(QWidget* tab) {
  struct Zone {
    const char* frame;
    const char* caption;
    const char* option;
    const char* selected;
    const char* description;
    const char* custom;
    const char* tags[3];  // Low, Med, High
    const char* customTag;
    int top;
  };
  const Zone zones[] = {{"fraInternetZoneSecurity", "Internet Zone Security", "optInternetZone", "lblInternetSelected",
                         "lblInternetDescription", "cmdInternetCustom", {"016", "015", "014"}, "004", 8},
                        {"fraTrustedZoneSecurity", "Trusted Zone Security", "optTrustedZone", "lblTrustedSelected",
                         "lblTrustedDescription", "cmdTrustedCustom", {"013", "012", "011"}, "002", 152}};
  static const char* captions[] = {"", "Low", "Med", "High"};
  for (const Zone& z : zones) {
    const bool internet = z.top == 8;
    QGroupBox* frame = NewFrame(tab, z.frame, z.caption, {8, z.top, 528, 138});
    auto& options = internet ? optInternetZone : optTrustedZone;
    // High at the top, Low at the bottom.
    for (int level = 1; level <= 3; ++level) {
      options[level] = NewOption(frame, std::string(z.option) + "(" + std::to_string(level) + ")", captions[level],
                                 {16, 24 + (3 - level) * 38, 70, 24});
      SetTag(options[level], z.tags[level - 1]);
      connect(options[level], &QRadioButton::toggled, this, [this, internet, level](bool on) {
        if (!on) return;
        if (internet) optInternetZone_Click(level);
        else optTrustedZone_Click(level);
      });
    }
    QLabel* selected = NewLabel(frame, z.selected, "", {104, 24, 300, 20});
    selected->setStyleSheet("font-weight: bold");
    QLabel* description = NewLabel(frame, z.description, "", {104, 46, 410, 64});
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPushButton* custom = NewButton(frame, z.custom, "&Custom", {424, 102, 90, 28});
    SetTag(custom, z.customTag);
    if (internet) {
      fraInternetZoneSecurity = frame;
      lblInternetSelected = selected;
      lblInternetDescription = description;
      cmdInternetCustom = custom;
      connect(custom, &QPushButton::clicked, this, &frmFirewall::cmdInternetCustom_Click);
    } else {
      fraTrustedZoneSecurity = frame;
      lblTrustedSelected = selected;
      lblTrustedDescription = description;
      cmdTrustedCustom = custom;
      connect(custom, &QPushButton::clicked, this, &frmFirewall::cmdTrustedCustom_Click);
    }
  }
}

void frmFirewall::fitColumns() {
  // The type, zone and ID columns take what their longest text needs, so
  // none of them is ever cut; name and address share the rest.
  const QFontMetrics metrics(lvwZones->font());
  auto widest = [&metrics](std::initializer_list<const char*> texts) {
    int w = 0;
    for (const char* t : texts) w = std::max(w, metrics.horizontalAdvance(QString::fromLatin1(t)));
    return w + 2 * metrics.averageCharWidth() + 6;
  };
  const int type = widest({"Entry Type", "Network", "Host Name", "IP Range", "IP Address", "Subnet"});
  const int zone = widest({"Zone", "Blocked", "Trusted", "Internet"});
  const int id = widest({"ID", "000000"});
  const int width = lvwZones->viewport()->width() > 0 ? lvwZones->width() - 4 : 408;
  const int rest = std::max(width - type - zone - id, 0);
  const int name = rest * 2 / 5;
  const int widths[] = {name, rest - name, type, zone, id};
  for (int c = 0; c < 5; ++c) lvwZones->setColumnWidth(c, widths[c]);
}

void frmFirewall::resizeEvent(QResizeEvent* e) {
  Page::resizeEvent(e);
  fitColumns();
}

void frmFirewall::connectMenu() {
  MDIMain* main = MDIMainIfLoaded();
  if (!main) return;
  const std::pair<const char*, void (frmFirewall::*)()> items[] = {
      {"mnuPopupHostSite", &frmFirewall::mnuPopupHostSite_Click},
      {"mnuPopupIPAddress", &frmFirewall::mnuPopupIPAddress_Click},
      {"mnuPopupIPRange", &frmFirewall::mnuPopupIPRange_Click},
      {"mnuPopupSubnet", &frmFirewall::mnuPopupSubnet_Click}};
  for (const auto& [name, handler] : items)
    if (QAction* a = main->MenuItem(name)) connect(a, &QAction::triggered, this, handler);
}

void frmFirewall::Form_Load() {
  ErrorBoundary("Form_Load of frmFirewall", [&] {
    blnLoaded = false;
    hide();
    blnFormLoading = true;
    FillListView();
    if (MDIMain* main = MDIMainIfLoaded(); main && !main->icon50.isEmpty()) lvwZones->setIconSize(QSize(16, 16));
    blnFormLoading = false;
    lbFirewallMainFooter->setText(platform::toQString(LoadResString(1001) + "\r\n" + LoadResString(1005)));
    lbFirewallZonesFooter->setText(platform::toQString(LoadResString(1101) + "\r\n" + LoadResString(1102)));
    SetToolTips();
    blnLoaded = true;
  });
  blnFormLoading = false;
}

void frmFirewall::SetToolTips() { LoadToolTipText(this, "Security"); }

void frmFirewall::FillListView() {
  seen_ = SettingsSeenNow();
  // The levels and custom settings shown come from memory: read again when
  // another program changed the files since they were read.
  if (ZoneSettingsOlderThan(seen_)) ReadZoneSettings();
  lvwZones->clear();
  const std::pair<long, const char*> passes[] = {{Database_HostSetting, "Host Name"},
                                                 {Database_IPRangeSetting, "IP Range"},
                                                 {Database_IPSetting, "IP Address"},
                                                 {Database_SubnetSetting, "Subnet"}};
  Read_TableData(Database_SubnetSetting, "*", "ActiveNetwork=1");
  AddToList(lvwZones, Database_SubnetSetting, "Network");
  for (const auto& [table, typeName] : passes) {
    Read_TableData(table, "*", "");
    AddToList(lvwZones, table, typeName);
  }
  // As in a list view, the first entry is the selected one after filling.
  const bool listed = lvwZones->topLevelItemCount() > 0;
  if (listed) lvwZones->setCurrentItem(lvwZones->topLevelItem(0));
  // The details show the selected row of the new list, or nothing: never an
  // entry that an earlier filling listed and the files no longer hold.
  if (selectedItem()) UpdateEntryDetails();
  else ClearEntryDetails();
  // Edit and Remove act on a row whenever the list holds one, also when it
  // was filled again after an empty list.
  cmdRemove->setEnabled(listed);
  cmdEdit->setEnabled(listed);
  // A stored level that is no level is repaired first, so each zone has an
  // option to show.
  RepairZoneLevels();
  optInternetZone[static_cast<size_t>(intInternetZoneLevel)]->setChecked(true);
  optTrustedZone[static_cast<size_t>(intTrustedZoneLevel)]->setChecked(true);
}

QTreeWidgetItem* frmFirewall::selectedItem() const {
  const auto selected = lvwZones->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

std::optional<ZoneListRow> frmFirewall::SelectedRow() const {
  const QTreeWidgetItem* item = selectedItem();
  if (!item) return std::nullopt;
  return ZoneListRow{textOf(item, colName), textOf(item, colAddress), textOf(item, colType), textOf(item, colZone),
                     textOf(item, colID)};
}

void frmFirewall::ShowFilesAgain(const std::string& message) {
  // Filled as at the load: showing the stored levels asks for no login.
  const bool loaded = blnLoaded;
  blnLoaded = false;
  FillListView();
  // An option that was checked already raises no Click: each zone's level
  // is shown from the files either way.
  reselect(optInternetZone, intInternetZoneLevel);
  reselect(optTrustedZone, intTrustedZoneLevel);
  blnLoaded = loaded;
  platform::MsgBox(message, platform::vbInformation, AppTitle);
}

void frmFirewall::UpdateEntryDetails() {
  const QTreeWidgetItem* item = selectedItem();
  if (!item) return;
  lblZoneNameInfo->setText(item->text(colName));
  lblZoneInfo->setText(item->text(colZone));
  lblEntryTypeInfo->setText(item->text(colType));
  lblIPAddressSiteInfo->setText(item->text(colAddress));
}

void frmFirewall::ClearEntryDetails() {
  for (QLabel* l : {lblZoneNameInfo, lblZoneInfo, lblEntryTypeInfo, lblIPAddressSiteInfo}) l->clear();
  if (lvwZones->topLevelItemCount() == 0) {
    cmdRemove->setEnabled(false);
    cmdEdit->setEnabled(false);
  }
}

void frmFirewall::AddEntryRow(const ZoneListRow& row) {
  auto* item = new QTreeWidgetItem(lvwZones);
  item->setText(colName, platform::toQString(row.Text));
  item->setText(colAddress, platform::toQString(row.Description));
  item->setText(colType, platform::toQString(row.TypeName));
  item->setText(colZone, platform::toQString(row.ZoneName));
  item->setText(colID, platform::toQString(row.ID));
  resort();
}

void frmFirewall::UpdateSelectedEntry(const std::string& name, const std::string& address,
                                      const std::string& zoneName) {
  QTreeWidgetItem* item = selectedItem();
  if (!item) return;
  item->setText(colAddress, platform::toQString(address));
  item->setText(colZone, platform::toQString(zoneName));
  item->setText(colName, platform::toQString(name));
  resort();
}

void frmFirewall::resort() {
  if (sorted_) lvwZones->sortItems(sortKey_, sortOrder_);
}

void frmFirewall::lvwZones_Click() { UpdateEntryDetails(); }

void frmFirewall::lvwZones_KeyUp(int keyCode) {
  // Page Up, Page Down, End, Home, Up and Down move the selection.
  switch (keyCode) {
    case 33: case 34: case 35: case 36: case 38: case 40: UpdateEntryDetails(); break;
    default: break;
  }
}

bool frmFirewall::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvwZones && event->type() == QEvent::KeyRelease) {
    static const std::pair<int, int> codes[] = {{Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
                                                {Qt::Key_Home, 36},   {Qt::Key_Left, 37},     {Qt::Key_Up, 38},
                                                {Qt::Key_Right, 39},  {Qt::Key_Down, 40}};
    const int key = static_cast<QKeyEvent*>(event)->key();
    for (const auto& [qtKey, code] : codes)
      if (key == qtKey) lvwZones_KeyUp(code);
  }
  // A right click selects the row it is on, as a left click does, so the
  // details show it too and Edit and Remove act on the row they show.
  if (watched == lvwZones->viewport() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
    lvwZones_Click();
  return Page::eventFilter(watched, event);
}

void frmFirewall::lvwZones_ColumnClick(int column) {
  ErrorBoundary("lvwZones_ColumnClick of frmFirewall", [&] {
    const int previous = sortKey_;
    sortKey_ = column;
    sorted_ = true;
    if (sortKey_ == previous)
      sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
      sortOrder_ = Qt::AscendingOrder;
    lvwZones->sortItems(sortKey_, sortOrder_);
    lvwZones->header()->setSortIndicatorShown(true);
    lvwZones->header()->setSortIndicator(sortKey_, sortOrder_);
  });
}

void frmFirewall::cmdAdd_Click() {
  if (blnLoaded && !CheckLogin()) return;
  MDIMain* main = MDIMainIfLoaded();
  if (!main || !main->mnuPopup) return;
  // The menu opens to the left of the button, from its top.
  const QPoint at(cmdAdd->x() - cmdAdd->width(), cmdAdd->y());
  main->mnuPopup->exec(cmdAdd->parentWidget()->mapToGlobal(at));
}

template <class Dialog>
void frmFirewall::openForAdd() {
  Dialog* dialog = freshDialog<Dialog>(window());
  dialog->SetAddMode();
  runModal(dialog);
  if (lvwZones->topLevelItemCount() > 0) {
    cmdEdit->setEnabled(true);
    cmdRemove->setEnabled(true);
  }
}

void frmFirewall::mnuPopupHostSite_Click() { openForAdd<frmAddHostSite>(); }
void frmFirewall::mnuPopupIPAddress_Click() { openForAdd<frmAddIPAddress>(); }
void frmFirewall::mnuPopupIPRange_Click() { openForAdd<frmAddIPRange>(); }
void frmFirewall::mnuPopupSubnet_Click() { openForAdd<frmAddSubnet>(); }

void frmFirewall::cmdEdit_Click() { lvwZones_DblClick(); }

void frmFirewall::lvwZones_DblClick() {
  ErrorBoundary("lvwZones_DblClick of frmFirewall", [&] {
    if (blnLoaded && !CheckLogin()) return;
    const QTreeWidgetItem* item = selectedItem();
    if (!item) return;
    const ZoneListRow shown = *SelectedRow();
    const std::string id = shown.ID;
    strEditEntryID = id;
    const long code = GetIPTypeCode(shown.TypeName);
    if (code < ipHostName || code > ipNetwork) return;
    // The entry is read as the files hold it, and opened only while its ID
    // is still held by the entry the row shows.
    std::optional<std::vector<std::string>> values;
    bool asShown = false;
    if (!StoreOnView(seen_, [&] {
          values = ReadZoneEntry(code, id);
          asShown = EntryIsAsShown(shown);
        })) {
      ShowFilesAgain(SettingsOvertakenText("the entry was not opened"));
      return;
    }
    if (!values) {
      platform::MsgBox("The entry '" + shown.Text + "' no longer exists.", platform::vbInformation, AppTitle);
      return;
    }
    if (!asShown) {
      ShowFilesAgain(NotAsShownText(shown.Text, "it was not opened"));
      return;
    }
    ZoneEntryDialog* dialog = nullptr;
    switch (code) {
      case ipHostName: dialog = freshDialog<frmAddHostSite>(window()); break;
      case ipAddress: dialog = freshDialog<frmAddIPAddress>(window()); break;
      case ipRange: dialog = freshDialog<frmAddIPRange>(window()); break;
      default: dialog = freshDialog<frmAddSubnet>(window()); break;
    }
    const EditTexts& texts = kEditTexts[code - 1];
    dialog->SetEditMode(texts.title, texts.heading);
    dialog->SetZone(textOf(item, colZone));
    dialog->FillEntry(*values);
    if (code == ipSubnet || code == ipNetwork) {
      SetTag(dialog, code == ipNetwork ? "Network" : "Subnet");
      blnEditActiveNetwork = code == ipNetwork;
    }
    runModal(dialog);
  });
}

void frmFirewall::cmdRemove_Click() {
  ErrorBoundary("cmdRemove_Click of frmFirewall", [&] {
    if (blnLoaded && !CheckLogin()) return;
    QTreeWidgetItem* item = selectedItem();
    if (!item) return;
    const long code = GetIPTypeCode(textOf(item, colType));
    if (code == ipNetwork) {
      platform::MsgBox("You can't delete active network.", platform::vbCritical + platform::vbOKOnly, AppTitle);
      return;
    }
    if (platform::MsgBox("Are you sure do you want to remove '" + textOf(item, colName) + "'?",
                         platform::vbYesNo + platform::vbQuestion, AppTitle) != platform::vbYes)
      return;
    const ZoneListRow shown = *SelectedRow();
    EntryRemoved removed = EntryRemoved::NotSaved;
    if (!StoreOnView(seen_, [&] { removed = RemoveZoneEntry(shown); })) {
      ShowFilesAgain(SettingsOvertakenText("nothing was removed"));
      return;
    }
    if (removed == EntryRemoved::NotAsShown) {
      ShowFilesAgain(NotAsShownText(shown.Text, "nothing was removed"));
      return;
    }
    if (removed == EntryRemoved::NotSaved) TellNotSaved("The removal of '" + shown.Text + "'", LastFailedWriteFile());
    if (removed != EntryRemoved::Removed) return;
    delete item;
    ClearEntryDetails();
  });
}

bool frmFirewall::showLevel(long zone, int level) {
  const bool internet = zone == InternetZone;
  // Memory holds the stored level: a level shown again needs no write.
  if (level != (internet ? intInternetZoneLevel : intTrustedZoneLevel) && !StoreZoneLevel(zone, level)) {
    TellNotSaved(std::string("The security level of the ") + (internet ? "Internet" : "Trusted") + " Zone",
                 MasterFile());
    return false;
  }
  (internet ? lblInternetSelected : lblTrustedSelected)->setText(platform::toQString(LevelName(level)));
  (internet ? lblInternetDescription : lblTrustedDescription)
      ->setText(platform::toQString(LevelDescription(zone, level)));
  (internet ? intInternetZoneLevel : intTrustedZoneLevel) = level;
  showProgramSummary();
  return true;
}

bool frmFirewall::levelOvertaken() {
  // Only a level the user chose is checked; the levels shown from the files
  // are not.
  if (!blnLoaded || !SettingsOvertaken(seen_)) return false;
  ShowFilesAgain(SettingsOvertakenText("the security level was not changed"));
  return true;
}

void frmFirewall::reselect(std::array<QRadioButton*, 4>& options, int level) {
  const bool loaded = blnLoaded;
  blnLoaded = false;
  auto click = &options == &optInternetZone ? &frmFirewall::optInternetZone_Click : &frmFirewall::optTrustedZone_Click;
  // An option already selected raises no Click of its own.
  if (options[static_cast<size_t>(level)]->isChecked())
    (this->*click)(level);
  else
    options[static_cast<size_t>(level)]->setChecked(true);
  blnLoaded = loaded;
}

void frmFirewall::optInternetZone_Click(int index) {
  ErrorBoundary("optInternetZone_Click of frmFirewall", [&] {
    if (blnLoaded && !CheckLogin()) {
      reselect(optInternetZone, intInternetZoneLevel);
      return;
    }
    if (levelOvertaken()) return;
    // A lower Internet level takes the Trusted level down with it: both are
    // stored in one write, so the file never holds one without the other.
    if (index < intTrustedZoneLevel) {
      if (!StoreZoneLevels(index, index)) {
        TellNotSaved("The security level of the Internet Zone", MasterFile());
        reselect(optInternetZone, intInternetZoneLevel);
        return;
      }
      intInternetZoneLevel = intTrustedZoneLevel = index;
    }
    if (!showLevel(InternetZone, index)) {
      reselect(optInternetZone, intInternetZoneLevel);
      return;
    }
    // Stored already: the Trusted option only shows its level.
    optTrustedZone[static_cast<size_t>(intTrustedZoneLevel)]->setChecked(true);
  });
}

void frmFirewall::optTrustedZone_Click(int index) {
  ErrorBoundary("optTrustedZone_Click of frmFirewall", [&] {
    if (blnLoaded && !CheckLogin()) {
      reselect(optTrustedZone, intTrustedZoneLevel);
      return;
    }
    if (levelOvertaken()) return;
    if (index > intInternetZoneLevel) {
      platform::MsgBox("You can't set Trusted Zone security higher than Internet Zone security.",
                       platform::vbInformation, AppTitle);
      reselect(optTrustedZone, intInternetZoneLevel);
      return;
    }
    if (!showLevel(TrustedZone, index)) reselect(optTrustedZone, intTrustedZoneLevel);
  });
}

void frmFirewall::openCustomSettings(int tab) {
  if (!CheckLogin()) return;
  auto* editor = freshDialog<frmCustomFirewallSettings>(this);
  editor->TabCustomSettings->setCurrentIndex(tab);
  QPointer<frmCustomFirewallSettings> d(editor);
  d->exec();
  delete d.data();
  show();
}

void frmFirewall::cmdInternetCustom_Click() { openCustomSettings(1); }
void frmFirewall::cmdTrustedCustom_Click() { openCustomSettings(0); }

}  // namespace mv
