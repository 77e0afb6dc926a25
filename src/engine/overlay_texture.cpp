#include "engine/overlay_texture.h"

#include <algorithm>

namespace zv {

namespace {
SDL_Rect Union(const SDL_Rect& a, const SDL_Rect& b) {
  if (a.w <= 0 || a.h <= 0) return b;
  if (b.w <= 0 || b.h <= 0) return a;
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}
}  // namespace

void TOverlayTexture::Forget() {
  FTexture = nullptr;
  FRenderer = nullptr;
  FWidth = FHeight = 0;
  FUploaded = SDL_Rect{0, 0, 0, 0};
}

void TOverlayTexture::Draw(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, TTextOverlay& overlay,
                           const TOverlayGeometry& g, double mediaTime) {
  if (!renderer || !overlay.Available()) return;
  const bool changed = overlay.Render(g, mediaTime);
  const TOverlayLayer& layer = overlay.Layer();
  if (layer.Empty() && FUploaded.w <= 0) return;
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
  const SDL_Rect box{layer.BoxX, layer.BoxY, layer.BoxWidth, layer.BoxHeight};
  if (changed || fresh) {
    // What the texture held before goes too: its old box is cleared in the layer.
    const SDL_Rect upload = fresh ? box : Union(box, FUploaded);
    if (upload.w > 0 && upload.h > 0)
      sdl.SDL_UpdateTexture(FTexture, &upload, layer.Argb.data() + size_t(upload.y) * layer.Width + upload.x,
                            layer.Width * 4);
    FUploaded = box;
  }
  if (box.w > 0 && box.h > 0) sdl.SDL_RenderCopy(renderer, FTexture, &box, &box);
}

}  // namespace zv
