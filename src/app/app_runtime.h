#pragma once
// Ties the engine's main-thread hand-off to Qt's event loop.

namespace zvapp {

// Hand-offs queued by engine threads run on Qt's loop, and engine waits on the
// main thread keep the UI alive. Call once QApplication exists.
void InstallRuntimeHooks();
// Before QApplication goes away.
void RemoveRuntimeHooks();

}  // namespace zvapp
