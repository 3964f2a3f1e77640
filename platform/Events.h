#pragma once
// Lets the window events that are waiting run (menus, toolbar, tray, timers),
// as long operations do between their steps.
namespace mv::platform {
void pumpEvents();
}  // namespace mv::platform
