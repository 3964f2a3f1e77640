#pragma once
// Message boxes and input boxes. Each goes through one replaceable function,
// so a test can script the answer instead of blocking on a modal window.
#include <functional>
#include <string>

namespace mv::platform {

// Buttons and icons, combined by adding them.
enum : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbAbortRetryIgnore = 2,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbRetryCancel = 5,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
};
// Answers.
enum : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

using MsgBoxHandler = std::function<int(const std::string& prompt, int buttons, const std::string& title)>;

// Shows a message box and returns the button chosen.
int MsgBox(const std::string& prompt, int buttons, const std::string& title);

// Replaces the message box (tests); an empty handler puts the real one back.
void setMsgBoxHandler(MsgBoxHandler handler);

}  // namespace mv::platform
