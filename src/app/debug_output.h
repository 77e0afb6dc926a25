#pragma once
// The debug-output channel: standard error, one line per line.
#include <cstdint>
#include <functional>
#include <string>

namespace zvapp {

// Writes text, split at its line breaks, one line each.
void DebugOutput(const std::string& text);

// Where the lines go instead of stderr (tests); an empty sink restores stderr.
void SetDebugOutputSink(std::function<void(const std::string& line)> sink);

// "#" + thread id + "." + level ordinal + ": " + message.
std::string LogLineText(uint32_t threadId, int levelOrdinal, const std::string& message);
// "aspect ratio: %f"
std::string AspectRatioText(float ratio);
// "duration: %f, frame size: %dx%d" with the duration in seconds.
std::string DurationText(int64_t durationUs, int frameWidth, int frameHeight);

// Width x sample-aspect / height, in single precision; a zero part of the
// sample aspect counts as 1.
float DisplayAspectRatio(int width, int height, int sarNum, int sarDen);

}  // namespace zvapp
