#include "app/engine_player.h"

#include <cstring>
#include <utility>

#include "filters/eq_filter.h"
#include "filters/hue_filter.h"
#include "runtime/media_errors.h"
#include "runtime/orientation.h"

namespace zvapp {

TEnginePlayer::TEnginePlayer() : FPlayer(std::make_unique<zv::TFFPlayer>()) {}

TEnginePlayer::~TEnginePlayer() = default;

void TEnginePlayer::RegisterFilters() {
  zv::RegisterEqFilter();
  zv::RegisterHueFilter();
}

std::string TEnginePlayer::FileInfoText() { return FPlayer->FileInfoText(); }
std::vector<zv::TChapter> TEnginePlayer::Chapters() { return FPlayer->Chapters(); }

bool TEnginePlayer::VideoShape(TVideoShape& shape) {
  zv::TMediaState* playback = FPlayer->CurStream();
  // The stream's parameters, not the decoder's context: the video thread is
  // already writing to that one.
  if (!playback || !playback->VideoStream) return false;
  const AVCodecParameters* par = playback->VideoStream->codecpar;
  shape.width = par->width;
  shape.height = par->height;
  shape.sarNum = par->sample_aspect_ratio.num;
  shape.sarDen = par->sample_aspect_ratio.den;
  // Shown upright: a quarter turn swaps the sides and the pixel shape.
  if (zv::StreamOrientation(playback->VideoStream).SwapsSides()) {
    std::swap(shape.width, shape.height);
    std::swap(shape.sarNum, shape.sarDen);
  }
  return true;
}

std::string TEnginePlayer::MetadataTitle() {
  zv::TMediaState* playback = FPlayer->CurStream();
  if (!playback || !playback->FormatContext) return {};
  return zv::GetMetadataValue(playback->FormatContext->metadata, "title", "");
}

void TEnginePlayer::ClearHookEvents() {
  FPlayer->SetOnVideoHook(nullptr);
  FPlayer->SetOnAudioHook(nullptr);
}

QImage BitmapToImage(const zv::TBitmap& bitmap) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return {};
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memcpy(image.scanLine(y), bitmap.ScanLine(y), size_t(bitmap.Width()) * 3);
  return image;
}

QImage TEnginePlayer::CurrentFrame() {
  zv::TBitmap& frame = FPlayer->CurrentFrame();
  frame.Canvas().Lock();
  QImage image = BitmapToImage(frame);
  frame.Canvas().Unlock();
  return image;
}

}  // namespace zvapp
