#include "platform/Application.h"

#include <cstdlib>

namespace mv::platform {
namespace {
std::function<void()>& handler() {
  static std::function<void()> h;
  return h;
}
}  // namespace

void EndProgram() {
  if (handler()) handler()();
  std::exit(0);
}

void setEndProgramHandler(std::function<void()> h) { handler() = std::move(h); }

}  // namespace mv::platform
