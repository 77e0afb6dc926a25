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

#if defined(__SANITIZE_THREAD__)
// What the race check leaves out: the media libraries and the software
// renderer under SDL are loaded, not built here, and their worker threads hand
// frames, buffers and locks over through their own atomics, which the checker
// cannot see. A report with a frame of these libraries on either side is left
// out; nothing of this project is.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libavcodec.so\n"
         "race:libavutil.so\n"
         "race:swrast_dri.so\n";
}
#endif
