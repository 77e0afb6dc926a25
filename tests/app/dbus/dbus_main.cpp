// The desktop-bus tests run in a private session bus of their own: the program
// starts itself again under dbus-run-session, so the user's desktop never sees
// the test's services.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "app/app_runtime.h"

int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing |= std::strcmp(argv[i], "--gtest_list_tests") == 0;
  if (!listing && !qEnvironmentVariableIsSet("ZELVO_PRIVATE_BUS")) {
    setenv("ZELVO_PRIVATE_BUS", "1", 1);
    std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::perror("dbus-run-session");
    return 1;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zvapp::InstallRuntimeHooks();
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  zvapp::RemoveRuntimeHooks();
  return rc;
}
