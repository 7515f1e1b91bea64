#pragma once

#include "app/CRefCounted.h"

#include <cstdint>

class IRenderer;
class CModelFactory;

// The debug switches that override, for all models at once, how the
// renderer draws: a flat-colour override with a mask, texture filter and
// mip-mapping, a global render path and display-list mode, polygon stipple,
// wire frame and transparency. Owned by the renderer; GL calls go to the
// renderer's current context.
class COGLGlobalRenderSettings : public CRefCounted
{
public:
    // Bits of the override mask that the state restore consults.
    enum
    {
        MASK_BIT1 = 1,
        MASK_LIGHTING = 2,
        MASK_TEXTURES = 8,
        MASK_BIT16 = 16
    };
    // Texture settings: bit 8 = mip-mapping; the low bits the filter quality.
    enum
    {
        TEXTURE_MIPMAP = 8,
        TEXTURE_QUALITY_BITS = 7
    };
    // Cache modes.
    enum
    {
        CACHE_GLOBAL_LISTS = 1,
        CACHE_NO_LISTS = 2,
        CACHE_OFF = 128
    };

    // owner is the renderer that owns the settings (not counted).
    explicit COGLGlobalRenderSettings(IRenderer* owner);
    virtual ~COGLGlobalRenderSettings() {}

    // The factory that carries out rebuilds and filter changes (not counted;
    // set by whoever makes the factory, cleared with null before it goes).
    // Without one those requests do nothing and count no failure.
    void SetModelFactory(CModelFactory* factory) { m_pModelFactory = factory; }
    // Forgets the owner (the renderer calls this when it lets the settings go).
    void ClearOwner() { m_pOwner = nullptr; }

    // The flat-colour override or the texture override is active.
    virtual bool IsOverrideActive() const;
    virtual void ClearOverrideMask();
    virtual void ResetOverrideMask();
    virtual void Save();
    virtual void Restore();
    virtual void SetOverrideBit1(bool on);
    virtual void SetOverrideBit2(bool on);
    virtual void SetOverrideBit8(bool on);
    virtual void SetOverrideBit16(bool on);
    virtual void SetMipMapping(bool on);
    // quality 0..4; larger values are ignored when on.
    virtual void SetTextureQuality(int quality, bool on);
    // mode: 0 immediate, 1 vertex arrays, 2 VBO. False when refused.
    virtual bool SetRenderModeOverride(int mode, bool on);
    // mode: 1 global display lists, 2 no display lists, 128 off. False when refused.
    virtual bool SetCacheModeOverride(int mode, bool on);
    virtual void SetPolygonStipple(bool on);
    // on with flatColour draws everything in a violet override colour.
    virtual void SetWireFrame(bool on, bool flatColour);
    virtual void SetOverrideColor(const float colour[4]);
    virtual void SetTransparency(bool on);

    // Read by the renderer, the state set-up and the model factory.
    const float* GetOverrideColor() const { return m_OverrideColour; }
    int32_t GetOverrideMask() const { return m_iOverrideMask; }
    bool IsFlatOverrideActive() const { return m_bOverrideActive; }
    int32_t GetTextureSettings() const { return m_iTextureSettings; }
    bool IsTextureOverrideActive() const { return m_bTextureOverrideActive; }
    int32_t GetRenderModeOverride() const { return m_iRenderModeOverride; }
    bool IsRenderModeOverrideActive() const { return m_bRenderModeOverrideActive; }
    int32_t GetCacheMode() const { return m_iCacheMode; }
    bool IsCacheModeOverrideActive() const { return m_bCacheModeOverrideActive; }

    // The clear colour the renderer set; restored when the wire frame goes off.
    void SetClearColour(float r, float g, float b, float a);
    const float* GetClearColour() const { return m_ClearColour; }

private:
    void SetMaskBit(int32_t bit, bool on);
    // Asks the factory for a rebuild; logs message on failures.
    void Recompile(bool all, int mode, const char* message);

    IRenderer* m_pOwner;
    CModelFactory* m_pModelFactory;
    float m_OverrideColour[4];
    float m_ClearColour[4];
    int32_t m_iOverrideMask;
    int32_t m_iSavedMask;
    bool m_bOverrideActive;
    int32_t m_iTextureSettings;
    bool m_bTextureOverrideActive;
    int32_t m_iRenderModeOverride;
    bool m_bRenderModeOverrideActive;
    int32_t m_iCacheMode;
    bool m_bCacheModeOverrideActive;
};
