// The jump movement and the components around it: jump height and air time against launch speed and gravity,
// the jump buffer, extra and wall jumps, landing on and dropping through one-way platforms, riding moving
// platforms, standing still on box edges and tile seams; game entities in the tick lists with interpolated
// display positions and their shader parameters; marked entities deleted only after the fixed steps; animation
// and camera components.
#include "GameOrientationTest.h"
#include "core/system/RTickable.h"
#include "render/effects/RShaderParam.h"
#include "render/view/RCamera.h"
#include "scene/RAnimationComponent.h"
#include "scene/RBasingComponent.h"
#include "scene/RCameraComponent.h"
#include "scene/RCollisionBox.h"
#include "scene/RCollisionWorld.h"
#include "scene/RDeleteComponent.h"
#include "scene/RGameEntity.h"
#include "scene/RJumpComponent.h"
#include "scene/RSpatialComponent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

const float kStep = 1.0f / 60.0f;

class Movement : public GameOrientationTest {
protected:
    // A solid box listed in the world, deleted with the test.
    RCollisionBox* AddBox(float x, float y, float hx, float hy)
    {
        m_boxes.emplace_back(new RCollisionBox({x, y}, {hx, hy}));
        RCollisionWorld::GetInstance()->AddShape(m_boxes.back().get());
        return m_boxes.back().get();
    }

    std::vector<std::unique_ptr<RCollisionBox>> m_boxes;
};

// An entity with a 4 x 8 box, jump (launch 300, gravity 600) and basing, standing at x on a floor whose top is
// at y = 0.
struct Jumper {
    explicit Jumper(float x = 0.0f)
    {
        spatial = entity.AddComponent<RSpatialComponent>();
        jump = entity.AddComponent<RJumpComponent>();
        basing = entity.AddComponent<RBasingComponent>();
        spatial->SetBox({2, 4}, {0, 0});
        spatial->SetPosition({x, -4.0f - RSpatialComponent::kSkin, 0});
        jump->SetLaunchSpeed(300.0f);
        jump->SetGravity(600.0f);
    }
    void Step()
    {
        basing->Carry();
        jump->Step(kStep);
    }
    float Y() const { return spatial->GetPosition().y; }

    REntity entity;
    RSpatialComponent* spatial;
    RJumpComponent* jump;
    RBasingComponent* basing;
};

}  // namespace

TEST_F(Movement, AJumpRisesAndFallsAsLaunchSpeedAndGravityGive)
{
    AddBox(0, 10, 100, 10);
    Jumper jumper;
    jumper.Step();
    ASSERT_TRUE(jumper.jump->IsGrounded());
    const float ground = jumper.Y();
    jumper.jump->RequestJump();
    float highest = 0.0f;
    int steps = 0;
    do {
        jumper.Step();
        highest = std::fmax(highest, ground - jumper.Y());
        ++steps;
        if (steps == 1) {
            EXPECT_TRUE(jumper.jump->JustJumped());
        }
    } while (!jumper.jump->IsGrounded() && steps < 200);
    EXPECT_TRUE(jumper.jump->JustLanded());
    // v^2 / 2g = 75 and 2v / g = 1 s; a fixed step may cost up to one step's travel and one step of time.
    EXPECT_NEAR(highest, 75.0f, 300.0f * kStep);
    EXPECT_NEAR(steps * kStep, 1.0f, 1.5f * kStep);
    EXPECT_NEAR(jumper.Y(), ground, 1e-3f) << "lands where it started";
    jumper.Step();
    EXPECT_FALSE(jumper.jump->JustLanded());
}

TEST_F(Movement, AJumpAskedForShortlyBeforeLandingHappensOnLanding)
{
    AddBox(0, 10, 100, 10);
    // The fall lasts 0.4 s from rest; the jump is asked for at several times before the landing.
    struct Case {
        float before;
        bool jumps;
    };
    for (Case c : {Case{0.05f, true}, Case{0.09f, true}, Case{0.15f, false}, Case{0.3f, false}}) {
        Jumper jumper;
        jumper.spatial->SetPosition({0, -4.0f - RSpatialComponent::kSkin - 48.0f, 0});  // 0.4 s of fall
        int steps = 0;
        const int askAt = static_cast<int>(std::lround((0.4f - c.before) / kStep));
        bool jumped = false;
        while (steps < 60) {
            if (steps == askAt)
                jumper.jump->RequestJump();
            jumper.Step();
            jumped = jumped || jumper.jump->JustJumped();
            ++steps;
        }
        EXPECT_EQ(jumped, c.jumps) << "asked " << c.before << " s before landing";
    }
}

TEST_F(Movement, ExtraJumpsAndWallJumpsInTheAir)
{
    AddBox(0, 10, 100, 10);
    AddBox(20, -50, 10, 50);  // a wall whose face is at x = 10
    Jumper jumper;
    jumper.jump->SetExtraJumps(1);
    jumper.Step();
    jumper.jump->RequestJump();
    jumper.Step();
    for (int i = 0; i < 10; ++i)
        jumper.Step();
    jumper.jump->RequestJump();
    jumper.Step();
    EXPECT_TRUE(jumper.jump->JustJumped()) << "the double jump";
    EXPECT_NEAR(jumper.spatial->GetVelocity().y, -300.0f + 600.0f * kStep, 1e-3f);
    for (int i = 0; i < 10; ++i)
        jumper.Step();
    jumper.jump->RequestJump();
    jumper.Step();
    EXPECT_FALSE(jumper.jump->JustJumped()) << "no third jump";

    // Pushed into the wall in the air, the jump pushes away from it.
    jumper.jump->SetWallJumpSpeed(120.0f);
    jumper.spatial->SetPosition({0, -40, 0});
    jumper.spatial->SetVelocity({600, 0, 0});
    jumper.Step();
    ASSERT_TRUE(jumper.jump->IsTouchingWall());
    EXPECT_EQ(jumper.jump->GetWallNormal().x, -1.0f);
    jumper.jump->RequestJump();
    jumper.Step();
    EXPECT_TRUE(jumper.jump->JustJumped());
    EXPECT_NEAR(jumper.spatial->GetVelocity().x, -120.0f, 1e-3f);
    EXPECT_LT(jumper.spatial->GetVelocity().y, -250.0f);
}

TEST_F(Movement, LandingOnAndDroppingThroughAOneWayPlatform)
{
    AddBox(0, 10, 100, 10);                          // the floor, top at 0
    RCollisionBox* platform = AddBox(0, -30, 20, 2);  // top at -32
    platform->SetOneWay(true);
    Jumper jumper;
    EXPECT_FALSE(jumper.jump->DropThrough()) << "nothing one-way underfoot";
    // Up through the platform from below, then down onto it.
    jumper.Step();
    jumper.jump->RequestJump();
    int steps = 0;
    do {
        jumper.Step();
    } while (!jumper.jump->IsGrounded() && ++steps < 200);
    EXPECT_NEAR(jumper.Y(), -36.0f - RSpatialComponent::kSkin, 1e-3f) << "landed on the platform";
    for (int i = 0; i < 30; ++i) {
        jumper.Step();
        ASSERT_TRUE(jumper.jump->IsGrounded());
    }

    EXPECT_TRUE(jumper.jump->DropThrough());
    steps = 0;
    do {
        jumper.Step();
    } while (!jumper.jump->IsGrounded() && ++steps < 200);
    EXPECT_NEAR(jumper.Y(), -4.0f - RSpatialComponent::kSkin, 1e-3f) << "fell through to the floor";
    EXPECT_EQ(jumper.spatial->GetIgnoredOneWayCount(), 0u) << "the platform counts again once left behind";
}

TEST_F(Movement, StandingOnAMovingPlatformCarriesTheEntity)
{
    AddBox(0, 500, 1000, 10);
    // The platform moves before the rider in some steps and after it in others.
    RCollisionBox* platform = AddBox(0, 4, 20, 4);  // top at 0
    Jumper jumper;
    jumper.Step();
    ASSERT_EQ(jumper.basing->GetBase(), platform->GetHandle());
    const std::vector<RVector2> motions = {{1, 0}, {0, -1}, {0, 1.5f}, {-0.5f, -0.5f}};
    RVector2 moved = {0, 0};
    for (int i = 0; i < 240; ++i) {
        const RVector2 motion = motions[(i / 60) % motions.size()];
        auto movePlatform = [&] {
            platform->SetPosition({platform->GetPosition().x + motion.x, platform->GetPosition().y + motion.y});
        };
        if (i % 2)
            movePlatform();
        jumper.Step();
        if (!(i % 2))
            movePlatform();
        moved = {moved.x + motion.x, moved.y + motion.y};
        ASSERT_TRUE(jumper.jump->IsGrounded()) << "step " << i;
    }
    jumper.Step();
    const float top = platform->GetPosition().y - 4.0f;
    EXPECT_NEAR(jumper.spatial->GetPosition().x, moved.x, 1e-3f);
    EXPECT_NEAR(jumper.Y(), top - 4.0f - RSpatialComponent::kSkin, 1e-3f);

    // Off the platform, nothing carries it any more.
    jumper.jump->RequestJump();
    for (int i = 0; i < 3; ++i)
        jumper.Step();
    platform->SetPosition({platform->GetPosition().x + 50.0f, platform->GetPosition().y});
    const float x = jumper.spatial->GetPosition().x;
    jumper.Step();
    EXPECT_EQ(jumper.spatial->GetPosition().x, x);
    EXPECT_EQ(jumper.basing->GetBase().GetId(), 0u);
}

TEST_F(Movement, StandingOnABoxEdgeOrWalkingOverTileSeamsNeitherJittersNorFalls)
{
    // A row of 8-pixel tiles with tops at 0; the entity stands with 0.25 pixels of its box over the last edge.
    for (int i = 0; i < 10; ++i)
        AddBox(i * 8.0f + 4.0f, 4.0f, 4.0f, 4.0f);
    Jumper jumper(80.0f + 2.0f - 0.25f);
    jumper.Step();
    const float y = jumper.Y();
    for (int i = 0; i < 600; ++i) {
        jumper.Step();
        ASSERT_EQ(jumper.Y(), y) << "step " << i;
        ASSERT_TRUE(jumper.jump->IsGrounded());
    }
    // Walking left over every seam at walking speed and at a run.
    for (float speed : {-60.0f, -600.0f}) {
        jumper.spatial->SetPosition({76.0f, y, 0});
        for (int i = 0; i < 30; ++i) {
            RVector3 velocity = jumper.spatial->GetVelocity();
            velocity.x = speed;
            jumper.spatial->SetVelocity(velocity);
            const float x = jumper.spatial->GetPosition().x;
            jumper.Step();
            if (jumper.spatial->GetPosition().x < 2.0f)
                break;
            ASSERT_NEAR(jumper.spatial->GetPosition().x, x + speed * kStep, 1e-3f) << "snagged on a seam";
            ASSERT_EQ(jumper.Y(), y);
        }
    }
}

namespace {

// A game entity that runs a hook in its fixed step and counts its ticks.
class StepEntity : public RGameEntity {
public:
    std::function<void(StepEntity*)> onStep;
    std::function<void()> onDelete;
    int fixedSteps = 0;
    int frameSteps = 0;
    ~StepEntity() override
    {
        if (onDelete)
            onDelete();
    }

protected:
    void FixedStep(float step) override
    {
        ++fixedSteps;
        if (onStep)
            onStep(this);
        RGameEntity::FixedStep(step);
    }
    void FrameStep(float step) override { ++frameSteps; }
};

void RunPass(uint32_t mask, float step)
{
    RTickableManager* manager = RTickableManager::GetInstance();
    manager->Sort(mask);
    manager->Tick(mask, step);
    manager->PostTick(mask, step);
}

}  // namespace

TEST_F(Movement, GameEntitiesStepInFixedStepsAndInterpolateTheirDisplay)
{
    StepEntity* entity = new StepEntity();
    EXPECT_EQ(entity->GetMask(), 6u);
    RSpatialComponent* spatial = entity->AddComponent<RSpatialComponent>();
    spatial->SetPosition({10, 0, 0});
    spatial->SetVelocity({60, 0, 0});
    RunPass(RTickableBase::kEngineFrame, kStep);
    EXPECT_EQ(entity->fixedSteps + entity->frameSteps, 0);
    RunPass(RTickableBase::kGameStep, kStep);
    RunPass(RTickableBase::kGameStep, kStep);
    EXPECT_EQ(entity->fixedSteps, 2);
    EXPECT_NEAR(spatial->GetPosition().x, 12.0f, 1e-4f);

    RGameEntity::SetInterpolationFraction(0.25f);
    RunPass(RTickableBase::kGameFrame, kStep);
    EXPECT_EQ(entity->frameSteps, 1);
    EXPECT_NEAR(spatial->GetDisplayPosition().x, 11.25f, 1e-4f) << "a quarter of the way through the last step";
    RGameEntity::SetInterpolationFraction(std::nanf(""));
    RunPass(RTickableBase::kGameFrame, kStep);
    EXPECT_NEAR(spatial->GetDisplayPosition().x, 12.0f, 1e-4f);
    RGameEntity::SetInterpolationFraction(-3.0f);
    EXPECT_EQ(RGameEntity::GetInterpolationFraction(), 0.0f);
    spatial->SetPosition({100, 0, 0});
    RunPass(RTickableBase::kGameFrame, kStep);
    EXPECT_EQ(spatial->GetDisplayPosition().x, 100.0f) << "a placed entity is shown there at once";

    // Its own shader parameters, by name.
    RShaderParamMapping position(nullptr, RHashedString("EntityPosition"), SHADER_PARAM_VECTOR, 1, nullptr);
    RShaderParamMapping tint(nullptr, RHashedString("Tint"), SHADER_PARAM_VECTOR, 1, nullptr);
    EXPECT_TRUE(entity->InformShaderParams(&position, RHashedString(), entity));
    EXPECT_FALSE(entity->InformShaderParams(&tint, RHashedString(), entity));
    entity->SetShaderVector(RHashedString("tint"), RVector4{1, 0, 0, 1});
    EXPECT_TRUE(entity->InformShaderParams(&tint, RHashedString(), entity));

    delete entity;
    EXPECT_EQ(RTickableManager::GetInstance()->GetListCount(RTickableBase::kGameStep), 0u);
    EXPECT_EQ(RTickableManager::GetInstance()->GetListCount(RTickableBase::kGameFrame), 0u);
    RGameEntity::SetInterpolationFraction(1.0f);
}

TEST_F(Movement, MarkedEntitiesGoOnlyAfterTheFixedStepsEachOnce)
{
    // Five entities; in the first step the second marks itself and the fourth, twice.
    std::vector<StepEntity*> entities;
    std::vector<RHandle> handles;
    for (int i = 0; i < 5; ++i) {
        entities.push_back(new StepEntity());
        handles.push_back(entities.back()->GetHandle());
    }
    int deaths = 0;
    for (StepEntity* entity : entities)
        entity->onDelete = [&deaths] { ++deaths; };
    StepEntity* fourth = entities[3];
    entities[1]->onStep = [fourth](StepEntity* self) {
        self->AddComponent<RDeleteComponent>();
        fourth->AddComponent<RDeleteComponent>();
        fourth->AddComponent<RDeleteComponent>();
    };
    // The fifth, when deleted, marks the first from its destructor.
    StepEntity* first = entities[0];
    entities[4]->onDelete = [&deaths, first] {
        ++deaths;
        first->AddComponent<RDeleteComponent>();
    };
    RunPass(RTickableBase::kGameStep, kStep);
    for (int i : {0, 1, 2, 4})
        EXPECT_EQ(entities[i]->fixedSteps, 1) << "every entity ticked: none was deleted during the pass";
    EXPECT_LE(entities[3]->fixedSteps, 1) << "marked before or after its turn";
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(RDeleteComponent::GetMarkedCount(), 2u);
    RunPass(RTickableBase::kGameStep, kStep);
    EXPECT_EQ(entities[1]->fixedSteps, 1) << "a marked entity ticks no more";
    EXPECT_EQ(entities[2]->fixedSteps, 2);

    entities[4]->AddComponent<RDeleteComponent>();
    EXPECT_EQ(RDeleteComponent::DeleteMarkedEntities(), 4u);
    EXPECT_EQ(deaths, 4);
    for (int i : {0, 1, 3, 4})
        EXPECT_EQ(handles[i].Get(), nullptr);
    EXPECT_NE(handles[2].Get(), nullptr);
    EXPECT_EQ(RDeleteComponent::GetMarkedCount(), 0u);
    EXPECT_EQ(RDeleteComponent::DeleteMarkedEntities(), 0u);
    delete entities[2];
}

TEST_F(Movement, ContactHandlersMayDeleteTheirOwnEntity)
{
    // The contact handler of a entity hit by a move deletes the entity there and then.
    struct Doomed : public REntity {
        void OnContact(const RContact& contact) override { delete this; }
    };
    AddBox(10, 0, 1, 10);
    Doomed* doomed = new Doomed();
    const RHandle handle = doomed->GetHandle();
    RSpatialComponent* spatial = doomed->AddComponent<RSpatialComponent>();
    doomed->AddComponent<RJumpComponent>()->SetGravity(10.0f);
    spatial->SetBox({1, 1}, {0, 0});
    spatial->SetVelocity({6000, 0, 0});
    doomed->GetComponent<RJumpComponent>()->Step(kStep);
    EXPECT_EQ(handle.Get(), nullptr);
}

TEST(SceneComponents, AnimationsLoopOrPlayOnce)
{
    RAnimationComponent animation;
    const int32_t frames[3] = {4, 5, 6};
    const float durations[3] = {0.1f, 0.2f, 0.1f};
    const float bad[2] = {0.1f, 0.0f};
    EXPECT_FALSE(animation.AddSequence(RHashedString("Walk"), frames, bad, 2, true));
    EXPECT_FALSE(animation.AddSequence(RHashedString("Walk"), frames, durations, 0, true));
    EXPECT_TRUE(animation.AddSequence(RHashedString("Walk"), frames, durations, 3, true));
    EXPECT_TRUE(animation.AddSequence(RHashedString("Die"), frames, durations, 3, false));
    EXPECT_EQ(animation.GetFrame(), -1);
    EXPECT_FALSE(animation.Play(RHashedString("Fly"), false));

    ASSERT_TRUE(animation.Play(RHashedString("walk"), false));
    const std::vector<std::pair<float, int32_t>> walk = {{0.05f, 4}, {0.1f, 5}, {0.1f, 5}, {0.1f, 6}, {0.1f, 4},
                                                         {40.0f, 4}, {0.1f, 5}, {-1.0f, 5}, {INFINITY, 5}};
    for (const auto& [step, frame] : walk) {
        animation.Update(step);
        EXPECT_EQ(animation.GetFrame(), frame) << "after " << step;
    }
    animation.Play(RHashedString("Walk"), false);
    EXPECT_EQ(animation.GetFrame(), 5) << "playing on";
    animation.Play(RHashedString("Walk"), true);
    EXPECT_EQ(animation.GetFrame(), 4);

    animation.Play(RHashedString("Die"), false);
    animation.Update(0.35f);
    EXPECT_FALSE(animation.IsFinished());
    animation.Update(0.1f);
    EXPECT_TRUE(animation.IsFinished());
    EXPECT_EQ(animation.GetFrame(), 6) << "holds the last frame";
    EXPECT_EQ(animation.GetSequence(), RHashedString("Die"));
}

TEST(SceneComponents, TheCameraFollowsItsTargetWithinBounds)
{
    REntity player;
    RSpatialComponent* spatial = player.AddComponent<RSpatialComponent>();
    REntity* holder = new REntity();
    RCameraComponent* follow = holder->AddComponent<RCameraComponent>();
    RCamera camera(60.0f, 1.0f, 1.0f, 100.0f);
    camera.SetPosition({0, 0, -50});
    follow->SetTarget(&player);
    follow->SetCamera(&camera);
    follow->SetViewSize({320, 192});
    follow->SetBounds({0, 0}, {640, 192});
    struct Case {
        RVector3 at;
        RVector2 center;
    };
    for (Case c : {Case{{300, 50, 0}, {300, 96}}, Case{{20, 50, 0}, {160, 96}}, Case{{630, 300, 0}, {480, 96}}}) {
        spatial->SetPosition(c.at);
        follow->Update();
        EXPECT_EQ(follow->GetCenter().x, c.center.x);
        EXPECT_EQ(follow->GetCenter().y, c.center.y);
        EXPECT_EQ(camera.GetPosition().x, c.center.x);
        EXPECT_EQ(camera.GetPosition().z, -50.0f) << "depth kept";
    }
    follow->SetBounds({0, 0}, {-1, -1});
    spatial->SetPosition({-5, 7, 0});
    follow->Update();
    EXPECT_EQ(follow->GetCenter().x, -5.0f) << "unbounded";
    delete holder;
}
