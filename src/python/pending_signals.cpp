#include "python/pending_signals.hpp"

namespace tavvik::python {

#ifdef PYPY_VERSION
namespace {

/// A function written in Python that does nothing.
PyRef python_no_op() {
  const PyRef globals = PyRef::steal(PyDict_New());
  if (!globals || PyDict_SetItemString(globals.get(), "__builtins__", PyEval_GetBuiltins()) < 0) {
    return {};
  }
  return PyRef::steal(PyRun_String("lambda: None", Py_eval_input, globals.get(), globals.get()));
}

}  // namespace
#endif

bool PendingSignals::run_handlers() {
  raised_ = PyErr_CheckSignals() < 0;
#ifdef PYPY_VERSION
  // PyPy's check above runs no handler; entering Python code runs them all.
  if (!raised_ && !python_code_) {
    python_code_ = python_no_op();
    raised_ = !python_code_;
  }
  if (!raised_) raised_ = !PyRef::steal(PyObject_CallObject(python_code_.get(), nullptr));
#endif
  return raised_;
}

std::optional<PyError> PendingSignals::take_raised() {
  if (!raised_) return std::nullopt;
  raised_ = false;
  return PyError::fetch();
}

}  // namespace tavvik::python
