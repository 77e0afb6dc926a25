#include "window_rig.h"

#include <QWindow>

#include "e2e_support.h"
#include "runtime/file_utils.h"

namespace zvapp::e2e {

TWindowRig::~TWindowRig() {
  if (window) window->SetControlBox(nullptr);
  box.reset();
  if (window) window->close();
  window.reset();
}

bool TWindowRig::Show(std::string& error) {
  window = std::make_unique<TfrmPlayer>(player);
  box = std::make_unique<TfrmControlBox>(*window);
  window->SetControlBox(box.get());
  window->ShowMessage = [this](const QString& t) { messages << t; };
  window->show();
  if (!WaitFor([&] { return window->frameGeometry() != window->geometry() && window->isVisible(); }, 10000)) {
    error = "not framed by the window manager";
    return false;
  }
  if (!WaitFor([&] { return window->windowHandle()->isExposed(); }, 10000)) {
    error = "never exposed";
    return false;
  }
  if (player.LibrariesLoaded() && !player.LoadLibraries(zv::ApplicationPath() + "LibAV", true)) {
    error = player.LastErrMsg();
    return false;
  }
  return true;
}

}  // namespace zvapp::e2e
