#pragma once

#include "app/CFrameClock.h"
#include "app/CRefCounted.h"
#include "app/CSettings.h"
#include "app/CVector3.h"
#include "app/IInputListener.h"
#include "app/IInputMgr.h"
#include "app/IWindow.h"
#include "app/IWindowListener.h"
#include "game/CEnvironment.h"
#include "game/CTerrain.h"
#include "game/IGameObj.h"
#include "game/IGameState.h"
#include "render/CAccumulationEffect.h"
#include "render/CCamera.h"
#include "render/CGuiMgr.h"
#include "render/CModelFactory.h"
#include "render/COGLGlobalRenderSettings.h"
#include "render/CSceneGraph.h"
#include "render/ICameraCtrl.h"
#include "render/IRenderer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMainMenuState;
class CNewLevelState;
class CBuildState;
class CBattleState;
class CPostLevelState;
class CPostGameState;

// The heart of the game: owns the six states and switches between them,
// owns the world the states share (camera, active camera controller, scene
// graph, terrain, environment, live game objects), keeps score, level number and start position,
// and listens to the keyboard for the debug toggles of the render settings.
//
// The application holds one by value: Create at the end of its start-up,
// Update once per frame, Destroy at shutdown. Main thread only. State changes
// run at once inside whatever asks for them (a button callback during input
// dispatch, a state's Update); nothing is queued.
class CGameCtrl : public IInputListener
{
public:
    // Debug toggle values of the render mode (F6) and display lists (F7).
    enum
    {
        RENDER_IMMEDIATE = 0,
        RENDER_VERTEX_ARRAYS = 1,
        RENDER_VBO = 2,
        RENDER_MIXED = 4
    };

    // Empty handles, no states, input priority 1000.
    CGameCtrl();
    // Runs Destroy.
    ~CGameCtrl() override;
    CGameCtrl(const CGameCtrl&) = delete;
    CGameCtrl& operator=(const CGameCtrl&) = delete;

    // The camera's field of view (60 degrees, vertical) and depth range; its
    // aspect is the main window's.
    static constexpr float kFieldOfView = 1.0471976f;
    static constexpr float kNearPlane = 0.01f;
    static constexpr float kFarPlane = 5000.0f;

    // The "Data" folder is in the working folder; else says so (flags 9)
    // and returns false: the game was started in another folder. The
    // application asks before anything loads (sounds, pictures).
    static bool CheckDataFolder();

    // Checks that the working folder holds "Data" (CheckDataFolder), takes
    // the engine services' handles, sets up the camera (its aspect
    // that of the GUI's window, followed on every resize), reads "StartPos"
    // from "GAME", creates the six states, checks what the level set-up
    // will read (CheckLevelSetUp), turns off the physics group pairs that
    // must not collide, enters the main menu and listens to the input
    // manager. False (logged) on a missing or malformed "StartPos", one off
    // the terrain ("XSize" by "ZSize" of "GAME", when they read), a failing
    // state (the post-level state refuses a "NumLevels" past the level
    // sections) or a failed check; a settings fault is also shown
    // (ReportStartUpFault).
    bool Create(const CRefPtr<CFrameClock>& frameClock);
    // The start-up message about a setting the game cannot do without
    // (flags 9: "Error.log", the standard error stream and a message box
    // where one can be shown): "Error: settings.ini line 45: [GAME] SunDir =
    // 0;0;0: <what it needs>; the game does not start".
    static void ReportStartUpFault(const SSettingsFault& fault);
    // The main window's client area is now width x height pixels: the
    // projection takes its aspect (a window of no area keeps the last one).
    void OnWindowSize(uint16_t width, uint16_t height);
    // One frame: input, the current state's Update, GUI, camera controller,
    // rendering (the scene only while no opaque full-screen panel of the
    // GUI covers it). False ends the program (no state, or the state said
    // so).
    bool Update();
    // A state whose Update ends the program on an error says so first
    // (the new-level state, for a level that cannot be set up); the program
    // then ends with the status of a failed start-up.
    void SetFailed() { m_bFailed = true; }
    bool HasFailed() const { return m_bFailed; }
    // Leaves the current state, stops listening to input, drops the objects
    // and the states and releases every handle. Harmless when repeated.
    void Destroy();

    // The old state's Leave, then the new state's Enter (null skips either).
    void ChangeState(IGameState* state);
    IGameState* GetCurrentState() const { return m_pCurrentState; }

    CMainMenuState* GetMainMenuState() const { return m_pMainMenuState; }
    CNewLevelState* GetNewLevelState() const { return m_pNewLevelState; }
    CBuildState* GetBuildState() const { return m_pBuildState; }
    CBattleState* GetBattleState() const { return m_pBattleState; }
    CPostLevelState* GetPostLevelState() const { return m_pPostLevelState; }
    CPostGameState* GetPostGameState() const { return m_pPostGameState; }

    // New objects wait in the pending list and join the live list at the
    // start of the next UpdateObjects.
    void AddObject(const CRefPtr<IGameObj>& object);
    // Pending objects join; every live object's Update(dt) in list order;
    // the dead are dropped, the order of the rest kept.
    void UpdateObjects(float dt);
    // Every live object's OnLevelEnd; the dead are dropped; pending objects
    // are dropped without an update.
    void EndLevelObjects();
    // A live object of type 3 (building, statue, tower) chosen with rand();
    // null when there is none.
    IGameObj* GetRandomBuilding();

    // Stores the scene graph and gives it the controller's camera.
    void SetScene(CRefPtr<CSceneGraph> scene);
    // Stores the terrain (built once per game by the new-level state).
    void SetTerrain(CRefPtr<CTerrain> terrain);
    // Stores the level's environment. With a scene graph: an empty one
    // clears the sky; otherwise its representation becomes the sky, its sun
    // direction the graph's light direction and its colours the renderer's
    // light 0.
    void SetEnvironment(CRefPtr<CEnvironment> environment);
    // Detaches the old controller and attaches the new one to the camera.
    void SetCameraCtrl(CRefPtr<ICameraCtrl> cameraCtrl);
    // Level 0, score 0, objects, terrain, environment, camera controller
    // and scene graph released (in that order): the next new level builds
    // the world again.
    void ResetGame();

    void AddScore(float value);
    // Score and the build state's gold both grow by value.
    void AddScoreAndGold(float value);
    // A unit world-space direction from the camera through the cursor.
    CVector3& GetPickRay(CVector3& out);

    // The level number grows by one (new-level state); the section name
    // becomes "Level<n>".
    void NextLevel();

    const CRefPtr<CSceneGraph>& GetScene() const { return m_pSceneGraph; }
    const CRefPtr<CCamera>& GetCamera() const { return m_pCamera; }
    const CRefPtr<ICameraCtrl>& GetCameraCtrl() const { return m_pCameraCtrl; }
    const CRefPtr<CTerrain>& GetTerrain() const { return m_pTerrain; }
    const CRefPtr<CEnvironment>& GetEnvironment() const { return m_pEnvironment; }
    const CVector3& GetStartPos() const { return m_StartPos; }
    uint16_t GetLevel() const { return m_usLevel; }
    const std::string& GetLevelSection() const { return m_strLevelSection; }
    float GetScore() const { return m_fScore; }
    const CRefPtr<CFrameClock>& GetFrameClock() const { return m_pFrameClock; }
    const std::vector<CRefPtr<IGameObj>>& GetObjects() const { return m_Objects; }
    const std::vector<CRefPtr<IGameObj>>& GetPendingObjects() const { return m_PendingObjects; }
    const CRefPtr<CGuiMgr>& GetGuiMgr() const { return m_pGuiMgr; }

    // Debug toggles.
    bool IsWireFrame() const { return m_bWireFrame; }
    bool IsOnScreenInfo() const { return m_bOnScreenInfo; }
    bool IsMipMapping() const { return m_bMipMapping; }
    uint32_t GetTextureQuality() const { return m_uiTextureQuality; }
    uint32_t GetRenderMode() const { return m_uiRenderMode; }
    int32_t GetDisplayLists() const { return m_iDisplayLists; }
    bool IsFrustumCulling() const { return m_bFrustumCulling; }
    bool IsTransparency() const { return m_bTransparency; }

    // IInputListener: the debug keys (G, F2 to F9). Always false, so the key
    // still reaches the listeners behind this one.
    bool OnKeyDown(uint8_t key) override;

protected:
    // Copies the engine services' handles (renderer, its render settings,
    // model factory, input and GUI managers); the first step of Create.
    virtual void AcquireServices();
    // What the level set-up will read, checked at start-up as the set-up
    // reads it: the terrain's keys
    // and heightmap (its size against "Segments") and textures, the forest's
    // keys, plant map and tree model files, the sun's direction and colours
    // (all of "GAME"); and for each level of "NumLevels" the sky's keys,
    // model file and textures. False, shown with ReportStartUpFault, at the
    // first fault. Virtual so that tests of the states can run without a
    // world.
    virtual bool CheckLevelSetUp();
    // Level, score, debug toggles and the failure flag back to their
    // initial values.
    void ResetFields();

    CRefPtr<CFrameClock> m_pFrameClock;
    CMainMenuState* m_pMainMenuState;
    CNewLevelState* m_pNewLevelState;
    CBuildState* m_pBuildState;
    CBattleState* m_pBattleState;
    CPostLevelState* m_pPostLevelState;
    CPostGameState* m_pPostGameState;
    IGameState* m_pCurrentState;
    CRefPtr<CSceneGraph> m_pSceneGraph;
    CRefPtr<CCamera> m_pCamera;
    CRefPtr<ICameraCtrl> m_pCameraCtrl;
    uint16_t m_usLevel;
    std::string m_strLevelSection;
    CRefPtr<CTerrain> m_pTerrain;
    CRefPtr<CEnvironment> m_pEnvironment;
    std::vector<CRefPtr<IGameObj>> m_Objects;
    std::vector<CRefPtr<IGameObj>> m_PendingObjects;
    float m_fScore;
    CVector3 m_StartPos;
    CRefPtr<IRenderer> m_pRenderer;
    CRefPtr<COGLGlobalRenderSettings> m_pRenderSettings;
    CRefPtr<CModelFactory> m_pModelFactory;
    CRefPtr<IInputMgr> m_pInputMgr;
    CRefPtr<CGuiMgr> m_pGuiMgr;
    std::unique_ptr<CAccumulationEffect> m_pAccumulationEffect;
    bool m_bWireFrame;
    bool m_bOnScreenInfo;
    bool m_bMipMapping;
    uint32_t m_uiTextureQuality;
    uint32_t m_uiRenderMode;
    int32_t m_iDisplayLists;
    bool m_bFrustumCulling;
    bool m_bTransparency;
    // Whether this controller sits in m_pInputMgr's listener list.
    bool m_bListening;
    bool m_bFailed;

private:
    // The main window's size notices, kept apart from the input listener
    // (both interfaces name a character handler).
    class CWindowPart : public IWindowListener
    {
    public:
        explicit CWindowPart(CGameCtrl& owner) : m_Owner(owner) {}
        void OnSize(uint16_t width, uint16_t height) override { m_Owner.OnWindowSize(width, height); }

    private:
        CGameCtrl& m_Owner;
    };

    bool ReadStartPos(SSettingsFault& fault);
    bool CreateStates();
    void DeleteStates();
    void OnTextureQualityKey();
    void OnRenderModeKey();
    void OnDisplayListKey();

    // The window the controller listens to (the GUI's), empty when none.
    CRefPtr<IWindow> m_pWindow;
    CWindowPart m_WindowPart;
};
