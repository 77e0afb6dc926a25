// Linked into every test program: what the leak check leaves out.
//
// The media libraries and SDL pull in system libraries (X11, D-Bus, sound
// servers, math runtimes) whose one-time allocations live to process exit;
// they are not ours, and without frame pointers their stacks end in them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\n"
         "leak:libxcb\n"
         "leak:libdbus\n"
         "leak:libpulse\n"
         "leak:libasound\n"
         "leak:libfontconfig\n"
         "leak:libgfortran\n"
         "leak:libgomp\n"
         "leak:libnorm\n"
         "leak:_dl_init\n";
}
