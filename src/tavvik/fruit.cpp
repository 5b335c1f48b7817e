#include "tavvik/fruit.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstddef>
#include <functional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tavvik {

namespace {

using Point = std::pair<std::int64_t, std::int64_t>;

// Negative coordinates become indices far beyond any grid, which the painter drops.
void paint_point(tui::Painter& painter, std::int64_t x, std::int64_t y, tui::Color color) {
  painter.paint(static_cast<std::uint64_t>(x), static_cast<std::uint64_t>(y), color);
}

// Fill storage for the common small radius: a visited bitset and a stack of box indices over a
// square around the start point, all on the call stack. Every point the fill can paint lies
// within floor(radius) + 1 of the start on each axis and every pushed point within one more,
// so a point outside the box could never pass the distance test; dropping it changes nothing.
class BoxedFillStorage {
 public:
  static constexpr std::int64_t kMaxReach = 16;
  static constexpr std::int64_t kSide = 2 * kMaxReach + 1;
  static constexpr std::size_t kCells = kSide * kSide;
  // Each painted point pops one entry and pushes four.
  static constexpr std::size_t kStackCapacity = 1 + 3 * kCells;

  // The stack is left uninitialised: only entries below size_ are read, and zeroing 6.5 KB for
  // every fill would buy nothing.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init)
  explicit BoxedFillStorage(Point start) : origin_x_(start.first), origin_y_(start.second) {}

  void push(std::int64_t x, std::int64_t y) {
    const std::int64_t column = x - origin_x_ + kMaxReach;
    const std::int64_t row = y - origin_y_ + kMaxReach;
    if (column < 0 || column >= kSide || row < 0 || row >= kSide) return;
    stack_[size_++] = static_cast<std::uint16_t>(row * kSide + column);
  }
  bool empty() const { return size_ == 0; }
  Point pop() {
    const std::uint16_t index = stack_[--size_];
    return {origin_x_ + index % kSide - kMaxReach, origin_y_ + index / kSide - kMaxReach};
  }
  /// Adds the point to the visited set; false when it was there already.
  bool visit(std::int64_t x, std::int64_t y) {
    const std::size_t index =
        static_cast<std::size_t>((y - origin_y_ + kMaxReach) * kSide + (x - origin_x_ + kMaxReach));
    if (visited_.test(index)) return false;
    visited_.set(index);
    return true;
  }

 private:
  std::int64_t origin_x_;
  std::int64_t origin_y_;
  std::bitset<kCells> visited_;
  std::array<std::uint16_t, kStackCapacity> stack_;
  std::size_t size_ = 0;
};

// Fill storage for anything the box cannot cover (a large radius, a centre beyond the signed
// range); allocates, but the scene's own fruit never gets here.
class HeapFillStorage {
 public:
  void push(std::int64_t x, std::int64_t y) { stack_.emplace_back(x, y); }
  bool empty() const { return stack_.empty(); }
  Point pop() {
    const Point point = stack_.back();
    stack_.pop_back();
    return point;
  }
  bool visit(std::int64_t x, std::int64_t y) { return visited_.emplace(x, y).second; }

 private:
  struct PointHash {
    std::size_t operator()(const Point& point) const {
      const auto x = static_cast<std::uint64_t>(point.first);
      const auto y = static_cast<std::uint64_t>(point.second);
      return std::hash<std::uint64_t>{}(x * 0x9E3779B97F4A7C15ULL ^ y);
    }
  };
  std::vector<Point> stack_;
  std::unordered_set<Point, PointHash> visited_;
};

template <typename Storage>
void fill(const Fruit& fruit, tui::Painter& painter, Point start, Storage& storage) {
  const double radius_squared = fruit.radius * fruit.radius;
  storage.push(start.first, start.second);
  while (!storage.empty()) {
    const auto [x, y] = storage.pop();
    if (!storage.visit(x, y)) continue;
    const double dx = static_cast<double>(x) - fruit.center_x;
    const double dy = static_cast<double>(y) - fruit.center_y;
    if (!(radius_squared >= dx * dx + dy * dy)) continue;
    paint_point(painter, x, y, tui::Color::Red);
    storage.push(x + 1, y);
    storage.push(x - 1, y);
    storage.push(x, y + 1);
    storage.push(x, y - 1);
  }
}

void paint_outline(const Fruit& fruit, tui::Painter& painter) {
  const std::int64_t r = to_signed_point(fruit.radius);
  if (r < 0) return;
  const double cx = fruit.center_x;
  const double cy = fruit.center_y;
  auto put = [&](std::int64_t dx, std::int64_t dy) {
    painter.paint(to_pixel_index(cx + static_cast<double>(dx)),
                  to_pixel_index(cy + static_cast<double>(dy)), tui::Color::Red);
  };
  std::int64_t x = 0;
  std::int64_t y = r;
  std::int64_t d = 3 - 2 * r;  // 64-bit: a radius near the 32-bit limit must not overflow
  while (x <= y) {
    put(x, y);
    put(-x, y);
    put(x, -y);
    put(-x, -y);
    put(y, x);
    put(-y, x);
    put(y, -x);
    put(-y, -x);
    if (d < 0) {
      d += 4 * x + 6;
    } else {
      d += 4 * (x - y) + 10;
      --y;
    }
    ++x;
  }
}

void paint_fill(const Fruit& fruit, tui::Painter& painter) {
  const Point start{to_signed_point(fruit.center_x), to_signed_point(fruit.center_y)};
  const double reach = std::floor(std::fabs(fruit.radius)) + 2.0;
  const bool fits_box = reach <= BoxedFillStorage::kMaxReach &&
                        std::fabs(fruit.center_x - static_cast<double>(start.first)) < 1.0 &&
                        std::fabs(fruit.center_y - static_cast<double>(start.second)) < 1.0;
  if (fits_box) {
    BoxedFillStorage storage(start);
    fill(fruit, painter, start, storage);
  } else {
    HeapFillStorage storage;
    fill(fruit, painter, start, storage);
  }
}

void paint_stem(const Fruit& fruit, tui::Painter& painter) {
  const std::int32_t length = std::max(to_signed_point(fruit.radius / 1.5), 0);
  const std::uint64_t x = to_pixel_index(fruit.center_x);
  const double top = fruit.center_y - fruit.radius;
  for (std::int32_t i = 0; i < length; ++i) {
    painter.paint(x, to_pixel_index(top - static_cast<double>(i)), tui::Color::Green);
  }
}

}  // namespace

void Fruit::draw(tui::Painter& painter) const {
  paint_outline(*this, painter);
  paint_fill(*this, painter);
  paint_stem(*this, painter);
}

}  // namespace tavvik
