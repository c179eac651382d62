// WendroGame: the game's own object, the one RBaseGame of the program. It answers the game's names, adds the
// game's work to each start-up step, fixed step, frame and shut-down of the base game, and runs the game: it
// owns the room view for the whole run and the world of the game being played, starts and continues games,
// starts the cinematics when the world reaches an ending, and reports the session's figures at shut-down.
#pragma once

#include "game/World.h"
#include "menus/RMenuGame.h"

class RoomView;

class WendroGame : public RMenuGame {
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
    // "[PlayerStats]": what the session's games added to their figures (rooms first entered, deaths, treasures
    // found, time played), the one being played included; the games' totals stay in the saved game.
    void QueueGameReport() override;
    void FixedUpdate(float step) override;
    void UpdateFrame() override;
    void InitControlGroups() override;
    void InitControlActions() override;
    void RegisterGameConfig() override;

    // The game object when it is the game's, else null.
    static WendroGame* GetWendroGame();

    // The title menu's new game: the difficulty menu.
    void StartGame() override;
    // A new game of the first campaign the packs hold at the difficulty (0 easy, 1 normal, 2 hard), which
    // becomes the configured one; every menu closes. False, with a line in the log and the title menu back,
    // when no campaign loads.
    bool BeginNewGame(int32_t difficulty);
    // Whether a saved game exists to continue.
    bool CanContinueGame() const override;
    // The saved game's game; a save that is damaged, foreign or names a room the map no longer holds is refused
    // with a message and a new game begins instead.
    void ContinueGame() override;
    // Ends the game being played and shows the title menu.
    void ReturnToTitle() override;
    // The cinematic ended: the game is over and play returns to the title.
    void OnCinematicFinished();

    RGameMenu* GetNewVideoMenu() override;

    World* GetWorld() const { return m_world; }

private:
    // Reads the campaign into a new world; null when it is refused, the reason logged and left for the next title
    // menu to show.
    World* LoadWorld();
    // Ends the game being played, adding what it counted this session to the session's figures.
    void EndWorld();
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
