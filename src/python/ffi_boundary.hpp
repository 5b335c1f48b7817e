#pragma once

// The edge between the interpreter and C++: entry points that let no C++ exception through.

#include <exception>
#include <string_view>
#include <utility>

#include "python/py_error.hpp"

namespace tavvik::python {

/// Raises `PanicException` for an internal fault, after a short report on standard error. A
/// fault while doing so cannot be reported to Python at all, so the process aborts.
PyObject* raise_panic(std::string_view message) noexcept;

/// Runs the body of an entry point called by the interpreter and hands back what the interpreter
/// expects: a new reference, or null with an exception set. No C++ exception gets past it.
template <class Body>
PyObject* ffi_boundary(Body&& body) noexcept {
  try {
    PyResult<PyRef> result = std::forward<Body>(body)();
    if (result) return result->release();
    std::move(result.error()).restore();
    return nullptr;
  } catch (const std::exception& fault) {
    return raise_panic(fault.what());
  } catch (...) {
    return raise_panic({});
  }
}

}  // namespace tavvik::python
