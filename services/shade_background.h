// Recolours the banner's background to the system's button-face colour.
#pragma once

#include <cstdint>

#include "platform/user_interface.h"

namespace quelmar {

// The colour sampled from the banner's top-left pixel on the first call and
// kept for the life of the program; 0 until a colour has been sampled.
struct SampledBackground {
  uint32_t colour = 0;
};

// Every pixel of the sampled colour becomes the button-face colour; nothing
// changes when the two are the same.
void ShadeBackground(Picture& picture, SampledBackground& sampled);

}  // namespace quelmar
