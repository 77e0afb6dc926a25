// The application's numeric locale under a user locale with a decimal comma.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "app/numeric_locale.h"

namespace zvapp {
namespace {

// Compiles a decimal-comma locale into dir (the machine may have none installed).
bool MakeCommaLocale(const QString& dir) {
  QProcess p;
  p.start("localedef", {"-i", "de_DE", "-f", "UTF-8", dir + "/de_DE.UTF-8"});
  if (!p.waitForFinished(60000)) return false;
  return QDir(dir + "/de_DE.UTF-8").exists();
}

TEST(NumericLocaleTest, MediaNumbersKeepTheDecimalPointUnderACommaLocale) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  if (!MakeCommaLocale(dir.path())) GTEST_SKIP() << "localedef cannot build de_DE here";
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  qputenv("LOCPATH", dir.path().toLocal8Bit());
  qputenv("LC_ALL", "de_DE.UTF-8");
  // What QApplication does at start-up.
  ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
  ASSERT_EQ(std::strtod("0.5", nullptr), 0.0) << "the comma locale is in force";

  UseCNumericLocale();
  // The media libraries parse option and filter values with strtod.
  EXPECT_EQ(std::strtod("0.5", nullptr), 0.5);
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");

  std::setlocale(LC_ALL, saved.c_str());
  qunsetenv("LC_ALL");
  qunsetenv("LOCPATH");
}

}  // namespace
}  // namespace zvapp
