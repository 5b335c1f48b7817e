#pragma once

// Python exceptions as values: the module's own errors and those the interpreter raised.

#include <expected>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "python/py_ref.hpp"

namespace tavvik::python {

/// The exception types the module raises itself; each is looked up only when raised.
enum class ErrorKind { type_error, runtime_error, system_error, panic };

/// A Python exception waiting to be raised. Our own errors keep just a kind and a message and
/// become Python objects only when raised; errors the interpreter raised stay as it left them.
class PyError {
 public:
  /// Takes the interpreter's pending exception. An interpreter call that failed without
  /// setting one still must not return null silently, so that case becomes a SystemError.
  static PyError fetch();

  static PyError lazy(ErrorKind kind, std::string message);
  /// A message that is already a Python `str` (it may hold text that has no UTF-8 form).
  static PyError lazy(ErrorKind kind, PyRef message, PyRef cause = {});

  /// Sets the exception in the interpreter; the entry point then returns null.
  void restore() &&;

  /// An exact `TypeError` (not a subclass) becomes a new `TypeError` whose message is `prefix`
  /// then the old message, keeping the old `__cause__`; anything else passes unchanged.
  PyError prefixed_if_exact_type_error(std::string_view prefix) &&;

 private:
  struct Lazy {
    ErrorKind kind;
    std::variant<std::string, PyRef> message;
    PyRef cause;
  };
  struct Raised {
    PyRef type;
    PyRef value;
    PyRef traceback;
  };

  explicit PyError(Lazy lazy) : state_(std::move(lazy)) {}
  explicit PyError(Raised raised) : state_(std::move(raised)) {}

  std::variant<Lazy, Raised> state_;
};

/// A plain `TypeError` with a message of our own.
inline PyError type_error(std::string message) {
  return PyError::lazy(ErrorKind::type_error, std::move(message));
}

/// The outcome of a step that talks to the interpreter.
template <class T>
using PyResult = std::expected<T, PyError>;

/// Wraps a C-API "new reference" result: null means the call failed.
inline PyResult<PyRef> checked(PyObject* new_reference) {
  if (new_reference == nullptr) return std::unexpected(PyError::fetch());
  return PyRef::steal(new_reference);
}

/// The exception type for internal faults, created on first use and kept for the process.
/// Throws when the interpreter cannot create it: there is nothing sensible left to raise.
PyObject* panic_exception_type();

}  // namespace tavvik::python
