// A compiled description's bytes -> the description, the capabilities and the control strings
// -> the animation's first frame, whole, and its second, as changes, rendered into memory at a
// window size taken from the input. No trap, no hang, and no frame longer than `frame_bound`.
//
// Input: the window's width and height (one byte each, folded into kWidest and kTallest), then
// the description's bytes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "tavvik/animation_state.hpp"
#include "tavvik/scene.hpp"
#include "tty/render/renderer.hpp"
#include "tty/terminfo/capabilities.hpp"
#include "tui/backend.hpp"
#include "tui/terminal.hpp"

namespace {

constexpr int kWidest = 96;
constexpr int kTallest = 40;

/// The most one frame may send: each of the description's own whole sequences (clearing,
/// hiding and showing the cursor) at most kLongestSequence bytes (the program refuses longer),
/// and per cell of the window at most a cursor address (64 bytes at most), a change of both colours
/// (two 24-byte selections, or two whole sequences, with their SGR framing), a symbol and a few
/// one-step moves.
constexpr std::size_t kLongestSequence = 256;
constexpr std::size_t kMostPerCell = 64 + 2 * (24 + 8) + 4 + 32;

std::size_t frame_bound(tui::Size window) {
  return 4 * kLongestSequence + kMostPerCell * window.width * window.height;
}

/// The backend over the real device without the device: each frame rendered into memory as it
/// renders it, and its bytes checked against the bound.
class MemoryBackend final : public tui::Backend {
 public:
  MemoryBackend(tui::Size window, tty::ControlStrings strings)
      : window_(window), renderer_(std::move(strings)) {
    renderer_.set_window(window);
  }
  tui::Size size() const override { return window_; }
  std::expected<void, tui::Error> send(const tui::FrameToSend& frame) override {
    std::string out;
    renderer_.draw_frame(frame, frame.whole, out);
    if (out.size() > frame_bound(window_)) {
      std::fprintf(stderr, "a frame of %zu bytes at %dx%d\n", out.size(), window_.width,
                   window_.height);
      __builtin_trap();
    }
    return {};
  }

 private:
  tui::Size window_;
  tty::Renderer renderer_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const tui::Size window{static_cast<std::uint16_t>(1 + data[0] % kWidest),
                         static_cast<std::uint16_t>(1 + data[1] % kTallest)};
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

  tty::Capabilities capabilities;
  capabilities.description = tty::TerminfoDescription::parse(bytes);
  tty::ControlStrings strings = tty::control_strings_for(capabilities);
  // What the device sends when it takes the terminal and hands it back.
  std::string device;
  for (int y = 0; y < window.height; ++y) strings.append_address(0, y, device);
  for (const std::string* sequence :
       {&strings.hide_cursor, &strings.show_cursor, &strings.clear_screen}) {
    if (sequence->size() > kLongestSequence) __builtin_trap();
  }

  tui::Terminal terminal(std::make_unique<MemoryBackend>(window, std::move(strings)));
  tavvik::Scene scene;
  tavvik::AnimationState state;
  for (int frame = 0; frame < 2; ++frame) {
    (void)terminal.try_draw([&](tui::Frame& f) { scene.draw_frame(f, state); });
    state.first_frame = false;
    state.advance();
  }
  return 0;
}
