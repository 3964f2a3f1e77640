#pragma once
// What the zone entry dialogs share: the octet box of a dotted address, a
// row of four of them, and the dialog frame around an entry (its tab whose
// caption tells Add from Edit, its heading, the name and zone fields, OK and
// Cancel, the rule that enables OK, and the update of the zones page after
// a save).
#include <QDialog>
#include <QLineEdit>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "zones/mdlCommon.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace mv {

// One box of a dotted address: at most three digits. A digit typed into a
// full box turns a value over 255 into 255 and, but in the last box of its
// row, goes on into the next box; "." moves on to the next box once the box
// holds a digit. Typing over a selection replaces it. Other characters are
// discarded, and a pasted text that is not all digits is refused.
class OctetBox : public QLineEdit {
  Q_OBJECT
 public:
  OctetBox(QWidget* parent, const std::string& name, int index);
  const int Index;
  // The box that typing goes on into; none for the last box of a row.
  OctetBox* Next = nullptr;
  // Runs when the focus moves from the box to another control of its window
  // (the mask check of the mask boxes); not when the window itself loses
  // the focus.
  std::function<void(OctetBox*)> Validate;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  // Moves the focus to the next box with its text selected, so that what is
  // typed there replaces it, as after a Tab.
  void moveOn();
};

using OctetRow = std::array<OctetBox*, 4>;

// A row of four octet boxes named `name` (indexes 0 to 3) with the "."
// separators between them, from (left, top); its width is OctetRowWidth.
OctetRow NewOctetRow(QWidget* parent, const std::string& name, int left, int top);
constexpr int OctetRowWidth = 4 * 34 + 3 * 10;
// The row's texts, and filling it from a dotted address.
std::array<std::string, 4> OctetTexts(const OctetRow& row);
void SetOctets(const OctetRow& row, const std::string& address);

class ZoneEntryDialog : public QDialog {
  Q_OBJECT
 public:
  // Add mode: the first tab's caption is "Add" exactly.
  bool IsAddMode() const;
  // Opens the dialog for an Edit: window title, heading text, and "Edit" as
  // the first tab's caption.
  void SetEditMode(const std::string& title, const std::string& heading);
  // Puts the dialog back in Add mode (the first tab's caption "Add").
  void SetAddMode();
  // Chooses the zone by its name; a name that is not one of the three
  // leaves no zone chosen.
  void SetZone(const std::string& zoneName);
  // Fills the fields from the columns an Edit reads, in their order.
  virtual void FillEntry(const std::vector<std::string>& values) = 0;

  virtual void cmdOk_Click() = 0;
  void cmdCancel_Click();

  QTabWidget* EntryTab = nullptr;  // the dialog's tab control
  QLabel* Heading = nullptr;       // the instruction at the top
  QLineEdit* txtDescription = nullptr;
  QComboBox* cboZones = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;

 protected:
  // Its size follows from NewEntryFrame.
  ZoneEntryDialog(QWidget* parent, const std::string& name, const std::string& title);
  // The tab control with its one tab "Add" and, on it, the entry's frame
  // with the heading at its top and `bodyHeight` pixels below it for the
  // fields; the dialog takes the size that holds them and its buttons.
  QGroupBox* NewEntryFrame(const std::string& tabName, const std::string& frameName,
                           const std::string& headingName, const std::string& headingText, int bodyHeight);
  // A row of octet boxes in a frame of its own, with its caption before it,
  // `top` pixels below the heading.
  OctetRow NewAddressRow(QGroupBox* frame, const std::string& rowFrameName, const std::string& labelName,
                         const std::string& caption, const std::string& boxName, int top);
  // The name and zone fields with their captions, `top` pixels below the
  // heading.
  void NewNameAndZone(QGroupBox* frame, int top);
  // Where the fields of the frame begin, and the frame's width.
  static constexpr int BodyTop = 80;
  static constexpr int FieldLeft = 132;
  static constexpr int FrameWidth = 400;
  // What the load does once the controls are there: the zone list, "Trusted"
  // in Add mode, the wiring of the OK rule, the Tab order, the tool tips.
  void Form_Load(const std::string& toolTipSection);
  // The fields in reading order: Tab goes through them, then OK, then
  // Cancel, and the dialog opens with the focus in the first one it can take.
  virtual std::vector<QWidget*> FieldsInOrder() const;
  void showEvent(QShowEvent* e) override;
  // OK is enabled exactly when every field is filled in.
  void txtDescription_Change();
  virtual bool FieldsFilled() const;
  // Every octet box of the dialog.
  std::vector<OctetBox*> Octets;
  // Turns over-large octets into 255 before a save, whatever reached OK.
  void ClampOctets();

  std::string NameText() const;
  std::string ZoneText() const;
  // Tool-tip keys of the zone list ("001"), the name field and the buttons.
  void TagFields(const char* description, const char* ok, const char* cancel);
  // Stores the entry (values without the ID) in its table with its address
  // rows, in the dialog's mode; then the zones page gets a new row (Add) or
  // its selected row changed (Edit), and the dialog closes. An entry to edit
  // that is gone is told to the user, nothing is written, and the dialog
  // closes. A write that fails is told, and the dialog stays open with the
  // page unchanged.
  void SaveEntry(long table, long ipType, const EntryValues& values, const std::vector<std::string>& addresses,
                 const std::string& address, const std::string& typeName);
};

}  // namespace mv
