#pragma once
// Synchronous hand-off of work to the main thread. The main thread is the one
// that called InitMainThread (the first runtime user does so on start-up).
#include <functional>

namespace zv {

void InitMainThread();
bool IsMainThread();
// True once some thread called InitMainThread.
bool HasMainThread();

// Runs fn on the main thread and returns when it has run. On the main thread it
// runs at once, in place. An exception thrown by fn is raised again in the caller.
void CallInMainThread(const std::function<void()>& fn);

// Queues fn for the main thread and returns at once; it runs, in queue order
// with the waiting hand-offs, when the main thread next serves them. Without a
// main thread it runs in place. Whatever fn throws stays on the main thread.
void PostToMainThread(std::function<void()> fn);

// Runs every pending hand-off; call only on the main thread. True when any ran.
bool CheckSynchronize();

// Called (from any thread) when a hand-off was queued, so a UI toolkit can
// schedule CheckSynchronize on its own loop. nullptr removes the hook.
void SetMainThreadWakeHook(std::function<void()> hook);

// Dispatches the UI's pending events (the UI installs it; a no-op headless).
void SetPumpMessagesHook(std::function<void()> hook);
void PumpMessages();

// What main-thread wait loops call between polls: CheckSynchronize, then
// PumpMessages, when on the main thread; nothing otherwise.
void ServeMainThread();

}  // namespace zv
