#pragma once

// KScnMaterialTextureUse: where a geometry reports the materials and
// textures its layers use, so that an object still in use is not removed
// from the scene. Each Add counts one use, each Remove drops one. The scene's
// contents implement it; the geometry holds it by pointer and never owns it.

namespace scenesdk
{

class KScnMaterial;
class KScnTexture;

class KScnMaterialTextureUse
{
public:
    virtual ~KScnMaterialTextureUse() = default;
    virtual void AddMaterialUse(KScnMaterial* material) = 0;
    virtual void RemoveMaterialUse(KScnMaterial* material) = 0;
    virtual void AddTextureUse(KScnTexture* texture) = 0;
    virtual void RemoveTextureUse(KScnTexture* texture) = 0;
};

} // namespace scenesdk
