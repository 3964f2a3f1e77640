#pragma once
// Message boxes, input boxes and the open and save dialogs. Each goes
// through one replaceable function, so a test can script the answer instead
// of blocking on a modal window. Without windows (a console tool, before the
// forms layer has installed its dialogs) a message goes to the error stream
// and is answered with its first button; the other dialogs are cancelled.
#include <functional>
#include <optional>
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
// The forms layer's message box, used unless a test replaces it.
void installMsgBox(MsgBoxHandler handler);

// A word on screen while the program waits (a small window without
// buttons, not modal); "" takes it down. A test replaces it to see it.
using NoticeHandler = std::function<void(const std::string& text, const std::string& title)>;
void ShowNotice(const std::string& text, const std::string& title);
void setNoticeHandler(NoticeHandler handler);
void installNotice(NoticeHandler handler);

// An input box: the text typed, or nothing when the user cancelled.
using InputBoxHandler =
    std::function<std::optional<std::string>(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText)>;
std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                    const std::string& defaultText = "");
void setInputBoxHandler(InputBoxHandler handler);
void installInputBox(InputBoxHandler handler);

// The open and save dialogs of the main window's common dialog.
struct FileDialogOptions {
  std::string DialogTitle;
  // "Description|pattern|Description|pattern", as the common dialog takes it.
  std::string Filter;
  std::string InitDir;
  std::string FileName;
};
struct FileDialogResult {
  std::string FileName;   // the chosen file's full path
  std::string FileTitle;  // its name without the folder
};
// A handler answers the native path the user chose, as the operating
// system's dialog does; ShowOpen and ShowSave hand it on as it came
// (platform/Paths.h, systemPath). A name holding "\" is refused with a
// message titled like the dialog, and the dialog counts as cancelled.
enum class FileDialogKind { Open, Save };
using FileDialogHandler =
    std::function<std::optional<FileDialogResult>(FileDialogKind kind, const FileDialogOptions& options)>;
// The file chosen, or nothing when the user cancelled.
std::optional<FileDialogResult> ShowOpen(const FileDialogOptions& options);
std::optional<FileDialogResult> ShowSave(const FileDialogOptions& options);
void setFileDialogHandler(FileDialogHandler handler);
void installFileDialog(FileDialogHandler handler);

}  // namespace mv::platform
