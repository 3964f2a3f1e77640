#pragma once
// A client of window subclassing: it registers for messages of a window and
// handles them in its WindowProc. Messages are the window's Qt event types;
// the event carries the message's data and takes its answer.
class QEvent;
class QObject;

namespace mv {

class ISubclass {
 public:
  // What the client wants done with the window's own handling of a message.
  enum EMsgResponse : long {
    emrConsume = 0,      // not called: the clients consume the message
    emrPostProcess = 1,  // called after the clients
    emrPreprocess = 2,   // called before the clients
  };

  virtual ~ISubclass() = default;
  virtual long MsgResponse() const = 0;
  virtual void MsgResponse(long response) = 0;
  virtual long WindowProc(QObject* hWnd, int iMsg, QEvent* event) = 0;
};

}  // namespace mv
