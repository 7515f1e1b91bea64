// libFuzzer target: random sequences of public calls on a manager with two
// or three scenes, in every order the headers allow. The input is a program:
// each byte picks a call (nodes, hierarchy, scene membership, attributes,
// layers, materials, textures, videos, connections, takes, user properties,
// deformers and skin links, constraints, poses and character poses, generic
// nodes, triangulation, imports of the seed files into scenes that hold
// content, clears, destroys), the bytes after it pick its objects; the last
// bytes pick the order of the teardown. After every call the invariants are
// checked: what the scenes list is alive and listed once, parents and
// children agree, a scene's take names are the union of its owners', every
// take name is found on its owner, and nothing destroyed can be reached (the
// walk reads every object it reaches, which AddressSanitizer checks).
//
// Objects are never kept from one call to the next: each call picks them
// from the manager's lists (or by the names the program gave them), so the
// target itself never reads what a call destroyed. But for const curve
// pointers read from a node's take ("Transform" channels, which never leave
// a node): held across calls, and read after every call while their node
// lives and lists the take they came from (the tree a pointer came from
// lives as long as that take). And for the user-property handles the program
// made (records, handles of a property): held until the program destroys
// them, and read after every call, whatever object they were listed on or
// stood for has gone since. Calls write curve default values too: through
// a take's writable curves, through the default take's linked curves (which
// write the properties back) and through property setters. Nodes are linked
// under each other by every connection call as well as by AddChild: a node
// has one parent whichever call links it.

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"
#include "tools/fuzz/ScnFuzzFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

using namespace scenesdk;

namespace
{

// ---- The seed files the program imports ----------------------------------

struct Seed
{
    std::string path;
    int format;                // KScnImporter format; 0 reads from memory
    std::vector<uint8_t> data; // format 0 only
};

std::vector<Seed>& Seeds()
{
    static std::vector<Seed> seeds;
    return seeds;
}

void LoadSeeds()
{
    // Scene files (format 0, from memory) and foreign files (by name).
    const struct
    {
        const char* name;
        const char* extension;
    } files[] = {{"scene.txt", nullptr},
                 {"every-kind.txt", nullptr},
                 {"every-kind-binary.scn", nullptr},
                 {"attributes.txt", nullptr},
                 {"settings-deformers-poses.txt", nullptr},
                 {"sample.txt", nullptr},
                 {"model.obj", "obj"},
                 {"quad.3ds", "3ds"},
                 {"drawing.dxf", "dxf"},
                 {"motion-bvh.txt", "bvh"}};
    for (const auto& file : files)
    {
        Seed seed;
        seed.path = std::string(VOSTREL_FUZZ_SEEDS) + "/" + file.name;
        seed.format = file.extension != nullptr ? KScnImporter::FindFileFormat(file.extension) : 0;
        if (file.extension == nullptr)
        {
            std::ifstream in(seed.path, std::ios::binary);
            seed.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (seed.data.empty())
                continue;
        }
        Seeds().push_back(std::move(seed));
    }
}

KScnNodeAttribute* AsAttribute(KScnNodeAttribute* attribute)
{
    return attribute;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

#define CHECK(condition)                                                                                     \
    do                                                                                                       \
    {                                                                                                        \
        if (!(condition))                                                                                    \
            Fail(#condition);                                                                                \
    } while (0)

// ---- The program --------------------------------------------------------

class CProgram
{
public:
    CProgram(const uint8_t* data, size_t size) : m_pData(data), m_Size(size) {}

    void Run()
    {
        m_pManager = std::make_unique<KScnSdkManager>();
        const int scenes = 2 + Next() % 2;
        for (int i = 0; i < scenes; ++i)
            m_pManager->CreateScene();
        Check();
        // The last two bytes pick the teardown.
        const size_t teardownBytes = 2;
        static const bool trace = std::getenv("VOSTREL_FUZZ_TRACE") != nullptr;
        while (m_Pos + teardownBytes < m_Size && m_Calls < kMaxCalls)
        {
            const uint8_t op = Next();
            Call(op);
            if (trace)
                std::fprintf(stderr, "call %d: op %d: %d scenes, %d nodes, %d attributes, %d materials\n",
                             m_Calls, op % kCalls, M().GetSceneCount(), M().GetNodeCount(),
                             M().GetNodeAttributeCount(), M().GetMaterialCount());
            ++m_Calls;
            Check();
        }
        Teardown();
    }

private:
    static constexpr int kMaxCalls = 128;
    static constexpr int kCalls = 52;
    static constexpr int kMaxImports = 2;

    uint8_t Next() { return m_Pos < m_Size ? m_pData[m_Pos++] : 0; }
    bool Flip() { return (Next() & 1) != 0; }
    template <typename T> T* Pick(const std::vector<T*>& from)
    {
        return from.empty() ? nullptr : from[Next() % from.size()];
    }

    KScnSdkManager& M() { return *m_pManager; }

    // ---- Picking from the live lists ----
    std::vector<KScnSceneRoot*> Scenes()
    {
        std::vector<KScnSceneRoot*> out;
        for (int i = 0; i < M().GetSceneCount(); ++i)
            out.push_back(M().GetScene(i));
        return out;
    }
    KScnSceneRoot* PickScene() { return Pick(Scenes()); }
    KScnNode* PickNode()
    {
        const int n = M().GetNodeCount();
        return n > 0 ? M().GetNode(Next() % n) : nullptr;
    }
    KScnNodeAttribute* PickAttribute()
    {
        const int n = M().GetNodeAttributeCount();
        return n > 0 ? M().GetNodeAttribute(Next() % n) : nullptr;
    }
    KScnMaterial* PickMaterial()
    {
        const int n = M().GetMaterialCount();
        return n > 0 ? M().GetMaterial(Next() % n) : nullptr;
    }
    KScnTexture* PickTexture()
    {
        const int n = M().GetTextureCount();
        return n > 0 ? M().GetTexture(Next() % n) : nullptr;
    }
    KScnTakeNodeContainer* PickHandlerObject()
    {
        const int n = M().GetHandlerObjectCount();
        return n > 0 ? M().GetHandlerObject(Next() % n) : nullptr;
    }
    KScnGeometry* PickGeometry() { return dynamic_cast<KScnGeometry*>(PickAttribute()); }
    KScnMesh* PickMesh() { return dynamic_cast<KScnMesh*>(PickAttribute()); }
    // Names the program gives: a few of each, so that names repeat.
    std::string Name(const char* stem) { return stem + std::to_string(Next() % 4); }
    KScnVideo* PickVideo() { return M().FindVideo(Name("v").c_str()); }
    KScnPose* PickPose() { return M().FindPose(("Pose::" + Name("p")).c_str()); }
    KScnGenericNode* PickGenericNode() { return M().FindGenericNode(Name("g").c_str()); }
    KScnPropertyRef* PickRecord() { return M().FindUserProperty(Name("u").c_str()); }

    // Any object with takes and a property set.
    KScnTakeNodeContainer* PickContainer()
    {
        switch (Next() % 6)
        {
        case 0:
            return PickMaterial();
        case 1:
            return PickTexture();
        case 2:
            return PickHandlerObject();
        case 3:
            return PickVideo();
        case 4:
            return PickGenericNode();
        default:
            return PickNode();
        }
    }

    // ---- Calls ----
    void Call(uint8_t op);
    void Import();
    void Teardown();

    // ---- Invariants ----
    void Check();
    void CheckScene(KScnSceneRoot* scene);
    void CheckUserProperties(KScnObject* object);
    void CheckLayers(KScnLayerContainer* container);

    const uint8_t* m_pData;
    size_t m_Size;
    size_t m_Pos = 0;
    int m_Calls = 0;
    int m_Imports = 0;
    int m_Checks = 0;
    std::unique_ptr<KScnSdkManager> m_pManager;
    // Filled by Check from the manager's lists.
    std::unordered_set<const void*> m_Live;
    // Const curves read from a node's take, kept across calls.
    struct SHeldCurve
    {
        const KScnNode* node;
        const KScnTakeNodeEntry* take;
        const KFCurve* curve;
    };
    std::vector<SHeldCurve> m_Held;
    void HoldCurve();
    void WriteDefaults();
    void CheckHeldCurves();
    // The user-property handles the program made and has not destroyed.
    std::vector<KScnPropertyRef*> m_Handles;
    void HoldHandle(KScnPropertyRef* ref)
    {
        if (ref != nullptr && m_Handles.size() < 64)
            m_Handles.push_back(ref);
    }
    KScnPropertyRef* PickHandle() { return Pick(m_Handles); }
    bool DestroyHandle(KScnPropertyRef* ref)
    {
        m_Handles.erase(std::remove(m_Handles.begin(), m_Handles.end(), ref), m_Handles.end());
        return M().DestroyUserProperty(ref);
    }
    void CheckHeldHandles();
    // A node's property set linked straight to another's, by every call that
    // makes a link: a node has one parent whichever call links it.
    void LinkNodesDirectly();
};

void CProgram::Call(uint8_t op)
{
    KScnSdkManager& m = M();
    switch (op % kCalls)
    {
    case 0: // a node, hung under another
    {
        KScnNode* node = m.CreateNode(Name("n").c_str());
        if (KScnNode* parent = PickNode())
            parent->AddChild(node);
        break;
    }
    case 1:
        if (KScnNode* parent = PickNode())
            parent->AddChild(PickNode());
        break;
    case 2:
        if (KScnNode* parent = PickNode())
            parent->RemoveChild(parent->GetChild(Next() % 4));
        break;
    case 3: // often a node whose parent stays behind
        if (KScnNode* node = PickNode())
        {
            if (node->GetChildCount() > 0 && Flip())
                node = node->GetChild(Next() % node->GetChildCount());
            KScnSceneRoot* scene = PickScene();
            const bool check = Flip();
            node->SetSceneContents(scene != nullptr && Flip() ? scene->GetContents() : nullptr, check);
        }
        break;
    case 4:
        m.DestroyNode(PickNode(), Flip());
        break;
    case 5: // hidden nodes and attributes, by their scene
        if (KScnSceneRoot* scene = PickScene())
        {
            KScnSceneCameraSettings* cameras = scene->GetGlobalCameraSettings();
            KScnNode* hidden = Flip() ? scene->GetCameraSwitcherNode() : cameras->GetProducerNode(Next() % 7);
            switch (Next() % 4)
            {
            case 0:
                m.DestroyNode(hidden, Flip());
                break;
            case 1:
                m.DestroyNodeAttribute(hidden != nullptr ? hidden->GetNodeAttribute() : nullptr);
                break;
            case 2:
                if (KScnNode* other = PickNode())
                    Flip() ? other->AddChild(hidden) : (hidden != nullptr && hidden->AddChild(other));
                break;
            default:
                if (KScnNode* other = PickNode())
                    other->SetNodeAttribute(hidden != nullptr ? hidden->GetNodeAttribute() : nullptr);
                break;
            }
        }
        break;
    case 6: // an attribute on a node
        if (KScnNode* node = PickNode())
        {
            KScnNodeAttribute* made = nullptr;
            switch (Next() % 6)
            {
            case 0:
                made = m.CreateMesh();
                break;
            case 1:
                made = m.CreateCamera();
                break;
            case 2:
                made = AsAttribute(m.CreateNull());
                break;
            case 3:
                made = AsAttribute(m.CreateSkeleton());
                break;
            case 4:
                made = AsAttribute(m.CreateLight());
                break;
            default:
                made = AsAttribute(m.CreateMarker());
                break;
            }
            node->SetNodeAttribute(made);
            if (auto* mesh = dynamic_cast<KScnMesh*>(made))
            {
                mesh->InitControlPoints(4);
                for (int p = 0; p < 2; ++p)
                {
                    mesh->BeginPolygon();
                    for (int c = 0; c < 3 + p; ++c)
                        mesh->AddPolygonVertex(c);
                }
            }
        }
        break;
    case 7:
        if (KScnNode* node = PickNode())
            node->SetNodeAttribute(PickAttribute());
        break;
    case 8:
        m.DestroyNodeAttribute(PickAttribute());
        break;
    case 9:
        m.CreateMaterial(Name("m").c_str());
        break;
    case 10:
        m.CreateTexture(Name("t").c_str());
        break;
    case 11: // into a layer, directly or through indices
        if (KScnGeometry* geometry = PickGeometry())
        {
            const int layer = Next() % 2;
            const int at = Flip() ? geometry->AddMaterial(PickMaterial(), layer)
                                  : geometry->AddTexture(PickTexture(), layer);
            KScnLayer* l = geometry->GetLayer(layer);
            KScnLayerElement* e = l == nullptr ? nullptr
                                  : Flip()     ? l->GetMaterialElement()
                                               : l->GetTextureElement();
            if (e != nullptr && at >= 0)
            {
                e->SetReferenceMode(Flip() ? KScnLayerElement::eIndexToDirect : KScnLayerElement::eDirect);
                e->AddIndex(at);
            }
        }
        break;
    case 12:
        m.DestroyMaterial(PickMaterial());
        break;
    case 13:
        m.DestroyTexture(PickTexture());
        break;
    case 14:
        m.CreateVideo(Name("v").c_str());
        break;
    case 15:
        m.DestroyVideo(PickVideo());
        break;
    case 16: // a connection between two objects' property sets
    {
        KScnTakeNodeContainer* to = PickContainer();
        KScnTakeNodeContainer* from = PickContainer();
        if (to != nullptr && from != nullptr && to->GetPropertyHandler() != nullptr)
            Flip() ? to->GetPropertyHandler()->ConnectSrc(from->GetPropertyHandler())
                   : to->GetPropertyHandler()->DisconnectSrc(from->GetPropertyHandler());
        break;
    }
    case 17: // scene membership
        if (KScnSceneRoot* scene = PickScene())
        {
            KScnSceneContents* contents = scene->GetContents();
            switch (Next() % 6)
            {
            case 0:
                contents->AddNode(PickNode());
                break;
            case 1:
                Flip() ? contents->AddMaterial(PickMaterial()) : contents->RemoveMaterial(PickMaterial());
                break;
            case 2:
                Flip() ? contents->AddTexture(PickTexture()) : contents->RemoveTexture(PickTexture());
                break;
            case 3:
                contents->AddVideo(PickVideo());
                break;
            case 4:
                Flip() ? contents->AddObject(PickHandlerObject())
                       : contents->RemoveObject(PickHandlerObject());
                break;
            default:
                contents->RemoveNode(PickNode());
                break;
            }
        }
        break;
    case 18: // takes
        if (KScnTakeNodeContainer* owner = PickContainer())
        {
            switch (Next() % 3)
            {
            case 0:
                owner->AddTakeNode(Name("take").c_str());
                break;
            case 1:
                owner->RemoveTakeNode(Next() % 12);
                break;
            default:
                if (KScnTakeNodeEntry* take = owner->GetTakeNode(Next() % 12))
                    take->SetName(Name("take").c_str());
                break;
            }
        }
        break;
    case 19:
        if (KScnSceneRoot* scene = PickScene())
        {
            switch (Next() % 3)
            {
            case 0:
                scene->SetCurrentTake(Name("take").c_str());
                break;
            case 1:
                scene->AddTakeWhereMissing(Name("take").c_str());
                break;
            default:
            {
                KPointerArray<KString> names(16);
                scene->FillTakeNameList(names);
                KScnSceneRoot::ClearTakeNameList(names);
                break;
            }
            }
        }
        break;
    case 20: // a record of the manager's
        HoldHandle(m.CreateUserProperty(Name("u").c_str(), Flip() ? "Real" : "Bool", "label"));
        break;
    case 21:
        if (KScnTakeNodeContainer* owner = PickContainer())
            owner->CreatePropertyForRef(PickRecord());
        break;
    case 22: // a handle of one object's property, listed on another
        if (KScnTakeNodeContainer* owner = PickContainer())
        {
            KScnPropertyHandler* set = owner->GetPropertyHandler();
            const int n = set != nullptr ? set->GetPropertyCount() : 0;
            if (n > 0)
            {
                KScnPropertyRef* ref = m.CreateUserPropertyFromProperty(set->GetProperty(Next() % n));
                HoldHandle(ref);
                if (KScnTakeNodeContainer* lister = PickContainer())
                    lister->AddUserProperty(ref);
            }
        }
        break;
    case 23: // a record, or a handle held since the objects it was listed on went
        if (KScnTakeNodeContainer* lister = PickContainer())
            lister->AddUserProperty(Flip() ? PickRecord() : PickHandle());
        break;
    case 24:
        if (KScnPropertyRef* ref = PickRecord())
        {
            KScnPropertyHandler* handler = ref->GetHandler();
            if (handler != nullptr && Flip())
                handler->RemovePropertyForRef(ref);
            else
                DestroyHandle(ref);
        }
        break;
    case 25:
        if (KScnTakeNodeContainer* owner = PickContainer())
        {
            const int n = owner->GetUserPropertyCount();
            if (n > 0)
                DestroyHandle(owner->GetUserProperty(Next() % n));
        }
        break;
    case 26:
        m.CreateDeformer(Name("d").c_str(), Flip() ? "Cluster" : "Skin");
        break;
    case 27:
        if (KScnTakeNodeContainer* object = PickHandlerObject())
            Flip() ? m.DestroyObject(object) : m.DestroyDeformer(dynamic_cast<KScnDeformer*>(object));
        break;
    case 28:
        if (KScnSceneRoot* scene = PickScene())
            Flip() ? scene->BindDeformerLinks() : scene->DestroyAllDeformers();
        break;
    case 29: // a skin link of a geometry
        if (KScnGeometry* geometry = PickGeometry())
        {
            KScnLink* link = m.CreateLink();
            link->SetLink(PickNode());
            link->SetAssociateModel(PickNode());
            geometry->AddDeformer(link);
        }
        break;
    case 30: // a geometry's link: renamed, destroyed, given to another, let go
        if (KScnGeometry* geometry = PickGeometry())
        {
            if (KScnLink* link = geometry->GetLink(Next() % 4))
            {
                switch (Next() % 5)
                {
                case 0:
                    link->SetLink(PickNode());
                    break;
                case 1:
                    link->SetAssociateModel(PickNode());
                    break;
                case 2:
                    m.DestroyLink(link);
                    break;
                case 3:
                    if (KScnGeometry* other = PickGeometry())
                        other->AddLink(link);
                    break;
                default:
                    geometry->ClearLinks();
                    break;
                }
            }
        }
        break;
    case 31:
        m.CreateConstraint(Name("c").c_str(), 1 + Next() % 6);
        break;
    case 32:
        if (auto* constraint = dynamic_cast<KScnConstraint*>(PickHandlerObject()))
            Flip() ? constraint->DisconnectAll() : (void)m.DestroyConstraint(constraint);
        break;
    case 33:
        if (KScnSceneRoot* scene = PickScene())
            scene->AddPose(m.CreatePose(Name("p").c_str(), Flip()));
        break;
    case 34:
        m.DestroyPose(PickPose());
        break;
    case 35:
        if (KScnSceneRoot* scene = PickScene())
            Flip() ? (void)scene->CreateCharacterPose(Name("cp").c_str())
                   : (void)scene->DestroyCharacterPose(Next() % 3);
        break;
    case 36:
        if (KScnSceneRoot* scene = PickScene())
            Flip() ? (void)scene->AddGenericNode(m.CreateGenericNode(Name("g").c_str()))
                   : (void)scene->RemoveGenericNode(PickGenericNode());
        break;
    case 37:
        m.DestroyGenericNode(PickGenericNode());
        break;
    case 38:
        if (KScnMesh* mesh = PickMesh())
        {
            KScnTriangulator triangulator(&m);
            KScnMesh* triangles = triangulator.TriangulateMesh(*mesh);
            if (Flip())
                m.DestroyNodeAttribute(triangles);
        }
        break;
    case 39:
        Import();
        break;
    case 40:
        if (KScnSceneRoot* scene = PickScene())
            scene->Clear();
        break;
    case 41:
        m.DestroyScene(PickScene(), Flip());
        break;
    case 42: // two or three scenes of the program's own
    {
        int own = 0;
        for (KScnSceneRoot* scene : Scenes())
            own += m.IsOwned(scene) ? 0 : 1;
        if (own < 3)
            m.CreateScene();
        break;
    }
    case 43:
        if (KScnSceneRoot* scene = PickScene())
        {
            KScnNode* node = PickNode();
            const KString name = node != nullptr ? node->GetNameWithoutPrefix() : KString("x");
            scene->GetGlobalCameraSettings()->SetDefaultCamera(name.Buffer());
        }
        break;
    case 44:
        if (KScnSceneRoot* scene = PickScene())
            scene->SetCameraSwitcherNode(PickNode());
        break;
    case 45:
        if (KScnSceneRoot* scene = PickScene())
            Flip() ? scene->BindMaterialsToLayers() : scene->BindTexturesToLayers();
        break;
    case 46:
        if (KScnNode* node = PickNode())
            Flip() ? node->SetTarget(PickNode()) : node->SetTargetUp(PickNode());
        break;
    case 47: // shapes of a geometry
        if (KScnGeometry* geometry = PickGeometry())
        {
            switch (Next() % 4)
            {
            case 0:
                geometry->AddShape(m.CreateShape(), Name("s").c_str());
                break;
            case 1:
                m.DestroyShape(geometry->GetShape(Next() % 3));
                break;
            case 2:
                if (KScnGeometry* other = PickGeometry())
                    other->AddShape(geometry->GetShape(Next() % 3), Name("s").c_str());
                break;
            default:
                if (KScnGeometry* other = PickGeometry())
                    Flip() ? geometry->ClearShapes() : geometry->CopyFrom(*other);
                break;
            }
        }
        break;
    case 48:
        HoldCurve();
        break;
    case 49:
        WriteDefaults();
        break;
    case 50:
        LinkNodesDirectly();
        break;
    default:
        if (KScnSceneRoot* scene = PickScene())
        {
            KPointerArray<KScnMaterial> materials(16);
            scene->FillMaterialArray(materials);
            for (int i = 0; i < materials.GetCount(); ++i)
                CHECK(m_Live.count(materials[i]) != 0);
        }
        break;
    }
}

void CProgram::HoldCurve()
{
    const KScnNode* node = PickNode();
    if (node == nullptr || node->GetTakeNodeCount() == 0 || m_Held.size() >= 64)
        return;
    const KScnTakeNodeEntry* take = node->GetTakeNode(Next() % node->GetTakeNodeCount());
    static const char* const kChannels[] = {"T", "R", "S"};
    static const char* const kAxes[] = {"X", "Y", "Z"};
    const KFCurve* curve = take->FindCurve("Transform", kChannels[Next() % 3], kAxes[Next() % 3]);
    if (curve != nullptr)
        m_Held.push_back({node, take, curve});
}

void CProgram::WriteDefaults()
{
    const float value = static_cast<float>(Next()) - 100.0f;
    switch (Next() % 5)
    {
    case 0: // a take's writable curve
        if (KScnNode* node = PickNode())
            if (KScnTakeNodeEntry* take = node->GetTakeNode(Next() % std::max(1, node->GetTakeNodeCount())))
            {
                static const char* const kNames[] = {"T", "Intensity", "FieldOfView", "Cone angle", "Roll"};
                const char* name = kNames[Next() % 5];
                KFCurve* curve = name[1] == '\0' ? take->FindCurve("Transform", name, "Y")
                                                  : take->FindCurve(nullptr, nullptr, name);
                if (curve != nullptr)
                    curve->SetDefaultValue(value);
            }
        break;
    case 1: // a linked curve of the default take: writes its property
        if (KScnTakeNodeContainer* owner = PickContainer())
        {
            const int n = owner->GetLinkCount();
            if (n > 0)
                owner->GetLink(Next() % n)->mCurve->SetDefaultValue(value);
        }
        break;
    case 2: // a property of an object's set, written as a caller would
        if (KScnTakeNodeContainer* owner = PickContainer())
        {
            KScnPropertyHandler* set = owner->GetPropertyHandler();
            const int n = set != nullptr ? set->GetPropertyCount() : 0;
            if (n > 0)
            {
                const double values[4] = {value, value + 1.0, value + 2.0, 1.0};
                set->GetProperty(Next() % n)->SetFromDoubles(values);
            }
        }
        break;
    case 3: // a node attribute's setters
        if (KScnNodeAttribute* attribute = PickAttribute())
        {
            if (auto* light = dynamic_cast<KScnLight*>(attribute))
                Flip() ? light->SetIntensity(value) : light->SetConeAngle(value);
            else if (auto* camera = dynamic_cast<KScnCamera*>(attribute))
                camera->SetFieldOfView(value);
            else if (auto* marker = dynamic_cast<KScnMarker*>(attribute))
                marker->SetMarkerKind(static_cast<KScnMarker::EMarkerKind>(Next() % 4));
        }
        break;
    default:
        if (KScnNode* node = PickNode())
            Flip() ? node->SetLocalTranslation(value, value, value) : node->SetLocalScaling(1, value, 1);
        break;
    }
}

void CProgram::CheckHeldCurves()
{
    // A pointer is read while its node lives and still lists its take.
    const auto listed = [&](const SHeldCurve& held)
    {
        if (m_Live.count(held.node) == 0)
            return false;
        for (int t = 0; t < held.node->GetTakeNodeCount(); ++t)
            if (held.node->GetTakeNode(t) == held.take)
                return true;
        return false;
    };
    m_Held.erase(std::remove_if(m_Held.begin(), m_Held.end(), [&](const SHeldCurve& h) { return !listed(h); }),
                 m_Held.end());
    for (const SHeldCurve& held : m_Held)
    {
        (void)held.curve->GetDefaultValue();
        (void)held.curve->GetKeyCount();
    }
}

void CProgram::LinkNodesDirectly()
{
    KScnNode* parent = PickNode();
    KScnNode* child = PickNode();
    if (parent == nullptr || child == nullptr)
        return;
    KPlug* to = parent->GetPropertyHandler();
    KPlug* from = child->GetPropertyHandler();
    switch (Next() % 6)
    {
    case 0:
        to->ConnectSrc(from);
        break;
    case 1:
        to->InsertSrc(Next() % 3, from);
        break;
    case 2:
        if (to->GetSrcCount() > 0)
            to->ReplaceSrc(to->GetSrc(Next() % to->GetSrcCount()), from);
        break;
    case 3:
        to->SetSrc(Next() % 3, from);
        break;
    case 4:
        from->ConnectDst(to);
        break;
    default:
        Flip() ? (void)to->DisconnectSrc(from) : (void)M().DestroyNode(parent, true);
        break;
    }
}

void CProgram::CheckHeldHandles()
{
    // A handle stands for a live property or for nothing.
    for (KScnPropertyRef* ref : m_Handles)
    {
        (void)ref->GetName();
        (void)ref->GetLabel(true);
        if (KProperty* property = ref->GetProperty())
        {
            CHECK(property->GetOwnerObject() != nullptr);
            (void)property->GetName();
        }
        if (KScnPropertyHandler* handler = ref->GetHandler())
            (void)handler->GetPropertyCount();
    }
}

void CProgram::Import()
{
    KScnSceneRoot* scene = PickScene();
    if (scene == nullptr || Seeds().empty() || m_Imports >= kMaxImports)
        return;
    ++m_Imports;
    const Seed& seed = Seeds()[Next() % Seeds().size()];
    KScnImporter* importer = M().CreateImporter();
    if (seed.format == 0)
    {
        KScn file;
        if (file.OpenMemory(seed.data.data(), seed.data.size()))
            if (KStreamOptionsScn* options = importer->GetFileReadOptions(&file))
            {
                importer->ImportFromFile(scene, options, &file);
                options->Destroy(0);
            }
    }
    else
    {
        importer->SetFileFormat(seed.format);
        if (importer->Initialize(seed.path.c_str()))
            importer->Import(scene);
    }
    M().DestroyImporter(importer);
}

// ---- Invariants ---------------------------------------------------------

void CProgram::Check()
{
    KScnSdkManager& m = M();
    ++m_Checks;
    m_Live.clear();
    const auto live = [&](const void* object) { CHECK(m_Live.insert(object).second); }; // listed once
    for (int i = 0; i < m.GetSceneCount(); ++i)
        live(m.GetScene(i));
    for (int i = 0; i < m.GetNodeCount(); ++i)
        live(m.GetNode(i));
    for (int i = 0; i < m.GetNodeAttributeCount(); ++i)
        live(m.GetNodeAttribute(i));
    for (int i = 0; i < m.GetMaterialCount(); ++i)
        live(m.GetMaterial(i));
    for (int i = 0; i < m.GetTextureCount(); ++i)
        live(m.GetTexture(i));
    for (int i = 0; i < m.GetHandlerObjectCount(); ++i)
        live(m.GetHandlerObject(i));

    // Parents and children agree; the attribute knows its node.
    for (int i = 0; i < m.GetNodeCount(); ++i)
    {
        KScnNode* node = m.GetNode(i);
        for (int c = 0; c < node->GetChildCount(); ++c)
        {
            KScnNode* child = node->GetChild(c);
            CHECK(m_Live.count(child) != 0);
            CHECK(child->GetParent() == node);
        }
        if (KScnNode* parent = node->GetParent())
        {
            CHECK(m_Live.count(parent) != 0);
            bool found = false;
            for (int c = 0; c < parent->GetChildCount() && !found; ++c)
                found = parent->GetChild(c) == node;
            CHECK(found);
        }
        if (KScnNodeAttribute* attribute = node->GetNodeAttribute())
        {
            CHECK(m_Live.count(attribute) != 0 || !m.HasNodeAttribute(attribute));
            CHECK(attribute->GetNode() == node);
        }
        CHECK(!m.IsOwned(node) || node->GetParent() == nullptr);
        CheckUserProperties(node);
    }
    for (int i = 0; i < m.GetNodeAttributeCount(); ++i)
    {
        KScnNodeAttribute* attribute = m.GetNodeAttribute(i);
        if (KScnNode* node = attribute->GetNode())
        {
            CHECK(m_Live.count(node) != 0);
            CHECK(node->GetNodeAttribute() == attribute);
        }
        if (auto* container = dynamic_cast<KScnLayerContainer*>(attribute))
            CheckLayers(container);
        if (auto* geometry = dynamic_cast<KScnGeometry*>(attribute))
        {
            for (int l = 0; l < geometry->GetLinkCount(); ++l)
            {
                KScnLink* link = geometry->GetLink(l);
                CHECK(link->GetLink() == nullptr || m_Live.count(link->GetLink()) != 0);
                CHECK(link->GetAssociateModel() == nullptr || m_Live.count(link->GetAssociateModel()) != 0);
                (void)link->GetLinkName();
            }
            for (int s = 0; s < geometry->GetShapeCount(); ++s)
                CheckLayers(geometry->GetShape(s));
        }
    }
    for (int i = 0; i < m.GetMaterialCount(); ++i)
        CheckUserProperties(m.GetMaterial(i));
    for (int i = 0; i < m.GetTextureCount(); ++i)
        CheckUserProperties(m.GetTexture(i));
    for (int i = 0; i < m.GetHandlerObjectCount(); ++i)
        CheckUserProperties(m.GetHandlerObject(i));
    for (int i = 0; i < m.GetSceneCount(); ++i)
        CheckScene(m.GetScene(i));
    CheckHeldCurves();
    CheckHeldHandles();
}

void CProgram::CheckScene(KScnSceneRoot* scene)
{
    KScnSdkManager& m = M();
    KScnSceneContents* contents = scene->GetContents();
    // The scene's own objects live, and are owned.
    KScnNode* switcher = scene->GetCameraSwitcherNode();
    CHECK(switcher == nullptr || (m_Live.count(switcher) != 0 && m.IsOwned(switcher)));
    KScnSceneCameraSettings* cameras = scene->GetGlobalCameraSettings();
    for (int p = 0; p < KScnSceneCameraSettings::eProducerCount; ++p)
    {
        CHECK(m_Live.count(cameras->GetProducerNode(p)) != 0);
        CHECK(m.IsOwned(cameras->GetProducerNode(p)));
    }
    for (KScnCamera* camera : {cameras->GetProducerPerspective(), cameras->GetProducerLeft()})
        CHECK(m_Live.count(camera) != 0);
    for (int i = 0; i < scene->GetCharacterPoseCount(); ++i)
    {
        KScnSceneRoot* own = scene->GetCharacterPose(i)->GetScene();
        CHECK(own == nullptr || (m_Live.count(own) != 0 && m.IsOwned(own)));
    }
    for (int i = 0; i < scene->GetPoseCount(); ++i)
        (void)scene->GetPose(i)->GetName();
    // What the contents list lives and is listed once.
    KScnNode* root = contents->GetRootNode();
    CHECK(root == nullptr || (m_Live.count(root) != 0 && root->GetParent() == nullptr));
    std::unordered_set<const void*> seen;
    for (int i = 0; i < contents->GetNodeCount(); ++i)
    {
        KScnNode* node = contents->GetNode(i);
        CHECK(m_Live.count(node) != 0 && seen.insert(node).second);
    }
    for (int i = 0; i < contents->GetMaterialCount(); ++i)
        CHECK(m_Live.count(contents->GetMaterial(i)) != 0 && seen.insert(contents->GetMaterial(i)).second);
    for (int i = 0; i < contents->GetTextureCount(); ++i)
        CHECK(m_Live.count(contents->GetTexture(i)) != 0 && seen.insert(contents->GetTexture(i)).second);
    for (int i = 0; i < contents->GetVideoCount(); ++i)
        CHECK(seen.insert(contents->GetVideo(i)).second && contents->GetVideo(i)->GetName() != nullptr);
    for (int i = 0; i < contents->GetGenericNodeCount(); ++i)
        CHECK(seen.insert(contents->GetGenericNode(i)).second &&
              contents->GetGenericNode(i)->GetName() != nullptr);
    for (int i = 0; i < contents->GetObjectCount(); ++i)
        CHECK(m_Live.count(contents->GetObject(i)) != 0 && seen.insert(contents->GetObject(i)).second);
    // Take names: the union of the owners', each once; each found on its owner.
    std::unordered_set<std::string_view> expected;
    const auto takes = [&](KScnTakeNodeContainer* owner)
    {
        for (int t = 0; t < owner->GetTakeNodeCount(); ++t)
        {
            const char* name = owner->GetTakeNodeName(t);
            expected.insert(name);
            CHECK(owner->HasTakeNode(name));
        }
    };
    if (switcher != nullptr)
        takes(switcher);
    for (int i = 0; i < contents->GetNodeCount(); ++i)
        takes(contents->GetNode(i));
    for (int i = 0; i < contents->GetTextureCount(); ++i)
        takes(contents->GetTexture(i));
    for (int i = 0; i < contents->GetMaterialCount(); ++i)
        takes(contents->GetMaterial(i));
    for (int i = 0; i < contents->GetGenericNodeCount(); ++i)
        takes(contents->GetGenericNode(i));
    for (int i = 0; i < contents->GetObjectCount(); ++i)
        takes(contents->GetObject(i));
    const std::vector<std::string> names = scene->GetTakeNames();
    CHECK(names.size() == expected.size());
    for (const std::string& name : names)
        CHECK(expected.count(name) != 0);
}

void CProgram::CheckUserProperties(KScnObject* object)
{
    // Every eighth check: the handles are many (the sanitizer's quarantine
    // keeps what was freed unusable until then).
    if (m_Checks % 8 != 0)
        return;
    // Handles not made yet stand for the object's own properties: they are
    // not made here (that would cost more than every call).
    if (object->GetDeferredUserPropertyCount() > 0)
        return;
    for (int i = 0; i < object->GetUserPropertyCount(); ++i)
    {
        KScnPropertyRef* ref = object->GetUserProperty(i);
        (void)ref->GetName();
        // What it stands for lives: read, for the sanitizer to see.
        if (KProperty* property = ref->GetProperty())
            CHECK(property->GetOwnerObject() == nullptr || property->GetOwnerObject()->GetName() != nullptr);
    }
}

void CProgram::CheckLayers(KScnLayerContainer* container)
{
    for (int l = 0; l < container->GetLayerCount(); ++l)
    {
        KScnLayer* layer = container->GetLayer(l);
        const KScnLayerElement* elements[] = {layer->GetMaterialElement(), layer->GetTextureElement()};
        for (const KScnLayerElement* element : elements)
        {
            void* const* items = element != nullptr ? element->GetDirect<void*>() : nullptr;
            for (int i = 0; items != nullptr && i < element->GetDirectCount(); ++i)
                CHECK(items[i] == nullptr || m_Live.count(items[i]) != 0);
        }
    }
}

// ---- Teardown in an order the input picks --------------------------------

void CProgram::Teardown()
{
    KScnSdkManager& m = M();
    const uint8_t order = Next();
    const bool recursive = (Next() & 1) != 0;
    // Destroys from the first or the last of a list, stepping over what is
    // refused.
    const auto each = [&](auto count, auto at, auto destroy)
    {
        const bool fromLast = (order & 8) != 0;
        for (int skipped = 0; skipped < count();)
        {
            const int i = fromLast ? count() - 1 - skipped : skipped;
            if (!destroy(at(i)))
                ++skipped;
            Check();
        }
    };
    const auto scenes = [&]
    {
        each([&] { return m.GetSceneCount(); }, [&](int i) { return m.GetScene(i); },
             [&](KScnSceneRoot* s) { return m.DestroyScene(s, recursive); });
    };
    const auto nodes = [&]
    {
        each([&] { return m.GetNodeCount(); }, [&](int i) { return m.GetNode(i); },
             [&](KScnNode* n) { return m.DestroyNode(n, recursive); });
    };
    const auto rest = [&]
    {
        each([&] { return m.GetMaterialCount(); }, [&](int i) { return m.GetMaterial(i); },
             [&](KScnMaterial* o) { return m.DestroyMaterial(o); });
        each([&] { return m.GetTextureCount(); }, [&](int i) { return m.GetTexture(i); },
             [&](KScnTexture* o) { return m.DestroyTexture(o); });
        each([&] { return m.GetHandlerObjectCount(); }, [&](int i) { return m.GetHandlerObject(i); },
             [&](KScnTakeNodeContainer* o) { return m.DestroyObject(o); });
        each([&] { return m.GetNodeAttributeCount(); }, [&](int i) { return m.GetNodeAttribute(i); },
             [&](KScnNodeAttribute* o) { return m.DestroyNodeAttribute(o); });
    };
    switch (order % 5)
    {
    case 0: // the manager's own end
        break;
    case 1:
        scenes();
        break;
    case 2:
        nodes();
        scenes();
        break;
    case 3:
        rest();
        nodes();
        scenes();
        break;
    default:
        m_Handles.clear();
        m.DestroyAllObjects();
        Check();
        break;
    }
    m_Held.clear();
    m_Handles.clear();
    m_pManager.reset();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzQuietProcess();
    LoadSeeds();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CProgram(data, size).Run();
    return 0;
}
