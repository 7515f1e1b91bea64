#include "scenesdk/importers/KScn3DSParser.h"

#include "scenesdk/importers/KScn3DSChunk.h"
#include "scenesdk/importers/KScn3DSData.h"

#include <unordered_map>

namespace scenesdk
{

namespace
{

enum EChunk : uint16_t
{
    eMain = 0x4D4D,
    eVersion = 0x0002,
    eColorFloat = 0x0010,
    eColorByte = 0x0011,
    eColorByteGamma = 0x0012,
    eColorFloatGamma = 0x0013,
    ePercentInt = 0x0030,
    ePercentFloat = 0x0031,
    eEditor = 0x3D3D,
    eObject = 0x4000,
    eObjectHidden = 0x4010,
    eTriangleMesh = 0x4100,
    eVertexList = 0x4110,
    eFaceList = 0x4120,
    eFaceMaterial = 0x4130,
    eMappingList = 0x4140,
    eSmoothingList = 0x4150,
    eLocalAxes = 0x4160,
    eLight = 0x4600,
    eCamera = 0x4700,
    eMaterial = 0xAFFF,
    eMaterialName = 0xA000,
    eAmbient = 0xA010,
    eDiffuse = 0xA020,
    eSpecular = 0xA030,
    eShininess = 0xA040,
    eTransparency = 0xA050,
    eTwoSided = 0xA081,
    eShading = 0xA100,
    eTextureMap = 0xA200,
    eSpecularMap = 0xA204,
    eOpacityMap = 0xA210,
    eBumpMap = 0xA230,
    eMapFile = 0xA300,
    eMapTiling = 0xA351,
    eMapUScale = 0xA354,
    eMapVScale = 0xA356,
    eMapUOffset = 0xA358,
    eMapVOffset = 0xA35A,
    eMapRotation = 0xA35C,
    eKeyframer = 0xB000,
    eFirstNode = 0xB001,
    eLastNode = 0xB007,
    eNodeHeader = 0xB010,
    eInstanceName = 0xB011,
    ePivot = 0xB013,
    ePositionTrack = 0xB020,
    eRotationTrack = 0xB021,
    eScaleTrack = 0xB022,
    eNodeId = 0xB030
};

const char* const kTrackNames[] = {"position track", "rotation track", "scale track"};

class CParse
{
public:
    CParse(KScn3DSData& data) : mData(data) {}

    bool Main(KScn3DSChunk main);

private:
    bool Editor(KScn3DSChunk chunk);
    bool Material(KScn3DSChunk chunk);
    bool Color(KScn3DSChunk chunk, double* rgb);
    bool Percent(KScn3DSChunk chunk, double& value);
    bool Map(KScn3DSChunk chunk, KScn3DSMap& map);
    bool Object(KScn3DSChunk chunk);
    bool Mesh(KScn3DSChunk chunk, const std::string& name, KScn3DSMesh& mesh);
    bool Faces(KScn3DSChunk chunk, const std::string& name, KScn3DSMesh& mesh);
    bool Keyframer(KScn3DSChunk chunk);
    bool Node(KScn3DSChunk chunk, int order);
    bool Track(KScn3DSChunk chunk, int track, KScn3DSNode& node);
    bool Link(KScn3DSChunk& keyframer);
    void Warn(const std::string& text) { mData.mWarnings.push_back(text); }

    KScn3DSData& mData;
};

bool CParse::Main(KScn3DSChunk main)
{
    KScn3DSChunk c;
    while (main.NextChild(c))
    {
        bool ok = true;
        if (c.GetId() == eVersion)
            ok = c.ReadU32(mData.mVersion);
        else if (c.GetId() == eEditor)
            ok = Editor(c);
        else if (c.GetId() == eKeyframer && !mData.mHasKeyframer)
            ok = Keyframer(c);
        else
            ++mData.mSkipped;
        if (!ok)
            return false;
    }
    return !main.Failed();
}

bool CParse::Editor(KScn3DSChunk chunk)
{
    KScn3DSChunk c;
    while (chunk.NextChild(c))
    {
        bool ok = true;
        if (c.GetId() == eMaterial)
            ok = Material(c);
        else if (c.GetId() == eObject)
            ok = Object(c);
        else
            ++mData.mSkipped;
        if (!ok)
            return false;
    }
    return !chunk.Failed();
}

// The first colour of the chunk, whichever form it has.
bool CParse::Color(KScn3DSChunk chunk, double* rgb)
{
    KScn3DSChunk c;
    bool found = false;
    while (chunk.NextChild(c))
    {
        const uint16_t id = c.GetId();
        if (found || id < eColorFloat || id > eColorFloatGamma)
            continue;
        if (id == eColorFloat || id == eColorFloatGamma)
        {
            float v[3];
            if (!c.ReadFloats(v, 3))
                return false;
            for (int i = 0; i < 3; ++i)
                rgb[i] = v[i];
        }
        else
            for (int i = 0; i < 3; ++i)
            {
                uint8_t v = 0;
                if (!c.ReadU8(v))
                    return false;
                rgb[i] = v / 255.0;
            }
        found = true;
    }
    return !chunk.Failed();
}

// The first percentage of the chunk as a fraction (50 % gives 0.5).
bool CParse::Percent(KScn3DSChunk chunk, double& value)
{
    KScn3DSChunk c;
    bool found = false;
    while (chunk.NextChild(c))
    {
        if (found || (c.GetId() != ePercentInt && c.GetId() != ePercentFloat))
            continue;
        if (c.GetId() == ePercentInt)
        {
            int16_t v = 0;
            if (!c.ReadI16(v))
                return false;
            value = v / 100.0;
        }
        else
        {
            float v = 0.0f;
            if (!c.ReadFloat(v))
                return false;
            value = v / 100.0;
        }
        found = true;
    }
    return !chunk.Failed();
}

bool CParse::Map(KScn3DSChunk chunk, KScn3DSMap& map)
{
    map = KScn3DSMap();
    KScn3DSChunk c;
    bool strength = false;
    while (chunk.NextChild(c))
    {
        float v = 0.0f;
        bool ok = true;
        switch (c.GetId())
        {
        case ePercentInt:
        case ePercentFloat:
            if (!strength)
            {
                int16_t whole = 0;
                ok = c.GetId() == ePercentInt ? c.ReadI16(whole) : c.ReadFloat(v);
                map.mStrength = (c.GetId() == ePercentInt ? whole : v) / 100.0;
                strength = true;
            }
            break;
        case eMapFile:
            ok = c.ReadString(map.mFile);
            break;
        case eMapTiling:
            ok = c.ReadU16(map.mTiling);
            break;
        case eMapUScale:
        case eMapVScale:
        case eMapUOffset:
        case eMapVOffset:
        case eMapRotation:
            ok = c.ReadFloat(v);
            (c.GetId() == eMapUScale    ? map.mScale[0]
             : c.GetId() == eMapVScale  ? map.mScale[1]
             : c.GetId() == eMapUOffset ? map.mOffset[0]
             : c.GetId() == eMapVOffset ? map.mOffset[1]
                                        : map.mRotation) = v;
            break;
        default:
            ++mData.mSkipped;
        }
        if (!ok)
            return false;
    }
    return !chunk.Failed();
}

bool CParse::Material(KScn3DSChunk chunk)
{
    KScn3DSMaterial m;
    KScn3DSChunk c;
    while (chunk.NextChild(c))
    {
        bool ok = true;
        uint16_t shading = 0;
        switch (c.GetId())
        {
        case eMaterialName:
            ok = c.ReadString(m.mName);
            break;
        case eAmbient:
            ok = Color(c, m.mAmbient);
            break;
        case eDiffuse:
            ok = Color(c, m.mDiffuse);
            break;
        case eSpecular:
            ok = Color(c, m.mSpecular);
            break;
        case eShininess:
            ok = Percent(c, m.mShininess);
            break;
        case eTransparency:
            ok = Percent(c, m.mTransparency);
            break;
        case eTwoSided:
            m.mTwoSided = true;
            break;
        case eShading:
            ok = c.ReadU16(shading);
            m.mShading = shading;
            break;
        case eTextureMap:
            ok = Map(c, m.mMaps[KScn3DSMaterial::eDiffuseMap]);
            break;
        case eBumpMap:
            ok = Map(c, m.mMaps[KScn3DSMaterial::eBumpMap]);
            break;
        case eOpacityMap:
            ok = Map(c, m.mMaps[KScn3DSMaterial::eOpacityMap]);
            break;
        case eSpecularMap:
            ok = Map(c, m.mMaps[KScn3DSMaterial::eSpecularMap]);
            break;
        default:
            ++mData.mSkipped;
        }
        if (!ok)
            return false;
    }
    if (chunk.Failed())
        return false;
    mData.mMaterials.push_back(std::move(m));
    return true;
}

bool CParse::Object(KScn3DSChunk chunk)
{
    KScn3DSObject object;
    if (!chunk.ReadString(object.mName))
        return false;
    KScn3DSChunk c;
    while (chunk.NextChild(c))
    {
        const uint16_t id = c.GetId();
        bool ok = true;
        if (id == eObjectHidden)
            object.mHidden = true;
        else if ((id == eTriangleMesh || id == eLight || id == eCamera) &&
                 object.mKind != KScn3DSObject::eOther)
        {
            Warn("object " + object.mName + ": a second shape skipped");
            ++mData.mSkipped;
        }
        else if (id == eTriangleMesh)
        {
            object.mKind = KScn3DSObject::eMesh;
            ok = Mesh(c, object.mName, object.mMesh);
        }
        else if (id == eLight || id == eCamera)
        {
            object.mKind = id == eLight ? KScn3DSObject::eLight : KScn3DSObject::eCamera;
            ok = c.ReadFloats(object.mPosition, 3);
        }
        else
            ++mData.mSkipped;
        if (!ok)
            return false;
    }
    if (chunk.Failed())
        return false;
    if (object.mKind == KScn3DSObject::eOther)
        ++mData.mSkipped;
    else
        mData.mObjects.push_back(std::move(object));
    return true;
}

bool CParse::Mesh(KScn3DSChunk chunk, const std::string& name, KScn3DSMesh& mesh)
{
    KScn3DSChunk c;
    while (chunk.NextChild(c))
    {
        const uint16_t id = c.GetId();
        bool ok = true;
        uint16_t n = 0;
        if ((id == eVertexList && mesh.mHasPoints) || (id == eMappingList && mesh.mHasUVs) ||
            (id == eFaceList && mesh.mHasFaces))
        {
            Warn("object " + name + ": a second " +
                 (id == eVertexList    ? "vertex"
                  : id == eMappingList ? "mapping"
                                       : "face") +
                 " list skipped");
            ++mData.mSkipped;
        }
        else if (id == eVertexList || id == eMappingList)
        {
            const size_t width = id == eVertexList ? 3 : 2;
            std::vector<float>& values = id == eVertexList ? mesh.mPoints : mesh.mUVs;
            ok = c.ReadU16(n) &&
                 c.CheckCount(n, 4 * width, id == eVertexList ? "vertex list" : "mapping list");
            if (ok)
                values.resize(width * n);
            ok = ok && c.ReadFloats(values.data(), values.size());
            (id == eVertexList ? mesh.mHasPoints : mesh.mHasUVs) = true;
        }
        else if (id == eFaceList)
            ok = Faces(c, name, mesh);
        else if (id == eLocalAxes)
            ok = c.ReadFloats(mesh.mMatrix, 12);
        else
            ++mData.mSkipped;
        if (!ok)
            return false;
    }
    if (chunk.Failed())
        return false;
    const size_t points = mesh.GetPointCount();
    for (size_t i = 0; i < mesh.mFaces.size(); ++i)
        if (mesh.mFaces[i] >= points)
            return chunk.Fail("object " + name + ": face " + std::to_string(i / 3) + " uses vertex " +
                              std::to_string(mesh.mFaces[i]) + " of " + std::to_string(points));
    return true;
}

bool CParse::Faces(KScn3DSChunk chunk, const std::string& name, KScn3DSMesh& mesh)
{
    uint16_t n = 0;
    if (!chunk.ReadU16(n) || !chunk.CheckCount(n, 8, "face list"))
        return false;
    mesh.mHasFaces = true;
    mesh.mFaces.resize(3 * size_t(n));
    for (size_t f = 0; f < n; ++f)
    {
        uint16_t flags = 0;
        if (!chunk.ReadU16(mesh.mFaces[3 * f]) || !chunk.ReadU16(mesh.mFaces[3 * f + 1]) ||
            !chunk.ReadU16(mesh.mFaces[3 * f + 2]) || !chunk.ReadU16(flags))
            return false;
    }
    KScn3DSChunk c;
    while (chunk.NextChild(c))
    {
        if (c.GetId() == eFaceMaterial)
        {
            KScn3DSFaceGroup group;
            uint16_t k = 0;
            if (!c.ReadString(group.mMaterial) || !c.ReadU16(k) || !c.CheckCount(k, 2, "material group"))
                return false;
            group.mFaces.resize(k);
            for (uint16_t& face : group.mFaces)
            {
                if (!c.ReadU16(face))
                    return false;
                if (face >= n)
                    return c.Fail("object " + name + ": material group " + group.mMaterial + " names face " +
                                  std::to_string(face) + " of " + std::to_string(n));
            }
            mesh.mGroups.push_back(std::move(group));
        }
        else if (c.GetId() == eSmoothingList && mesh.mSmoothing.empty())
        {
            if (c.GetRemaining() / 4 < n)
                return c.Fail("object " + name + ": " + std::to_string(c.GetRemaining() / 4) +
                              " smoothing groups for " + std::to_string(n) + " faces");
            mesh.mSmoothing.resize(n);
            for (uint32_t& mask : mesh.mSmoothing)
                if (!c.ReadU32(mask))
                    return false;
        }
        else
            ++mData.mSkipped;
    }
    return !chunk.Failed();
}

bool CParse::Keyframer(KScn3DSChunk chunk)
{
    mData.mHasKeyframer = true;
    KScn3DSChunk c;
    int order = 0;
    while (chunk.NextChild(c))
    {
        if (c.GetId() >= eFirstNode && c.GetId() <= eLastNode)
        {
            if (!Node(c, order++))
                return false;
        }
        else
            ++mData.mSkipped;
    }
    return !chunk.Failed() && Link(chunk);
}

bool CParse::Node(KScn3DSChunk chunk, int order)
{
    KScn3DSNode node;
    node.mType = chunk.GetId();
    node.mId = order;
    KScn3DSChunk c;
    while (chunk.NextChild(c))
    {
        bool ok = true;
        uint16_t value = 0;
        switch (c.GetId())
        {
        case eNodeId:
            ok = c.ReadU16(value);
            node.mId = value;
            break;
        case eNodeHeader:
            ok = c.ReadString(node.mName) && c.Skip(4) && c.ReadU16(value);
            node.mParentId = value == 0xFFFF ? -1 : value;
            break;
        case eInstanceName:
            ok = c.ReadString(node.mInstance);
            break;
        case ePivot:
            ok = c.ReadFloats(node.mPivot, 3);
            break;
        case ePositionTrack:
        case eRotationTrack:
        case eScaleTrack:
            ok = Track(c, c.GetId() - ePositionTrack, node);
            break;
        default:
            ++mData.mSkipped;
        }
        if (!ok)
            return false;
    }
    if (chunk.Failed())
        return false;
    mData.mNodes.push_back(std::move(node));
    return true;
}

bool CParse::Track(KScn3DSChunk chunk, int track, KScn3DSNode& node)
{
    const size_t values = track == KScn3DSNode::eRotation ? 4 : 3;
    const std::string what = std::string(kTrackNames[track]) + " of " + node.mName;
    uint16_t flags = 0;
    uint32_t count = 0;
    if (!chunk.ReadU16(flags) || !chunk.Skip(8) || !chunk.ReadU32(count) ||
        !chunk.CheckCount(count, 6 + 4 * values, what.c_str()))
        return false;
    std::vector<KScn3DSKey>& keys = node.mTracks[track];
    keys.clear();
    keys.resize(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        KScn3DSKey& key = keys[i];
        uint16_t spline = 0;
        if (!chunk.ReadU32(key.mFrame) || !chunk.ReadU16(spline))
            return false;
        if ((spline & ~0x1Fu) != 0)
            return chunk.Fail(what + ": key " + std::to_string(i) + " has unknown spline flags " +
                              std::to_string(spline));
        // Tension, continuity, bias, ease to and ease from, when flagged.
        size_t extra = 0;
        for (int bit = 0; bit < 5; ++bit)
            extra += (spline >> bit) & 1u;
        if (!chunk.Skip(4 * extra) || !chunk.ReadFloats(key.mValue, values))
            return false;
        if (i > 0 && key.mFrame <= keys[i - 1].mFrame)
            return chunk.Fail(what + ": key " + std::to_string(i) + " at frame " +
                              std::to_string(key.mFrame) + " does not follow frame " +
                              std::to_string(keys[i - 1].mFrame));
        // Writers give the first key of a still object angle 0 about (0, 0, 0).
        const float* r = key.mValue;
        if (track == KScn3DSNode::eRotation && r[0] != 0.0f && r[1] == 0.0f && r[2] == 0.0f && r[3] == 0.0f)
            return chunk.Fail(what + ": key " + std::to_string(i) + " turns about a zero axis");
    }
    return true;
}

// Parent indices from the parent ids; every parent must exist and no node
// may be its own ancestor. Linear: each walk up stops at a node already
// placed.
bool CParse::Link(KScn3DSChunk& keyframer)
{
    std::vector<KScn3DSNode>& nodes = mData.mNodes;
    std::unordered_map<int, int> index;
    for (size_t i = 0; i < nodes.size(); ++i)
        if (!index.emplace(nodes[i].mId, static_cast<int>(i)).second)
            return keyframer.Fail("two keyframer nodes with id " + std::to_string(nodes[i].mId));
    for (KScn3DSNode& node : nodes)
    {
        if (node.mParentId < 0)
            continue;
        const auto found = index.find(node.mParentId);
        if (found == index.end())
            return keyframer.Fail("keyframer node " + std::to_string(node.mId) + " (" + node.mName +
                                  ") has parent id " + std::to_string(node.mParentId) +
                                  ", which no node has");
        node.mParent = found->second;
    }
    enum
    {
        eUnknown,
        eOnWalk,
        ePlaced
    };
    std::vector<char> state(nodes.size(), eUnknown);
    std::vector<int> depth(nodes.size(), 0); // of placed nodes, 0 for a root
    std::vector<int> walk;
    for (size_t i = 0; i < nodes.size(); ++i)
    {
        walk.clear();
        int p = static_cast<int>(i);
        while (p >= 0 && state[size_t(p)] == eUnknown)
        {
            state[size_t(p)] = eOnWalk;
            walk.push_back(p);
            p = nodes[size_t(p)].mParent;
        }
        if (p >= 0 && state[size_t(p)] == eOnWalk)
            return keyframer.Fail("keyframer node " + std::to_string(nodes[i].mId) + " (" + nodes[i].mName +
                                  ") is its own ancestor");
        int d = p >= 0 ? depth[size_t(p)] : -1;
        for (auto w = walk.rbegin(); w != walk.rend(); ++w)
        {
            if (++d >= KScn3DSParser::kMaxNodeDepth)
                return keyframer.Fail("keyframer nodes nested deeper than " +
                                      std::to_string(KScn3DSParser::kMaxNodeDepth));
            depth[size_t(*w)] = d;
            state[size_t(*w)] = ePlaced;
        }
    }
    return true;
}

} // namespace

bool KScn3DSParser::Parse(const void* bytes, size_t size, KScn3DSData& data, std::string& why)
{
    data = KScn3DSData();
    why.clear();
    KScn3DSChunk main;
    std::string warning;
    if (!KScn3DSChunk::OpenMain(bytes, size, eMain, main, why, warning))
        return false;
    if (!warning.empty())
        data.mWarnings.push_back(warning);
    CParse parse(data);
    if (parse.Main(main))
        return true;
    if (why.empty())
        why = "the file could not be read";
    return false;
}

} // namespace scenesdk
