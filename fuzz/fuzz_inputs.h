#pragma once
// One input of each fuzzing target. The libFuzzer entry points and the corpus
// replay test call the same functions, so a saved input replays exactly.
#include <cstddef>
#include <cstdint>

namespace zv::fuzz {

// Loads the media libraries and SDL once and quiets their logging; false
// (with the reason on stderr) when they cannot be loaded.
bool Setup();

// Open, read and decode through the engine, headless, from memory; Stop must
// finish within a second (a slow Stop is tried once more, so that a busy
// machine alone does not count). Aborts on a broken promise.
void RunPlayback(const uint8_t* data, size_t size);
// The file description of the bytes: no line may hold a control character.
void RunDescription(const uint8_t* data, size_t size);
// The filter-string parser and the picture-value address check, on the text.
// "@0".."@3" in the text stand for the addresses of registered picture values.
void RunFilters(const uint8_t* data, size_t size);
// A subtitle file's bytes: converted, parsed, loaded into a text overlay and
// rendered at a few times.
void RunSubtitles(const uint8_t* data, size_t size);

}  // namespace zv::fuzz
