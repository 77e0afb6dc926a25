#include "engine/overlay_texture.h"

#include <algorithm>

namespace zv {

void TOverlayTexture::Forget() {
  FTexture = nullptr;
  FRenderer = nullptr;
  FWidth = FHeight = 0;
  FUploaded.clear();
}

void TOverlayTexture::Draw(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, TTextOverlay& overlay,
                           const TOverlayGeometry& g, double mediaTime) {
  if (!renderer || !overlay.Available()) return;
  const bool changed = overlay.Render(g, mediaTime);
  const TOverlayLayer& layer = overlay.Layer();
  if (layer.Empty() && FUploaded.empty()) return;
  if (FTexture && (FRenderer != renderer || FWidth != layer.Width || FHeight != layer.Height)) {
    if (FRenderer == renderer) sdl.SDL_DestroyTexture(FTexture);
    Forget();
  }
  bool fresh = false;
  if (!FTexture) {
    if (layer.Empty()) return;
    FTexture = sdl.SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, layer.Width,
                                     layer.Height);
    if (!FTexture) return;
    sdl.SDL_SetTextureBlendMode(FTexture, SDL_BLENDMODE_BLEND);
    FRenderer = renderer;
    FWidth = layer.Width;
    FHeight = layer.Height;
    fresh = true;
  }
  if (changed || fresh) {
    // What the texture held before goes too: those places are cleared in the layer.
    auto upload = [&](const TOverlayRect& r) {
      const SDL_Rect rect{r.X, r.Y, r.Width, r.Height};
      sdl.SDL_UpdateTexture(FTexture, &rect, layer.Argb.data() + size_t(r.Y) * layer.Width + r.X, layer.Width * 4);
    };
    if (!fresh)
      for (const TOverlayRect& r : FUploaded) upload(r);
    for (const TOverlayRect& r : layer.Parts)
      if (fresh || std::find(FUploaded.begin(), FUploaded.end(), r) == FUploaded.end()) upload(r);
    FUploaded = layer.Parts;
  }
  for (const TOverlayRect& r : layer.Parts) {
    const SDL_Rect rect{r.X, r.Y, r.Width, r.Height};
    sdl.SDL_RenderCopy(renderer, FTexture, &rect, &rect);
  }
}

}  // namespace zv
