#pragma once
// The subclassing kit as an object: each operation forwards to the module.
#include "core/MSubclass.h"

namespace mv {

class GSubclass {
 public:
  void AttachMessage(ISubclass* client, QObject* hWnd, int iMsg) { mv::AttachMessage(client, hWnd, iMsg); }
  void DetachMessage(ISubclass* client, QObject* hWnd, int iMsg) { mv::DetachMessage(client, hWnd, iMsg); }
  long CurrentMessage() const { return mv::CurrentMessage(); }
  long CallOldWindowProc(QObject* hWnd, QEvent* event) { return mv::CallOldWindowProc(hWnd, event); }
};

}  // namespace mv
