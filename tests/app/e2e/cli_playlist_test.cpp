// zelvo-cli with several files: played in turn, each resumed where it was
// left unless --no-resume (the program's state folder is the test run's own).
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "../../../tools/fixture_list.h"

namespace zvapp {
namespace {

namespace fx = zv::fixtures;

QStringList RunCli(const QStringList& args) {
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("SDL_AUDIODRIVER", "dummy");
  // Under the sanitizer build: SDL's desktop-bus helper leaves a one-time
  // allocation unattributable (see no_leak_check.cpp); the exit code is the test's.
  env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + (env.contains("ASAN_OPTIONS") ? ":" : "") + "detect_leaks=0");
  cli.setProcessEnvironment(env);
  cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  cli.start(ZELVO_CLI_PATH, QStringList{"--no-display"} + args);
  if (!cli.waitForFinished(60000)) {
    cli.kill();
    cli.waitForFinished();
    return {"timed out"};
  }
  QStringList lines;
  for (const QByteArray& l : cli.readAllStandardOutput().split('\n'))
    if (!l.isEmpty()) lines << QString::fromUtf8(l).simplified().section(' ', 1);
  lines << QString("exit %1").arg(cli.exitCode());
  return lines;
}

TEST(CliPlaylist, PlaysFilesInTurnAndResumesUnlessAskedNot) {
  const QDir media(qEnvironmentVariable("ZELVO_MEDIA_DIR"));
  const QString film = media.filePath(QString::fromUtf8(fx::kSync60s.data(), qsizetype(fx::kSync60s.size())));
  const QString song = media.filePath(QString::fromUtf8(fx::kAudioOgg.data(), qsizetype(fx::kAudioOgg.size())));
  QStringList out = RunCli({"--play-for", "6.5", film, media.filePath("missing.mkv"), song});
  QStringList files = out.filter(QRegularExpression("^file "));
  EXPECT_EQ(files, QStringList({"file " + film, "file " + media.filePath("missing.mkv"), "file " + song}))
      << out.join("\n").toStdString();
  EXPECT_EQ(out.filter("state psPlay").size(), 2) << out.join("\n").toStdString();
  EXPECT_EQ(out.last(), "exit 1") << "a file that could not be opened";

  out = RunCli({"--play-for", "1", film});
  const QStringList resumed = out.filter(QRegularExpression("^resume "));
  ASSERT_EQ(resumed.size(), 1) << out.join("\n").toStdString();
  EXPECT_NEAR(resumed[0].section(' ', 1).toDouble(), 6.5, 1.0);
  EXPECT_EQ(out.last(), "exit 0");

  out = RunCli({"--no-resume", "--play-for", "1", film});
  EXPECT_TRUE(out.filter(QRegularExpression("^resume ")).isEmpty()) << out.join("\n").toStdString();
}

}  // namespace
}  // namespace zvapp
