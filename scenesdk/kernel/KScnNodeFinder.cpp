#include "scenesdk/kernel/KScnNodeFinder.h"

#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerContainer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <cstring>
#include <vector>

namespace scenesdk
{

namespace
{
bool TreeHoldsName(const KScnNode* node, const char* name)
{
    return KScnFindInTree(node, true, [name](const KScnNode* next)
                          { return std::strcmp(next->GetName(), name) == 0; }) != nullptr;
}

template <typename T> bool ListHoldsName(const KPointerArray<T>& list, const char* name)
{
    for (int i = 0; i < list.GetCount(); ++i)
    {
        if (std::strcmp(list[i]->GetName(), name) == 0)
        {
            return true;
        }
    }
    return false;
}

// Use-counted contents lists answer by index; these read them without
// touching the error record.
bool ContentsHoldMaterial(KScnSceneContents* contents, const char* name)
{
    for (int i = 0; contents != nullptr && i < contents->GetMaterialCount(); ++i)
    {
        if (std::strcmp(contents->GetMaterial(i)->GetName(), name) == 0)
        {
            return true;
        }
    }
    return false;
}

bool ContentsHoldTexture(KScnSceneContents* contents, const char* name)
{
    for (int i = 0; contents != nullptr && i < contents->GetTextureCount(); ++i)
    {
        if (std::strcmp(contents->GetTexture(i)->GetName(), name) == 0)
        {
            return true;
        }
    }
    return false;
}

bool ContentsHoldVideo(KScnSceneContents* contents, const char* name)
{
    for (int i = 0; contents != nullptr && i < contents->GetVideoCount(); ++i)
    {
        if (std::strcmp(contents->GetVideo(i)->GetName(), name) == 0)
        {
            return true;
        }
    }
    return false;
}

// The objects of a layer element's direct array, unless the element maps by
// plain index (which has no direct array to read).
template <typename T> std::vector<T*> DirectObjects(const KScnLayerElement* element)
{
    std::vector<T*> out;
    if (element == nullptr || element->GetReferenceMode() == KScnLayerElement::eIndex)
    {
        return out;
    }
    const T* const* items = element->GetDirect<T*>();
    for (int i = 0; items != nullptr && i < element->GetDirectCount(); ++i)
    {
        if (items[i] != nullptr)
        {
            out.push_back(const_cast<T*>(items[i]));
        }
    }
    return out;
}
} // namespace

KPointerArray<KScnNode>& KScnNodeFinder::Apply(KScnNode* node, int mode)
{
    mMode = mode;
    if (node != nullptr)
    {
        Visit(node);
    }
    return mFound;
}

void KScnNodeFinder::Visit(KScnNode* node)
{
    KScnFindInTree(node, true,
                   [this](KScnNode* next)
                   {
                       if (Check(next))
                       {
                           mFound.Add(next);
                       }
                       return false;
                   });
}

KScnNodeFinderDuplicateName::KScnNodeFinderDuplicateName(KScnSceneContents* contents) : mContents(contents) {}

void KScnNodeFinderDuplicateName::SetCheck(int kind, bool on)
{
    if (kind >= eCheckNodes && kind <= eCheckVideos)
    {
        mChecks[kind] = on;
    }
}

bool KScnNodeFinderDuplicateName::GetCheck(int kind) const
{
    return kind >= eCheckNodes && kind <= eCheckVideos && mChecks[kind];
}

void KScnNodeFinderDuplicateName::Reset()
{
    mFound.Clear();
    mSeenNodes.Clear();
    mDuplicateNodes.Clear();
    mSeenMaterials.Clear();
    mDuplicateMaterials.Clear();
    mSeenTextures.Clear();
    mDuplicateTextures.Clear();
    mSeenVideos.Clear();
    mDuplicateVideos.Clear();
    mSeenObjects.clear();
    BeginGeometry();
}

bool KScnNodeFinderDuplicateName::Check(KScnNode* node)
{
    bool duplicate = CheckNodeName(node);
    BeginGeometry();
    const auto* geometry = dynamic_cast<const KScnLayerContainer*>(node->GetGeometry());
    for (int i = 0; geometry != nullptr && i < geometry->GetLayerCount(); ++i)
    {
        const KScnLayer* layer = geometry->GetLayer(i);
        for (KScnMaterial* material : DirectObjects<KScnMaterial>(layer->GetMaterialElement()))
        {
            duplicate = CheckMaterial(material) || duplicate;
        }
    }
    for (int i = 0; geometry != nullptr && i < geometry->GetLayerCount(); ++i)
    {
        const KScnLayer* layer = geometry->GetLayer(i);
        for (KScnTexture* texture : DirectObjects<KScnTexture>(layer->GetTextureElement()))
        {
            duplicate = CheckTexture(texture) || duplicate;
        }
    }
    return duplicate;
}

void KScnNodeFinderDuplicateName::BeginGeometry()
{
    mMaterialDuplicateInGeometry = false;
    mTextureDuplicateInGeometry = false;
    mVideoDuplicateInGeometry = false;
}

bool KScnNodeFinderDuplicateName::CheckNodeName(KScnNode* node)
{
    if (node == nullptr)
    {
        return false;
    }
    bool duplicate = false;
    if (mChecks[eCheckNodes])
    {
        KScnNode* root = mContents != nullptr ? mContents->GetRootNode() : nullptr;
        duplicate = (root != nullptr && TreeHoldsName(root, node->GetName())) ||
                    ListHoldsName(mSeenNodes, node->GetName());
        if (duplicate)
        {
            mDuplicateNodes.Add(node);
        }
    }
    AddSeen(mSeenNodes, node);
    return duplicate;
}

bool KScnNodeFinderDuplicateName::CheckMaterial(KScnMaterial* material)
{
    if (material == nullptr)
    {
        return false;
    }
    bool duplicate = false;
    if (mChecks[eCheckMaterials])
    {
        duplicate = ContentsHoldMaterial(mContents, material->GetName()) ||
                    (!mMaterialDuplicateInGeometry && ListHoldsName(mSeenMaterials, material->GetName()));
        if (duplicate)
        {
            mDuplicateMaterials.Add(material);
            mMaterialDuplicateInGeometry = true;
        }
    }
    AddSeen(mSeenMaterials, material);
    return duplicate;
}

bool KScnNodeFinderDuplicateName::CheckTexture(KScnTexture* texture)
{
    if (texture == nullptr)
    {
        return false;
    }
    bool duplicate = false;
    if (mChecks[eCheckTextures])
    {
        duplicate = ContentsHoldTexture(mContents, texture->GetName()) ||
                    (!mTextureDuplicateInGeometry && ListHoldsName(mSeenTextures, texture->GetName()));
        if (duplicate)
        {
            mDuplicateTextures.Add(texture);
            mTextureDuplicateInGeometry = true;
        }
    }
    AddSeen(mSeenTextures, texture);
    return duplicate;
}

bool KScnNodeFinderDuplicateName::CheckVideo(KScnVideo* video)
{
    if (video == nullptr)
    {
        return false;
    }
    bool duplicate = false;
    if (mChecks[eCheckVideos])
    {
        duplicate = ContentsHoldVideo(mContents, video->GetName()) ||
                    (!mVideoDuplicateInGeometry && ListHoldsName(mSeenVideos, video->GetName()));
        if (duplicate)
        {
            mDuplicateVideos.Add(video);
            mVideoDuplicateInGeometry = true;
        }
    }
    AddSeen(mSeenVideos, video);
    return duplicate;
}

} // namespace scenesdk
