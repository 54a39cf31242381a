#pragma once
// Frame code: a strip of black and white blocks along the bottom of a picture that carries the
// frame number, so a test can tell which frame a decoded or grabbed picture shows.
//
// Layout: the bottom tenth of the picture (at least 8 rows) is split across the full width into
// 20 equal cells: white, black, 16 bits of the number (most significant first, white = 1),
// black, white. The fixed outer cells let the reader find its own black and white levels and
// reject pictures without a code. Geometry is relative to the picture, so the code survives
// scaling, and the cells are wide enough (>= 8 px at 160 px) to survive JPEG and video coding.
// Header-only; any thread may call these functions.

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cstdint>

namespace framecode {

inline constexpr int kCellCount = 20;
inline constexpr int kBitCount = 16;
inline constexpr int kFirstBitCell = 2;
inline constexpr int kMinStripRows = 8;
inline constexpr int kMinContrast = 60;
inline constexpr std::uint8_t kLumaWhite = 235;
inline constexpr std::uint8_t kLumaBlack = 16;

// Rows occupied by the strip in a picture of the given height (even, so 4:2:0 chroma aligns).
inline int StripRows(int height) {
    int rows = std::max(kMinStripRows, height / 10);
    rows += rows & 1;
    return std::min(rows, height);
}

inline int CellLeft(int width, int cell) {
    return static_cast<int>(static_cast<std::int64_t>(width) * cell / kCellCount);
}

// True when the cell is white for this frame number (only the low 16 bits are encoded).
inline bool CellIsWhite(int cell, int frameNumber) {
    if (cell == 0 || cell == kCellCount - 1) {
        return true;
    }
    if (cell == 1 || cell == kCellCount - 2) {
        return false;
    }
    const int bit = kBitCount - 1 - (cell - kFirstBitCell);
    return ((static_cast<unsigned>(frameNumber) >> bit) & 1U) != 0;
}

// Paints the strip into an 8-bit luma plane (the writer's path: no colour conversion needed).
// Chroma under the strip must be set neutral by the caller.
inline void PaintFrameCodeLuma(std::uint8_t* plane, int stride, int width, int height,
                               int frameNumber) {
    const int top = height - StripRows(height);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int left = CellLeft(width, cell);
        const int right = CellLeft(width, cell + 1);
        const std::uint8_t value = CellIsWhite(cell, frameNumber) ? kLumaWhite : kLumaBlack;
        for (int y = top; y < height; ++y) {
            std::fill(plane + static_cast<std::ptrdiff_t>(y) * stride + left,
                      plane + static_cast<std::ptrdiff_t>(y) * stride + right, value);
        }
    }
}

// Paints the strip into a picture (an RGB format), pixel by pixel.
inline void EncodeFrameCode(QImage& image, int frameNumber) {
    if (image.isNull()) {
        return;
    }
    const int top = image.height() - StripRows(image.height());
    for (int cell = 0; cell < kCellCount; ++cell) {
        const QColor colour = CellIsWhite(cell, frameNumber)
                                  ? QColor(kLumaWhite, kLumaWhite, kLumaWhite)
                                  : QColor(kLumaBlack, kLumaBlack, kLumaBlack);
        for (int y = top; y < image.height(); ++y) {
            for (int x = CellLeft(image.width(), cell); x < CellLeft(image.width(), cell + 1);
                 ++x) {
                image.setPixelColor(x, y, colour);
            }
        }
    }
}

// Mean grey level of the middle of one cell, over rows well inside the strip at any scale.
inline int SampleCell(const QImage& image, int cell) {
    const int width = image.width();
    const int height = image.height();
    const int cellLeft = CellLeft(width, cell);
    const int cellWidth = CellLeft(width, cell + 1) - cellLeft;
    const int x0 = cellLeft + cellWidth / 4;
    const int x1 = std::max(x0 + 1, cellLeft + (cellWidth * 3) / 4);
    const int y0 = std::min(height - 1, height * 93 / 100);
    const int y1 = std::max(y0 + 1, height * 99 / 100);
    long sum = 0;
    long count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += qGray(image.pixel(x, y));
            ++count;
        }
    }
    return count > 0 ? static_cast<int>(sum / count) : 0;
}

// The frame number shown by the picture (0..65535), or -1 when it carries no readable code.
inline int DecodeFrameCode(const QImage& image) {
    if (image.width() < kCellCount || image.height() < kMinStripRows) {
        return -1;
    }
    int levels[kCellCount];
    for (int cell = 0; cell < kCellCount; ++cell) {
        levels[cell] = SampleCell(image, cell);
    }
    const int white = std::min(levels[0], levels[kCellCount - 1]);
    const int black = std::max(levels[1], levels[kCellCount - 2]);
    if (white - black < kMinContrast) {
        return -1;
    }
    const int threshold = (white + black) / 2;
    int number = 0;
    for (int bit = 0; bit < kBitCount; ++bit) {
        number = (number << 1) | (levels[kFirstBitCell + bit] > threshold ? 1 : 0);
    }
    return number;
}

}  // namespace framecode

using framecode::DecodeFrameCode;
using framecode::EncodeFrameCode;
