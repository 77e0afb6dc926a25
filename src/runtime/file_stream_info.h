#pragma once
// File-level values of an opened file, as the decoder reports them.
#include <cstdint>
#include <string>

namespace zv {

struct TFileStreamInfo {
  int64_t StartTime = -1;  // µs; −1 when unknown
  int64_t Duration = -1;   // µs; −1 when unknown
  int64_t BitRate = -1;    // bit/s; 0 when unknown
  int64_t TimeStamp = -1;  // seconds since 1970-01-01 UTC ("creation_time"); 0 when absent
  int32_t Year = -1;       // from "date" or "year"; 0 when absent
  int32_t Track = -1;      // from "track"; 0 when absent
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

}  // namespace zv
