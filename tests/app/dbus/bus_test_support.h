#pragma once
// A second connection to the private session bus, for the test's own side:
// calls that wait on Qt's loop (the service answers on the same thread).
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTest>

namespace zvapp::testing {

inline QDBusConnection TestBus(const char* name) {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromLatin1(name));
}

// Calls and serves the loop until the answer is there (or 5 s pass).
inline QDBusMessage CallAndWait(QDBusConnection bus, const QDBusMessage& m) {
  QDBusPendingCall call = bus.asyncCall(m, 5000);
  if (!QTest::qWaitFor([&] { return call.isFinished(); }, 6000)) return QDBusMessage::createError("test.Timeout", "no answer");
  return call.reply();
}

}  // namespace zvapp::testing
