#pragma once
// One way to say "it failed, and why" for the programs: a value, or an
// Error that names what failed, the reason in words a person can read, and
// the system's code where the system gave one.

#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace vexla {

struct Error {
    std::string what;        // what failed: a file, a function, an option; may be empty
    std::string reason;      // why, for a person
    std::error_code code{};  // the system's code, when the failure came from the system

    // "what: reason", or the reason alone.
    std::string Text() const { return what.empty() ? reason : what + ": " + reason; }
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}      // NOLINT: a value converts
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: so does an error

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // Only when Ok().
    T& Value() { return std::get<0>(state_); }
    const T& Value() const { return std::get<0>(state_); }
    T& operator*() { return Value(); }
    const T& operator*() const { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

    // Only when !Ok().
    const Error& Failure() const { return std::get<1>(state_); }

  private:
    std::variant<T, Error> state_;
};

// A result that carries no value: done, or why not.
struct Done {};
using Status = Result<Done>;

}  // namespace vexla
