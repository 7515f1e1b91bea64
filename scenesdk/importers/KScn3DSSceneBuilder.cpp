#include "scenesdk/importers/KScn3DSSceneBuilder.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/importers/KScn3DSAffine.h"
#include "scenesdk/importers/KScn3DSData.h"
#include "scenesdk/importers/KScn3DSMaterials.h"
#include "scenesdk/importers/KScn3DSMeshFill.h"
#include "scenesdk/importers/KScnImportBuilder.h"
#include "scenesdk/importers/KScnMeshBuilder.h"
#include "scenesdk/importers/KScnMeshData.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KgeMath.h"

#include <cfloat>
#include <cmath>
#include <unordered_map>

namespace scenesdk
{

namespace
{

const char* const kTake = "Take 001";
const char* const kDummy = "$$$DUMMY";
constexpr uint16_t kObjectNode = 0xB002, kCameraNode = 0xB003, kLightNode = 0xB005, kSpotNode = 0xB007;

// True when every value is finite and fits a float (the scene keeps
// curves, and the game points, in single precision).
bool Fits(const double* values, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!(std::fabs(values[i]) <= FLT_MAX))
            return false;
    return true;
}

class CBuild
{
public:
    CBuild(KScnImportBuilder& builder, const KScn3DSData& data, const KStreamOptions3DS& options,
           const std::string& folder, std::vector<std::string>& warnings)
        : mBuilder(builder), mData(data), mOptions(options), mWarnings(warnings),
          mMaterials(builder, options, folder, warnings), mFill(options, mMaterials)
    {
        mFrameRate =
            options.mFrameRate > 0.0 && std::isfinite(options.mFrameRate) ? options.mFrameRate : 30.0;
    }

    bool Run(std::string& why);

private:
    bool KeyframerNodes(std::string& why);
    bool KeyframerNode(size_t index, std::vector<KScnNode*>& made, std::string& why);
    bool PlacedNode(size_t object, std::string& why);
    bool AttachMesh(KScnNode* node, const KScn3DSObject& object, const KScn3DSAffine& local,
                    std::string& why);
    void FirstTransform(const KScn3DSNode& node, double* t, double* r, double* s) const;
    bool Animate(KScnNode* node, const KScn3DSNode& source, std::string& why);
    void Scale(const float* value, double* out) const;
    void Rotate(const float* key, double* orientation) const;
    std::string UniqueName(const std::string& name);

    KScnImportBuilder& mBuilder;
    const KScn3DSData& mData;
    const KStreamOptions3DS& mOptions;
    std::vector<std::string>& mWarnings;
    KScn3DSMaterials mMaterials;
    KScn3DSMeshFill mFill;
    double mFrameRate = 30.0;
    std::unordered_map<std::string, size_t> mObjectOfName;
    std::vector<char> mShown; // per object: a node shows it
    std::unordered_map<std::string, int> mNames;
};

std::string CBuild::UniqueName(const std::string& name)
{
    int& uses = mNames[name];
    if (uses++ == 0)
        return name;
    for (;;)
    {
        const std::string candidate = name + "_" + std::to_string(uses++);
        if (mNames.emplace(candidate, 1).second)
            return candidate;
    }
}

bool IsShown(const KScn3DSObject& object, const KStreamOptions3DS& options)
{
    return object.mKind == KScn3DSObject::eMesh || options.mReadLightsAndCameras;
}

bool CBuild::Run(std::string& why)
{
    mMaterials.Make(mData.mMaterials);
    mShown.assign(mData.mObjects.size(), 0);
    for (size_t i = 0; i < mData.mObjects.size(); ++i)
        mObjectOfName.emplace(mData.mObjects[i].mName, i);
    if (mData.mHasKeyframer && !KeyframerNodes(why))
        return false;
    for (size_t i = 0; i < mData.mObjects.size(); ++i)
        if (!mShown[i] && IsShown(mData.mObjects[i], mOptions) && !PlacedNode(i, why))
            return false;
    return true;
}

// The nodes breadth first from the roots (each level in the file's order),
// made as top nodes, then hung under their parents deepest first so that no
// attachment walks a long line of ancestors.
bool CBuild::KeyframerNodes(std::string& why)
{
    const std::vector<KScn3DSNode>& nodes = mData.mNodes;
    std::vector<int> firstChild(nodes.size(), -1), nextSibling(nodes.size(), -1), order;
    for (size_t i = nodes.size(); i-- > 0;)
        if (nodes[i].mParent >= 0)
        {
            nextSibling[i] = firstChild[size_t(nodes[i].mParent)];
            firstChild[size_t(nodes[i].mParent)] = static_cast<int>(i);
        }
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].mParent < 0)
            order.push_back(static_cast<int>(i));
    std::vector<KScnNode*> made(nodes.size(), nullptr);
    for (size_t at = 0; at < order.size(); ++at)
    {
        const size_t i = static_cast<size_t>(order[at]);
        if (!KeyframerNode(i, made, why))
            return false;
        for (int c = firstChild[i]; c >= 0; c = nextSibling[size_t(c)])
            order.push_back(c);
    }
    for (size_t at = order.size(); at-- > 0;)
    {
        const KScn3DSNode& n = nodes[size_t(order[at])];
        KScnNode* parent = n.mParent >= 0 ? made[size_t(n.mParent)] : nullptr;
        KScnNode* node = made[size_t(order[at])];
        if (node != nullptr && parent != nullptr && !mBuilder.AttachNode(node, parent))
        {
            why = "cannot hang node " + n.mName + " under its parent";
            return false;
        }
    }
    return true;
}

bool CBuild::KeyframerNode(size_t index, std::vector<KScnNode*>& made, std::string& why)
{
    const KScn3DSNode& n = mData.mNodes[index];
    const bool shape = n.mType == kCameraNode || n.mType == kLightNode || n.mType == kSpotNode;
    if (n.mType != kObjectNode && !(shape && mOptions.mReadLightsAndCameras))
        return true;
    const bool dummy = n.mName == kDummy;
    const auto found = dummy ? mObjectOfName.end() : mObjectOfName.find(n.mName);
    const KScn3DSObject* object = found != mObjectOfName.end() ? &mData.mObjects[found->second] : nullptr;
    if (!dummy && object == nullptr)
        mWarnings.push_back("keyframer node names no object: " + n.mName);
    const bool second = object != nullptr && mShown[found->second];
    const std::string name = (dummy || second) && !n.mInstance.empty() ? n.mInstance : n.mName;
    KScnNode* node = mBuilder.CreateNode(UniqueName(name).c_str());
    if (node == nullptr)
    {
        why = "cannot make node " + name;
        return false;
    }
    made[index] = node;
    double t[3], r[3], s[3];
    FirstTransform(n, t, r, s);
    if (!Fits(t, 3) || !Fits(s, 3))
    {
        why = "node " + name + ": first position or scale out of range";
        return false;
    }
    node->SetLocalTranslation(t[0], t[1], t[2]);
    node->SetLocalRotation(r[0], r[1], r[2]);
    node->SetLocalScaling(s[0], s[1], s[2]);
    if (object != nullptr && object->mHidden)
        node->SetVisibility(false);
    if (object != nullptr && object->mKind == KScn3DSObject::eMesh && second)
        mWarnings.push_back("object shown by several nodes, its mesh is on the first: " + n.mName);
    else if (object != nullptr && object->mKind == KScn3DSObject::eMesh)
    {
        mShown[found->second] = 1;
        const KScn3DSAffine axes = KScn3DSAffine::FromFile(object->mMesh.mMatrix, mOptions);
        KScn3DSAffine inverse;
        if (!axes.Invert(inverse))
            mWarnings.push_back("object with singular local axes, taken as none: " + object->mName);
        const bool mirror = axes.Determinant() < 0.0 && s[0] * s[1] * s[2] > 0.0;
        double pivot[3] = {n.mPivot[0], n.mPivot[1], n.mPivot[2]};
        mOptions.ConvertPosition(pivot[0], pivot[1], pivot[2]);
        const KScn3DSAffine local = KScn3DSAffine::Translation(-pivot[0], -pivot[1], -pivot[2]) *
                                    KScn3DSAffine::Scaling(mirror ? -1.0 : 1.0, 1.0, 1.0) * inverse;
        if (!AttachMesh(node, *object, local, why))
            return false;
    }
    else if (object != nullptr)
        mShown[found->second] = 1;
    return !mOptions.ReadsAnimation() || Animate(node, n, why);
}

// An object no keyframer node shows: a node under the root, placed by the
// object's local axes (meshes) or its position (lights, cameras).
bool CBuild::PlacedNode(size_t index, std::string& why)
{
    const KScn3DSObject& object = mData.mObjects[index];
    KScnNode* node = mBuilder.CreateNode(UniqueName(object.mName).c_str());
    if (node == nullptr)
    {
        why = "cannot make node " + object.mName;
        return false;
    }
    if (object.mHidden)
        node->SetVisibility(false);
    if (object.mKind != KScn3DSObject::eMesh)
    {
        double p[3] = {object.mPosition[0], object.mPosition[1], object.mPosition[2]};
        mOptions.ConvertPosition(p[0], p[1], p[2]);
        if (!Fits(p, 3))
        {
            why = "object " + object.mName + ": position out of range";
            return false;
        }
        node->SetLocalTranslation(p[0], p[1], p[2]);
        return true;
    }
    const KScn3DSAffine axes = KScn3DSAffine::FromFile(object.mMesh.mMatrix, mOptions);
    double t[3], r[3], s[3];
    KScn3DSAffine local;
    if (axes.Decompose(t, r, s) && Fits(t, 3) && Fits(s, 3) && axes.Invert(local))
    {
        node->SetLocalTranslation(t[0], t[1], t[2]);
        node->SetLocalRotation(r[0], r[1], r[2]);
        node->SetLocalScaling(s[0], s[1], s[2]);
    }
    else
        mWarnings.push_back(
            "object with unusable local axes (singular, skewed or out of range), vertices kept as written: " +
            object.mName);
    return AttachMesh(node, object, local, why);
}

bool CBuild::AttachMesh(KScnNode* node, const KScn3DSObject& object, const KScn3DSAffine& local,
                        std::string& why)
{
    const KScn3DSMesh& mesh = object.mMesh;
    if (mOptions.mReadUVs && mesh.mHasUVs && mesh.mUVs.size() / 2 != mesh.GetPointCount())
        mWarnings.push_back("object " + object.mName + ": " + std::to_string(mesh.mUVs.size() / 2) +
                            " mapping coordinates for " + std::to_string(mesh.GetPointCount()) + " vertices");
    KScnMeshData data;
    mFill.Fill(mesh, local.m, data);
    if (!Fits(data.mPoints.data(), data.mPoints.size()))
    {
        why = "object " + object.mName + ": vertices out of range in the node's space";
        return false;
    }
    if (KScnMeshBuilder::Build(mBuilder, node, data, why) == nullptr)
    {
        why = "object " + object.mName + ": " + why;
        return false;
    }
    return true;
}

// Scale factors under the axis conversion: the same factors on the axes the
// conversion moves them to.
void CBuild::Scale(const float* value, double* out) const
{
    for (int j = 0; j < 3; ++j)
    {
        double e[3] = {j == 0 ? 1.0 : 0.0, j == 1 ? 1.0 : 0.0, j == 2 ? 1.0 : 0.0};
        mOptions.ConvertDirection(e[0], e[1], e[2]);
        for (int i = 0; i < 3; ++i)
            if (e[i] != 0.0)
                out[i] = value[j];
    }
}

// Turns the orientation (a quaternion x, y, z, w) by a rotation key.
void CBuild::Rotate(const float* key, double* orientation) const
{
    double axis[3] = {key[1], key[2], key[3]};
    mOptions.ConvertDirection(axis[0], axis[1], axis[2]);
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return;
    const double half = 0.5 * key[0];
    const double turn[4] = {axis[0] / length * std::sin(half), axis[1] / length * std::sin(half),
                            axis[2] / length * std::sin(half), std::cos(half)};
    double product[4];
    KgeQuaternionMultiply(product, orientation, turn);
    const double norm = KgeQuaternionLength(product);
    for (int i = 0; i < 4; ++i)
        orientation[i] = norm > 0.0 ? product[i] / norm : (i == 3 ? 1.0 : 0.0);
}

void EulerOf(const double* quaternion, double* angles)
{
    double rows[16];
    KgeMatrixIdentity(rows);
    KgeMatrixFromQuaternion(rows, quaternion);
    KgeMatrixToEulerXYZ(angles, rows);
}

void CBuild::FirstTransform(const KScn3DSNode& node, double* t, double* r, double* s) const
{
    const std::vector<KScn3DSKey>* tracks = node.mTracks;
    t[0] = t[1] = t[2] = r[0] = r[1] = r[2] = 0.0;
    s[0] = s[1] = s[2] = 1.0;
    if (!tracks[KScn3DSNode::ePosition].empty())
    {
        const float* v = tracks[KScn3DSNode::ePosition][0].mValue;
        t[0] = v[0], t[1] = v[1], t[2] = v[2];
        mOptions.ConvertPosition(t[0], t[1], t[2]);
    }
    if (!tracks[KScn3DSNode::eRotation].empty())
    {
        double q[4] = {0.0, 0.0, 0.0, 1.0};
        Rotate(tracks[KScn3DSNode::eRotation][0].mValue, q);
        EulerOf(q, r);
    }
    if (!tracks[KScn3DSNode::eScale].empty())
        Scale(tracks[KScn3DSNode::eScale][0].mValue, s);
}

bool CBuild::Animate(KScnNode* node, const KScn3DSNode& source, std::string& why)
{
    static const KScnTakeKeys::EChannel kChannels[] = {KScnTakeKeys::eTranslation, KScnTakeKeys::eRotation,
                                                       KScnTakeKeys::eScaling};
    for (int track = 0; track < 3; ++track)
    {
        const std::vector<KScn3DSKey>& keys = source.mTracks[track];
        if (keys.empty())
            continue;
        mBuilder.AddTake(kTake);
        KFCurve* curves[3];
        for (int c = 0; c < 3; ++c)
            if ((curves[c] = KScnTakeKeys::GetCurve(node, kTake, kChannels[track], c)) == nullptr)
            {
                why = "cannot make the curves of node " + source.mName;
                return false;
            }
        for (KFCurve* curve : curves)
        {
            curve->BeginKeyChanges();
            curve->ReserveKeys(curve->GetKeyCount() + static_cast<int>(keys.size()));
        }
        double orientation[4] = {0.0, 0.0, 0.0, 1.0};
        double value[3] = {0.0, 0.0, 0.0}, previous[3] = {0.0, 0.0, 0.0};
        for (size_t k = 0; k < keys.size(); ++k)
        {
            const float* v = keys[k].mValue;
            if (track == KScn3DSNode::ePosition)
            {
                value[0] = v[0], value[1] = v[1], value[2] = v[2];
                mOptions.ConvertPosition(value[0], value[1], value[2]);
            }
            else if (track == KScn3DSNode::eScale)
                Scale(v, value);
            else
            {
                Rotate(v, orientation);
                EulerOf(orientation, value);
                // The rotation channels' closest-angle choice (XYZ).
                static const int kAxes[3] = {0, 1, 2};
                if (k > 0)
                    KFCurveNode::ClosestEuler(value, previous, value, kAxes);
                previous[0] = value[0], previous[1] = value[1], previous[2] = value[2];
            }
            if (!Fits(value, 3))
            {
                for (KFCurve* curve : curves)
                    curve->EndKeyChanges();
                why = "node " + source.mName + ": a key's value out of range";
                return false;
            }
            const double seconds = keys[k].mFrame / mFrameRate;
            for (int c = 0; c < 3; ++c)
                KScnTakeKeys::AppendKey(curves[c], seconds, value[c]);
        }
        for (KFCurve* curve : curves)
            curve->EndKeyChanges();
    }
    return true;
}

} // namespace

size_t KScn3DSSceneBuilder::NodeCount(const KScn3DSData& data, const KStreamOptions3DS& options)
{
    std::unordered_map<std::string, size_t> objectOfName;
    for (size_t i = 0; i < data.mObjects.size(); ++i)
        objectOfName.emplace(data.mObjects[i].mName, i);
    std::vector<char> shown(data.mObjects.size(), 0);
    size_t count = 0;
    for (size_t i = 0; data.mHasKeyframer && i < data.mNodes.size(); ++i)
    {
        const KScn3DSNode& n = data.mNodes[i];
        const bool shape = n.mType == kCameraNode || n.mType == kLightNode || n.mType == kSpotNode;
        if (n.mType != kObjectNode && !(shape && options.mReadLightsAndCameras))
            continue;
        ++count;
        const auto found = n.mName == kDummy ? objectOfName.end() : objectOfName.find(n.mName);
        if (found != objectOfName.end())
            shown[found->second] = 1;
    }
    for (size_t i = 0; i < data.mObjects.size(); ++i)
        if (!shown[i] && IsShown(data.mObjects[i], options))
            ++count;
    return count;
}

bool KScn3DSSceneBuilder::Build(KScnImportBuilder& builder, const KScn3DSData& data,
                                const KStreamOptions3DS& options, const std::string& folder,
                                std::vector<std::string>& warnings, std::string& why)
{
    CBuild build(builder, data, options, folder, warnings);
    return build.Run(why);
}

} // namespace scenesdk
