// The shipped world is playable where it asks the most of the player, with its real movement: the player rides the
// hall's lift over the spikes, climbs the cistern's ledges with the double jump into the tower, climbs the tower's
// narrow shaft by wall jumps into the room above and steps out of the hole onto its floor. The game runs in the real
// game object, continued from a saved game placed where each part begins; a test player holds the "Gameplay" keys
// in the input handler's state each fixed step, so the keys go the whole road through the control configuration,
// the player controller and the jump component. A game object can be made once per process, so each part runs in
// a child.
#include "WendroRunSupport.h"
#include "basegame/RSubroutineMgr.h"
#include "game/Player.h"
#include "game/SaveGame.h"
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

class ShippedWorld : public WendroRunTest {
protected:
    // Saves a game in the room at the tile with the powers (bit 1 double jump, bit 2 wall jump).
    void SaveAt(const char* room, int tileX, int tileY, uint32_t powers)
    {
        std::filesystem::create_directories(user + "Saves");
        SaveGame save;
        snprintf(save.campaign, sizeof(save.campaign), "Wendro.gam");
        snprintf(save.room, sizeof(save.room), "%s", room);
        save.x = tileX * 8 + 1;
        save.y = tileY * 8;
        save.powers = powers;
        ASSERT_TRUE(save.Write((user + "Saves/Autosave.wsg").c_str()));
    }
};

struct Keys {
    uint8_t* state;
    void Set(bool left, bool right, bool jump)
    {
        state[SDL_SCANCODE_LEFT] = left;
        state[SDL_SCANCODE_RIGHT] = right;
        state[SDL_SCANCODE_SPACE] = jump;
    }
};

// Continues the saved game and hands the game, its world and the keys to play (whose non-zero answer becomes the
// exit code); the splash is stopped first, as it would hold the player's input.
template <typename Play> void Continue(Play play)
{
    RunWendro([&play](WendroGame& game) {
        RSubroutineMgr::GetInstance()->StopAll();
        game.ContinueGame();
        if (!game.GetWorld())
            return 3;
        Keys keys{RInputHandler::GetInstance()->GetCurrentState().keys};
        return play(game, *game.GetWorld(), keys);
    });
}

void Step(WendroGame& game)
{
    game.FixedUpdate(1.0f / 60.0f);
}

bool InRoom(const World& world, const char* id)
{
    return world.GetRoom()->id.Equals(id);
}

TEST_F(ShippedWorld, TheHallsLiftCarriesThePlayerOverTheSpikes)
{
    SaveAt("Hall", 9, 22, 0);
    EXPECT_EXIT(Continue([](WendroGame& game, World& world, Keys& keys) {
                    Player& player = *world.GetPlayer();
                    RJumpComponent& jump = *player.GetComponent<RJumpComponent>();
                    // Onto the lift as it sets out, ride it to the far end, walk off beyond the spikes.
                    keys.Set(false, true, true);
                    Step(game);
                    keys.Set(false, true, false);
                    for (int step = 1; step < 60 && !(jump.IsGrounded() && player.GetY() < 160.0f); ++step)
                        Step(game);
                    keys.Set(false, false, false);
                    for (int step = 0; step < 90; ++step)
                        Step(game);
                    keys.Set(false, true, false);
                    for (int step = 0; step < 90 && player.GetX() < 180.0f; ++step)
                        Step(game);
                    for (int step = 0; step < 30; ++step)
                        Step(game);
                    return world.GetStats().deaths == 0 && player.GetX() >= 180.0f && InRoom(world, "Hall") ? 0 : 4;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(ShippedWorld, TheCisternsLedgesLeadIntoTheTowerWithTheDoubleJump)
{
    SaveAt("Cistern", 22, 22, 1);
    EXPECT_EXIT(Continue([](WendroGame& game, World& world, Keys& keys) {
                    // Ledge by ledge: each jump is taken from a chosen place and steered until it lands.
                    struct Leg {
                        float jumpFrom;   // walk right to here, then jump
                        float steerTo;    // in the air, keep right until here
                        float climbAbove; // move right only once above this height (0: at once)
                        bool doubled;     // jump again at the top of the first jump
                    } legs[] = {{190.0f, 206.0f, 0.0f, false},
                                {226.0f, 248.0f, 0.0f, true},
                                {258.0f, 290.0f, 78.0f, true}};
                    for (const Leg& leg : legs) {
                        Player& player = *world.GetPlayer();
                        RJumpComponent& jump = *player.GetComponent<RJumpComponent>();
                        for (int step = 0; step < 120 && player.GetX() < leg.jumpFrom; ++step) {
                            keys.Set(false, true, false);
                            Step(game);
                        }
                        keys.Set(false, false, true);
                        Step(game);
                        bool doubled = !leg.doubled;
                        for (int step = 0; step < 180; ++step) {
                            const float vy = player.GetComponent<RSpatialComponent>()->GetVelocity().y;
                            const bool press = !doubled && vy > -20.0f;
                            doubled = doubled || press;
                            const bool steer = player.GetX() < leg.steerTo &&
                                               (leg.climbAbove == 0.0f || player.GetY() < leg.climbAbove);
                            keys.Set(false, steer, press);
                            Step(game);
                            if (jump.IsGrounded() && step > 2)
                                break;
                        }
                    }
                    keys.Set(false, true, false);
                    for (int step = 0; step < 180 && InRoom(world, "Cistern"); ++step)
                        Step(game);
                    return InRoom(world, "Tower") && world.GetStats().deaths == 0 ? 0 : 4;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(ShippedWorld, TheTowerShaftIsClimbedByWallJumps)
{
    SaveAt("Tower", 23, 22, 3);
    EXPECT_EXIT(Continue([](WendroGame& game, World& world, Keys& keys) {
                    // Straight up from the floor first, then towards the shaft's right wall (which stops at row
                    // 18); a new press every other step while touching a wall, and on to the other wall after
                    // each kick.
                    int heading = 0;
                    bool jumpHeld = false;
                    for (int step = 0; step < 1200 && InRoom(world, "Tower"); ++step) {
                        Player& player = *world.GetPlayer();
                        RJumpComponent& jump = *player.GetComponent<RJumpComponent>();
                        if (heading == 0 && player.GetY() < 19 * 8.0f - 2.0f)
                            heading = 1;
                        jumpHeld = !jumpHeld && jump.IsTouchingWall();
                        keys.Set(heading < 0, heading > 0, jumpHeld || (jump.IsGrounded() && step % 20 == 0));
                        Step(game);
                        const float vx = player.GetComponent<RSpatialComponent>()->GetVelocity().x;
                        if (jump.JustJumped() && vx * static_cast<float>(heading) < -Player::kWalkSpeed)
                            heading = -heading;
                    }
                    // Out of the hole in the upper room's floor onto the floor beside it.
                    keys.Set(false, true, false);
                    for (int step = 0; step < 120; ++step) {
                        Step(game);
                        if (world.GetPlayer()->GetComponent<RJumpComponent>()->IsGrounded())
                            break;
                    }
                    return InRoom(world, "Summit") && world.GetPlayer()->GetComponent<RJumpComponent>()->IsGrounded() &&
                                   std::fabs(world.GetPlayer()->GetY() - 22 * 8.0f) < 0.5f
                               ? 0
                               : 4;
                }),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
