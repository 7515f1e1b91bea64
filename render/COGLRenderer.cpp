#include "render/COGLRenderer.h"

#include "app/CPhysXMgr.h"
#include "app/IWindow.h"
#include "app/Log.h"
#include "platform/gl/GL.h"
#include "render/COGLModel.h"
#include "render/COGLPhysXDebugDraw.h"
#include "render/CTextureProperties.h"
#include "render/SOGLTexture.h"

#include <cstring>

namespace
{

// Colours passed as 0xRRGGBBAA: each byte times 1/256, so 0xFF is 0.99609375.
const float kByteScale = 0.00390625f;

// A GL error that never clears would loop forever; no frame makes this many.
const int kMaxErrorsReported = 64;

} // namespace

COGLRenderer::COGLRenderer()
    : m_hDC(nullptr), m_hRC(nullptr), m_iMatrixMode(-1), m_uiLastError(0), m_iGroupIndex(0), m_iLayerIndex(0),
      m_bVBOSupport(false), m_bCubeMapSupport(false), m_bTransparency(false), m_pCurrentModel(nullptr),
      m_pCurrentGroup(nullptr), m_pIndices(nullptr), m_pPositions(nullptr), m_pNormals(nullptr),
      m_pColours(nullptr), m_pCurrentMaterial(nullptr), m_iLayerCount(0),
      m_usStateFlags(0), m_LightDirection{0, 0, 0, 0}, m_LightDiffuse{0, 0, 0, 0}, m_LightAmbient{0, 0, 0, 0}
{
    m_pRenderSettings = new COGLGlobalRenderSettings(this);
}

COGLRenderer::~COGLRenderer()
{
    Destroy();
}

bool COGLRenderer::Create(CRefPtr<IWindow> window)
{
    m_pWindow = window;
    plat::HDC dc = window ? plat::GetDC(window->GetHandle()) : nullptr;
    if (!dc)
    {
        Log(16, "Error: ::GetDC failed in COGLRenderer::Create");
        return false;
    }
    if (!CreateContext(dc, window->GetBits()))
    {
        Destroy();
        return false;
    }
    window->AddListener(this);
    return true;
}

bool COGLRenderer::CreateOnDC(plat::HDC dc, uint8_t colourBits)
{
    if (!dc)
    {
        Log(16, "Error: ::GetDC failed in COGLRenderer::Create");
        return false;
    }
    if (!CreateContext(dc, colourBits))
    {
        Destroy();
        return false;
    }
    return true;
}

bool COGLRenderer::CreateContext(plat::HDC dc, uint8_t colourBits)
{
    m_hDC = dc;
    plat::PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = plat::PFD_DRAW_TO_WINDOW | plat::PFD_SUPPORT_OPENGL | plat::PFD_DOUBLEBUFFER;
    pfd.iPixelType = plat::PFD_TYPE_RGBA;
    pfd.cColorBits = colourBits;
    pfd.cDepthBits = 16;
    pfd.iLayerType = plat::PFD_MAIN_PLANE;

    const int format = plat::ChoosePixelFormat(m_hDC, &pfd);
    if (format == 0)
    {
        Log(16, "Error: ::ChoosePixelFormat failed in COGLRenderer::Create");
        return false;
    }
    if (!plat::SetPixelFormat(m_hDC, format, &pfd))
    {
        Log(16, "Error: ::SetPixelFormat failed in COGLRenderer::Create");
        return false;
    }
    m_hRC = plat::wglCreateContext(m_hDC);
    if (!m_hRC)
    {
        Log(16, "Error: ::wglCreateContext failed in COGLRenderer::Create");
        return false;
    }
    if (!plat::wglMakeCurrent(m_hDC, m_hRC))
    {
        Log(16, "Error: ::wglMakeCurrent failed in COGLRenderer::Create");
        return false;
    }

    glGetString(GL_EXTENSIONS);
    glGetString(GL_VERSION);
    glGetString(GL_VENDOR);
    GLenum glewError = glewInit();
    if (glewError != GLEW_OK)
    {
        // Without its entry points the renderer cannot draw: the set-up
        // fails.
        Log(16, "glewInit() Failed in COGLRenderer.Create()");
        Log(16, "Error: %s", reinterpret_cast<const char*>(glewGetErrorString(glewError)));
        return false;
    }
    m_bVBOSupport = GLEW_ARB_vertex_buffer_object && glGenBuffersARB && glBindBufferARB && glBufferDataARB;
    m_bCubeMapSupport = GLEW_EXT_texture_cube_map != 0;

    SetInitialState();
    m_bTransparency = true;
    // The scene graph draws the physics debug geometry in this context.
    CPhysXMgr::SetDebugDrawFunction(&COGLPhysXDebugDraw::Draw);
    return true;
}

void COGLRenderer::SetInitialState()
{
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    SetDepthTest(1.0f);
    SetDepthWrite(1.0f);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glEnable(GL_LIGHT0);
    // Objects are drawn scaled (trees, the shrunken ruins of small
    // buildings); without this their normals come out longer or shorter than
    // 1 and lighting burns them white or darkens them.
    glEnable(GL_NORMALIZE);
    for (float& c : m_LightDiffuse)
        c = 0.0f;
    SetMatrixMode(0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // Rows of 24-bit images of odd width are not 4-byte aligned, and glyph
    // rows are packed to whole bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    // Blocks of 64 bytes: 32 of 0x11, then 32 of 0x88. OpenGL reads the first
    // 128: rows 0-7 and 16-23 of the 32 x 32 pattern are 0x11, the others 0x88.
    if (m_StipplePattern.empty())
    {
        m_StipplePattern.resize(1024);
        for (size_t i = 0; i < m_StipplePattern.size(); ++i)
            m_StipplePattern[i] = (i % 64) < 32 ? 0x11 : 0x88;
    }
    glPolygonStipple(m_StipplePattern.data());
}

CRefPtr<COGLFont> COGLRenderer::CreateFont(const std::string& face, uint8_t height, uint8_t bold,
                                           uint8_t italic)
{
    for (const CRefPtr<COGLFont>& font : m_Fonts)
    {
        if (font->GetBold() == bold && font->GetItalic() == italic && font->GetHeight() == height &&
            font->GetFace() == face)
            return font;
    }
    const uint32_t first = MakeGlyphLists(face, height, bold, italic);
    if (first == 0)
        return CRefPtr<COGLFont>();
    CRefPtr<COGLFont> font(new COGLFont(this, face, height, bold, italic, first));
    m_Fonts.push_back(font);
    return font;
}

bool COGLRenderer::SetFontHeight(CRefPtr<COGLFont> font, uint8_t height)
{
    if (!font || font->GetFirstList() == 0)
        return false;
    if (font->GetHeight() == height)
        return true;
    const uint32_t first = MakeGlyphLists(font->GetFace(), height, font->GetBold(), font->GetItalic());
    if (first == 0)
        return false;
    font->SetGlyphLists(height, first);
    return true;
}

uint32_t COGLRenderer::MakeGlyphLists(const std::string& face, uint8_t height, uint8_t bold, uint8_t italic)
{
    plat::HFONT hFont = nullptr;
    if (m_hRC)
        hFont = plat::CreateFontA(-static_cast<int>(height), 0, 0, 0, bold ? plat::FW_BOLD : plat::FW_NORMAL,
                                  italic, 0, 0, plat::ANSI_CHARSET, plat::OUT_TT_PRECIS,
                                  plat::CLIP_DEFAULT_PRECIS, plat::ANTIALIASED_QUALITY,
                                  plat::DEFAULT_PITCH | plat::FF_DONTCARE, face.c_str());
    if (!hFont)
    {
        Log(1, "Error: Couldn't create font %s (%u, %x, %x)", face.c_str(), height, bold, italic);
        return 0;
    }
    const GLuint first = glGenLists(224);
    plat::HGDIOBJ old = plat::SelectObject(m_hDC, hFont);
    const bool built = first != 0 && plat::wglUseFontBitmapsA(m_hDC, 32, 224, first);
    plat::SelectObject(m_hDC, old);
    plat::DeleteObject(hFont);
    if (!built)
    {
        if (first != 0)
            glDeleteLists(first, 224);
        Log(1, "Error: Couldn't create font %s (%u, %x, %x)", face.c_str(), height, bold, italic);
        return 0;
    }
    return first;
}

CRefPtr<COGLGlobalRenderSettings> COGLRenderer::GetRenderSettings()
{
    return m_pRenderSettings;
}

void COGLRenderer::SetClearColor(uint32_t colour)
{
    const float r = ((colour >> 24) & 0xFF) * kByteScale;
    const float g = ((colour >> 16) & 0xFF) * kByteScale;
    const float b = ((colour >> 8) & 0xFF) * kByteScale;
    const float a = (colour & 0xFF) * kByteScale;
    if (m_pRenderSettings)
        m_pRenderSettings->SetClearColour(r, g, b, a);
    glClearColor(r, g, b, a);
}

void COGLRenderer::SetMatrixMode(int mode)
{
    if (mode == m_iMatrixMode)
        return;
    glMatrixMode(mode == 1 ? GL_MODELVIEW : GL_PROJECTION);
    m_iMatrixMode = mode;
}

void COGLRenderer::LoadMatrix(const CMatrix4& matrix)
{
    glLoadMatrixf(matrix.Data());
}

void COGLRenderer::MultMatrix(const CMatrix4& matrix)
{
    glMultMatrixf(matrix.Data());
}

void COGLRenderer::PushMatrix()
{
    glPushMatrix();
}

void COGLRenderer::PopMatrix()
{
    glPopMatrix();
}

void COGLRenderer::SetDepthTest(float on)
{
    if (on != 0.0f)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
}

void COGLRenderer::SetDepthWrite(float on)
{
    glDepthMask(on != 0.0f ? GL_TRUE : GL_FALSE);
}

void COGLRenderer::SetAlphaTest(float on)
{
    if (on != 0.0f && m_bTransparency)
        glEnable(GL_ALPHA_TEST);
    else
        glDisable(GL_ALPHA_TEST);
}

void COGLRenderer::SetBlending(float on)
{
    if (on != 0.0f && m_bTransparency)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
}

void COGLRenderer::SetLightDirection(const CVector3& direction)
{
    m_LightDirection[0] = direction.x;
    m_LightDirection[1] = direction.y;
    m_LightDirection[2] = direction.z;
    m_LightDirection[3] = 0.0f;
    glLightfv(GL_LIGHT0, GL_POSITION, m_LightDirection);
}

const float* COGLRenderer::GetLightDirection() const
{
    return m_LightDirection;
}

void COGLRenderer::SetLightColours(uint8_t light, const float ambient[4], const float diffuse[4])
{
    for (int i = 0; i < 4; ++i)
    {
        m_LightAmbient[i] = ambient[i];
        m_LightDiffuse[i] = diffuse[i];
    }
    glLightfv(GL_LIGHT0 + light, GL_AMBIENT, m_LightAmbient);
    glLightfv(GL_LIGHT0 + light, GL_DIFFUSE, m_LightDiffuse);
}

const float* COGLRenderer::GetLightColours(uint8_t) const
{
    return m_LightAmbient;
}

void COGLRenderer::BeginFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void COGLRenderer::ReportErrors()
{
    GLenum error = glGetError();
    for (int n = 0; error != GL_NO_ERROR && n < kMaxErrorsReported; ++n)
    {
        Log(1, "OpenGL-Error: \"%s\"", reinterpret_cast<const char*>(gluErrorString(error)));
        m_uiLastError = error;
        error = glGetError();
    }
}

void COGLRenderer::EndFrame()
{
    ReportErrors();
    // A swap of a surface nobody shows (an off-screen buffer) may not flush:
    // the driver would then queue the commands of every frame for ever.
    glFlush();
    plat::SwapBuffers(m_hDC);
}

void COGLRenderer::Destroy()
{
    // Fonts still held elsewhere (the GUI) lose their lists now, while the
    // context is current; their later destruction makes no GL call.
    for (CRefPtr<COGLFont>& font : m_Fonts)
        font->ReleaseLists();
    m_Fonts.clear();
    if (m_hRC)
    {
        // No context to draw the physics debug geometry in any more.
        CPhysXMgr::SetDebugDrawFunction(nullptr);
        plat::wglMakeCurrent(nullptr, nullptr);
        plat::wglDeleteContext(m_hRC);
    }
    if (m_pWindow)
    {
        if (m_hDC)
            plat::ReleaseDC(m_pWindow->GetHandle(), m_hDC);
        m_pWindow->RemoveListener(this);
    }
    std::vector<uint8_t>().swap(m_StipplePattern);
    m_bVBOSupport = false;
    m_bCubeMapSupport = false;
    m_uiLastError = 0;
    m_pWindow.Release();
    if (m_pRenderSettings)
        m_pRenderSettings->ClearOwner();
    m_pRenderSettings.Release();
    m_hDC = nullptr;
    m_hRC = nullptr;
}

void COGLRenderer::SetTransparency(bool on)
{
    m_bTransparency = on;
}

void COGLRenderer::OnSize(uint16_t width, uint16_t height)
{
    glViewport(0, 0, width, height);
}

bool COGLRenderer::CreateTexture(CRefPtr<CTextureProperties> image, SOGLTexture* texture)
{
    if (!image || !texture || !m_hRC)
        return false;
    const size_t expected =
        static_cast<size_t>(image->m_usWidth) * image->m_usHeight * (image->m_bHasAlpha ? 4u : 3u);
    if (expected == 0 || image->m_Pixels.size() < expected)
        return false;

    GLuint id = 0;
    glGenTextures(1, &id);
    const GLenum target = texture->m_uiTarget;
    const GLenum bindTarget = target == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP;
    glBindTexture(bindTarget, id);
    const GLint internalFormat = image->m_bHasAlpha ? GL_RGBA8 : GL_RGB8;
    const GLenum format = image->m_bHasAlpha ? GL_BGRA_EXT : GL_BGR_EXT;
    if (texture->m_bMipMaps)
        gluBuild2DMipmaps(target, internalFormat, image->m_usWidth, image->m_usHeight, format,
                          GL_UNSIGNED_BYTE, image->m_Pixels.data());
    else
        glTexImage2D(target, 0, internalFormat, image->m_usWidth, image->m_usHeight, 0, format,
                     GL_UNSIGNED_BYTE, image->m_Pixels.data());

    if (target == GL_TEXTURE_2D)
    {
        if (!glIsTexture(id))
            return false;
    }
    else
    {
        GLenum error = glGetError();
        if (error != GL_NO_ERROR)
        {
            Log(1, "OpenGL-Error: \"%s\"", reinterpret_cast<const char*>(gluErrorString(error)));
            m_uiLastError = error;
            ReportErrors();
            return true;
        }
    }
    glTexParameteri(bindTarget, GL_TEXTURE_MIN_FILTER, texture->m_iMinFilter);
    glTexParameteri(bindTarget, GL_TEXTURE_MAG_FILTER, texture->m_iMagFilter);
    texture->m_strName = image->m_strName;
    texture->m_uiGLId = id;
    return true;
}

// ---- Triangle groups ------------------------------------------------------------

static_assert(sizeof(CVector3) == 3 * sizeof(float), "positions are handed to GL as packed floats");

namespace
{

bool HasTextures(uint16_t flags)
{
    return flags == 9 || flags == 10 || flags == 12;
}

bool HasLighting(uint16_t flags)
{
    return flags == 2 || flags == 10;
}

bool HasColours(uint16_t flags)
{
    return flags == 1 || flags == 9;
}

void ActiveTexture(GLenum unit)
{
    if (glActiveTexture)
        glActiveTexture(unit);
}

void ClientActiveTexture(GLenum unit)
{
    if (glClientActiveTexture)
        glClientActiveTexture(unit);
}

void BindBuffer(GLenum target, GLuint buffer)
{
    if (glBindBufferARB)
        glBindBufferARB(target, buffer);
}

} // namespace

void COGLRenderer::SetCurrent(COGLModel* model, CCOGLTriangleGroup* group)
{
    m_pCurrentModel = model;
    m_pCurrentGroup = group;
    m_pIndices = group->GetIndices();
    m_pPositions = group->GetPositions();
    m_pNormals = group->GetNormals();
    m_pColours = group->GetColours();
    m_pCurrentMaterial = model ? model->GetMaterial(group->GetMaterialIndex()) : nullptr;
    m_iLayerCount = group->GetLayerCount();
    m_usStateFlags = group->GetRenderRecord()->m_usStateFlags;
}

void COGLRenderer::SetupLighting()
{
    glEnable(GL_LIGHTING);
    if (!m_pCurrentMaterial)
        return;
    glMaterialfv(GL_FRONT, GL_DIFFUSE, m_pCurrentMaterial->m_Diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, m_pCurrentMaterial->m_Specular);
    glMateriali(GL_FRONT, GL_SHININESS, static_cast<GLint>(m_pCurrentMaterial->m_fShininess));
    // The material's own ambient colour is not used.
    const GLfloat ambient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
}

void COGLRenderer::SetupTextures()
{
    for (m_iLayerIndex = 0; m_iLayerIndex < m_iLayerCount; ++m_iLayerIndex)
    {
        const STextureLayer* layer = m_pCurrentGroup->GetLayer(static_cast<uint8_t>(m_iLayerIndex));
        const SOGLTexture* texture =
            m_pCurrentModel ? m_pCurrentModel->GetTexture(layer->m_sTextureIndex) : nullptr;
        ActiveTexture(GL_TEXTURE0 + m_iLayerIndex);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, layer->m_iEnvMode);
        glBindTexture(GL_TEXTURE_2D, texture ? texture->m_uiGLId : 0);
    }
}

int COGLRenderer::EnvironmentUnit() const
{
    return (m_usStateFlags & SRenderRecord::STATE_TEXTURES) ? m_iLayerCount + 1 : 0;
}

void COGLRenderer::SetupState()
{
    if (m_pRenderSettings->IsFlatOverrideActive())
    {
        m_usStateFlags = SRenderRecord::STATE_WHITE;
        glColor4fv(m_pRenderSettings->GetOverrideColor());
        return;
    }
    if (HasLighting(m_usStateFlags))
        SetupLighting();
    if (m_usStateFlags == 4 || m_usStateFlags == 12)
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (HasTextures(m_usStateFlags))
        SetupTextures();

    if (m_pCurrentGroup->HasEnvironmentMap())
    {
        const SEnvironmentMap* map = m_pCurrentGroup->GetEnvironmentMap();
        ActiveTexture(GL_TEXTURE0 + EnvironmentUnit());
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, map->m_uiTextureId);
        // previous x (1 - reflectivity) + environment x reflectivity
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, map->m_Colour);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PREVIOUS);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_CONSTANT);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    }
}

void COGLRenderer::RestoreState()
{
    bool textures, lighting, environment;
    if (!m_pRenderSettings->IsFlatOverrideActive())
    {
        textures = HasTextures(m_usStateFlags);
        lighting = HasLighting(m_usStateFlags);
        environment = m_pCurrentGroup->HasEnvironmentMap();
    }
    else
    {
        const int32_t mask = m_pRenderSettings->GetOverrideMask();
        textures = (m_usStateFlags & 8) && (mask & 8);
        lighting = (m_usStateFlags & 2) && (mask & 2);
        environment = false;
    }
    if (lighting)
        glDisable(GL_LIGHTING);
    if (textures)
    {
        for (m_iLayerIndex = 0; m_iLayerIndex < m_iLayerCount; ++m_iLayerIndex)
        {
            ActiveTexture(GL_TEXTURE0 + m_iLayerIndex);
            glDisable(GL_TEXTURE_2D);
        }
    }
    if (environment)
    {
        ActiveTexture(GL_TEXTURE0 + EnvironmentUnit());
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    // Later binds (texture uploads, stock objects) expect unit 0.
    if (textures || environment)
        ActiveTexture(GL_TEXTURE0);
}

void COGLRenderer::DrawImmediate()
{
    const uint16_t flags = m_usStateFlags;
    if (flags != 1 && flags != 2 && flags != 4 && !HasTextures(flags))
        return;
    if (!m_pIndices || !m_pPositions)
        return;
    const uint32_t vertexCount = m_pCurrentGroup->GetVertexCount();
    glBegin(GL_TRIANGLES);
    for (uint32_t k = 0; k < m_pCurrentGroup->GetIndexCount(); ++k)
    {
        const uint32_t v = m_pIndices[k];
        if (v >= vertexCount)
            continue;
        if (HasColours(flags) && m_pColours)
            glColor4fv(m_pColours + 4 * static_cast<size_t>(v));
        if (HasLighting(flags))
            glNormal3fv(&m_pNormals[v].x);
        if (HasTextures(flags) && glMultiTexCoord2fv)
        {
            for (int l = 0; l < m_iLayerCount; ++l)
                glMultiTexCoord2fv(
                    GL_TEXTURE0 + l,
                    &m_pCurrentGroup->GetLayer(static_cast<uint8_t>(l))->m_TexCoords[2 * size_t(v)]);
        }
        glVertex3fv(&m_pPositions[v].x);
    }
    glEnd();
}

void COGLRenderer::DrawArrays(bool fromBuffers)
{
    CCOGLTriangleGroup* g = m_pCurrentGroup;
    if (!m_pIndices || !m_pPositions || (fromBuffers && !g->GetRenderRecord()->m_bVBOCreated))
        return;
    const uint16_t flags = m_usStateFlags;
    // With buffers every pointer is an offset into the buffer bound with it.
    auto source = [fromBuffers](GLuint buffer, const void* client) -> const void*
    {
        if (!fromBuffers)
            return client;
        BindBuffer(GL_ARRAY_BUFFER_ARB, buffer);
        return nullptr;
    };
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, source(g->m_uiPositionBuffer, m_pPositions));
    if (HasColours(flags) && m_pColours)
    {
        glDisableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, source(g->m_uiColourBuffer, m_pColours));
    }
    else if (HasLighting(flags))
    {
        glDisableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, source(g->m_uiNormalBuffer, m_pNormals));
    }
    else
    {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
    }
    if (HasTextures(flags))
    {
        for (int l = 0; l < m_iLayerCount; ++l)
        {
            STextureLayer* layer = g->GetLayer(static_cast<uint8_t>(l));
            ClientActiveTexture(GL_TEXTURE0 + l);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, source(layer->m_uiCoordBuffer, layer->m_TexCoords.data()));
        }
    }
    const GLsizei count = static_cast<GLsizei>(g->GetIndexCount());
    if (fromBuffers)
    {
        BindBuffer(GL_ELEMENT_ARRAY_BUFFER_ARB, g->m_uiIndexBuffer);
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
        BindBuffer(GL_ARRAY_BUFFER_ARB, 0);
        BindBuffer(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    }
    else
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, m_pIndices);
    if (flags & SRenderRecord::STATE_TEXTURES)
    {
        for (int l = 0; l < m_iLayerCount; ++l)
        {
            ClientActiveTexture(GL_TEXTURE0 + l);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        ClientActiveTexture(GL_TEXTURE0);
    }
    // Arrays left on would be read by the next immediate-mode draw's list.
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void COGLRenderer::DrawPath(int path)
{
    if (path == SRenderRecord::PATH_SHADER)
    {
        CCgShader* shader = m_pCurrentGroup->GetRenderRecord()->m_pShader.Get();
        if (shader)
        {
            shader->Render();
            shader->Unbind();
        }
        return;
    }
    SetupState();
    if (path == SRenderRecord::PATH_IMMEDIATE)
        DrawImmediate();
    else
        DrawArrays(path == SRenderRecord::PATH_VBO);
    RestoreState();
}

void COGLRenderer::DrawUncached()
{
    const SRenderRecord* record = m_pCurrentGroup->GetRenderRecord();
    if (!m_pRenderSettings->IsRenderModeOverrideActive())
    {
        if (record->m_iRenderMode >= 0 && record->m_iRenderMode <= 3)
            DrawPath(record->m_iRenderMode);
        else
            Log(1, "Error: Unknown RenderMode in COGLRenderer::Render()");
        return;
    }
    const int path = m_pRenderSettings->GetRenderModeOverride();
    if (path >= 0 && path <= 2)
        DrawPath(path);
    else
        Log(1, "Error: Unknown GLOBAL RenderMode in COGLRenderer::Render()");
}

void COGLRenderer::Render(COGLModel* model)
{
    if (!model || !m_pRenderSettings)
        return;
    COGLGlobalRenderSettings* s = m_pRenderSettings.Get();
    // The count is read again each time round.
    for (m_iGroupIndex = 0; static_cast<size_t>(m_iGroupIndex) < model->GetTriangleGroupCount();
         ++m_iGroupIndex)
    {
        CCOGLTriangleGroup* group = model->GetTriangleGroup(m_iGroupIndex);
        SetCurrent(model, group);
        const SRenderRecord* record = group->GetRenderRecord();
        bool listed;
        if (s->IsCacheModeOverrideActive())
            listed = s->GetCacheMode() == COGLGlobalRenderSettings::CACHE_GLOBAL_LISTS &&
                     record->m_iGlobalList == SRenderRecord::LIST_RECORDED;
        else
            listed = record->m_iCompiled == SRenderRecord::LIST_RECORDED;
        if (!listed)
            DrawUncached();
        else if (s->IsFlatOverrideActive())
            DrawPath(SRenderRecord::PATH_VERTEX_ARRAYS);
        else
            glCallList(record->m_uiDisplayList);
    }
}

bool COGLRenderer::Compile(CCOGLTriangleGroup* group, COGLModel* model)
{
    // After Destroy there is neither a context nor the settings the state
    // set-up reads.
    if (!group || !m_hRC || !m_pRenderSettings)
        return false;
    SetCurrent(model, group);
    SRenderRecord* record = group->GetRenderRecord();
    if (!glIsList(record->m_uiDisplayList))
        record->m_uiDisplayList = glGenLists(1);
    const GLuint id = record->m_uiDisplayList;
    glNewList(id, GL_COMPILE);
    const int mode = record->m_iCompileMode;
    if (mode < SRenderRecord::PATH_IMMEDIATE || mode > SRenderRecord::PATH_VBO)
    {
        glEndList();
        glDeleteLists(id, 1);
        Log(1, "Error: Unknown model typ in COGLRenderer::Compile()");
        return false;
    }
    DrawPath(mode);
    glEndList();
    return glIsList(id) == GL_TRUE;
}

bool COGLRenderer::CreateVertexBuffer(CCOGLTriangleGroup* group)
{
    if (!m_bVBOSupport || !group || !group->GetPositions() || !group->GetIndices())
        return false;
    const uint16_t flags = group->GetRenderRecord()->m_usStateFlags;
    const size_t vertices = group->GetVertexCount();
    auto make = [](GLenum target, GLuint* buffer, size_t bytes, const void* data)
    {
        glGenBuffersARB(1, buffer);
        glBindBufferARB(target, *buffer);
        glBufferDataARB(target, static_cast<GLsizeiptrARB>(bytes), data, GL_STATIC_DRAW_ARB);
    };
    make(GL_ARRAY_BUFFER_ARB, &group->m_uiPositionBuffer, vertices * 12, group->GetPositions());
    if (flags & SRenderRecord::STATE_LIGHTING)
        make(GL_ARRAY_BUFFER_ARB, &group->m_uiNormalBuffer, vertices * 12, group->GetNormals());
    if ((flags & SRenderRecord::STATE_COLOURS) && group->GetColours())
        make(GL_ARRAY_BUFFER_ARB, &group->m_uiColourBuffer, vertices * 16, group->GetColours());
    if (flags & SRenderRecord::STATE_TEXTURES)
    {
        for (uint8_t l = 0; l < group->GetLayerCount(); ++l)
        {
            STextureLayer* layer = group->GetLayer(l);
            make(GL_ARRAY_BUFFER_ARB, &layer->m_uiCoordBuffer, vertices * 8, layer->m_TexCoords.data());
        }
    }
    make(GL_ELEMENT_ARRAY_BUFFER_ARB, &group->m_uiIndexBuffer, size_t(group->GetIndexCount()) * 4,
         group->GetIndices());
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    return true;
}
