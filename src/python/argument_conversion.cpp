#include "python/argument_conversion.hpp"

#include <algorithm>

#include "python/py_text.hpp"

namespace tavvik::python {

namespace {

// Built by appending: GCC 12 misreads `"'" + std::string` at -O3 as an overlapping copy.
PyError cannot_convert(PyObject* object, std::string_view target) {
  std::string message = "'";
  message += qualified_type_name(object);
  message += "' object cannot be converted to '";
  message += target;
  message += "'";
  return type_error(std::move(message));
}

// Enough for any real command line; beyond it the list grows as it is read.
constexpr std::size_t kLargestReservation = 4096;

PyResult<std::vector<std::string>> convert_sequence(PyObject* sequence) {
  // Taking a string apart into one-letter arguments is never what the caller meant.
  if (PyUnicode_Check(sequence)) return std::unexpected(type_error("Can't extract `str` to `Vec`"));
  if (!PySequence_Check(sequence)) {
    return std::unexpected(cannot_convert(sequence, "Sequence"));
  }

  std::vector<std::string> list;
  // Only a hint: sequences whose length is unknown still iterate fine, and a sequence may
  // claim any length it likes, so the reservation is bounded; a real list longer than that
  // grows as it is read.
  const Py_ssize_t length = PySequence_Size(sequence);
  if (length >= 0) {
    list.reserve(std::min(static_cast<std::size_t>(length), kLargestReservation));
  } else {
    PyErr_Clear();
  }

  const PyRef iterator = PyRef::steal(PyObject_GetIter(sequence));
  if (!iterator) return std::unexpected(PyError::fetch());
  while (const PyRef item = PyRef::steal(PyIter_Next(iterator.get()))) {
    if (!PyUnicode_Check(item.get())) {
      return std::unexpected(cannot_convert(item.get(), "PyString"));
    }
    auto text = utf8_copy(item.get());
    if (!text) return std::unexpected(PyError::fetch());
    list.push_back(std::move(*text));
  }
  if (PyErr_Occurred() != nullptr) return std::unexpected(PyError::fetch());
  return list;
}

}  // namespace

PyResult<std::vector<std::string>> extract_argument_list(PyObject* args) {
  auto list = convert_sequence(args);
  if (!list) {
    return std::unexpected(
        std::move(list.error()).prefixed_if_exact_type_error("argument 'args': "));
  }
  return list;
}

}  // namespace tavvik::python
