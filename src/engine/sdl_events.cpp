#include "engine/sdl_events.h"

#include "engine/media_state.h"
#include "engine/player.h"

namespace zv {

namespace {
bool PushUserEvent(TMediaState* is, TUserEvent kind) {
  if (!is || !is->Owner) return false;
  TCustomPlayer& p = *is->Owner;
  uint32_t base = p.UserEventBase();
  if (!base || !p.SDL().SDL_PushEvent) return false;
  SDL_Event ev{};
  ev.type = base + kind;
  ev.user.code = kind;
  ev.user.data1 = is;
  return p.SDL().SDL_PushEvent(&ev) == 1;
}
}  // namespace

uint32_t RegisterUserEvents(TCustomPlayer& player) {
  if (!player.SDL().SDL_RegisterEvents) return 0;
  uint32_t base = player.SDL().SDL_RegisterEvents(UserEventCount);
  return base == uint32_t(-1) ? 0 : base;
}

int UserEventKind(const TCustomPlayer& player, uint32_t type) {
  uint32_t base = player.UserEventBase();
  if (!base || type < base || type >= base + UserEventCount) return -1;
  return int(type - base);
}

bool PushQuitEvent(TMediaState* is) { return PushUserEvent(is, ueQuit); }
bool PushReopenVideoEvent(TMediaState* is) { return PushUserEvent(is, ueReopenVideo); }
bool PushRefreshEvent(TMediaState* is) { return PushUserEvent(is, ueRefresh); }
bool PushAllocPictureEvent(TMediaState* is) { return PushUserEvent(is, ueAllocPicture); }

}  // namespace zv
