#include "render/COGLGlobalRenderSettings.h"

#include "app/Log.h"
#include "platform/gl/GL.h"
#include "render/CModelFactory.h"
#include "render/IRenderer.h"

namespace
{

// Render path 4 tells the factory to give each group its own path again.
const int kOwnRenderMode = 4;

} // namespace

COGLGlobalRenderSettings::COGLGlobalRenderSettings(IRenderer* owner)
    : m_pOwner(owner), m_pModelFactory(nullptr), m_OverrideColour{1, 1, 1, 1}, m_ClearColour{0, 0, 0, 0},
      m_iOverrideMask(-1), m_iSavedMask(-1), m_bOverrideActive(false), m_iTextureSettings(12),
      m_bTextureOverrideActive(false), m_iRenderModeOverride(0), m_bRenderModeOverrideActive(false),
      m_iCacheMode(CACHE_NO_LISTS), m_bCacheModeOverrideActive(false)
{
}

bool COGLGlobalRenderSettings::IsOverrideActive() const
{
    return m_bOverrideActive || m_bTextureOverrideActive;
}

void COGLGlobalRenderSettings::ClearOverrideMask()
{
    m_iOverrideMask = 0;
    m_bOverrideActive = true;
}

void COGLGlobalRenderSettings::ResetOverrideMask()
{
    m_iOverrideMask = -1;
    m_bOverrideActive = false;
}

void COGLGlobalRenderSettings::Save()
{
    m_iSavedMask = m_iOverrideMask;
}

void COGLGlobalRenderSettings::Restore()
{
    m_iOverrideMask = m_iSavedMask;
    m_bOverrideActive = m_iOverrideMask != -1;
}

void COGLGlobalRenderSettings::SetMaskBit(int32_t bit, bool on)
{
    if (on)
    {
        m_iOverrideMask |= bit;
        m_bOverrideActive = m_iOverrideMask != -1;
    }
    else
    {
        m_iOverrideMask &= ~bit;
        m_bOverrideActive = true;
    }
}

void COGLGlobalRenderSettings::SetOverrideBit1(bool on)
{
    SetMaskBit(MASK_BIT1, on);
}

void COGLGlobalRenderSettings::SetOverrideBit2(bool on)
{
    SetMaskBit(MASK_LIGHTING, on);
}

void COGLGlobalRenderSettings::SetOverrideBit8(bool on)
{
    SetMaskBit(MASK_TEXTURES, on);
}

void COGLGlobalRenderSettings::SetOverrideBit16(bool on)
{
    SetMaskBit(MASK_BIT16, on);
}

void COGLGlobalRenderSettings::SetMipMapping(bool on)
{
    if (on)
        m_iTextureSettings |= TEXTURE_MIPMAP;
    else
    {
        m_iTextureSettings &= ~TEXTURE_MIPMAP;
        m_bTextureOverrideActive = true;
    }
    if (m_pModelFactory)
        m_pModelFactory->SetMipMapFilter(on);
}

void COGLGlobalRenderSettings::SetTextureQuality(int quality, bool on)
{
    if (on)
    {
        if (quality < 0 || quality > 4)
            return;
        m_iTextureSettings = (m_iTextureSettings & TEXTURE_MIPMAP) | quality;
        m_bTextureOverrideActive = true;
        if (m_pModelFactory)
            m_pModelFactory->SetTextureFilter(quality);
    }
    else
    {
        m_iTextureSettings &= TEXTURE_MIPMAP;
        m_bTextureOverrideActive = (m_iTextureSettings & TEXTURE_MIPMAP) == 0;
    }
}

void COGLGlobalRenderSettings::Recompile(bool all, int mode, const char* message)
{
    if (!m_pModelFactory)
        return;
    int failures = all ? m_pModelFactory->RecompileAll(mode) : m_pModelFactory->RecompileCompiledLists(mode);
    if (failures != 0)
        Log(1, "%s", message);
}

bool COGLGlobalRenderSettings::SetRenderModeOverride(int mode, bool on)
{
    static const char* const kError = "Error occured in COGLGlobalRenderSettings::SetRenderModeOverride()";
    if (on)
    {
        // Vertex buffers need the display lists off.
        const bool listsOff = m_bCacheModeOverrideActive && m_iCacheMode == CACHE_NO_LISTS;
        if ((mode == 2 || mode == 4) && !listsOff)
            return false;
        if (mode < 0 || mode > 3)
        {
            Log(1, "Unknown RenderModeOverride in COGLGlobalRenderSettings::SetRenderModeOverride()");
            return false;
        }
        if (!m_bCacheModeOverrideActive)
            Recompile(false, mode, kError);
        else if (m_iCacheMode == CACHE_GLOBAL_LISTS)
            Recompile(true, mode, kError);
        else if (m_iCacheMode == CACHE_NO_LISTS && mode == 2)
            Recompile(true, 2, kError);
        m_iRenderModeOverride = mode;
        m_bRenderModeOverrideActive = true;
        return true;
    }
    if (!m_bCacheModeOverrideActive)
        Recompile(false, kOwnRenderMode, kError);
    else if (m_iCacheMode == CACHE_GLOBAL_LISTS)
        Recompile(true, kOwnRenderMode, kError);
    m_iRenderModeOverride = mode;
    m_bRenderModeOverrideActive = false;
    return true;
}

bool COGLGlobalRenderSettings::SetCacheModeOverride(int mode, bool on)
{
    static const char* const kError = "Error occured in COGLGlobalRenderSettings::SetCacheModeOverride()";
    // Display lists are recorded from immediate mode or vertex arrays only.
    const bool listablePath =
        m_bRenderModeOverrideActive && (m_iRenderModeOverride == 0 || m_iRenderModeOverride == 1);
    if ((mode == CACHE_GLOBAL_LISTS || mode == CACHE_OFF) && !listablePath)
        return false;
    if (on)
    {
        if (m_bRenderModeOverrideActive)
            Recompile(true, m_iRenderModeOverride, kError);
        m_bCacheModeOverrideActive = true;
        m_iCacheMode = mode;
        return true;
    }
    Recompile(false, m_bRenderModeOverrideActive ? m_iRenderModeOverride : kOwnRenderMode, kError);
    m_bCacheModeOverrideActive = false;
    m_iCacheMode = CACHE_OFF;
    return true;
}

void COGLGlobalRenderSettings::SetPolygonStipple(bool on)
{
    if (on)
        glEnable(GL_POLYGON_STIPPLE);
    else
        glDisable(GL_POLYGON_STIPPLE);
}

void COGLGlobalRenderSettings::SetWireFrame(bool on, bool flatColour)
{
    if (on)
    {
        if (flatColour)
        {
            ClearOverrideMask();
            const float violet[4] = {0.6f, 0.2f, 0.8f, 1.0f};
            SetOverrideColor(violet);
        }
        glClearColor(0.3f, 0.3f, 0.3f, 1.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    }
    else
    {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        const float white[4] = {1, 1, 1, 1};
        SetOverrideColor(white);
        glClearColor(m_ClearColour[0], m_ClearColour[1], m_ClearColour[2], m_ClearColour[3]);
        ResetOverrideMask();
    }
}

void COGLGlobalRenderSettings::SetOverrideColor(const float colour[4])
{
    for (int i = 0; i < 4; ++i)
        m_OverrideColour[i] = colour[i];
}

void COGLGlobalRenderSettings::SetTransparency(bool on)
{
    if (m_pOwner)
        m_pOwner->SetTransparency(on);
}

void COGLGlobalRenderSettings::SetClearColour(float r, float g, float b, float a)
{
    m_ClearColour[0] = r;
    m_ClearColour[1] = g;
    m_ClearColour[2] = b;
    m_ClearColour[3] = a;
}
