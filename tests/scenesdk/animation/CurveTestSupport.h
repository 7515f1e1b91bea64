#pragma once

// Helpers shared by the curve tests.

#include "scenesdk/animation/KTime.h"

namespace curvetest
{

// A time of s seconds.
inline scenesdk::KTime Sec(double s)
{
    scenesdk::KTime t;
    t.SetSeconds(s);
    return t;
}

} // namespace curvetest
