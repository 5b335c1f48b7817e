#include "python/py_error.hpp"

#include <stdexcept>
#include <utility>

#include "python/py_text.hpp"

namespace tavvik::python {

namespace {

constexpr char kNoExceptionSet[] = "attempted to fetch exception but none was set";

constexpr char kPanicName[] = "pyo3_runtime.PanicException";
constexpr char kPanicDoc[] =
    "The exception raised when the native code of tavvik_pypi fails irrecoverably.\n"
    "\n"
    "Like SystemExit, this exception is derived from BaseException so that it will\n"
    "typically propagate all the way up the stack and make the Python interpreter exit.\n";

PyObject* exception_type(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::type_error:
      return PyExc_TypeError;
    case ErrorKind::runtime_error:
      return PyExc_RuntimeError;
    case ErrorKind::system_error:
      return PyExc_SystemError;
    case ErrorKind::panic:
      return panic_exception_type();
  }
  return PyExc_SystemError;
}

// Our own messages are UTF-8 by construction; "replace" keeps a stray byte from turning the
// error we mean to raise into a decoding error.
PyRef message_object(const std::variant<std::string, PyRef>& message) {
  if (const auto* text = std::get_if<std::string>(&message)) {
    return PyRef::steal(
        PyUnicode_DecodeUTF8(text->data(), static_cast<Py_ssize_t>(text->size()), "replace"));
  }
  return PyRef::borrow(std::get<PyRef>(message).get());
}

}  // namespace

PyObject* panic_exception_type() {
  // One per process, like the interpreter's own types; the C API wants it non-const.
  static PyObject* type = nullptr;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
  if (type == nullptr) {
    type = PyErr_NewExceptionWithDoc(kPanicName, kPanicDoc, PyExc_BaseException, nullptr);
    if (type == nullptr) {
      PyErr_Clear();
      throw std::runtime_error("failed to create the PanicException type");
    }
  }
  return type;
}

PyError PyError::fetch() {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  if (type == nullptr) {
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    return lazy(ErrorKind::system_error, std::string(kNoExceptionSet));
  }
  return PyError(Raised{PyRef::steal(type), PyRef::steal(value), PyRef::steal(traceback)});
}

PyError PyError::lazy(ErrorKind kind, std::string message) {
  return PyError(Lazy{kind, std::move(message), PyRef()});
}

PyError PyError::lazy(ErrorKind kind, PyRef message, PyRef cause) {
  return PyError(Lazy{kind, std::move(message), std::move(cause)});
}

void PyError::restore() && {
  if (auto* raised = std::get_if<Raised>(&state_)) {
    PyErr_Restore(raised->type.release(), raised->value.release(), raised->traceback.release());
    return;
  }
  auto& pending = std::get<Lazy>(state_);
  PyObject* type = exception_type(pending.kind);
  const PyRef message = message_object(pending.message);
  if (!message) return;  // the interpreter's own error (memory) is set instead
  if (!pending.cause) {
    PyErr_SetObject(type, message.get());
    return;
  }
  const PyRef instance = PyRef::steal(PyObject_CallFunctionObjArgs(type, message.get(), nullptr));
  if (!instance) return;
  PyException_SetCause(instance.get(), pending.cause.release());  // steals the cause
  PyErr_SetObject(type, instance.get());
}

PyError PyError::prefixed_if_exact_type_error(std::string_view prefix) && {
  if (auto* pending = std::get_if<Lazy>(&state_)) {
    if (pending->kind != ErrorKind::type_error) return std::move(*this);
    if (auto* text = std::get_if<std::string>(&pending->message)) {
      return lazy(ErrorKind::type_error, std::string(prefix) + *text);
    }
    auto renamed = text_around(prefix, std::get<PyRef>(pending->message).get(), "");
    if (!renamed) return std::move(renamed.error());
    return lazy(ErrorKind::type_error, std::move(*renamed), std::move(pending->cause));
  }

  auto& raised = std::get<Raised>(state_);
  if (raised.type.get() != PyExc_TypeError) return std::move(*this);
  PyObject* type = raised.type.release();
  PyObject* value = raised.value.release();
  PyObject* traceback = raised.traceback.release();
  PyErr_NormalizeException(&type, &value, &traceback);
  raised = Raised{PyRef::steal(type), PyRef::steal(value), PyRef::steal(traceback)};
  if (!raised.value) return std::move(*this);

  auto renamed = text_around(prefix, raised.value.get(), "");
  if (!renamed) return std::move(renamed.error());
  PyRef cause = PyRef::steal(PyException_GetCause(raised.value.get()));
  if (cause.get() == Py_None) cause.reset();
  return lazy(ErrorKind::type_error, std::move(*renamed), std::move(cause));
}

}  // namespace tavvik::python
