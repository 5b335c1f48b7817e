// The module as the interpreter sees it: `PyInit_tavvik_pypi`, `run(args)` and `main()`.
// Everything here runs on the calling thread with the interpreter lock held throughout; the
// lock is never released, not even while the animation plays, but the interpreter's signal
// handlers get their turn at every pause.

#include <string>
#include <utility>
#include <vector>

#include "python/argument_binding.hpp"
#include "python/argument_conversion.hpp"
#include "python/ffi_boundary.hpp"
#include "python/pending_signals.hpp"
#include "python/process_arguments.hpp"
#include "tavvik/driver.hpp"

namespace tavvik::python {

namespace {

// The C-API version the module was written against.
constexpr int kApiVersion = 1013;

PyResult<PyRef> play(std::vector<std::string> argument_list) {
  PendingSignals signals;
  auto outcome = tavvik::run(std::move(argument_list), [&] { return signals.run_handlers(); });
  if (auto raised = signals.take_raised()) return std::unexpected(std::move(*raised));
  if (!outcome) return std::unexpected(PyError::lazy(ErrorKind::runtime_error, outcome.error()));
  return PyRef::borrow(Py_None);
}

PyObject* run_function(PyObject* /*module*/, PyObject* const* values, Py_ssize_t positional_count,
                       PyObject* keyword_names) noexcept {
  return ffi_boundary([&]() -> PyResult<PyRef> {
    auto args = bind_run_arguments(values, positional_count, keyword_names);
    if (!args) return std::unexpected(std::move(args.error()));
    auto argument_list = extract_argument_list(*args);
    if (!argument_list) return std::unexpected(std::move(argument_list.error()));
    return play(std::move(*argument_list));
  });
}

PyObject* main_function(PyObject* /*module*/, PyObject* /*unused*/) noexcept {
  return ffi_boundary([]() -> PyResult<PyRef> { return play(process_argument_list()); });
}

// PyPy declares the fast-call signature with `PyObject**` (CPython: `PyObject* const*`), and
// every table entry is stored as a PyCFunction anyway; the flags tell the interpreter which
// signature to call it with.
template <class Function>
PyCFunction as_table_entry(Function* function) noexcept {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

// Lives for the whole process: the function objects keep pointing at their entries. Not const:
// the module definition takes the table by non-const pointer.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
PyMethodDef function_definitions[] = {
    {"run", as_table_entry(&run_function), METH_FASTCALL | METH_KEYWORDS, "run(args)\n--\n\n"},
    {"main", as_table_entry(&main_function), METH_NOARGS, "main()\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},  // the end of the table
};

// Not const: the interpreter fills in m_base when it creates the module.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
PyModuleDef module_definition = {
    .m_base = PyModuleDef_HEAD_INIT,
    .m_name = "tavvik_pypi",
    .m_doc = "",
    .m_size = 0,
    .m_methods = function_definitions,
    .m_slots = nullptr,
    .m_traverse = nullptr,
    .m_clear = nullptr,
    .m_free = nullptr,
};

// Filled by the first successful initialisation and never cleared: later ones return it.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
PyObject* module_cache = nullptr;

// PyPy skips an empty documentation string when it creates the module, which would leave the
// module type's own documentation showing through `__doc__`.
PyResult<void> ensure_documentation(PyObject* module) {
  PyObject* dictionary = PyModule_GetDict(module);
  if (dictionary == nullptr) return std::unexpected(PyError::fetch());
  if (PyDict_GetItemString(dictionary, "__doc__") != nullptr) return {};
  auto documentation = checked(PyUnicode_FromString(module_definition.m_doc));
  if (!documentation) return std::unexpected(std::move(documentation.error()));
  if (PyDict_SetItemString(dictionary, "__doc__", documentation->get()) < 0) {
    return std::unexpected(PyError::fetch());
  }
  return {};
}

// `__all__` names the module's functions in the order of their table.
PyResult<void> list_functions(PyObject* module) {
  auto all = checked(PyList_New(0));
  if (!all) return std::unexpected(std::move(all.error()));
  for (const PyMethodDef& definition : function_definitions) {
    if (definition.ml_name == nullptr) break;
    auto name = checked(PyUnicode_FromString(definition.ml_name));
    if (!name) return std::unexpected(std::move(name.error()));
    if (PyList_Append(all->get(), name->get()) < 0) return std::unexpected(PyError::fetch());
  }
  if (PyObject_SetAttrString(module, "__all__", all->get()) < 0) {
    return std::unexpected(PyError::fetch());
  }
  return {};
}

PyResult<PyRef> initialise_module() {
  if (module_cache != nullptr) return PyRef::borrow(module_cache);
  auto module = checked(PyModule_Create2(&module_definition, kApiVersion));
  if (!module) return module;
  if (auto documented = ensure_documentation(module->get()); !documented) {
    return std::unexpected(std::move(documented.error()));
  }
  // On failure the half-built module is dropped and the cache stays empty.
  if (auto listed = list_functions(module->get()); !listed) {
    return std::unexpected(std::move(listed.error()));
  }
  module_cache = PyRef::borrow(module->get()).release();
  return module;
}

}  // namespace

}  // namespace tavvik::python

extern "C" [[gnu::visibility("default")]] PyObject* PyInit_tavvik_pypi() noexcept {
  return tavvik::python::ffi_boundary(&tavvik::python::initialise_module);
}
