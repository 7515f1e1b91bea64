// The scene reader's character poses: each fills the private scene of a
// pose with its nodes and its character "PoseCharacter".

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReaderScnSceneParts.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace scenesdk
{
namespace scnread
{

namespace
{

bool Is(KScn& f, const char* name)
{
    return std::strcmp(f.GetFieldName(), name) == 0;
}

void ReadPoseNode(KScn& f, SPoseNode& node, int& skipped)
{
    node.name = f.NextValueAsString();
    // A pose's nodes have no attribute.
    skipped += f.RemainingValueCount() > 0 ? 1 : 0;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    while (f.OpenNextField())
    {
        if (Is(f, "Properties"))
        {
            std::vector<SValues> list = ReadProperties(f);
            node.properties.insert(node.properties.end(), list.begin(), list.end());
        }
        else if (Is(f, "Children"))
            while (f.RemainingValueCount() > 0)
                node.children.emplace_back(f.NextValueAsString());
    }
    f.LeaveFieldBlock();
}

// The node's own properties, the transform through the node's setters as
// a model's are.
void ApplyPoseNodeProperties(KScnNode& node, const std::vector<SValues>& list, int& skipped)
{
    for (const SValues& p : list)
    {
        const std::vector<double>& v = p.numbers;
        if (p.name == "Lcl Translation" && v.size() >= 3)
            node.SetLocalTranslation(v[0], v[1], v[2]);
        else if (p.name == "Lcl Rotation" && v.size() >= 3)
            node.SetLocalRotation(v[0], v[1], v[2]);
        else if (p.name == "Lcl Scaling" && v.size() >= 3)
            node.SetLocalScaling(v[0], v[1], v[2]);
        else if (p.name == "Visibility" && !v.empty())
            node.SetVisibility(v[0] != 0.0);
        else if (!SetByName(node.GetPropertyHandler(), p))
            ++skipped;
    }
}

} // namespace

bool OrderHierarchy(const std::vector<std::string>& names,
                    const std::vector<const std::vector<std::string>*>& children,
                    std::vector<size_t>& deepestFirst, int& skipped, std::string& error)
{
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < names.size(); ++i)
        index[names[i]] = i;
    const size_t n = names.size();
    std::vector<long> parent(n, -1);
    for (size_t i = 0; i < n; ++i)
        for (const std::string& child : *children[i])
        {
            const auto it = index.find(child);
            if (it == index.end())
            {
                ++skipped;
                continue;
            }
            if (parent[it->second] >= 0 || it->second == i)
            {
                error = "model \"" + child + "\" is a child twice or of itself";
                return false;
            }
            parent[it->second] = static_cast<long>(i);
        }
    // The depth of each node, found once: a walk up stops at a node whose
    // depth is known; meeting a node of the current walk again is a cycle.
    constexpr long kUnknown = -1, kOnWalk = -2;
    std::vector<long> depth(n, kUnknown);
    std::vector<size_t> walk;
    for (size_t i = 0; i < n; ++i)
    {
        walk.clear();
        long p = static_cast<long>(i);
        while (p >= 0 && depth[static_cast<size_t>(p)] == kUnknown)
        {
            depth[static_cast<size_t>(p)] = kOnWalk;
            walk.push_back(static_cast<size_t>(p));
            p = parent[static_cast<size_t>(p)];
        }
        if (p >= 0 && depth[static_cast<size_t>(p)] == kOnWalk)
        {
            error = "cycle of children through model \"" + names[i] + "\"";
            return false;
        }
        long d = p >= 0 ? depth[static_cast<size_t>(p)] + 1 : 0;
        if (d + static_cast<long>(walk.size()) > kMaxModelDepth)
        {
            error = "models nested deeper than " + std::to_string(kMaxModelDepth);
            return false;
        }
        for (auto it = walk.rbegin(); it != walk.rend(); ++it)
            depth[*it] = d++;
    }
    deepestFirst.clear();
    for (size_t i = 0; i < n; ++i)
        if (!children[i]->empty())
            deepestFirst.push_back(i);
    std::stable_sort(deepestFirst.begin(), deepestFirst.end(),
                     [&depth](size_t a, size_t b) { return depth[a] > depth[b]; });
    return true;
}

bool ReadCharacterPose(KScn& f, SCharacterPose& pose, std::string& error)
{
    pose.name = f.NextValueAsString();
    bool ok = true;
    if (f.HasFieldBlock() && f.EnterFieldBlock())
    {
        while (ok && f.OpenNextField())
        {
            if (Is(f, "Model"))
            {
                pose.nodes.emplace_back();
                ReadPoseNode(f, pose.nodes.back(), pose.skipped);
            }
            else if (Is(f, "Character") && !pose.hasCharacter)
            {
                pose.hasCharacter = true;
                ok = ReadCharacter(f, pose.character, error);
            }
        }
        f.LeaveFieldBlock();
    }
    pose.character.name = "PoseCharacter";
    std::vector<std::string> names;
    std::vector<const std::vector<std::string>*> children;
    std::set<std::string> seen;
    for (const SPoseNode& node : pose.nodes)
    {
        if (ok && !seen.insert(node.name).second)
        {
            error = "repeated Model \"" + node.name + "\"";
            ok = false;
        }
        names.push_back(node.name);
        children.push_back(&node.children);
    }
    ok = ok && OrderHierarchy(names, children, pose.parentsDeepestFirst, pose.skipped, error);
    if (!ok)
        error = "character pose \"" + pose.name + "\": " + error;
    return ok;
}

void BuildCharacterPose(KScnSdkManager* manager, KScnSceneRoot& scene, const SCharacterPose& pose,
                        int& skipped)
{
    KScnCharacterPose* made = scene.GetCharacterPose(scene.CreateCharacterPose(pose.name.c_str()));
    KScnSceneRoot* own = made != nullptr ? made->GetScene() : nullptr;
    if (own == nullptr)
        return;
    skipped += pose.skipped;
    std::map<std::string, KScnNode*> nodes;
    std::vector<KScnNode*> created;
    for (const SPoseNode& s : pose.nodes)
    {
        KScnNode* node = manager->CreateNode(s.name.c_str());
        for (const std::string& child : s.children)
            node->AddChildName(child.c_str());
        ApplyPoseNodeProperties(*node, s.properties, skipped);
        nodes[s.name] = node;
        created.push_back(node);
    }
    std::set<KScnNode*> hasParent;
    for (size_t i : pose.parentsDeepestFirst)
        for (const std::string& child : pose.nodes[i].children)
        {
            const auto it = nodes.find(child);
            if (it != nodes.end() && created[i]->AddChild(it->second))
                hasParent.insert(it->second);
        }
    for (KScnNode* node : created)
        if (hasParent.count(node) == 0)
            own->GetRootNode()->AddChild(node);
    KScnCharacter* character = own->GetCharacter(0);
    if (!pose.hasCharacter || character == nullptr)
        return;
    SMadeCharacters characters;
    FillCharacter(*own, character, pose.character, nodes, characters, skipped);
    // A pose's character has no other character or plug to take its motion
    // from.
    skipped += pose.character.sourceKind.empty() ? 0 : 1;
}

} // namespace scnread
} // namespace scenesdk
