// The player end to end on a real X server: the engine draws into the window.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/app_runtime.h"
#include "app/x11_errors.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Places remembered, settings and recent files stay inside the run (the
  // command-line player started by the tests included).
  QTemporaryDir home;
  for (const char* name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
    qputenv(name, (home.path() + "/" + name).toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    // Listing the tests works without a display; running them needs one.
    if (!::testing::GTEST_FLAG(list_tests)) std::fprintf(stderr, "no X display: the end-to-end tests need one\n");
    qputenv("QT_QPA_PLATFORM", "offscreen");
  } else {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  // SDL draws into the window; the sound goes nowhere (no audio device needed).
  qunsetenv("SDL_VIDEODRIVER");
  qputenv("SDL_AUDIODRIVER", "dummy");
  if (qEnvironmentVariableIsEmpty("ZELVO_MEDIA_DIR")) qputenv("ZELVO_MEDIA_DIR", ZELVO_E2E_MEDIA_DIR);
  QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(argc, argv);
  zvapp::InstallX11ErrorHandler();
  zvapp::InstallRuntimeHooks();
  int rc = RUN_ALL_TESTS();
  zvapp::RemoveRuntimeHooks();
  return rc;
}
