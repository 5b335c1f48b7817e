#pragma once

// Reading `run`'s `args` from Python as a command line of UTF-8 strings.

#include <string>
#include <vector>

#include "python/py_error.hpp"

namespace tavvik::python {

/// Reads `run`'s `args` as a command line: a sequence (never a single `str`) of `str`, each
/// copied as UTF-8. The first failure ends it, and a plain `TypeError` names the parameter.
PyResult<std::vector<std::string>> extract_argument_list(PyObject* args);

}  // namespace tavvik::python
