#pragma once

// KMade: for a caller that cannot go without what a factory answering null
// when memory runs out made (KFCurve::Create, KFCurveNode::Create, a
// tree's Clone): the object, or std::bad_alloc, the form every reader
// catches (the read then fails with error 0 "out of memory while ..." and
// the scene as it was). A part the caller can do without is checked for
// null instead.

#include <new>

namespace scenesdk
{

template <typename T> T* KMade(T* made)
{
    if (made == nullptr)
        throw std::bad_alloc();
    return made;
}

} // namespace scenesdk
