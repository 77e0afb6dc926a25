#pragma once
// Lets SDL follow a foreign X11 window (the application's panel).
#include <SDL2/SDL.h>


namespace zv {

// Selects StructureNotify and Exposure on the window through SDL's own X
// connection, so SDL reports its size changes and exposures. Both masks can
// be shared by several clients: the host keeps its mouse and keyboard input.
// sdlHandle is the loaded SDL module. False when the window is not an X11 one.
bool FollowForeignWindow(void* sdlHandle, SDL_Window* window);

// The descriptor of the window system connection SDL reads window's events
// from, so a loop can sleep on it; -1 when the window is not an X11 one.
int WindowSystemFd(void* sdlHandle, SDL_Window* window);

}  // namespace zv
