#include "app/open_requests.h"

#include <utility>

namespace zvapp {

TOpenRequests::TOpenRequests(std::function<bool(const QString&)> open, std::function<void()> cancelRunning,
                             std::function<void(const QString&)> log)
    : FOpen(std::move(open)), FCancelRunning(std::move(cancelRunning)), FLog(std::move(log)) {}

bool TOpenRequests::RequestOpen(const QString& path) {
  if (FBusy) {
    if (FWaiting) FLog(QStringLiteral("Open request dropped, a newer one came: ") + *FWaiting);
    FWaiting = path;
    if (!FSuperseded) {
      FSuperseded = true;
      FLog(QStringLiteral("Open request dropped, a newer one came: ") + FRunning);
      FCancelRunning();
    }
    return false;
  }
  FBusy = true;
  bool ok = false;
  FRunning = path;
  for (;;) {
    FSuperseded = false;
    ok = FOpen(FRunning);
    if (!FWaiting) break;
    FRunning = *FWaiting;
    FWaiting.reset();
  }
  FSuperseded = false;
  FRunning.clear();
  FBusy = false;
  return ok;
}

}  // namespace zvapp
