#pragma once

#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

// Colour values of properties: four doubles like KgeTVector, kept as types of
// their own so that colour properties (type codes 14 and 15) have their own
// templates. An RGB colour's fourth component is 1.0 by default, an RGBA
// colour's is 0.0 (all four start at 0).
class KgeRGBVector : public KgeTVector
{
public:
    explicit KgeRGBVector(double r = 0.0, double g = 0.0, double b = 0.0, double w = 1.0)
        : KgeTVector(r, g, b, w)
    {
    }
};

class KgeRGBAVector : public KgeTVector
{
public:
    explicit KgeRGBAVector(double r = 0.0, double g = 0.0, double b = 0.0, double a = 0.0)
        : KgeTVector(r, g, b, a)
    {
    }
};

} // namespace scenesdk
