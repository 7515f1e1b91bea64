#pragma once

#include "app/CRefCounted.h"

// The model factory as the render settings see it: the global rebuilds and
// texture-filter changes they ask for. The OpenGL factory implements these
// beside its model, texture and stock-object operations.
class CModelFactory : public CRefCounted
{
public:
    virtual ~CModelFactory() {}

    // Rebuilds every group of every model for the render path mode (0
    // immediate, 1 vertex arrays, 2 VBO; 4 = each group's own path) and
    // records its display list again. Returns the number of failures.
    virtual int RecompileAll(int mode) = 0;
    // The same for the groups that have a display list only.
    virtual int RecompileCompiledLists(int mode) = 0;
    // Texture filters for every texture: 1 nearest, 2 bilinear, 4 trilinear
    // (mip-mapped textures only); other values change nothing.
    virtual void SetTextureFilter(int quality) = 0;
    // Allows (true) or forbids the use of mip-map levels beyond the first.
    virtual void SetMipMapFilter(bool on) = 0;
};
