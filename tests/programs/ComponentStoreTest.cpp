// The component list store: Components.MVL sections and their naming,
// loading, reporting at each control level, and removal from the page.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>

#include "platform/Dialogs.h"
#include "platform/QtText.h"
#include "tests/programs/ProgramStoreFixture.h"

namespace mvtest {
namespace {

using mv::colComponentList;
using mv::platform::fromQString;

class ComponentStore : public ProgramStoreTest {
 protected:
  std::vector<std::pair<std::string, std::string>> section(const std::string& name) const {
    return sectionEntries(mv::strComponentsFile, name);
  }
  // Writes a component section directly, as an older version or a damaged
  // file may hold it.
  static void writeSection(const std::string& name, const std::vector<std::pair<std::string, std::string>>& pairs) {
    ASSERT_TRUE(mv::WriteINISection(name, pairs, mv::strComponentsFile, true));
  }
};

TEST_F(ComponentStore, ModulesNamedAlikeGetNumberedSections) {
  mv::AddComponentToINI("C:\\Windows\\A.DLL", mv::AccessAllow);
  mv::AddComponentToINI("C:\\Apps\\a.dll", mv::AccessAsk);
  mv::AddComponentToINI("D:\\Lib\\A.dll", mv::AccessBlock);

  EXPECT_EQ(sectionNames(mv::strComponentsFile), (std::vector<std::string>{"A.DLL", "A.DLL(1)", "A.DLL(2)"}));
  EXPECT_EQ(section("A.DLL(1)"), (std::vector<std::pair<std::string, std::string>>{
                                     {"Path", "C:\\Apps\\a.dll"}, {"Description", "a.dll"}, {"AccessType", "2"}}));
  EXPECT_EQ(section("A.DLL(2)")[0].second, "D:\\Lib\\A.dll");

  ASSERT_EQ(colComponentList.Count(), 3);
  EXPECT_EQ(colComponentList.Item("c:\\windows\\a.dll")->ComponentName, "A.DLL");
  EXPECT_EQ(colComponentList.Item("c:\\apps\\a.dll")->ComponentName, "A.DLL(1)");
  EXPECT_EQ(colComponentList.Item("d:\\lib\\a.dll")->ComponentName, "A.DLL(2)");

  // Reporting the second module again finds its own section.
  EXPECT_EQ(mv::GetComponentSection("A.DLL", "c:\\APPS\\a.dll"), "A.DLL(1)");
  mv::AddComponentToINI("C:\\APPS\\A.DLL", mv::AccessAllow);
  EXPECT_EQ(sectionNames(mv::strComponentsFile).size(), 3u);
  EXPECT_EQ(section("A.DLL(1)")[2].second, "2");
  EXPECT_EQ(colComponentList.Count(), 3);

  // The file loads back in its order, under the section names.
  colComponentList.Clear();
  mv::LoadComponentsFromINI();
  ASSERT_EQ(colComponentList.Count(), 3);
  const auto& second = *colComponentList.Item(2);
  EXPECT_EQ(second.ComponentName + "|" + second.Path + "|" + second.Description, "A.DLL(1)|C:\\Apps\\a.dll|a.dll");
  EXPECT_EQ(second.AccessType, mv::AccessAsk);
  EXPECT_EQ(colComponentList.Item(3)->AccessType, mv::AccessBlock);
}

TEST_F(ComponentStore, KnownComponentChangesItsRightOnlyAtHighControl) {
  mv::AddComponentToINI("C:\\Windows\\B.DLL", mv::AccessAllow);
  mv::AddComponentToINI("C:\\Other\\B.DLL", mv::AccessAllow);
  std::string before = readText("Profiles/Components.MVL");

  mv::ControlLevel = 2;
  mv::AddComponentToINI("C:\\Windows\\B.DLL", mv::AccessAsk);
  mv::AddComponentToINI("C:\\Other\\B.DLL", mv::AccessAsk);
  EXPECT_EQ(readText("Profiles/Components.MVL"), before);
  EXPECT_EQ(colComponentList.Item("c:\\windows\\b.dll")->AccessType, mv::AccessAllow);
  EXPECT_EQ(colComponentList.Item("c:\\other\\b.dll")->AccessType, mv::AccessAllow);

  mv::ControlLevel = 3;
  mv::AddComponentToINI("C:\\Windows\\B.DLL", mv::AccessAsk);
  mv::AddComponentToINI("C:\\Other\\B.DLL", mv::AccessBlock);
  EXPECT_EQ(section("B.DLL")[2].second, "2");
  EXPECT_EQ(section("B.DLL(1)")[2].second, "1");
  EXPECT_EQ(colComponentList.Item("c:\\windows\\b.dll")->AccessType, mv::AccessAsk);
  EXPECT_EQ(colComponentList.Item("c:\\other\\b.dll")->AccessType, mv::AccessBlock);
}

TEST_F(ComponentStore, LoadSkipsDamagedDuplicateAndIncompleteSectionsAndGoesOn) {
  writeSection("EMPTY.DLL", {});
  writeSection("GOOD.DLL", {{"Path", "C:\\good.dll"}, {"Description", "Good"}, {"AccessType", "2"}});
  writeSection("BAD.DLL", {{"Path", "C:\\bad.dll"}, {"Description", "Bad"}, {"AccessType", "300"}});
  writeSection("AGAIN.DLL", {{"Path", "c:\\GOOD.DLL"}, {"Description", "Again"}, {"AccessType", "0"}});
  writeSection("NODESC.DLL", {{"Path", "C:\\nodesc.dll"}, {"Description", ""}, {"AccessType", "0"}});
  writeSection("LAST.DLL", {{"Path", "C:\\last.dll"}, {"Description", "Last"}, {"AccessType", "1"}});

  // Pairs left over from an earlier read never fill a section without entries.
  mv::ReadIniSection(mv::strComponentsFile, "LAST.DLL");

  mv::LoadComponentsFromINI();
  ASSERT_EQ(colComponentList.Count(), 2);
  EXPECT_EQ(colComponentList.Item(1)->ComponentName, "GOOD.DLL");
  EXPECT_EQ(colComponentList.Item(1)->Description, "Good");
  EXPECT_EQ(colComponentList.Item(2)->ComponentName, "LAST.DLL");
  EXPECT_EQ(colComponentList.Item(2)->AccessType, mv::AccessBlock);
  std::string log = errLog();
  EXPECT_NE(log.find("LoadComponentsFromINI of Module mdlComponentControl"), std::string::npos);
  EXPECT_NE(log.find("BAD.DLL"), std::string::npos);
  EXPECT_NE(log.find("AGAIN.DLL"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The page's component list.

class ComponentPage : public ComponentStore {
 protected:
  void SetUp() override {
    ComponentStore::SetUp();
    components.setColumnCount(3);
    components.setSelectionMode(QAbstractItemView::ExtendedSelection);
    removeButton.setEnabled(false);
    details.setPlainText("details");
    controls.lvwComponents = &components;
    controls.cmdComponentRemove = &removeButton;
    controls.rtComponentDetails = &details;
    mv::RegisterProgramControlPage(&controls);
  }
  void TearDown() override {
    mv::RegisterProgramControlPage(nullptr);
    ComponentStore::TearDown();
  }
  std::string rightShown(int row) const { return fromQString(components.topLevelItem(row)->text(2)); }

  QTreeWidget components;
  QPushButton removeButton;
  QTextEdit details;
  mv::ProgramControlPageControls controls;
};

TEST_F(ComponentPage, ReportedComponentsAreShownWithTheirRight) {
  mv::AddComponentToINI("C:\\Windows\\Allow.dll", mv::AccessAllow);
  mv::AddComponentToINI("C:\\Windows\\Block.dll", mv::AccessBlock);
  mv::AddComponentToINI("C:\\Windows\\Ask.dll", mv::AccessAsk);
  ASSERT_EQ(components.topLevelItemCount(), 3);
  QTreeWidgetItem* row = components.topLevelItem(0);
  EXPECT_EQ(fromQString(row->text(0)), "Allow.dll");
  EXPECT_EQ(fromQString(row->text(1)), "Allow.dll");
  EXPECT_EQ(mv::ListItemKey(row), "c:\\windows\\allow.dll");
  EXPECT_EQ(mv::ListItemTag(row), "C:\\Windows\\Allow.dll");
  EXPECT_EQ(rightShown(0), "Allow");
  EXPECT_EQ(rightShown(1), "Block");
  EXPECT_EQ(rightShown(2), "Ask");
  EXPECT_TRUE(removeButton.isEnabled());

  mv::ControlLevel = 3;
  mv::AddComponentToINI("C:\\Windows\\Block.dll", mv::AccessAsk);
  EXPECT_EQ(rightShown(1), "Ask");
  EXPECT_EQ(components.topLevelItemCount(), 3);
}

TEST_F(ComponentPage, RemovingTwentyListsSixteenNamesAndRemovesEverything) {
  for (int i = 1; i <= 20; ++i) mv::AddComponentToINI("C:\\Lib\\Mod" + std::to_string(i) + ".dll", mv::AccessAllow);
  components.selectAll();
  answers.push_back(mv::platform::vbYes);

  mv::removeComponent();

  ASSERT_EQ(messages.size(), 1u);
  const std::string& prompt = messages[0].prompt;
  EXPECT_EQ(prompt.rfind("Do you want to remove the following Component(s)?\r\n", 0), 0u);
  EXPECT_NE(prompt.find("Mod15.dll\r\nMod16.dll .....\r\n"), std::string::npos);
  EXPECT_EQ(prompt.find("Mod17.dll"), std::string::npos);
  EXPECT_EQ(messages[0].buttons, mv::platform::vbYesNo + mv::platform::vbQuestion);
  EXPECT_EQ(messages[0].title, mv::AppTitle);

  EXPECT_EQ(components.topLevelItemCount(), 0);
  EXPECT_EQ(colComponentList.Count(), 0);
  EXPECT_TRUE(sectionNames(mv::strComponentsFile).empty());
  EXPECT_TRUE(details.toPlainText().isEmpty());
}

TEST_F(ComponentPage, RemovingOnlyTheSelectedAfterYesAndNothingAfterNo) {
  for (const char* p : {"C:\\Lib\\One.dll", "C:\\Lib\\Two.dll", "C:\\Lib\\Three.dll"})
    mv::AddComponentToINI(p, mv::AccessAllow);
  components.topLevelItem(1)->setSelected(true);

  answers.push_back(mv::platform::vbNo);
  mv::removeComponent();
  EXPECT_EQ(components.topLevelItemCount(), 3);
  EXPECT_EQ(colComponentList.Count(), 3);

  answers.push_back(mv::platform::vbYes);
  mv::removeComponent();
  EXPECT_EQ(components.topLevelItemCount(), 2);
  EXPECT_FALSE(colComponentList.Contains("c:\\lib\\two.dll"));
  EXPECT_EQ(sectionNames(mv::strComponentsFile), (std::vector<std::string>{"ONE.DLL", "THREE.DLL"}));
  EXPECT_EQ(details.toPlainText().toStdString(), "details");
}

TEST_F(ComponentPage, NothingSelectedAsksNothing) {
  mv::AddComponentToINI("C:\\Lib\\One.dll", mv::AccessAllow);
  mv::removeComponent();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(colComponentList.Count(), 1);
}

}  // namespace
}  // namespace mvtest
