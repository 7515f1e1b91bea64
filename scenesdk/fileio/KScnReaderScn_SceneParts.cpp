// The scene reader's global settings, deformers and character poses
// together: one walk of the document that reads them, and their making once
// the models exist.

#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReaderScnSceneParts.h"

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

// The current Model field's Deformers, and its control point count when it
// is a mesh (the rest of the model is the main reader's): a Mesh block makes
// one, and a Mesh model without the block is an empty mesh.
void ReadModelDeformers(KScn& f, SSceneParts& parts, std::map<std::string, size_t>& pointCounts)
{
    const std::string name = f.NextValueAsString();
    if (std::strcmp(f.NextValueAsString(), "Mesh") == 0)
        pointCounts[name] = 0;
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return;
    std::vector<std::string> skins;
    while (f.OpenNextField())
    {
        if (Is(f, "Deformers"))
            while (f.RemainingValueCount() > 0)
                skins.emplace_back(f.NextValueAsString());
        else if (Is(f, "Mesh") && f.HasFieldBlock() && f.EnterFieldBlock())
        {
            pointCounts[name] =
                f.OpenField("ControlPoints") ? static_cast<size_t>(f.RemainingValueCount()) / 3 : 0;
            f.LeaveFieldBlock();
        }
    }
    f.LeaveFieldBlock();
    if (!skins.empty())
        parts.modelDeformers.emplace_back(name, std::move(skins));
}

bool ReadDeformerField(KScn& f, SSceneParts& parts, std::string& error)
{
    SDeformer d;
    d.cluster = Is(f, "SubDeformer");
    if (!ReadDeformer(f, d, error))
        return false;
    // The field name gives the kind; a type that is another kind's is not read.
    if (!d.type.empty() && d.type != (d.cluster ? "Cluster" : "Skin"))
        ++parts.skipped;
    else
        (d.cluster ? parts.clusters : parts.skins).push_back(std::move(d));
    return true;
}

} // namespace

bool IsScenePartKind(const char* fieldName)
{
    return std::strcmp(fieldName, "Deformer") == 0 || std::strcmp(fieldName, "SubDeformer") == 0 ||
           std::strcmp(fieldName, "CharacterPose") == 0;
}

bool ReadSceneParts(KScn& f, SSceneParts& parts, std::string& error)
{
    bool ok = ReadGlobalSettings(f, parts.settings, error);
    std::map<std::string, size_t> pointCounts;
    if (ok && f.OpenField("Objects") && f.HasFieldBlock() && f.EnterFieldBlock())
    {
        while (ok && f.OpenNextField())
        {
            if (Is(f, "Model"))
                ReadModelDeformers(f, parts, pointCounts);
            else if (Is(f, "Deformer") || Is(f, "SubDeformer"))
                ok = ReadDeformerField(f, parts, error);
            else if (Is(f, "CharacterPose"))
            {
                parts.poses.emplace_back();
                ok = ReadCharacterPose(f, parts.poses.back(), error);
            }
        }
    }
    f.Rewind();
    std::set<std::string> poses;
    for (const SCharacterPose& pose : parts.poses)
        if (ok && !poses.insert(pose.name).second)
        {
            error = "repeated CharacterPose \"" + pose.name + "\"";
            ok = false;
        }
    return ok && CheckDeformers(parts, pointCounts, error);
}

void BuildSceneParts(KScnSdkManager* manager, KScnSceneRoot& scene, const SSceneParts& parts,
                     const std::map<std::string, KScnNode*>& nodes, SMadeParts& made, int& skipped)
{
    skipped += parts.skipped;
    BuildDeformers(manager, scene, parts, nodes, made, skipped);
    for (const SCharacterPose& pose : parts.poses)
        BuildCharacterPose(manager, scene, pose, skipped);
    ApplyGlobalSettings(scene, parts.settings, skipped);
}

} // namespace scnread
} // namespace scenesdk
