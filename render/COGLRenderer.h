#pragma once

#include "app/IWindowListener.h"
#include "platform/gl/WGL.h"
#include "render/COGLFont.h"
#include "render/COGLGlobalRenderSettings.h"
#include "render/IRenderer.h"

#include <cstdint>
#include <vector>

class CCOGLTriangleGroup;
class COGLModel;
struct SGLMaterial;

// The OpenGL renderer: owns the main window's GL context, keeps the
// fixed-function state the rest of the system sets, uploads textures and
// vertex buffers, records and draws triangle groups and draws bitmap text.
// Main thread only.
class COGLRenderer : public IRenderer, public IWindowListener
{
public:
    COGLRenderer();
    // Destroys the context when Destroy was not called.
    virtual ~COGLRenderer();

    COGLRenderer(const COGLRenderer&) = delete;
    COGLRenderer& operator=(const COGLRenderer&) = delete;

    bool Create(CRefPtr<IWindow> window) override;
    CRefPtr<COGLFont> CreateFont(const std::string& face, uint8_t height, uint8_t bold,
                                 uint8_t italic) override;
    bool SetFontHeight(CRefPtr<COGLFont> font, uint8_t height) override;
    CRefPtr<COGLGlobalRenderSettings> GetRenderSettings() override;
    void SetClearColor(uint32_t colour) override;
    void SetMatrixMode(int mode) override;
    void LoadMatrix(const CMatrix4& matrix) override;
    void MultMatrix(const CMatrix4& matrix) override;
    void PushMatrix() override;
    void PopMatrix() override;
    void SetDepthTest(float on) override;
    void SetDepthWrite(float on) override;
    void SetAlphaTest(float on) override;
    void SetBlending(float on) override;
    void SetLightDirection(const CVector3& direction) override;
    const float* GetLightDirection() const override;
    void SetLightColours(uint8_t light, const float ambient[4], const float diffuse[4]) override;
    const float* GetLightColours(uint8_t light) const override;
    void BeginFrame() override;
    void EndFrame() override;
    void Destroy() override;
    void SetTransparency(bool on) override;
    bool Compile(CCOGLTriangleGroup* group, COGLModel* model) override;
    bool CreateVertexBuffer(CCOGLTriangleGroup* group) override;
    bool CreateTexture(CRefPtr<CTextureProperties> image, SOGLTexture* texture) override;

    // Window listener: the viewport follows the client size.
    void OnSize(uint16_t width, uint16_t height) override;

    // The same as Create over a device context the caller made (tools and
    // tests that have no window of the window layer); colourBits as the
    // window's depth. The caller keeps the context and releases it after
    // Destroy.
    bool CreateOnDC(plat::HDC dc, uint8_t colourBits);

    // Draws every triangle group of the model (the path per group follows
    // its render record and the global overrides).
    void Render(COGLModel* model);

    bool GetTransparency() const { return m_bTransparency; }
    bool HasVBOSupport() const { return m_bVBOSupport; }
    bool HasCubeMapSupport() const { return m_bCubeMapSupport; }
    int GetMatrixMode() const { return m_iMatrixMode; }
    // The last OpenGL error code an error report logged (EndFrame, or a failed
    // cube-face upload); a frame without errors keeps it. 0 until the first
    // error and again after Destroy.
    uint32_t GetLastGLError() const { return m_uiLastError; }
    bool IsCreated() const { return m_hRC != nullptr; }

private:
    // Logs every pending GL error; keeps the last code.
    void ReportErrors();
    bool CreateContext(plat::HDC dc, uint8_t colourBits);
    void SetInitialState();

    // Draw machinery for one triangle group (the current one).
    void SetCurrent(COGLModel* model, CCOGLTriangleGroup* group);
    // State set-up, the path's draw and the state restore; path 3 draws
    // through the group's shader.
    void DrawPath(int path);
    // A group not drawn from a display list: by the global path override
    // when it is active, else by the group's own path.
    void DrawUncached();
    void SetupState();
    void RestoreState();
    // The glyph lists of characters 32..255 of the face at height pixels;
    // the first list, or 0 (logged) on failure.
    uint32_t MakeGlyphLists(const std::string& face, uint8_t height, uint8_t bold, uint8_t italic);
    void SetupLighting();
    void SetupTextures();
    // Texture unit of the environment map.
    int EnvironmentUnit() const;
    void DrawImmediate();
    // Vertex arrays from client memory, or from the group's buffers.
    void DrawArrays(bool fromBuffers);

    CRefPtr<COGLGlobalRenderSettings> m_pRenderSettings;
    std::vector<CRefPtr<COGLFont>> m_Fonts;
    CRefPtr<IWindow> m_pWindow;
    plat::HDC m_hDC;
    plat::HGLRC m_hRC;
    // 1 = model-view, anything else = projection; -1 until the first set.
    int m_iMatrixMode;
    uint32_t m_uiLastError;
    int m_iGroupIndex;
    int m_iLayerIndex;
    bool m_bVBOSupport;
    bool m_bCubeMapSupport;
    bool m_bTransparency;
    COGLModel* m_pCurrentModel;
    CCOGLTriangleGroup* m_pCurrentGroup;
    const uint32_t* m_pIndices;
    const CVector3* m_pPositions;
    const CVector3* m_pNormals;
    const float* m_pColours;
    const SGLMaterial* m_pCurrentMaterial;
    int m_iLayerCount;
    uint16_t m_usStateFlags;
    // 1024 bytes once made; OpenGL reads the first 128.
    std::vector<uint8_t> m_StipplePattern;
    float m_LightDirection[4];
    float m_LightDiffuse[4];
    float m_LightAmbient[4];
};
