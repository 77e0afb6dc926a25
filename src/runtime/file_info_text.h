#pragma once
// The multi-line description of an opened file: file values, metadata,
// chapters, programs and streams.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/file_stream_info.h"

struct AVDictionary;
struct AVFormatContext;

namespace zv {

// Every line of the description, in order, without line ends. fileSize is the
// decoder's (−1 when unknown); info its file values.
std::vector<std::string> FileInfoLines(const AVFormatContext* ic, int64_t fileSize, const TFileStreamInfo& info);
// The lines each followed by CR LF.
std::string JoinInfoLines(const std::vector<std::string>& lines);

// The metadata block of a dictionary under prefix (appended to lines).
void AppendMetadataBlock(const AVDictionary* metadata, const std::string& prefix, std::vector<std::string>& lines);
// The line of stream index and its metadata block (appended to lines).
void AppendStreamLines(const AVFormatContext* ic, unsigned index, std::vector<std::string>& lines);
// ", 29.97 fps" / ", 25 tbr" / ", 90k tbn" for a rate d.
std::string RateText(double d, const char* unit);
// "%d.%.6d" of microseconds (truncating, so negative times show a negative fraction).
std::string MicrosecondsText(int64_t us);

}  // namespace zv
