#include "services/shade_background.h"

namespace quelmar {

void ShadeBackground(Picture& picture, SampledBackground& sampled) {
  if (sampled.colour == 0) sampled.colour = picture.GetPixel(0, 0);
  const uint32_t face = picture.ButtonFaceColour();
  if (sampled.colour == face) return;
  for (int y = 0; y < picture.InnerHeight(); ++y) {
    const int width = picture.InnerWidth();
    for (int x = 0; x < width; ++x)
      if (picture.GetPixel(x, y) == sampled.colour)
        picture.SetPixel(x, y, face);
  }
  picture.Repaint();
}

}  // namespace quelmar
