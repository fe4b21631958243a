#include "base/system_error.h"

#include <system_error>
#include <utility>

namespace vexla {

Error ErrnoError(std::string what, int error) {
    const std::error_code code(error, std::generic_category());
    return Error{std::move(what), code.message(), code};
}

}  // namespace vexla
