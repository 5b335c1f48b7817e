#pragma once

#include <cstddef>

namespace bench {

/// Heap allocations made through operator new by this process so far.
std::size_t allocations();

}  // namespace bench
