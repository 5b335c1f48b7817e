#include "tty/terminfo/capabilities.hpp"

#include <charconv>
#include <cstdint>

namespace tty {

namespace {

// Where nothing says otherwise, a terminal is taken to be the classic 80 x 24.
constexpr tui::Size kClassicSize{80, 24};

/// A positive cell count that fits a coordinate, from an environment variable; nothing for
/// anything else (unset, empty, signs, trailing text, 0, too large).
std::optional<std::uint16_t> cell_count(const Environment& environment, const char* name) {
  const auto text = environment.raw(name);
  if (!text || text->empty()) return std::nullopt;
  std::uint16_t count = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), count);
  if (error != std::errc() || end != text->data() + text->size() || count == 0) {
    return std::nullopt;
  }
  return count;
}

/// The description's count, where it is a positive one that fits a coordinate.
std::optional<std::uint16_t> cell_count(const std::optional<TerminfoDescription>& description,
                                        unibi_numeric capability) {
  if (!description) return std::nullopt;
  const int count = description->number(capability);
  if (count <= 0 || count > UINT16_MAX) return std::nullopt;
  return static_cast<std::uint16_t>(count);
}

}  // namespace

Capabilities probe_capabilities(const Environment& environment) {
  Capabilities capabilities;
  if (auto term = environment.text("TERM")) {
    capabilities.description = TerminfoDescription::find(*term, environment);
    capabilities.term = std::move(*term);
  }
  const auto& description = capabilities.description;
  capabilities.assumed_size = {cell_count(environment, "COLUMNS")
                                   .or_else([&] { return cell_count(description, unibi_columns); })
                                   .value_or(kClassicSize.width),
                               cell_count(environment, "LINES")
                                   .or_else([&] { return cell_count(description, unibi_lines); })
                                   .value_or(kClassicSize.height)};
  return capabilities;
}

std::optional<std::string> unusable_terminal(const Capabilities& capabilities) {
  if (!capabilities.description || capabilities.description->has(unibi_cursor_address)) {
    return std::nullopt;
  }
  return "TERM=" + capabilities.term +
         " names a terminal that cannot move the cursor: set TERM to the terminal in use "
         "(xterm-256color, say)";
}

}  // namespace tty
