#pragma once

// KScnAcclaimData: what the Acclaim parsers read, before anything reaches a
// scene. KScnAcclaimSkeleton holds an ASF file (KScnAsfParser),
// KScnAcclaimMotion an AMC file read against its skeleton (KScnAmcParser);
// KScnAcclaimSceneBuilder turns both into nodes and curves.
//
// Angles are in degrees (converted from radians where the files say so);
// lengths are as written in the file (the builder applies the unit).

#include "scenesdk/importers/KTextTokens.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

// One degree of freedom of a bone or of the root, in the file's order.
enum EAcclaimDof
{
    eAcclaimTX = 0,
    eAcclaimTY = 1,
    eAcclaimTZ = 2,
    eAcclaimRX = 3,
    eAcclaimRY = 4,
    eAcclaimRZ = 5,
    eAcclaimL = 6 // stretch along the bone
};

struct KScnAcclaimBone
{
    std::string mName;
    // Unit vector in world axes from the bone's start to its end, at rest.
    double mDirection[3] = {0.0, 0.0, 0.0};
    double mLength = 0.0;
    // The bone's frame: rotations about X, Y, Z (degrees, slots x, y, z)
    // applied in mAxisOrder (an ERotationOrder, first letter first).
    double mAxis[3] = {0.0, 0.0, 0.0};
    int mAxisOrder = 0;
    std::vector<int> mDofs; // EAcclaimDof, AMC value order
    int mParent = -1;       // bone index; -1 for a child of the root
    std::vector<int> mChildren;
};

struct KScnAcclaimSkeleton
{
    std::string mName;
    // File lengths divided by this give the skeleton's own unit.
    double mLengthUnit = 1.0;
    // Angles of the AMC files that do not say (the ASF's "angle").
    bool mRadians = false;
    std::vector<int> mRootOrder; // EAcclaimDof, AMC value order of "root"
    int mRootAxisOrder = 0;      // order of the orientation angles
    double mRootPosition[3] = {0.0, 0.0, 0.0};
    double mRootOrientation[3] = {0.0, 0.0, 0.0};
    std::vector<KScnAcclaimBone> mBones;
    std::vector<int> mRootChildren;
    // Every bone once, each after its parent.
    std::vector<int> mParentsFirst;
    // Lower-cased bone name to index.
    std::unordered_map<std::string, int> mIndex;

    // The bone of that name, any case; -1 when none.
    int Find(std::string_view name) const
    {
        const auto it = mIndex.find(KTextTokens::Lower(name));
        return it != mIndex.end() ? it->second : -1;
    }
};

// The samples of one bone (or of the root) in an AMC file.
struct KScnAcclaimTrack
{
    std::vector<int32_t> mFrames; // indexes into KScnAcclaimMotion::mFrameNumbers, increasing
    std::vector<double> mValues;  // one value per dof per sample; rotations in degrees
};

struct KScnAcclaimMotion
{
    // Frame numbers as written, strictly increasing.
    std::vector<int64_t> mFrameNumbers;
    // One track per bone, then the root's (index mBones.size()).
    std::vector<KScnAcclaimTrack> mTracks;
    // Bone lines naming no bone of the skeleton, skipped.
    int64_t mUnknownLines = 0;
    std::string mFirstUnknown;
};

} // namespace scenesdk
