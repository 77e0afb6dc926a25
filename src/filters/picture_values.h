#pragma once
// The application's picture values that filter strings may name by address.
// A filter string is user-reachable text: only values registered here are
// ever read or written through an address found in it.
#include <atomic>
#include <cstdint>

namespace zv {

// Makes value nameable by its address; registering twice is harmless.
void RegisterPictureValue(std::atomic<int32_t>* value);
// After this returns the engine no longer touches value (a running filter
// keeps the last setting it read).
void UnregisterPictureValue(std::atomic<int32_t>* value);
// The registered value at address, or null.
std::atomic<int32_t>* FindPictureValue(uintptr_t address);

// Reads the registered value once and clamps it in place to lo..hi, both under
// the registry lock so an unregistering owner never races it. False when value
// is not registered (nothing is touched); *old gets the value read, *now the
// value in effect.
bool ReadClampedPictureValue(std::atomic<int32_t>* value, int32_t lo, int32_t hi, int32_t* old, int32_t* now);

}  // namespace zv
