#include "app/app_runtime.h"

#include <QCoreApplication>
#include <QPointer>

#include "runtime/main_thread.h"

namespace zvapp {

void InstallRuntimeHooks() {
  zv::InitMainThread();
  QPointer<QCoreApplication> app = QCoreApplication::instance();
  zv::SetMainThreadWakeHook([app] {
    // Any thread: the queued call runs on the application's (main) thread.
    if (app) QMetaObject::invokeMethod(app, [] { zv::CheckSynchronize(); }, Qt::QueuedConnection);
  });
  zv::SetPumpMessagesHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
}

void RemoveRuntimeHooks() {
  zv::SetMainThreadWakeHook(nullptr);
  zv::SetPumpMessagesHook(nullptr);
}

}  // namespace zvapp
