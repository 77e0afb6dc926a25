#pragma once
// The engine's own SDL events, registered with SDL per player; each carries the
// playback record as its first data pointer. The play loop acts on the
// player's current record, never on the pointer, which may be stale.
#include <cstdint>

namespace zv {

struct TMediaState;
class TCustomPlayer;

enum TUserEvent { ueAllocPicture = 0, ueRefresh = 1, ueQuit = 2, ueReopenVideo = 3 };
constexpr int UserEventCount = 4;

// Registers the four events once per loaded SDL; 0 on failure.
uint32_t RegisterUserEvents(TCustomPlayer& player);
// The user event kind of an SDL event type, -1 when it is none of ours.
int UserEventKind(const TCustomPlayer& player, uint32_t type);

// False when SDL refused the event (queue full or SDL not running).
bool PushQuitEvent(TMediaState* is);
bool PushReopenVideoEvent(TMediaState* is);
bool PushRefreshEvent(TMediaState* is);
bool PushAllocPictureEvent(TMediaState* is);

}  // namespace zv
