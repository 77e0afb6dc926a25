#pragma once
// Where each file was left, so opening it again carries on there. One small
// record per file under the state folder, keyed by a hash of the file's
// absolute path and size; a store that cannot be read or written never stands
// in the way of playback.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zv {

// What leaving a file at a position means for its record.
enum class TResumeVerdict { Remember, Finished, TooEarly };

constexpr int64_t kResumeMinPositionUs = 5 * 1000000LL;  // nearer the start: nothing to resume
constexpr int64_t kResumeEndMarginUs = 10 * 1000000LL;   // nearer the end: the file was finished

// Position and duration in µs; a duration <= 0 is unknown (no end to be near).
TResumeVerdict ResumeVerdict(int64_t positionUs, int64_t durationUs);

// "$XDG_STATE_HOME/zelvo-player", else "$HOME/.local/state/zelvo-player";
// empty when neither is set.
std::string DefaultResumeDir();

// The record's key: 16 hex digits of a 64-bit hash of the path and size.
std::string ResumeKey(const std::string& absolutePath, int64_t size);

class TResumeStore {
public:
  static constexpr size_t kMaxRecords = 1000;

  explicit TResumeStore(std::string dir, size_t maxRecords = kMaxRecords);

  // The remembered position of the file (µs); nullopt when there is none, the
  // file is gone or the record does not belong to it.
  std::optional<int64_t> Find(const std::string& absolutePath);
  // Records or drops the file's record as the verdict says. False when the
  // store could not be written (logged once).
  TResumeVerdict Leave(const std::string& absolutePath, int64_t positionUs, int64_t durationUs);
  void Forget(const std::string& absolutePath);

  const std::string& Dir() const { return FDir; }
  // One line when the store is found unusable; said once per store.
  std::function<void(const std::string&)> OnLog;

private:
  std::string RecordPath(const std::string& absolutePath, int64_t& size) const;
  bool Write(const std::string& file, const std::string& absolutePath, int64_t size, int64_t positionUs);
  void DropOldest();
  void Complain(const std::string& what);

  std::string FDir;
  size_t FMaxRecords;
  bool FComplained = false;
};

}  // namespace zv
