#pragma once
// The error boundary of a procedure: the body runs; an error it raises is
// written to Err.log as "<date> <time>  <where>: <description>" and ends the
// procedure there, with no message and no retry.
#include <exception>
#include <string>
#include <utility>

#include "core/mdlMain.h"

namespace mv {

// True when the body ran to its end, false when it raised an error.
template <class Body>
bool ErrorBoundary(const std::string& where, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const std::exception& e) {
    WriteErrorLog(e, where);
    return false;
  }
}

// The body's result, or `fallback` when it raised an error.
template <class R, class Body>
R ErrorBoundary(const std::string& where, R fallback, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const std::exception& e) {
    WriteErrorLog(e, where);
    return fallback;
  }
}

}  // namespace mv
