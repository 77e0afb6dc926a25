#pragma once
#include <cassert>
#include <cstdint>
#include <initializer_list>

namespace zv {

// In load order: each library's dependencies come before it.
enum TLibraryKind : uint8_t { lkAvutil, lkSwresample, lkSwscale, lkAvcodec, lkAvformat, lkAvfilter, lkAvdevice };
constexpr int LibraryKindCount = 7;

// Set of kinds in one byte, bit i for the kind with ordinal i.
struct TLibraryKinds {
  uint8_t bits = 0;
  constexpr TLibraryKinds() = default;
  constexpr explicit TLibraryKinds(uint8_t b) : bits(b) {}
  constexpr TLibraryKinds(std::initializer_list<TLibraryKind> kinds) {
    for (auto k : kinds) bits |= uint8_t(1u << k);
  }
  constexpr bool contains(TLibraryKind k) const { return bits & (1u << k); }
  constexpr bool empty() const { return bits == 0; }
  friend constexpr bool operator==(TLibraryKinds, TLibraryKinds) = default;
};

constexpr TLibraryKinds AllLibraries{uint8_t((1u << LibraryKindCount) - 1)};
constexpr TLibraryKinds PlayerLibraries{uint8_t(AllLibraries.bits & ~(1u << lkAvdevice))};

}  // namespace zv
