// The file-information record and the properties sheet, on real files of the
// temporary program folder; version resources are scripted.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <cstdlib>
#include <ctime>

#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "programs/mdlProgramControl.h"
#include "platform/FileInfo.h"
#include "platform/Paths.h"
#include "platform/PropertiesSheet.h"
#include "platform/Shell.h"
#include "tests/support/TestEnv.h"

using namespace mv;

namespace {

class FilePropertyTest : public mvtest::ProgramFolderTest {
 protected:
  void TearDown() override {
    platform::setVersionResourceReader(nullptr);
    platform::setPropertiesSheetHandler(nullptr);
    delete sheet();
    ProgramFolderTest::TearDown();
  }
  // A sparse file of the size, named as the system names it.
  std::string makeFile(const std::string& name, off_t size) {
    int fd = ::open(native(name).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    EXPECT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    return AppPath() + "\\" + name;
  }
  std::string sizeTextOf(off_t size) {
    getFileProperty(makeFile("sized.bin", size));
    return tblFileInfo.SizeText;
  }
  // A version resource whose strings are filed under the translation given.
  void scriptVersion(const std::map<std::string, std::string>& strings, const char* key = "040904B0",
                     std::pair<std::uint16_t, std::uint16_t> translation = {0x0409, 0x04B0}) {
    platform::VersionResource r;
    r.translations.push_back(translation);
    for (const auto& [name, value] : strings) r.strings[std::string("\\StringFileInfo\\") + key + "\\" + name] = value;
    platform::setVersionResourceReader([r](const std::string&) { return std::optional(r); });
  }
  static QDialog* sheet() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "PropertiesSheet") return qobject_cast<QDialog*>(w);
    return nullptr;
  }
};

}  // namespace

TEST_F(FilePropertyTest, SizeTextsRoundToTheNearestUnit) {
  EXPECT_EQ(sizeTextOf(0), "0 bytes");
  EXPECT_EQ(sizeTextOf(1024), "1024 bytes");
  EXPECT_EQ(sizeTextOf(1025), "1 KB");
  EXPECT_EQ(sizeTextOf(1536), "2 KB");
  EXPECT_EQ(sizeTextOf(2560), "2 KB") << "a half goes to the even neighbour";
  EXPECT_EQ(sizeTextOf(1048576), "1024 KB");
  EXPECT_EQ(sizeTextOf(1048576 + 600), "1 MB");
  EXPECT_EQ(tblFileInfo.SizeBytes, 1048576 + 600);
  const std::int64_t big = 3LL * 1024 * 1024 * 1024 + 5;
  EXPECT_EQ(sizeTextOf(static_cast<off_t>(big)), "3072 MB");
  EXPECT_EQ(tblFileInfo.SizeBytes, big);
}

TEST_F(FilePropertyTest, MissingFilesAndFilesWithoutVersionAreNamedByTheirFileName) {
  getFileProperty(AppPath() + "\\Programs\\missing.exe");
  EXPECT_EQ(tblFileInfo.FileName, "missing.exe");
  EXPECT_EQ(tblFileInfo.FullPath, AppPath() + "\\Programs\\missing.exe");
  EXPECT_EQ(tblFileInfo.SizeText, "0 Byte");
  EXPECT_EQ(tblFileInfo.ProductName + tblFileInfo.FileDescription + tblFileInfo.OriginalFileName,
            "missing.exemissing.exemissing.exe");
  getFileProperty("nofolder.exe");
  EXPECT_EQ(tblFileInfo.FileName, "nofolder.exe");
  getFileProperty(AppPath() + "\\Profiles");
  EXPECT_EQ(tblFileInfo.SizeText, "0 Byte") << "a folder is no file that can be opened";

  writeText("Tool.bin", "1234567");
  getFileProperty(AppPath() + "\\tool.BIN");
  EXPECT_EQ(tblFileInfo.SizeText, "7 bytes");
  EXPECT_EQ(tblFileInfo.ProductName + tblFileInfo.FileDescription + tblFileInfo.OriginalFileName,
            "tool.BINtool.BINtool.BIN");
  EXPECT_EQ(tblFileInfo.CompanyName + tblFileInfo.FileVersion + tblFileInfo.ProductVersion +
                tblFileInfo.LegalCopyright + tblFileInfo.InternalName,
            "");
}

TEST_F(FilePropertyTest, DatesAreTheUtcCalendarDatesOfTheFileTimes) {
  std::string path = makeFile("dated.bin", 10);
  // 4 March 2021 23:30 UTC is already 5 March in Tokyo.
  timespec times[2] = {{1614900600, 0}, {1614900600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, native("dated.bin").c_str(), times, 0), 0);
  const char* oldTz = std::getenv("TZ");
  std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "JST-9", 1);
  tzset();
  getFileProperty(path);
  oldTz ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
  EXPECT_EQ(tblFileInfo.LastModified, (Date{2021, 3, 4}));
  EXPECT_EQ(tblFileInfo.LastAccessed, (Date{2021, 3, 4}));
  EXPECT_TRUE(IsValidDate(tblFileInfo.Created));
}

TEST_F(FilePropertyTest, ABirthTimeOfZeroIsAnUnknownCreationDate) {
  // Files unpacked from a system image may carry a birth time of 0.
  std::string found;
  for (const char* candidate : {"/usr/bin/env", "/usr/bin/ls", "/bin/sh", "/usr/bin/true"}) {
    struct statx sx;
    if (::statx(AT_FDCWD, candidate, 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME) &&
        sx.stx_btime.tv_sec == 0) {
      found = candidate;
      break;
    }
  }
  if (found.empty()) GTEST_SKIP() << "no file here has a birth time of 0";
  const std::string details = EntryDetailsText(platform::systemPath(found));
  EXPECT_EQ(tblFileInfo.Created, Date{});
  EXPECT_NE(tblFileInfo.LastModified, Date{});
  EXPECT_NE(details.find("Created Date: \t\r\n"), std::string::npos) << details;
  ShowFileProperties(platform::systemPath(found));
  ASSERT_NE(sheet(), nullptr);
  EXPECT_EQ(sheet()->findChild<QLabel*>("lblCreated")->text(), "");
}

TEST_F(FilePropertyTest, VersionStringsComeFromTheFirstTranslation) {
  scriptVersion({{"CompanyName", "Morvantis Labs"}, {"FileDescription", "Packet viewer"}, {"FileVersion", "1.2.3"},
                 {"InternalName", "pv"}, {"LegalCopyright", "Copyright 2024"}, {"OriginalFileName", "pv.exe"},
                 {"ProductName", "Viewer"}, {"ProductVersion", std::string("1.2\0junk", 8)}},
                "040704E4", {0x0407, 0x04E4});
  getFileProperty(makeFile("pv.exe", 3));
  const FileInfoRec& f = tblFileInfo;
  EXPECT_EQ((std::vector<std::string>{f.CompanyName, f.FileDescription, f.FileVersion, f.InternalName,
                                      f.LegalCopyright, f.OriginalFileName, f.ProductName, f.ProductVersion}),
            (std::vector<std::string>{"Morvantis Labs", "Packet viewer", "1.2.3", "pv", "Copyright 2024", "pv.exe",
                                      "Viewer", "1.2"}));
}

TEST_F(FilePropertyTest, StringsWithCharactersAboveZAreRejected) {
  scriptVersion({{"CompanyName", "Caf\xC3\xA9 Soft"}, {"FileDescription", "R\xC3\xA9seau"},
                 {"LegalCopyright", "\xC2\xA9 2024"}, {"InternalName", "a{b}"}, {"ProductName", "Tilde~"},
                 {"OriginalFileName", "Orig.exe"}, {"FileVersion", "1.0 zz"}, {"ProductVersion", std::string(300, 'v')}});
  getFileProperty(makeFile("net.exe", 1));
  EXPECT_EQ(tblFileInfo.CompanyName, "");
  EXPECT_EQ(tblFileInfo.FileDescription, "net.exe");
  EXPECT_EQ(tblFileInfo.LegalCopyright, "");
  EXPECT_EQ(tblFileInfo.InternalName, "net.exe");
  EXPECT_EQ(tblFileInfo.ProductName, "Orig.exe") << "a rejected product name takes the original file name";
  EXPECT_EQ(tblFileInfo.FileVersion, "1.0 zz");
  EXPECT_EQ(tblFileInfo.ProductVersion, std::string(254, 'v'));

  scriptVersion({{"FileDescription", ""}, {"ProductName", "   "}, {"OriginalFileName", "ORIG.EXE"}});
  getFileProperty(makeFile("a.exe", 1));
  EXPECT_EQ(tblFileInfo.FileDescription, "ORIG.EXE");
  EXPECT_EQ(tblFileInfo.ProductName, "ORIG.EXE");
  EXPECT_EQ(tblFileInfo.CompanyName, "") << "a string the resource lacks is empty";
}

TEST_F(FilePropertyTest, EveryCallStartsFromAnEmptyRecord) {
  scriptVersion({{"CompanyName", "First Co"}, {"FileVersion", "9.9"}});
  getFileProperty(makeFile("first.exe", 2000));
  ASSERT_EQ(tblFileInfo.CompanyName, "First Co");
  getFileProperty(AppPath() + "\\gone.exe");
  EXPECT_EQ(tblFileInfo.CompanyName + tblFileInfo.FileVersion, "");
  EXPECT_EQ(tblFileInfo.SizeBytes, 0);
  EXPECT_EQ(tblFileInfo.LastModified, Date{});
  EXPECT_EQ(tblFileInfo.Created, Date{});
}

TEST_F(FilePropertyTest, ThePropertiesSheetShowsTheFileOnItsOwn) {
  writeText("Shown.txt", "twelve bytes");
  ShowFileProperties(AppPath() + "\\shown.txt");
  QDialog* s = sheet();
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->isVisible());
  EXPECT_FALSE(s->isModal());
  EXPECT_EQ(s->windowTitle(), "Shown.txt Properties");
  EXPECT_GT(s->width(), s->fontMetrics().horizontalAdvance(s->windowTitle()));
  EXPECT_EQ(s->findChild<QLabel*>("lblName")->text(), "Shown.txt");
  EXPECT_EQ(s->findChild<QLabel*>("lblLocation")->text(), QString::fromStdString(folder));
  EXPECT_EQ(s->findChild<QLabel*>("lblSize")->text(), "12 bytes");
  EXPECT_FALSE(s->findChild<QCheckBox*>("chkReadOnly")->isChecked());
  delete s;

  ShowFileProperties(AppPath() + "\\absent.txt");
  EXPECT_EQ(sheet(), nullptr);
}
