#pragma once

// Helpers for the physics layer tests: an in-memory stream, a recording
// output stream, and a scene with ready-made actors.

#include "platform/physx/NxController.h"
#include "platform/physx/NxCooking.h"
#include "platform/physx/NxPhysics.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace nxtest
{

using namespace plat;

class MemoryStream : public NxStream
{
public:
    std::string data;
    size_t pos = 0;

    bool ReadBuffer(void* buffer, NxU32 size) override
    {
        const size_t n = std::min<size_t>(size, data.size() - pos);
        std::memcpy(buffer, data.data() + pos, n);
        std::memset(static_cast<char*>(buffer) + n, 0, size - n);
        pos += n;
        if (n < size)
            MarkFailed();
        return n == size;
    }
    NxStream& StoreBuffer(const void* buffer, NxU32 size) override
    {
        data.append(static_cast<const char*>(buffer), size);
        return *this;
    }
    template <class T> T Read()
    {
        T v;
        ReadBuffer(&v, sizeof(T));
        return v;
    }
    template <class T> NxStream& Store(T v) { return StoreBuffer(&v, sizeof(T)); }
    NxU8 ReadByte() override { return Read<NxU8>(); }
    NxU16 ReadWord() override { return Read<NxU16>(); }
    NxU32 ReadDword() override { return Read<NxU32>(); }
    NxF32 ReadFloat() override { return Read<NxF32>(); }
    NxF64 ReadDouble() override { return Read<NxF64>(); }
    NxStream& StoreByte(NxU8 v) override { return Store(v); }
    NxStream& StoreWord(NxU16 v) override { return Store(v); }
    NxStream& StoreDword(NxU32 v) override { return Store(v); }
    NxStream& StoreFloat(NxF32 v) override { return Store(v); }
    NxStream& StoreDouble(NxF64 v) override { return Store(v); }
};

class RecordingOutput : public NxUserOutputStream
{
public:
    std::vector<std::string> errors;
    void ReportError(NxErrorCode, const char* message, const char*, int) override
    {
        errors.push_back(message);
    }
    NxAssertResponse ReportAssertViolation(const char*, const char*, int) override { return NX_AR_CONTINUE; }
    void Print(const char*) override {}
};

struct ContactEvent
{
    NxActor* a;
    NxActor* b;
    NxU32 events;
};

class RecordingContacts : public NxUserContactReport
{
public:
    std::vector<ContactEvent> events;
    // Called inside a report, before it is recorded.
    std::function<void(NxContactPair&)> onReport;
    void OnContactNotify(NxContactPair& pair, NxU32 e) override
    {
        if (onReport)
            onReport(pair);
        events.push_back({pair.actors[0], pair.actors[1], e});
    }
};

// A grid in the x-z plane at the height h(x, z), cells of one unit.
struct Grid
{
    std::vector<NxF32> points;
    std::vector<NxU32> triangles;
};

template <class Height> Grid MakeGrid(int cellsX, int cellsZ, float x0, float z0, float cell, Height h)
{
    Grid g;
    for (int z = 0; z <= cellsZ; ++z)
        for (int x = 0; x <= cellsX; ++x)
        {
            const float px = x0 + x * cell;
            const float pz = z0 + z * cell;
            g.points.insert(g.points.end(), {px, h(px, pz), pz});
        }
    const NxU32 row = cellsX + 1;
    for (int z = 0; z < cellsZ; ++z)
        for (int x = 0; x < cellsX; ++x)
        {
            const NxU32 i = z * row + x;
            g.triangles.insert(g.triangles.end(), {i, i + row, i + 1, i + 1, i + row, i + row + 1});
        }
    return g;
}

inline NxTriangleMeshDesc DescOf(const Grid& g)
{
    NxTriangleMeshDesc d;
    d.numVertices = static_cast<NxU32>(g.points.size() / 3);
    d.numTriangles = static_cast<NxU32>(g.triangles.size() / 3);
    d.pointStrideBytes = 12;
    d.triangleStrideBytes = 12;
    d.points = g.points.data();
    d.triangles = g.triangles.data();
    d.heightFieldVerticalAxis = NX_Y;
    d.heightFieldVerticalExtent = -1000;
    return d;
}

class World
{
public:
    World()
    {
        sdk = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION, nullptr, &output);
        sdk->setParameter(NX_SKIN_WIDTH, 0.01f);
        NxSceneDesc desc;
        desc.gravity.set(0, -9.8f, 0);
        scene = sdk->createScene(desc);
        scene->setUserContactReport(&contacts);
        for (NxActorGroup a = 0; a < 32; ++a)
            for (NxActorGroup b = a; b < 32; ++b)
                scene->setActorGroupPairFlags(
                    a, b, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_END_TOUCH | NX_NOTIFY_ON_TOUCH);
        NxInitCooking(nullptr, &output);
    }
    ~World()
    {
        NxCloseCooking();
        sdk->release();
    }

    NxActor* Box(const NxVec3& centre, const NxVec3& half, NxCollisionGroup group, bool dynamic,
                 NxReal density = 1.0f, const NxMat33* rotation = nullptr)
    {
        NxBoxShapeDesc box;
        box.dimensions = half;
        box.group = group;
        NxBodyDesc body;
        NxActorDesc desc;
        desc.globalPose.t = centre;
        if (rotation)
            desc.globalPose.M = *rotation;
        desc.group = group;
        desc.shapes.push_back(&box);
        if (dynamic)
        {
            desc.body = &body;
            desc.density = density;
        }
        return scene->createActor(desc);
    }

    NxTriangleMesh* Cook(const Grid& g)
    {
        MemoryStream stream;
        if (!NxCookTriangleMesh(DescOf(g), stream))
            return nullptr;
        return sdk->createTriangleMesh(stream);
    }

    NxActor* MeshActor(NxTriangleMesh* mesh, NxCollisionGroup group = 0)
    {
        NxTriangleMeshShapeDesc shape;
        shape.meshData = mesh;
        shape.group = group;
        NxActorDesc desc;
        desc.group = group;
        desc.shapes.push_back(&shape);
        return scene->createActor(desc);
    }

    void Step(int steps = 1)
    {
        for (int i = 0; i < steps; ++i)
        {
            scene->simulate(1.0f / 60.0f);
            scene->flushStream();
            scene->fetchResults(NX_RIGID_BODY_FINISHED, true);
            controllers.updateControllers();
        }
    }

    RecordingOutput output;
    RecordingContacts contacts;
    NxPhysicsSDK* sdk = nullptr;
    NxScene* scene = nullptr;
    ControllerManager controllers;
};

} // namespace nxtest
