#pragma once
// Creating the controls of a form at fixed positions (in pixels), each with
// its name and caption, and the small text-box operations the dialogs share.
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <initializer_list>
#include <utility>
#include <string>

class QCheckBox;
class QDialog;
class QGroupBox;
class QLabel;
class QTextEdit;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace mv {

// The single default instance of a form class; null once the form is gone
// (deleting a form unloads it). A modal dialog on the stack sets it in its
// constructor; every other form is created through LoadForm.
template <class Form>
QPointer<Form>& FormInstance() {
  static QPointer<Form> instance;
  return instance;
}

// The loaded instance, or null.
template <class Form>
Form* LoadedForm() {
  return FormInstance<Form>().data();
}

// The instance, created with these arguments when it is not loaded.
template <class Form, class... Args>
Form* LoadForm(Args&&... args) {
  if (!FormInstance<Form>()) FormInstance<Form>() = new Form(std::forward<Args>(args)...);
  return LoadedForm<Form>();
}

// Names a fixed-size dialog and gives it its title and the window icon.
void SetUpDialog(QDialog* dialog, const std::string& name, const std::string& title, const QSize& size);

// An empty name gives the control a generated name (captions that nothing
// else uses).
QLabel* NewLabel(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at);
QPushButton* NewButton(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at);
QCheckBox* NewCheckBox(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at);
QRadioButton* NewOption(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at);
// A tab control, and a page of it under its caption.
QTabWidget* NewTabControl(QWidget* parent, const std::string& name, const QRect& at);
QWidget* NewTab(QTabWidget* tabs, const std::string& name, const std::string& caption);
QGroupBox* NewFrame(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at);
// A text box, and one that shows its text as password dots.
QLineEdit* NewTextBox(QWidget* parent, const std::string& name, const QRect& at);
QLineEdit* NewPasswordBox(QWidget* parent, const std::string& name, const QRect& at);

// The OK button (the default) and the Cancel button of a dialog, side by
// side from (left, top), wired to the dialog's cmdOk_Click and cmdCancel_Click.
template <class Dialog>
void NewOkCancel(Dialog* dialog, int left, int top) {
  dialog->cmdOk = NewButton(dialog, "cmdOk", "&OK", {left, top, 80, 28});
  dialog->cmdCancel = NewButton(dialog, "cmdCancel", "&Cancel", {left + 92, top, 80, 28});
  dialog->cmdOk->setDefault(true);
  QObject::connect(dialog->cmdOk, &QPushButton::clicked, dialog, &Dialog::cmdOk_Click);
  QObject::connect(dialog->cmdCancel, &QPushButton::clicked, dialog, &Dialog::cmdCancel_Click);
}

// A caption with its description beside it: both read from their top, so the
// first lines stand level whatever the heights of the two labels.
void LevelWithCaption(QLabel* caption, QLabel* description);

// Shows a details text whose lines are a caption, one or more tabs and a
// value (CR LF between lines) with every value starting in one column just
// past the widest caption, whatever the font; the text itself is kept.
void ShowTabbedDetails(QTextEdit* box, const std::string& crlfText);

// Gives each control its own name as its Tag, the key of its tool tip.
void TagByName(std::initializer_list<QWidget*> controls);

// The text box's text in the system's bytes.
std::string TextOf(const QLineEdit* box);
// Gives the box the focus with its whole text selected.
void FocusAndSelect(QLineEdit* box);

}  // namespace mv
