#include "app/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>
#include <cmath>

#include "app/playback_session.h"
#include "app/player_window.h"

namespace zvapp {

namespace {
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// The types of the open dialog's extensions, as the launcher lists them.
const QStringList& MimeTypes() {
  static const QStringList kTypes = {
      "video/3gpp", "video/x-ms-asf", "video/x-msvideo", "video/x-flv", "video/x-matroska", "video/quicktime",
      "video/mp4", "video/mpeg", "video/x-nsv", "video/x-ogm+ogg", "video/ogg", "application/vnd.rn-realmedia",
      "application/vnd.rn-realmedia-vbr", "video/mp2t", "video/x-ms-wmv", "audio/aac", "audio/ac3", "audio/x-ape",
      "audio/vnd.dts", "audio/flac", "audio/mp4", "audio/x-matroska", "audio/mpeg", "audio/mp2", "audio/x-musepack",
      "audio/ogg", "audio/x-vorbis+ogg", "audio/vnd.rn-realaudio", "audio/x-tta", "audio/x-wav", "audio/x-ms-wma",
      "video/webm", "audio/webm", "video/x-m4v", "video/3gpp2", "application/mxf", "audio/x-opus+ogg", "audio/opus",
      "audio/x-wavpack", "audio/x-speex", "audio/x-aiff", "audio/basic", "audio/amr", "audio/x-caf",
      "audio/x-m4b"};
  return kTypes;
}
}  // namespace

TMprisService::TMprisService(TfrmPlayer& window, QDBusConnection bus, QObject* parent)
    : QObject(parent), FWindow(window), FBus(std::move(bus)) {
  new TMprisRootAdaptor(this, *this);
  auto* player = new TMprisPlayerAdaptor(this, *this);
  connect(&FWindow, &TfrmPlayer::FileOpened, this, [this] { OnFileOpened(); });
  connect(&FWindow, &TfrmPlayer::PlayStateChanged, this, [this] { OnPlayState(); });
  connect(&FWindow, &TfrmPlayer::Seeked, player, [player](int64_t target) { emit player->Seeked(target); });
  connect(&FWindow, &TfrmPlayer::VolumeChanged, this, [this] { NotifyChanged(kPlayerInterface, {"Volume"}); });
  connect(&FWindow, &TfrmPlayer::SpeedChanged, this, [this] { NotifyChanged(kPlayerInterface, {"Rate"}); });
  connect(&FWindow, &TfrmPlayer::FullScreenChanged, this, [this] { NotifyChanged(kRootInterface, {"Fullscreen"}); });
  connect(FWindow.Session, &TPlaybackSession::ListChanged, this,
          [this] { NotifyChanged(kPlayerInterface, {"CanGoNext", "CanGoPrevious"}); });
  connect(FWindow.Session, &TPlaybackSession::ModeChanged, this,
          [this] { NotifyChanged(kPlayerInterface, {"LoopStatus", "Shuffle", "CanGoNext", "CanGoPrevious"}); });
}

TMprisService::~TMprisService() {
  if (!FRegistered) return;
  FBus.unregisterService(FServiceName);
  FBus.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool TMprisService::Register() {
  if (FRegistered) return true;
  if (!FBus.isConnected()) return false;
  if (!FBus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)) return false;
  FServiceName = QString::fromLatin1(kServiceName);
  if (!FBus.registerService(FServiceName)) {
    FServiceName += ".instance" + QString::number(QCoreApplication::applicationPid());
    if (!FBus.registerService(FServiceName)) {
      FBus.unregisterObject(QString::fromLatin1(kObjectPath));
      return false;
    }
  }
  FRegistered = true;
  FLastStatus = PlaybackStatus();
  return true;
}

QString TMprisService::PlaybackStatus() const {
  if (!FWindow.FileIsOpen()) return QStringLiteral("Stopped");
  switch (FWindow.LastPlayState()) {
    case zv::psPlay:
    case zv::psResume:
      return QStringLiteral("Playing");
    case zv::psStop:
      return QStringLiteral("Stopped");
    default:
      return QStringLiteral("Paused");
  }
}

QDBusObjectPath TMprisService::TrackId() const {
  if (!FWindow.FileIsOpen() || FTrackNumber == 0)
    return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
  return QDBusObjectPath(QStringLiteral("/org/zelvo/Player/Track/%1").arg(FTrackNumber));
}

QVariantMap TMprisService::Metadata() const {
  QVariantMap m;
  m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId()));
  if (!FWindow.FileIsOpen()) return m;
  m.insert(QStringLiteral("xesam:title"), FWindow.FileTitle());
  if (!FWindow.OpenedFileName().isEmpty())
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(FWindow.OpenedFileName()).toString(QUrl::FullyEncoded));
  if (FWindow.FileDuration() > 0) m.insert(QStringLiteral("mpris:length"), qlonglong(FWindow.FileDuration()));
  return m;
}

void TMprisService::NotifyChanged(const char* interfaceName, const QStringList& names) {
  if (!FRegistered) return;
  QVariantMap changed;
  for (const QString& name : names) {
    if (name == "PlaybackStatus")
      changed.insert(name, PlaybackStatus());
    else if (name == "Metadata")
      changed.insert(name, Metadata());
    else if (name == "Volume")
      changed.insert(name, FWindow.TrackVolume->Value() / 128.0);
    else if (name == "Rate")
      changed.insert(name, FWindow.FileIsOpen() ? FWindow.Speed() : 1.0);
    else if (name == "Fullscreen")
      changed.insert(name, FWindow.PanelFillsClient());
    else if (name == "CanPlay")
      changed.insert(name, FWindow.FileIsOpen() || FWindow.CanPlayAgain());
    else if (name == "CanPause")
      changed.insert(name, FWindow.FileIsOpen());
    else if (name == "CanSeek")
      changed.insert(name, FWindow.FileIsOpen() && FWindow.FileDuration() > 0);
    else if (name == "CanGoNext")
      changed.insert(name, FWindow.Session->CanGoNext());
    else if (name == "CanGoPrevious")
      changed.insert(name, FWindow.Session->CanGoPrevious());
    else if (name == "LoopStatus")
      changed.insert(name, QString::fromLatin1(RepeatName(FWindow.Session->Playlist().Repeat())));
    else if (name == "Shuffle")
      changed.insert(name, FWindow.Session->Playlist().Shuffle());
  }
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QString::fromLatin1(interfaceName) << changed << QStringList();
  FBus.send(signal);
}

void TMprisService::OnFileOpened() {
  ++FTrackNumber;
  // A new file plays at 1x.
  NotifyChanged(kPlayerInterface, {"Metadata", "CanPlay", "CanPause", "CanSeek", "Rate"});
}

void TMprisService::OnPlayState() {
  const QString status = PlaybackStatus();
  QStringList names{"CanPlay", "CanPause", "CanSeek"};
  if (status != FLastStatus) names << "PlaybackStatus";
  if (status == "Stopped") names << "Metadata";
  FLastStatus = status;
  NotifyChanged(kPlayerInterface, names);
}

// ---------------------------------------------------------------------------

TMprisRootAdaptor::TMprisRootAdaptor(QObject* object, TMprisService& service)
    : QDBusAbstractAdaptor(object), FService(service) {}

bool TMprisRootAdaptor::Fullscreen() const { return FService.Window().PanelFillsClient(); }

void TMprisRootAdaptor::SetFullscreen(bool on) {
  TfrmPlayer& w = FService.Window();
  if (on == w.PanelFillsClient()) return;
  // The menu item's path, so the check mark follows.
  w.mnuFullScreen->setChecked(on);
  w.mnuFullScreenClick();
}

QString TMprisRootAdaptor::Identity() const { return QString::fromLatin1(TfrmPlayer::kProductName); }

QStringList TMprisRootAdaptor::SupportedMimeTypes() const { return MimeTypes(); }

void TMprisRootAdaptor::Raise() {
  TfrmPlayer& w = FService.Window();
  if (w.isMinimized()) w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
  w.show();
  w.raise();
  w.activateWindow();
}

void TMprisRootAdaptor::Quit() { FService.Window().close(); }

// ---------------------------------------------------------------------------

TMprisPlayerAdaptor::TMprisPlayerAdaptor(QObject* object, TMprisService& service)
    : QDBusAbstractAdaptor(object), FService(service) {}

double TMprisPlayerAdaptor::Volume() const { return FService.Window().TrackVolume->Value() / 128.0; }

void TMprisPlayerAdaptor::SetVolume(double v) {
  if (std::isnan(v)) return;
  FService.Window().TrackVolume->SetValue(float(std::clamp(v, 0.0, 1.0) * 128.0));
}

double TMprisPlayerAdaptor::Rate() const {
  return FService.Window().FileIsOpen() ? FService.Window().Speed() : 1.0;
}

void TMprisPlayerAdaptor::SetRate(double rate) {
  if (std::isnan(rate)) return;
  if (rate == 0) return Pause();
  FService.Window().SetSpeed(rate);
}

qlonglong TMprisPlayerAdaptor::Position() const {
  return FService.Window().FileIsOpen() ? FService.Window().LastPosition() : 0;
}

bool TMprisPlayerAdaptor::CanGoNext() const { return FService.Window().Session->CanGoNext(); }
bool TMprisPlayerAdaptor::CanGoPrevious() const { return FService.Window().Session->CanGoPrevious(); }

QString TMprisPlayerAdaptor::LoopStatus() const {
  return QString::fromLatin1(RepeatName(FService.Window().Session->Playlist().Repeat()));
}

void TMprisPlayerAdaptor::SetLoopStatus(const QString& status) {
  for (TRepeat r : {TRepeat::Off, TRepeat::One, TRepeat::All})
    if (status == QLatin1String(RepeatName(r))) return FService.Window().Session->SetRepeat(r);
}

bool TMprisPlayerAdaptor::Shuffle() const { return FService.Window().Session->Playlist().Shuffle(); }
void TMprisPlayerAdaptor::SetShuffle(bool on) { FService.Window().Session->SetShuffle(on); }

// After the reply: opening may take a while and a lone failing file shows a message box.
void TMprisPlayerAdaptor::Next() {
  TPlaybackSession* s = FService.Window().Session;
  QMetaObject::invokeMethod(s, [s] { s->Next(); }, Qt::QueuedConnection);
}

void TMprisPlayerAdaptor::Previous() {
  TPlaybackSession* s = FService.Window().Session;
  QMetaObject::invokeMethod(s, [s] { s->Previous(); }, Qt::QueuedConnection);
}


bool TMprisPlayerAdaptor::CanPlay() const {
  return FService.Window().FileIsOpen() || FService.Window().CanPlayAgain();
}
bool TMprisPlayerAdaptor::CanPause() const { return FService.Window().FileIsOpen(); }
bool TMprisPlayerAdaptor::CanSeek() const {
  return FService.Window().FileIsOpen() && FService.Window().FileDuration() > 0;
}

void TMprisPlayerAdaptor::Pause() {
  if (FService.PlaybackStatus() == "Playing") FService.Window().btnPauseClick();
}

void TMprisPlayerAdaptor::Play() {
  if (FService.PlaybackStatus() == "Paused" || FService.Window().CanPlayAgain()) FService.Window().btnPauseClick();
}

void TMprisPlayerAdaptor::PlayPause() {
  if (FService.Window().FileIsOpen() || FService.Window().CanPlayAgain()) FService.Window().btnPauseClick();
}

void TMprisPlayerAdaptor::Stop() {
  if (FService.Window().FileIsOpen()) FService.Window().btnStopClick();
}

void TMprisPlayerAdaptor::Seek(qlonglong Offset) {
  if (CanSeek()) FService.Window().SeekBy(Offset);
}

void TMprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
  // A stale track or a place outside the file is ignored, as the interface asks.
  if (!CanSeek() || TrackId != FService.TrackId()) return;
  if (Position < 0 || Position > FService.Window().FileDuration()) return;
  FService.Window().SeekTo(Position);
}

void TMprisPlayerAdaptor::OpenUri(const QString& Uri) {
  const QUrl url(Uri);
  if (!url.isLocalFile()) return;
  const QString file = url.toLocalFile();
  TfrmPlayer* w = &FService.Window();
  // After the reply: a failure shows a message box. Calls close together
  // coalesce in the window's open queue.
  QMetaObject::invokeMethod(w, [w, file] { w->RequestOpen(file); }, Qt::QueuedConnection);
}

}  // namespace zvapp
