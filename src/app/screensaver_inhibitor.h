#pragma once
// Holds off the desktop's screen saver while a file with pictures plays
// (org.freedesktop.ScreenSaver), and lets it go on pause, stop, end and exit.
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QObject>
#include <cstdint>
#include <optional>

#include "engine/player.h"

namespace zvapp {

class TfrmPlayer;

class TScreenSaverInhibitor : public QObject {
  Q_OBJECT
public:
  static constexpr const char* kService = "org.freedesktop.ScreenSaver";
  static constexpr const char* kPath = "/org/freedesktop/ScreenSaver";

  TScreenSaverInhibitor(TfrmPlayer& window, QDBusConnection bus, QObject* parent = nullptr);
  ~TScreenSaverInhibitor() override;

  // True while the screen saver holds a cookie of ours (or one is asked for).
  bool Holding() const { return FWanted; }

  void Hold();
  void Release();

private:
  void OnPlayState(zv::TPlayState state);

  TfrmPlayer& FWindow;
  QDBusConnection FBus;
  bool FWanted = false;   // what playback asks for
  bool FPending = false;  // an Inhibit call has no answer yet
  std::optional<QDBusPendingCall> FInFlight;
  bool FReported = false; // a failure goes to the debug output once
  std::optional<uint32_t> FCookie;
};

}  // namespace zvapp
