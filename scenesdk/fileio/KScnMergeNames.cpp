#include "scenesdk/fileio/KScnMergeNames.h"

#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnTexture.h"

namespace scenesdk
{

namespace
{

// A stand-in carrying one name: the strategy records the names of the
// scene's objects through it without renaming any of them.
class CNameOnly : public KScnObject
{
public:
    explicit CNameOnly(const char* name) : KScnObject(nullptr, name) {}
    int GetObjectKind() const override { return 0; }
};

} // namespace

KScnMergeNames::KScnMergeNames(KScnSceneRoot& scene)
{
    KScnSceneContents* contents = scene.GetContents();
    if (contents == nullptr)
        return;
    KScnNode* root = contents->GetRootNode();
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        if (KScnNode* node = contents->GetNode(i))
            if (node != root)
                Remember(node->GetName());
    for (int i = 0; i < contents->GetMaterialCount(); ++i)
        if (KScnMaterial* material = contents->GetMaterial(i))
            Remember(material->GetName());
    for (int i = 0; i < contents->GetTextureCount(); ++i)
        if (KScnTexture* texture = contents->GetTexture(i))
            Remember(texture->GetName());
}

void KScnMergeNames::Remember(const char* name)
{
    CNameOnly stand(name);
    mStrategy.Rename(&stand);
}

bool KScnMergeNames::Rename(KScnObject* object)
{
    return object != nullptr && mStrategy.Rename(object);
}

} // namespace scenesdk
