#include "services/shade_background.h"

namespace quelmar {

void ShadeBackground(Picture& picture, SampledBackground& sampled) {
  if (sampled.colour == 0) sampled.colour = picture.GetPixel(0, 0);
  picture.SetPersistentDrawing(true);
  const uint32_t face = picture.ButtonFaceColour();
  if (sampled.colour == face) return;
  picture.SetScaleInPixels(true);
  for (int y = 0; y < picture.InnerHeight(); ++y) {
    const int width = picture.InnerWidth();
    for (int x = 0; x < width; ++x)
      if (picture.GetPixel(x, y) == sampled.colour)
        picture.SetPixel(x, y, face);
  }
  picture.Repaint();
  picture.SetScaleInPixels(false);
}

}  // namespace quelmar
