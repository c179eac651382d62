// Test helpers for a run of the real game object inside a test: the surroundings it starts in (the test
// resources, SDL's dummy audio driver, the player's folder under the temporary user data) and one whole run. A
// game object can be made once per process, so each run goes in a child process (EXPECT_EXIT).
#pragma once

#include "../basegame/GameRunSupport.h"
#include "tests/TestFiles.h"
#include "game/WendroGame.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class WendroRunTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareGameRun(data, "Quandrel Tarnvow"); }

    TempUserData data;
    const std::string user = data.root + "/data/Brasswick/Quandrel Tarnvow/";  // the player's folder
};

// Runs the game's start-up, hands the running game to check (whose non-zero answer becomes the exit code), shuts
// the game down and ends the process.
template <typename Check> void RunWendro(Check check)
{
    WendroGame* game = new WendroGame();
    if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
        exit(2);
    const int failure = check(*game);
    game->Shutdown();
    delete game;
    exit(failure);
}
