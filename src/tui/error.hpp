#pragma once

// An expected failure of the terminal, with the text the user reads.

#include <string>
#include <utility>

namespace tui {

/// An expected failure of the terminal (a device that went away, a refused system call),
/// carried as a returned value; `text()` is what the user reads.
class Error {
 public:
  explicit Error(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace tui
