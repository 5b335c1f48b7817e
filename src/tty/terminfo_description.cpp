#include "tty/terminfo_description.hpp"

#include "tty/terminfo_lookup.hpp"

namespace tty {

namespace {
// Compiled descriptions are a few kilobytes; anything this large is not one.
constexpr std::size_t kLargestDescription = 1 << 20;
}  // namespace

std::optional<TerminfoDescription> TerminfoDescription::find(std::string_view name,
                                                             const Environment& environment) {
  for (const auto& path : terminfo_candidates(name, environment)) {
    auto bytes = read_small_file(path, kLargestDescription);
    if (!bytes) continue;
    // A damaged file is passed over, as ncurses does, rather than ending the search.
    if (auto description = parse(*bytes)) return description;
  }
  return std::nullopt;
}

std::optional<TerminfoDescription> TerminfoDescription::parse(std::string_view bytes) {
  unibi_term* term = unibi_from_mem(bytes.data(), bytes.size());
  if (term == nullptr) return std::nullopt;
  return TerminfoDescription(term);
}

std::string TerminfoDescription::name() const {
  const char* name = unibi_get_name(term_.get());
  return name != nullptr ? name : "";
}

bool TerminfoDescription::flag(unibi_boolean capability) const {
  return unibi_get_bool(term_.get(), capability) > 0;
}

int TerminfoDescription::number(unibi_numeric capability) const {
  return unibi_get_num(term_.get(), capability);
}

bool TerminfoDescription::has(unibi_string capability) const {
  return unibi_get_str(term_.get(), capability) != nullptr;
}

bool TerminfoDescription::extended_flag(std::string_view name) const {
  const std::size_t count = unibi_count_ext_bool(term_.get());
  for (std::size_t i = 0; i < count; ++i) {
    const char* flag_name = unibi_get_ext_bool_name(term_.get(), i);
    if (flag_name != nullptr && name == flag_name) return unibi_get_ext_bool(term_.get(), i) > 0;
  }
  return false;
}

std::size_t TerminfoDescription::expand_into(unibi_string capability,
                                             std::initializer_list<int> parameters, char* out,
                                             std::size_t size) const {
  const char* format = unibi_get_str(term_.get(), capability);
  if (format == nullptr) return 0;
  unibi_var_t variables[9] = {};
  int index = 0;
  for (const int parameter : parameters) {
    if (index == 9) break;
    variables[index++] = unibi_var_from_num(parameter);
  }
  // unibi_run drops padding such as "$<5>" and reports the length it needed.
  return unibi_run(format, variables, out, size);
}

std::optional<std::string> TerminfoDescription::expand(
    unibi_string capability, std::initializer_list<int> parameters) const {
  if (!has(capability)) return std::nullopt;
  const std::size_t length = expand_into(capability, parameters, nullptr, 0);
  std::string text(length, '\0');
  expand_into(capability, parameters, text.data(), text.size());
  return text;
}
}  // namespace tty
