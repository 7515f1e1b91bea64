#include "scenesdk/importers/KScnObjSceneBuilder.h"

#include "scenesdk/importers/KScnForeignReader.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnMeshBuilder.h"
#include "scenesdk/importers/KScnMeshData.h"
#include "scenesdk/importers/KScnObjData.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace scenesdk
{

namespace
{

// Index of a key among those seen for the current node: stamp arrays sized
// once, so starting a node costs nothing.
class CCompactor
{
public:
    void Resize(size_t n)
    {
        mStamp.assign(n, -1);
        mLocal.assign(n, 0);
    }
    void NextNode() { ++mNode; }
    // The local index of global; a new one (fresh set) is count, which then
    // grows by one.
    int32_t Local(int32_t global, int32_t& count, bool& fresh)
    {
        const size_t g = static_cast<size_t>(global);
        fresh = mStamp[g] != mNode;
        if (fresh)
        {
            mStamp[g] = mNode;
            mLocal[g] = count++;
        }
        return mLocal[g];
    }

private:
    std::vector<int32_t> mStamp;
    std::vector<int32_t> mLocal;
    int32_t mNode = 0;
};

// The node of each part with faces, in the order the nodes first appear:
// their names, and the parts of each.
void GroupParts(const KScnObjData& data, const KStreamOptionsObj& options, std::vector<std::string>& names,
                std::vector<std::vector<const KScnObjPart*>>& partsOf)
{
    const bool byObject = !data.mObjectNames.empty();
    const bool byGroup = !byObject && options.mNodePerGroup;
    std::unordered_map<std::string, size_t> nodeOf;
    for (const KScnObjPart& part : data.mParts)
    {
        if (part.mFaceSizes.empty())
            continue;
        const int index = byObject ? part.object : byGroup ? part.group : -1;
        const std::string name = index < 0  ? "default"
                                 : byObject ? data.mObjectNames[static_cast<size_t>(index)]
                                            : data.mGroupNames[static_cast<size_t>(index)];
        const auto found = nodeOf.emplace(name, names.size());
        if (found.second)
        {
            names.push_back(name);
            partsOf.emplace_back();
        }
        partsOf[found.first->second].push_back(&part);
    }
}

class CObjBuild
{
public:
    CObjBuild(KScnImportBuilder& builder, const KScnObjData& data, const KStreamOptionsObj& options,
              std::vector<std::string>& warnings)
        : mBuilder(builder), mData(data), mOptions(options), mWarnings(warnings)
    {
    }

    void MakeMaterials(const std::vector<KScnMtlMaterial>& materials);
    bool MakeNodes(std::string& why);

private:
    KScnTexture* MakeTexture(const KScnMtlMaterial& material, int map);
    int MaterialIndex(int name);
    void FillCorners(const std::vector<const KScnObjPart*>& parts, KScnMeshData& mesh);
    void FillNormals(const std::vector<const KScnObjPart*>& parts, KScnMeshData& mesh);
    void FillTextures(KScnMeshData& mesh);

    KScnImportBuilder& mBuilder;
    const KScnObjData& mData;
    const KStreamOptionsObj& mOptions;
    std::vector<std::string>& mWarnings;
    std::unordered_map<std::string, int> mMaterialOfName; // into mMaterials
    std::vector<KScnMaterial*> mMaterials;
    std::vector<KScnTexture*> mDiffuse; // per material, may be null
    std::unordered_map<std::string, KScnTexture*> mTextures;
    std::vector<int> mResolved; // per usemtl name: material index, -2 unresolved
    int mDefault = -1;
    CCompactor mPoints, mUVs, mNormals, mMaterialSlots, mTextureSlots;
    std::vector<int32_t> mCornerUV, mCornerNormal; // per corner of the node, -1 none
    std::vector<int32_t> mNodeMaterials;           // global index of each of the node's materials
};

KScnTexture* CObjBuild::MakeTexture(const KScnMtlMaterial& material, int map)
{
    const KScnMtlMap& m = material.mMaps[map];
    if (m.mFile.empty() || !mOptions.ReadsTextures())
        return nullptr;
    if (mOptions.mStayInModelFolder && !KScnForeignReader::StaysInFolder(m.mFile.c_str()))
    {
        mWarnings.push_back("texture outside the model's folder skipped: " + m.mFile);
        return nullptr;
    }
    const std::string path = material.mFolder + m.mFile;
    const std::string key = std::to_string(map) + "|" + path + "|" + std::to_string(m.mOffset[0]) + "," +
                            std::to_string(m.mOffset[1]) + "," + std::to_string(m.mScale[0]) + "," +
                            std::to_string(m.mScale[1]) + (m.mClamp ? "c" : "");
    auto found = mTextures.find(key);
    if (found != mTextures.end())
        return found->second;
    KScnTexture* texture = mBuilder.CreateTexture(m.mFile.c_str());
    if (texture == nullptr)
        return nullptr;
    texture->SetFileName(path.c_str());
    texture->SetRelativeFileName(m.mFile.c_str());
    texture->SetTextureUse(map == KScnMtlMaterial::eBumpMap ? eTextureUseBumpNormalMap : eTextureUseColor);
    texture->SetTranslation(m.mOffset[0], m.mOffset[1]);
    texture->SetScale(m.mScale[0], m.mScale[1]);
    texture->SetUVTranslation(KgeUVVector(m.mOffset[0], m.mOffset[1]));
    texture->SetUVScaling(KgeUVVector(m.mScale[0], m.mScale[1]));
    if (m.mClamp)
        texture->SetWrapMode(eWrapClamp, eWrapClamp);
    mTextures.emplace(key, texture);
    return texture;
}

void CObjBuild::MakeMaterials(const std::vector<KScnMtlMaterial>& materials)
{
    for (const KScnMtlMaterial& m : materials)
    {
        if (!mMaterialOfName.emplace(m.mName, static_cast<int>(mMaterials.size())).second)
        {
            mWarnings.push_back("material defined twice, first kept: " + m.mName);
            continue;
        }
        KScnMaterial* material = mBuilder.CreateMaterial(m.mName.c_str());
        material->SetDefaultAmbient(m.mAmbient[0], m.mAmbient[1], m.mAmbient[2]);
        material->SetDefaultDiffuse(m.mDiffuse[0], m.mDiffuse[1], m.mDiffuse[2]);
        material->SetDefaultSpecular(m.mSpecular[0], m.mSpecular[1], m.mSpecular[2]);
        material->SetDefaultEmissive(m.mEmissive[0], m.mEmissive[1], m.mEmissive[2]);
        material->SetDefaultShininess(std::min(std::max(m.mShininess, 0.0), 128.0) / 128.0);
        material->SetDefaultOpacity(m.mOpacity);
        material->SetShadingModel(m.mIllum >= 2 ? "Phong" : "Lambert");
        mMaterials.push_back(material);
        mDiffuse.push_back(MakeTexture(m, KScnMtlMaterial::eDiffuseMap));
        for (int map = KScnMtlMaterial::eBumpMap; map <= KScnMtlMaterial::eSpecularMap; ++map)
            MakeTexture(m, map);
    }
    mResolved.assign(mData.mMaterialNames.size(), -2);
}

// The material index of a "usemtl" name (-1: none given); unknown names and
// faces without a name share the default material.
int CObjBuild::MaterialIndex(int name)
{
    if (name >= 0)
    {
        int& resolved = mResolved[static_cast<size_t>(name)];
        if (resolved == -2)
        {
            const std::string& text = mData.mMaterialNames[static_cast<size_t>(name)];
            const auto found = mMaterialOfName.find(text);
            if (found == mMaterialOfName.end() && mOptions.ReadsMaterials())
                mWarnings.push_back("unknown material: " + text);
            resolved = found != mMaterialOfName.end() ? found->second : -1;
        }
        if (resolved >= 0)
            return resolved;
    }
    if (mDefault < 0)
    {
        KScnMaterial* material = mBuilder.CreateMaterial("default");
        material->SetDefaultDiffuse(0.8, 0.8, 0.8);
        material->SetShadingModel("Lambert");
        mMaterials.push_back(material);
        mDiffuse.push_back(nullptr);
        mDefault = static_cast<int>(mMaterials.size()) - 1;
    }
    return mDefault;
}

// Points, polygons, UV and normal indices (node-local), colours and
// materials of the node's faces.
void CObjBuild::FillCorners(const std::vector<const KScnObjPart*>& parts, KScnMeshData& mesh)
{
    int32_t points = 0, uvs = 0, normals = 0, materials = 0;
    mPoints.NextNode();
    mUVs.NextNode();
    mNormals.NextNode();
    mMaterialSlots.NextNode();
    mCornerUV.clear();
    mCornerNormal.clear();
    mNodeMaterials.clear();
    bool anyUV = false, anyNormal = false;
    for (const KScnObjPart* part : parts)
    {
        for (const KScnObjCorner& c : part->mCorners)
        {
            bool fresh = false;
            const int32_t local = mPoints.Local(c.v, points, fresh);
            if (fresh)
                mesh.mPoints.insert(mesh.mPoints.end(), &mData.mPositions[3 * size_t(c.v)],
                                    &mData.mPositions[3 * size_t(c.v)] + 3);
            mesh.mPolygonVertices.push_back(local);
            if (mData.mHasColors)
            {
                if (fresh)
                    mesh.mColors.insert(mesh.mColors.end(),
                                        {mData.mColors[3 * size_t(c.v)], mData.mColors[3 * size_t(c.v) + 1],
                                         mData.mColors[3 * size_t(c.v) + 2], 1.0});
                mesh.mColorIndices.push_back(local);
            }
            int32_t uv = -1, normal = -1;
            if (c.vt >= 0)
            {
                uv = mUVs.Local(c.vt, uvs, fresh);
                if (fresh)
                    mesh.mUVs.insert(mesh.mUVs.end(), &mData.mUVs[2 * size_t(c.vt)],
                                     &mData.mUVs[2 * size_t(c.vt)] + 2);
                anyUV = true;
            }
            if (c.vn >= 0)
            {
                normal = mNormals.Local(c.vn, normals, fresh);
                if (fresh)
                    mesh.mNormals.insert(mesh.mNormals.end(), &mData.mNormals[3 * size_t(c.vn)],
                                         &mData.mNormals[3 * size_t(c.vn)] + 3);
                anyNormal = true;
            }
            mCornerUV.push_back(uv);
            mCornerNormal.push_back(normal);
        }
        mesh.mPolygonSizes.insert(mesh.mPolygonSizes.end(), part->mFaceSizes.begin(), part->mFaceSizes.end());
        for (int32_t name : part->mFaceMaterials)
        {
            const int32_t global = MaterialIndex(name);
            bool fresh = false;
            const int32_t local = mMaterialSlots.Local(global, materials, fresh);
            if (fresh)
            {
                mesh.mMaterials.push_back(mMaterials[static_cast<size_t>(global)]);
                mNodeMaterials.push_back(global);
            }
            mesh.mPolygonMaterials.push_back(local);
        }
    }
    if (anyUV)
    {
        // Corners without a UV share one at (0, 0).
        const int32_t zero = static_cast<int32_t>(mesh.mUVs.size() / 2);
        bool used = false;
        for (int32_t& uv : mCornerUV)
            if (uv < 0)
                uv = zero, used = true;
        if (used)
            mesh.mUVs.insert(mesh.mUVs.end(), {0.0, 0.0});
        mesh.mUVIndices = mCornerUV;
    }
    if (!anyNormal)
        mesh.mNormals.clear();
}

// Corner normals: read ones as given; the others computed when asked
// (faceted, or averaged over the smoothing group at the point), else zero.
void CObjBuild::FillNormals(const std::vector<const KScnObjPart*>& parts, KScnMeshData& mesh)
{
    const bool missing = std::find(mCornerNormal.begin(), mCornerNormal.end(), -1) != mCornerNormal.end();
    if (!missing)
    {
        if (!mesh.mNormals.empty())
            mesh.mNormalIndices = mCornerNormal;
        return;
    }
    if (mesh.mNormals.empty() && !mOptions.mComputeNormals)
        return;
    std::vector<double> faceNormals;              // per face of the node
    std::unordered_map<uint64_t, int32_t> smooth; // (group, point) -> normal
    size_t corner = 0;
    for (const KScnObjPart* part : parts)
        for (size_t f = 0; f < part->mFaceSizes.size(); ++f)
        {
            const size_t n = static_cast<size_t>(part->mFaceSizes[f]);
            double xyz[3];
            KScnMeshBuilder::PolygonNormal(mesh, corner, n, xyz);
            faceNormals.insert(faceNormals.end(), xyz, xyz + 3);
            corner += n;
        }
    const size_t first = mesh.mNormals.size() / 3;
    const auto newNormal = [&mesh](const double* value)
    {
        mesh.mNormals.insert(mesh.mNormals.end(), value, value + 3);
        return static_cast<int32_t>(mesh.mNormals.size() / 3 - 1);
    };
    const double zero[3] = {0.0, 0.0, 0.0};
    int32_t zeroSlot = -1;
    corner = 0;
    size_t face = 0;
    for (const KScnObjPart* part : parts)
        for (size_t f = 0; f < part->mFaceSizes.size(); ++f, ++face)
        {
            const size_t n = static_cast<size_t>(part->mFaceSizes[f]);
            const uint64_t group = static_cast<uint32_t>(part->mFaceSmoothing[f]);
            const double* normal = &faceNormals[3 * face];
            int32_t faceSlot = -1;
            for (size_t k = 0; k < n; ++k, ++corner)
            {
                int32_t& slot = mCornerNormal[corner];
                if (slot >= 0)
                    continue;
                if (!mOptions.mComputeNormals)
                    slot = zeroSlot = zeroSlot >= 0 ? zeroSlot : newNormal(zero);
                else if (group == 0)
                    slot = faceSlot = faceSlot >= 0 ? faceSlot : newNormal(normal);
                else
                {
                    const uint64_t key = (group << 32) | uint32_t(mesh.mPolygonVertices[corner]);
                    const auto found = smooth.emplace(key, -1);
                    if (found.second)
                        found.first->second = newNormal(zero);
                    slot = found.first->second;
                    for (int i = 0; i < 3; ++i)
                        mesh.mNormals[3 * size_t(slot) + size_t(i)] += normal[i];
                }
            }
        }
    for (size_t i = first; i < mesh.mNormals.size() / 3; ++i)
    {
        double* v = &mesh.mNormals[3 * i];
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length > 0.0 && std::isfinite(length))
            v[0] /= length, v[1] /= length, v[2] /= length;
    }
    mesh.mNormalIndices = mCornerNormal;
}

// Each polygon's colour texture: its material's diffuse map.
void CObjBuild::FillTextures(KScnMeshData& mesh)
{
    int32_t count = 0;
    mTextureSlots.NextNode();
    std::vector<int32_t> global(mesh.mMaterials.size(), -1);
    bool any = false;
    for (size_t m = 0; m < mesh.mMaterials.size(); ++m)
    {
        const size_t index = static_cast<size_t>(mNodeMaterials[m]);
        KScnTexture* texture = mDiffuse[index];
        if (texture == nullptr)
            continue;
        bool fresh = false;
        const int32_t local = mTextureSlots.Local(static_cast<int32_t>(index), count, fresh);
        if (fresh)
            mesh.mTextures.push_back(texture);
        global[m] = local;
        any = true;
    }
    if (!any)
        return;
    mesh.mPolygonTextures.reserve(mesh.mPolygonMaterials.size());
    for (int32_t m : mesh.mPolygonMaterials)
        mesh.mPolygonTextures.push_back(global[static_cast<size_t>(m)]);
}

bool CObjBuild::MakeNodes(std::string& why)
{
    std::vector<std::string> names;
    std::vector<std::vector<const KScnObjPart*>> partsOf;
    GroupParts(mData, mOptions, names, partsOf);
    mPoints.Resize(mData.mPositions.size() / 3);
    mUVs.Resize(mData.mUVs.size() / 2);
    mNormals.Resize(mData.mNormals.size() / 3);
    mMaterialSlots.Resize(mMaterials.size() + 1);
    mTextureSlots.Resize(mMaterials.size() + 1);
    for (size_t i = 0; i < names.size(); ++i)
    {
        KScnMeshData mesh;
        FillCorners(partsOf[i], mesh);
        FillNormals(partsOf[i], mesh);
        FillTextures(mesh);
        KScnNode* node = mBuilder.CreateNode(names[i].c_str());
        if (node == nullptr || KScnMeshBuilder::Build(mBuilder, node, mesh, why) == nullptr)
        {
            why = "object " + names[i] + ": " + (why.empty() ? "cannot make a node" : why);
            return false;
        }
    }
    return true;
}

} // namespace

size_t KScnObjSceneBuilder::NodeCount(const KScnObjData& data, const KStreamOptionsObj& options)
{
    std::vector<std::string> names;
    std::vector<std::vector<const KScnObjPart*>> partsOf;
    GroupParts(data, options, names, partsOf);
    return names.size();
}

bool KScnObjSceneBuilder::Build(KScnImportBuilder& builder, const KScnObjData& data,
                                const std::vector<KScnMtlMaterial>& materials,
                                const KStreamOptionsObj& options, std::vector<std::string>& warnings,
                                std::string& why)
{
    CObjBuild build(builder, data, options, warnings);
    build.MakeMaterials(materials);
    return build.MakeNodes(why);
}

} // namespace scenesdk
