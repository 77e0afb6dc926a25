#pragma once
// Common ground of the media components (player, decoder, logger).
#include <cstdint>
#include <functional>
#include <string>

namespace zv {

class TFFBaseComponent {
public:
  TFFBaseComponent() = default;
  virtual ~TFFBaseComponent() = default;
  TFFBaseComponent(const TFFBaseComponent&) = delete;
  TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;

  const std::string& About() const { return FAbout; }
  void SetAbout(const std::string& v) { FAbout = v; }
  const std::string& Version() const { return FVersion; }

protected:
  std::string FAbout;
  std::string FVersion;
};

// Raised with the AVFormatContext of a just opened file, before its streams are probed.
using TBeforeFindStreamInfoEvent = std::function<void(TFFBaseComponent* Sender, void* AFormatContext)>;

// sfExact is the player's own: the seek goes to the key picture at or before
// the target as usual, then the pictures and sound before the target are
// decoded but dropped, so playing (or the paused picture) starts exactly there.
enum TSeekFlag : uint8_t { sfBackward = 0, sfByte = 1, sfAny = 2, sfFrame = 3, sfExact = 4 };

// Set of TSeekFlag in one byte, bit i for member i.
struct TSeekFlags {
  uint8_t bits = 0;
  constexpr TSeekFlags() = default;
  constexpr TSeekFlags(std::initializer_list<TSeekFlag> flags) {
    for (auto f : flags) bits |= uint8_t(1u << f);
  }
  constexpr bool contains(TSeekFlag f) const { return bits & (1u << f); }
};

// Bits 0..3 of the set as the library's seek flags (1, 2, 4, 8); higher bits ignored.
constexpr int SeekFlagsToInt(TSeekFlags flags) { return flags.bits & 0x0F; }

}  // namespace zv
