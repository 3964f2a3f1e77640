// The program list store: ProgramControl.MVL sections, colProgramList, the
// engine-answer rights, the page rows and the tag utilities.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "core/VBRuntime.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "tests/programs/ProgramStoreFixture.h"

namespace mvtest {
namespace {

using mv::colProgramList;
using mv::platform::fromQString;
using Rights = std::array<std::uint8_t, 4>;

const std::vector<std::string> kSectionKeys = {
    "Version", "Column1",       "Column2",       "Column3",      "Column4",      "Column5",      "Column6", "Path",
    "AllowAccess", "Ports",     "ICMP_Protocol", "IGMP_Protocol", "Authenticate", "CheckedPorts", "NoCustomizePorts"};

class ProgramStore : public ProgramStoreTest {
 protected:
  std::vector<std::pair<std::string, std::string>> section(const std::string& name) const {
    return sectionEntries(mv::strProgramControlFile, name);
  }
  std::vector<std::string> keys(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& e : section(name)) out.push_back(e.first);
    return out;
  }
  std::string value(const std::string& name, const std::string& key) const {
    for (const auto& e : section(name))
      if (e.first == key) return e.second;
    return "<missing>";
  }
  // The four stored rights of a section, "0" Allow, "1" Block, "2" Ask.
  std::string storedRights(const std::string& name) const {
    return value(name, "Column1") + value(name, "Column2") + value(name, "Column3") + value(name, "Column4");
  }
  static std::string rightTexts(const std::string& key) {
    const auto& p = *colProgramList.Item(key);
    return p.AccessTrusted + " " + p.AccessInternet + " " + p.ServerTrusted + " " + p.ServerInternet;
  }
};

// ---------------------------------------------------------------------------
// Writing and reading back a program section.

TEST_F(ProgramStore, NewProgramSectionHasTheFifteenKeysInOrderAndReadsBackByPosition) {
  addProgram("C:\\Tools\\Editor.exe", mv::AccessAllow, mv::AccessAsk, mv::AccessAsk, mv::AccessBlock);

  auto entries = section("Editor.exe");
  EXPECT_EQ(keys("Editor.exe"), kSectionKeys);
  const std::vector<std::string> values = {"", "0", "2", "2", "1", "0", "0", "C:\\Tools\\Editor.exe",
                                           "0", "", "0", "0", "0", "", "0"};
  for (size_t i = 0; i < values.size() && i < entries.size(); ++i)
    EXPECT_EQ(entries[i].second, values[i]) << entries[i].first;

  ASSERT_EQ(colProgramList.Count(), 1);
  const auto& program = *colProgramList.Item("c:\\tools\\editor.exe");
  EXPECT_EQ(program.ProgramName, "Editor.exe");
  EXPECT_EQ(program.Path, "C:\\Tools\\Editor.exe");
  EXPECT_EQ(program.LockState, "Normal");
  EXPECT_EQ(rightTexts("c:\\tools\\editor.exe"), "Allow Ask Ask Block");

  // Read back as the rule loader reads it: entries by position.
  mv::ReadIniSection(mv::strProgramControlFile, "Editor.exe");
  ASSERT_EQ(mv::arrIniSection.size(), 15u);
  EXPECT_EQ(mv::AccessCodeToText(mv::ValInt(mv::arrIniSection[1].Value)), program.AccessTrusted);
  EXPECT_EQ(mv::AccessCodeToText(mv::ValInt(mv::arrIniSection[4].Value)), program.ServerInternet);
  EXPECT_EQ(mv::arrIniSection[6].Value, "0");  // lock: Normal
  EXPECT_EQ(mv::arrIniSection[7].Value, program.Path);
}

TEST_F(ProgramStore, DefaultAndUnreadableRightsTakeEachRightsOwnDefault) {
  mv::DefaultAccessTrusted = mv::AccessAllow;
  mv::DefaultServerInternet = mv::AccessBlock;
  addProgram("C:\\Apps\\Mail.exe");
  // A code that is no right is never taken as Allow.
  addProgram("C:\\Apps\\News.exe", 9, mv::AccessAllow, 200, -7);
  EXPECT_EQ(storedRights("Mail.exe"), "0221");
  EXPECT_EQ(storedRights("News.exe"), "0021");
  EXPECT_EQ(rightTexts("C:\\APPS\\NEWS.EXE"), "Allow Allow Ask Block");
}

TEST_F(ProgramStore, SecondProgramWithTheSameNameGetsASectionOfItsOwn) {
  addProgram("C:\\One\\setup.exe", mv::AccessBlock, mv::AccessBlock, mv::AccessBlock, mv::AccessBlock);
  addProgram("C:\\Two\\setup.exe", mv::AccessAllow, mv::AccessAllow, mv::AccessAllow, mv::AccessAllow);
  addProgram("C:\\Three\\SETUP.exe", mv::AccessAsk, mv::AccessAsk, mv::AccessAsk, mv::AccessAsk);

  EXPECT_EQ(sectionNames(mv::strProgramControlFile),
            (std::vector<std::string>{"setup.exe", "setup.exe(1)", "SETUP.exe(2)"}));
  // The first program keeps its path and rights.
  EXPECT_EQ(value("setup.exe", "Path"), "C:\\One\\setup.exe");
  EXPECT_EQ(storedRights("setup.exe"), "1111");
  EXPECT_EQ(value("setup.exe(1)", "Path"), "C:\\Two\\setup.exe");
  EXPECT_EQ(keys("setup.exe(1)"), kSectionKeys);
  ASSERT_EQ(colProgramList.Count(), 3);
  EXPECT_EQ(colProgramList.Item(2)->ProgramName, "setup.exe(1)");
  EXPECT_EQ(colProgramList.Item(3)->ProgramName, "SETUP.exe(2)");

  // Adding a listed path again rewrites its own section; the listed object stays.
  auto listed = colProgramList.Item("c:\\two\\setup.exe");
  addProgram("C:\\Two\\setup.exe", mv::AccessAsk, mv::AccessAsk, mv::AccessAsk, mv::AccessAsk);
  EXPECT_EQ(sectionNames(mv::strProgramControlFile).size(), 3u);
  EXPECT_EQ(storedRights("setup.exe(1)"), "2222");
  EXPECT_EQ(colProgramList.Item("c:\\two\\setup.exe"), listed);
  EXPECT_NE(errLog().find("AddProgramControlToINI of Module mdlProgramControl"), std::string::npos);
}

TEST_F(ProgramStore, ReadOnlyFileIsReportedAndNothingIsListed) {
  ASSERT_TRUE(mv::platform::setReadOnly(mv::strProgramControlFile, true));
  addProgram("C:\\Apps\\Locked.exe");
  EXPECT_EQ(colProgramList.Count(), 0);
  EXPECT_NE(errLog().find("AddProgramControlToINI of Module mdlProgramControl"), std::string::npos);
}

TEST_F(ProgramStore, UpdateReplacesMinusOneByItsOwnDefaultAndWritesWithoutThePage) {
  addProgram("C:\\Apps\\Chat.exe", mv::AccessBlock, mv::AccessBlock, mv::AccessBlock, mv::AccessBlock);
  mv::DefaultAccessTrusted = mv::AccessAllow;
  mv::UpdateProgramList("C:\\APPS\\CHAT.EXE", mv::DefaultRight, mv::AccessAsk, mv::DefaultRight, mv::AccessBlock);
  EXPECT_EQ(storedRights("Chat.exe"), "0221");
  EXPECT_EQ(keys("Chat.exe"), kSectionKeys);
  EXPECT_EQ(rightTexts("c:\\apps\\chat.exe"), "Allow Ask Ask Block");

  // An unlisted program is logged and nothing is written.
  std::string before = readText("Profiles/ProgramControl.MVL");
  mv::UpdateProgramList("C:\\Apps\\Other.exe", 0, 0, 0, 0);
  EXPECT_EQ(readText("Profiles/ProgramControl.MVL"), before);
  EXPECT_NE(errLog().find("UpdateProgramList of Module mdlProgramControl"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Engine answers.

class EngineAnswers : public ProgramStore {
 protected:
  void SetUp() override {
    ProgramStore::SetUp();
    addProgram("C:\\Apps\\Browser.exe", mv::AccessBlock, mv::AccessBlock, mv::AccessBlock, mv::AccessBlock);
  }
  Rights answer(int right, int value, long position) {
    mv::setDefaultAccessRule(right, value, position);
    converted = value;
    return mv::bytProgramRights;
  }
  int converted = -1;
  static constexpr std::uint8_t A = mv::AccessAllow, B = mv::AccessBlock, K = mv::AccessAsk;
};

TEST_F(EngineAnswers, AnswersOnABlockedProgramFollowTheRule) {
  EXPECT_EQ(answer(mv::RightServerInternet, mv::AnswerAsk, 1), (Rights{K, K, K, K}));
  EXPECT_EQ(converted, mv::AccessAsk);
  EXPECT_EQ(answer(mv::RightAccessInternet, mv::AnswerAllow, 1), (Rights{A, A, B, B}));
  EXPECT_EQ(answer(mv::RightAccessTrusted, mv::AnswerBlock, 1), (Rights{B, B, B, B}));
  EXPECT_EQ(converted, mv::AccessBlock);

  // Stored through UpdateProgramList, the answer reaches file and object.
  auto r = answer(mv::RightServerTrusted, mv::AnswerAllow, 1);
  mv::UpdateProgramList("C:\\Apps\\Browser.exe", r[0], r[1], r[2], r[3]);
  EXPECT_EQ(storedRights("Browser.exe"), "0101");
  EXPECT_EQ(rightTexts("c:\\apps\\browser.exe"), "Allow Block Allow Block");
}

TEST_F(EngineAnswers, NewProgramStartsFromTheDefaults) {
  mv::DefaultServerTrusted = mv::AccessBlock;
  mv::DefaultServerInternet = mv::AccessBlock;
  EXPECT_EQ(answer(mv::RightAccessInternet, mv::AnswerAllow, 0), (Rights{A, A, B, B}));
  EXPECT_EQ(answer(mv::RightServerInternet, mv::AnswerAsk, 0), (Rights{K, K, K, K}));
}

TEST_F(EngineAnswers, StartValuesStayForUndefinedAnswersAndUnreadableTextsStayUnread) {
  EXPECT_EQ(answer(5, mv::AnswerAllow, 1), (Rights{B, B, B, B}));
  EXPECT_EQ(answer(mv::RightAccessTrusted, 3, 1), (Rights{B, B, B, B}));
  EXPECT_EQ(converted, 3);

  constexpr std::uint8_t U = mv::UnreadableRight;
  colProgramList.Item(1)->AccessTrusted = "";
  colProgramList.Item(1)->ServerTrusted = "garbled";
  EXPECT_EQ(answer(5, mv::AnswerAllow, 1), (Rights{U, B, U, B}));
  // The answered right takes the answer; the rule moves no unread right.
  EXPECT_EQ(answer(mv::RightServerInternet, mv::AnswerAllow, 1), (Rights{U, A, U, A}));
  EXPECT_EQ(answer(mv::RightAccessTrusted, mv::AnswerBlock, 1), (Rights{B, B, U, B}));

  // A position that is not listed is logged and changes nothing.
  answer(mv::RightAccessTrusted, mv::AnswerAllow, 5);
  EXPECT_EQ(mv::bytProgramRights, (Rights{B, B, U, B}));
  EXPECT_NE(errLog().find("setDefaultAccessRule of Module mdlProgramControl"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The page's rows.

QPixmap filled(Qt::GlobalColor colour) {
  QPixmap p(16, 16);
  p.fill(colour);
  return p;
}

QColor colourOf(const QLabel& label) { return label.pixmap().toImage().pixelColor(0, 0); }

class ProgramPage : public ProgramStore {
 protected:
  void SetUp() override {
    ProgramStore::SetUp();
    controls.lvwPrograms = &programs;
    controls.pic16 = &pic16;
    controls.defaultIcon = &defaultIcon;
    controls.cmdProgramControlProgramOption = &optionButton;
    controls.cmdRemove = &removeButton;
    defaultIcon.setPixmap(filled(Qt::gray));
    optionButton.setEnabled(false);
    removeButton.setEnabled(false);
    programs.setColumnCount(6);
    mv::RegisterProgramControlPage(&controls);
    mv::platform::setFileIconHandler([](const std::string& path) -> QPixmap {
      return mv::SameText(mv::platform::fileNamePart(path), "Painter.exe") ? filled(Qt::red) : QPixmap();
    });
  }
  // The page's controls end with the test: a later test must not reach them.
  void TearDown() override {
    mv::RegisterProgramControlPage(nullptr);
    ProgramStore::TearDown();
  }
  std::string cell(int column) const { return fromQString(programs.topLevelItem(0)->text(column)); }

  QTreeWidget programs;
  QLabel pic16, defaultIcon;
  QPushButton optionButton, removeButton;
  mv::ProgramControlPageControls controls;
};

TEST_F(ProgramPage, LoadedProgramGetsItsRowIconTagAndButtonsOnce) {
  addProgram("C:\\Art\\Painter.exe", mv::AccessAllow, mv::AccessAsk, mv::AccessAsk, mv::AccessBlock);
  mv::LoadCurrentProgramList("C:\\ART\\PAINTER.EXE");

  ASSERT_EQ(programs.topLevelItemCount(), 1);
  QTreeWidgetItem* row = programs.topLevelItem(0);
  EXPECT_EQ(mv::ListItemKey(row), "c:\\art\\painter.exe");
  EXPECT_EQ(mv::ListItemTag(row), "0c:\\art\\painter.exe");
  EXPECT_EQ(cell(0) + "|" + cell(1) + "|" + cell(2) + "|" + cell(3) + "|" + cell(4) + "|" + cell(5),
            "Painter.exe|Allow|Ask|Ask|Block|Normal");
  EXPECT_FALSE(row->icon(0).isNull());
  EXPECT_EQ(controls.ProgramImgList16.at("c:\\art\\painter.exe").toImage().pixelColor(0, 0), QColor(Qt::red));
  EXPECT_TRUE(optionButton.isEnabled());
  EXPECT_TRUE(removeButton.isEnabled());

  mv::LoadCurrentProgramList("C:\\Art\\Painter.exe");
  EXPECT_EQ(programs.topLevelItemCount(), 1);
  EXPECT_NE(errLog().find("LoadCurrentProgramList of Module mdlProgramControl"), std::string::npos);
}

TEST_F(ProgramPage, IconOrDefaultPictureOrFailure) {
  EXPECT_EQ(mv::ExtractIcon("C:\\Apps\\Plain.exe"), -1);
  EXPECT_EQ(colourOf(pic16), QColor(Qt::gray));
  EXPECT_EQ(mv::ExtractIcon("C:\\Art\\Painter.exe"), 1);
  EXPECT_EQ(colourOf(pic16), QColor(Qt::red));
  EXPECT_EQ(mv::ExtractIcon("C:\\Art\\Painter.exe", nullptr, nullptr), 0);
  EXPECT_NE(errLog().find("ExtractIcon of Module mdlProgramControl"), std::string::npos);
}

TEST_F(ProgramPage, UpdateChangesTheRowAndStillWritesWhenTheRowIsMissing) {
  addProgram("C:\\Apps\\Shown.exe", mv::AccessBlock, mv::AccessBlock, mv::AccessBlock, mv::AccessBlock);
  addProgram("C:\\Apps\\Hidden.exe", mv::AccessBlock, mv::AccessBlock, mv::AccessBlock, mv::AccessBlock);
  mv::LoadCurrentProgramList("C:\\Apps\\Shown.exe");

  mv::UpdateProgramList("C:\\Apps\\Shown.exe", mv::AccessAllow, mv::AccessAsk, mv::AccessAsk, mv::AccessAsk);
  EXPECT_EQ(cell(1) + " " + cell(4), "Allow Ask");
  mv::UpdateProgramList("C:\\Apps\\Hidden.exe", mv::AccessAllow, mv::AccessAllow, mv::AccessAllow, mv::AccessAllow);
  EXPECT_EQ(storedRights("Hidden.exe"), "0000");
  EXPECT_EQ(programs.topLevelItemCount(), 1);

  // Without the page no row is added.
  mv::RegisterProgramControlPage(nullptr);
  mv::LoadCurrentProgramList("C:\\Apps\\Hidden.exe");
  EXPECT_EQ(programs.topLevelItemCount(), 1);
  EXPECT_EQ(errLog(), "");
}

// ---------------------------------------------------------------------------
// Tag and list utilities.

TEST(ProgramTags, PathFlagAndWholePathLookUp) {
  EXPECT_EQ(mv::GetPathFromTag("1C:\\PROGRAM FILES\\APP.EXE"), "c:\\program files\\app.exe");
  EXPECT_EQ(mv::SetTagFlag("0c:\\app.exe", true), "1c:\\app.exe");
  EXPECT_EQ(mv::SetTagFlag("1c:\\app.exe", false), "0c:\\app.exe");
  EXPECT_EQ(mv::SetTagFlag("", true), "1");

  QTreeWidget list;
  for (const char* tag : {"0c:\\apps\\tool.exe.bak", "1c:\\apps\\tool.exe", "0c:\\apps\\other.exe"})
    mv::SetListItemTag(new QTreeWidgetItem(&list), tag);
  EXPECT_EQ(mv::FindListItemByTag(&list, "c:\\apps\\tool.exe"), 2);
  EXPECT_EQ(mv::FindListItemByTag(&list, "C:\\APPS\\OTHER.EXE"), 3);
  EXPECT_EQ(mv::FindListItemByTag(&list, "c:\\apps"), 0);

  QListWidget box;
  box.addItems({"WEB servers HTTP (TCP port 80)", "MAIL servers POP (TCP port 110)"});
  EXPECT_EQ(mv::FindListBoxItem(&box, "mail servers pop (tcp port 110)"), 1);
  EXPECT_EQ(mv::FindListBoxItem(&box, "MAIL servers POP"), -1);
}

TEST_F(ProgramStore, InitProgramControlSetsTextsPresetsAndKeys) {
  EXPECT_EQ(mv::arrServerNames[0], "WEB servers HTTP (TCP port 80)");
  EXPECT_EQ(mv::arrServerNames[4], "DNS servers (TCP and UDP port 53)");
  EXPECT_EQ(mv::arrServerNames[9], "NEWS servers (TCP port 119)");
  EXPECT_EQ(mv::strMailServerIMAP, mv::arrServerNames[8]);
  EXPECT_EQ(mv::strKeyNoCustomizePorts, "NoCustomizePorts");
  mv::colDoNotShowAlerts.Add("key");
  mv::InitProgramControl();
  EXPECT_EQ(mv::colDoNotShowAlerts.Count(), 0);
}

}  // namespace
}  // namespace mvtest
