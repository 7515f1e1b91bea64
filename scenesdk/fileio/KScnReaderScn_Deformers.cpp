// The scene reader's deformers: skins, their clusters and the links the
// scene binds from them.

#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnReaderScnSceneParts.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
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

// The matrix fields, in SDeformer::matrices order.
const char* const kMatrices[4] = {"Transform", "TransformLink", "AssociateModel", "TransformParent"};

bool Is(KScn& f, const char* name)
{
    return std::strcmp(f.GetFieldName(), name) == 0;
}

KgeTransformMatrix Matrix(const std::vector<double>& v)
{
    KgeTransformMatrix m;
    for (int i = 0; i < 16; ++i)
        m[i] = v[static_cast<size_t>(i)];
    return m;
}

bool UniqueDeformers(const std::vector<SDeformer>& list, const char* kind, std::string& error)
{
    std::set<std::string> names;
    for (const SDeformer& d : list)
        if (!names.insert(d.name).second)
        {
            error = std::string("repeated ") + kind + " \"" + d.name + "\"";
            return false;
        }
    return true;
}

// The plain link data, the same members in both kinds.
void ApplyLinkData(KScnDeformer& d, const SDeformer& s)
{
    d.SetMultiLayer(s.multiLayer);
    d.SetLinkDeformAccuracy(s.accuracy);
    d.SetUserData(s.userDataId.c_str(), s.userData.c_str());
    if (!s.cluster)
        return;
    d.SetLinkMode(s.mode);
    for (size_t i = 0; i < s.indices.size(); ++i)
        d.AddControlPoint(s.indices[i], s.weights[i]);
    if (!s.matrices[0].empty())
        d.SetTransform(Matrix(s.matrices[0]));
    if (!s.matrices[1].empty())
        d.SetTransformLink(Matrix(s.matrices[1]));
    if (!s.matrices[2].empty())
        d.SetTransformAssociateModel(Matrix(s.matrices[2]));
    if (!s.matrices[3].empty())
        d.SetTransformParent(Matrix(s.matrices[3]));
}

// Puts the model's property set in a cluster's source list; a model the
// file does not define, or one the list refuses, is counted.
void AddModel(KPropertyObjectList* list, const std::string& model,
              const std::map<std::string, KScnNode*>& nodes, int& skipped)
{
    if (model.empty())
        return;
    const auto it = nodes.find(model);
    if (list == nullptr || it == nodes.end() || !list->Add(it->second->GetPropertyHandler()))
        ++skipped;
}

// Makes the objects of those names sources of the set, in order; a name
// the file does not define, or one given again, is counted.
void Connect(KScnPropertyHandler* set, const std::vector<std::string>& names,
             const std::map<std::string, KScnTakeNodeContainer*>& objects, int& skipped)
{
    std::set<std::string> seen;
    for (const std::string& name : names)
    {
        const auto it = objects.find(name);
        if (it == objects.end() || !seen.insert(name).second ||
            !set->ConnectSrc(it->second->GetPropertyHandler()))
            ++skipped;
    }
}

} // namespace

bool ReadDeformer(KScn& f, SDeformer& d, std::string& error)
{
    d.name = f.NextValueAsString();
    if (f.RemainingValueCount() > 0)
        d.type = f.NextValueAsString();
    if (!f.HasFieldBlock() || !f.EnterFieldBlock())
        return true;
    bool ok = true;
    while (ok && f.OpenNextField())
    {
        const int matrix = static_cast<int>(
            std::find_if(kMatrices, kMatrices + 4, [&f](const char* name) { return Is(f, name); }) -
            kMatrices);
        if (matrix < 4 && d.cluster)
        {
            d.matrices[matrix] = Numbers(f);
            if (d.matrices[matrix].size() != 16)
            {
                error = "sub-deformer \"" + d.name + "\": " + kMatrices[matrix] + " is not 16 numbers";
                ok = false;
            }
        }
        else if (Is(f, "Clusters"))
            while (f.RemainingValueCount() > 0)
                d.clusters.emplace_back(f.NextValueAsString());
        else if (Is(f, "Model"))
            d.model = f.NextValueAsString();
        else if (Is(f, "ModelReference"))
            d.modelReference = f.NextValueAsString();
        else if (Is(f, "Properties"))
        {
            std::vector<SValues> list = ReadProperties(f);
            d.properties.insert(d.properties.end(), list.begin(), list.end());
        }
        else if (Is(f, "UserData"))
        {
            d.userDataId = f.NextValueAsString();
            d.userData = f.NextValueAsString();
        }
        else if (Is(f, "Indices"))
        {
            d.indices.resize(static_cast<size_t>(f.RemainingValueCount()));
            d.indices.resize(
                static_cast<size_t>(f.NextValuesAsInt(d.indices.data(), static_cast<int>(d.indices.size()))));
        }
        else if (Is(f, "Weights"))
            d.weights = Numbers(f);
        else if (Is(f, "MultiLayer"))
            d.multiLayer = f.NextValueAsInt() != 0;
        else if (Is(f, "Link_DeformAcuracy"))
            d.accuracy = f.NextValueAsDouble();
        else if (Is(f, "Mode"))
            d.mode = KScnDeformer::LinkModeFromText(f.NextValueAsString());
    }
    f.LeaveFieldBlock();
    return ok;
}

bool CheckDeformers(const SSceneParts& parts, const std::map<std::string, size_t>& pointCounts,
                    std::string& error)
{
    if (!UniqueDeformers(parts.skins, "Deformer", error) ||
        !UniqueDeformers(parts.clusters, "SubDeformer", error))
        return false;
    // The highest index of each cluster, then of each skin's clusters, so
    // that every mesh is checked against its skins once.
    std::map<std::string, long> clusterTop;
    for (const SDeformer& c : parts.clusters)
    {
        if (c.indices.size() != c.weights.size())
        {
            error = "sub-deformer \"" + c.name + "\": " + std::to_string(c.indices.size()) + " indices and " +
                    std::to_string(c.weights.size()) + " weights";
            return false;
        }
        long top = -1;
        for (int index : c.indices)
        {
            if (index < 0)
            {
                error = "sub-deformer \"" + c.name + "\": index " + std::to_string(index) + " out of range";
                return false;
            }
            top = std::max(top, static_cast<long>(index));
        }
        clusterTop[c.name] = top;
    }
    std::map<std::string, std::pair<long, std::string>> skinTop; // highest index, its cluster
    for (const SDeformer& s : parts.skins)
    {
        std::pair<long, std::string>& top = skinTop[s.name];
        top.first = -1;
        for (const std::string& name : s.clusters)
        {
            const auto it = clusterTop.find(name);
            if (it != clusterTop.end() && it->second > top.first)
                top = {it->second, name};
        }
    }
    for (const auto& model : parts.modelDeformers)
    {
        const auto points = pointCounts.find(model.first);
        for (size_t i = 0; points != pointCounts.end() && i < model.second.size(); ++i)
        {
            const auto top = skinTop.find(model.second[i]);
            if (top != skinTop.end() && top->second.first >= static_cast<long>(points->second))
            {
                error = "sub-deformer \"" + top->second.second + "\": index " +
                        std::to_string(top->second.first) + " out of range of the mesh of model \"" +
                        model.first + "\"";
                return false;
            }
        }
    }
    return true;
}

void BuildDeformers(KScnSdkManager* manager, KScnSceneRoot& scene, const SSceneParts& parts,
                    const std::map<std::string, KScnNode*>& nodes, SMadeParts& made, int& skipped)
{
    KScnSceneContents* contents = scene.GetContents();
    for (const std::vector<SDeformer>* list : {&parts.skins, &parts.clusters})
        for (const SDeformer& s : *list)
        {
            KScnDeformer* d = manager->CreateDeformer(s.name.c_str(), s.cluster ? "Cluster" : "Skin");
            contents->AddObject(d);
            ApplyLinkData(*d, s);
            for (const SValues& p : s.properties)
                if (!SetByName(d->GetPropertyHandler(), p))
                    ++skipped;
            (s.cluster ? made.clusters : made.skins)[s.name] = d;
            if (!s.cluster)
                continue;
            auto* set = static_cast<KScnClusterDeformerProperties*>(d->GetPropertyHandler());
            AddModel(set->GetSrcModel(), s.model, nodes, skipped);
            AddModel(set->GetSrcModelReference(), s.modelReference, nodes, skipped);
        }
    // Clusters are sources of their skins, skins sources of their models.
    for (const SDeformer& s : parts.skins)
        Connect(made.skins[s.name]->GetPropertyHandler(), s.clusters, made.clusters, skipped);
    for (const auto& model : parts.modelDeformers)
    {
        const auto node = nodes.find(model.first);
        if (node != nodes.end())
            Connect(node->second->GetPropertyHandler(), model.second, made.skins, skipped);
    }
    if (!parts.skins.empty())
        scene.BindDeformerLinks();
}

} // namespace scnread
} // namespace scenesdk
