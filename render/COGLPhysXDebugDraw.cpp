#include "render/COGLPhysXDebugDraw.h"

#include "platform/gl/GL.h"
#include "platform/physx/NxPhysics.h"

namespace
{

// 0xFF is full intensity: each byte times 1/255.
const float kColourScale = 0.003921569f;

void Colour(plat::NxU32 rgb)
{
    glColor3f(((rgb >> 16) & 0xFF) * kColourScale, ((rgb >> 8) & 0xFF) * kColourScale,
              (rgb & 0xFF) * kColourScale);
}

void Vertex(const plat::NxVec3& p)
{
    glVertex3f(p.x, p.y, p.z);
}

} // namespace

void COGLPhysXDebugDraw::Draw(const plat::NxDebugRenderable& renderable)
{
    if (const plat::NxU32 count = renderable.getNbPoints())
    {
        const plat::NxDebugPoint* points = renderable.getPoints();
        glBegin(GL_POINTS);
        for (plat::NxU32 i = 0; i < count; ++i)
        {
            Colour(points[i].color);
            Vertex(points[i].p);
        }
        glEnd();
    }
    if (const plat::NxU32 count = renderable.getNbLines())
    {
        const plat::NxDebugLine* lines = renderable.getLines();
        glBegin(GL_LINES);
        for (plat::NxU32 i = 0; i < count; ++i)
        {
            Colour(lines[i].color);
            Vertex(lines[i].p0);
            Vertex(lines[i].p1);
        }
        glEnd();
    }
    if (const plat::NxU32 count = renderable.getNbTriangles())
    {
        const plat::NxDebugTriangle* triangles = renderable.getTriangles();
        glBegin(GL_TRIANGLES);
        for (plat::NxU32 i = 0; i < count; ++i)
        {
            Colour(triangles[i].color);
            Vertex(triangles[i].p0);
            Vertex(triangles[i].p1);
            Vertex(triangles[i].p2);
        }
        glEnd();
    }
}
