#pragma once
// The text layer on screen: an SDL texture the layer is uploaded into when it
// changes, drawn over the picture (or the waveform) on every drawing.
#include <SDL2/SDL.h>

#include <vector>

#include "engine/text_overlay.h"
#include "runtime/sdl_loader.h"

namespace zv {

class TOverlayTexture {
public:
  // Play thread, after the picture is drawn and before presenting: renders the
  // overlay for mediaTime (s) and draws it.
  void Draw(const TSDLEntryPoints& sdl, SDL_Renderer* renderer, TTextOverlay& overlay, const TOverlayGeometry& g,
            double mediaTime);
  // The renderer is going: its textures go with it.
  void Forget();

private:
  SDL_Texture* FTexture = nullptr;  // play thread only
  SDL_Renderer* FRenderer = nullptr;
  int FWidth = 0, FHeight = 0;
  std::vector<TOverlayRect> FUploaded;  // what the texture holds
};

}  // namespace zv
