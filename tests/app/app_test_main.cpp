// Window tests run on Qt's offscreen platform inside one QApplication.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/app_runtime.h"
#include "app/numeric_locale.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zvapp::UseCNumericLocale();
  zvapp::InstallRuntimeHooks();
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  zvapp::RemoveRuntimeHooks();
  return rc;
}
