#pragma once
// A program folder with the default settings files and the program-control
// globals as start-up leaves them.
#include <string>
#include <utility>
#include <vector>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "platform/Icons.h"
#include "platform/PrivateProfile.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"
#include "programs/mdlProgramControlLists.h"
#include "tests/support/TestEnv.h"

namespace mvtest {

class ProgramStoreTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    installDefaults();
    resetStoreGlobals();
    // The shipped defaults for new programs: Ask everywhere.
    mv::DefaultAccessTrusted = mv::DefaultAccessInternet = mv::DefaultServerTrusted = mv::DefaultServerInternet =
        mv::AccessAsk;
    mv::ControlLevel = 2;
  }
  void TearDown() override {
    mv::platform::setFileIconHandler(nullptr);
    mv::ResetProgramControlGlobals();
    mv::ResetComponentControlGlobals();
    ProgramFolderTest::TearDown();
  }

  // The entries of a section as they stand in the file: keys in file order,
  // values unscrambled.
  static std::vector<std::pair<std::string, std::string>> sectionEntries(const std::string& file,
                                                                         const std::string& section) {
    std::vector<std::pair<std::string, std::string>> out;
    auto data = mv::platform::profileRead(file);
    if (const auto* s = data->section(section))
      for (const auto& e : s->entries) out.emplace_back(e.key, mv::DecryptString(e.value, s->name));
    return out;
  }
  static std::vector<std::string> sectionNames(const std::string& file) {
    std::vector<std::string> out;
    for (const auto& s : mv::platform::profileRead(file)->sections()) out.push_back(s.name);
    return out;
  }
  std::string errLog() const { return readText("Err.log"); }

  // Adds a program the way the page and the engine handlers do: file
  // properties first, then the store.
  static void addProgram(const std::string& path, int r1 = mv::DefaultRight, int r2 = mv::DefaultRight,
                         int r3 = mv::DefaultRight, int r4 = mv::DefaultRight) {
    mv::getFileProperty(path);
    mv::AddProgramControlToINI(mv::tblFileInfo.FileDescription, r1, r2, r3, r4);
  }
};

}  // namespace mvtest
