#include "zones/frmZoneEntry.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>

#include "core/FormControls.h"
#include "core/FormSupport.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "core/SettingsView.h"
#include "zones/frmFirewall.h"
#include "zones/mdlCommonLists.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

namespace {
constexpr int kBoxWidth = 34;
constexpr int kSepWidth = 10;
constexpr int kRowHeight = 24;
}  // namespace

OctetBox::OctetBox(QWidget* parent, const std::string& name, int index) : QLineEdit(parent), Index(index) {
  setObjectName(platform::toQString(name));
  // The index in its control array, as resizing and the tests know it.
  setProperty("Index", index);
  setMaxLength(OctetLimit);
  setAlignment(Qt::AlignCenter);
  // Digits only, also for a pasted text.
  setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
}

void OctetBox::keyPressEvent(QKeyEvent* e) {
  // Keys that type nothing (moving, Tab, Enter, Escape, shortcuts) keep
  // their usual meaning; a typed character goes through the key filter.
  const QString typed = e->text();
  const bool backspace = e->key() == Qt::Key_Backspace;
  const bool character = typed.size() == 1 && typed.at(0).unicode() >= 0x20 && typed.at(0).unicode() != 0x7f;
  if ((!backspace && !character) || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    QLineEdit::keyPressEvent(e);
    return;
  }
  e->accept();
  // "." ends the octet: on to the next box, unless there is nothing to end.
  if (character && typed.at(0) == QLatin1Char('.')) {
    if (!text().isEmpty() && Next) moveOn();
    return;
  }
  const int ascii = backspace ? 8 : (typed.at(0).unicode() < 0x80 ? typed.at(0).unicode() : 0);
  // What is typed replaces the selection, so only the text left beside it
  // counts towards the box's limit.
  QString kept = text();
  if (hasSelectedText()) kept.remove(selectionStart(), selectedText().size());
  const OctetKeyResult r = OctetKeyPress(platform::fromQString(kept), ascii, Index);
  if (!r.accept) return;
  if (!r.moveFocus) {
    if (r.text != platform::fromQString(kept)) setText(platform::toQString(r.text));
    QLineEdit::keyPressEvent(e);
    return;
  }
  // A full box: its value is held to 255, and the digit goes on into the
  // next box rather than being lost.
  setText(platform::toQString(r.text));
  if (!Next) return;
  moveOn();
  QKeyEvent again(e->type(), e->key(), e->modifiers(), e->text());
  QCoreApplication::sendEvent(Next, &again);
}

void OctetBox::moveOn() {
  Next->setFocus(Qt::TabFocusReason);
  Next->selectAll();
}

void OctetBox::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  const bool windowLeft = e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason;
  if (Validate && !windowLeft) Validate(this);
}

OctetRow NewOctetRow(QWidget* parent, const std::string& name, int left, int top) {
  OctetRow row{};
  int x = left;
  for (int i = 0; i < 4; ++i) {
    row[i] = new OctetBox(parent, name, i);
    row[i]->setGeometry(x, top, kBoxWidth, kRowHeight);
    x += kBoxWidth;
    if (i == 3) break;
    auto* sep = new QLineEdit(".", parent);
    sep->setObjectName("txtIPSep");
    sep->setReadOnly(true);
    sep->setFocusPolicy(Qt::NoFocus);
    sep->setFrame(false);
    sep->setAlignment(Qt::AlignCenter);
    sep->setStyleSheet("background: transparent;");
    sep->setGeometry(x, top, kSepWidth, kRowHeight);
    x += kSepWidth;
  }
  // Tab and typing go along the row, box after box.
  for (int i = 0; i < 3; ++i) {
    QWidget::setTabOrder(row[i], row[i + 1]);
    row[i]->Next = row[i + 1];
  }
  return row;
}

std::array<std::string, 4> OctetTexts(const OctetRow& row) {
  std::array<std::string, 4> t;
  for (int i = 0; i < 4; ++i) t[i] = platform::fromQString(row[i]->text());
  return t;
}

void SetOctets(const OctetRow& row, const std::string& address) {
  const auto parts = SplitOctets(address);
  for (int i = 0; i < 4; ++i) row[i]->setText(platform::toQString(parts[i]));
}

// ---------------------------------------------------------------------------

ZoneEntryDialog::ZoneEntryDialog(QWidget* parent, const std::string& name, const std::string& title)
    : QDialog(parent) {
  SetUpDialog(this, name, title, QSize(0, 0));
}

QGroupBox* ZoneEntryDialog::NewEntryFrame(const std::string& tabName, const std::string& frameName,
                                          const std::string& headingName, const std::string& headingText,
                                          int bodyHeight) {
  const int frameHeight = BodyTop + bodyHeight;
  const int tabWidth = FrameWidth + 20, tabHeight = frameHeight + 44;
  setFixedSize(tabWidth + 16, tabHeight + 60);
  EntryTab = new QTabWidget(this);
  EntryTab->setObjectName(platform::toQString(tabName));
  EntryTab->setGeometry(8, 8, tabWidth, tabHeight);
  auto* page = new QWidget;
  EntryTab->addTab(page, "Add");
  QGroupBox* frame = NewFrame(page, frameName, "", {6, 6, FrameWidth, frameHeight});
  Heading = NewLabel(frame, headingName, headingText, {12, 12, FrameWidth - 24, BodyTop - 18});
  Heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  NewOkCancel(this, width() - 180, height() - 40);
  return frame;
}

OctetRow ZoneEntryDialog::NewAddressRow(QGroupBox* frame, const std::string& rowFrameName, const std::string& labelName,
                                        const std::string& caption, const std::string& boxName, int top) {
  QGroupBox* rowFrame = NewFrame(frame, rowFrameName, "", {8, BodyTop + top, FrameWidth - 16, 36});
  rowFrame->setFlat(true);
  rowFrame->setStyleSheet("QGroupBox { border: none; margin: 0; padding: 0; }");
  QLabel* label = NewLabel(rowFrame, labelName, caption, {6, 8, FieldLeft - 16, 20});
  OctetRow row = NewOctetRow(rowFrame, boxName, FieldLeft - 8, 6);
  label->setBuddy(row[0]);
  for (OctetBox* box : row) Octets.push_back(box);
  return row;
}

void ZoneEntryDialog::NewNameAndZone(QGroupBox* frame, int top) {
  const int y = BodyTop + top;
  QLabel* name = NewLabel(frame, "sknlblDescription", "&Name", {14, y + 3, FieldLeft - 18, 20});
  txtDescription = NewTextBox(frame, "txtDescription", {FieldLeft, y, FrameWidth - FieldLeft - 16, kRowHeight});
  name->setBuddy(txtDescription);
  QLabel* zone = NewLabel(frame, "sknlblZone", "&Zone", {14, y + 37, FieldLeft - 18, 20});
  cboZones = new QComboBox(frame);
  cboZones->setObjectName("cboZones");
  cboZones->setGeometry(FieldLeft, y + 34, 150, kRowHeight);
  zone->setBuddy(cboZones);
}

void ZoneEntryDialog::Form_Load(const std::string& toolTipSection) {
  FillZoneCombo(cboZones);
  // The design caption of the tab is "Add": a new entry starts in Trusted.
  if (EntryTab->tabText(0).compare("Add", Qt::CaseInsensitive) == 0) cboZones->setCurrentIndex(1);
  connect(txtDescription, &QLineEdit::textChanged, this, &ZoneEntryDialog::txtDescription_Change);
  connect(cboZones, &QComboBox::currentIndexChanged, this, &ZoneEntryDialog::txtDescription_Change);
  for (OctetBox* box : Octets) connect(box, &QLineEdit::textChanged, this, &ZoneEntryDialog::txtDescription_Change);
  txtDescription_Change();
  // The tab strip only names the mode: the keyboard goes from field to field.
  EntryTab->setFocusPolicy(Qt::NoFocus);
  EntryTab->tabBar()->setFocusPolicy(Qt::NoFocus);
  std::vector<QWidget*> chain = FieldsInOrder();
  chain.push_back(cmdOk);
  chain.push_back(cmdCancel);
  for (size_t i = 0; i + 1 < chain.size(); ++i) QWidget::setTabOrder(chain[i], chain[i + 1]);
  LoadToolTipText(this, toolTipSection);
}

std::vector<QWidget*> ZoneEntryDialog::FieldsInOrder() const {
  std::vector<QWidget*> fields(Octets.begin(), Octets.end());
  fields.push_back(txtDescription);
  fields.push_back(cboZones);
  return fields;
}

void ZoneEntryDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  for (QWidget* field : FieldsInOrder())
    if (field->isEnabled()) {
      field->setFocus(Qt::TabFocusReason);
      break;
    }
}

bool ZoneEntryDialog::IsAddMode() const { return EntryTab->tabText(0) == "Add"; }

void ZoneEntryDialog::SetEditMode(const std::string& title, const std::string& heading) {
  setWindowTitle(platform::toQString(title));
  Heading->setText(platform::toQString(heading));
  EntryTab->setTabText(0, "Edit");
}

void ZoneEntryDialog::SetAddMode() { EntryTab->setTabText(0, "Add"); }

void ZoneEntryDialog::SetZone(const std::string& zoneName) {
  cboZones->setCurrentIndex(cboZones->findText(platform::toQString(zoneName)));
}

bool ZoneEntryDialog::FieldsFilled() const {
  if (txtDescription->text().isEmpty() || cboZones->currentIndex() < 0) return false;
  for (const OctetBox* box : Octets)
    if (box->text().isEmpty()) return false;
  return true;
}

void ZoneEntryDialog::txtDescription_Change() { cmdOk->setEnabled(FieldsFilled()); }

void ZoneEntryDialog::ClampOctets() {
  for (OctetBox* box : Octets) box->setText(platform::toQString(ClampOctet(platform::fromQString(box->text()))));
}

std::string ZoneEntryDialog::NameText() const { return TextOf(txtDescription); }
std::string ZoneEntryDialog::ZoneText() const { return platform::fromQString(cboZones->currentText()); }

void ZoneEntryDialog::cmdCancel_Click() { reject(); }

void ZoneEntryDialog::TagFields(const char* description, const char* ok, const char* cancel) {
  SetTag(cboZones, "001");
  SetTag(txtDescription, description);
  SetTag(cmdOk, ok);
  SetTag(cmdCancel, cancel);
}

void ZoneEntryDialog::SaveEntry(long table, long ipType, const EntryValues& values,
                                const std::vector<std::string>& addresses, const std::string& address,
                                const std::string& typeName) {
  const bool add = IsAddMode();
  const std::string editID = strEditEntryID;
  std::string id;
  EntrySaved saved = EntrySaved::NotSaved;
  frmFirewall* page = LoadedForm<frmFirewall>();
  // An Edit stores over the entry the page's row shows, and only while its
  // ID is still held by that entry (an entry that is gone is told as such).
  const std::optional<ZoneListRow> shown = page && !add ? page->SelectedRow() : std::nullopt;
  bool asShown = true;
  auto store = [&] {
    if (shown && shown->ID == editID && !EntryIsAsShown(*shown) &&
        ReadZoneEntry(GetIPTypeCode(shown->TypeName), editID)) {
      asShown = false;
      return;
    }
    saved = StoreZoneEntry(table, ipType, values, add, editID, addresses, id);
  };
  const bool overtaken = page ? !StoreOnView(page->SettingsSeen(), store) : (store(), false);
  if (overtaken || !asShown) {
    // An Add keeps what was typed open for another OK on the files as they
    // are now; an Edit's entry may be another one now, so it closes.
    page->ShowFilesAgain(overtaken ? SettingsOvertakenText("the entry was not saved")
                                   : NotAsShownText(shown->Text, "the changes were not saved"));
    if (add) return;
    strEditEntryID.clear();
    reject();
    return;
  }
  if (saved == EntrySaved::NotSaved) {
    // Nothing changed: the dialog stays open with what was typed, for
    // another OK or Cancel.
    TellNotSaved("The entry '" + NameText() + "'", LastFailedWriteFile());
    return;
  }
  // A change that the next write completes is made: the page shows it, and
  // the dialog closes so that another OK cannot make it twice.
  if (saved == EntrySaved::CompletesLater) TellNotSaved("The entry '" + NameText() + "'", LastFailedWriteFile());
  if (!add) strEditEntryID.clear();
  if (saved == EntrySaved::EntryGone) {
    platform::MsgBox("The entry '" + NameText() + "' no longer exists, so the changes were not saved.",
                     platform::vbInformation, AppTitle);
    reject();
    return;
  }
  if (page) {
    if (add) {
      page->AddEntryRow({NameText(), address, typeName, ZoneText(), id});
    } else {
      page->UpdateSelectedEntry(NameText(), address, ZoneText());
      page->UpdateEntryDetails();
    }
  }
  accept();
}

}  // namespace mv
