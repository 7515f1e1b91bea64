#pragma once

// The battle's scenes: the game controller of GameTestSupport.h over a
// physics scene, a game clock that ticks in fixed 1/60 s steps, a seeded
// random source and an input manager that remembers the cursor.

#include "app/CPhysXBody.h"
#include "app/CPhysXMgr.h"
#include "game/CBattleState.h"
#include "game/CNewLevelState.h"
#include "game/GameRandom.h"
#include "game/ICollidableObj.h"
#include "tests/game/GameTestSupport.h"

#include <vector>

namespace battletest
{

const double kFrame = 1.0 / 60.0;

// Clicks every button among the panel's children.
inline void ClickButtons(CGuiPanel& panel)
{
    for (const CRefPtr<CGuiElement>& child : panel.GetChildren())
        if (auto* button = dynamic_cast<CGuiButton*>(child.Get()))
            button->GetCallback()->Invoke(button->GetId());
}

// Remembers whether the cursor is shown, and offers events to the listeners
// in their priority order as the real input manager does.
class CursorInput : public guitest::FakeInput
{
public:
    void ShowMouseCursor(bool show) override { m_bShown = show; }
    // True when a listener took the event.
    bool Press(uint8_t key)
    {
        return Dispatch([key](IInputListener* l) { return l->OnKeyDown(key); });
    }
    bool Click(uint8_t button)
    {
        return Dispatch([button](IInputListener* l) { return l->OnMouseDown(button); });
    }
    // The cursor moves to the window point (the listeners get the motion).
    bool MoveTo(int32_t x, int32_t y)
    {
        const int32_t dx = x - m_X, dy = y - m_Y;
        m_X = x;
        m_Y = y;
        return Dispatch([dx, dy](IInputListener* l) { return l->OnMouseMove(dx, dy, 0); });
    }
    bool m_bShown = true;
};

// A flat static box standing in for the terrain (type 1), so that what
// touches it gets an OnHit with a game object (a falling bird lands).
class FloorObj : public ICollidableObj
{
public:
    // The top face at height y, 2000 wide.
    FloorObj(CPhysXMgr& physx, float y) : ICollidableObj(nullptr, TYPE_TERRAIN)
    {
        CMatrix4 pose;
        pose.SetTranslation(CVector3(0, y - 0.5f, 0));
        physx.BeginActor(pose, 0, false, 1.0f);
        physx.AddBoxShape(CMatrix4(), CVector3(2000, 1, 2000));
        SetActor(physx.FinishActorCreation());
    }

protected:
    void OnUpdate(float) override {}
};

class BattleTest : public gametest::GameCtrlTest
{
protected:
    BattleTest() { m_pInput = m_pCursor.Get(); }

    void SetUp() override
    {
        gametest::GameCtrlTest::SetUp();
        gamerandom::Seed(1);
        m_pPhysX = CEngineServices::GetInstance()->GetPhysXMgr().Get();
        ASSERT_TRUE(m_pPhysX->Create());
    }
    void TearDown() override
    {
        m_Ctrl.Destroy();
        m_pFloorObj.Release();
        for (CPhysXActor* a : m_Actors)
            m_pPhysX->ReleaseActor(a);
        m_Actors.clear();
        gametest::GameCtrlTest::TearDown();
    }

    // The game controller with a clock of fixed 1/60 s frames.
    bool CreateFixed(const std::string& settings = kSettings)
    {
        const bool ok = Create(settings);
        m_pClock->Reset(1, kFrame, -1.0);
        return ok;
    }
    // The Error.log lines written since the last call (the GUI's font lines
    // left out); the file is removed.
    std::string TakeErrors()
    {
        std::string out;
        std::istringstream lines(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("Error: Couldn't create font", 0) != 0)
                out += line + "\n";
        std::remove((m_Dir.Path() + "/Error.log").c_str());
        return out;
    }
    CBattleState& Battle() { return *m_Ctrl.GetBattleState(); }
    // Modals on the GUI's stack.
    size_t Modals() { return Gui().GetModals().size(); }
    // The controller at the next level, then in the battle.
    void EnterBattle()
    {
        m_Ctrl.NextLevel();
        m_Ctrl.ChangeState(m_Ctrl.GetBattleState());
    }
    // A static box (ground, wall) in the collision group; no game object.
    CPhysXActor* StaticBox(const CVector3& centre, const CVector3& size, uint8_t group = 0)
    {
        CMatrix4 pose;
        pose.SetTranslation(centre);
        m_pPhysX->BeginActor(pose, group, false, 1.0f);
        m_pPhysX->AddBoxShape(CMatrix4(), size);
        CPhysXActor* actor = m_pPhysX->FinishActorCreation();
        if (actor)
            m_Actors.push_back(actor);
        return actor;
    }
    // A flat floor whose top is at height y.
    void Floor(float y = 0.0f) { StaticBox(CVector3(0, y - 0.5f, 0), CVector3(2000, 1, 2000)); }
    // A floor that is a game object, its top at height y.
    void FloorObject(float y = 0.0f) { m_pFloorObj = new FloorObj(*m_pPhysX, y); }
    // frames of the current state's Update, each after one clock tick.
    void Frames(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            m_pClock->Tick();
            ASSERT_TRUE(m_Ctrl.GetCurrentState());
            ASSERT_TRUE(m_Ctrl.GetCurrentState()->Update());
        }
    }

    CRefPtr<CursorInput> m_pCursor{new CursorInput};
    CPhysXMgr* m_pPhysX = nullptr;
    CRefPtr<FloorObj> m_pFloorObj;
    std::vector<CPhysXActor*> m_Actors;
};

} // namespace battletest
