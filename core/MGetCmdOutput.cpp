#include "core/MGetCmdOutput.h"

#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Process.h"

namespace mv {

long lngCommandTimeLimitMs = kCommandTimeLimitMs;

std::string GetCommandOutput(const std::string& commandLine, bool blnStdOut, bool blnStdErr, bool blnOEMConvert) {
  (void)blnOEMConvert;
  if (!blnStdOut && !blnStdErr) RaiseError(errInvalidCall);
  platform::CommandResult r =
      platform::runCommand(commandLine, blnStdOut, blnStdErr, std::chrono::milliseconds(lngCommandTimeLimitMs));
  if (r.status == platform::CommandStatus::NotStarted)
    WriteErrorLog("The command could not be started (" + commandLine + ")", "GetCommandOutput of MGetCmdOutput");
  if (r.status == platform::CommandStatus::TimedOut)
    WriteErrorLog("The command did not end within " + Str(lngCommandTimeLimitMs / 1000.0) +
                      " seconds and was ended (" + commandLine + ")",
                  "GetCommandOutput of MGetCmdOutput");
  return r.output;
}

}  // namespace mv
