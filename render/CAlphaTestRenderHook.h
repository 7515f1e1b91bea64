#pragma once

#include "render/IRenderHook.h"

// Cut-out foliage: Begin draws both faces and keeps only fragments with
// alpha above 0.5 (while the renderer allows transparency); End culls back
// faces again and switches the alpha test off.
class CAlphaTestRenderHook : public IRenderHook
{
public:
    void Begin() override;
    void End() override;
};
