#include "platform/Dialogs.h"

#include <iostream>

#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {

int consoleMessage(const std::string& prompt, int buttons, const std::string& title) {
  std::cerr << title << ": " << prompt << "\n";
  switch (buttons & 0x0F) {
    case vbAbortRetryIgnore: return vbAbort;
    case vbYesNoCancel:
    case vbYesNo: return vbYes;
    case vbRetryCancel: return vbRetry;
    default: return vbOK;
  }
}

Seam<int(const std::string&, int, const std::string&)>& msgBox() {
  static Seam<int(const std::string&, int, const std::string&)> seam(consoleMessage);
  return seam;
}

Seam<std::optional<std::string>(const std::string&, const std::string&, const std::string&)>& inputBox() {
  static Seam<std::optional<std::string>(const std::string&, const std::string&, const std::string&)> seam(
      [](const std::string&, const std::string&, const std::string&) { return std::optional<std::string>(); });
  return seam;
}

Seam<std::optional<FileDialogResult>(FileDialogKind, const FileDialogOptions&)>& fileDialog() {
  static Seam<std::optional<FileDialogResult>(FileDialogKind, const FileDialogOptions&)> seam(
      [](FileDialogKind, const FileDialogOptions&) { return std::optional<FileDialogResult>(); });
  return seam;
}

Seam<void(const std::string&, const std::string&)>& notice() {
  static Seam<void(const std::string&, const std::string&)> seam([](const std::string& text, const std::string& title) {
    if (!text.empty()) std::cerr << title << ": " << text << "\n";
  });
  return seam;
}

}  // namespace

void ShowNotice(const std::string& text, const std::string& title) { notice()(text, title); }
void setNoticeHandler(NoticeHandler handler) { notice().replace(std::move(handler)); }
void installNotice(NoticeHandler handler) { notice().install(std::move(handler)); }

// Each modal window belongs to the action that shows it (ModalWindowUp).
int MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  ModalWindowUp modal;
  return msgBox()(prompt, buttons, title);
}
void setMsgBoxHandler(MsgBoxHandler handler) { msgBox().replace(std::move(handler)); }
void installMsgBox(MsgBoxHandler handler) { msgBox().install(std::move(handler)); }

std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                    const std::string& defaultText) {
  ModalWindowUp modal;
  return inputBox()(prompt, title, defaultText);
}
void setInputBoxHandler(InputBoxHandler handler) { inputBox().replace(std::move(handler)); }
void installInputBox(InputBoxHandler handler) { inputBox().install(std::move(handler)); }

namespace {
// A dialog answers as the operating system names the file; the answer enters
// as it came (systemPath). A "\" in it would part a name the user chose
// into folders the system looks for without regard to case, and so name
// another file: such a name is refused, as the dialog itself refuses a name
// it cannot take, with its own title, and counts as cancelled.
std::optional<FileDialogResult> answered(FileDialogKind kind, const FileDialogOptions& options) {
  std::optional<FileDialogResult> chosen;
  {
    ModalWindowUp modal;
    chosen = fileDialog()(kind, options);
  }
  if (!chosen) return chosen;
  if (chosen->FileName.find('\\') != std::string::npos) {
    MsgBox(chosen->FileName + "\r\nThis name cannot be used: a file name here cannot hold \"\\\".\r\n"
               "Please choose another name.",
           vbExclamation, options.DialogTitle);
    return std::nullopt;
  }
  chosen->FileName = systemPath(chosen->FileName);
  return chosen;
}
}  // namespace

std::optional<FileDialogResult> ShowOpen(const FileDialogOptions& options) {
  return answered(FileDialogKind::Open, options);
}
std::optional<FileDialogResult> ShowSave(const FileDialogOptions& options) {
  return answered(FileDialogKind::Save, options);
}
void setFileDialogHandler(FileDialogHandler handler) { fileDialog().replace(std::move(handler)); }
void installFileDialog(FileDialogHandler handler) { fileDialog().install(std::move(handler)); }

}  // namespace mv::platform
