#pragma once
// Lets SDL follow a foreign X11 window (the application's panel).
#include <SDL2/SDL.h>

#include <string>

#include "runtime/sdl_loader.h"

namespace zv {

// Selects StructureNotify and Exposure on the window through SDL's own X
// connection, so SDL reports its size changes and exposures. Both masks can
// be shared by several clients: the host keeps its mouse and keyboard input.
// sdlPath names the loaded SDL library. False when the window is not an X11 one.
bool FollowForeignWindow(const TSDLEntryPoints& sdl, const std::string& sdlPath, SDL_Window* window);

}  // namespace zv
