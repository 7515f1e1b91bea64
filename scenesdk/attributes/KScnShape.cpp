#include "scenesdk/attributes/KScnShape.h"

namespace scenesdk
{

KScnShape& KScnShape::Copy(const KScnShape& other)
{
    if (&other != this)
    {
        CopyControlPoints(other);
    }
    return *this;
}

} // namespace scenesdk
