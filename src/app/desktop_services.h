#pragma once
// The player's presence on the desktop's session bus: the media-player
// service and the screen-saver hold. Without a session bus there is neither,
// and nothing is said about it.
#include <QDBusConnection>
#include <memory>

#include "app/mpris_service.h"
#include "app/screensaver_inhibitor.h"

namespace zvapp {

class TfrmPlayer;

class TDesktopServices {
public:
  TDesktopServices(TfrmPlayer& window, QDBusConnection bus);
  ~TDesktopServices();

  TMprisService* Mpris() const { return FMpris.get(); }
  TScreenSaverInhibitor* ScreenSaver() const { return FScreenSaver.get(); }

private:
  std::unique_ptr<TMprisService> FMpris;
  std::unique_ptr<TScreenSaverInhibitor> FScreenSaver;
};

}  // namespace zvapp
