#include "core/FormSeams.h"

#include "core/FormHooks.h"
#include "core/frmLogin.h"
#include "platform/GuiSeams.h"
#include "programs/mdlProgramControlLists.h"
#include "rules/frmApplying.h"

namespace mv {

void InstallFormSeams() {
  platform::installGuiSeams();
  hooks::ShowLogin = ShowLoginForm;
  hooks::ApplyingProgress = ShowApplyingProgress;
  hooks::UnloadApplying = UnloadApplyingForm;
  InstallProgramListHooks();
}

}  // namespace mv
