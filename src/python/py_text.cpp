#include "python/py_text.hpp"

namespace tavvik::python {

namespace {

constexpr char kUnknownTypeName[] = "<failed to extract type name>";
constexpr char kUnprintable[] = "<unprintable object>";

PyResult<PyRef> utf8_fragment(std::string_view text) {
  return checked(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

}  // namespace

PyResult<PyRef> text_around(std::string_view before, PyObject* object, std::string_view after) {
  PyRef shown = PyRef::steal(PyObject_Str(object));
  if (!shown) {
    // A message about a bad object must not fail because the object cannot show itself.
    PyErr_Clear();
    shown = PyRef::steal(PyUnicode_FromString(kUnprintable));
    if (!shown) return std::unexpected(PyError::fetch());
  }
  auto head = utf8_fragment(before);
  if (!head) return head;
  auto tail = utf8_fragment(after);
  if (!tail) return tail;
  auto joined = checked(PyUnicode_Concat(head->get(), shown.get()));
  if (!joined) return joined;
  return checked(PyUnicode_Concat(joined->get(), tail->get()));
}

std::string qualified_type_name(PyObject* object) {
  const PyRef name = PyRef::steal(
      PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "__qualname__"));
  if (name && PyUnicode_Check(name.get())) {
    if (auto text = utf8_copy(name.get())) return *text;
  }
  PyErr_Clear();
  return kUnknownTypeName;
}

std::optional<std::string> utf8_copy(PyObject* text) {
  Py_ssize_t size = 0;
  const char* bytes = PyUnicode_AsUTF8AndSize(text, &size);
  if (bytes == nullptr) return std::nullopt;
  return std::string(bytes, static_cast<std::size_t>(size));
}

}  // namespace tavvik::python
