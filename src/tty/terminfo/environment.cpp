#include "tty/terminfo/environment.hpp"

#include <cstdlib>

#include "tui/utf8.hpp"

namespace tty {

std::optional<std::string> Environment::text(const char* name) const {
  auto value = raw(name);
  if (value && !tui::is_valid_utf8(*value)) return std::nullopt;
  return value;
}

std::optional<std::string> ProcessEnvironment::raw(const char* name) const {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> MapEnvironment::raw(const char* name) const {
  auto found = variables_.find(name);
  if (found == variables_.end()) return std::nullopt;
  return found->second;
}

}  // namespace tty
