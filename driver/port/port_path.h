#pragma once
// Where a port name leads on POSIX. Names of the form "COMn" (any case) are
// looked up as Wine does it: the link <config>/vexla/dosdevices/comn if it
// exists, else /dev/ttyS<n-1>. Any other name is a path, used unchanged.

#include <string>

namespace vexla {

// configHome: $XDG_CONFIG_HOME, or $HOME/.config when that is unset.
std::string ResolvePortPath(const std::string& name, const std::string& configHome);
std::string DefaultConfigHome();

}  // namespace vexla
