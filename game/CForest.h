#pragma once

#include "app/CSettings.h"
#include "game/IGameObj.h"
#include "render/CAlphaTestRenderHook.h"

#include <cstdint>
#include <string>
#include <vector>

class CImage;
class CSceneGraphNode;
class CTerrain;
class CTreeObj;

// The trees of the level (type 0), planted from a plant map over the
// terrain: one map pixel per terrain area, whose blue, green and red bytes
// give the number of trees of kinds 1, 2 and 3 there. The forest is the
// trees' only owner (they are not in the game controller's lists and never
// update); their representations live in a hook tree of the scene graph
// drawn with alpha test.
class CForest : public IGameObj
{
public:
    explicit CForest(CGameCtrl* owner);
    ~CForest() override;

    // The section's forest keys: the plant map and the tree models, kind 1
    // first.
    struct SForestSettings
    {
        std::string treemap;
        std::vector<std::string> models;
    };
    // Reads "Treemap", "NmbTrees" (0 to 100, more clamped) and "TreeModel1"
    // .. "TreeModel<n>" as Create does; false with the fault (not logged)
    // for a missing key or a refused count (the models read before a
    // missing one stay in settings). The start-up check shares it.
    static bool ReadSettings(const std::string& section, SForestSettings& settings, SSettingsFault& fault);
    // Loads a plant map (a TGA image) into image; false when it cannot be
    // read or holds no pixels.
    static bool LoadPlantMap(const std::string& fileName, CRefPtr<CImage>& image);

    // Drops the render hook and every tree, then the object's kill.
    void Kill() override;
    // Keeps the terrain (not counted), adds the alpha-tested hook tree to
    // the owner's scene graph, reads "Treemap", "NmbTrees" and "TreeModel1"
    // .. "TreeModel<n>" from the section, loads the plant map and plants.
    // False (logged) for a missing key, a "NmbTrees" outside 0 to 100 or an
    // unreadable plant map.
    virtual bool Create(const std::string& section, CTerrain* terrain);
    // Plants the trees of a plant map (bytesPerPixel 3 or 4, rows in stored
    // order along world z) over the terrain's extent, with the game's random
    // source. Without tree models nothing is planted (logged). Each tree
    // model is loaded with the first tree of its kind: one that fails is
    // said once with its key, and its trees stand without a model (nothing
    // more is logged for them).
    virtual void PlantTrees(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel);
    // The hook tree the trees are filed in; null before Create or without a
    // scene graph.
    virtual CSceneGraphNode* GetNode() const { return m_pNode; }
    // Kills every tree whose bounding sphere strictly overlaps the object's
    // (its model's, or for an object without one the sphere it gives of its
    // collision shape) and drops them, keeping the order of the rest.
    void RemoveTreesAt(IGameObj* object);
    // Files the tree into the hook tree (when it has a representation) and
    // takes it into the forest.
    void AddTree(const CRefPtr<CTreeObj>& tree);

    CTerrain* GetTerrain() const { return m_pTerrain; }
    const std::vector<std::string>& GetModelNames() const { return m_ModelNames; }
    const std::vector<CRefPtr<CTreeObj>>& GetTrees() const { return m_Trees; }

protected:
    void OnUpdate(float /*dt*/) override {}

private:
    void DropTrees();
    // The trees of the plant-map cell x0..x0+w by z0..z0+d: counts per kind
    // on a ring around its centre, kept inside the cell.
    void PlantCell(const int counts[3], float x0, float z0, float w, float d);

    // Whether the tree model loads, asked of the model factory (and a
    // failure said with its key) for the first tree of that kind only.
    bool ModelLoads(size_t model);
    enum : int8_t
    {
        kModelUnknown = -1,
        kModelFails = 0,
        kModelLoads = 1
    };

    CTerrain* m_pTerrain;
    std::string m_strSection;
    std::vector<std::string> m_ModelNames;
    std::vector<int8_t> m_ModelLoads;
    std::vector<CRefPtr<CTreeObj>> m_Trees;
    CSceneGraphNode* m_pNode;
    CRefPtr<CAlphaTestRenderHook> m_pRenderHook;
};
