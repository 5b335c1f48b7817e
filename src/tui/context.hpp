#pragma once

// A canvas's drawing surface for a frame, and the memory kept for it between frames.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tui/half_block_grid.hpp"
#include "tui/layer.hpp"
#include "tui/painter.hpp"

namespace tui {

/// The memory a canvas draws into, owned by something that lives across frames so that a
/// steady animation reuses it instead of allocating every frame. Its contents carry no meaning
/// from one frame to the next: every `Context` starts from a blank grid and no saved layers.
class CanvasStorage {
 public:
  const HalfBlockGrid& grid() const { return grid_; }

 private:
  friend class Context;
  HalfBlockGrid grid_;
  std::vector<Layer> layers_;  // slots; only the first `Context::layers().size()` are in use
  bool grid_blank_ = true;     // nothing painted since the grid was last blanked
};

/// A canvas's drawing surface for one frame: a blank pixel grid the size of the canvas (one
/// pixel column per cell, two pixel rows per cell), the pictures saved so far (none at first)
/// and a flag telling whether the grid holds painting not yet saved.
class Context {
 public:
  /// Starts a frame of `columns` x `rows` cells over `storage`, discarding what it held.
  Context(CanvasStorage& storage, std::uint16_t columns, std::uint16_t rows);
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() = default;

  /// Marks the grid as holding unsaved painting and lets `shape` paint through a fresh painter.
  void draw(const Shape& shape);

  /// Saves the grid as the next layer and blanks it, but only when something was drawn since
  /// the last save; otherwise does nothing.
  void finish();

  std::span<const Layer> layers() const { return {storage_.layers_.data(), saved_}; }
  const HalfBlockGrid& grid() const { return storage_.grid_; }
  bool has_unsaved_painting() const { return dirty_; }

 private:
  CanvasStorage& storage_;
  std::size_t saved_ = 0;
  bool dirty_ = false;
};

}  // namespace tui
