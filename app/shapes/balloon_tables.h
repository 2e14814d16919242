#pragma once
// The four balloon outlines. The first is the balloon with its tail below, tip toward the right;
// the other three are the same outline turned or mirrored in the 200 x 160 balloon frame, so that
// the tail can point at the character from any side. The balloon pictures are drawn from these
// rows, not the other way round: the rows are the balloon's design.
#include "region_table.h"

#include <array>
#include <cstddef>

namespace balloon_tables {

inline constexpr int kWidth = 200;
inline constexpr int kHeight = 160;

// Body first (rows 1 to 27, symmetric about column 98 and scanline 69), then the tail.
inline constexpr std::array<RectRow, 40> kBalloon1{{
    {36, 4, 160, 6},      {32, 6, 164, 8},      {28, 8, 168, 10},     {26, 10, 170, 12},
    {22, 12, 174, 14},    {20, 14, 176, 16},    {18, 16, 178, 18},    {16, 18, 180, 20},
    {14, 20, 182, 22},    {12, 22, 184, 26},    {10, 26, 186, 28},    {8, 28, 188, 32},
    {6, 32, 190, 36},     {4, 36, 192, 102},    {6, 102, 190, 106},   {8, 106, 188, 110},
    {10, 110, 186, 112},  {12, 112, 184, 116},  {14, 116, 182, 118},  {16, 118, 180, 120},
    {18, 120, 178, 122},  {20, 122, 176, 124},  {22, 124, 174, 126},  {26, 126, 170, 128},
    {28, 128, 168, 130},  {32, 130, 164, 132},  {36, 132, 160, 134},  {94, 134, 118, 136},
    {96, 136, 118, 138},  {98, 138, 118, 140},  {100, 140, 118, 142}, {102, 142, 120, 144},
    {104, 144, 120, 146}, {106, 146, 120, 148}, {108, 148, 120, 150}, {110, 150, 120, 152},
    {112, 152, 120, 154}, {114, 154, 120, 156}, {116, 156, 120, 158}, {118, 158, 120, 160},
}};

namespace detail {

enum class Turn { HalfTurn, FlipVertical, FlipHorizontal };

constexpr std::array<RectRow, 40> transformed(Turn turn) {
    std::array<RectRow, 40> out{};
    const std::size_t n = kBalloon1.size();
    for (std::size_t i = 0; i < n; ++i) {
        const RectRow& r = kBalloon1[i];
        switch (turn) {
        case Turn::HalfTurn: // rows reversed so that tops still ascend
            out[n - 1 - i] = {kWidth - r.right, kHeight - r.bottom, kWidth - r.left, kHeight - r.top};
            break;
        case Turn::FlipVertical:
            out[n - 1 - i] = {r.left, kHeight - r.bottom, r.right, kHeight - r.top};
            break;
        case Turn::FlipHorizontal:
            out[i] = {kWidth - r.right, r.top, kWidth - r.left, r.bottom};
            break;
        }
    }
    return out;
}

} // namespace detail

// Tail above, tip toward the left.
inline constexpr std::array<RectRow, 40> kBalloon2 = detail::transformed(detail::Turn::HalfTurn);
// Tail above, tip toward the right.
inline constexpr std::array<RectRow, 40> kBalloon3 = detail::transformed(detail::Turn::FlipVertical);
// Tail below, tip toward the left.
inline constexpr std::array<RectRow, 40> kBalloon4 = detail::transformed(detail::Turn::FlipHorizontal);

} // namespace balloon_tables
