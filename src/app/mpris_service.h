#pragma once
// The media-player service of the desktop (MPRIS 2): media keys, sound menus
// and panel widgets see what plays and drive the window through it.
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "engine/player.h"

namespace zvapp {

class TfrmPlayer;

class TMprisService : public QObject {
  Q_OBJECT
public:
  static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.zelvo";
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

  TMprisService(TfrmPlayer& window, QDBusConnection bus, QObject* parent = nullptr);
  ~TMprisService() override;

  // Exports the object and takes the service name (or, when another instance
  // has it, the name with ".instance<pid>" added). False when it cannot.
  bool Register();
  QString ServiceName() const { return FServiceName; }

  TfrmPlayer& Window() { return FWindow; }
  QString PlaybackStatus() const;
  QVariantMap Metadata() const;
  QDBusObjectPath TrackId() const;

private:
  // org.freedesktop.DBus.Properties.PropertiesChanged for the given names.
  void NotifyChanged(const char* interfaceName, const QStringList& names);
  void OnFileOpened();
  void OnPlayState();

  TfrmPlayer& FWindow;
  QDBusConnection FBus;
  QString FServiceName;
  int FTrackNumber = 0;
  bool FRegistered = false;
  QString FLastStatus;
};

// org.mpris.MediaPlayer2
class TMprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool CanSetFullscreen READ CanSetFullscreen)
  Q_PROPERTY(bool Fullscreen READ Fullscreen WRITE SetFullscreen)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
  TMprisRootAdaptor(QObject* object, TMprisService& service);

  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool CanSetFullscreen() const { return true; }
  bool Fullscreen() const;
  void SetFullscreen(bool on);
  bool HasTrackList() const { return false; }
  QString Identity() const;
  QString DesktopEntry() const { return QStringLiteral("zelvo-player"); }
  QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList SupportedMimeTypes() const;

public slots:
  void Raise();
  void Quit();

private:
  TMprisService& FService;
};

// org.mpris.MediaPlayer2.Player
class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(double Rate READ Rate WRITE SetRate)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(double MinimumRate READ MinimumRate)
  Q_PROPERTY(double MaximumRate READ MaximumRate)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
  Q_PROPERTY(bool CanPlay READ CanPlay)
  Q_PROPERTY(bool CanPause READ CanPause)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)
  Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
  Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
public:
  TMprisPlayerAdaptor(QObject* object, TMprisService& service);

  QString PlaybackStatus() const { return FService.PlaybackStatus(); }
  // The playback speed (1 with no file open). Setting it changes the speed,
  // clamped to MinimumRate..MaximumRate; 0 pauses, as the interface asks
  // (the speed stays); NaN is ignored.
  double Rate() const;
  void SetRate(double rate);
  double MinimumRate() const { return zv::MinSpeed; }
  double MaximumRate() const { return zv::MaxSpeed; }
  QVariantMap Metadata() const { return FService.Metadata(); }
  double Volume() const;
  void SetVolume(double v);
  qlonglong Position() const;
  bool CanGoNext() const;
  bool CanGoPrevious() const;
  QString LoopStatus() const;
  void SetLoopStatus(const QString& status);
  bool Shuffle() const;
  void SetShuffle(bool on);
  bool CanPlay() const;
  bool CanPause() const;
  bool CanSeek() const;
  bool CanControl() const { return true; }

public slots:
  void Next();
  void Previous();
  void Pause();
  void PlayPause();
  void Stop();
  void Play();
  void Seek(qlonglong Offset);
  void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
  void OpenUri(const QString& Uri);

signals:
  void Seeked(qlonglong Position);

private:
  TMprisService& FService;
};

}  // namespace zvapp
