// WendroGame: the game's own object, the one RBaseGame of the program. It answers the game's names, adds the
// game's work to each start-up step, fixed step, frame and shut-down of the base game, and runs the game: it
// owns the room view for the whole run and the world of the game being played, starts and continues games,
// starts the cinematics when the world reaches an ending, and reports the session's figures at shut-down.
#pragma once

#include "basegame/RBaseGame.h"
#include "game/World.h"

class RoomView;

class WendroGame : public RBaseGame {
public:
    WendroGame();
    ~WendroGame() override;

    const char* GetLocalAppDataPathName() const override { return "Quandrel Tarnvow"; }
    const char* GetMyGamesFolderName() const override { return nullptr; }
    bool SupportsRift() const override { return false; }
    void TouchLibs() override {}
    void DebuggerHook() override {}

    bool InitEngine() override;
    bool InitSystems() override;
    void Shutdown() override;
    void FixedUpdate(float step) override;
    void UpdateFrame() override;
    void InitControlGroups() override;
    void InitControlActions() override;
    void RegisterGameConfig() override;
    void OnSplashFinished() override;

    // A new game of the first campaign the packs hold, at the configured difficulty. False, with a line in the
    // log, when no campaign loads.
    bool StartGame();
    // Whether a saved game exists to continue.
    bool CanContinueGame() const;
    // The saved game's game; a save that is damaged, foreign or names a room the map no longer holds is refused
    // with a message and a new game begins instead. False when no game could begin.
    bool ContinueGame();
    // The cinematic ended: the game is over and play returns to the title.
    void OnCinematicFinished();

    World* GetWorld() const { return m_world; }
    RoomView* GetRoomView() const { return m_view; }
    // The game's settings ([Game] in "Config.ini").
    bool IsCRTLook() const { return m_crtLook; }
    bool IsEGATiles() const { return m_egaTiles; }
    int32_t GetDifficulty() const { return m_difficulty; }

private:
    // Reads the campaign into a new world; null, with a line in the log, when it is refused.
    World* LoadWorld();
    // Ends the game being played, adding its figures to the session's.
    void EndWorld();
    // The title: a new game until the menus show it.
    void ReturnToTitle();
    static void OnLookChanged();

    bool m_engineStarted = false;  // the engine's start-up step succeeded: the logger and the files are there
    RoomView* m_view = nullptr;
    World* m_world = nullptr;
    // [Game] settings.
    bool m_crtLook = true;
    bool m_egaTiles = true;
    int32_t m_difficulty = 1;
    // The figures of the games ended this session.
    World::Stats m_sessionStats;
};
