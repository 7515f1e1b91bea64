#pragma once

// The town's objects without a display: a physics scene, box models built in
// memory (their bounds and ray tests need no OpenGL context), a model shelf
// in place of the engine's model factory, and a game controller that is not
// Create-d (no states, no GUI) but owns objects, camera and terrain.

#include "app/CEngineServices.h"
#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"
#include "game/CGameCtrl.h"
#include "game/IGameObj.h"
#include "render/CCOGLTriangleGroup.h"
#include "render/COGLModel.h"
#include "render/COGLModelFactory.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace towntest
{

// A closed box model from min to max (12 triangles).
inline CRefPtr<COGLModel> BoxModel(const CVector3& min, const CVector3& max)
{
    CRefPtr<COGLModel> model(new COGLModel(nullptr, nullptr));
    CCOGLTriangleGroup* group = model->AddTriangleGroup(8, 36, 0, false);
    CVector3* p = group->GetPositions();
    for (int i = 0; i < 8; ++i)
        p[i] = CVector3(i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z);
    static const uint32_t kFaces[36] = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                        2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    uint32_t* idx = group->GetIndices();
    for (int i = 0; i < 36; ++i)
        idx[i] = kFaces[i];
    return model;
}

// The engine's model factory with its models put on a shelf by name (exact
// names); any other name fails.
class ModelShelf : public COGLModelFactory
{
public:
    ModelShelf()
        : COGLModelFactory(CRefPtr<CSCNLoader>(), CRefPtr<CTextureLoader>(), CRefPtr<CTerrainBuilder>())
    {
    }
    CRefPtr<COGLModel> getModel(const std::string& fileName) override
    {
        m_Asked.push_back(fileName);
        auto it = m_Models.find(fileName);
        return it == m_Models.end() ? CRefPtr<COGLModel>() : it->second;
    }
    std::map<std::string, CRefPtr<COGLModel>> m_Models;
    std::vector<std::string> m_Asked;
};

// The controller with a camera of the test's choosing.
class TownGameCtrl : public CGameCtrl
{
public:
    void SetCamera(const CRefPtr<CCamera>& camera) { m_pCamera = camera; }
};

// Counts its calls; a leaving one stops observing the watched object while
// it is told. One still registered when it goes out of scope (a check
// failed before the object told it) takes itself out, so that the object,
// which outlives it, never calls a dead observer.
class CountingObserver : public IObjObserver
{
public:
    explicit CountingObserver(bool leaving = false) : m_bLeaving(leaving) {}
    ~CountingObserver() override
    {
        if (m_pWatched)
            m_pWatched->RemoveObserver(this);
    }
    CountingObserver(const CountingObserver&) = delete;
    CountingObserver& operator=(const CountingObserver&) = delete;

    void Watch(IGameObj* object)
    {
        m_pWatched = object;
        object->AddObserver(this);
    }
    void OnObservedKilled() override
    {
        ++m_iCalls;
        // Told means let go: the object may be gone after the call.
        IGameObj* watched = m_pWatched;
        m_pWatched = nullptr;
        if (m_bLeaving && watched)
            watched->RemoveObserver(this);
    }
    int m_iCalls = 0;

private:
    IGameObj* m_pWatched = nullptr;
    bool m_bLeaving;
};

// Contacts reach the objects, as the game controller arranges.
inline void DeliverHit(IGameObj* self, IGameObj* other)
{
    self->OnHit(other);
}

// Engine services with a created physics scene (game collision pairs off),
// the model shelf and a sound manager over SDL's dummy driver, in a
// temporary working folder.
class TownTest : public testsupport::TempDirTest
{
protected:
    static constexpr float kStep = 1.0f / 60.0f;

    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        ASSERT_NE(services, nullptr);
        ASSERT_TRUE(services->GetPhysXMgr()->Create());
        for (const auto& pair : {std::make_pair(1, 4), std::make_pair(1, 5), std::make_pair(1, 2),
                                 std::make_pair(2, 2), std::make_pair(2, 5), std::make_pair(6, 7)})
            services->GetPhysXMgr()->SetGroupCollisionFlag(pair.first, pair.second, false);
        CPhysXBody::SetHitHandler(&DeliverHit);
        services->SetModelFactory(CRefPtr<CModelFactory>(m_pShelf.Get()));
        ASSERT_TRUE(services->GetSoundMgr()->Create());
    }
    void TearDown() override
    {
        m_Ctrl.ResetGame();
        CEngineServices::DestroyInstance();
        CPhysXBody::SetHitHandler(nullptr);
    }

    CPhysXMgr& Physics() { return *CEngineServices::GetInstance()->GetPhysXMgr(); }
    // One frame as the battle runs it: objects, then physics.
    void Step(int frames = 1, float dt = kStep)
    {
        for (int i = 0; i < frames; ++i)
        {
            m_Ctrl.UpdateObjects(dt);
            Physics().Update(dt);
        }
    }
    // Puts an object into the controller's live list at once.
    template <class T> T* Add(T* object)
    {
        m_Ctrl.AddObject(CRefPtr<IGameObj>(object));
        m_Ctrl.UpdateObjects(0.0f);
        return object;
    }
    void Shelve(const std::string& name, const CVector3& min, const CVector3& max)
    {
        m_pShelf->m_Models[name] = BoxModel(min, max);
    }
    // The lines written to "Error.log" since the last call.
    std::string TakeLog()
    {
        const std::string log = testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log");
        std::remove("Error.log");
        return log;
    }

    CRefPtr<ModelShelf> m_pShelf{new ModelShelf};
    TownGameCtrl m_Ctrl;
};

} // namespace towntest
