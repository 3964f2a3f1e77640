// Every hook that modules call is listed and reaches a loaded form.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "alerts/frmDisplay.h"
#include "core/FormControls.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "core/FormHooks.h"
#include "rules/EngineState.h"
#include "tests/e2e/FrontEndFixture.h"

using namespace mv;

namespace {

using Hooks = mvtest::FrontEndTest;

// Every hook that modules call is listed, and after start-up with the forms
// loaded each one reaches its form.
TEST_F(Hooks, EveryHookReachesALoadedForm) {
  std::string header = mvtest::slurp(std::string(MV_SOURCE_DIR) + "/core/FormHooks.h");
  std::set<std::string> declared;
  std::regex hook(R"(inline std::function<[\s\S]*?>\s*(\w+);)");
  for (std::sregex_iterator it(header.begin(), header.end(), hook), end; it != end; ++it)
    declared.insert((*it)[1].str());
  ASSERT_GT(declared.size(), 20u);

  installDefaults();
  Main();
  LoadTimerForm();
  // Every page, and the alert pop-up.
  MDIMain* m = MDIMainIfLoaded();
  ASSERT_NE(m, nullptr);
  m->FireWall_Click();
  m->ProgramControl_Click();
  m->Alerts_Logs_Click();
  m->Settings_Click();
  LoadForm<frmDisplay>();
  std::set<std::string> listed;
  for (const auto& [name, set] : hooks::HookTable()) {
    listed.insert(name);
    EXPECT_TRUE(set) << name << " has no form that sets it";
  }
  EXPECT_EQ(listed, declared);

  // Once the forms are gone their hooks are empty, and the modules that call
  // them go on without them.
  delete LoadedForm<frmDisplay>();
  delete TimerFormIfLoaded();
  UnloadMDIMain();
  const std::set<std::string> ofForms = {"TrayImage",        "LockButton",       "CloseAlertPopup",
                                         "SettingsCounters", "ProgramRowActive", "ReadEngineEvents"};
  for (const auto& [name, set] : hooks::HookTable()) {
    if (ofForms.count(name)) {
      EXPECT_FALSE(set) << name << " outlives its form";
    }
  }
  SetEngineState(EngineState::Locked);
  SaveAlertSummary();
  hooks::Call(hooks::CloseAlertPopup);
  EXPECT_EQ(CurrentEngineState(), EngineState::Locked);
}

}  // namespace
