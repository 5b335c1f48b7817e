#include "python/argument_binding.hpp"

#include <string>

#include "python/py_text.hpp"

namespace tavvik::python {

PyResult<PyObject*> bind_run_arguments(PyObject* const* values, Py_ssize_t positional_count,
                                       PyObject* keyword_names) {
  if (positional_count > 1) {
    std::string message = "run() takes 1 positional arguments but ";
    message += std::to_string(positional_count);
    message += " were given";
    return std::unexpected(type_error(std::move(message)));
  }
  PyObject* bound = positional_count == 1 ? values[0] : nullptr;

  const Py_ssize_t keyword_count = keyword_names == nullptr ? 0 : PyTuple_Size(keyword_names);
  if (keyword_count < 0) return std::unexpected(PyError::fetch());
  for (Py_ssize_t i = 0; i < keyword_count; ++i) {
    PyObject* name = PyTuple_GetItem(keyword_names, i);
    if (name == nullptr) return std::unexpected(PyError::fetch());
    // Compares code points and raises nothing, so a name with no UTF-8 form is just another
    // unexpected keyword.
    if (PyUnicode_CompareWithASCIIString(name, "args") != 0) {
      auto message = text_around("run() got an unexpected keyword argument '", name, "'");
      if (!message) return std::unexpected(std::move(message.error()));
      return std::unexpected(PyError::lazy(ErrorKind::type_error, std::move(*message)));
    }
    if (bound != nullptr) {
      return std::unexpected(type_error("run() got multiple values for argument 'args'"));
    }
    bound = values[positional_count + i];
  }

  if (bound == nullptr) {
    return std::unexpected(type_error("run() missing 1 required positional argument: 'args'"));
  }
  return bound;
}

}  // namespace tavvik::python
