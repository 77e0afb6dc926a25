#include "engine/x11_embed.h"

#include <SDL2/SDL_syswm.h>
#include <dlfcn.h>

namespace zv {

namespace {
// Resolved here rather than in the table: its header drags X11 into every user of the table.
bool X11Info(void* sdlHandle, SDL_Window* window, SDL_SysWMinfo& info) {
  if (!window || !sdlHandle) return false;
  auto getWMInfo = reinterpret_cast<decltype(&SDL_GetWindowWMInfo)>(dlsym(sdlHandle, "SDL_GetWindowWMInfo"));
  SDL_VERSION(&info.version);
  return getWMInfo && getWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}
}  // namespace

int WindowSystemFd(void* sdlHandle, SDL_Window* window) {
  SDL_SysWMinfo info;
  if (!X11Info(sdlHandle, window, info) || !info.info.x11.display) return -1;
  return ConnectionNumber(info.info.x11.display);
}

bool FollowForeignWindow(void* sdlHandle, SDL_Window* window) {
  bool ok = false;
  SDL_SysWMinfo info;
  if (X11Info(sdlHandle, window, info)) {
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
  return ok;
}

}  // namespace zv
