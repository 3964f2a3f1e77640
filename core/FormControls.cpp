#include "core/FormControls.h"

#include <algorithm>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVariant>

#include "core/FormSupport.h"
#include "platform/QtText.h"

namespace mv {
namespace {
template <class Control>
Control* place(Control* control, const std::string& name, const QRect& at) {
  // A caption without a name of its own still gets one, so that resizing,
  // which moves named controls only, keeps it beside the controls it labels.
  // The names are counted per form, so a form built again gets the same ones.
  if (name.empty()) {
    QWidget* form = control->parentWidget();
    while (form && !form->isWindow() && !qobject_cast<Page*>(form)) form = form->parentWidget();
    int n = form ? form->property("captionCount").toInt() + 1 : 1;
    if (form) form->setProperty("captionCount", n);
    control->setObjectName(QString("lblCaption%1").arg(n));
  } else {
    control->setObjectName(platform::toQString(name));
  }
  control->setGeometry(at);
  return control;
}
}  // namespace

void SetUpDialog(QDialog* dialog, const std::string& name, const std::string& title, const QSize& size) {
  dialog->setObjectName(platform::toQString(name));
  dialog->setWindowTitle(platform::toQString(title));
  dialog->setWindowIcon(WindowIcon());
  dialog->setFixedSize(size);
}

QLabel* NewLabel(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at) {
  auto* label = place(new QLabel(platform::toQString(caption), parent), name, at);
  label->setWordWrap(true);
  return label;
}

void LevelWithCaption(QLabel* caption, QLabel* description) {
  for (QLabel* label : {caption, description}) label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  description->move(description->x(), caption->y());
}

void ShowTabbedDetails(QTextEdit* box, const std::string& crlfText) {
  box->setPlainText(platform::toQString(crlfText).replace("\r\n", "\n"));
  QTextDocument* doc = box->document();
  const QFontMetricsF metrics(doc->defaultFont());
  qreal column = 0;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    const int tab = b.text().indexOf('\t');
    if (tab >= 0) column = std::max(column, metrics.horizontalAdvance(b.text().left(tab)));
  }
  column += metrics.horizontalAdvance(QStringLiteral("    "));
  // Each line gets as many stops as it has tabs, the last at the column, so
  // one tab or two both end there.
  QTextCursor cursor(doc);
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    const QString text = b.text();
    int tabs = 0;
    for (int i = text.indexOf('\t'); i >= 0 && i < text.size() && text.at(i) == '\t'; ++i) ++tabs;
    if (tabs == 0) continue;
    QList<QTextOption::Tab> stops;
    for (int i = tabs - 1; i >= 0; --i) stops << QTextOption::Tab(column - i, QTextOption::LeftTab);
    QTextBlockFormat format = b.blockFormat();
    format.setTabPositions(stops);
    cursor.setPosition(b.position());
    cursor.setBlockFormat(format);
  }
}

QPushButton* NewButton(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at) {
  return place(new QPushButton(platform::toQString(caption), parent), name, at);
}

QCheckBox* NewCheckBox(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at) {
  return place(new QCheckBox(platform::toQString(caption), parent), name, at);
}

QRadioButton* NewOption(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at) {
  return place(new QRadioButton(platform::toQString(caption), parent), name, at);
}

QTabWidget* NewTabControl(QWidget* parent, const std::string& name, const QRect& at) {
  return place(new QTabWidget(parent), name, at);
}

QWidget* NewTab(QTabWidget* tabs, const std::string& name, const std::string& caption) {
  auto* tab = new QWidget();
  tab->setObjectName(platform::toQString(name));
  tabs->addTab(tab, platform::toQString(caption));
  return tab;
}

QGroupBox* NewFrame(QWidget* parent, const std::string& name, const std::string& caption, const QRect& at) {
  return place(new QGroupBox(platform::toQString(caption), parent), name, at);
}

QLineEdit* NewTextBox(QWidget* parent, const std::string& name, const QRect& at) {
  return place(new QLineEdit(parent), name, at);
}

QLineEdit* NewPasswordBox(QWidget* parent, const std::string& name, const QRect& at) {
  QLineEdit* box = NewTextBox(parent, name, at);
  box->setEchoMode(QLineEdit::Password);
  return box;
}

void TagByName(std::initializer_list<QWidget*> controls) {
  for (QWidget* control : controls) SetTag(control, platform::fromQString(control->objectName()));
}

std::string TextOf(const QLineEdit* box) { return platform::fromQString(box->text()); }

void FocusAndSelect(QLineEdit* box) {
  box->setFocus();
  box->selectAll();
}

}  // namespace mv
