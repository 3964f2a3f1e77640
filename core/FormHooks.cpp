#include "core/FormHooks.h"

namespace mv::hooks {

#define MV_HOOK_ROW(name) {#name, static_cast<bool>(name)}

std::vector<std::pair<std::string, bool>> HookTable() {
  return {
      MV_HOOK_ROW(TrayImage),        MV_HOOK_ROW(TrayLockCheck),
      MV_HOOK_ROW(TrayStopCheck),    MV_HOOK_ROW(RemoveTrayIcon),
      MV_HOOK_ROW(TrayPresent),      MV_HOOK_ROW(ReadEngineEvents),
      MV_HOOK_ROW(FlushAlertQueue),  MV_HOOK_ROW(LockButton),
      MV_HOOK_ROW(MainBusy),         MV_HOOK_ROW(MainLoaded),
      MV_HOOK_ROW(CloseAlertPopup),  MV_HOOK_ROW(ShowLogin),
      MV_HOOK_ROW(ApplyingProgress), MV_HOOK_ROW(UnloadApplying),
      MV_HOOK_ROW(SettingsCounters), MV_HOOK_ROW(SettingsProgramSummary),
      MV_HOOK_ROW(ProgramRowAdded),  MV_HOOK_ROW(ProgramRowRights),
      MV_HOOK_ROW(ComponentRowAdded), MV_HOOK_ROW(ComponentRowRight),
  };
}

#undef MV_HOOK_ROW

}  // namespace mv::hooks
