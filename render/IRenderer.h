#pragma once

#include "app/CMatrix4.h"
#include "app/CRefCounted.h"
#include "app/CVector3.h"

#include <cstdint>
#include <string>

class IWindow;
class COGLFont;
class COGLGlobalRenderSettings;
class CCOGLTriangleGroup;
class COGLModel;
class CTextureProperties;
struct SOGLTexture;

// The renderer as the rest of the system sees it. Every setter that takes a
// float treats 0.0 as off and any other value, negative included, as on.
// Everything needs the context that Create made current.
class IRenderer : public CRefCounted
{
public:
    virtual ~IRenderer() {}

    // Makes the OpenGL context on the window current and sets the initial state.
    virtual bool Create(CRefPtr<IWindow> window) = 0;
    // A bitmap font of the face at height pixels; the same font again for the
    // same face, height and flags. Empty on failure.
    virtual CRefPtr<COGLFont> CreateFont(const std::string& face, uint8_t height, uint8_t bold,
                                         uint8_t italic) = 0;
    // Re-makes the font's glyphs at height pixels, in place: every holder of
    // the font draws at the new height. False (logged) when the glyphs cannot
    // be made; the font then keeps its old height.
    virtual bool SetFontHeight(CRefPtr<COGLFont> font, uint8_t height) = 0;
    virtual CRefPtr<COGLGlobalRenderSettings> GetRenderSettings() = 0;
    // 0xRRGGBBAA; each byte times 1/256.
    virtual void SetClearColor(uint32_t colour) = 0;
    // 1 = model-view, anything else = projection.
    virtual void SetMatrixMode(int mode) = 0;
    virtual void LoadMatrix(const CMatrix4& matrix) = 0;
    virtual void MultMatrix(const CMatrix4& matrix) = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;
    virtual void SetDepthTest(float on) = 0;
    virtual void SetDepthWrite(float on) = 0;
    // Alpha test and blending are only switched on while transparency is allowed.
    virtual void SetAlphaTest(float on) = 0;
    virtual void SetBlending(float on) = 0;
    // A directional light (w = 0) for GL_LIGHT0.
    virtual void SetLightDirection(const CVector3& direction) = 0;
    // x, y, z, 0.
    virtual const float* GetLightDirection() const = 0;
    virtual void SetLightColours(uint8_t light, const float ambient[4], const float diffuse[4]) = 0;
    // The stored ambient colour (the light number is not used).
    virtual const float* GetLightColours(uint8_t light) const = 0;
    virtual void BeginFrame() = 0;
    // Reports pending GL errors and shows the frame.
    virtual void EndFrame() = 0;
    virtual void Destroy() = 0;
    virtual void SetTransparency(bool on) = 0;
    // Records the group into its display list with the render record's compile mode.
    virtual bool Compile(CCOGLTriangleGroup* group, COGLModel* model) = 0;
    virtual bool CreateVertexBuffer(CCOGLTriangleGroup* group) = 0;
    // Uploads the image as the record asks; fills the record's id and name.
    virtual bool CreateTexture(CRefPtr<CTextureProperties> image, SOGLTexture* texture) = 0;
};
