// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// How the receipt window lays its controls out for its size. Pure arithmetic on twips, kept apart from
// the window so that it can be checked without one.

// The smallest outer size the window springs back to.
inline constexpr float kMinimumOuterHeight = 6810;
inline constexpr float kMinimumOuterWidth = 9270;
// The frame and caption those figures allow for around the client area. The outer size is judged by
// the client area inside this frame, whatever frame the platform draws (or has yet to draw): the
// smallest client area is then the one the window is created with.
inline constexpr float kFrameHeight = 480;
inline constexpr float kFrameWidth = 120;
inline constexpr float kMinimumClientHeight = kMinimumOuterHeight - kFrameHeight;
inline constexpr float kMinimumClientWidth = kMinimumOuterWidth - kFrameWidth;

// True when the window's outer size is below the minimum in both directions (height and width strictly
// below): it is then set back to kMinimumOuterHeight x kMinimumOuterWidth. Too small in one direction
// only, it keeps its size.
bool needsMinimumSize(float outerHeight, float outerWidth);

enum class LayoutProperty { Width, Height, Top };

// One property write: the control's object name, the property and its value in twips.
struct LayoutWrite {
    const char *control;
    LayoutProperty property;
    float value;
};

// The 14 writes, in the order they are made, for a client area of scaleWidth x scaleHeight twips: the
// grid takes the width and height left over, and the block below it keeps its distance from the bottom
// edge. Values are computed in single precision and may be negative (a write the window refuses).
std::array<LayoutWrite, 14> resizeLayout(float scaleWidth, float scaleHeight);
