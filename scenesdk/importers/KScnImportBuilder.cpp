#include "scenesdk/importers/KScnImportBuilder.h"

#include "scenesdk/fileio/KScnReadUndo.h"

#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

namespace scenesdk
{

KScnImportBuilder::KScnImportBuilder(KScnSdkManager* manager, KScnSceneRoot* scene)
    : mManager(manager), mScene(scene)
{
}

KScnImportBuilder::~KScnImportBuilder()
{
    // Run while an exception unwinds the read as well: a second failure
    // here must not end the program (the reader's KScnReadUndo takes back
    // what is left).
    try
    {
        Rollback();
    }
    catch (const std::exception&)
    {
    }
}

KScnNode* KScnImportBuilder::CreateNode(const char* name, KScnNode* parent)
{
    if (mManager == nullptr)
        return nullptr;
    if (parent != nullptr && mMade.count(parent) == 0)
        return nullptr;
    KScnReadMeter::Check();
    KScnNode* node = mManager->CreateNode(name != nullptr ? name : "");
    if (node == nullptr)
        return nullptr;
    // Imported: the scene's skeleton inherit-type fix-up looks at it.
    node->SetFlag(true);
    mRenaming.Rename(node);
    mNodes.push_back(node);
    mMade.insert(node);
    if (parent == nullptr)
        mTopNodes.push_back(node);
    else if (!parent->AddChild(node))
        throw std::runtime_error(std::string("node ") + node->GetName() + " could not be attached");
    return node;
}

bool KScnImportBuilder::AttachNode(KScnNode* node, KScnNode* parent)
{
    if (node == nullptr || parent == nullptr || mMade.count(node) == 0 || mMade.count(parent) == 0 ||
        node->GetParent() != nullptr)
        return false;
    return parent->AddChild(node);
}

KScnMesh* KScnImportBuilder::CreateMesh(KScnNode* node)
{
    if (mManager == nullptr || node == nullptr)
        return nullptr;
    KScnMesh* mesh = mManager->CreateMesh();
    if (mesh != nullptr)
        node->SetNodeAttribute(mesh);
    return mesh;
}

KScnMaterial* KScnImportBuilder::CreateMaterial(const char* name)
{
    KScnMaterial* material =
        mManager != nullptr ? mManager->CreateMaterial(name != nullptr ? name : "") : nullptr;
    if (material != nullptr)
    {
        mRenaming.Rename(material);
        mMaterials.push_back(material);
    }
    return material;
}

KScnTexture* KScnImportBuilder::CreateTexture(const char* name)
{
    KScnTexture* texture =
        mManager != nullptr ? mManager->CreateTexture(name != nullptr ? name : "") : nullptr;
    if (texture != nullptr)
    {
        mRenaming.Rename(texture);
        mTextures.push_back(texture);
    }
    return texture;
}

void KScnImportBuilder::AddTake(const char* name)
{
    const std::string take = name != nullptr ? name : "";
    if (!take.empty() && std::find(mTakes.begin(), mTakes.end(), take) == mTakes.end())
        mTakes.push_back(take);
}

bool KScnImportBuilder::Commit()
{
    KScnNode* root = mScene != nullptr ? mScene->GetRootNode() : nullptr;
    if (root == nullptr)
    {
        Rollback();
        return false;
    }
    const std::vector<std::string> earlierTakes = KScnReadUndo::TakeNames(*mScene);
    KScnSceneContents* contents = mScene->GetContents();
    for (KScnMaterial* material : mMaterials)
        contents->AddMaterial(material);
    for (KScnTexture* texture : mTextures)
        contents->AddTexture(texture);
    if (!mKeepTakes)
    {
        // Read, but not wanted: the nodes made lose the takes they were keyed in.
        for (KScnNode* node : mNodes)
            for (const std::string& take : mTakes)
                for (int i = node->GetTakeNodeCount() - 1; i > 0; --i)
                    if (take == node->GetTakeNodeName(i))
                        node->RemoveTakeNode(i);
        mTakes.clear();
    }
    // A node left out of the tree would hang outside the scene's lists.
    for (KScnNode* node : mTopNodes)
        if (node->GetParent() == nullptr && !root->AddChild(node))
            throw std::runtime_error(std::string("node ") + node->GetName() + " could not be attached");
    // This read's nodes only: an earlier read's bones keep what their caller set.
    mScene->FixSkeletonInheritType(mNodes);
    // Every take owner of the scene (the new objects, its root and camera
    // switcher, what earlier imports made) gets the takes, so that the scene
    // can make one current for all; the new objects get the scene's earlier
    // takes too.
    for (const std::string& take : earlierTakes)
        mScene->AddTakeWhereMissing(take.c_str());
    std::vector<KScnTakeDescription> descriptions;
    for (const std::string& take : mTakes)
    {
        mScene->AddTakeWhereMissing(take.c_str());
        KScnTakeDescription description;
        description.mName = take.c_str();
        description.mImportName = take.c_str();
        descriptions.push_back(description);
    }
    // All listed or none, so that a failed read leaves the list as it was.
    mScene->SetTakeInfos(descriptions);
    Forget();
    return true;
}

void KScnImportBuilder::Rollback()
{
    if (mManager != nullptr)
    {
        // Top nodes take their subtrees and attributes with them (those
        // attached under others go with those).
        for (auto it = mTopNodes.rbegin(); it != mTopNodes.rend(); ++it)
            if ((*it)->GetParent() == nullptr)
                mManager->DestroyNode(*it, true);
        for (KScnMaterial* material : mMaterials)
            mManager->DestroyMaterial(material);
        for (KScnTexture* texture : mTextures)
            mManager->DestroyTexture(texture);
    }
    Forget();
}

void KScnImportBuilder::Forget()
{
    mNodes.clear();
    mMade.clear();
    mTopNodes.clear();
    mMaterials.clear();
    mTextures.clear();
    mTakes.clear();
    mRenaming.Clear();
}

} // namespace scenesdk
