// SPDX-License-Identifier: GPL-3.0-or-later
#include "resizelayout.h"

bool needsMinimumSize(float outerHeight, float outerWidth)
{
    return outerHeight < kMinimumOuterHeight && outerWidth < kMinimumOuterWidth;
}

std::array<LayoutWrite, 14> resizeLayout(float scaleWidth, float scaleHeight)
{
    const float sw = scaleWidth;
    const float sh = scaleHeight;
    return {{
        {"MSFGAZ", LayoutProperty::Width, sw - 850.0f},
        {"MSFGAZ", LayoutProperty::Height, sh - 4500.0f},
        {"Text7", LayoutProperty::Top, sh - 2900.0f},
        {"Label6", LayoutProperty::Top, sh - 2900.0f},
        {"Text4", LayoutProperty::Top, sh - 2380.0f},
        {"Label1", LayoutProperty::Top, sh - 2380.0f},
        {"TextFIO", LayoutProperty::Top, sh - 1500.0f},
        {"Label3", LayoutProperty::Top, sh - 1500.0f},
        {"Label4", LayoutProperty::Top, sh - 1500.0f},
        {"Label5", LayoutProperty::Top, sh - 1200.0f},
        {"CmdAddS", LayoutProperty::Top, sh - 700.0f},
        {"CmdDelS", LayoutProperty::Top, sh - 700.0f},
        {"CmdPrint", LayoutProperty::Top, sh - 700.0f},
        {"CmdExit", LayoutProperty::Top, sh - 700.0f},
    }};
}
