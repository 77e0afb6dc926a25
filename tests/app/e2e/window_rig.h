#pragma once
// The player window as the end-to-end tests open it: a real engine player,
// the window with its control box, shown, framed by the window manager and
// exposed, failures' messages collected instead of shown in boxes.
#include <QStringList>

#include <memory>
#include <string>

#include "app/control_box.h"
#include "app/engine_player.h"
#include "app/player_window.h"

namespace zvapp::e2e {

struct TWindowRig {
  TEnginePlayer player;
  std::unique_ptr<TfrmPlayer> window;
  std::unique_ptr<TfrmControlBox> box;
  QStringList messages;

  ~TWindowRig();
  // False with the reason when the window does not come up. SDL is loaded
  // for this player even when an earlier test's player left the media
  // libraries loaded (the window's open loads them only when none are).
  bool Show(std::string& error);
};

}  // namespace zvapp::e2e
