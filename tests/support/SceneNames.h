#pragma once

// The names a scene holds, for tests of how reads name what they make.

#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <string>

namespace testsupport
{

// The current names of the scene's nodes (the root first), materials and
// textures, each in list order, space-separated, the three lists joined by
// " | ".
inline std::string SceneNames(scenesdk::KScnSceneRoot* scene)
{
    scenesdk::KScnSceneContents* c = scene->GetContents();
    std::string out;
    for (int i = 0; i < c->GetNodeCount(); ++i)
        out += (i > 0 ? " " : "") + std::string(c->GetNode(i)->GetName());
    out += " |";
    for (int i = 0; i < c->GetMaterialCount(); ++i)
        out += " " + std::string(c->GetMaterial(i)->GetName());
    out += " |";
    for (int i = 0; i < c->GetTextureCount(); ++i)
        out += " " + std::string(c->GetTexture(i)->GetName());
    return out;
}

} // namespace testsupport
