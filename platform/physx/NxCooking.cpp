// Cooking triangle meshes into our own stream records.

#include "platform/physx/NxCooking.h"

#include <cstring>
#include <string>
#include <vector>

namespace plat
{

namespace
{
// Each successful NxInitCooking is matched by one NxCloseCooking; cooking
// stays available while any user holds it.
int g_iCookingUsers = 0;
NxUserOutputStream* g_pCookingOutput = nullptr;

void CookingError(const char* message)
{
    if (g_pCookingOutput)
        g_pCookingOutput->ReportError(NXE_INVALID_PARAMETER, message, __FILE__, __LINE__);
}

// Collects what follows the magic and checksums it; stored in one piece.
struct ChecksumWriter
{
    void Store(const void* data, NxU32 size)
    {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (NxU32 i = 0; i < size; ++i)
            sum = (sum ^ p[i]) * 16777619u;
        bytes.append(static_cast<const char*>(data), size);
    }
    std::string bytes;
    NxU32 sum = 2166136261u;
};

NxU32 IndexAt(const NxTriangleMeshDesc& d, NxU32 triangle, int corner)
{
    const unsigned char* base =
        static_cast<const unsigned char*>(d.triangles) + size_t(triangle) * d.triangleStrideBytes;
    if (d.flags & NX_MF_16_BIT_INDICES)
    {
        NxU16 v;
        std::memcpy(&v, base + corner * 2, 2);
        return v;
    }
    NxU32 v;
    std::memcpy(&v, base + corner * 4, 4);
    return v;
}
} // namespace

bool NxTriangleMeshDesc::isValid() const
{
    const NxU32 indexSize = (flags & NX_MF_16_BIT_INDICES) ? 2 : 4;
    if (numVertices == 0 || numTriangles == 0 || !points || !triangles || materialIndices)
        return false;
    if (pointStrideBytes < 12 || triangleStrideBytes < 3 * indexSize)
        return false;
    for (NxU32 t = 0; t < numTriangles; ++t)
        for (int c = 0; c < 3; ++c)
            if (IndexAt(*this, t, c) >= numVertices)
                return false;
    return true;
}

bool NxInitCooking(void* allocator, NxUserOutputStream* outputStream)
{
    g_pCookingOutput = outputStream;
    if (allocator)
    {
        CookingError("NxInitCooking: custom allocators are not supported");
        return false;
    }
    ++g_iCookingUsers;
    return true;
}

void NxCloseCooking()
{
    if (g_iCookingUsers > 0 && --g_iCookingUsers == 0)
        g_pCookingOutput = nullptr;
}

bool NxCookTriangleMesh(const NxTriangleMeshDesc& desc, NxStream& stream)
{
    if (g_iCookingUsers == 0)
    {
        CookingError("NxCookTriangleMesh: cooking is not initialised");
        return false;
    }
    if (!desc.isValid())
    {
        CookingError("NxCookTriangleMesh: invalid mesh descriptor");
        return false;
    }
    ChecksumWriter out;
    const NxU32 header[6] = {
        cooking::kVersion, desc.numVertices, desc.numTriangles, desc.flags, desc.heightFieldVerticalAxis, 0};
    out.Store(header, sizeof(header));
    const NxF32 extents[2] = {desc.heightFieldVerticalExtent, desc.convexEdgeThreshold};
    out.Store(extents, sizeof(extents));
    for (NxU32 v = 0; v < desc.numVertices; ++v)
        out.Store(static_cast<const unsigned char*>(desc.points) + size_t(v) * desc.pointStrideBytes, 12);
    const bool flip = (desc.flags & NX_MF_FLIPNORMALS) != 0;
    for (NxU32 t = 0; t < desc.numTriangles; ++t)
    {
        NxU32 tri[3] = {IndexAt(desc, t, 0), IndexAt(desc, t, 1), IndexAt(desc, t, 2)};
        if (flip)
            std::swap(tri[1], tri[2]);
        out.Store(tri, sizeof(tri));
    }
    stream.StoreDword(cooking::kMagic);
    stream.StoreBuffer(out.bytes.data(), static_cast<NxU32>(out.bytes.size()));
    stream.StoreDword(out.sum);
    if (!stream.IsGood())
    {
        CookingError("NxCookTriangleMesh: writing the stream failed");
        return false;
    }
    return true;
}

} // namespace plat
