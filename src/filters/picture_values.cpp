#include "filters/picture_values.h"

#include <mutex>
#include <unordered_set>

namespace zv {

namespace {

struct Values {
  std::mutex lock;
  std::unordered_set<uintptr_t> registered;  // guarded by lock
};

Values& TheValues() {
  static Values* v = new Values;  // never freed: the video thread may read during exit
  return *v;
}

}  // namespace

void RegisterPictureValue(std::atomic<int32_t>* value) {
  if (!value) return;
  Values& v = TheValues();
  std::lock_guard<std::mutex> guard(v.lock);
  v.registered.insert(reinterpret_cast<uintptr_t>(value));
}

void UnregisterPictureValue(std::atomic<int32_t>* value) {
  Values& v = TheValues();
  std::lock_guard<std::mutex> guard(v.lock);
  v.registered.erase(reinterpret_cast<uintptr_t>(value));
}

std::atomic<int32_t>* FindPictureValue(uintptr_t address) {
  if (!address) return nullptr;
  Values& v = TheValues();
  std::lock_guard<std::mutex> guard(v.lock);
  return v.registered.count(address) ? reinterpret_cast<std::atomic<int32_t>*>(address) : nullptr;
}

bool ReadClampedPictureValue(std::atomic<int32_t>* value, int32_t lo, int32_t hi, int32_t* old, int32_t* now) {
  Values& v = TheValues();
  std::lock_guard<std::mutex> guard(v.lock);
  if (!value || !v.registered.count(reinterpret_cast<uintptr_t>(value))) return false;
  int32_t read = value->load(std::memory_order_relaxed);
  int32_t fixed = read < lo ? lo : read > hi ? hi : read;
  // Only the bad value is replaced: a newer write of the owner wins.
  if (fixed != read) {
    int32_t expected = read;
    value->compare_exchange_strong(expected, fixed, std::memory_order_relaxed);
  }
  *old = read;
  *now = fixed;
  return true;
}

}  // namespace zv
