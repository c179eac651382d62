// WendroGame: the game's own object, the one RBaseGame of the program. It answers the game's names and adds the
// game's work to each start-up step, frame and shut-down of the base game.
#pragma once

#include "menus/RMenuGame.h"

class WendroGame : public RMenuGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Quandrel Tarnvow"; }
    const char* GetMyGamesFolderName() const override { return nullptr; }
    bool SupportsRift() const override { return false; }
    void TouchLibs() override {}
    void DebuggerHook() override {}

    bool InitEngine() override;
    bool InitSystems() override;
    void Shutdown() override;
    void InitControlGroups() override;
    void InitControlActions() override;

private:
    bool m_engineStarted = false;  // the engine's start-up step succeeded: the logger and the files are there
};
