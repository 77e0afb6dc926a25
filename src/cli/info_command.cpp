#include "info_command.h"

#include <cstdio>
#include <string>

#include "engine/file_name_limit.h"
#include "engine/track_list.h"
#include "runtime/decoder.h"
#include "runtime/file_utils.h"
#include "runtime/library_loader.h"
#include "runtime/orientation.h"

int RunInfoCommand(const std::string& file) {
  if (std::string tooLong = zv::FileNameLengthError(file); !tooLong.empty()) {
    std::fprintf(stderr, "%s\n", tooLong.c_str());
    return 1;
  }
  zv::TFFLoader& loader = zv::FFLoader();
  loader.SetLibraryPath(zv::ApplicationPath() + "LibAV");
  if (!loader.LoadLibs(zv::PlayerLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
    return 1;
  }
  std::string text;
  {
    zv::TFFDecoder decoder;
    if (!decoder.LoadFile(file) || !decoder.GetFileInfoText(text)) {
      std::fprintf(stderr, "%s\n", decoder.LastError().c_str());
      return 1;
    }
    // How the player turns the pictures to show them upright.
    if (const AVFormatContext* ic = decoder.FormatContext())
      for (unsigned i = 0; i < ic->nb_streams; ++i) {
        const std::string turn = zv::OrientationText(zv::StreamOrientation(ic->streams[i]));
        if (ic->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || turn.empty()) continue;
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += "Stream #" + std::to_string(i) + " Rotation: " + turn + "\r\n";
      }
    // The sound tracks as the player's menu and --aid number them.
    if (const AVFormatContext* ic = decoder.FormatContext()) {
      const zv::TFileTracks tracks = zv::ReadTracks(ic);
      if (!tracks.Audio.empty() && !text.empty() && text.back() != '\n') text += "\r\n";
      for (const zv::TTrack& t : tracks.Audio) text += "Audio track " + t.Name + "\r\n";
    }
  }
  // A terminal wants plain line feeds; the description itself ends lines with CR LF.
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  return 0;
}
