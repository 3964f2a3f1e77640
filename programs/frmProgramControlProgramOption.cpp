#include "programs/frmProgramControlProgramOption.h"

namespace mv {

void ShowProgramOptions(const std::string& /*path*/) {}

}  // namespace mv
