#pragma once

// Binding the arguments of a call of `run` to its one parameter, `args`.

#include "python/py_error.hpp"

namespace tavvik::python {

/// Binds the fast-call arguments of `run(args)` to its one parameter, by position or keyword.
/// The first offending argument decides the `TypeError`; the bound value is borrowed from the
/// call's own argument array.
PyResult<PyObject*> bind_run_arguments(PyObject* const* values, Py_ssize_t positional_count,
                                       PyObject* keyword_names);

}  // namespace tavvik::python
