#include "rules/EngineState.h"

#include <string>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/FormHooks.h"
#include "rules/NetworkCommands.h"
#include "rules/mdlDefineRules.h"

namespace mv {

namespace {
EngineState& recorded() {
  static EngineState state = EngineState::Normal;
  return state;
}
}  // namespace

EngineState CurrentEngineState() { return recorded(); }

void SetEngineState(EngineState state) {
  recorded() = state;
  blnNetworkLocked = state == EngineState::Locked;
  blnNetworkStopped = state == EngineState::Stopped;
  ShowEngineState();
}

void ShowEngineState() {
  switch (recorded()) {
    case EngineState::Normal:
      hooks::Call(hooks::TrayImage, trayNormal);
      hooks::Call(hooks::LockButton, buttonNormal, std::string("Lock"));
      hooks::Call(hooks::TrayStopCheck, false);
      hooks::Call(hooks::TrayLockCheck, false);
      break;
    case EngineState::Locked:
    case EngineState::Stopped: {
      const bool stopped = recorded() == EngineState::Stopped;
      // The tray picture shows the state only while the tray follows the
      // traffic; otherwise it stays at rest.
      if (SystemTray == 1) hooks::Call(hooks::TrayImage, stopped ? trayStopped : trayLocked);
      hooks::Call(hooks::LockButton, buttonLockedOrStopped, std::string("Unlock"));
      hooks::Call(hooks::TrayLockCheck, true);
      hooks::Call(hooks::TrayStopCheck, stopped);
      break;
    }
  }
}

}  // namespace mv
