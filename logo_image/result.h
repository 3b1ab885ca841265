// What a reader or parser makes: the value, or the reason it could not.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace logo {

struct Failure {
  std::string reason;
};

template <typename T>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Failure failure) : state_(std::move(failure)) {}

  explicit operator bool() const { return state_.index() == 0; }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const T& operator*() const& { return value(); }
  const T* operator->() const { return &value(); }
  // Empty when the value is there.
  const std::string& reason() const {
    static const std::string none;
    return *this ? none : std::get<1>(state_).reason;
  }

 private:
  std::variant<T, Failure> state_;
};

}  // namespace logo
