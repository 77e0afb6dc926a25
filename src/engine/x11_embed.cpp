#include "engine/x11_embed.h"

#include <SDL2/SDL_syswm.h>

namespace zv {

bool FollowForeignWindow(const TSDLEntryPoints& sdl, const std::string& sdlPath, SDL_Window* window) {
  if (!window || !sdl.SDL_LoadObject) return false;
  // Taken from the already loaded library (its header drags X11 into every user of the table).
  void* lib = sdl.SDL_LoadObject(sdlPath.c_str());
  if (!lib) return false;
  auto getWMInfo = reinterpret_cast<decltype(&SDL_GetWindowWMInfo)>(sdl.SDL_LoadFunction(lib, "SDL_GetWindowWMInfo"));
  bool ok = false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (getWMInfo && getWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
    Display* display = info.info.x11.display;
    Window xwindow = info.info.x11.window;
    XWindowAttributes attrs;
    if (XGetWindowAttributes(display, xwindow, &attrs)) {
      // Never ButtonPress/KeyPress: only one client may hold ButtonPress, and it is the host's.
      XSelectInput(display, xwindow, attrs.your_event_mask | StructureNotifyMask | ExposureMask);
      XFlush(display);
      ok = true;
    }
  }
  sdl.SDL_UnloadObject(lib);
  return ok;
}

}  // namespace zv
