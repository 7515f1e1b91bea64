#pragma once

#include "app/CRefCounted.h"
#include "platform/gl/Cg.h"

#include <map>
#include <string>

class CCOGLTriangleGroup;
class COGLRenderer;

// One loaded shader program, shared by every shader that asked for its file.
struct SCgProgram
{
    enum
    {
        VERTEX = 0,
        FRAGMENT = 1
    };
    std::string m_strFileName;
    int32_t m_iKind = VERTEX;
    plat::CGprogram m_Program = nullptr;
    plat::CGprofile m_Profile = plat::CG_PROFILE_UNKNOWN;
    int32_t m_iUseCount = 0;
};

// The process-wide program cache: one map per kind from file name to
// program, and the one shader context, made by the first shader and
// destroyed when the last program goes (a later shader makes a new one).
class CCgProgramCache
{
public:
    // The program of the file for the kind (0 vertex, 1 fragment), loaded
    // on first request; a cached one gets one more use (its entry point is
    // not compared). Null when it cannot be made (the shader runtime's error
    // goes to the log through the error callback).
    static SCgProgram* LoadProgram(int kind, const std::string& fileName, const std::string& entry);
    // One use less; the last use destroys the program, and the context with
    // the last program. Null is ignored.
    static void ReleaseProgram(SCgProgram* program);

    // Makes the context (with the error callback) when there is none.
    static void EnsureContext();
    static plat::CGcontext GetContext();
    // The cached record, or null (for tests and diagnostics).
    static SCgProgram* Find(int kind, const std::string& fileName);
};

// Base of the shader objects a triangle group can be drawn with (render
// path 3). The renderer only draws through it: Render draws the group with
// the shader bound, Unbind switches the shader's profiles off again. Holds
// its two programs (released by the destructor); the group and the renderer
// are not counted: the group owns the shader, the renderer outlives both.
class CCgShader : public CRefCounted
{
public:
    CCgShader(CCOGLTriangleGroup* group, COGLRenderer* renderer);
    virtual ~CCgShader();
    virtual void Render() = 0;
    virtual void Unbind() = 0;
    virtual void Reserved() {}

    int GetPath() const { return m_iPath; }
    const SCgProgram* GetVertexProgram() const { return m_pVertexProgram; }
    const SCgProgram* GetFragmentProgram() const { return m_pFragmentProgram; }

protected:
    // Always 3 (the shader path).
    int m_iPath;
    SCgProgram* m_pVertexProgram;
    SCgProgram* m_pFragmentProgram;
    COGLRenderer* m_pRenderer;
    CCOGLTriangleGroup* m_pGroup;
};
