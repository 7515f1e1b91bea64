#include "scenesdk/kernel/KScnGeometry.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace scenesdk
{

namespace
{
const char* const kGeometryMessages[KScnGeometry::eErrorCount] = {
    "Parameter out of range.", "Parameter is NULL.",     "Material not found.",
    "Material already added.", "Texture not found.",     "Texture already added.",
    "Shape already added.",    "Shape name is invalid.", "Shape name is already used.",
    "No shape curve found.",   "Link already added.",
};

const float kShapeColors[KScnGeometry::kShapeColorCount][3] = {
    {1.0f, 0.0f, 0.0f},   {0.0f, 1.0f, 0.0f},   {0.0f, 0.0f, 1.0f},    {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 1.0f},   {1.0f, 0.0f, 1.0f},   {0.47f, 0.0f, 0.0f},   {0.3f, 0.61f, 0.0f},
    {0.51f, 0.75f, 1.0f}, {1.0f, 0.49f, 0.0f},  {0.57f, 0.0f, 1.0f},   {1.0f, 0.78f, 1.0f},
    {0.0f, 0.35f, 0.0f},  {1.0f, 0.98f, 0.61f}, {0.65f, 0.49f, 0.31f}, {0.8f, 0.8f, 0.8f},
    {0.78f, 1.0f, 0.61f}, {1.0f, 0.86f, 0.73f}, {0.37f, 0.0f, 0.37f},  {0.65f, 0.65f, 0.0f},
};

const char kShapeSuffix[] = " (Shape)";

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trimmed(const char* text)
{
    std::string s(text != nullptr ? text : "");
    size_t first = 0;
    while (first < s.size() && IsAsciiSpace(s[first]))
    {
        ++first;
    }
    size_t last = s.size();
    while (last > first && IsAsciiSpace(s[last - 1]))
    {
        --last;
    }
    return s.substr(first, last - first);
}
} // namespace

KScnGeometry::KScnGeometry(KScnSdkManager* manager)
    : KScnGeometryBase(manager), mError(kGeometryMessages, eErrorCount)
{
}

KScnGeometry::~KScnGeometry()
{
    // Leave the node while the shapes and names still exist: detaching
    // removes their channels and uses.
    KScnReleaseAttributeFromNode(this);
    for (int i = 0; i < mShapes.GetCount(); ++i)
    {
        mShapes[i]->UnregisterMaterialsAndTextures();
    }
    DestroyLinks();
    DestroyShapes();
    DeleteShapeNames();
}

KScnLink* KScnGeometry::GetLink(int index)
{
    KScnLink* link = mLinks.GetAt(index);
    if (link == nullptr)
    {
        mError.SetLastErrorID(eOutOfRange);
    }
    return link;
}

int KScnGeometry::AddLink(KScnLink* link)
{
    if (link == nullptr)
    {
        mError.SetLastErrorID(eParameterNull);
        return -1;
    }
    KScnSdkManager* manager = GetManager();
    if (manager != nullptr && manager->IsOwned(link))
    {
        mError.SetLastErrorID(eLinkAlreadyAdded);
        return -1;
    }
    // Room and mark first: memory running out throws with the link the
    // caller's and the list as it was.
    mLinks.Reserve(mLinks.GetCount() + 1);
    if (manager != nullptr)
    {
        manager->SetOwned(link, true);
    }
    return mLinks.Add(link);
}

void KScnGeometry::ClearLinks()
{
    for (int i = 0; GetManager() != nullptr && i < mLinks.GetCount(); ++i)
    {
        GetManager()->SetOwned(mLinks[i], false);
    }
    mLinks.Clear();
}

KScnShape* KScnGeometry::GetShape(int index)
{
    KScnShape* shape = mShapes.GetAt(index);
    if (shape == nullptr)
    {
        mError.SetLastErrorID(eOutOfRange);
    }
    return shape;
}

const char* KScnGeometry::GetShapeName(int index)
{
    KString* name = mShapeNames.GetAt(index);
    if (name == nullptr)
    {
        mError.SetLastErrorID(eOutOfRange);
        return nullptr;
    }
    return name->Buffer();
}

int KScnGeometry::AddShape(KScnShape* shape, const char* name)
{
    if (shape == nullptr)
    {
        mError.SetLastErrorID(eParameterNull);
        return -1;
    }
    if (mShapes.Find(shape) >= 0 || (GetManager() != nullptr && GetManager()->IsOwned(shape)))
    {
        mError.SetLastErrorID(eShapeAlreadyAdded);
        return -1;
    }
    const std::string trimmed = Trimmed(name);
    if (trimmed.empty())
    {
        mError.SetLastErrorID(eShapeNameInvalid);
        return -1;
    }
    for (int i = 0; i < mShapeNames.GetCount(); ++i)
    {
        if (std::strcmp(mShapeNames[i]->Buffer(), trimmed.c_str()) == 0)
        {
            mError.SetLastErrorID(eShapeNameUsed);
            return -1;
        }
    }
    // The lists' room, the name and the takes' channels it would find
    // first: exhausted memory throws with the geometry as it was (the shape
    // stays the caller's).
    mShapes.Reserve(mShapes.GetCount() + 1);
    mShapeNames.Reserve(mShapeNames.GetCount() + 1);
    std::unique_ptr<KString> held(new KString(trimmed.c_str()));
    const std::vector<bool> hadChannel = TakesWithChannel(trimmed.c_str());
    // Owned before it is listed: from here on it goes with the geometry.
    if (GetManager() != nullptr)
    {
        GetManager()->SetOwned(shape, true);
    }
    const int index = mShapes.Add(shape);
    KString* copy = held.release();
    mShapeNames.Add(copy);
    KProperty* made = nullptr;
    try
    {
        if (KScnNode* node = GetNode())
        {
            made = CreateShapeProperty(copy->Buffer());
            for (int t = 0; t < node->GetTakeNodeCount(); ++t)
            {
                KScnTakeNodeEntry* take = node->GetTakeNode(t);
                const KScnTakeNodeEntry::EditScope scope(*take);
                AddShapeChannel(take, index);
            }
        }
        shape->SetSceneContents(GetSceneContents());
    }
    catch (...)
    {
        TakeBackShape(index, hadChannel, made);
        throw;
    }
    return index;
}

std::vector<bool> KScnGeometry::TakesWithChannel(const char* name) const
{
    KScnNode* node = GetNode();
    std::vector<bool> had(node != nullptr ? static_cast<size_t>(node->GetTakeNodeCount()) : 0);
    for (size_t t = 0; t < had.size(); ++t)
    {
        const KScnTakeNodeEntry* take = static_cast<const KScnNode*>(node)->GetTakeNode(static_cast<int>(t));
        const KFCurveNode* root = take != nullptr ? take->GetRootCurveNode() : nullptr;
        had[t] = root != nullptr && root->IndexOfChildByName(name) >= 0;
    }
    return had;
}

void KScnGeometry::TakeBackShape(int index, const std::vector<bool>& hadChannel, KProperty* made)
{
    KScnNode* node = GetNode();
    const char* name = mShapeNames[index]->Buffer();
    for (size_t t = 0;
         node != nullptr && t < hadChannel.size() && static_cast<int>(t) < node->GetTakeNodeCount(); ++t)
    {
        KFCurveNode* root =
            hadChannel[t] ? nullptr : node->GetTakeNode(static_cast<int>(t))->GetRootCurveNodeToPrune();
        const int channel = root != nullptr ? root->IndexOfChildByName(name) : -1;
        if (channel >= 0)
        {
            root->DeleteChildAt(channel);
        }
    }
    if (made != nullptr && node != nullptr)
    {
        KScnPropertyHandler* set = node->GetPropertyHandler();
        set->DestroyPropertyAt(set->GetPropertyIndex(made));
    }
    if (GetManager() != nullptr)
    {
        GetManager()->SetOwned(mShapes[index], false);
    }
    delete mShapeNames[index];
    mShapeNames.RemoveAt(index);
    mShapes.RemoveAt(index);
}

void KScnGeometry::ClearShapes()
{
    if (KScnNode* node = GetNode())
    {
        for (int t = 0; t < node->GetTakeNodeCount(); ++t)
        {
            KScnTakeNodeEntry* take = node->GetTakeNode(t);
            const KScnTakeNodeEntry::EditScope scope(*take);
            RemoveChannels(take);
        }
    }
    for (int i = 0; i < mShapes.GetCount(); ++i)
    {
        mShapes[i]->UnregisterMaterialsAndTextures();
        if (GetManager() != nullptr)
        {
            GetManager()->SetOwned(mShapes[i], false);
        }
    }
    mShapes.Clear();
    DeleteShapeNames();
}

// What CopyFrom makes apart before it changes anything: the links and
// shapes (the geometry's own already, in the manager's eyes) with the
// shapes' names, per take the channels made for them, the channels of their
// names that stay (given their colour last; what a shape property's value
// writes into them put back when the copy stops) and the old shapes'
// channels, which go, and the node's shape properties made for them.
struct KScnGeometry::SCopyParts
{
    struct SKept
    {
        KFCurveNode* channel;
        int shape;
        float value;
    };
    KPointerArray<KScnLink> links{16};
    KPointerArray<KScnShape> shapes{16};
    KPointerArray<KString> names{16};
    std::vector<KFCurveNode*> channels;
    std::vector<KFCurveNode*> curved; // kept channels given a curve
    std::vector<SKept> kept;
    std::vector<KFCurveNode*> oldChannels;
    std::vector<KProperty*> properties;
};

void KScnGeometry::CopyFrom(const KScnGeometry& source)
{
    if (&source == this)
    {
        return;
    }
    // Whole or not at all: everything new is made first, the points and
    // layers last (CopyControlPoints is whole); then what it replaces goes,
    // which takes no memory.
    SCopyParts parts;
    try
    {
        MakeCopiedLinks(source, parts);
        MakeCopiedShapes(source, parts);
        MakeCopiedShapeChannels(parts);
        CopyControlPoints(source);
    }
    catch (...)
    {
        TakeBackCopy(parts);
        throw;
    }
    PutCopyInPlace(parts);
    mTransform = source.mTransform;
}

void KScnGeometry::MakeCopiedLinks(const KScnGeometry& source, SCopyParts& parts)
{
    KScnSdkManager* manager = GetManager();
    if (manager == nullptr)
    {
        return;
    }
    parts.links.Reserve(source.mLinks.GetCount());
    for (int i = 0; i < source.mLinks.GetCount(); ++i)
    {
        KScnLink* link = KMade(manager->CreateLink());
        parts.links.Add(link);
        link->CopyFrom(*source.mLinks[i]);
        manager->SetOwned(link, true);
    }
}

void KScnGeometry::MakeCopiedShapes(const KScnGeometry& source, SCopyParts& parts)
{
    KScnSdkManager* manager = GetManager();
    if (manager == nullptr)
    {
        return;
    }
    const int n = source.mShapes.GetCount();
    parts.shapes.Reserve(n);
    parts.names.Reserve(n);
    for (int i = 0; i < n; ++i)
    {
        KScnShape* shape = KMade(manager->CreateShape());
        parts.shapes.Add(shape);
        shape->Copy(*source.mShapes[i]);
        parts.names.Add(new KString(*source.mShapeNames[i]));
        manager->SetOwned(shape, true);
    }
    for (int i = 0; i < n; ++i)
    {
        parts.shapes[i]->SetSceneContents(GetSceneContents());
    }
}

namespace
{
// The first child of the name (compared as names are, without case) that is
// not among those listed.
KFCurveNode* FirstChildNamed(KFCurveNode* root, const KString& name, const std::vector<KFCurveNode*>& listed)
{
    for (int i = 0; i < root->GetChildCount(); ++i)
    {
        KFCurveNode* child = root->GetChildAt(i);
        if (child != nullptr && name.CompareNoCase(child->GetName()) == 0 &&
            std::find(listed.begin(), listed.end(), child) == listed.end())
        {
            return child;
        }
    }
    return nullptr;
}
} // namespace

void KScnGeometry::MakeCopiedShapeChannels(SCopyParts& parts)
{
    KScnNode* node = GetNode();
    if (node == nullptr || (mShapes.GetCount() == 0 && parts.shapes.GetCount() == 0))
    {
        return;
    }
    const int added = parts.names.GetCount();
    const size_t takes = static_cast<size_t>(node->GetTakeNodeCount());
    parts.channels.reserve(takes * static_cast<size_t>(added));
    parts.curved.reserve(takes * static_cast<size_t>(added));
    parts.kept.reserve(takes * static_cast<size_t>(added));
    parts.oldChannels.reserve(takes * static_cast<size_t>(mShapes.GetCount()));
    parts.properties.reserve(static_cast<size_t>(added));
    for (int t = 0; t < node->GetTakeNodeCount(); ++t)
    {
        KScnTakeNodeEntry* take = node->GetTakeNode(t);
        const KScnTakeNodeEntry::EditScope scope(*take);
        KFCurveNode* root = KMade(take->GetRootCurveNode());
        // As ClearShapes and then AddShape would find them: each old
        // shape's channel first.
        for (int i = 0; i < mShapeNames.GetCount(); ++i)
        {
            if (KFCurveNode* channel = FirstChildNamed(root, *mShapeNames[i], parts.oldChannels))
            {
                parts.oldChannels.push_back(channel);
            }
        }
        for (int i = 0; i < added; ++i)
        {
            MakeCopiedShapeChannel(root, i, parts);
        }
    }
    // The properties last: their values reach the channels there are now.
    for (int i = 0; i < added; ++i)
    {
        if (KProperty* made = CreateShapeProperty(parts.names[i]->Buffer()))
        {
            parts.properties.push_back(made);
        }
    }
}

void KScnGeometry::MakeCopiedShapeChannel(KFCurveNode* root, int index, SCopyParts& parts)
{
    // A channel of the name that stays (not an old shape's) is the shape's.
    const KString& name = *parts.names[index];
    if (KFCurveNode* channel = FirstChildNamed(root, name, parts.oldChannels))
    {
        if (channel->GetFCurve() == nullptr)
        {
            channel->SetFCurve(KMade(KFCurve::Create()));
            parts.curved.push_back(channel);
        }
        parts.kept.push_back({channel, index, channel->GetFCurve()->GetDefaultValue()});
        return;
    }
    std::unique_ptr<KFCurveNode> made(KMade(KFCurveNode::Create(name.Buffer(), nullptr, 0, 0)));
    made->SetFCurve(KMade(KFCurve::Create()));
    made->GetFCurve()->SetColor(GetShapeColor(index));
    KFCurveNode* listed = root->AdoptChild(made.release());
    if (listed != nullptr)
    {
        parts.channels.push_back(listed);
    }
}

void KScnGeometry::TakeBackCopy(SCopyParts& parts)
{
    for (size_t i = parts.channels.size(); i-- > 0;)
    {
        KFCurveNode* parent = parts.channels[i]->GetParent();
        parent->RemoveChildAt(parent->IndexOfChild(parts.channels[i]));
        KFCurveNode::Destroy(parts.channels[i]);
    }
    for (const SCopyParts::SKept& kept : parts.kept)
    {
        KScnTakeNodeContainer::WriteCurveDefaultSilently(kept.channel->GetFCurve(), kept.value);
    }
    for (size_t i = parts.curved.size(); i-- > 0;)
    {
        KFCurve::Destroy(parts.curved[i]->SetFCurve(nullptr));
    }
    KScnNode* node = GetNode();
    KScnPropertyHandler* set = node != nullptr ? node->GetPropertyHandler() : nullptr;
    for (size_t i = parts.properties.size(); set != nullptr && i-- > 0;)
    {
        set->DestroyPropertyAt(set->GetPropertyIndex(parts.properties[i]));
    }
    KScnSdkManager* manager = GetManager();
    for (int i = parts.shapes.GetCount() - 1; i >= 0; --i)
    {
        parts.shapes[i]->UnregisterMaterialsAndTextures();
        manager->SetOwned(parts.shapes[i], false);
        manager->DestroyShape(parts.shapes[i]);
    }
    for (int i = 0; i < parts.names.GetCount(); ++i)
    {
        delete parts.names[i];
    }
    for (int i = parts.links.GetCount() - 1; i >= 0; --i)
    {
        manager->SetOwned(parts.links[i], false);
        manager->DestroyLink(parts.links[i]);
    }
}

void KScnGeometry::PutCopyInPlace(SCopyParts& parts)
{
    for (KFCurveNode* channel : parts.oldChannels)
    {
        KFCurveNode* parent = channel->GetParent();
        parent->RemoveChildAt(parent->IndexOfChild(channel));
        KFCurveNode::Destroy(channel);
    }
    for (const SCopyParts::SKept& kept : parts.kept)
    {
        kept.channel->GetFCurve()->SetColor(GetShapeColor(kept.shape));
    }
    DestroyLinks();
    mLinks.Swap(parts.links);
    // The old shapes leave the scene contents before they go.
    for (int i = 0; i < mShapes.GetCount(); ++i)
    {
        mShapes[i]->UnregisterMaterialsAndTextures();
    }
    DestroyShapes();
    DeleteShapeNames();
    mShapes.Swap(parts.shapes);
    mShapeNames.Swap(parts.names);
}

KString KScnGeometry::GetShapeChannelName(int index)
{
    if (index < 0)
    {
        return KString("");
    }
    char text[48];
    std::snprintf(text, sizeof(text), "Shape %02d (Shape)", index + 1);
    return KString(text);
}

KString KScnGeometry::MakeShapeChannelName(const char* name)
{
    KString result(name != nullptr ? name : "");
    const size_t length = std::strlen(result.Buffer());
    const size_t suffix = sizeof(kShapeSuffix) - 1;
    if (length >= suffix && std::strcmp(result.Buffer() + length - suffix, kShapeSuffix) == 0)
    {
        return result;
    }
    result += kShapeSuffix;
    return result;
}

namespace
{
// The index of the child a shape's channel was kept under by older files,
// and of the channel named after the shape; false when nothing is to merge.
bool FindLegacyShapeChannel(const KFCurveNode& root, const char* name, int index, int& old, int& current)
{
    old = root.IndexOfChildByName(KScnGeometry::MakeShapeChannelName(name).Buffer());
    if (old < 0)
    {
        old = root.IndexOfChildByName(KScnGeometry::GetShapeChannelName(index).Buffer());
    }
    current = root.IndexOfChildByName(name);
    return old >= 0 && current >= 0 && current != old;
}
} // namespace

void KScnGeometry::RenameLegacyShapeChannels(KScnTakeNodeEntry* take)
{
    if (GetAttributeKind() == eMesh || GetNode() == nullptr || take == nullptr)
    {
        return;
    }
    // Looked for in the tree as it is read: a take that shares its tree is
    // given a copy of its own only when there is something to merge.
    const KFCurveNode* read = static_cast<const KScnTakeNodeEntry*>(take)->GetRootCurveNode();
    int old = -1, current = -1;
    bool merges = false;
    for (int i = 0; read != nullptr && !merges && i < mShapeNames.GetCount(); ++i)
    {
        merges = FindLegacyShapeChannel(*read, mShapeNames[i]->Buffer(), i, old, current);
    }
    KFCurveNode* root = merges ? take->GetRootCurveNode() : nullptr;
    for (int i = 0; root != nullptr && i < mShapeNames.GetCount(); ++i)
    {
        if (FindLegacyShapeChannel(*root, mShapeNames[i]->Buffer(), i, old, current))
        {
            KFCurveNode* from = root->GetChildAt(old);
            root->GetChildAt(current)->CopyFromWithLayers(*from, false);
            root->DeleteChildAt(old);
        }
    }
}

KScnSceneContents* KScnGeometry::NodeContents() const
{
    KScnNode* node = GetNode();
    return node != nullptr ? node->GetSceneContents() : nullptr;
}

int KScnGeometry::AttachToNode(KScnNode* node)
{
    const int takes = KScnGeometryBase::AttachToNode(node);
    if (node == nullptr)
    {
        return takes;
    }
    KScnSceneContents* contents = NodeContents();
    for (int i = 0; i < mShapes.GetCount(); ++i)
    {
        mShapes[i]->SetSceneContents(contents);
        CreateShapeProperty(mShapeNames[i]->Buffer());
    }
    SetSceneContents(contents);
    return takes;
}

void KScnGeometry::DetachFromNode()
{
    UnregisterMaterialsAndTextures();
    for (int i = 0; i < mShapes.GetCount(); ++i)
    {
        mShapes[i]->UnregisterMaterialsAndTextures();
    }
    KScnGeometryBase::DetachFromNode();
}

void KScnGeometry::AddChannels(KScnTakeNodeEntry* take)
{
    for (int i = 0; i < mShapes.GetCount(); ++i)
    {
        AddShapeChannel(take, i);
    }
}

void KScnGeometry::RemoveChannels(KScnTakeNodeEntry* take)
{
    // Only a take's own tree is written: a shared snapshot stays as it is
    // (see KScnTakeNodeEntry::GetRootCurveNodeToPrune).
    KFCurveNode* root = take != nullptr ? take->GetRootCurveNodeToPrune() : nullptr;
    if (root == nullptr)
    {
        return;
    }
    for (int i = 0; i < mShapeNames.GetCount(); ++i)
    {
        const int index = root->IndexOfChildByName(mShapeNames[i]->Buffer());
        if (index >= 0)
        {
            root->DeleteChildAt(index);
        }
    }
}

const float* KScnGeometry::GetShapeColor(int index)
{
    const int entry = index % kShapeColorCount;
    return kShapeColors[entry < 0 ? entry + kShapeColorCount : entry];
}

KProperty* KScnGeometry::CreateShapeProperty(const char* name)
{
    KScnNode* node = GetNode();
    KScnPropertyHandler* set = node != nullptr ? node->GetPropertyHandler() : nullptr;
    if (set == nullptr || set->FindProperty(name) != nullptr)
    {
        return nullptr;
    }
    KDataType* type = KDataTypeShape::Get();
    KProperty* property = set->CreateDynamicProperty(name, KDataType::ToTypeCode(type), type, true);
    if (property == nullptr)
    {
        return nullptr;
    }
    // Set up whole or gone again (its removal takes nothing along).
    try
    {
        property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
        property->SetDouble(0.0);
    }
    catch (...)
    {
        set->DestroyPropertyAt(set->GetPropertyIndex(property));
        throw;
    }
    return property;
}

void KScnGeometry::AddShapeChannel(KScnTakeNodeEntry* take, int index)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    const KString* name = mShapeNames.GetAt(index);
    if (root == nullptr || name == nullptr || name->IsEmpty())
    {
        return;
    }
    KFCurveNode* channel = KMade(root->FindOrCreateChild(name->Buffer(), true));
    if (channel != nullptr && channel->GetFCurve() != nullptr)
    {
        channel->GetFCurve()->SetColor(GetShapeColor(index));
    }
}

void KScnGeometry::DestroyLinks()
{
    KScnSdkManager* manager = GetManager();
    for (int i = 0; manager != nullptr && i < mLinks.GetCount(); ++i)
    {
        manager->SetOwned(mLinks[i], false);
        manager->DestroyLink(mLinks[i]);
    }
    mLinks.Clear();
}

void KScnGeometry::DropLink(KScnLink* link)
{
    for (int i = mLinks.GetCount() - 1; i >= 0; --i)
    {
        if (mLinks[i] == link)
        {
            mLinks.RemoveAt(i);
            if (GetManager() != nullptr)
            {
                GetManager()->SetOwned(link, false);
            }
            return;
        }
    }
}

void KScnGeometry::DestroyShapes()
{
    KScnSdkManager* manager = GetManager();
    for (int i = 0; manager != nullptr && i < mShapes.GetCount(); ++i)
    {
        manager->SetOwned(mShapes[i], false);
        manager->DestroyShape(mShapes[i]);
    }
    mShapes.Clear();
}

void KScnGeometry::DeleteShapeNames()
{
    for (int i = 0; i < mShapeNames.GetCount(); ++i)
    {
        delete mShapeNames[i];
    }
    mShapeNames.Clear();
}

} // namespace scenesdk
