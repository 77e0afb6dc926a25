// Open failures: exact texts, nothing left open; and opens that block on a
// network source which never answers.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "engine_test_util.h"
#include "runtime/library_loader.h"
#include "runtime/main_thread.h"
#include "runtime/media_errors.h"

namespace zv {
namespace {

using test::MediaFile;

void ExpectNothingOpen(TFFPlayer& p) {
  EXPECT_EQ(p.CurStream(), nullptr);
  EXPECT_EQ(p.VideoStreamIndex(), -1);
  EXPECT_TRUE(p.IsPaused());
  EXPECT_EQ(p.Window(), nullptr);
  EXPECT_EQ(p.Renderer(), nullptr);
  EXPECT_EQ(p.Notices().Pending(), 0);  // no psPlay/psStop for a failed open
}

TEST(PlayerOpen, FailuresGiveTheirTextsAndLeaveNothingOpen) {
  struct Case {
    const char* name;
    std::string file;
    bool disableAudio;
    std::string expected;
  };
  const std::string missing = MediaFile("no_such_file.mp3");
  const std::string garbage = MediaFile("garbage.mp4");
  const std::string flac = MediaFile("audio_flac.flac");
  const Case cases[] = {
      {"missing file", missing, false, missing + ": No such file or directory"},
      {"garbage", garbage, false, garbage + ": Invalid data found when processing input"},
      {"no playable stream", flac, true, flac + ": could not open codecs, no stream to play."},
      {"name too long", std::string(1025, 'a'), false,
       "File name too long: 1025 characters, at most 1024 are accepted."},
  };
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  for (const Case& c : cases) {
    p->SetDisableAudio(c.disableAudio);
    EXPECT_FALSE(p->Open(c.file, 0, false)) << c.name;
    EXPECT_EQ(p->LastErrMsg(), c.expected) << c.name;
    ExpectNothingOpen(*p);
  }
  // SDL was shut down properly: the same player opens a good file afterwards.
  p->SetDisableAudio(false);
  ASSERT_TRUE(p->Open(flac, 0, true)) << p->LastErrMsg();
  p->Stop(true);
  ASSERT_TRUE(test::WaitUntil([&] { return rec.Count(psStop) == 1; }));
  EXPECT_EQ(rec.StatesCopy(), (std::vector<TPlayState>{psPlay, psStop}));
}

TEST(PlayerOpen, NameOfExactly1024CharactersIsTried) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  std::string name = "/" + std::string(1023, 'b');  // 1024 characters, no such file
  EXPECT_FALSE(p->Open(name, 0, false));
  EXPECT_EQ(p->LastErrMsg(), FormatMediaError(name, AVERROR(ENAMETOOLONG)));
}

TEST(PlayerOpen, SdlNotLoaded) {
  ASSERT_TRUE(test::LoadPlayerLibraries());
  TFFPlayer p;
  ASSERT_TRUE(p.LoadLibraries("", false));
  EXPECT_FALSE(p.Open(MediaFile("audio_flac.flac"), 0, false));
  EXPECT_EQ(p.LastErrMsg(), "sdl not loaded.");
}

TEST(PlayerOpen, LibavNotLoaded) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  FFLoader().UnloadLibs(PlayerLibraries);
  EXPECT_FALSE(p->Open(MediaFile("audio_flac.flac"), 0, false));
  EXPECT_EQ(p->LastErrMsg(), "libav not loaded.");
  EXPECT_TRUE(test::LoadPlayerLibraries());
}

// A TCP listener on 127.0.0.1 that accepts connections and never answers.
class SilentServer {
public:
  SilentServer() {
    FSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(FSocket, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(FSocket, 4);
    socklen_t len = sizeof a;
    getsockname(FSocket, reinterpret_cast<sockaddr*>(&a), &len);
    FPort = ntohs(a.sin_port);
    FThread = std::thread([this] {
      int c = accept(FSocket, nullptr, nullptr);
      if (c >= 0) FClient = c;
      FAccepted = true;
      if (!FPayload.empty() && c >= 0) (void)!write(c, FPayload.data(), FPayload.size());
      FSent = true;
    });
  }
  explicit SilentServer(std::string payload) : SilentServer() { FPayload = std::move(payload); }
  ~SilentServer() {
    shutdown(FSocket, SHUT_RDWR);
    close(FSocket);
    FThread.join();
    if (FClient >= 0) close(FClient);
  }
  std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(FPort); }
  bool Accepted() const { return FAccepted; }
  bool Sent() const { return FSent; }

private:
  int FSocket = -1;
  std::atomic<int> FClient{-1};
  int FPort = 0;
  std::string FPayload;  // set before the first accept can succeed (connect comes later)
  std::atomic<bool> FAccepted{false}, FSent{false};
  std::thread FThread;
};

TEST(PlayerOpen, StopDuringOpenCancelsIt) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  test::TLogCapture log;
  SilentServer server;
  std::thread stopper([&] {
    while (!server.Accepted()) std::this_thread::yield();
    CallInMainThread([&] { p->Stop(false); });  // public operations run on the main thread
  });
  EXPECT_FALSE(p->Open(server.Url(), 0, false));
  stopper.join();
  EXPECT_TRUE(log.Contains("connecting/reading canceled"));
  ExpectNothingOpen(*p);
}

TEST(PlayerOpen, BlockedOpenTimesOut) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  test::TLogCapture log;
  SilentServer server;
  p->SetIoTimeout(300);
  EXPECT_FALSE(p->Open(server.Url(), 0, false));
  EXPECT_TRUE(server.Accepted());
  EXPECT_TRUE(log.Contains("connecting/reading timeout"));
  EXPECT_FALSE(log.Contains("connecting/reading canceled"));
  ExpectNothingOpen(*p);
}

std::string WavHeaderAndSound(int seconds) {
  const int rate = 44100, channels = 2, bytes = rate * channels * 2 * seconds;
  std::string h = "RIFF";
  auto u32 = [&](uint32_t v) { h.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { h.append(reinterpret_cast<const char*>(&v), 2); };
  u32(0x7FFFFFF0);
  h += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(channels);
  u32(rate);
  u32(rate * channels * 2);
  u16(channels * 2);
  u16(16);
  h += "data";
  u32(0x7FFFFF00);  // promises far more than is sent
  h.append(size_t(bytes), '\0');
  return h;
}

TEST(PlayerStop, WaitingStopReturnsWhileTheReaderIsBlocked) {
  auto p = test::MakePlayer();
  ASSERT_TRUE(p);
  test::UsePacedAudio(*p);
  test::TRecorder rec;
  rec.Attach(*p);
  // The disk driver unpaced eats the sound at once, so the reader soon waits for more.
  setenv("SDL_DISKAUDIOFILE", (::testing::TempDir() + "blocked_reader.raw").c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  p->SetAudioDriver(adDisk);
  SilentServer server(WavHeaderAndSound(6));  // more than the probe's analysis wants
  ASSERT_TRUE(p->Open(server.Url(), 0, false)) << p->LastErrMsg();
  TMediaState* playback = p->CurStream();
  ASSERT_TRUE(test::WaitUntil([&] { return server.Sent() && playback->Reading.load() == 1; }));
  p->Stop(true);
  EXPECT_EQ(p->CurStream(), nullptr);
  ASSERT_TRUE(test::WaitUntil([&] { return rec.Count(psStop) == 1; }));
}

}  // namespace
}  // namespace zv
