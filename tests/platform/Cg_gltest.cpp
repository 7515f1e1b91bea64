#include "platform/gl/Cg.h"
#include "platform/gl/GL.h"
#include "platform/gl/GLTestWindow.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace plat;

namespace
{

// The repository's shader source, found from this file's own path.
std::string RepoFile(const std::string& relative)
{
    std::string self = __FILE__;
    self = self.substr(0, self.rfind("tests/platform/"));
    std::ifstream in(self + relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int g_Errors = 0;
void CountErrors()
{
    ++g_Errors;
}

class CgTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Window.IsOk());
        ASSERT_EQ(glewInit(), static_cast<GLenum>(GLEW_OK));
        m_Context = cgCreateContext();
        g_Errors = 0;
        cgSetErrorCallback(CountErrors);
        m_Dir.WriteFile("Data/shader/simpleBump.cg", RepoFile("tools/data/shader/simpleBump.cg"));
    }
    void TearDown() override
    {
        cgDestroyContext(m_Context);
        cgSetErrorCallback(nullptr);
        cgGetError();
    }
    CGprogram Load(CGprofile profile, const char* file, const char* entry)
    {
        return cgCreateProgramFromFile(m_Context, CG_SOURCE, file, profile, entry, nullptr);
    }

    GLTestWindow m_Window{32, 32, true};
    CGcontext m_Context = nullptr;
};

} // namespace

TEST_F(CgTest, LoadsTheBumpProgramsWithTheirParameters)
{
    const CGprofile vp = cgGLGetLatestProfile(CG_GL_VERTEX);
    const CGprofile fp = cgGLGetLatestProfile(CG_GL_FRAGMENT);
    ASSERT_EQ(vp, CG_PROFILE_GLSLV);
    ASSERT_EQ(fp, CG_PROFILE_GLSLF);
    CGprogram v = Load(vp, "Data/shader/simpleBump.cg", "mainVertex");
    CGprogram f = Load(fp, "data\\SHADER\\simpleBump.cg", "mainFragment");
    ASSERT_NE(v, nullptr) << cgGetLastListing(m_Context);
    ASSERT_NE(f, nullptr) << cgGetLastListing(m_Context);
    EXPECT_EQ(g_Errors, 0);
    for (const char* name : {"vCamPos", "modelViewProjMatrix", "vLightDirection"})
        EXPECT_NE(cgGetNamedParameter(v, name), nullptr) << name;
    for (const char* name : {"vLightDiffuseColor", "vAmbientColor", "vSpecularColor", "fExp"})
        EXPECT_NE(cgGetNamedParameter(f, name), nullptr) << name;
    EXPECT_EQ(cgGetNamedParameter(v, "fExp"), nullptr);
    EXPECT_EQ(cgGetNamedParameter(v, "vCamPos"), cgGetNamedParameter(v, "vCamPos"));

    // Binding and enabling both stages links them; the samplers get the
    // units of their TEXUNIT bindings.
    cgGLLoadProgram(v);
    cgGLLoadProgram(f);
    cgGLBindProgram(v);
    cgGLBindProgram(f);
    cgGLEnableProfile(vp);
    cgGLEnableProfile(fp);
    const GLuint object = cgGLGetCurrentProgramObject();
    ASSERT_NE(object, 0u);
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), object);
    GLint unit = -1;
    glGetUniformiv(object, glGetUniformLocation(object, "texNormal"), &unit);
    EXPECT_EQ(unit, 1);

    // Values reach the program in use.
    cgGLSetParameter1f(cgGetNamedParameter(f, "fExp"), 6.4f);
    float exp = 0.0f;
    glGetUniformfv(object, glGetUniformLocation(object, "fExp"), &exp);
    EXPECT_FLOAT_EQ(exp, 6.4f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(2, 2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    cgGLSetStateMatrixParameter(cgGetNamedParameter(v, "modelViewProjMatrix"),
                                CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    float m[16];
    ASSERT_TRUE(cgGLGetParameterValue(cgGetNamedParameter(v, "modelViewProjMatrix"), m, 16));
    EXPECT_FLOAT_EQ(m[0], 2.0f);
    EXPECT_FLOAT_EQ(m[12], 2.0f);
    EXPECT_FLOAT_EQ(m[14], 6.0f);
    EXPECT_EQ(g_Errors, 0);

    // A vector value on a float is refused.
    cgGLSetParameter3f(cgGetNamedParameter(f, "fExp"), 1, 2, 3);
    EXPECT_EQ(g_Errors, 1);
    EXPECT_EQ(cgGetError(), CG_INVALID_VALUE_TYPE_ERROR);
    EXPECT_EQ(cgGetError(), CG_NO_ERROR);

    cgGLDisableProfile(vp);
    EXPECT_EQ(cgGLGetCurrentProgramObject(), 0u);
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    cgGLDisableProfile(fp);
    const int before = cgGetProgramCount();
    cgDestroyProgram(v);
    EXPECT_EQ(cgGetProgramCount(), before - 1);
}

TEST_F(CgTest, FailuresAreReportedThroughTheCallback)
{
    const CGprofile vp = cgGLGetLatestProfile(CG_GL_VERTEX);
    EXPECT_EQ(Load(vp, "Data/shader/missing.cg", "mainVertex"), nullptr);
    EXPECT_EQ(cgGetError(), CG_FILE_READ_ERROR);
    // An entry the file does not have.
    EXPECT_EQ(Load(vp, "Data/shader/simpleBump.cg", "mainFragment"), nullptr);
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
    EXPECT_STRNE(cgGetLastListing(m_Context), "");
    m_Dir.WriteFile("bad.cg", "void mainVertex() { gl_Position = undefinedThing; }\n");
    EXPECT_EQ(Load(vp, "bad.cg", "mainVertex"), nullptr);
    EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
    EXPECT_EQ(Load(vp, "Data/shader/simpleBump.cg", "main Vertex"), nullptr);
    EXPECT_EQ(Load(CG_PROFILE_UNKNOWN, "Data/shader/simpleBump.cg", "mainVertex"), nullptr);
    EXPECT_EQ(cgGetError(), CG_INVALID_PROFILE_ERROR);
    cgGLSetParameter1f(nullptr, 1.0f);
    EXPECT_EQ(cgGetError(), CG_INVALID_PARAMETER_ERROR);
    EXPECT_EQ(g_Errors, 6);
    EXPECT_STREQ(cgGetErrorString(CG_FILE_READ_ERROR), "The file could not be read.");
}
