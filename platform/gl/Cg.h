#pragma once

// The shader runtime calls the renderer's bump shader uses (contexts,
// programs from source files, profiles and uniform parameters) with their
// usual names, run on GLSL 1.20 through GLEW. Main thread only; every call
// that touches a program needs a current GL context of version 2.0 or later.
//
// Source files. One file holds the programs of both stages as GLSL 1.20
// without a #version line. The layer compiles it once per stage with
// CG_VERTEX or CG_FRAGMENT defined and the entry name defined as main, so a
// file keeps each stage inside "#ifdef CG_VERTEX" / "#ifdef CG_FRAGMENT" and
// names its entry functions freely. A sampler may be bound to a texture
// unit as in "uniform sampler2D texBase : TEXUNIT0;" (the layer strips the
// binding and sets the unit after linking); samplers without one use unit 0.
//
// Programs of the two stages are linked together when both profiles are
// enabled with a program bound (or one stage alone when only one is);
// disabling either profile goes back to fixed function. Parameter values are
// kept per parameter and sent whenever its program is linked in use.

#include <cstdint>

namespace plat
{

struct _CGcontext;
struct _CGprogram;
struct _CGparameter;
typedef _CGcontext* CGcontext;
typedef _CGprogram* CGprogram;
typedef _CGparameter* CGparameter;

enum CGerror
{
    CG_NO_ERROR = 0,
    CG_COMPILER_ERROR,
    CG_INVALID_PARAMETER_ERROR,
    CG_INVALID_PROFILE_ERROR,
    CG_PROGRAM_LOAD_ERROR,
    CG_PROGRAM_NOT_LOADED_ERROR,
    CG_INVALID_VALUE_TYPE_ERROR,
    CG_INVALID_ENUMERANT_ERROR,
    CG_FILE_READ_ERROR,
    CG_INVALID_CONTEXT_HANDLE_ERROR,
    CG_INVALID_PROGRAM_HANDLE_ERROR,
    CG_UNSUPPORTED_GL_EXTENSION_ERROR
};

enum CGprofile
{
    CG_PROFILE_UNKNOWN = 0,
    // GLSL vertex and fragment stages.
    CG_PROFILE_GLSLV = 1,
    CG_PROFILE_GLSLF = 2
};

enum CGenum
{
    CG_SOURCE = 1,
    CG_OBJECT = 2
};

enum CGGLenum
{
    CG_GL_VERTEX = 1,
    CG_GL_FRAGMENT = 2,
    CG_GL_MODELVIEW_MATRIX = 10,
    CG_GL_PROJECTION_MATRIX = 11,
    CG_GL_MODELVIEW_PROJECTION_MATRIX = 12,
    CG_GL_MATRIX_IDENTITY = 20,
    CG_GL_MATRIX_TRANSPOSE = 21,
    CG_GL_MATRIX_INVERSE = 22,
    CG_GL_MATRIX_INVERSE_TRANSPOSE = 23
};

typedef void (*CGerrorCallbackFunc)(void);

// ---- Contexts and errors ------------------------------------------------------

CGcontext cgCreateContext();
// Destroys the context's programs with it (their parameters go too).
void cgDestroyContext(CGcontext context);
// Called after every error is recorded (null: none).
void cgSetErrorCallback(CGerrorCallbackFunc func);
CGerrorCallbackFunc cgGetErrorCallback();
// The last error recorded, which is then cleared.
CGerror cgGetError();
// A text for the code; never null.
const char* cgGetErrorString(CGerror error);
// The compiler's or linker's log of the last failed build in the context
// ("" when none).
const char* cgGetLastListing(CGcontext context);

// ---- Programs -----------------------------------------------------------------

// Reads the file (CG_SOURCE only) and compiles the stage of the profile with
// entry as its entry function. Null with CG_FILE_READ_ERROR for a missing
// file, CG_INVALID_PROFILE_ERROR for an unknown profile or missing GLSL
// support, CG_COMPILER_ERROR when the stage does not compile or has no such
// entry. args is ignored (may be null).
CGprogram cgCreateProgramFromFile(CGcontext context, CGenum type, const char* file, CGprofile profile,
                                  const char* entry, const char** args);
void cgDestroyProgram(CGprogram program);
// A uniform of the program by name; null when it has none of that name in
// use (no error is recorded).
CGparameter cgGetNamedParameter(CGprogram program, const char* name);
CGprofile cgGetProgramProfile(CGprogram program);
// Use count of every program alive (for tests and diagnostics).
int cgGetProgramCount();

// ---- GL binding ---------------------------------------------------------------

// CG_PROFILE_GLSLV / CG_PROFILE_GLSLF when GLSL is available, else
// CG_PROFILE_UNKNOWN.
CGprofile cgGLGetLatestProfile(CGGLenum profileClass);
// Nothing to set for GLSL.
void cgGLSetOptimalOptions(CGprofile profile);
// Marks the program ready for binding.
void cgGLLoadProgram(CGprogram program);
bool cgGLIsProgramLoaded(CGprogram program);
// Makes the program the one of its profile's stage.
void cgGLBindProgram(CGprogram program);
void cgGLEnableProfile(CGprofile profile);
void cgGLDisableProfile(CGprofile profile);
// The GL program object in use through this layer (0 = fixed function).
uint32_t cgGLGetCurrentProgramObject();

// Sets a 4x4 parameter from GL's current matrices (transform CG_GL_MATRIX_*).
void cgGLSetStateMatrixParameter(CGparameter param, CGGLenum matrix, CGGLenum transform);
void cgGLSetParameter1f(CGparameter param, float x);
void cgGLSetParameter3f(CGparameter param, float x, float y, float z);
void cgGLSetParameter3fv(CGparameter param, const float* v);
void cgGLSetParameter4f(CGparameter param, float x, float y, float z, float w);
void cgGLSetParameter4fv(CGparameter param, const float* v);
// The value last set (up to 16 floats); false when none was set.
bool cgGLGetParameterValue(CGparameter param, float* out, int count);

} // namespace plat
