#include "scenesdk/kernel/KScnLayerContainer.h"

#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMaterialTextureUse.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <cstring>

#include <algorithm>
#include <vector>

namespace scenesdk
{

namespace
{
// Whether the element's direct array holds the objects it refers to.
bool HoldsObjects(const KScnLayerElement* element)
{
    return element != nullptr && (element->GetReferenceMode() == KScnLayerElement::eDirect ||
                                  element->GetReferenceMode() == KScnLayerElement::eIndexToDirect);
}

template <typename T> int FindPointer(const KScnLayerElement* element, const T* object)
{
    const int count = element->GetDirectCount();
    const T* const* items = element->GetDirect<T*>();
    for (int i = 0; i < count; ++i)
        if (items[i] == object)
            return i;
    return -1;
}
// Position of the object named prefix + name among the element's direct items.
template <typename T> int FindByName(const KScnLayerElement* element, const char* prefix, const char* name)
{
    if (element == nullptr || name == nullptr)
        return -1;
    KString full(prefix);
    full += name;
    const T* const* items = element->GetDirect<T*>();
    for (int i = 0; i < element->GetDirectCount(); ++i)
    {
        const char* itemName = items[i] != nullptr ? items[i]->GetName() : nullptr;
        if (itemName != nullptr && std::strcmp(itemName, full.Buffer()) == 0)
            return i;
    }
    return -1;
}
} // namespace

KScnLayerContainer::KScnLayerContainer(KScnSdkManager* manager)
    : mManager(manager), mSceneContents(nullptr), mLayers(16)
{
}

KScnLayerContainer::~KScnLayerContainer()
{
    if (mManager != nullptr)
        mManager->ForgetLayerItems(this);
    RemoveAllLayers();
}

int KScnLayerContainer::CreateLayer()
{
    mLayers.Reserve(mLayers.GetCount() + 1); // first: the layer is never lost
    KScnLayer* layer = new KScnLayer();
    const int index = mLayers.Add(layer);
    if (index < 0)
        delete layer;
    else
        layer->SetItemsWatch(this);
    return index;
}

void KScnLayerContainer::OnLayerItemsOpened()
{
    if (!mItemsOpen && mManager != nullptr)
        mManager->OpenLayerItems(this);
}

void KScnLayerContainer::ForgetItem(const void* object, bool material)
{
    for (int l = 0; l < mLayers.GetCount(); ++l)
    {
        KScnLayerElement* element =
            material ? mLayers[l]->GetMaterialElement() : mLayers[l]->GetTextureElement();
        if (element != nullptr)
            element->ForgetItem(object);
    }
}

int KScnLayerContainer::GetLayerCount(int type) const
{
    int count = 0;
    for (int i = 0; i < mLayers.GetCount(); ++i)
        if (mLayers[i]->GetElement(type) != nullptr)
            ++count;
    return count;
}

int KScnLayerContainer::GetLayerIndexOfType(int i, int type) const
{
    if (i < 0)
        return -1;
    for (int index = 0; index < mLayers.GetCount(); ++index)
    {
        if (mLayers[index]->GetElement(type) != nullptr && i-- == 0)
            return index;
    }
    return -1;
}

KScnLayer* KScnLayerContainer::GetLayerOfType(int i, int type) const
{
    return GetLayer(GetLayerIndexOfType(i, type));
}

void KScnLayerContainer::RemoveAllLayers()
{
    for (int i = mLayers.GetCount() - 1; i >= 0; --i)
    {
        KScnLayer* layer = mLayers[i];
        mLayers.RemoveAt(i);
        delete layer;
    }
    mLayers.Clear();
}

void KScnLayerContainer::CopyLayers(const KScnLayerContainer& source)
{
    if (&source == this)
        return;
    RemoveAllLayers();
    for (int i = 0; i < source.GetLayerCount(); ++i)
    {
        const int index = CreateLayer();
        if (index < 0)
            return;
        *mLayers[index] = *source.mLayers[i];
    }
    if (mManager != nullptr)
        mManager->SettleLayerItems(this);
}

KScnLayer* KScnLayerContainer::GetOrCreateLayer(int index)
{
    if (index < 0)
        return nullptr;
    while (mLayers.GetCount() <= index)
        if (CreateLayer() < 0)
            return nullptr;
    return mLayers[index];
}

KScnLayer* KScnLayerContainer::GetOrCreateLayer0()
{
    return GetOrCreateLayer(0);
}

int KScnLayerContainer::AddMaterial(KScnMaterial* material, int layerIndex)
{
    if (material == nullptr)
        return -1;
    // Closed before, the container changes only by this item.
    const bool wasOpen = mItemsOpen;
    KScnLayer* layer = GetOrCreateLayer(layerIndex);
    KScnLayerElement* element = layer ? layer->GetOrCreateElement(KScnLayerElement::eMaterial) : nullptr;
    if (element == nullptr || FindPointer(element, material) >= 0)
        return -1;
    return AddHeldItem(element, material, nullptr, wasOpen);
}

int KScnLayerContainer::AddTexture(KScnTexture* texture, int layerIndex)
{
    if (texture == nullptr)
        return -1;
    // Closed before, the container changes only by this item.
    const bool wasOpen = mItemsOpen;
    KScnLayer* layer = GetOrCreateLayer(layerIndex);
    KScnLayerElement* element = layer ? layer->GetOrCreateElement(KScnLayerElement::eTexture) : nullptr;
    if (element == nullptr)
        return -1;
    const int existing = FindPointer(element, texture);
    if (existing >= 0)
        return existing;
    return AddHeldItem(element, nullptr, texture, wasOpen);
}

int KScnLayerContainer::AddHeldItem(KScnLayerElement* element, KScnMaterial* material, KScnTexture* texture,
                                    bool wasOpen)
{
    // The use is counted first: an item that cannot be appended takes it
    // back (allocating nothing), so that item and use come together.
    KScnMaterialTextureUse* uses =
        mSceneContents != nullptr && HoldsObjects(element) ? mSceneContents : nullptr;
    const auto count = [uses, material, texture](bool add)
    {
        if (uses != nullptr && material != nullptr)
            add ? uses->AddMaterialUse(material) : uses->RemoveMaterialUse(material);
        else if (uses != nullptr)
            add ? uses->AddTextureUse(texture) : uses->RemoveTextureUse(texture);
    };
    count(true);
    int position = -1;
    try
    {
        position = material != nullptr ? element->AddDirectItem(&material) : element->AddDirectItem(&texture);
    }
    catch (...)
    {
        count(false);
        throw;
    }
    if (position < 0)
        count(false);
    else if (mManager != nullptr)
        mManager->NoteLayerItem(this, material != nullptr ? static_cast<const void*>(material) : texture,
                                wasOpen);
    return position;
}

int KScnLayerContainer::FindMaterialIndex(const char* name, int layerIndex) const
{
    const KScnLayer* layer = GetLayer(layerIndex);
    return FindByName<KScnMaterial>(layer ? layer->GetMaterialElement() : nullptr, "Material::", name);
}

int KScnLayerContainer::FindTextureIndex(const char* name, int layerIndex) const
{
    const KScnLayer* layer = GetLayer(layerIndex);
    return FindByName<KScnTexture>(layer ? layer->GetTextureElement() : nullptr, "Texture::", name);
}

int KScnLayerContainer::GetTextureCount(int layerIndex) const
{
    const KScnLayer* layer = GetLayer(layerIndex);
    const KScnLayerElement* element = layer ? layer->GetTextureElement() : nullptr;
    if (element == nullptr)
        return 0;
    if (element->GetReferenceMode() != KScnLayerElement::eIndex)
        return element->GetDirectCount();
    std::vector<int32_t> values(element->GetIndices(), element->GetIndices() + element->GetIndexCount());
    std::sort(values.begin(), values.end());
    const int distinct = static_cast<int>(std::unique(values.begin(), values.end()) - values.begin());
    // Indices name the textures connected to the node: no more than those.
    KScnNode* node = GetNode();
    KScnPropertyHandler* handler = node != nullptr ? node->GetPropertyHandler() : nullptr;
    if (handler == nullptr)
        return distinct;
    int connected = 0;
    for (int i = 0; i < handler->GetSrcCount(); ++i)
    {
        KPlug* plug = handler->GetSrc(i);
        KScnPropertyHandler* source = plug != nullptr ? plug->AsPropertyHandler() : nullptr;
        if (source != nullptr && source->IsA(KScnTextureProperties::ClassId))
            ++connected;
    }
    return std::min(distinct, connected);
}

void KScnLayerContainer::SetSceneContents(KScnMaterialTextureUse* contents)
{
    if (contents == mSceneContents)
        return;
    // The new uses first (counted whole or not at all): memory running out
    // leaves the container with the contents it had.
    if (contents != nullptr)
        RegisterUsesWith(contents);
    UnregisterMaterialsAndTextures();
    mSceneContents = contents;
}

template <class Use> void KScnLayerContainer::ForEachUse(const Use& use, int count) const
{
    for (int i = 0; i < mLayers.GetCount(); ++i)
    {
        const KScnLayerElement* element = mLayers[i]->GetMaterialElement();
        if (HoldsObjects(element))
            for (int m = 0; m < element->GetDirectCount(); ++m, --count)
            {
                if (count == 0)
                    return;
                use(element->GetDirect<KScnMaterial*>()[m], nullptr);
            }
    }
    for (int i = 0; i < mLayers.GetCount(); ++i)
    {
        const KScnLayerElement* element = mLayers[i]->GetTextureElement();
        if (HoldsObjects(element))
            for (int t = 0; t < element->GetDirectCount(); ++t, --count)
            {
                if (count == 0)
                    return;
                use(nullptr, element->GetDirect<KScnTexture*>()[t]);
            }
    }
}

void KScnLayerContainer::RegisterUsesWith(KScnMaterialTextureUse* contents) const
{
    int counted = 0;
    try
    {
        ForEachUse(
            [contents, &counted](KScnMaterial* material, KScnTexture* texture)
            {
                if (texture == nullptr)
                    contents->AddMaterialUse(material);
                else
                    contents->AddTextureUse(texture);
                ++counted;
            });
    }
    catch (...)
    {
        UnregisterUsesFrom(contents, counted);
        throw;
    }
}

void KScnLayerContainer::UnregisterUsesFrom(KScnMaterialTextureUse* contents, int count) const
{
    ForEachUse(
        [contents](KScnMaterial* material, KScnTexture* texture)
        {
            if (texture == nullptr)
                contents->RemoveMaterialUse(material);
            else
                contents->RemoveTextureUse(texture);
        },
        count);
}

void KScnLayerContainer::AdoptSceneContents(KScnMaterialTextureUse* contents)
{
    if (contents != mSceneContents)
        UnregisterMaterialsAndTextures();
    mSceneContents = contents;
}

void KScnLayerContainer::UnregisterMaterialsAndTextures()
{
    if (mSceneContents == nullptr)
        return;
    for (int i = 0; i < mLayers.GetCount(); ++i)
    {
        const KScnLayerElement* materials = mLayers[i]->GetMaterialElement();
        if (HoldsObjects(materials))
            for (int m = 0; m < materials->GetDirectCount(); ++m)
                mSceneContents->RemoveMaterialUse(materials->GetDirect<KScnMaterial*>()[m]);
        const KScnLayerElement* textures = mLayers[i]->GetTextureElement();
        if (HoldsObjects(textures))
            for (int t = 0; t < textures->GetDirectCount(); ++t)
                mSceneContents->RemoveTextureUse(textures->GetDirect<KScnTexture*>()[t]);
    }
    mSceneContents = nullptr;
}

} // namespace scenesdk
