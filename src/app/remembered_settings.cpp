#include "app/remembered_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include "app/debug_output.h"
#include "app/playback_session.h"
#include "app/player_window.h"
#include "app/playlist_panel.h"
#include "app/recent_files.h"

namespace zvapp {

namespace {
// Larger than any settings file of ours: something else is in its place.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

std::optional<int> IntIn(QSettings& s, const char* key, int lo, int hi) {
  bool ok = false;
  const int v = s.value(key).toInt(&ok);
  if (!ok || v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<bool> Bool(QSettings& s, const char* key) {
  const QVariant v = s.value(key);
  if (!v.isValid()) return std::nullopt;
  const QString t = v.toString();
  if (t == "true") return true;
  if (t == "false") return false;
  return std::nullopt;
}

// The rectangle moved (and shrunk) so its top left part is on some screen.
QRect KeptOnScreen(QRect r) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (QScreen* s : screens)
    if (s->availableGeometry().intersects(r.adjusted(0, 0, -r.width() / 2, -r.height() / 2))) return r;
  if (screens.isEmpty()) return r;
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  r.setSize(r.size().boundedTo(area.size()));
  r.moveCenter(area.center());
  return r;
}
}  // namespace

QString SettingsFileName() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!base.startsWith('/')) base = QDir::homePath() + "/.config";
  return base + "/zelvo-player/settings.ini";
}

std::unique_ptr<QSettings> OpenSettings(const QString& fileName) {
  const QFileInfo info(fileName);
  // QSettings would read all of a huge file; a folder there cannot be written.
  if (info.exists() && (!info.isFile() || info.size() > kMaxSettingsBytes)) {
    DebugOutput("settings " + fileName.toStdString() + " ignored: not a settings file");
    return std::make_unique<QSettings>(QString(), QSettings::IniFormat);
  }
  auto s = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
  if (s->status() != QSettings::NoError) {
    DebugOutput("settings " + fileName.toStdString() + " damaged: defaults used");
    s->clear();
  }
  return s;
}

void LoadSettings(TfrmPlayer& w, QSettings& s) {
  if (auto v = IntIn(s, "volume", 0, 128)) w.TrackVolume->SetValue(float(*v));
  if (auto v = Bool(s, "mute")) {
    w.btnMute->setChecked(*v);
    w.btnMuteClick();
  }
  const std::optional<int> x = IntIn(s, "window/x", -100000, 100000), y = IntIn(s, "window/y", -100000, 100000);
  const std::optional<int> wd = IntIn(s, "window/width", w.minimumWidth(), 100000);
  const std::optional<int> ht = IntIn(s, "window/height", w.minimumHeight(), 100000);
  if (x && y && wd && ht) w.setGeometry(KeptOnScreen(QRect(*x, *y, *wd, *ht)));
  if (auto v = Bool(s, "stayOnTop")) {
    w.mnuStayOnTop->setChecked(*v);
    w.mnuStayOnTopClick();
  }
  if (auto v = Bool(s, "resume")) w.Session->SetResumeEnabled(*v);
  if (auto v = IntIn(s, "repeat", 0, 2)) w.Session->SetRepeat(TRepeat(*v));
  if (auto v = Bool(s, "shuffle")) w.Session->SetShuffle(*v);
  if (auto v = Bool(s, "playlist")) w.Session->Panel->SetWanted(*v);
  const QVariant recent = s.value("recent");
  if (recent.canConvert<QStringList>()) w.Session->Recent->SetFiles(recent.toStringList());
}

void SaveSettings(TfrmPlayer& w, QSettings& s) {
  if (s.fileName().isEmpty()) return;
  s.setValue("volume", int(w.TrackVolume->Value() + 0.5f));
  s.setValue("mute", w.btnMute->isChecked());
  // The window as it is when not full screen.
  if (!w.PanelFillsClient() && !w.isMaximized() && !w.isMinimized()) {
    const QRect g = w.geometry();
    s.setValue("window/x", g.x());
    s.setValue("window/y", g.y());
    s.setValue("window/width", g.width());
    s.setValue("window/height", g.height());
  }
  s.setValue("stayOnTop", w.mnuStayOnTop->isChecked());
  s.setValue("resume", w.Session->mnuResume->isChecked());
  s.setValue("repeat", int(w.Session->Playlist().Repeat()));
  s.setValue("shuffle", w.Session->Playlist().Shuffle());
  s.setValue("recent", w.Session->Recent->Files());
  s.setValue("playlist", w.Session->Panel->Wanted());
  s.sync();
  if (s.status() != QSettings::NoError) DebugOutput("settings " + s.fileName().toStdString() + " cannot be written");
}

}  // namespace zvapp
