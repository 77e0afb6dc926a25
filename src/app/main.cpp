// zelvo-player [FILE | FOLDER | file:// URI]...
#include <QApplication>
#include <QDBusConnection>
#include <QTimer>

#include "app/app_runtime.h"
#include "app/control_box.h"
#include "app/desktop_services.h"
#include "app/engine_player.h"
#include "app/numeric_locale.h"
#include "app/playback_session.h"
#include "app/recent_files.h"
#include "app/remembered_settings.h"
#include "app/player_window.h"
#include "app/x11_errors.h"

int main(int argc, char** argv) {
  // The engine embeds into an X11 window; under Wayland Qt goes through XWayland.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  // Only the picture panel (and the bar above it) become native windows.
  QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  QApplication app(argc, argv);
  zvapp::UseCNumericLocale();
  QApplication::setApplicationName("zelvo-player");
  // The launcher's name, so the desktop matches the window to it and its icon.
  QGuiApplication::setDesktopFileName("zelvo-player");
  zvapp::InstallX11ErrorHandler();
  zvapp::InstallRuntimeHooks();

  int rc = 0;
  {
    zvapp::TEnginePlayer player;
    zvapp::TfrmPlayer window(player);
    zvapp::TfrmControlBox controlBox(window);
    window.SetControlBox(&controlBox);
    zvapp::TDesktopServices desktop(window, QDBusConnection::sessionBus());
    window.show();

    window.Session->SetResumeStore(std::make_unique<zv::TResumeStore>(zv::DefaultResumeDir()));
    window.Session->Recent->SetDesktopList(zvapp::DefaultRecentlyUsedFile());
    const std::unique_ptr<QSettings> settings = zvapp::OpenSettings();
    zvapp::LoadSettings(window, *settings);

    const QStringList files = QApplication::arguments().mid(1);
    if (!files.isEmpty()) {
      // After the window is mapped, so the engine gets a live X window.
      QTimer::singleShot(0, &window, [&window, files] {
        window.Session->OpenPaths(files, zvapp::TPlaybackSession::TAdd::Replace);
      });
    }
    rc = app.exec();
    zvapp::SaveSettings(window, *settings);
    player.Stop(true);
  }
  zvapp::RemoveRuntimeHooks();
  return rc;
}
