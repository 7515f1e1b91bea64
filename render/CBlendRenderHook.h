#pragma once

#include "render/IRenderHook.h"

// Alpha blending for semi-transparent objects: Begin switches blending on
// (while the renderer allows transparency) with source alpha over one minus
// source alpha; End switches it off and leaves the blend function set.
class CBlendRenderHook : public IRenderHook
{
public:
    void Begin() override;
    void End() override;
};
