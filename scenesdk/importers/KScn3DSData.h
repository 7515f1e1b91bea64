#pragma once

// KScn3DSData: what KScn3DSParser reads from a 3D Studio file, as the file
// states it (file units, Z up, frames), before KScn3DSSceneBuilder makes a
// scene of it. Every index in it has been checked: faces name vertices of
// their mesh, material groups faces of their mesh, smoothing lists cover
// every face, and the keyframer's parents name nodes of the file without a
// cycle (mParent is an index into mNodes, -1 for none).

#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

struct KScn3DSMap
{
    std::string mFile; // as written; empty when the material has no such map
    double mStrength = 1.0;
    uint16_t mTiling = 0; // the 0xA351 flags; 0x10 means no tiling (clamped)
    double mScale[2] = {1.0, 1.0};
    double mOffset[2] = {0.0, 0.0};
    double mRotation = 0.0; // degrees
};

struct KScn3DSMaterial
{
    enum EMap
    {
        eDiffuseMap = 0,
        eBumpMap = 1,
        eOpacityMap = 2,
        eSpecularMap = 3,
        eMapCount = 4
    };

    std::string mName;
    double mAmbient[3] = {0.0, 0.0, 0.0};
    double mDiffuse[3] = {0.8, 0.8, 0.8};
    double mSpecular[3] = {0.0, 0.0, 0.0};
    double mShininess = 0.0;    // 0..1
    double mTransparency = 0.0; // 0..1, 0 opaque
    bool mTwoSided = false;
    int mShading = 3; // 1 flat, 2 Gouraud, 3 Phong, 4 metal
    KScn3DSMap mMaps[eMapCount];
};

struct KScn3DSFaceGroup
{
    std::string mMaterial;
    std::vector<uint16_t> mFaces;
};

struct KScn3DSMesh
{
    std::vector<float> mPoints;       // x, y, z per vertex, world space
    std::vector<float> mUVs;          // u, v per vertex (may be fewer than the vertices)
    std::vector<uint16_t> mFaces;     // a, b, c per face
    std::vector<uint32_t> mSmoothing; // one mask per face, or empty (all flat)
    std::vector<KScn3DSFaceGroup> mGroups;
    float mMatrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}; // X, Y, Z axes, origin
    bool mHasPoints = false;
    bool mHasFaces = false;
    bool mHasUVs = false;

    size_t GetPointCount() const { return mPoints.size() / 3; }
    size_t GetFaceCount() const { return mFaces.size() / 3; }
};

struct KScn3DSObject
{
    enum EKind
    {
        eMesh = 0,
        eLight = 1,
        eCamera = 2,
        eOther = 3
    };

    std::string mName;
    int mKind = eOther;
    bool mHidden = false;
    float mPosition[3] = {0.0f, 0.0f, 0.0f}; // lights and cameras
    KScn3DSMesh mMesh;
};

struct KScn3DSKey
{
    uint32_t mFrame = 0;
    float mValue[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // x, y, z; a rotation: angle (radians), axis x, y, z
};

struct KScn3DSNode
{
    enum ETrack
    {
        ePosition = 0,
        eRotation = 1,
        eScale = 2
    };

    uint16_t mType = 0; // its chunk id: 0xB002 object, 0xB003 camera, 0xB005 light, ...
    int mId = -1;       // from 0xB030, else its place among the node chunks
    std::string mName;  // the object it shows, or "$$$DUMMY"
    std::string mInstance;
    int mParentId = -1;
    int mParent = -1; // index into mNodes after the checks
    float mPivot[3] = {0.0f, 0.0f, 0.0f};
    std::vector<KScn3DSKey> mTracks[3];
};

struct KScn3DSData
{
    uint32_t mVersion = 0;
    std::vector<KScn3DSMaterial> mMaterials;
    std::vector<KScn3DSObject> mObjects;
    bool mHasKeyframer = false;
    std::vector<KScn3DSNode> mNodes;
    std::vector<std::string> mWarnings;
    int mSkipped = 0; // chunks not read (lights' spots, unknown ids, ...)
};

} // namespace scenesdk
