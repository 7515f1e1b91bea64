#include "game/CForest.h"

#include "app/CEngineServices.h"
#include "app/CSettings.h"
#include "app/Log.h"
#include "game/CGameCtrl.h"
#include "game/CTerrain.h"
#include "game/CTreeObj.h"
#include "game/GameRandom.h"
#include "render/CSceneGraph.h"
#include "render/CTextureLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

const float kPi = 3.1415927f;
// A byte of 255 gives 12 trees.
const double kTreesPerUnit = 0.0470588244;
const int kMaxRandom = gamerandom::kMax;
const long kMaxTreeKinds = 100;

float Unit()
{
    return static_cast<float>(gamerandom::Next()) / kMaxRandom;
}

bool Read(const std::string& section, const std::string& key, std::string& value)
{
    CSettings* settings = CSettings::GetInstance();
    return settings && settings->GetValue(section, key, value);
}

} // namespace

bool CForest::ReadSettings(const std::string& section, SForestSettings& settings, SSettingsFault& fault)
{
    auto missing = [&section](const std::string& key)
    { return "Error: Couldn't get \"" + key + "\"-Value from \"" + section + "\" in CForestr::Create"; };
    if (!Read(section, "Treemap", settings.treemap))
    {
        fault.Set(section, "Treemap", "the forest needs its plant map", missing("Treemap"));
        return false;
    }
    // Up to 100 tree kinds (more are clamped); a count below 0 is refused
    // like a missing one.
    const CSettings::SNumberLimits limits = {0.0, static_cast<double>(kMaxTreeKinds), true, false};
    double read = 0.0;
    CSettings* settingsFile = CSettings::GetInstance();
    if (!settingsFile || !settingsFile->GetLimitedNumber(section, "NmbTrees", limits, read))
    {
        fault.Set(section, "NmbTrees", "a whole number of tree models from 0 to 100", missing("NmbTrees"));
        return false;
    }
    const long n = static_cast<long>(read);
    settings.models.clear();
    for (long i = 1; i <= n; ++i)
    {
        const std::string key = "TreeModel" + std::to_string(i);
        std::string model;
        if (!Read(section, key, model))
        {
            // The reader's line has always had a blank after the number.
            fault.Set(section, key, "\"NmbTrees\" names " + std::to_string(n) + " tree models",
                      "Error: Couldn't get \"" + key + " \"-Value from \"" + section +
                          "\" in CForestr::Create");
            return false;
        }
        settings.models.push_back(model);
    }
    return true;
}

bool CForest::LoadPlantMap(const std::string& fileName, CRefPtr<CImage>& image)
{
    CRefPtr<CImage> loaded(new CImage);
    CTextureLoader loader;
    if (!loader.LoadImage(fileName, loaded) || !loaded->HasPixels())
        return false;
    image = loaded;
    return true;
}

CForest::CForest(CGameCtrl* owner) : IGameObj(owner, TYPE_ENVIRONMENT), m_pTerrain(nullptr), m_pNode(nullptr)
{
}

CForest::~CForest()
{
    DropTrees();
}

void CForest::Kill()
{
    m_pRenderHook.Release();
    DropTrees();
    IGameObj::Kill();
}

void CForest::DropTrees()
{
    // Each tree leaves the hook tree now, even one a caller still holds.
    std::vector<CRefPtr<CTreeObj>> trees;
    trees.swap(m_Trees);
    for (CRefPtr<CTreeObj>& tree : trees)
        tree->Kill();
}

bool CForest::Create(const std::string& section, CTerrain* terrain)
{
    m_pTerrain = terrain;
    m_strSection = section;
    m_pRenderHook = new CAlphaTestRenderHook;
    if (CSceneGraph* scene = m_pOwner ? m_pOwner->GetScene().Get() : nullptr)
        m_pNode = scene->AddHookNode(CRefPtr<IRenderHook>(m_pRenderHook.Get()));

    SForestSettings settings;
    SSettingsFault fault;
    const bool read = ReadSettings(section, settings, fault);
    // The names read before a missing one stay, as the forest read them.
    m_ModelNames = settings.models;
    if (!read)
    {
        Log(1, "%s", fault.logLine.c_str());
        return false;
    }
    CRefPtr<CImage> image;
    if (!LoadPlantMap(settings.treemap, image))
    {
        Log(1, "Could not Load PlantMap %s in CForest::Create()!", settings.treemap.c_str());
        return false;
    }
    PlantTrees(image->m_Pixels.data(), image->m_usWidth, image->m_usHeight, image->m_bHasAlpha ? 4 : 3);
    return true;
}

void CForest::PlantTrees(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel)
{
    if (!pixels || width == 0 || height == 0 || bytesPerPixel < 3 || !m_pTerrain)
        return;
    if (m_ModelNames.empty())
    {
        Log(1, "Error: No tree models in CForest::PlantTrees, no trees planted");
        return;
    }
    m_ModelLoads.clear();
    const float w = m_pTerrain->GetInfo().GetSizeX() / width;
    const float d = m_pTerrain->GetInfo().GetSizeZ() / height;
    for (uint32_t y = 0; y < height; ++y)
    {
        for (uint32_t x = 0; x < width; ++x)
        {
            const uint8_t* pixel = pixels + (static_cast<size_t>(y) * width + x) * bytesPerPixel;
            int counts[3];
            for (int k = 0; k < 3; ++k)
                counts[k] = static_cast<int>(pixel[k] * kTreesPerUnit);
            if (counts[0] + counts[1] + counts[2] == 0)
                continue;
            PlantCell(counts, x * w, y * d, w, d);
        }
    }
}

bool CForest::ModelLoads(size_t model)
{
    if (m_ModelLoads.size() != m_ModelNames.size())
        m_ModelLoads.assign(m_ModelNames.size(), kModelUnknown);
    if (m_ModelLoads[model] == kModelUnknown)
    {
        CEngineServices* services = CEngineServices::GetInstance();
        CRefPtr<CModelFactory> factory = services ? services->GetModelFactory() : CRefPtr<CModelFactory>();
        // Without a factory each tree says for itself that it has no model.
        m_ModelLoads[model] = !factory || factory->getModel(m_ModelNames[model]) ? kModelLoads : kModelFails;
        if (m_ModelLoads[model] == kModelFails)
        {
            CSettings* settings = CSettings::GetInstance();
            const std::string key = "TreeModel" + std::to_string(model + 1);
            const std::string where = settings && !m_strSection.empty()
                                          ? settings->DescribeKey(m_strSection, key)
                                          : key + " = " + m_ModelNames[model];
            Log(1, "Error: %s: the tree model cannot be loaded; its trees are not drawn", where.c_str());
        }
    }
    return m_ModelLoads[model] == kModelLoads;
}

void CForest::PlantCell(const int counts[3], float x0, float z0, float w, float d)
{
    const float cx = x0 + w * 0.5f, cz = z0 + d * 0.5f;
    // Half the cell's diagonal.
    const float radius = std::sqrt((w * 0.5f) * (w * 0.5f) + (d * 0.5f) * (d * 0.5f));
    const int n = counts[0] + counts[1] + counts[2];
    // Kinds shuffled into n ring slots: kinds 1 and 2 take random free
    // slots, the rest keep kind 0.
    std::vector<int> slots(n, 0);
    for (int kind = 1; kind <= 2; ++kind)
    {
        for (int i = 0; i < counts[kind]; ++i)
        {
            int slot =
                std::min(static_cast<int>(static_cast<float>(gamerandom::Next()) * n / kMaxRandom), n - 1);
            while (slots[slot] != 0)
                slot = (slot + 1) % n;
            slots[slot] = kind;
        }
    }
    const float step = 2.0f * kPi / n;
    // tan(step) grows without bound near a quarter turn: the sideways spread
    // stays within the radial distance.
    const float spread = std::max(-1.0f, std::min(1.0f, std::tan(step)));
    const float start = Unit() * 2.0f * kPi;
    const int models = static_cast<int>(m_ModelNames.size());
    for (int k = 0; k < n; ++k)
    {
        const float a = k * step + start;
        const float r = Unit() * radius;
        const float t = (2.0f * Unit() - 1.0f) * spread * r;
        const float scale = (Unit() - 0.5f) * 0.8f + 1.0f;
        const float yaw = Unit() * 2.0f * kPi;
        float x = cx + r * std::cos(a) - t * std::sin(a);
        float z = cz + r * std::sin(a) + t * std::cos(a);
        // The ring reaches past the cell's sides: a cell left empty on the
        // map (the town) must stay free of its neighbours' trees.
        x = std::max(x0, std::min(x0 + w, x));
        z = std::max(z0, std::min(z0 + d, z));

        const int model = std::min(slots[k], models - 1);
        CRefPtr<CTreeObj> tree(new CTreeObj(m_pOwner, m_ModelNames[model], ModelLoads(model)));
        tree->SetPosition(CVector3(x, m_pTerrain->GetInfo().GetHeightAt(x, z), z));
        tree->SetScale(CVector3(scale, scale, scale));
        tree->SetRotation(CVector3(0.0f, yaw, 0.0f));
        AddTree(tree);
    }
}

void CForest::AddTree(const CRefPtr<CTreeObj>& tree)
{
    if (!tree)
        return;
    tree->AttachToForest(this);
    m_Trees.push_back(tree);
}

void CForest::RemoveTreesAt(IGameObj* object)
{
    if (!object)
        return;
    // An object without a model (the player) gives the sphere of its
    // collision shape.
    SBoundingSphere sphere;
    object->GetBoundingSphere(sphere);
    if (!(sphere.radius > 0.0f))
        return;
    for (CRefPtr<CTreeObj>& tree : m_Trees)
    {
        if (!tree->GetRepresentation())
            continue;
        SBoundingSphere s;
        tree->GetBoundingSphere(s);
        const CVector3 delta = s.centre - sphere.centre;
        const float reach = s.radius + sphere.radius;
        // Touching spheres keep the tree.
        if (delta.x * delta.x + delta.y * delta.y + delta.z * delta.z < reach * reach)
            tree->Kill();
    }
    m_Trees.erase(std::remove_if(m_Trees.begin(), m_Trees.end(),
                                 [](const CRefPtr<CTreeObj>& tree) { return tree->IsDead(); }),
                  m_Trees.end());
}
