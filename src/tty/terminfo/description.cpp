#include "tty/terminfo/description.hpp"

#include "tty/terminfo/lookup.hpp"
#include "tty/terminfo/parameters.hpp"

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

bool TerminfoDescription::flag(unibi_boolean capability) const {
  return unibi_get_bool(term_.get(), capability) > 0;
}

int TerminfoDescription::number(unibi_numeric capability) const {
  return unibi_get_num(term_.get(), capability);
}

bool TerminfoDescription::has(unibi_string capability) const {
  return unibi_get_str(term_.get(), capability) != nullptr;
}

std::optional<std::string> TerminfoDescription::format(unibi_string capability) const {
  const char* text = unibi_get_str(term_.get(), capability);
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

bool TerminfoDescription::extended_flag(std::string_view name) const {
  const std::size_t count = unibi_count_ext_bool(term_.get());
  for (std::size_t i = 0; i < count; ++i) {
    const char* flag_name = unibi_get_ext_bool_name(term_.get(), i);
    if (flag_name != nullptr && name == flag_name) return unibi_get_ext_bool(term_.get(), i) > 0;
  }
  return false;
}

bool TerminfoDescription::has_extended(std::string_view name) const {
  const unibi_term* term = term_.get();
  auto named = [name](const char* found) { return found != nullptr && name == found; };
  for (std::size_t i = 0; i < unibi_count_ext_num(term); ++i) {
    if (named(unibi_get_ext_num_name(term, i)) && unibi_get_ext_num(term, i) >= 0) return true;
  }
  for (std::size_t i = 0; i < unibi_count_ext_str(term); ++i) {
    if (named(unibi_get_ext_str_name(term, i)) && unibi_get_ext_str(term, i) != nullptr) {
      return true;
    }
  }
  return extended_flag(name);
}

std::optional<std::string> TerminfoDescription::text(unibi_string capability) const {
  const char* text = unibi_get_str(term_.get(), capability);
  if (text == nullptr) return std::nullopt;
  return without_padding(text);
}

std::optional<std::string> TerminfoDescription::expand(
    unibi_string capability, std::initializer_list<int> parameters) const {
  const char* format = unibi_get_str(term_.get(), capability);
  if (format == nullptr) return std::nullopt;
  const ParameterExpansion expansion = expand_parameters(format, parameters, nullptr, 0);
  // A damaged string is not followed: the caller's own form stands in, as for an absent one.
  if (expansion.damaged) return std::nullopt;
  std::string text(expansion.length, '\0');
  expand_parameters(format, parameters, text.data(), text.size());
  return text;
}

}  // namespace tty
