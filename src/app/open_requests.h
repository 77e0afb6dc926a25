#pragma once
// The window's one way in for opening a file (dialog, drop, command line, the
// desktop's media service, later the playlist). The engine serves the main
// thread while it opens, so a request can arrive in the middle of an open:
// such a request waits, replacing any older waiting one, and cuts the running
// open short. The newest request is the one that plays; the others are dropped
// with a log line and no message.
#include <QString>

#include <functional>
#include <optional>

namespace zvapp {

class TOpenRequests {
public:
  // open: opens one file (true when it plays); cancelRunning: asks the open in
  // progress to give up; log: one line for each dropped request.
  TOpenRequests(std::function<bool(const QString&)> open, std::function<void()> cancelRunning,
                std::function<void(const QString&)> log);

  // Opens path now, or after the open in progress when there is one. Returns
  // the outcome of the last open this call ran (false when it only queued).
  bool RequestOpen(const QString& path);

  // An open is in progress.
  bool Busy() const { return FBusy; }
  // The open in progress was overtaken by a newer request: its failure is no
  // news for the user.
  bool Superseded() const { return FSuperseded; }

private:
  std::function<bool(const QString&)> FOpen;
  std::function<void()> FCancelRunning;
  std::function<void(const QString&)> FLog;
  bool FBusy = false;
  bool FSuperseded = false;
  QString FRunning;
  std::optional<QString> FWaiting;
};

}  // namespace zvapp
