#pragma once

// Moving text between Python `str` objects and UTF-8.

#include <optional>
#include <string>
#include <string_view>

#include "python/py_error.hpp"

namespace tavvik::python {

/// `before` + str(object) + `after` as a Python `str`. Built in Python rather than in UTF-8,
/// since str(object) may hold lone surrogates that have no UTF-8 form.
PyResult<PyRef> text_around(std::string_view before, PyObject* object, std::string_view after);

/// The `__qualname__` of the object's type, or a fixed placeholder when it cannot be read.
std::string qualified_type_name(PyObject* object);

/// A copy of a `str`'s UTF-8 form, made at once because the interpreter's buffer is only
/// borrowed; empty with the interpreter's exception set when the text has no UTF-8 form.
std::optional<std::string> utf8_copy(PyObject* text);

}  // namespace tavvik::python
