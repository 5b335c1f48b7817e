#include "tty/capabilities.hpp"

namespace tty {

namespace {

ColorLevel color_level_of(const Capabilities& found) {
  if (found.colorterm) {
    return *found.colorterm == "truecolor" || *found.colorterm == "24bit" ? ColorLevel::TrueColor
                                                                          : ColorLevel::TwoFiftySix;
  }
  if (found.description) {
    const auto& description = *found.description;
    if (description.extended_flag("Tc") || description.has_extended("RGB")) {
      return ColorLevel::TrueColor;
    }
    const int colors = description.number(unibi_max_colors);
    if (colors >= (1 << 24)) return ColorLevel::TrueColor;
    if (colors >= 256) return ColorLevel::TwoFiftySix;
    return ColorLevel::Sixteen;
  }
  if (found.term && found.term->find("256color") != std::string::npos) {
    return ColorLevel::TwoFiftySix;
  }
  return ColorLevel::Sixteen;
}

}  // namespace

Capabilities probe_capabilities(const Environment& environment) {
  Capabilities found;
  found.term = environment.text("TERM");
  found.colorterm = environment.text("COLORTERM");
  found.term_program = environment.text("TERM_PROGRAM");
  found.term_program_version = environment.text("TERM_PROGRAM_VERSION");
  if (found.term) found.description = TerminfoDescription::find(*found.term, environment);
  found.color_level = color_level_of(found);
  if (auto bce = environment.text("COLORTERM_BCE")) {
    found.background_color_erase = *bce == "1";
  } else if (found.description) {
    found.background_color_erase = found.description->flag(unibi_back_color_erase);
  }
  return found;
}

}  // namespace tty
