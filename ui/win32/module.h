#pragma once
// The module (exe or DLL) this library is linked into: window classes are
// registered for it, so that a DLL's classes never clash with its host's.

#include <windows.h>

namespace vexla::ui {

HINSTANCE CurrentModule();

}  // namespace vexla::ui
