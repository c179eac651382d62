// The shipped world is playable where it asks the most of the player: with the powers found, the player climbs the
// tower's narrow shaft by wall jumps into the room above and steps out of the hole onto its floor. The game runs in the real game object; a test player
// holds the "Gameplay" keys in the input handler's state each fixed step (the keys go the whole road through the
// control configuration, the player controller and the jump component) and presses Jump whenever a kick off one
// wall has it heading for the other. Runs in a child, as a game object can be made once per process.
#include "../core/TempUserData.h"
#include "basegame/RSubroutineMgr.h"
#include "game/Player.h"
#include "game/SaveGame.h"
#include "game/WendroGame.h"
#include "game/World.h"
#include "platform/input/RInputHandler.h"
#include "scene/RJumpComponent.h"
#include "scene/RSpatialComponent.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(ShippedWorld, TheTowerShaftIsClimbedByWallJumps)
{
    TempUserData data;
    setenv("ROLT_RESOURCE_DIR", ROLT_TEST_RESOURCE_DIR, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string saves = data.root + "/data/Brasswick/Quandrel Tarnvow/Saves/";
    std::filesystem::create_directories(saves);
    // At the foot of the shaft with both powers.
    SaveGame save;
    snprintf(save.campaign, sizeof(save.campaign), "Wendro.gam");
    snprintf(save.room, sizeof(save.room), "Tower");
    save.x = 23 * 8 + 1;
    save.y = 22 * 8;
    save.powers = 3;
    ASSERT_TRUE(save.Write((saves + "Autosave.wsg").c_str()));

    EXPECT_EXIT(
        {
            WendroGame* game = new WendroGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            // The splash would hold the player's input until it ends.
            RSubroutineMgr::GetInstance()->StopAll();
            game->ContinueGame();
            World* world = game->GetWorld();
            if (!world || !world->GetRoom()->id.Equals("Tower"))
                exit(3);
            uint8_t* keys = RInputHandler::GetInstance()->GetCurrentState().keys;
            int heading = 0;  // no wall yet: straight up from the floor first, then towards the right wall
            bool jumpHeld = false;
            for (int step = 0; step < 1200 && world->GetRoom()->id.Equals("Tower"); ++step) {
                Player* player = world->GetPlayer();
                RJumpComponent* jump = player->GetComponent<RJumpComponent>();
                if (heading == 0 && player->GetY() < 19 * 8.0f - 2.0f)
                    heading = 1;  // beside the shaft's right wall, which stops at row 18
                keys[SDL_SCANCODE_RIGHT] = heading > 0;
                keys[SDL_SCANCODE_LEFT] = heading < 0;
                // A new press every other step while touching a wall: the buffer holds it until the next touch.
                jumpHeld = !jumpHeld && jump->IsTouchingWall();
                keys[SDL_SCANCODE_SPACE] = jumpHeld;
                if (jump->IsGrounded() && step % 20 == 0)
                    keys[SDL_SCANCODE_SPACE] = 1;
                game->FixedUpdate(1.0f / 60.0f);
                const float vx = player->GetComponent<RSpatialComponent>()->GetVelocity().x;
                if (jump->JustJumped() && vx * static_cast<float>(heading) < -Player::kWalkSpeed)
                    heading = -heading;  // kicked off this wall: on to the other
            }
            // Out of the hole in the room's floor onto the floor beside it.
            keys[SDL_SCANCODE_LEFT] = 0;
            keys[SDL_SCANCODE_SPACE] = 0;
            keys[SDL_SCANCODE_RIGHT] = 1;
            for (int step = 0; step < 120; ++step) {
                game->FixedUpdate(1.0f / 60.0f);
                if (world->GetPlayer()->GetComponent<RJumpComponent>()->IsGrounded())
                    break;
            }
            const bool climbed = world->GetRoom()->id.Equals("Summit") &&
                                 world->GetPlayer()->GetComponent<RJumpComponent>()->IsGrounded() &&
                                 std::fabs(world->GetPlayer()->GetY() - 22 * 8.0f) < 0.5f;
            game->Shutdown();
            delete game;
            exit(climbed ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
