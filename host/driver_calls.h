#pragma once
// The driver as an object: each export a member function, so that a
// program's model runs against the real library and against a fake in its
// tests. An export a fake leaves alone does nothing and returns zero.

#include "host/driver_exports.h"

namespace vexla::host {

namespace detail {
template <typename... Arguments>
constexpr void Ignore(const Arguments&...) {}
}  // namespace detail

class DriverCalls {
  public:
    virtual ~DriverCalls() = default;

#define VEXLA_EXPORT_DEFAULT(result, name, parameters, arguments, ordinal) \
    virtual result name parameters {                                       \
        detail::Ignore arguments;                                          \
        return result();                                                   \
    }
    VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_DEFAULT)
#undef VEXLA_EXPORT_DEFAULT
};

// Calls through a table of addresses; an export the table lacks is skipped.
class BoundDriver final : public DriverCalls {
  public:
    explicit BoundDriver(const DriverFunctions& functions) : functions_(functions) {}

#define VEXLA_EXPORT_FORWARD(result, name, parameters, arguments, ordinal) \
    result name parameters override {                                      \
        if (functions_.name == nullptr) return result();                   \
        return functions_.name arguments;                                  \
    }
    VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_FORWARD)
#undef VEXLA_EXPORT_FORWARD

  private:
    DriverFunctions functions_;
};

// Passes every call on to another driver; a program's wrapper overrides
// the calls it watches.
class ForwardingDriver : public DriverCalls {
  public:
    explicit ForwardingDriver(DriverCalls& inner) : inner_(inner) {}

#define VEXLA_EXPORT_PASS_ON(result, name, parameters, arguments, ordinal) \
    result name parameters override {                                      \
        return inner_.name arguments;                                      \
    }
    VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_PASS_ON)
#undef VEXLA_EXPORT_PASS_ON

  private:
    DriverCalls& inner_;
};

}  // namespace vexla::host
