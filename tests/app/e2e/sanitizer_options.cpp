// The window test runs Qt, X11 and GL drivers that lack frame pointers and
// unload modules at exit, so their one-time allocations cannot be attributed
// (full unwinding deadlocks in the unwinder under these threads). Leaks of our
// own code are checked by the engine and window-logic test programs; this one
// still checks every memory access.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
