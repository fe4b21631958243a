#pragma once
// For a program that imports the driver at load time: the table of the
// exports it names, taken from the linker. Only the named ones enter the
// program's import table, so the list is the program's contract with the
// loader:
//
//   #define KESTROW_IMPORTS(X) X(SetNetSegment) X(GetNewData32Ch) ...
//   const DriverFunctions f = VEXLA_IMPORTED_FUNCTIONS(KESTROW_IMPORTS);

#include "host/driver_exports.h"

#define VEXLA_IMPORT_ONE(name) functions.name = &::name;
#define VEXLA_IMPORTED_FUNCTIONS(LIST)            \
    [] {                                          \
        ::vexla::host::DriverFunctions functions; \
        LIST(VEXLA_IMPORT_ONE)                    \
        return functions;                         \
    }()
