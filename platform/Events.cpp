#include "platform/Events.h"

#include <QCoreApplication>

namespace mv::platform {
void pumpEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}
}  // namespace mv::platform
