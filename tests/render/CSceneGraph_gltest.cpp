#include "app/CEngineServices.h"
#include "platform/gl/GL.h"
#include "platform/gl/GLTestWindow.h"
#include "render/CAlphaTestRenderHook.h"
#include "render/CBlendRenderHook.h"
#include "render/COGLRenderer.h"
#include "render/CSceneGraph.h"
#include "tests/render/SceneTestEntry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

using scenetest::BoxEntry;
using scenetest::Flat;

namespace
{

CMatrix4 CurrentModelView()
{
    CMatrix4 m;
    glGetFloatv(GL_MODELVIEW_MATRIX, m.m);
    return m;
}

void ExpectMatrixNear(const CMatrix4& a, const CMatrix4& b)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], 1e-3f) << i;
}

// The engine services' renderer made current on a hidden window, and a
// level-sized graph with the camera at (500, 50, 500) looking along -z.
class SceneGraphGL : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        ASSERT_NE(m_Window.GetDC(), nullptr) << SDL_GetError();
        CEngineServices::CreateInstance();
        m_pRenderer = static_cast<COGLRenderer*>(CEngineServices::GetInstance()->GetRenderer().Get());
        ASSERT_TRUE(m_pRenderer->CreateOnDC(m_Window.GetDC(), 32));
        ASSERT_TRUE(m_pGraph->Create(1000, 1000, -10, 100, 5));
        m_pCamera->SetPerspective(1.0471976f, 1.3333334f, 0.01f, 5000.0f);
        m_pCamera->SetPosition(CVector3(500, 50, 500));
        m_pGraph->SetCamera(m_pCamera);
        GetRenderCounters().Reset();
    }
    void TearDown() override
    {
        m_pGraph->DestroyNodes();
        m_pRenderer->Destroy();
        CEngineServices::DestroyInstance();
    }

    plat::GLTestWindow m_Window{64, 64, false};
    COGLRenderer* m_pRenderer = nullptr;
    CRefPtr<CSceneGraph> m_pGraph{new CSceneGraph};
    CRefPtr<CCamera> m_pCamera{new CCamera};
};

} // namespace

TEST_F(SceneGraphGL, CullingTestsEachObjectOnceAndCountsWhatItDraws)
{
    // One leaf-less root: every object is tested on its own.
    ASSERT_TRUE(m_pGraph->Create(1000, 1000, -10, 100, 1));
    // crossing: around the camera, through the near, side and top planes.
    CRefPtr<BoxEntry> inside = Flat(495, 505, 300, 310),
                      crossing(new BoxEntry(CVector3(480, 0, 450), CVector3(520, 100, 550))),
                      outside = Flat(495, 505, 700, 710),
                      // Across the left plane but beyond the far plane.
        far = Flat(-4000, 4000, -6000, -5990);
    for (auto* e : {&inside, &crossing, &outside, &far})
        m_pGraph->Insert(*e);
    m_pGraph->Render(true);
    const SRenderCounters& c = GetRenderCounters();
    EXPECT_EQ(c.tested, 4u);
    EXPECT_EQ(c.drawn, 2u);
    EXPECT_EQ(c.boxPassed, 1u);
    EXPECT_EQ(inside->m_iRenders, 1);
    EXPECT_FALSE(inside->m_bLastCull) << "completely inside: no tests below";
    EXPECT_EQ(crossing->m_iRenders, 1);
    EXPECT_TRUE(crossing->m_bLastCull);
    EXPECT_EQ(outside->m_iRenders + far->m_iRenders, 0);

    // Without culling everything is drawn and nothing tested.
    GetRenderCounters().Reset();
    m_pGraph->Render(false);
    EXPECT_EQ(c.tested, 0u);
    EXPECT_EQ(c.drawn, 4u);
}

TEST_F(SceneGraphGL, NodesOutOfViewAreSkippedWhole)
{
    CRefPtr<BoxEntry> behind = Flat(10, 20, 900, 910), seen = Flat(495, 505, 200, 210);
    m_pGraph->Insert(behind);
    m_pGraph->Insert(seen);
    ASSERT_TRUE(behind->GetSceneNode()->IsLeaf());
    ASSERT_EQ(seen->GetSceneNode(), m_pGraph->GetRoot());
    m_pGraph->Render(true);
    EXPECT_EQ(GetRenderCounters().tested, 1u);
    EXPECT_EQ(GetRenderCounters().drawn, 1u);
    EXPECT_EQ(behind->m_iRenders, 0);
    EXPECT_EQ(seen->m_iRenders, 1);
}

TEST_F(SceneGraphGL, ObjectsAreDrawnInTheirWorldFrameUnderTheCamera)
{
    CRefPtr<BoxEntry> e = Flat(495, 505, 200, 210);
    m_pGraph->Insert(e);
    CMatrix4 seen;
    e->m_OnRender = [&] { seen = CurrentModelView(); };
    m_pGraph->Render(true);
    CMatrix4 expected;
    expected.Multiply(m_pCamera->GetView(), e->GetWorldMatrix());
    ExpectMatrixNear(seen, expected);
    // The model-view stack is back where the camera left it.
    ExpectMatrixNear(CurrentModelView(), m_pCamera->GetView());
    CMatrix4 projection;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
    ExpectMatrixNear(projection, m_pCamera->GetProjection());
    EXPECT_EQ(m_pRenderer->GetMatrixMode(), 1);
}

TEST_F(SceneGraphGL, TheSkyIsDrawnAroundTheCameraWithoutDepthWrites)
{
    // A frame without sky first, so the view is already up to date when the
    // sky comes.
    m_pCamera->SetRotation(CVector3(0.3f, 0.5f, 0));
    m_pGraph->Render(true);
    ASSERT_TRUE(m_pCamera->IsViewValid());

    CRefPtr<BoxEntry> sky(new BoxEntry(CVector3(-1, -1, -1), CVector3(1, 1, 1)));
    CRefPtr<BoxEntry> ground = Flat(495, 505, 200, 210);
    std::vector<std::string> order;
    GLboolean depthWrite = GL_TRUE;
    CMatrix4 skyView;
    sky->m_OnRender = [&]
    {
        order.push_back("sky");
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrite);
        skyView = CurrentModelView();
    };
    ground->m_OnRender = [&] { order.push_back("ground"); };
    m_pGraph->Insert(ground);
    m_pGraph->SetSky(sky);
    m_pGraph->SetLightDirection(CVector3(0.25f, -1, 0.5f));
    m_pGraph->Render(false);

    EXPECT_EQ(order, (std::vector<std::string>{"sky", "ground"}));
    EXPECT_EQ(depthWrite, GL_FALSE);
    GLboolean after = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &after);
    EXPECT_EQ(after, GL_TRUE);
    // The view's rotation without its translation, times the sky's own matrix.
    CMatrix4 rotation, expected;
    rotation.SetViewRotation(m_pCamera->GetViewAngles());
    ExpectMatrixNear(m_pGraph->GetSkyMatrix(), rotation);
    expected.Multiply(rotation, sky->GetWorldMatrix());
    ExpectMatrixNear(skyView, expected);
    const float* light = m_pRenderer->GetLightDirection();
    EXPECT_EQ(CVector3(light[0], light[1], light[2]), CVector3(0.25f, -1, 0.5f));
}

TEST_F(SceneGraphGL, HookTreesAreDrawnAfterTheRootInsideTheirBrackets)
{
    CRefPtr<BoxEntry> plain = Flat(495, 505, 200, 210), glass = Flat(495, 505, 220, 230),
                      leaves = Flat(495, 505, 240, 250), bare = Flat(495, 505, 260, 270);
    std::vector<std::string> order;
    plain->m_OnRender = [&]
    { order.push_back(std::string("plain") + (glIsEnabled(GL_BLEND) ? " blend" : "")); };
    glass->m_OnRender = [&]
    {
        GLint src = 0, dst = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        order.push_back(std::string("glass") + (glIsEnabled(GL_BLEND) ? " blend" : "") +
                        (src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA ? " alpha" : ""));
    };
    leaves->m_OnRender = [&]
    {
        GLint func = 0;
        GLfloat ref = 0;
        glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
        glGetFloatv(GL_ALPHA_TEST_REF, &ref);
        order.push_back(std::string("leaves") + (glIsEnabled(GL_ALPHA_TEST) ? " alphatest" : "") +
                        (glIsEnabled(GL_CULL_FACE) ? " cull" : "") +
                        (func == GL_GREATER && ref == 0.5f ? " >0.5" : ""));
    };
    bare->m_OnRender = [&] { order.push_back("bare"); };
    m_pGraph->Insert(plain);
    m_pGraph->AddHookNode(CRefPtr<IRenderHook>(new CBlendRenderHook))->InsertObject(glass);
    m_pGraph->AddHookNode(CRefPtr<IRenderHook>(new CAlphaTestRenderHook))->InsertObject(leaves);
    m_pGraph->AddHookNode(CRefPtr<IRenderHook>())->InsertObject(bare);
    m_pGraph->Render(true);
    EXPECT_EQ(order,
              (std::vector<std::string>{"plain", "glass blend alpha", "leaves alphatest >0.5", "bare"}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(SceneGraphGL, NoCameraDrawsNothing)
{
    CRefPtr<BoxEntry> e = Flat(495, 505, 200, 210);
    m_pGraph->Insert(e);
    m_pGraph->SetCamera(CRefPtr<CCamera>());
    m_pGraph->Render(true);
    EXPECT_EQ(e->m_iRenders, 0);
    EXPECT_EQ(GetRenderCounters().drawn, 0u);
}
