#include "app/screensaver_inhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "app/debug_output.h"
#include "app/player_window.h"

namespace zvapp {

namespace {
QDBusMessage Call(const char* method) {
  return QDBusMessage::createMethodCall(QString::fromLatin1(TScreenSaverInhibitor::kService),
                                        QString::fromLatin1(TScreenSaverInhibitor::kPath),
                                        QString::fromLatin1(TScreenSaverInhibitor::kService),
                                        QString::fromLatin1(method));
}
}  // namespace

TScreenSaverInhibitor::TScreenSaverInhibitor(TfrmPlayer& window, QDBusConnection bus, QObject* parent)
    : QObject(parent), FWindow(window), FBus(std::move(bus)) {
  connect(&FWindow, &TfrmPlayer::PlayStateChanged, this, [this](zv::TPlayState s) { OnPlayState(s); });
}

TScreenSaverInhibitor::~TScreenSaverInhibitor() {
  FWanted = false;
  // An answer still on its way would hold the screen saver off after we are gone.
  if (FPending && FInFlight) {
    FInFlight->waitForFinished();
    QDBusPendingReply<uint32_t> reply = *FInFlight;
    if (!reply.isError()) FCookie = reply.value();
  }
  if (!FCookie) return;
  QDBusMessage m = Call("UnInhibit");
  m << *FCookie;
  // Waited for briefly: the program may end right after this.
  FBus.call(m, QDBus::Block, 1000);
}

void TScreenSaverInhibitor::OnPlayState(zv::TPlayState state) {
  if ((state == zv::psPlay || state == zv::psResume) && FWindow.Player().VideoStreamIndex() >= 0)
    Hold();
  else
    Release();
}

void TScreenSaverInhibitor::Hold() {
  FWanted = true;
  if (FCookie || FPending || !FBus.isConnected()) return;
  QDBusMessage m = Call("Inhibit");
  m << QStringLiteral("zelvo-player") << QStringLiteral("Playing a video");
  FPending = true;
  // Not waited for: the screen saver's service may be slow or absent.
  FInFlight = FBus.asyncCall(m, 2000);
  auto* watcher = new QDBusPendingCallWatcher(*FInFlight, this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    FPending = false;
    FInFlight.reset();
    QDBusPendingReply<uint32_t> reply = *w;
    if (reply.isError()) {
      if (FReported) return;
      FReported = true;
      DebugOutput("screen saver not held off: " + reply.error().message().toStdString());
      return;
    }
    FCookie = reply.value();
    // Paused or stopped while the answer was on its way.
    if (!FWanted) Release();
  });
}

void TScreenSaverInhibitor::Release() {
  FWanted = false;
  if (!FCookie) return;
  QDBusMessage m = Call("UnInhibit");
  m << *FCookie;
  FCookie.reset();
  FBus.send(m);
}

}  // namespace zvapp
