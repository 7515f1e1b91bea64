#pragma once

namespace plat
{
class NxDebugRenderable;
}

// Draws the physics scene's debug geometry with OpenGL. The physics manager
// cannot reach OpenGL itself: the renderer installs Draw as its debug drawer
// (CPhysXMgr::SetDebugDrawFunction) when its context is made and removes it
// when the context goes.
class COGLPhysXDebugDraw
{
public:
    // Needs the current GL context. Draws with the current matrices and state
    // (only the current colour changes): every point in one GL_POINTS batch,
    // every line in one GL_LINES batch, every triangle in one GL_TRIANGLES
    // batch, each with its 0xRRGGBB colour scaled by 1/255.
    static void Draw(const plat::NxDebugRenderable& renderable);
};
