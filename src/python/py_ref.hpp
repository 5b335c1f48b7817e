#pragma once

// An owned reference to a Python object.

#include <utility>

#include "python/python_api.hpp"

namespace tavvik::python {

/// Owns one strong reference to a Python object (or none) and gives it back when destroyed.
class PyRef {
 public:
  PyRef() noexcept = default;

  /// Takes over a reference the caller already owns, such as a C-API "new reference".
  static PyRef steal(PyObject* object) noexcept { return PyRef(object); }

  /// Takes a reference of its own to a borrowed object.
  static PyRef borrow(PyObject* object) noexcept {
    Py_XINCREF(object);
    return PyRef(object);
  }

  PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  ~PyRef() { reset(); }

  PyObject* get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  /// Hands the reference to the caller, typically as a C-API return value.
  PyObject* release() noexcept { return std::exchange(object_, nullptr); }

  void reset() noexcept {
    PyObject* old = std::exchange(object_, nullptr);
    Py_XDECREF(old);
  }

 private:
  explicit PyRef(PyObject* object) noexcept : object_(object) {}

  PyObject* object_ = nullptr;
};

}  // namespace tavvik::python
