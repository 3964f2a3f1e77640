#pragma once
// A facility of the operating system or the desktop, reached through one
// replaceable function. The built-in implementation needs no windows; the
// forms layer installs the one that shows windows; a test replaces either
// with a scripted one, and resetSeams() takes every replacement back.
#include <functional>
#include <utility>
#include <vector>

namespace mv::platform {

namespace detail {
inline std::vector<std::function<void()>>& seamResets() {
  static std::vector<std::function<void()>> resets;
  return resets;
}
}  // namespace detail

// Takes back every test replacement of every seam.
inline void resetSeams() {
  for (auto& reset : detail::seamResets()) reset();
}

template <class Signature>
class Seam;

template <class R, class... Args>
class Seam<R(Args...)> {
 public:
  using Function = std::function<R(Args...)>;

  explicit Seam(Function builtin) : builtin_(std::move(builtin)) {
    detail::seamResets().push_back([this] { replaced_ = nullptr; });
  }
  Seam(const Seam&) = delete;
  Seam& operator=(const Seam&) = delete;

  R operator()(Args... args) const {
    const Function& f = replaced_ ? replaced_ : (installed_ ? installed_ : builtin_);
    return f(std::forward<Args>(args)...);
  }
  // The implementation the program uses (the forms layer's, with windows).
  void install(Function f) { installed_ = std::move(f); }
  // A test's implementation; an empty one takes the replacement back.
  void replace(Function f) { replaced_ = std::move(f); }

 private:
  Function builtin_, installed_, replaced_;
};

}  // namespace mv::platform
