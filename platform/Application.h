#pragma once
// Ending the program at once (the End statement of the original program).
// Tests replace the handler so that an end can be observed.
#include <functional>

namespace mv::platform {

[[noreturn]] void EndProgram();
// The handler must not return (it may throw); an empty one restores the
// default, which ends the process.
void setEndProgramHandler(std::function<void()> handler);

}  // namespace mv::platform
