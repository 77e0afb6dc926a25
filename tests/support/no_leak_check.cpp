// Linked into the test programs that draw into real X11 windows: SDL's X11
// driver, Qt and GL drivers lack frame pointers and unload modules at exit, so
// their one-time allocations cannot be attributed (full unwinding deadlocks in
// the unwinder under these threads). Leaks of our own code are checked by the
// engine and window-logic test programs; these still check every access.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
