#include "rules/NetworkCommands.h"

#include "core/FormHooks.h"
#include "core/MGetCmdOutput.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "rules/RuleInputs.h"
#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"

namespace mv {

namespace {

void showLockedOrStopped(int trayImage) {
  if (SystemTray == 1) hooks::Call(hooks::TrayImage, trayImage);
  hooks::Call(hooks::LockButton, buttonLockedOrStopped, std::string("Unlock"));
}

bool mainLoaded() { return hooks::MainLoaded && hooks::MainLoaded(); }
}  // namespace

bool LockNetwork(bool askLogin) {
  bool result = false;
  try {
    if (blnApplying || (askLogin && !CheckLogin())) return false;
    if (!LoadBlockingRules(true)) return false;
    hooks::Call(hooks::TrayLockCheck, true);
    result = true;
    hooks::Call(hooks::CloseAlertPopup);
    showLockedOrStopped(trayLocked);
    ResetEventReader();
    blnNetworkLocked = true;
    blnReadEvents = true;
  } catch (const std::exception& e) {
    WriteErrorLog(e, "LockNetwork of Form MDIMain");
  }
  return result;
}

bool StopNetwork(bool askLogin) {
  bool result = false;
  try {
    if (blnApplying || (askLogin && !CheckLogin())) return false;
    blnApplying = true;
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
    if (!started) {
      // The block-all rules are not known to be in force: the state shown
      // stays as it was.
      if (written) ShowServiceNotStartedMessage();
      else ShowRuleFileNotWritten("StopNetwork of Form MDIMain");
      blnReadEvents = true;
      blnApplying = false;
      return false;
    }
    hooks::Call(hooks::TrayStopCheck, true);
    hooks::Call(hooks::TrayLockCheck, true);
    result = true;
    showLockedOrStopped(trayStopped);
    blnNetworkStopped = true;
    ResetEventReader();
    blnReadEvents = true;
    blnApplying = false;
  } catch (const std::exception& e) {
    blnApplying = false;
    WriteErrorLog(e, "StopNetwork of Form MDIMain");
  }
  return result;
}

bool ReStartService() {
  bool result = false;
  try {
    if (blnApplying || !CheckLogin()) return false;
    blnRestartingService = true;
    bool ok = true;
    if (!blnFormLoading) ok = LoadBlockingRules(false);
    blnRestartingService = false;
    if (!ok) return false;
    result = true;
    hooks::Call(hooks::CloseAlertPopup);
    hooks::Call(hooks::TrayImage, trayNormal);
    hooks::Call(hooks::LockButton, buttonNormal, std::string("Lock"));
    blnNetworkStopped = false;
    blnNetworkLocked = false;
    hooks::Call(hooks::TrayStopCheck, false);
    hooks::Call(hooks::TrayLockCheck, false);
  } catch (const std::exception& e) {
    blnRestartingService = false;
    WriteErrorLog(e, "ReStartService of Form MDIMain");
  }
  return result;
}

}  // namespace mv
