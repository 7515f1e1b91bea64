#pragma once

// Cooking: turns a triangle list into the stream that
// NxPhysicsSDK::createTriangleMesh reads back.
//
// Stream layout (machine byte order): "VTRM" magic, version u32, vertex count
// u32, triangle count u32, flags u32, vertical axis u32, vertical extent f32,
// convex-edge threshold f32, the vertices (3 f32 each), the triangles (3 u32
// each), then an FNV-1a checksum u32 over everything after the magic.

#include "platform/physx/NxFoundation.h"

namespace plat
{

enum NxMeshFlags
{
    NX_MF_FLIPNORMALS = 1 << 0,
    NX_MF_16_BIT_INDICES = 1 << 1
};

struct NxTriangleMeshDesc
{
    NxTriangleMeshDesc();
    bool isValid() const;

    NxU32 numVertices;
    NxU32 numTriangles;
    NxU32 pointStrideBytes;
    NxU32 triangleStrideBytes;
    const void* points;
    const void* triangles;
    NxU32 flags;
    const void* materialIndices;      // not supported: must be null
    NxU32 heightFieldVerticalAxis;    // NxHeightFieldAxis
    NxReal heightFieldVerticalExtent; // kept with the mesh
    NxReal convexEdgeThreshold;
};

// Cooking may be used between NxInitCooking and NxCloseCooking; the calls
// nest (each init is matched by one close). The output stream of the latest
// init (may be null) receives cooking errors.
bool NxInitCooking(void* allocator = nullptr, NxUserOutputStream* outputStream = nullptr);
void NxCloseCooking();
// False (with an error report) when cooking is not initialised, the
// descriptor is invalid (indices out of range, bad strides) or the stream
// fails.
bool NxCookTriangleMesh(const NxTriangleMeshDesc& desc, NxStream& stream);

namespace cooking
{
constexpr NxU32 kMagic = 0x4d525456; // "VTRM" read as little-endian
constexpr NxU32 kVersion = 1;
} // namespace cooking

} // namespace plat
