#include "app/desktop_services.h"

#include "app/player_window.h"

namespace zvapp {

TDesktopServices::TDesktopServices(TfrmPlayer& window, QDBusConnection bus) {
  if (!bus.isConnected()) return;
  FMpris = std::make_unique<TMprisService>(window, bus);
  if (!FMpris->Register()) FMpris.reset();
  FScreenSaver = std::make_unique<TScreenSaverInhibitor>(window, bus);
}

TDesktopServices::~TDesktopServices() = default;

}  // namespace zvapp
