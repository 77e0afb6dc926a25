#include <string>

#include "engine/subtitle_text.h"
#include "engine/text_overlay.h"
#include "fuzz_inputs.h"

namespace zv::fuzz {

void RunSubtitles(const uint8_t* data, size_t size) {
  // One overlay for every input: its renderers and fonts are set up once.
  static TTextOverlay overlay([] { return 0.0; });
  const uint64_t generation = overlay.Reset();
  std::string utf8, encoding, error;
  TParsedSubtitles parsed;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!SubtitleBytesToUtf8(bytes, utf8, encoding, error) || !ParseSubtitleText(utf8, parsed, error)) return;
  if (!overlay.AddFileTrack("fuzz", parsed, true, generation)) return;
  const TOverlayGeometry g{320, 240, 0, 30, 320, 180, 320, 180};
  for (double t : {0.0, 1.0, 2.5, 60.0, -1.0}) overlay.Render(g, t);
}

}  // namespace zv::fuzz
