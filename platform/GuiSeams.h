#pragma once
// Installs the platform seams that show windows: the message box, the input
// box, the open and save dialogs and the properties sheet.
namespace mv::platform {

void installGuiSeams();

}  // namespace mv::platform
