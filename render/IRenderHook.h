#pragma once

#include "app/CRefCounted.h"

// A render-state bracket around one hook tree of the scene graph: Begin
// before its objects are drawn, End after.
class IRenderHook : public CRefCounted
{
public:
    ~IRenderHook() override {}
    virtual void Begin() = 0;
    virtual void End() = 0;
};
