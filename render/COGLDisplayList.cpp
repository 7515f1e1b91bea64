#include "render/COGLDisplayList.h"

#include "platform/gl/GL.h"
#include "render/COGLRenderer.h"

COGLDisplayList::COGLDisplayList(CModelFactory* /*factory*/, COGLRenderer* renderer, uint32_t listId,
                                 int32_t blendMode)
    : m_pRenderer(renderer), m_uiListId(listId), m_iBlendMode(blendMode)
{
}

COGLDisplayList::~COGLDisplayList()
{
    if (m_uiListId != 0 && glIsList(m_uiListId))
        glDeleteLists(m_uiListId, 1);
}

void COGLDisplayList::Render()
{
    const bool blend = m_pRenderer && m_pRenderer->GetTransparency() &&
                       (m_iBlendMode == BLEND_ALPHA || m_iBlendMode == BLEND_COLOUR);
    if (blend)
    {
        glEnable(GL_BLEND);
        if (m_iBlendMode == BLEND_ALPHA)
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        else
            glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    }
    glCallList(m_uiListId);
    if (blend)
        glDisable(GL_BLEND);
}
