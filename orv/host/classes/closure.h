// TClosure: an event handler, "a callable bound to an object". Made from an
// object and one of its member functions, or from any callable (tools and
// tests). Empty when unassigned; callers test it before each call. Two
// closures are equal when they call the same member function of the same
// object (or are copies of the same callable), so a component can tell
// whether another component's event still holds its own handler.
// A value type; not synchronised.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

namespace orv {

template <class... Args>
class TClosure {
 public:
  TClosure() = default;
  TClosure(std::nullptr_t) {}  // NOLINT: lets "event = nullptr" unassign

  // Binds method of obj. obj must outlive the closure's calls.
  template <class C, class R>
  TClosure(C* obj, R (C::*method)(Args...)) : data_(obj) {
    static_assert(sizeof(method) <= sizeof(code_), "member function pointer too large");
    std::memcpy(code_.data(), &method, sizeof(method));
    fn_ = [obj, method](Args... args) { (obj->*method)(std::forward<Args>(args)...); };
  }

  // Binds any callable; data names the object it belongs to (may be null).
  // Each call of FromCallable makes a closure equal only to its own copies.
  template <class F>
  static TClosure FromCallable(F f, const void* data = nullptr) {
    TClosure c;
    c.data_ = data;
    const uint64_t id = NextId();
    std::memcpy(c.code_.data(), &id, sizeof id);
    c.code_.back() = 1;  // never equal to a member function's bytes with id tag
    c.fn_ = std::move(f);
    return c;
  }

  explicit operator bool() const { return static_cast<bool>(fn_); }
  bool Assigned() const { return static_cast<bool>(fn_); }

  // REQUIRES: Assigned().
  void operator()(Args... args) const { fn_(std::forward<Args>(args)...); }

  // The object the handler is bound to (null for an unbound callable).
  const void* Data() const { return data_; }

  friend bool operator==(const TClosure& a, const TClosure& b) {
    if (!a.fn_ || !b.fn_) return !a.fn_ && !b.fn_;
    return a.data_ == b.data_ && a.code_ == b.code_;
  }

 private:
  static uint64_t NextId() {
    static std::atomic<uint64_t> next{1};
    return next++;
  }

  const void* data_ = nullptr;
  std::array<unsigned char, 24> code_{};
  std::function<void(Args...)> fn_;
};

class TObject;
// The plain event: only the sender.
using TNotifyEvent = TClosure<TObject*>;

}  // namespace orv
