#include "platform/gl/Cg.h"

#include "platform/gl/GL.h"
#include "platform/sys/PathResolver.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace plat
{

struct _CGparameter
{
    _CGprogram* program = nullptr;
    std::string name;
    // Floats the uniform takes: 1, 2, 3, 4 or 16; 0 for samplers.
    int size = 0;
    float value[16] = {};
    bool set = false;
};

struct _CGprogram
{
    _CGcontext* context = nullptr;
    CGprofile profile = CG_PROFILE_UNKNOWN;
    GLuint shader = 0;
    bool loaded = false;
    // Samplers with a unit from a TEXUNITn binding.
    std::vector<std::pair<std::string, int>> samplerUnits;
    // Active uniforms by name with their float count.
    std::map<std::string, int> uniforms;
    std::map<std::string, std::unique_ptr<_CGparameter>> parameters;
};

struct _CGcontext
{
    std::vector<_CGprogram*> programs;
    std::string listing;
};

namespace
{

CGerror g_Error = CG_NO_ERROR;
CGerrorCallbackFunc g_Callback = nullptr;
int g_ProgramCount = 0;

// Stage slots: 0 vertex, 1 fragment.
_CGprogram* g_Bound[2] = {nullptr, nullptr};
bool g_Enabled[2] = {false, false};
// Linked stage pairs; either may be null.
std::map<std::pair<_CGprogram*, _CGprogram*>, GLuint> g_Linked;
std::pair<_CGprogram*, _CGprogram*> g_CurrentPair(nullptr, nullptr);
GLuint g_CurrentObject = 0;

void SetError(CGerror error)
{
    g_Error = error;
    if (g_Callback)
        g_Callback();
}

int Slot(CGprofile profile)
{
    return profile == CG_PROFILE_GLSLV ? 0 : (profile == CG_PROFILE_GLSLF ? 1 : -1);
}

bool HasGLSL()
{
    return glCreateShader && glShaderSource && glCompileShader && glCreateProgram && glLinkProgram &&
           glUseProgram && glGetUniformLocation;
}

std::string ShaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, length, nullptr, &text[0]);
    return text.c_str();
}

std::string ProgramLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
    glGetProgramInfoLog(program, length, nullptr, &text[0]);
    return text.c_str();
}

// Strips "name : TEXUNITn" bindings from sampler declarations, noting them.
std::string TakeSamplerUnits(const std::string& source, std::vector<std::pair<std::string, int>>& units)
{
    static const std::regex binding(R"((uniform\s+sampler\w+\s+)(\w+)\s*:\s*TEXUNIT(\d+)\s*;)");
    std::string out;
    auto begin = std::sregex_iterator(source.begin(), source.end(), binding);
    size_t last = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it)
    {
        const std::smatch& m = *it;
        out += source.substr(last, static_cast<size_t>(m.position(0)) - last);
        out += m[1].str() + m[2].str() + ";";
        units.emplace_back(m[2].str(), std::stoi(m[3].str()));
        last = static_cast<size_t>(m.position(0) + m.length(0));
    }
    out += source.substr(last);
    return out;
}

bool IsIdentifier(const char* s)
{
    if (!s || !*s)
        return false;
    for (const char* p = s; *p; ++p)
    {
        const bool letter = (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || *p == '_';
        if (!letter && !(p != s && *p >= '0' && *p <= '9'))
            return false;
    }
    return true;
}

int TypeFloats(const std::string& type)
{
    static const std::map<std::string, int> kTypes = {
        {"float", 1}, {"vec2", 2}, {"vec3", 3}, {"vec4", 4}, {"mat4", 16}};
    auto it = kTypes.find(type);
    return it == kTypes.end() ? 0 : it->second;
}

// The uniforms the stage declares: the source is walked line by line,
// honouring #ifdef / #ifndef / #else / #endif of the stage macros (other
// conditions count as true). Uniforms the compiler drops still get a
// parameter; setting them just sends nothing.
void ParseUniforms(_CGprogram* program, const std::string& source, const std::string& stageMacro)
{
    static const std::regex directive(R"(^\s*#\s*(ifdef|ifndef|if|else|elif|endif)\b\s*(\w*))");
    static const std::regex uniform(R"(\buniform\s+(\w+)\s+(\w+)\s*[;\[=])");
    std::vector<bool> active(1, true);
    std::istringstream lines(source);
    std::string line;
    while (std::getline(lines, line))
    {
        std::smatch m;
        if (std::regex_search(line, m, directive))
        {
            const std::string what = m[1].str();
            const bool outer = active.back();
            if (what == "ifdef" || what == "ifndef")
            {
                const bool defined = m[2].str() == stageMacro;
                active.push_back(outer && (what == "ifdef" ? defined : !defined));
            }
            else if (what == "if")
                active.push_back(outer);
            else if ((what == "else" || what == "elif") && active.size() > 1)
            {
                const bool parent = active[active.size() - 2];
                active.back() = parent && !active.back();
            }
            else if (what == "endif" && active.size() > 1)
                active.pop_back();
            continue;
        }
        if (!active.back())
            continue;
        for (auto it = std::sregex_iterator(line.begin(), line.end(), uniform); it != std::sregex_iterator();
             ++it)
            program->uniforms[(*it)[2].str()] = TypeFloats((*it)[1].str());
    }
}

// Links the stage alone to find a missing entry; false with the log.
bool LinksAlone(_CGprogram* program)
{
    GLuint object = glCreateProgram();
    glAttachShader(object, program->shader);
    glLinkProgram(object);
    GLint ok = 0;
    glGetProgramiv(object, GL_LINK_STATUS, &ok);
    if (!ok)
        program->context->listing = ProgramLog(object);
    glDeleteProgram(object);
    return ok != 0;
}

void Upload(GLuint object, const _CGparameter* param)
{
    if (!param->set || param->size == 0)
        return;
    const GLint location = glGetUniformLocation(object, param->name.c_str());
    if (location < 0)
        return;
    switch (param->size)
    {
    case 1:
        glUniform1fv(location, 1, param->value);
        break;
    case 2:
        glUniform2fv(location, 1, param->value);
        break;
    case 3:
        glUniform3fv(location, 1, param->value);
        break;
    case 4:
        glUniform4fv(location, 1, param->value);
        break;
    case 16:
        glUniformMatrix4fv(location, 1, GL_FALSE, param->value);
        break;
    }
}

void UploadAll(GLuint object, const _CGprogram* program)
{
    if (!program)
        return;
    for (const auto& entry : program->parameters)
        Upload(object, entry.second.get());
}

GLuint Link(_CGprogram* vertex, _CGprogram* fragment)
{
    auto found = g_Linked.find(std::make_pair(vertex, fragment));
    if (found != g_Linked.end())
        return found->second;
    GLuint object = glCreateProgram();
    for (_CGprogram* stage : {vertex, fragment})
        if (stage)
            glAttachShader(object, stage->shader);
    glLinkProgram(object);
    GLint ok = 0;
    glGetProgramiv(object, GL_LINK_STATUS, &ok);
    if (!ok)
    {
        (vertex ? vertex : fragment)->context->listing = ProgramLog(object);
        glDeleteProgram(object);
        SetError(CG_PROGRAM_LOAD_ERROR);
        return 0;
    }
    glUseProgram(object);
    for (_CGprogram* stage : {vertex, fragment})
    {
        if (!stage)
            continue;
        for (const auto& unit : stage->samplerUnits)
        {
            const GLint location = glGetUniformLocation(object, unit.first.c_str());
            if (location >= 0)
                glUniform1i(location, unit.second);
        }
    }
    g_Linked[std::make_pair(vertex, fragment)] = object;
    return object;
}

// Puts the program pair the bound and enabled stages ask for in use.
void Update()
{
    _CGprogram* vertex = g_Enabled[0] ? g_Bound[0] : nullptr;
    _CGprogram* fragment = g_Enabled[1] ? g_Bound[1] : nullptr;
    if (!vertex && !fragment)
    {
        if (g_CurrentObject != 0)
            glUseProgram(0);
        g_CurrentObject = 0;
        g_CurrentPair = std::make_pair(nullptr, nullptr);
        return;
    }
    if (std::make_pair(vertex, fragment) == g_CurrentPair && g_CurrentObject != 0)
        return;
    const GLuint object = Link(vertex, fragment);
    glUseProgram(object);
    g_CurrentObject = object;
    g_CurrentPair = std::make_pair(vertex, fragment);
    if (object == 0)
        return;
    UploadAll(object, vertex);
    UploadAll(object, fragment);
}

void SetValue(CGparameter param, const float* v, int count)
{
    if (!param)
    {
        SetError(CG_INVALID_PARAMETER_ERROR);
        return;
    }
    if (param->size == 0 || count != param->size)
    {
        SetError(CG_INVALID_VALUE_TYPE_ERROR);
        return;
    }
    std::fill(param->value, param->value + 16, 0.0f);
    std::copy(v, v + std::min(count, param->size), param->value);
    param->set = true;
    if (g_CurrentObject != 0 &&
        (g_CurrentPair.first == param->program || g_CurrentPair.second == param->program))
        Upload(g_CurrentObject, param);
}

} // namespace

// ---- Contexts and errors ------------------------------------------------------

CGcontext cgCreateContext()
{
    return new _CGcontext;
}

void cgDestroyContext(CGcontext context)
{
    if (!context)
    {
        SetError(CG_INVALID_CONTEXT_HANDLE_ERROR);
        return;
    }
    while (!context->programs.empty())
        cgDestroyProgram(context->programs.back());
    delete context;
}

void cgSetErrorCallback(CGerrorCallbackFunc func)
{
    g_Callback = func;
}

CGerrorCallbackFunc cgGetErrorCallback()
{
    return g_Callback;
}

CGerror cgGetError()
{
    const CGerror error = g_Error;
    g_Error = CG_NO_ERROR;
    return error;
}

const char* cgGetErrorString(CGerror error)
{
    static const char* const kTexts[] = {
        "No error has occurred.",
        "The compile returned an error.",
        "The parameter used is invalid.",
        "The profile is not supported.",
        "The program could not be loaded.",
        "The program must be loaded before this operation may be used.",
        "The value type does not match the parameter.",
        "The enumerant parameter has an invalid value.",
        "The file could not be read.",
        "Invalid context handle.",
        "Invalid program handle.",
        "The shader language needed is not supported by the OpenGL driver.",
    };
    const int i = static_cast<int>(error);
    return i >= 0 && i < static_cast<int>(sizeof kTexts / sizeof kTexts[0]) ? kTexts[i] : "Unknown error.";
}

const char* cgGetLastListing(CGcontext context)
{
    return context ? context->listing.c_str() : "";
}

// ---- Programs -----------------------------------------------------------------

CGprogram cgCreateProgramFromFile(CGcontext context, CGenum type, const char* file, CGprofile profile,
                                  const char* entry, const char**)
{
    if (!context)
    {
        SetError(CG_INVALID_CONTEXT_HANDLE_ERROR);
        return nullptr;
    }
    if (type != CG_SOURCE)
    {
        SetError(CG_INVALID_ENUMERANT_ERROR);
        return nullptr;
    }
    const int slot = Slot(profile);
    if (slot < 0 || !HasGLSL())
    {
        SetError(CG_INVALID_PROFILE_ERROR);
        return nullptr;
    }
    std::ifstream in(plat::ResolvePath(file ? file : "").c_str(), std::ios::binary);
    if (!in)
    {
        SetError(CG_FILE_READ_ERROR);
        return nullptr;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!IsIdentifier(entry))
    {
        context->listing = "invalid entry name";
        SetError(CG_COMPILER_ERROR);
        return nullptr;
    }

    std::unique_ptr<_CGprogram> program(new _CGprogram);
    program->context = context;
    program->profile = profile;
    const char* macro = slot == 0 ? "CG_VERTEX" : "CG_FRAGMENT";
    const std::string body = TakeSamplerUnits(text.str(), program->samplerUnits);
    const std::string source =
        std::string("#version 120\n#define ") + macro + " 1\n#define " + entry + " main\n#line 1\n" + body;
    program->shader = glCreateShader(slot == 0 ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    const char* sources[1] = {source.c_str()};
    glShaderSource(program->shader, 1, sources, nullptr);
    glCompileShader(program->shader);
    GLint ok = 0;
    glGetShaderiv(program->shader, GL_COMPILE_STATUS, &ok);
    if (!ok)
        context->listing = ShaderLog(program->shader);
    if (!ok || !LinksAlone(program.get()))
    {
        glDeleteShader(program->shader);
        SetError(CG_COMPILER_ERROR);
        return nullptr;
    }
    ParseUniforms(program.get(), body, macro);
    context->listing.clear();
    context->programs.push_back(program.get());
    ++g_ProgramCount;
    return program.release();
}

void cgDestroyProgram(CGprogram program)
{
    if (!program)
    {
        SetError(CG_INVALID_PROGRAM_HANDLE_ERROR);
        return;
    }
    for (int slot = 0; slot < 2; ++slot)
        if (g_Bound[slot] == program)
            g_Bound[slot] = nullptr;
    if (g_CurrentPair.first == program || g_CurrentPair.second == program)
    {
        glUseProgram(0);
        g_CurrentObject = 0;
        g_CurrentPair = std::make_pair(nullptr, nullptr);
    }
    for (auto it = g_Linked.begin(); it != g_Linked.end();)
    {
        if (it->first.first == program || it->first.second == program)
        {
            glDeleteProgram(it->second);
            it = g_Linked.erase(it);
        }
        else
            ++it;
    }
    glDeleteShader(program->shader);
    std::vector<_CGprogram*>& list = program->context->programs;
    list.erase(std::remove(list.begin(), list.end(), program), list.end());
    --g_ProgramCount;
    delete program;
}

CGparameter cgGetNamedParameter(CGprogram program, const char* name)
{
    if (!program)
    {
        SetError(CG_INVALID_PROGRAM_HANDLE_ERROR);
        return nullptr;
    }
    auto uniform = program->uniforms.find(name ? name : "");
    if (uniform == program->uniforms.end())
        return nullptr;
    std::unique_ptr<_CGparameter>& param = program->parameters[uniform->first];
    if (!param)
    {
        param.reset(new _CGparameter);
        param->program = program;
        param->name = uniform->first;
        param->size = uniform->second;
    }
    return param.get();
}

CGprofile cgGetProgramProfile(CGprogram program)
{
    return program ? program->profile : CG_PROFILE_UNKNOWN;
}

int cgGetProgramCount()
{
    return g_ProgramCount;
}

// ---- GL binding ---------------------------------------------------------------

CGprofile cgGLGetLatestProfile(CGGLenum profileClass)
{
    if (!HasGLSL())
        return CG_PROFILE_UNKNOWN;
    if (profileClass == CG_GL_VERTEX)
        return CG_PROFILE_GLSLV;
    if (profileClass == CG_GL_FRAGMENT)
        return CG_PROFILE_GLSLF;
    return CG_PROFILE_UNKNOWN;
}

void cgGLSetOptimalOptions(CGprofile) {}

void cgGLLoadProgram(CGprogram program)
{
    if (!program)
    {
        SetError(CG_INVALID_PROGRAM_HANDLE_ERROR);
        return;
    }
    program->loaded = true;
}

bool cgGLIsProgramLoaded(CGprogram program)
{
    return program && program->loaded;
}

void cgGLBindProgram(CGprogram program)
{
    if (!program)
    {
        SetError(CG_INVALID_PROGRAM_HANDLE_ERROR);
        return;
    }
    if (!program->loaded)
    {
        SetError(CG_PROGRAM_NOT_LOADED_ERROR);
        return;
    }
    g_Bound[Slot(program->profile)] = program;
    Update();
}

void cgGLEnableProfile(CGprofile profile)
{
    const int slot = Slot(profile);
    if (slot < 0)
    {
        SetError(CG_INVALID_PROFILE_ERROR);
        return;
    }
    g_Enabled[slot] = true;
    Update();
}

void cgGLDisableProfile(CGprofile profile)
{
    const int slot = Slot(profile);
    if (slot < 0)
    {
        SetError(CG_INVALID_PROFILE_ERROR);
        return;
    }
    g_Enabled[slot] = false;
    // Leaving one stage on alone would draw with half a shader: back to
    // fixed function until both are enabled again.
    if (g_CurrentObject != 0)
        glUseProgram(0);
    g_CurrentObject = 0;
    g_CurrentPair = std::make_pair(nullptr, nullptr);
}

uint32_t cgGLGetCurrentProgramObject()
{
    return g_CurrentObject;
}

void cgGLSetStateMatrixParameter(CGparameter param, CGGLenum matrix, CGGLenum transform)
{
    float mv[16], pr[16], m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    switch (matrix)
    {
    case CG_GL_MODELVIEW_MATRIX:
        std::copy(mv, mv + 16, m);
        break;
    case CG_GL_PROJECTION_MATRIX:
        std::copy(pr, pr + 16, m);
        break;
    case CG_GL_MODELVIEW_PROJECTION_MATRIX:
        // Column-major: element (r, c) at 4c + r.
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
            {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += static_cast<double>(pr[4 * k + r]) * mv[4 * c + k];
                m[4 * c + r] = static_cast<float>(sum);
            }
        break;
    default:
        SetError(CG_INVALID_ENUMERANT_ERROR);
        return;
    }
    if (transform == CG_GL_MATRIX_TRANSPOSE)
    {
        for (int r = 0; r < 4; ++r)
            for (int c = r + 1; c < 4; ++c)
                std::swap(m[4 * c + r], m[4 * r + c]);
    }
    else if (transform != CG_GL_MATRIX_IDENTITY)
    {
        // Inverses are not needed by any shader of the game.
        SetError(CG_INVALID_ENUMERANT_ERROR);
        return;
    }
    SetValue(param, m, 16);
}

void cgGLSetParameter1f(CGparameter param, float x)
{
    SetValue(param, &x, 1);
}

void cgGLSetParameter3f(CGparameter param, float x, float y, float z)
{
    const float v[3] = {x, y, z};
    SetValue(param, v, 3);
}

void cgGLSetParameter3fv(CGparameter param, const float* v)
{
    SetValue(param, v, 3);
}

void cgGLSetParameter4f(CGparameter param, float x, float y, float z, float w)
{
    const float v[4] = {x, y, z, w};
    SetValue(param, v, 4);
}

void cgGLSetParameter4fv(CGparameter param, const float* v)
{
    SetValue(param, v, 4);
}

bool cgGLGetParameterValue(CGparameter param, float* out, int count)
{
    if (!param || !param->set)
        return false;
    std::copy(param->value, param->value + std::min(count, 16), out);
    return true;
}

} // namespace plat
