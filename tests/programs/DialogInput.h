#pragma once
// Keyboard and clipboard input for the dialog tests, sent to the real
// controls as the user's keys and pastes would reach them.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <string>

namespace mvtest {

inline void sendKey(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

// Types the text into the box key by key, as the user would.
inline void typeInto(QLineEdit* box, const std::string& text) {
  box->setFocus();
  for (char c : text) {
    int key = c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : (c >= 'A' && c <= 'Z' ? Qt::Key_A + (c - 'A') : c);
    sendKey(box, key, QString(QChar(c)));
  }
}

inline void pasteInto(QLineEdit* box, const QString& text) {
  QApplication::clipboard()->setText(text);
  box->setFocus();
  box->paste();
}

}  // namespace mvtest
