#pragma once

// The one way code includes OpenGL: GLEW (which must come before gl.h) and
// GLU. Only render/ and platform/gl/ include this.
#include <GL/glew.h>

#include <GL/glu.h>
