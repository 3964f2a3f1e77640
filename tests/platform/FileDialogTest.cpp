// The real open dialog of the common dialog seam, driven as a user drives
// it: what its filters list in a folder of Linux files, and a typed name
// taken by its Open button. The answer enters as the operating system gave it.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <filesystem>
#include <set>

#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "tests/core/ModalDriver.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace mv::platform;

namespace mvtest {
namespace {

const std::string kProgramFilter = "Executable File (*.exe,*.com,*.scr)|*.EXE;*.COM;*.SCR|All Files (*.*)|*.*";

class FileDialogSeam : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    for (const char* name : {"bin/tool", "bin/run.sh"}) {
      writeText(name, "#!/bin/sh\n");
      fs::permissions(native(name), fs::perms::owner_all);
    }
    for (const char* name : {"bin/notes", "bin/readme.txt", "bin/data.tar.gz"}) writeText(name, "text\n");
    fs::create_directories(native("bin/sub"));
  }

  static QFileDialog* openDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) return d;
    return nullptr;
  }
  // The names the dialog lists, once its folder has been read.
  static std::set<std::string> listed(QFileDialog* d, std::size_t atLeast) {
    auto* view = d->findChild<QListView*>("listView");
    std::set<std::string> names;
    QElapsedTimer waited;
    waited.start();
    do {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      names.clear();
      QAbstractItemModel* model = view->model();
      for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
        names.insert(model->index(row, 0, view->rootIndex()).data().toString().toStdString());
    } while (names.size() < atLeast && waited.elapsed() < 5000);
    // Entries the folder reading may still add come within a moment.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    return names;
  }
  static void type(QWidget* target, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(target, &press);
    }
  }
  std::optional<FileDialogResult> open(std::function<void(QFileDialog*)> act) {
    ModalDriver driver([] { return openDialog(); }, [act] { act(openDialog()); });
    FileDialogOptions options;
    options.DialogTitle = "Add Program";
    options.Filter = kProgramFilter;
    options.InitDir = systemPath(native("bin"));
    auto answer = ShowOpen(options);
    EXPECT_EQ(driver.opened, 1);
    EXPECT_EQ(driver.leftOpen, 0);
    return answer;
  }
};

TEST_F(FileDialogSeam, ProgramsAreTheRunnableFilesAndAllFilesIsEveryFile) {
  std::set<std::string> programs, all;
  QStringList captions;
  QString first;
  open([&](QFileDialog* d) {
    auto* combo = d->findChild<QComboBox*>("fileTypeCombo");
    for (int i = 0; i < combo->count(); ++i) captions << combo->itemText(i);
    first = combo->currentText();
    programs = listed(d, 3);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    emit combo->textActivated(combo->itemText(1));
    all = listed(d, 6);
    d->reject();
  });
  EXPECT_EQ(captions, QStringList({"Executable File (*.exe,*.com,*.scr)", "All Files (*.*)"}));
  EXPECT_EQ(first, "Executable File (*.exe,*.com,*.scr)");
  EXPECT_EQ(programs, (std::set<std::string>{"sub", "tool", "run.sh"}));
  EXPECT_EQ(all, (std::set<std::string>{"sub", "tool", "run.sh", "notes", "readme.txt", "data.tar.gz"}));
}

TEST_F(FileDialogSeam, AFilterChosenThroughTheDialogItselfMeansTheSameAndItsFilesCanBeChosen) {
  std::set<std::string> all, programs;
  bool toolEnabled = false;
  open([&](QFileDialog* d) {
    listed(d, 3);
    d->selectNameFilter("All Files (*.*)");
    all = listed(d, 6);
    d->selectNameFilter("Executable File (*.exe,*.com,*.scr)");
    programs = listed(d, 3);
    auto* view = d->findChild<QListView*>("listView");
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
      const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
      if (index.data().toString() == "tool") toolEnabled = view->model()->flags(index) & Qt::ItemIsEnabled;
    }
    d->reject();
  });
  EXPECT_EQ(all, (std::set<std::string>{"sub", "tool", "run.sh", "notes", "readme.txt", "data.tar.gz"}));
  EXPECT_EQ(programs, (std::set<std::string>{"sub", "tool", "run.sh"}));
  EXPECT_TRUE(toolEnabled);
}

TEST_F(FileDialogSeam, ANameTypedIsTakenByTheOpenButtonAndEntersAsItCame) {
  bool enabled = false;
  auto answer = open([&](QFileDialog* d) {
    listed(d, 3);
    type(d->findChild<QLineEdit*>("fileNameEdit"), "tool");
    QPushButton* openButton = d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
    QCoreApplication::processEvents();
    enabled = openButton->isEnabled();
    openButton->click();
  });
  EXPECT_TRUE(enabled);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->FileName, native("bin/tool"));
  EXPECT_EQ(answer->FileTitle, "tool");
}

TEST_F(FileDialogSeam, AFileWhoseNameIsNotUtf8IsNamedBelowTheListItCannotBeIn) {
  const std::string program = native("bin/tr\xfe" "e");
  fs::copy_file("/usr/bin/true", program);
  std::set<std::string> programs;
  fs::create_directory(native("plain"));
  QString told;
  bool shown = false, elsewhereShown = true;
  open([&](QFileDialog* d) {
    programs = listed(d, 3);
    auto* label = d->findChild<QLabel*>("lblNotListed");
    ASSERT_NE(label, nullptr);
    told = label->text();
    shown = label->isVisible();
    // A folder whose names are all UTF-8, reached by typing its path.
    auto* name = d->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    type(name, QString::fromStdString(native("plain")));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(name, &enter);
    QCoreApplication::processEvents();
    elsewhereShown = label->isVisible();
    d->reject();
  });
  EXPECT_EQ(programs, (std::set<std::string>{"sub", "tool", "run.sh"}));
  EXPECT_TRUE(shown);
  EXPECT_FALSE(elsewhereShown);
  EXPECT_EQ(told, QString::fromUtf8("Not listed, as their names are not UTF-8: tr\xef\xbf\xbd" "e."));
}

}  // namespace
}  // namespace mvtest
