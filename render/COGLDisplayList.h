#pragma once

#include "app/CRefCounted.h"

#include <cstdint>

class CModelFactory;
class COGLRenderer;

// A stock object of the model factory (a GUI rectangle) recorded into one
// display list, drawn with or without blending. Owns the list.
class COGLDisplayList : public CRefCounted
{
public:
    enum
    {
        BLEND_NONE = 0,
        BLEND_ALPHA = 1,
        BLEND_COLOUR = 2
    };

    // factory and renderer are not counted: both outlive their stock objects.
    COGLDisplayList(CModelFactory* factory, COGLRenderer* renderer, uint32_t listId, int32_t blendMode);
    // Deletes the list when it exists.
    virtual ~COGLDisplayList();

    // Calls the list; while the renderer allows transparency, with the
    // blending of the blend mode.
    virtual void Render();

    uint32_t GetListId() const { return m_uiListId; }
    int32_t GetBlendMode() const { return m_iBlendMode; }

private:
    COGLRenderer* m_pRenderer;
    uint32_t m_uiListId;
    int32_t m_iBlendMode;
};
