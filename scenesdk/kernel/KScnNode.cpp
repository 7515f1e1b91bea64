#include "scenesdk/kernel/KScnNode.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnNodeFinder.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace scenesdk
{

namespace
{

// The node's children in order, read in one pass over its set's sources
// (GetChild searches the list from its start at every call).
std::vector<KScnNode*> ChildrenOf(const KScnNode* node)
{
    std::vector<KScnNode*> children;
    const KScnNodeProperties* set = node->GetNodeProperties();
    const int n = set != nullptr ? set->GetSrcCount() : 0;
    for (int i = 0; i < n; ++i)
    {
        if (KScnNode* child = KScnNodeProperties::NodeOfPlug(set->GetSrc(i)))
        {
            children.push_back(child);
        }
    }
    return children;
}

const char* const kNodeMessages[10] = {
    "Take node error",
    "Node name clash",
    "Material name clash",
    "Texture name clash",
    "Video name clash",
    "Index out of range",
    "Nodes already share their scene contents",
    "Operation would generate a cyclic graph",
    "Node belongs to its scene",
    "Node already has a parent",
};

} // namespace

void KScnNodeTransformCache::Invalidate()
{
    mWords[0] = mWords[1] = mWords[2] = 0;
    mLocalValid = false;
    mGlobalValid = false;
}

// ---- Construction --------------------------------------------------------------

KScnNode::KScnNode(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mError), mError(kNodeMessages, 10)
{
    // Stopped part-way (memory running out), it takes apart what it made.
    try
    {
        mProperties = new KScnNodeProperties(this);
        mLimits = new KScnNodeLimits(this);
        ApplyPropertyDefaults(true);
        // Before the take: the tree starts from the values (built when first needed).
        SetVisibility(true);
        AddDeferredDefaultTakeNode();
        SetShadingMode(3);
        // Most nodes never have their user properties asked for.
        DeferHandlerProperties();
    }
    catch (...)
    {
        TearDown();
        throw;
    }
}

KScnNode::~KScnNode()
{
    TearDown();
}

void KScnNode::TearDown()
{
    mBeingDestroyed = true;
    DropDeferredUserProperties();
    DropDeferredTakeBuild();
    // A node deleted while a scene lists it leaves no entry behind.
    if (mSceneContents != nullptr)
    {
        mSceneContents->ForgetObject(this);
    }
    // The characters forget this node before its property set goes, so that
    // the set's disconnection finds no slot still naming it (the records are
    // taken over, not copied: nothing is allocated).
    std::vector<KScnCharacterLinkRecord> links;
    links.swap(mCharacterLinks);
    for (const KScnCharacterLinkRecord& link : links)
    {
        link.character->ForgetNode(this, link.type, link.index, link.subIndex);
    }
    // Skin links keep their names, not this node.
    if (mLinkReferences)
    {
        for (const LinkReference& reference : *mLinkReferences)
        {
            reference.link->ForgetNode(reference.slot);
        }
        mLinkReferences.reset();
    }
    if (mAttribute != nullptr)
    {
        mAttribute->DetachFromNode();
        mAttribute = nullptr;
    }
    delete mLimits;
    mLimits = nullptr;
    // The takes' curve links point into the set: drop them before it goes.
    UnlinkAllPropertyCurves();
    if (mProperties != nullptr)
    {
        mProperties->Destroy();
        mProperties = nullptr;
    }
    for (int i = 0; i < mChildNames.GetCount(); ++i)
    {
        delete mChildNames[i];
    }
    mChildNames.Clear();
}

void KScnNode::ResetPropertyDefaults()
{
    ApplyPropertyDefaults(false);
}

namespace
{
// Writes a default; with changesOnly a property that holds it already is left
// alone (a new node's set, whose writes nobody can hear yet).
template <typename T, typename V>
void SetDefault(KPropertyTemplate<T>& property, const V& value, bool changesOnly)
{
    if (!changesOnly || !(property.GetValue() == static_cast<T>(value)))
    {
        property.SetValue(static_cast<T>(value));
    }
}
} // namespace

void KScnNode::ApplyPropertyDefaults(bool changesOnly)
{
    KScnNodeProperties& p = *mProperties;
    const KgeTVector zero(0.0, 0.0, 0.0, 1.0);
    for (KPropertyTemplate<KgeTVector>* v :
         {&p.RotationPivot, &p.RotationOffset, &p.RotationPivotUpdateOffset, &p.ScalingPivotUpdateOffset,
          &p.TranslationMax, &p.TranslationMin})
    {
        SetDefault(*v, zero, changesOnly);
    }
    SetDefault(p.QuaternionInterpolate, false, changesOnly);
    for (KPropertyTemplate<bool>* b :
         {&p.TranslationActive, &p.TranslationMinX, &p.TranslationMinY, &p.TranslationMinZ,
          &p.TranslationMaxX, &p.TranslationMaxY, &p.TranslationMaxZ})
    {
        SetDefault(*b, false, changesOnly);
    }
    SetDefault(p.RotationOrder, eEulerXYZ, changesOnly);
    SetDefault(p.RotationSpaceForLimitOnly, false, changesOnly);
    SetDefault(p.AxisLen, 10.0, changesOnly);
    for (KPropertyTemplate<KgeTVector>* v : {&p.RotationMax, &p.RotationMin, &p.PostRotation, &p.PreRotation})
    {
        SetDefault(*v, zero, changesOnly);
    }
    for (KPropertyTemplate<double>* d : {&p.RotationStiffnessX, &p.RotationStiffnessY, &p.RotationStiffnessZ})
    {
        SetDefault(*d, 0.0, changesOnly);
    }
    for (KPropertyTemplate<bool>* b : {&p.RotationActive, &p.RotationMinX, &p.RotationMinY, &p.RotationMinZ,
                                       &p.RotationMaxX, &p.RotationMaxY, &p.RotationMaxZ})
    {
        SetDefault(*b, false, changesOnly);
    }
    SetDefault(p.InheritType, eInheritRrSs, changesOnly);
    SetDefault(p.ScalingMax, zero, changesOnly);
    SetDefault(p.ScalingMin, zero, changesOnly);
    for (KPropertyTemplate<bool>* b : {&p.ScalingActive, &p.ScalingMinX, &p.ScalingMinY, &p.ScalingMinZ,
                                       &p.ScalingMaxX, &p.ScalingMaxY, &p.ScalingMaxZ})
    {
        SetDefault(*b, false, changesOnly);
    }
    SetDefault(p.GeometricRotation, zero, changesOnly);
    SetDefault(p.GeometricTranslation, zero, changesOnly);
    SetDefault(p.GeometricScaling, KgeTVector(1.0, 1.0, 1.0, 1.0), changesOnly);
    p.ResetPivotSet(0);
    p.ResetPivotSet(1);
    p.ResetPivotEval();
}

// ---- Object --------------------------------------------------------------------

void KScnNode::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    KScnTakeNodeContainer::CollectHandlerProperties(out);
    if (mAttribute != nullptr)
    {
        mAttribute->CollectHandlerProperties(out);
    }
}

KString KScnNode::GetTypeName() const
{
    return mAttribute != nullptr ? mAttribute->GetTypeName() : KString("Null");
}

KStringList KScnNode::GetTypeNameList() const
{
    if (mAttribute != nullptr)
    {
        return mAttribute->GetTypeNameList();
    }
    KStringList list;
    list.Add("Null");
    return list;
}

// ---- Takes ---------------------------------------------------------------------

const KScnNodeTransformCache& KScnNode::GetTransformCache() const
{
    static const KScnNodeTransformCache none;
    return mCache ? *mCache : none;
}

KScnNodeTransformCache& KScnNode::Cache()
{
    if (!mCache)
    {
        mCache.reset(new KScnNodeTransformCache);
    }
    return *mCache;
}

int KScnNode::InvalidateTransformCaches()
{
    // A subtree known to hold no valid result is not walked again: selecting
    // a take on every node of a chain clears each cache once, not once per
    // ancestor.
    if (mCachesClearBelow)
    {
        return 0;
    }
    // Marked as they are listed; memory running out part-way unmarks them
    // again (their caches cleared is no harm), so that no node stays marked
    // above a descendant that still holds results.
    std::vector<KScnNode*> walked{this};
    mCachesClearBelow = true;
    try
    {
        for (size_t i = 0; i < walked.size(); ++i)
        {
            KScnNode* node = walked[i];
            if (node->mCache)
            {
                node->mCache->Invalidate();
            }
            for (KScnNode* child : node->Children())
            {
                if (!child->mCachesClearBelow)
                {
                    walked.push_back(child);
                    child->mCachesClearBelow = true;
                }
            }
        }
    }
    catch (...)
    {
        for (KScnNode* node : walked)
        {
            node->mCachesClearBelow = false;
        }
        throw;
    }
    return static_cast<int>(walked.size());
}

void KScnNode::NoteCacheValid()
{
    for (KScnNode* node = this; node != nullptr && node->mCachesClearBelow; node = node->GetParent())
    {
        node->mCachesClearBelow = false;
    }
}

bool KScnNode::SelectTakeNodeByName(const char* name)
{
    InvalidateTransformCaches();
    return KScnTakeNodeContainer::SelectTakeNodeByName(name);
}

bool KScnNode::SelectTakeNodeByIndex(int index)
{
    InvalidateTransformCaches();
    return KScnTakeNodeContainer::SelectTakeNodeByIndex(index);
}

bool KScnNode::GetCurrentTakeInterval(KTime& start, KTime& stop)
{
    bool any = false;
    std::vector<KScnNode*> pending{this};
    while (!pending.empty())
    {
        KScnNode* node = pending.back();
        pending.pop_back();
        any = node->KScnTakeNodeContainer::GetCurrentTakeInterval(start, stop) || any;
        const std::vector<KScnNode*>& children = node->Children();
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return any;
}

void KScnNode::TransformChannelValues(const char* property, double* values) const
{
    values[0] = values[1] = values[2] = 0.0;
    values[3] = 1.0;
    if (KProperty* kernel = mProperties->FindProperty(property))
    {
        kernel->GetAsDoubles(values);
    }
}

void KScnNode::BuildTransformChannel(KFCurveNode* transform, const char* channel, const char* property)
{
    static const char* const kAxes[] = {"X", "Y", "Z"};
    static const float kColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    KProperty* kernel = mProperties->FindProperty(property);
    double values[4];
    TransformChannelValues(property, values);
    KFCurveNode* node = KMade(transform->FindOrCreateChild(channel, false));
    for (int axis = 0; node != nullptr && axis < 3; ++axis)
    {
        KFCurveNode* child = KMade(node->FindOrCreateChild(kAxes[axis], true));
        KFCurve* curve = child != nullptr ? child->GetFCurve() : nullptr;
        if (curve == nullptr)
        {
            continue;
        }
        WriteCurveDefaultSilently(curve, values[axis]);
        curve->SetColor(kColors[axis][0], kColors[axis][1], kColors[axis][2]);
        LinkPropertyToCurve(kernel, axis, curve);
    }
}

void KScnNode::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    for (int part = 0; part < GetTakeChannelPartCount(); ++part)
    {
        BuildTakeChannelPart(take, part);
    }
}

// The tree's parts: "T", "R", "S" and "Visibility" under "Transform" (made
// with the first), then a channel of each other animatable property under
// the root, in the order of the set (a part for each property).
int KScnNode::GetTakeChannelPartCount()
{
    return kTransformParts + mProperties->GetPropertyCount();
}

bool KScnNode::BuildTakeChannelPart(KScnTakeNodeEntry* take, int part)
{
    static const char* const kChannels[] = {"T", "R", "S"};
    static const char* const kProperties[] = {"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Visibility"};
    if (part >= kTransformParts)
    {
        KProperty* p = mProperties->GetProperty(part - kTransformParts);
        const char* n = p != nullptr ? p->GetName() : "";
        if (p == nullptr || !p->IsAnimatable() ||
            std::find_if(std::begin(kProperties), std::end(kProperties),
                         [n](const char* own) { return std::strcmp(own, n) == 0; }) != std::end(kProperties))
        {
            return false;
        }
        CreatePropertyChannels(p, take);
        return true;
    }
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    KFCurveNode* transform = root != nullptr ? KMade(root->FindOrCreateChild("Transform", false)) : nullptr;
    if (transform == nullptr)
    {
        return false;
    }
    if (part < 3)
    {
        BuildTransformChannel(transform, kChannels[part], kProperties[part]);
        return true;
    }
    KFCurveNode* visibility = KMade(transform->FindOrCreateChild("Visibility", true));
    KProperty* shown = mProperties->FindProperty("Visibility");
    if (visibility != nullptr && visibility->GetFCurve() != nullptr)
    {
        KFCurve* curve = visibility->GetFCurve();
        WriteCurveDefaultSilently(curve, shown != nullptr ? shown->GetDouble() : 1.0);
        curve->SetColor(0.75f, 0.0f, 0.0f);
        LinkPropertyToCurve(shown, 0, curve);
    }
    return true;
}

// ---- Hierarchy -----------------------------------------------------------------

bool KScnNode::AddChild(KScnNode* child)
{
    if (child == nullptr || child == this)
    {
        if (child == this)
        {
            mError.SetLastErrorID(eErrorCyclicGraph);
        }
        return false;
    }
    // Only a node with children can be an ancestor: a chain built from its
    // top is not walked up at every link.
    for (KScnNode* up = child->GetChildCount() > 0 ? GetParent() : nullptr; up != nullptr;
         up = up->GetParent())
    {
        if (up == child)
        {
            mError.SetLastErrorID(eErrorCyclicGraph);
            return false;
        }
    }
    // Before the child leaves its parent (the connection would refuse it).
    KScnSdkManager* manager = GetSdkManager();
    if (manager != nullptr && (manager->IsOwned(this) || manager->IsOwned(child)))
    {
        mError.SetLastErrorID(eErrorOwnedNode);
        return false;
    }
    // The child is connected here first and cut from its old parent last,
    // so it never stands without a parent (nor, within one scene, outside
    // the scene). Joining another scene, the one step that may run out of
    // memory, is taken back by a cut, which takes none; the old parent's
    // cut takes none either.
    KScnNode* parent = child->GetParent();
    const int oldAt = parent == this ? mProperties->FindSrc(child->mProperties) : -1;
    struct Joining
    {
        KScnNode* child;
        ~Joining() { child->mJoining = nullptr; }
    } joining{child};
    child->mJoining = this;
    if (!mProperties->ConnectSrc(child->mProperties, 0))
    {
        return false;
    }
    try
    {
        child->SetSceneContents(mSceneContents, false);
    }
    catch (...)
    {
        mProperties->DisconnectSrc(child->mProperties);
        throw;
    }
    if (parent == this)
    {
        mProperties->DisconnectSrcAt(oldAt); // the older of the two entries
    }
    else if (parent != nullptr)
    {
        parent->RemoveChild(child);
    }
    return true;
}

KScnNode* KScnNode::RemoveChild(KScnNode* child)
{
    if (child == nullptr || !mProperties->IsSrcConnected(child->mProperties))
    {
        return nullptr;
    }
    mProperties->DisconnectSrc(child->mProperties);
    return child;
}

// The hierarchy reads the set's own connection lists: the kernel's
// class-filtered views would also count plugs owned by a node property set
// (a look-at or up-vector list), which would make a target a parent.
KScnNode* KScnNode::GetParent() const
{
    for (int i = 0; i < mProperties->GetDstCount(); ++i)
    {
        if (KScnNode* node = KScnNodeProperties::NodeOfPlug(mProperties->GetDst(i)))
        {
            return node;
        }
    }
    return nullptr;
}

const std::vector<KScnNode*>& KScnNode::Children() const
{
    const int sources = mProperties->GetSrcCount();
    if (mChildrenSources != sources)
    {
        mChildren = ChildrenOf(this);
        mChildrenSources = sources;
    }
    return mChildren;
}

void KScnNode::OnSourcesChanged(int code, KPlug* source, int index)
{
    if (code != KPlug::eSrcRemoved)
    {
        NoteCacheValid(); // a joining child may hold valid results
    }
    if (mChildrenSources < 0 || (code != KPlug::eSrcAdded && code != KPlug::eSrcRemoved &&
                                 (code < KPlug::eReplaceSrcSideBegin || code > KPlug::eReplaceDstSideEnd)))
    {
        return; // the count of sources tells the rest
    }
    KScnNode* node = KScnNodeProperties::NodeOfPlug(source);
    const int sources = mProperties->GetSrcCount();
    if (code == KPlug::eSrcAdded && sources == mChildrenSources + 1 && index == sources - 1)
    {
        // Appended: a node joins the children at their end, anything else is no child.
        if (node != nullptr)
        {
            mChildren.push_back(node);
        }
        mChildrenSources = sources;
    }
    else if (code == KPlug::eSrcRemoved && sources == mChildrenSources - 1 && node != nullptr &&
             !mChildren.empty() && mChildren.back() == node && index == sources)
    {
        // The last child went from the end of the list (the way a list is
        // emptied); an earlier entry of the same node stays its child.
        mChildren.pop_back();
        mChildrenSources = sources;
    }
    else
    {
        mChildrenSources = -1;
    }
}

int KScnNode::GetChildCount(bool recursive) const
{
    const std::vector<KScnNode*>& children = Children();
    if (!recursive)
    {
        return static_cast<int>(children.size());
    }
    int total = 0;
    std::vector<const KScnNode*> pending{this};
    while (!pending.empty())
    {
        const KScnNode* node = pending.back();
        pending.pop_back();
        const std::vector<KScnNode*>& below = node->Children();
        total += static_cast<int>(below.size());
        pending.insert(pending.end(), below.begin(), below.end());
    }
    return total;
}

KScnNode* KScnNode::GetChild(int index) const
{
    const std::vector<KScnNode*>& children = Children();
    return index >= 0 && index < static_cast<int>(children.size()) ? children[static_cast<size_t>(index)]
                                                                   : nullptr;
}

KScnNode* KScnNode::GetLastChild() const
{
    if (mChildrenSources == mProperties->GetSrcCount())
    {
        return mChildren.empty() ? nullptr : mChildren.back();
    }
    for (int i = mProperties->GetSrcCount() - 1; i >= 0; --i)
    {
        if (KScnNode* child = KScnNodeProperties::NodeOfPlug(mProperties->GetSrc(i)))
        {
            return child;
        }
    }
    return nullptr;
}

KScnNode* KScnNode::FindChild(const char* name, bool recursive, bool initialName) const
{
    const KString full = KScnSdkManager::PrefixName("Model::", name);
    // Depth first, each node compared before its children and the children
    // in their order: the next node to compare is at the back.
    std::vector<KScnNode*> pending;
    const std::vector<KScnNode*>& children = Children();
    pending.assign(children.rbegin(), children.rend());
    while (!pending.empty())
    {
        KScnNode* node = pending.back();
        pending.pop_back();
        if (node == nullptr)
        {
            continue;
        }
        const char* text = initialName ? node->GetInitialName() : node->GetName();
        if (full == text)
        {
            return node;
        }
        if (recursive)
        {
            const std::vector<KScnNode*>& below = node->Children();
            pending.insert(pending.end(), below.rbegin(), below.rend());
        }
    }
    return nullptr;
}

void KScnNode::AddChildName(const char* text)
{
    mChildNames.Reserve(mChildNames.GetCount() + 1); // first: the name is never lost
    mChildNames.Add(new KString(text != nullptr ? text : ""));
}

const char* KScnNode::GetChildName(int index) const
{
    KString* name = mChildNames.GetAt(index);
    return name != nullptr ? name->Buffer() : nullptr;
}

// ---- Attribute -----------------------------------------------------------------

KScnNodeAttribute* KScnNode::AttributeOfKind(int first, int last) const
{
    if (mAttribute == nullptr)
    {
        return nullptr;
    }
    const int kind = mAttribute->GetAttributeKind();
    return kind >= first && kind <= last ? mAttribute : nullptr;
}

KScnNodeAttribute* KScnNode::SetNodeAttribute(KScnNodeAttribute* attribute)
{
    if (attribute == mAttribute)
    {
        return nullptr;
    }
    // A scene's hidden nodes keep their attributes, which no other node takes.
    KScnSdkManager* manager = GetSdkManager();
    if (manager != nullptr &&
        (manager->IsOwned(this) || (attribute != nullptr && manager->IsOwned(attribute))))
    {
        return nullptr;
    }
    KScnNodeAttribute* previous = mAttribute;
    mAttribute = nullptr;
    if (previous != nullptr)
    {
        previous->DetachFromNode();
    }
    if (attribute != nullptr)
    {
        if (KScnNode* other = attribute->GetNode())
        {
            other->SetNodeAttribute(nullptr);
        }
        mAttribute = attribute;
        attribute->AttachToNode(this);
    }
    const int kind = attribute != nullptr ? attribute->GetAttributeKind() : -1;
    const int marker = kind == KScnNodeAttribute::eMarker ? attribute->GetMarkerType() : 0;
    mMultiLayer = marker == 2 || marker == 3;
    mMultiTake =
        (kind == KScnNodeAttribute::eLight || kind == KScnNodeAttribute::eCamera || marker == 1) ? 0 : 1;
    return previous;
}

// ---- Scene contents ---------------------------------------------------------------

namespace
{
// The object whose property set is the plug; null for any other plug.
KScnTakeNodeContainer* ObjectOfSet(KPlug* plug)
{
    KScnPropertyHandler* set = plug != nullptr ? plug->AsPropertyHandler() : nullptr;
    return set != nullptr ? set->GetOwner() : nullptr;
}

// Hands the materials, textures and videos connected to set (their sets
// sources of it) to the finder's lists.
void CollectConnected(KScnPropertyHandler* set, KScnNodeFinderDuplicateName& finder)
{
    for (int i = 0; set != nullptr && i < set->GetSrcCount(); ++i)
    {
        KScnTakeNodeContainer* object = ObjectOfSet(set->GetSrc(i));
        const int kind = object != nullptr ? object->GetObjectKind() : -1;
        if (kind == KScnObject::eKindMaterial)
        {
            finder.CheckMaterial(static_cast<KScnMaterial*>(object));
        }
        else if (kind == KScnObject::eKindTexture)
        {
            finder.CheckTexture(static_cast<KScnTexture*>(object));
        }
        else if (kind == KScnObject::eKindVideo)
        {
            finder.CheckVideo(static_cast<KScnVideo*>(object));
        }
    }
}

// The finder's lists end holding the subtree (a node before its children)
// and, once each, the materials and textures of its geometries' layers and
// those connected to its nodes, the textures and videos connected to those
// materials, and the videos connected to those nodes and textures. Its checks stay off: a move compares names
// with the target's members only (FindNameClash), not within the subtree.
void CollectSubtree(KScnNode* top, KScnNodeFinderDuplicateName& finder)
{
    for (int kind = KScnNodeFinderDuplicateName::eCheckNodes; kind <= KScnNodeFinderDuplicateName::eCheckVideos;
         ++kind)
    {
        finder.SetCheck(kind, false);
    }
    finder.Apply(top, 0);
    KPointerArray<KScnNode>& nodes = finder.GetSeenNodes();
    for (int i = 0; i < nodes.GetCount(); ++i)
    {
        CollectConnected(nodes[i]->GetPropertyHandler(), finder);
    }
    KPointerArray<KScnMaterial>& materials = finder.GetSeenMaterials();
    for (int i = 0; i < materials.GetCount(); ++i)
    {
        CollectConnected(materials[i]->GetPropertyHandler(), finder);
    }
    KPointerArray<KScnTexture>& textures = finder.GetSeenTextures();
    for (int i = 0; i < textures.GetCount(); ++i)
    {
        CollectConnected(textures[i]->GetPropertyHandler(), finder);
    }
}

template <class T> std::vector<T*> ToVector(KPointerArray<T>& list)
{
    std::vector<T*> out;
    for (int i = 0; i < list.GetCount(); ++i)
    {
        out.push_back(list[i]);
    }
    return out;
}

// True when one of count listed objects (at(i)) that is not collected has
// the name of a collected one.
template <class T, class At> bool CollectedClash(KPointerArray<T>& collected, int count, At at)
{
    const std::vector<T*> own = ToVector(collected);
    const std::unordered_set<const T*> ownSet(own.begin(), own.end());
    std::unordered_set<std::string> names;
    for (int i = 0; i < count; ++i)
    {
        const T* other = at(i);
        if (other != nullptr && ownSet.count(other) == 0)
        {
            names.insert(other->GetName());
        }
    }
    for (const T* object : own)
    {
        if (names.count(object->GetName()) != 0)
        {
            return true;
        }
    }
    return false;
}

// The node error of the first clash with the members of contents (nodes,
// textures, videos, materials, in this order); -1 when none.
int FindNameClash(KScnNodeFinderDuplicateName& finder, KScnSceneContents& contents)
{
    if (CollectedClash(finder.GetSeenNodes(), contents.GetNodeCount(), [&](int i) { return contents.GetNode(i); }))
    {
        return KScnNode::eErrorNodeNameClash;
    }
    if (CollectedClash(finder.GetSeenTextures(), contents.GetTextureCount(),
                       [&](int i) { return contents.GetTexture(i); }))
    {
        return KScnNode::eErrorTextureNameClash;
    }
    if (CollectedClash(finder.GetSeenVideos(), contents.GetVideoCount(), [&](int i) { return contents.GetVideo(i); }))
    {
        return KScnNode::eErrorVideoNameClash;
    }
    if (CollectedClash(finder.GetSeenMaterials(), contents.GetMaterialCount(),
                       [&](int i) { return contents.GetMaterial(i); }))
    {
        return KScnNode::eErrorMaterialNameClash;
    }
    return -1;
}

// The objects of one rank in the use chain (KScnSceneContents::UseRank:
// 1 materials, 2 textures, 3 videos) that a node takes with it when it
// leaves its contents: those in its geometry's layers and those connected to
// it, and the textures and videos connected to such a material or texture.
// Read from the node, its layers and the connections as they are: nothing is
// gathered. When more is given, *more is set once the walk passes by an
// object of a higher rank or stops at one that has sources of its own: only
// then can the walk for a higher rank find anything (a node linked to
// thousands of materials that hold no textures is walked once, not three
// times).
template <class Visit>
void ForEachCarriedFrom(KScnTakeNodeContainer* object, int rank, int wanted, const Visit& visit, bool* more)
{
    if (rank == wanted)
    {
        visit(object);
        if (more != nullptr && !*more)
        {
            const KScnPropertyHandler* set = object->GetPropertyHandler();
            *more = set != nullptr && set->GetSrcCount() > 0;
        }
        return;
    }
    if (rank > wanted)
    {
        if (more != nullptr)
        {
            *more = true;
        }
        return;
    }
    // The objects are read a batch at a time (KScnSceneContents::SourceOwners);
    // nothing here changes a connection.
    KScnTakeNodeContainer* used[KScnSceneContents::kOwnerBatch];
    KScnPropertyHandler* set = rank >= 0 ? object->GetPropertyHandler() : nullptr;
    for (int first = 0; set != nullptr && first < set->GetSrcCount(); first += KScnSceneContents::kOwnerBatch)
    {
        const int count = KScnSceneContents::SourceOwners(set, first, used);
        for (int i = 0; i < count; ++i)
        {
            const int usedRank = used[i] != nullptr ? KScnSceneContents::UseRank(used[i]) : -1;
            if (usedRank > rank)
            {
                ForEachCarriedFrom(used[i], usedRank, wanted, visit, more);
            }
        }
    }
}

template <class Visit>
void ForEachCarried(KScnNode* node, int wanted, const Visit& visit, bool* more = nullptr)
{
    const auto* geometry = dynamic_cast<const KScnLayerContainer*>(node->GetGeometry());
    for (int i = 0; geometry != nullptr && wanted < 3 && i < geometry->GetLayerCount(); ++i)
    {
        const KScnLayer* layer = geometry->GetLayer(i);
        const KScnLayerElement* const elements[] = {layer->GetMaterialElement(), layer->GetTextureElement()};
        for (const KScnLayerElement* element : elements)
        {
            if (element == nullptr || element->GetReferenceMode() == KScnLayerElement::eIndex)
            {
                continue;
            }
            for (int k = 0; k < element->GetDirectCount(); ++k)
            {
                KScnTakeNodeContainer* object =
                    element == layer->GetMaterialElement()
                        ? static_cast<KScnTakeNodeContainer*>(element->GetDirect<KScnMaterial*>()[k])
                        : static_cast<KScnTakeNodeContainer*>(element->GetDirect<KScnTexture*>()[k]);
                if (object != nullptr)
                {
                    ForEachCarriedFrom(object, KScnSceneContents::UseRank(object), wanted, visit, more);
                }
            }
        }
    }
    ForEachCarriedFrom(node, KScnSceneContents::UseRank(node), wanted, visit, more);
}

// Whether a direct layer element of a geometry (or shape) of one of the
// nodes of contents holds the object.
bool InLayersOf(KScnSceneContents& contents, const void* object)
{
    auto holds = [object](const KScnLayerContainer* container)
    {
        for (int l = 0; l < container->GetLayerCount(); ++l)
        {
            const KScnLayer* layer = container->GetLayer(l);
            const KScnLayerElement* const elements[] = {layer->GetMaterialElement(),
                                                        layer->GetTextureElement()};
            for (const KScnLayerElement* element : elements)
            {
                if (element == nullptr || element->GetReferenceMode() == KScnLayerElement::eIndex)
                {
                    continue;
                }
                const void* const* items = element->GetDirect<void*>();
                for (int k = 0; items != nullptr && k < element->GetDirectCount(); ++k)
                {
                    if (items[k] == object)
                    {
                        return true;
                    }
                }
            }
        }
        return false;
    };
    for (int i = 0; i < contents.GetNodeCount(); ++i)
    {
        auto* geometry = dynamic_cast<KScnGeometry*>(contents.GetNode(i)->GetNodeAttribute());
        if (geometry == nullptr)
        {
            continue;
        }
        if (holds(geometry))
        {
            return true;
        }
        for (int s = 0; s < geometry->GetShapeCount(); ++s)
        {
            if (holds(geometry->GetShape(s)))
            {
                return true;
            }
        }
    }
    return false;
}

// What a node that left contents takes with it: each object it carries
// (above) still listed there goes entirely, unless something that stays
// uses it (connected to a node, material, texture or generic node listed
// there, or in a layer of a geometry of a node that stays). Materials go
// first, then textures, then videos: a material that goes no longer holds
// its textures. Allocates nothing (a node being destroyed comes here).
void TakeOutCarried(KScnSceneContents& contents, KScnNode* node)
{
    auto takeOut = [&contents](const void* object, int uses)
    {
        if (uses > 0 && !contents.HasConnectedUsers(object) && !InLayersOf(contents, object))
        {
            contents.ForgetObject(object);
        }
    };
    // The object is listed under its own address, behind which its base
    // part may lie (what the lists were given).
    auto uses = [&contents](int rank, KScnTakeNodeContainer* object) -> std::pair<const void*, int>
    {
        if (rank == 1)
        {
            auto* material = static_cast<KScnMaterial*>(object);
            return {material, contents.GetMaterialUseCount(material)};
        }
        if (rank == 2)
        {
            auto* texture = static_cast<KScnTexture*>(object);
            return {texture, contents.GetTextureUseCount(texture)};
        }
        auto* video = static_cast<KScnVideo*>(object);
        return {video, contents.GetVideoUseCount(video)};
    };
    bool more = true;
    for (int rank = 1; rank <= 3 && more; ++rank)
    {
        more = false;
        ForEachCarried(
            node, rank,
            [&](KScnTakeNodeContainer* object)
            {
                const std::pair<const void*, int> listed = uses(rank, object);
                takeOut(listed.first, listed.second);
            },
            rank < 3 ? &more : nullptr);
    }
}

} // namespace

void KScnNode::LeaveScenes(KScnSceneContents* target)
{
    // Each node after the nodes below it, the children last first: the
    // reverse of the order in which a subtree joins its contents, so that
    // its nodes leave from the end of the contents' list. The way back up is
    // the tree itself: a node notes where its parent's set holds it, so the
    // walk gathers nothing and allocates nothing (a node being destroyed
    // leaves its contents this way).
    KScnNode* current = this;
    int slot = mProperties->GetSrcCount();
    for (;;)
    {
        KScnNode* child = nullptr;
        while (child == nullptr && --slot >= 0)
        {
            child = KScnNodeProperties::NodeOfPlug(current->mProperties->GetSrc(slot));
        }
        if (child != nullptr)
        {
            child->mWalkSlot = slot;
            current = child;
            slot = child->mProperties->GetSrcCount();
            continue;
        }
        KScnSceneContents* old = current->mSceneContents;
        if (old != nullptr && old != target)
        {
            old->RemoveNode(current);
            TakeOutCarried(*old, current);
        }
        KScnNode* parent = current != this ? current->GetParent() : nullptr;
        if (parent == nullptr)
        {
            return;
        }
        slot = current->mWalkSlot;
        if (slot < 0 || slot >= parent->mProperties->GetSrcCount() ||
            parent->mProperties->GetSrc(slot) != current->mProperties)
        {
            slot = std::max(parent->mProperties->FindSrc(current->mProperties), 0);
        }
        current = parent;
    }
}

bool KScnNode::SetSceneContents(KScnSceneContents* contents, bool checkNames)
{
    if (contents == mSceneContents)
    {
        return true;
    }
    // A parent that stays behind is cut from (AddChild cuts the parent of a
    // node it moves itself, once the node is under its new one).
    KScnNode* parent = GetParent();
    const bool cut = parent != nullptr && parent->mSceneContents != contents && mJoining == nullptr;
    if (contents == nullptr)
    {
        if (cut)
        {
            parent->RemoveChild(this);
        }
        LeaveScenes(nullptr);
        return true;
    }
    // A hidden node stays out of every scene: as another scene's root it
    // would go with that scene's tree while its owner still holds it.
    KScnSdkManager* manager = GetSdkManager();
    if (manager != nullptr && manager->IsOwned(this))
    {
        mError.SetLastErrorID(eErrorOwnedNode);
        return false;
    }
    // The subtree, each node before its children; with checkNames, what it
    // carries too, for the names.
    std::vector<KScnNode*> subtree;
    if (checkNames)
    {
        KScnNodeFinderDuplicateName finder(contents);
        CollectSubtree(this, finder);
        const int clash = FindNameClash(finder, *contents);
        if (clash >= 0)
        {
            mError.SetLastErrorID(clash);
            return false;
        }
        subtree = ToVector(finder.GetSeenNodes());
    }
    else
    {
        KScnFindInTree(this, true,
                       [&subtree](KScnNode* node)
                       {
                           subtree.push_back(node);
                           return false;
                       });
    }
    // First everything the move takes, every contents left as it was when
    // memory runs out; then the steps that take none. The subtree that
    // becomes the whole of the contents is listed apart, and takes their
    // place once the old ones have gone.
    if (checkNames)
    {
        KScnSceneContents staged(contents->mManager, KScnSceneContents::Staging{});
        Stage(staged, true, subtree);
        contents->ReserveFor(staged);
        // The root of the contents is nobody's child: cut loose, the subtree
        // leaves the scene it was in, the old tree and every other member go.
        if (parent != nullptr)
        {
            parent->RemoveChild(this);
        }
        LeaveScenes(contents);
        if (KScnNode* oldRoot = contents->GetRootNode())
        {
            oldRoot->SetSceneContents(nullptr, true);
        }
        contents->Clear();
        contents->TakeOver(staged);
        Settle(contents, subtree);
        contents->SetRootNode(this);
        return true;
    }
    Stage(*contents, false, subtree);
    LeaveScenes(contents);
    Settle(contents, subtree);
    // Cut once it is there: the node no longer shares its parent's scene,
    // which it would leave if cut before.
    if (cut)
    {
        parent->RemoveChild(this);
    }
    return true;
}

namespace
{
// The layer containers of the node: its geometry's shapes, then the geometry.
template <class Visit> void ForEachLayerContainer(KScnNode* node, const Visit& visit)
{
    auto* geometry = dynamic_cast<KScnGeometry*>(node->GetNodeAttribute());
    for (int i = 0; geometry != nullptr && i < geometry->GetShapeCount(); ++i)
    {
        visit(geometry->GetShape(i));
    }
    if (geometry != nullptr)
    {
        visit(geometry);
    }
}

// Lists a carried object that has no use in contents; the address it is
// listed under, or null when it was not listed.
const void* ListCarried(KScnSceneContents& contents, KScnTakeNodeContainer* object)
{
    switch (KScnSceneContents::UseRank(object))
    {
    case 1:
    {
        auto* material = static_cast<KScnMaterial*>(object);
        return contents.GetMaterialUseCount(material) == 0 && contents.AddMaterial(material) ? material
                                                                                             : nullptr;
    }
    case 2:
    {
        auto* texture = static_cast<KScnTexture*>(object);
        return contents.GetTextureUseCount(texture) == 0 && contents.AddTexture(texture) ? texture : nullptr;
    }
    default:
    {
        auto* video = static_cast<KScnVideo*>(object);
        return contents.GetVideoUseCount(video) == 0 && contents.AddVideo(video) ? video : nullptr;
    }
    }
}
} // namespace

void KScnNode::Stage(KScnSceneContents& target, bool whole, const std::vector<KScnNode*>& subtree)
{
    // Nodes in the target already stay as they are (unless the subtree is
    // to be the whole of it); so do containers registered there.
    auto staged = [&target, whole](const KScnNode* node) { return whole || node->mSceneContents != &target; };
    auto registers = [&target, whole](const KScnLayerContainer* container)
    { return whole || container->GetSceneContents() != &target; };
    // A node the target lists while its link names other contents (listed
    // there by KScnSceneContents::AddNode, which leaves the other listings)
    // is not listed a second time; its containers register all the same.
    std::vector<char> listed(subtree.size(), 0);
    for (size_t n = 0; n < subtree.size(); ++n)
    {
        listed[n] = staged(subtree[n]) && target.mNodeSet.count(subtree[n]) != 0;
    }
    // A staged node taken back, with the first registered of its containers.
    auto unstage = [&](size_t n, int registered)
    {
        KScnNode* node = subtree[n];
        ForEachLayerContainer(node,
                              [&](KScnLayerContainer* container)
                              {
                                  if (registered-- > 0 && registers(container))
                                  {
                                      container->UnregisterUsesFrom(&target);
                                  }
                              });
        if (!listed[n])
        {
            target.UnstageNode(node);
        }
    };
    // What the listing below listed (its use rank and the object).
    std::vector<std::pair<int, const void*>> added;
    size_t done = 0;
    target.mStaging = true;
    try
    {
        for (; done < subtree.size(); ++done)
        {
            KScnNode* node = subtree[done];
            if (!staged(node))
            {
                continue;
            }
            if (!listed[done])
            {
                target.StageNode(node);
            }
            int registered = 0;
            try
            {
                ForEachLayerContainer(node,
                                      [&](KScnLayerContainer* container)
                                      {
                                          if (registers(container))
                                          {
                                              container->RegisterUsesWith(&target);
                                          }
                                          ++registered;
                                      });
            }
            catch (...)
            {
                unstage(done, registered);
                throw;
            }
        }
        // After the geometries' uses, each object the nodes carry that is
        // not listed yet (no use counted: its uses passed over, or none) is
        // listed, the materials first, then the textures and the videos;
        // one walk a rank over what the nodes hold (over the nodes whose
        // walk before may reach further), what it listed counting as listed
        // from then on.
        std::vector<char> further(subtree.size(), 1);
        for (int rank = 1; rank <= 3; ++rank)
        {
            for (size_t n = 0; n < subtree.size(); ++n)
            {
                if (!further[n])
                {
                    continue;
                }
                bool more = false;
                ForEachCarried(
                    subtree[n], rank,
                    [&](KScnTakeNodeContainer* object)
                    {
                        if (added.size() == added.capacity())
                        {
                            added.reserve(2 * added.size() + 8);
                        }
                        if (const void* listed = ListCarried(target, object))
                        {
                            added.emplace_back(rank, listed);
                        }
                    },
                    &more);
                further[n] = more;
            }
        }
        target.EndStaging();
    }
    catch (...)
    {
        // Taken back in the reverse order, taking no memory.
        for (auto object = added.rbegin(); object != added.rend(); ++object)
        {
            target.TakeBackUse(target.ListOfRank(object->first), object->second);
        }
        while (done-- > 0)
        {
            if (staged(subtree[done]))
            {
                unstage(done, std::numeric_limits<int>::max());
            }
        }
        target.EndStaging();
        throw;
    }
}

void KScnNode::Settle(KScnSceneContents* contents, const std::vector<KScnNode*>& subtree)
{
    for (KScnNode* node : subtree)
    {
        if (node->mSceneContents == contents)
        {
            continue;
        }
        node->mSceneContents = contents;
        ForEachLayerContainer(node, [contents](KScnLayerContainer* container)
                              { container->AdoptSceneContents(contents); });
    }
}

// ---- Skin links --------------------------------------------------------------------

int KScnNode::AddLinkReference(KScnLink* link, int slot)
{
    if (!mLinkReferences)
    {
        mLinkReferences = std::make_unique<std::vector<LinkReference>>();
    }
    mLinkReferences->push_back(LinkReference{link, slot});
    return static_cast<int>(mLinkReferences->size()) - 1;
}

void KScnNode::RemoveLinkReference(int place)
{
    if (!mLinkReferences || place < 0 || place >= static_cast<int>(mLinkReferences->size()))
    {
        return;
    }
    std::vector<LinkReference>& references = *mLinkReferences;
    references[static_cast<size_t>(place)] = references.back();
    references.pop_back();
    if (place < static_cast<int>(references.size()))
    {
        const LinkReference& moved = references[static_cast<size_t>(place)];
        moved.link->mPlaces[moved.slot] = place;
    }
}

// ---- Character links -----------------------------------------------------------

void KScnNode::AddCharacterLink(KScnCharacter* character, int type, int index, int subIndex)
{
    if (character == nullptr)
    {
        return;
    }
    for (const KScnCharacterLinkRecord& link : mCharacterLinks)
    {
        if (link.character == character && link.type == type && link.index == index &&
            link.subIndex == subIndex)
        {
            return;
        }
    }
    mCharacterLinks.push_back(KScnCharacterLinkRecord{character, type, index, subIndex});
}

int KScnNode::RemoveCharacterLink(KScnCharacter* character, int type, int index, int subIndex)
{
    if (character == nullptr)
    {
        return -1;
    }
    for (size_t i = 0; i < mCharacterLinks.size(); ++i)
    {
        const KScnCharacterLinkRecord& link = mCharacterLinks[i];
        if (link.character == character && link.type == type && link.index == index &&
            link.subIndex == subIndex)
        {
            mCharacterLinks.erase(mCharacterLinks.begin() + static_cast<long>(i));
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool KScnNode::GetCharacterLink(int index, KScnCharacterLinkRecord& out) const
{
    if (index < 0 || index >= GetCharacterLinkCount())
    {
        return false;
    }
    out = mCharacterLinks[static_cast<size_t>(index)];
    return true;
}

// ---- Targets -------------------------------------------------------------------

void KScnNode::ConnectTarget(KPropertyObjectList* list, KScnNode* target)
{
    if (list == nullptr || target == nullptr || target->mProperties == nullptr ||
        list->IsSrcConnected(target->mProperties))
    {
        return;
    }
    list->ConnectSrc(target->mProperties);
}

void KScnNode::SetTarget(KScnNode* target)
{
    ConnectTarget(mProperties->LookAtProperty, target);
}

void KScnNode::SetTargetUp(KScnNode* target)
{
    ConnectTarget(mProperties->UpVectorProperty, target);
}

KScnNode* KScnNode::GetTarget() const
{
    return KScnNodeProperties::NodeOfPlug(
        mProperties->LookAtProperty != nullptr ? mProperties->LookAtProperty->GetAt(0) : nullptr);
}

KScnNode* KScnNode::GetTargetUp() const
{
    return KScnNodeProperties::NodeOfPlug(
        mProperties->UpVectorProperty != nullptr ? mProperties->UpVectorProperty->GetAt(0) : nullptr);
}

// ---- State ---------------------------------------------------------------------

void KScnNode::SetVisibility(bool on)
{
    // The write that reaches the takes first: stopped, it leaves both as
    // they were ("Show" takes no memory).
    if (KProperty* visibility = mProperties->FindProperty("Visibility"))
    {
        visibility->SetDouble(on ? 1.0 : 0.0);
    }
    mProperties->Show.SetValue(on);
}

bool KScnNode::GetVisibility() const
{
    return mProperties->Show.GetValue();
}

void KScnNode::SetRotationActive(bool on)
{
    if (mProperties != nullptr)
    {
        mProperties->RotationActive.SetValue(on);
    }
}

bool KScnNode::GetRotationActive() const
{
    return mProperties->RotationActive.GetValue();
}

void KScnNode::SetLocalVector(const char* name, double x, double y, double z)
{
    if (GetDeferredUserPropertyCount() > 0)
    {
        // No handle that waits has the name: none would be found once made.
        KProperty* property = WaitingHandleProperty(name);
        if (property == nullptr)
        {
            return;
        }
        if (property->GetTypeCode() == eKPropVector3D)
        {
            const double v[4] = {x, y, z, 1.0};
            property->SetFromDoubles(v); // the set pushes the value to the takes
            return;
        }
    }
    if (KScnPropertyRef* ref = FindUserPropertyByName(name))
    {
        ref->SetVector(x, y, z);
    }
}

void KScnNode::SetLocalTranslation(double x, double y, double z)
{
    SetLocalVector("Lcl Translation", x, y, z);
}

void KScnNode::SetLocalRotation(double x, double y, double z)
{
    SetLocalVector("Lcl Rotation", x, y, z);
}

void KScnNode::SetLocalScaling(double x, double y, double z)
{
    SetLocalVector("Lcl Scaling", x, y, z);
}

KgeTVector& KScnNode::GetLocalTranslation(KgeTVector& v) const
{
    if (GetDeferredUserPropertyCount() > 0)
    {
        if (KProperty* waiting = WaitingHandleProperty("Lcl Translation"))
        {
            waiting->GetAsDoubles(v.mData);
        }
        return v;
    }
    KScnPropertyRef* ref = FindUserPropertyByName("Lcl Translation");
    if (ref != nullptr && ref->GetProperty() != nullptr)
    {
        ref->GetProperty()->GetAsDoubles(v.mData);
    }
    return v;
}

} // namespace scenesdk
