#pragma once

// Environment variables as the terminal layer reads them: the process's, or a map.

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tty {

/// Where the terminal layer reads its environment variables from; tests substitute a map.
class Environment {
 public:
  virtual ~Environment() = default;
  /// The variable's bytes as set, or nothing when it is unset.
  virtual std::optional<std::string> raw(const char* name) const = 0;
  /// The variable as text: nothing when it is unset or its value is not valid UTF-8.
  std::optional<std::string> text(const char* name) const;
};

/// The environment of this process.
class ProcessEnvironment final : public Environment {
 public:
  std::optional<std::string> raw(const char* name) const override;
};

/// A fixed set of variables; anything not in the map is unset.
class MapEnvironment final : public Environment {
 public:
  MapEnvironment() = default;
  MapEnvironment(std::initializer_list<std::pair<const std::string, std::string>> variables)
      : variables_(variables) {}
  std::optional<std::string> raw(const char* name) const override;

 private:
  std::map<std::string, std::string> variables_;
};

}  // namespace tty
