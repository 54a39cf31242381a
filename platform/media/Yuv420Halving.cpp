#include "platform/media/Yuv420Halving.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstddef>
#include <cstdint>

namespace platform::media {

namespace {

// One output row from two input rows: each output byte is the rounded mean of a 2x2 block.
void HalveRow(const uint8_t* top, const uint8_t* bottom, uint8_t* out, ptrdiff_t width) {
    ptrdiff_t x = 0;
#if defined(__SSE2__)
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i two = _mm_set1_epi16(2);
    // Sums of the even and odd bytes of both rows in 16-bit lanes, 8 outputs per 16 bytes.
    const auto blocks = [&](ptrdiff_t at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * at));
        const __m128i sum =
            _mm_add_epi16(_mm_add_epi16(_mm_and_si128(a, lowBytes), _mm_srli_epi16(a, 8)),
                          _mm_add_epi16(_mm_and_si128(b, lowBytes), _mm_srli_epi16(b, 8)));
        return _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    };
    for (; x + 16 <= width; x += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_packus_epi16(blocks(x), blocks(x + 8)));
    }
#endif
    for (; x < width; ++x) {
        const int sum = top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1];
        out[x] = static_cast<uint8_t>((sum + 2) >> 2);
    }
}

// One output row from four input rows: each output byte is the rounded mean of a 4x4 block.
void QuarterRow(const uint8_t* const rows[4], uint8_t* out, ptrdiff_t width) {
    ptrdiff_t x = 0;
#if defined(__SSE2__)
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i eight = _mm_set1_epi32(8);
    // Four rounded means (32-bit lanes) from the 16 input columns at 4 * at: column pairs are
    // summed in 16-bit lanes over the four rows, then neighbouring pairs in 32-bit lanes.
    const auto four = [&](ptrdiff_t at) {
        __m128i sum = _mm_setzero_si128();
        for (int r = 0; r < 4; ++r) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + 4 * at));
            sum =
                _mm_add_epi16(sum, _mm_add_epi16(_mm_and_si128(v, lowBytes), _mm_srli_epi16(v, 8)));
        }
        return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(sum, ones), eight), 4);
    };
    for (; x + 16 <= width; x += 16) {
        const __m128i a = _mm_packs_epi32(four(x), four(x + 4));
        const __m128i b = _mm_packs_epi32(four(x + 8), four(x + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(a, b));
    }
#endif
    for (; x < width; ++x) {
        int sum = 0;
        for (int r = 0; r < 4; ++r) {
            sum += rows[r][4 * x] + rows[r][4 * x + 1] + rows[r][4 * x + 2] + rows[r][4 * x + 3];
        }
        out[x] = static_cast<uint8_t>((sum + 8) >> 4);
    }
}

// Writes source reduced by factor (2 or 4) into *target, (re)allocating it as needed.
bool Reduce(const AVFrame* source, FramePtr* target, int factor) {
    const int width = source->width / factor;
    const int height = source->height / factor;
    AVFrame* out = target->get();
    if (out == nullptr || out->width != width || out->height != height ||
        out->format != AV_PIX_FMT_YUV420P) {
        target->reset(av_frame_alloc());
        out = target->get();
        if (out == nullptr) {
            return false;
        }
        out->format = AV_PIX_FMT_YUV420P;
        out->width = width;
        out->height = height;
        if (av_frame_get_buffer(out, 0) < 0) {
            target->reset();
            return false;
        }
    }
    for (int plane = 0; plane < 3; ++plane) {
        const int planeWidth = plane == 0 ? width : width / 2;
        const int planeHeight = plane == 0 ? height : height / 2;
        const ptrdiff_t inStride = source->linesize[plane];
        for (int y = 0; y < planeHeight; ++y) {
            const uint8_t* top =
                source->data[plane] + static_cast<ptrdiff_t>(factor) * y * inStride;
            uint8_t* row = out->data[plane] + static_cast<ptrdiff_t>(y) * out->linesize[plane];
            if (factor == 2) {
                HalveRow(top, top + inStride, row, planeWidth);
            } else {
                const uint8_t* const rows[4] = {top, top + inStride, top + 2 * inStride,
                                                top + 3 * inStride};
                QuarterRow(rows, row, planeWidth);
            }
        }
    }
    return true;
}

}  // namespace

bool CanHalveYuv420(int width, int height, int format) {
    return format == AV_PIX_FMT_YUV420P && width >= 4 && height >= 4 && width % 4 == 0 &&
           height % 4 == 0;
}

bool HalveYuv420(const AVFrame* source, FramePtr* target) {
    return Reduce(source, target, 2);
}

bool CanQuarterYuv420(int width, int height, int format) {
    return format == AV_PIX_FMT_YUV420P && width >= 8 && height >= 8 && width % 8 == 0 &&
           height % 8 == 0;
}

bool QuarterYuv420(const AVFrame* source, FramePtr* target) {
    return Reduce(source, target, 4);
}

}  // namespace platform::media
