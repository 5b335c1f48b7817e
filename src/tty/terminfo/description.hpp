#pragma once

// A compiled terminal description (terminfo) and what it says.

// unibilium's header declares its functions without C linkage for C++.
extern "C" {
#include <unibilium.h>
}

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tty/terminfo/environment.hpp"

namespace tty {

/// A compiled terminal description (terminfo), parsed with unibilium. Files are found and read
/// here rather than by unibilium, whose own search gives up on descriptions over 4096 bytes, stops
/// at the first unreadable file and reads an empty TERMINFO_DIRS entry differently from ncurses.
/// Move-only: it owns the parsed description.
class TerminfoDescription {
 public:
  /// The first description called `name` in the search order that parses, or nothing.
  static std::optional<TerminfoDescription> find(std::string_view name,
                                                 const Environment& environment);
  /// Parses the bytes of a compiled description.
  static std::optional<TerminfoDescription> parse(std::string_view bytes);

  bool flag(unibi_boolean capability) const;
  /// A numeric capability, or -1 when absent.
  int number(unibi_numeric capability) const;
  /// Whether a string capability is present.
  bool has(unibi_string capability) const;
  /// A string capability as the description spells it, parameters not applied; nothing when
  /// absent.
  std::optional<std::string> format(unibi_string capability) const;
  /// A boolean of the extended (user-defined) section, such as "Tc".
  bool extended_flag(std::string_view name) const;
  /// Whether the extended section holds `name` in any of its kinds: a boolean that is set, a
  /// number or a string (ncurses allows each for "RGB").
  bool has_extended(std::string_view name) const;
  /// A string capability that takes no parameters, as it is sent: padding dropped, and a '%' in
  /// it is itself (\E%!0 on a Tektronix is not a negation); nothing when absent.
  std::optional<std::string> text(unibi_string capability) const;
  /// A string capability that takes parameters, with them applied and padding dropped; nothing
  /// when absent or damaged (see `expand_parameters`), so that the caller's ANSI form stands in.
  std::optional<std::string> expand(unibi_string capability,
                                    std::initializer_list<int> parameters = {}) const;

 private:
  struct Destroy {
    void operator()(unibi_term* term) const { unibi_destroy(term); }
  };
  explicit TerminfoDescription(unibi_term* term) : term_(term) {}
  // Owned alone, so the description moves rather than copies: GCC 12 inlines a check of glibc
  // 2.32's __libc_single_threaded into shared_ptr's counting, past the wheels' manylinux_2_28.
  std::unique_ptr<unibi_term, Destroy> term_;
};

}  // namespace tty
