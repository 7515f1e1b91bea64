#pragma once

// KScnLayerContainer: the node attribute that owns a list of layers, and
// keeps the scene's use counts of the materials and textures in its layers.
//
// Layer indices outside the list give null or -1; nothing here fails loudly.

#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"

#include <vector>

namespace scenesdk
{

class KScnMaterialTextureUse;
class KScnSdkManager;

class KScnLayerContainer : public KScnNodeAttribute, public KScnLayerItemsWatch
{
public:
    // The manager that made the geometry (not owned; may be null).
    explicit KScnLayerContainer(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Removes all layers; does not unregister from the scene contents (the
    // scene clears its lists itself when it goes).
    ~KScnLayerContainer() override;
    friend class KScnSdkManager;

public:
    // Appends an empty layer; returns its index, or -1 when memory fails.
    int CreateLayer();
    int GetLayerCount() const { return mLayers.GetCount(); }
    // The layer, or null for an index outside 0..count-1.
    KScnLayer* GetLayer(int index) const { return mLayers.GetAt(index); }
    // Number of layers holding an element of the type (1..6).
    int GetLayerCount(int type) const;
    // The i-th layer (from 0, in index order) holding an element of the type.
    KScnLayer* GetLayerOfType(int i, int type) const;
    int GetLayerIndexOfType(int i, int type) const;
    // Clears and deletes every layer, last first.
    void RemoveAllLayers();
    // Removes all layers, then appends a copy of each layer of the source.
    // Copying from itself changes nothing.
    void CopyLayers(const KScnLayerContainer& source);

    // Creates layers up to layerIndex and the layer's material element
    // (mapping 0, reference 0) when absent. A material already in the
    // direct array gives -1 and changes nothing; otherwise it is registered
    // with the scene contents and appended, and its position returned. A
    // null material or a negative layer index gives -1. Memory running out
    // throws std::bad_alloc with neither the item nor its use added (layers
    // and the element made on the way stay).
    int AddMaterial(KScnMaterial* material, int layerIndex);
    // The same for the texture element (created with reference 2), except
    // that a texture already present gives its existing position.
    int AddTexture(KScnTexture* texture, int layerIndex);
    // Position in the layer's material direct array of the material whose
    // full name is "Material::" + name (exact comparison); -1 for a null
    // name or when the layer, the element or the material is absent.
    int FindMaterialIndex(const char* name, int layerIndex) const;
    // The same for textures ("Texture::" + name).
    int FindTextureIndex(const char* name, int layerIndex) const;
    // Number of textures of the layer: 0 without a texture element; the
    // direct count for reference 0 or 2; for reference 1 the number of
    // distinct index entries.
    int GetTextureCount(int layerIndex) const;

    // Moves the use registration to other contents: registers every layer's
    // materials, then textures, with the new ones, then unregisters from
    // the current ones. Null only unregisters. Memory running out throws
    // std::bad_alloc with the registration as it was.
    void SetSceneContents(KScnMaterialTextureUse* contents);
    KScnMaterialTextureUse* GetSceneContents() const { return mSceneContents; }
    KScnSdkManager* GetManager() const { return mManager; }
    // Drops one use per material and texture of every layer's direct arrays,
    // then forgets the contents. Only elements with reference 0 or 2 count.
    void UnregisterMaterialsAndTextures();
    // A move in two steps (KScnNode::SetSceneContents), so that nothing is
    // taken from the current contents before the new ones have all they
    // need: RegisterUsesWith counts this container's uses with contents
    // while it stays where it is (memory running out takes back the uses
    // counted so far and throws std::bad_alloc); UnregisterUsesFrom takes
    // them back (the first count of them, in the order they are counted;
    // all when count is negative). AdoptSceneContents then unregisters
    // from the current contents and takes those (their uses counted
    // already) as its own, taking no memory.
    void RegisterUsesWith(KScnMaterialTextureUse* contents) const;
    void UnregisterUsesFrom(KScnMaterialTextureUse* contents, int count = -1) const;
    void AdoptSceneContents(KScnMaterialTextureUse* contents);

    // The manager knows which containers hold each material and texture, so
    // that destroying one visits only those. A way to write the items handed
    // out (a writable view of a material or texture element's direct array,
    // an element or layer put in or copied) makes it look at this container
    // again before it relies on what it knows; the container's own adders
    // tell it what they add. KScnLayerItemsWatch.
    void OnLayerItemsOpened() override;
    // Empties every direct entry of the layers' material (or texture)
    // elements that holds the object; takes no memory.
    void ForgetItem(const void* object, bool material);

protected:
    // Layer 0, created when there is none; null when memory fails.
    KScnLayer* GetOrCreateLayer0();

private:
    // Creates layers until index exists; null for a negative index.
    KScnLayer* GetOrCreateLayer(int index);
    // Appends the material (or texture) to the element with its use; its position.
    int AddHeldItem(KScnLayerElement* element, KScnMaterial* material, KScnTexture* texture, bool wasOpen);
    // Calls use(material, null) for each material of every layer, then
    // use(null, texture) for each texture, in the order registering counts
    // them; stops after the first count items.
    template <class Use> void ForEachUse(const Use& use, int count = -1) const;

    KScnSdkManager* mManager;
    KScnMaterialTextureUse* mSceneContents;
    KPointerArray<KScnLayer> mLayers;
    // Kept by the manager: whether the items may have changed since it last
    // looked (and the links of its list of such containers), and the
    // objects it knows this container to hold.
    bool mItemsOpen = false;
    KScnLayerContainer* mOpenPrev = nullptr;
    KScnLayerContainer* mOpenNext = nullptr;
    std::vector<const void*> mHeldItems;
};

} // namespace scenesdk
