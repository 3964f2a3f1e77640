#include "rules/NetworkCommands.h"

#include <QScopeGuard>

#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/MGetCmdOutput.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "rules/EngineState.h"
#include "rules/RuleInputs.h"
#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"

namespace mv {

namespace {
bool mainLoaded() { return hooks::Ask(hooks::MainLoaded, false); }

// After a command that restarted the engine: the engine runs in `state`, the
// pop-up is settled and the event reader starts again at the first line.
void engineRunsIn(EngineState state) {
  hooks::Call(hooks::CloseAlertPopup);
  SetEngineState(state);
  ResetEventReader();
}
}  // namespace

bool LockNetwork(bool askLogin) {
  return ErrorBoundary("LockNetwork of Form MDIMain", false, [&] {
    if (blnShuttingDown || blnApplying || (askLogin && !CheckLogin())) return false;
    if (!LoadBlockingRules(true)) return false;
    engineRunsIn(EngineState::Locked);
    return true;
  });
}

bool StopNetwork(bool askLogin) {
  return ErrorBoundary("StopNetwork of Form MDIMain", false, [&] {
    if (blnShuttingDown || blnApplying || (askLogin && !CheckLogin())) return false;
    // Every way out lets Apply, Lock and Stop run again and events be read.
    blnApplying = true;
    auto done = qScopeGuard([] {
      blnReadEvents = true;
      blnApplying = false;
    });
    hooks::Call(hooks::CloseAlertPopup);
    if (mainLoaded()) {
      hooks::Call(hooks::MainBusy, true);
      ShowApplyingForm(10, 2);
    }
    // The block-all template is written before the service is stopped: when
    // it cannot be written the engine keeps running on the rules it has.
    if (strRuleFile.empty()) strRuleFile = RuleFilePath();
    bool written = WriteRuleTemplate("BLOCKALL.CONF");
    bool started = false;
    if (written) {
      GetCommandOutput("net stop mvs", true, true, true);
      ShowApplyingForm(50, 0);
      started = RunNetStart();
    }
    ShowApplyingForm(100, 0);
    EndApplyingForm();
    if (!written) {
      ShowRuleFileNotWritten("StopNetwork of Form MDIMain");
      return false;
    }
    // Stopped either way: with the block-all rules, or with no service.
    engineRunsIn(EngineState::Stopped);
    if (!started) ShowServiceNotStartedMessage();
    return started;
  });
}

bool ReStartService() {
  return ErrorBoundary("ReStartService of Form MDIMain", false, [&] {
    if (blnShuttingDown || blnApplying || !CheckLogin()) return false;
    bool ok = true;
    {
      blnRestartingService = true;
      auto done = qScopeGuard([] { blnRestartingService = false; });
      if (!blnFormLoading) ok = LoadBlockingRules(false);
    }
    if (!ok) return false;
    hooks::Call(hooks::CloseAlertPopup);
    SetEngineState(EngineState::Normal);
    return true;
  });
}

}  // namespace mv
