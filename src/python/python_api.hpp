#pragma once

// The interpreter's C API, PyPy's or CPython's, for every file of the module.
// PyPy's headers rename every C-API symbol to its "PyPy" form, so the module links against
// whatever interpreter loads it. Always include the interpreter's API through this header.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
