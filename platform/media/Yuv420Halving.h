#pragma once
// Halves (or quarters) a planar 4:2:0 picture in both directions by averaging each 2x2 (4x4)
// block: exact area averaging at a ratio of two (four), at a fraction of libswscale's area
// filter's cost. The renderer quarters and halves while its view is at most that part of the
// picture and lets libswscale cover the rest; quartering reads a picture once where halving
// twice would write and read its half again (a 4K picture is mostly memory traffic).

#include "platform/media/AvHandles.h"

namespace platform::media {

// Whether HalveYuv420 takes the picture: planar 4:2:0 with sides divisible by four (so its
// halved chroma planes are whole).
bool CanHalveYuv420(int width, int height, int format);

// Writes the halved picture into *target, (re)allocating it when its size or format differs.
// The source's size must pass CanHalveYuv420; false when memory runs out.
bool HalveYuv420(const AVFrame* source, FramePtr* target);

// The same for QuarterYuv420: sides divisible by eight.
bool CanQuarterYuv420(int width, int height, int format);
bool QuarterYuv420(const AVFrame* source, FramePtr* target);

}  // namespace platform::media
