#pragma once

#include "app/CRefCounted.h"

// Base of the shader objects a triangle group can be drawn with (render
// path 3). The renderer only draws through it: Render draws the group with
// the shader bound, Unbind switches the shader's profiles off again.
class CCgShader : public CRefCounted
{
public:
    virtual ~CCgShader() {}
    virtual void Render() = 0;
    virtual void Unbind() = 0;
    virtual void Reserved() {}
};
