#pragma once
// What the player keeps from one run to the next: volume, mute, window size
// and place, stay on top, resuming, repeat and shuffle. A missing or damaged
// file gives the defaults.
#include <QSettings>
#include <QString>

#include <memory>

namespace zvapp {

class TfrmPlayer;

// "$XDG_CONFIG_HOME/zelvo-player/settings.ini" (default ~/.config).
QString SettingsFileName();
std::unique_ptr<QSettings> OpenSettings(const QString& fileName = SettingsFileName());

// Applies what is there and sound; anything else keeps the window's default.
void LoadSettings(TfrmPlayer& window, QSettings& settings);
void SaveSettings(TfrmPlayer& window, QSettings& settings);

}  // namespace zvapp
