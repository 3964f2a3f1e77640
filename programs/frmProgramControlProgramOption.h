#pragma once
// The per-program options dialog: allowed ports, server presets, ICMP and
// IGMP, and authentication of one program.
#include <string>

namespace mv {

// Shows the options of the listed program with this path (as stored in its
// section; looked up without regard to case) modally; returns when the
// dialog has closed.
void ShowProgramOptions(const std::string& path);

}  // namespace mv
