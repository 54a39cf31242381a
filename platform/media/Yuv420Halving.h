#pragma once
// Halves a planar 4:2:0 picture in both directions by averaging each 2x2 block: exact area
// averaging at a ratio of two, at a fraction of libswscale's area filter's cost. The renderer
// halves while its view is at most half the picture and lets libswscale cover the rest.

#include "platform/media/AvHandles.h"

namespace platform::media {

// Whether HalveYuv420 takes the picture: planar 4:2:0 with sides divisible by four (so its
// halved chroma planes are whole).
bool CanHalveYuv420(int width, int height, int format);

// Writes the halved picture into *target, (re)allocating it when its size or format differs.
// The source's size must pass CanHalveYuv420; false when memory runs out.
bool HalveYuv420(const AVFrame* source, FramePtr* target);

}  // namespace platform::media
