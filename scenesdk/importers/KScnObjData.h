#pragma once

// KScnObjData: what KScnObjParser collects from an OBJ file and KScnMtlParser
// from its material libraries, before KScnReaderObj builds the scene. Indices
// are resolved (0-based, relative ones made absolute) and checked while
// parsing; -1 means "not given".

#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

struct KScnObjCorner
{
    int32_t v;
    int32_t vt;
    int32_t vn;
};

// The faces read while one object name and one group name were current, in
// file order (the same pair seen again continues its part).
struct KScnObjPart
{
    int32_t object; // index into KScnObjData::mObjectNames, -1 before any "o"
    int32_t group;  // index into mGroupNames, -1 before any "g"
    std::vector<KScnObjCorner> mCorners;
    std::vector<int32_t> mFaceSizes;
    std::vector<int32_t> mFaceMaterials; // index into mMaterialNames, -1 none
    std::vector<int32_t> mFaceSmoothing; // 0 faceted
};

struct KScnObjData
{
    std::vector<double> mPositions; // x, y, z (scene space)
    std::vector<float> mColors;     // r, g, b per position when any "v" had colours
    bool mHasColors = false;
    std::vector<double> mUVs;     // u, v
    std::vector<double> mNormals; // x, y, z (scene axes, unit length or zero)
    std::vector<KScnObjPart> mParts;
    std::vector<std::string> mObjectNames;
    std::vector<std::string> mGroupNames;
    std::vector<std::string> mMaterialNames; // as used by "usemtl"
    std::vector<std::string> mLibraries;     // "mtllib" names as written, each once
    int mSkipped = 0;                        // elements and keywords skipped
    std::string mFirstSkipped;               // the first such keyword
};

// One "newmtl" of a material library.
struct KScnMtlMap
{
    std::string mFile; // as written, back-slashes turned into slashes
    double mOffset[2] = {0.0, 0.0};
    double mScale[2] = {1.0, 1.0};
    bool mClamp = false;
};

struct KScnMtlMaterial
{
    std::string mName;
    double mAmbient[3] = {0.2, 0.2, 0.2};
    double mDiffuse[3] = {0.8, 0.8, 0.8};
    double mSpecular[3] = {0.0, 0.0, 0.0};
    double mEmissive[3] = {0.0, 0.0, 0.0};
    double mShininess = 0.0; // specular exponent
    double mOpacity = 1.0;
    bool mHasDissolve = false; // "d" seen: it wins over "Tr"
    int mIllum = 2;
    KScnMtlMap mMaps[4]; // see EMap
    std::string mFolder; // of the library, "" or ending in '/'

    enum EMap
    {
        eDiffuseMap = 0,
        eBumpMap = 1,
        eOpacityMap = 2,
        eSpecularMap = 3
    };
};

} // namespace scenesdk
