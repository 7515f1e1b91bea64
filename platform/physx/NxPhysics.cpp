// Math helpers, descriptor checks and the SDK object.

#include "platform/physx/NxBulletWorld.h"
#include "platform/physx/NxCooking.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace plat
{

// ------------------------------------------------------------------- matrices

void NxMat33::id()
{
    zero();
    m[0][0] = m[1][1] = m[2][2] = 1;
}

void NxMat33::zero()
{
    std::memset(m, 0, sizeof(m));
}

void NxMat33::setRowMajor(const NxF32* v)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = v[r * 3 + c];
}

void NxMat33::getRowMajor(NxF32* v) const
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            v[r * 3 + c] = m[r][c];
}

void NxMat33::setColumnMajor(const NxF32* v)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = v[c * 3 + r];
}

void NxMat33::getColumnMajor(NxF32* v) const
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            v[c * 3 + r] = m[r][c];
}

NxMat33 NxMat33::getTransposed() const
{
    NxMat33 t;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            t.m[r][c] = m[c][r];
    return t;
}

NxVec3 NxMat33::operator*(const NxVec3& v) const
{
    return NxVec3(getRow(0).dot(v), getRow(1).dot(v), getRow(2).dot(v));
}

NxMat33 NxMat33::operator*(const NxMat33& o) const
{
    NxMat33 p;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p.m[r][c] = m[r][0] * o.m[0][c] + m[r][1] * o.m[1][c] + m[r][2] * o.m[2][c];
    return p;
}

NxMat34 NxMat34::operator*(const NxMat34& o) const
{
    NxMat34 p;
    p.M = M * o.M;
    p.t = M * o.t + t;
    return p;
}

// ---------------------------------------------------------------- descriptors

namespace
{
bool Positive(NxReal v)
{
    return std::isfinite(v) && v > 0;
}
} // namespace

bool NxBoxShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && Positive(dimensions.x) && Positive(dimensions.y) &&
           Positive(dimensions.z);
}

bool NxSphereShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && Positive(radius);
}

bool NxCapsuleShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && Positive(radius) && std::isfinite(height) && height >= 0;
}

bool NxTriangleMeshShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && meshData != nullptr;
}

bool NxBodyDesc::isValid() const
{
    return std::isfinite(mass) && mass >= 0 && linearDamping >= 0 && angularDamping >= 0;
}

bool NxActorDesc::isValid() const
{
    if (shapes.empty())
        return false;
    for (const NxShapeDesc* s : shapes)
    {
        if (!s || !s->isValid())
            return false;
        if (body && s->getType() == NX_SHAPE_MESH)
            return false;
    }
    if (body)
    {
        if (!body->isValid())
            return false;
        const bool kinematic = (body->flags & NX_BF_KINEMATIC) != 0;
        if (!kinematic && body->mass <= 0 && !Positive(density))
            return false;
    }
    return true;
}

NxSceneDesc::NxSceneDesc()
    : userContactReport(nullptr), maxTimestep(1.0f / 60.0f), maxIter(8), timeStepMethod(NX_TIMESTEP_FIXED),
      userData(nullptr)
{
}

bool NxSceneDesc::isValid() const
{
    return Positive(maxTimestep) && maxIter > 0 && std::isfinite(gravity.x) && std::isfinite(gravity.y) &&
           std::isfinite(gravity.z);
}

NxTriangleMeshDesc::NxTriangleMeshDesc()
    : numVertices(0), numTriangles(0), pointStrideBytes(0), triangleStrideBytes(0), points(nullptr),
      triangles(nullptr), flags(0), materialIndices(nullptr), heightFieldVerticalAxis(NX_NOT_HEIGHTFIELD),
      heightFieldVerticalExtent(0), convexEdgeThreshold(0.001f)
{
}

// ------------------------------------------------------------- triangle mesh

NxTriangleMesh::NxTriangleMesh() : m_pImpl(new Impl), m_uiShapes(0) {}
NxTriangleMesh::~NxTriangleMesh() {}
NxU32 NxTriangleMesh::getNbVertices() const
{
    return static_cast<NxU32>(m_pImpl->vertices.size());
}
NxU32 NxTriangleMesh::getNbTriangles() const
{
    return static_cast<NxU32>(m_pImpl->indices.size() / 3);
}
const NxVec3* NxTriangleMesh::getVertices() const
{
    return m_pImpl->vertices.data();
}
const NxU32* NxTriangleMesh::getTriangles() const
{
    return m_pImpl->indices.data();
}
NxReal NxTriangleMesh::getHeightFieldVerticalExtent() const
{
    return m_pImpl->verticalExtent;
}

// ------------------------------------------------------------------------ SDK

NxPhysicsSDK::NxPhysicsSDK(NxUserOutputStream* output) : m_pOutput(output)
{
    std::fill(std::begin(m_Params), std::end(m_Params), 0.0f);
    m_Params[NX_SKIN_WIDTH] = 0.025f;
}

NxPhysicsSDK::~NxPhysicsSDK()
{
    while (!m_Scenes.empty())
        releaseScene(*m_Scenes.back());
    for (NxTriangleMesh* mesh : m_Meshes)
        delete mesh;
}

void NxPhysicsSDK::release()
{
    delete this;
}

bool NxPhysicsSDK::setParameter(NxParameter param, NxReal value)
{
    if (param < 0 || param >= NX_PARAMS_NUM_VALUES || !std::isfinite(value))
    {
        reportError(NXE_INVALID_PARAMETER, "setParameter: unknown parameter or bad value", __FILE__,
                    __LINE__);
        return false;
    }
    m_Params[param] = value;
    return true;
}

NxReal NxPhysicsSDK::getParameter(NxParameter param) const
{
    return (param >= 0 && param < NX_PARAMS_NUM_VALUES) ? m_Params[param] : 0.0f;
}

NxScene* NxPhysicsSDK::createScene(const NxSceneDesc& desc)
{
    if (!desc.isValid())
    {
        reportError(NXE_INVALID_PARAMETER, "createScene: invalid scene descriptor", __FILE__, __LINE__);
        return nullptr;
    }
    NxScene* scene = new NxScene(*this, desc);
    m_Scenes.push_back(scene);
    return scene;
}

void NxPhysicsSDK::releaseScene(NxScene& scene)
{
    auto it = std::find(m_Scenes.begin(), m_Scenes.end(), &scene);
    if (it == m_Scenes.end())
        return;
    m_Scenes.erase(it);
    delete &scene;
}

void NxPhysicsSDK::releaseTriangleMesh(NxTriangleMesh& mesh)
{
    auto it = std::find(m_Meshes.begin(), m_Meshes.end(), &mesh);
    if (it == m_Meshes.end())
        return;
    if (mesh.m_uiShapes > 0)
    {
        reportError(NXE_INVALID_OPERATION, "releaseTriangleMesh: the mesh is still used by a shape", __FILE__,
                    __LINE__);
        return;
    }
    m_Meshes.erase(it);
    delete &mesh;
}

void NxPhysicsSDK::reportError(NxErrorCode code, const char* message, const char* file, int line) const
{
    if (m_pOutput)
        m_pOutput->ReportError(code, message, file, line);
}

NxPhysicsSDK* NxCreatePhysicsSDK(NxU32 sdkVersion, void* allocator, NxUserOutputStream* outputStream,
                                 const NxPhysicsSDKDesc&, NxU32* errorCode)
{
    const char* problem = nullptr;
    if (sdkVersion != NX_PHYSICS_SDK_VERSION)
        problem = "NxCreatePhysicsSDK: version mismatch";
    else if (allocator)
        problem = "NxCreatePhysicsSDK: custom allocators are not supported";
    if (problem)
    {
        if (outputStream)
            outputStream->ReportError(NXE_INVALID_PARAMETER, problem, __FILE__, __LINE__);
        if (errorCode)
            *errorCode = 1;
        return nullptr;
    }
    if (errorCode)
        *errorCode = 0;
    return new NxPhysicsSDK(outputStream);
}

// ------------------------------------------------------------- mesh reading

namespace
{

// FNV-1a over the stored bytes; the cooked stream ends with it.
struct Checksum
{
    NxU32 value = 2166136261u;
    void Add(const void* data, size_t size)
    {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i)
            value = (value ^ p[i]) * 16777619u;
    }
};

// Reads count items of type T in chunks, so that a lying count on a short
// stream fails at the end of the data rather than allocating it all first.
template <class T> bool ReadArray(NxStream& stream, NxU32 count, std::vector<T>& out, Checksum& sum)
{
    const NxU32 chunk = 16384;
    out.clear();
    for (NxU32 done = 0; done < count;)
    {
        const NxU32 n = std::min(chunk, count - done);
        const size_t old = out.size();
        out.resize(old + n);
        if (!stream.ReadBuffer(&out[old], n * sizeof(T)))
            return false;
        sum.Add(&out[old], n * sizeof(T));
        done += n;
    }
    return true;
}

const char* ReadCookedMesh(NxStream& stream, NxTriangleMesh::Impl& mesh)
{
    NxU32 header[6];
    NxF32 extents[2];
    NxU32 magic = 0;
    if (!stream.ReadBuffer(&magic, 4) || magic != cooking::kMagic)
        return "createTriangleMesh: not a cooked mesh stream";
    if (!stream.ReadBuffer(header, sizeof(header)) || !stream.ReadBuffer(extents, sizeof(extents)))
        return "createTriangleMesh: truncated stream";
    Checksum sum;
    sum.Add(header, sizeof(header));
    sum.Add(extents, sizeof(extents));
    if (header[0] != cooking::kVersion)
        return "createTriangleMesh: unknown cooked mesh version";
    const NxU32 numVertices = header[1];
    const NxU32 numTriangles = header[2];
    if (numTriangles > 0xffffffffu / 3)
        return "createTriangleMesh: corrupt triangle count";
    std::vector<NxF32> coords;
    if (numVertices > 0xffffffffu / 3 || !ReadArray(stream, numVertices * 3, coords, sum) ||
        !ReadArray(stream, numTriangles * 3, mesh.indices, sum))
        return "createTriangleMesh: truncated stream";
    NxU32 stored = 0;
    if (!stream.ReadBuffer(&stored, 4))
        return "createTriangleMesh: truncated stream";
    if (stored != sum.value)
        return "createTriangleMesh: checksum mismatch";
    for (NxU32 index : mesh.indices)
        if (index >= numVertices)
            return "createTriangleMesh: vertex index out of range";
    for (NxF32 c : coords)
        if (!std::isfinite(c))
            return "createTriangleMesh: vertex is not finite";
    mesh.vertices.resize(numVertices);
    for (NxU32 i = 0; i < numVertices; ++i)
        mesh.vertices[i].set(coords[i * 3], coords[i * 3 + 1], coords[i * 3 + 2]);
    mesh.verticalAxis = header[4];
    mesh.verticalExtent = extents[0];
    return nullptr;
}

} // namespace

NxTriangleMesh* NxPhysicsSDK::createTriangleMesh(NxStream& stream)
{
    std::unique_ptr<NxTriangleMesh> mesh(new NxTriangleMesh);
    NxTriangleMesh::Impl& m = *mesh->m_pImpl;
    if (const char* problem = ReadCookedMesh(stream, m))
    {
        reportError(NXE_INVALID_PARAMETER, problem, __FILE__, __LINE__);
        return nullptr;
    }
    if (m.indices.empty())
    {
        reportError(NXE_INVALID_PARAMETER, "createTriangleMesh: the mesh has no triangles", __FILE__,
                    __LINE__);
        return nullptr;
    }
    static_assert(sizeof(btScalar) == sizeof(NxReal), "mesh vertices are handed to Bullet as they are");
    m.arrays.reset(new btTriangleIndexVertexArray(
        static_cast<int>(m.indices.size() / 3), reinterpret_cast<int*>(m.indices.data()), 3 * sizeof(NxU32),
        static_cast<int>(m.vertices.size()), reinterpret_cast<btScalar*>(&m.vertices[0].x), sizeof(NxVec3)));
    m.shape.reset(new btBvhTriangleMeshShape(m.arrays.get(), true, true));
    m_Meshes.push_back(mesh.get());
    return mesh.release();
}

} // namespace plat
