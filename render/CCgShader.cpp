#include "render/CCgShader.h"

#include "app/Log.h"

#include <memory>

using namespace plat;

namespace
{

CGcontext g_Context = nullptr;

// Programs by file name, one map per kind. Built on first use, so their
// lifetime does not depend on the order of static initialisation.
std::map<std::string, std::unique_ptr<SCgProgram>>& Programs(int kind)
{
    static std::map<std::string, std::unique_ptr<SCgProgram>> maps[2];
    return maps[kind == SCgProgram::FRAGMENT ? 1 : 0];
}

void ErrorCallback()
{
    const CGerror error = cgGetError();
    if (error != CG_NO_ERROR)
        Log(1, "CG Error: %s", cgGetErrorString(error));
}

} // namespace

void CCgProgramCache::EnsureContext()
{
    if (g_Context)
        return;
    g_Context = cgCreateContext();
    cgSetErrorCallback(ErrorCallback);
}

CGcontext CCgProgramCache::GetContext()
{
    return g_Context;
}

SCgProgram* CCgProgramCache::Find(int kind, const std::string& fileName)
{
    auto it = Programs(kind).find(fileName);
    return it == Programs(kind).end() ? nullptr : it->second.get();
}

SCgProgram* CCgProgramCache::LoadProgram(int kind, const std::string& fileName, const std::string& entry)
{
    if (SCgProgram* cached = Find(kind, fileName))
    {
        ++cached->m_iUseCount;
        return cached;
    }
    EnsureContext();
    std::unique_ptr<SCgProgram> record(new SCgProgram);
    record->m_strFileName = fileName;
    record->m_iKind = kind;
    record->m_Profile = cgGLGetLatestProfile(kind == SCgProgram::FRAGMENT ? CG_GL_FRAGMENT : CG_GL_VERTEX);
    cgGLSetOptimalOptions(record->m_Profile);
    record->m_Program = cgCreateProgramFromFile(g_Context, CG_SOURCE, fileName.c_str(), record->m_Profile,
                                                entry.c_str(), nullptr);
    if (!record->m_Program)
        return nullptr;
    cgGLLoadProgram(record->m_Program);
    record->m_iUseCount = 1;
    SCgProgram* program = record.get();
    Programs(kind)[fileName] = std::move(record);
    return program;
}

void CCgProgramCache::ReleaseProgram(SCgProgram* program)
{
    if (!program || --program->m_iUseCount > 0)
        return;
    cgDestroyProgram(program->m_Program);
    const std::string name = program->m_strFileName;
    Programs(program->m_iKind).erase(name);
    if (Programs(SCgProgram::VERTEX).empty() && Programs(SCgProgram::FRAGMENT).empty() && g_Context)
    {
        cgDestroyContext(g_Context);
        g_Context = nullptr;
    }
}

CCgShader::CCgShader(CCOGLTriangleGroup* group, COGLRenderer* renderer)
    : m_iPath(3), m_pVertexProgram(nullptr), m_pFragmentProgram(nullptr), m_pRenderer(renderer),
      m_pGroup(group)
{
    CCgProgramCache::EnsureContext();
}

CCgShader::~CCgShader()
{
    CCgProgramCache::ReleaseProgram(m_pVertexProgram);
    CCgProgramCache::ReleaseProgram(m_pFragmentProgram);
}
