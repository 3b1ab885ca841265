// What a reader or parser makes: the value, or the reason it could not.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace logo {

struct Failure {
  std::string reason;
};

// `Error` is Failure unless a caller needs to tell failures apart.
template <typename T, typename Error = Failure>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  explicit operator bool() const { return state_.index() == 0; }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const T& operator*() const& { return value(); }
  const T* operator->() const { return &value(); }
  // Empty when the value is there.
  const std::string& reason() const requires std::is_same_v<Error, Failure> {
    static const std::string none;
    return *this ? none : std::get<1>(state_).reason;
  }
  // Only when there is no value.
  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// What an action that makes nothing returns: nothing when it succeeded,
// else the reason it did not.
template <typename Error>
class Result<void, Error> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)) {}

  explicit operator bool() const { return !error_.has_value(); }
  const std::string& reason() const requires std::is_same_v<Error, Failure> {
    static const std::string none;
    return error_ ? error_->reason : none;
  }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

using Status = Result<void>;

}  // namespace logo
