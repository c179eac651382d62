// The collision world: exact times of contact and normals of every shape kind, touching and overlapping boxes,
// sliding and stopping, one-way shapes, triggers, the grid against a plain loop over every shape, and random
// sweeps through a random tile room that must never end inside a solid box.
#include "GameOrientationTest.h"
#include "tests/TestFiles.h"
#include "core/types/RHandle.h"
#include "core/files/RStreamMgr.h"
#include "render/view/RCamera.h"
#include "scene/RCollisionBox.h"
#include "scene/RCollisionMesh.h"
#include "scene/RCollisionPoint.h"
#include "scene/RCollisionQuad.h"
#include "scene/RCollisionSphere.h"
#include "scene/RCollisionWorld.h"
#include "scene/REntity.h"
#include "scene/RSpatialComponent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <unistd.h>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

using Collision = GameOrientationTest;

struct SweepCase {
    const char* what;
    std::function<RCollisionInterface*()> make;
    RVector2 center, half, delta;
    ESweepResult result;
    float time;
    RVector2 normal;
};

RCollisionInterface* Box(float x, float y, float hx, float hy) { return new RCollisionBox({x, y}, {hx, hy}); }

RCollisionInterface* Quad(float x, float y, std::vector<RVector2> corners)
{
    RCollisionQuad* quad = new RCollisionQuad();
    quad->SetPosition({x, y});
    EXPECT_TRUE(quad->SetCorners(corners.data()));
    return quad;
}

RCollisionInterface* SquareMesh(float x, float y, float side)
{
    const RVector2 vertices[4] = {{0, 0}, {side, 0}, {side, side}, {0, side}};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    RCollisionMesh* mesh = new RCollisionMesh();
    mesh->SetPosition({x, y});
    EXPECT_TRUE(mesh->SetTriangles(vertices, 4, indices, 6));
    return mesh;
}

// Depth by which two boxes overlap (the smaller axis); zero or less when they are apart or touching.
float OverlapDepth(const RVector2& aMin, const RVector2& aMax, const RVector2& bMin, const RVector2& bMax)
{
    const float x = std::fmin(aMax.x, bMax.x) - std::fmax(aMin.x, bMin.x);
    const float y = std::fmin(aMax.y, bMax.y) - std::fmax(aMin.y, bMin.y);
    return std::fmin(x, y);
}

}  // namespace

TEST_F(Collision, EveryShapeKindGivesTheExactFirstContactAndNormal)
{
    const float r = std::sqrt(0.5f);
    const std::vector<SweepCase> cases = {
        {"box side", [] { return Box(6, 0, 1, 1); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_HIT, 0.4f, {-1, 0}},
        {"box from above", [] { return Box(0, 0, 2, 1); }, {0, -5}, {1, 1}, {0, 10}, SWEEP_HIT, 0.3f, {0, -1}},
        {"box missed", [] { return Box(6, 3, 1, 1); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_MISS, 0, {0, 0}},
        {"box out of reach", [] { return Box(20, 0, 1, 1); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_MISS, 0, {0, 0}},
        {"point mover into box", [] { return Box(5, 0, 1, 1); }, {0, 0}, {0, 0}, {10, 0}, SWEEP_HIT, 0.4f, {-1, 0}},
        {"box onto point", [] { return new RCollisionPoint({5, 0.5f}); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_HIT, 0.4f,
         {-1, 0}},
        {"point across a zero-width wall", [] { return Box(5, 0, 0, 3); }, {0, 0}, {0, 0}, {10, 0}, SWEEP_HIT, 0.5f,
         {-1, 0}},
        {"sphere face", [] { return new RCollisionSphere({6, 0}, 1); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_HIT, 0.4f,
         {-1, 0}},
        {"sphere corner", [] { return new RCollisionSphere({6, 1.6f}, 1); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_HIT,
         0.42f, {-0.8f, -0.6f}},
        {"sphere passed by", [] { return new RCollisionSphere({6, 3.1f}, 1); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_MISS,
         0, {0, 0}},
        {"zero sphere", [] { return new RCollisionSphere({5, 0}, 0); }, {0, 0}, {1, 1}, {10, 0}, SWEEP_HIT, 0.4f,
         {-1, 0}},
        {"quad slope face", [] { return Quad(0, 0, {{0, 0}, {8, 0}, {8, -8}, {8, -8}}); }, {2, -10}, {1, 1}, {0, 10},
         SWEEP_HIT, 0.6f, {-r, -r}},
        {"quad vertex on a box side", [] { return Quad(10, 0, {{0, -2}, {2, 0}, {0, 2}, {-2, 0}}); }, {0, 0}, {1, 1},
         {20, 0}, SWEEP_HIT, 0.35f, {-1, 0}},
        {"mesh", [] { return SquareMesh(10, -2, 4); }, {0, 0}, {0, 0}, {20, 0}, SWEEP_HIT, 0.5f, {-1, 0}},
        {"mesh from below", [] { return SquareMesh(10, -2, 4); }, {12, 10}, {1, 1}, {0, -20}, SWEEP_HIT, 0.35f,
         {0, 1}},
        {"inside a box", [] { return Box(0, 0, 4, 4); }, {0, 0}, {1, 1}, {1, 0}, SWEEP_OVERLAP, 0, {0, 0}},
        {"touching, moving in", [] { return Box(0, 2, 4, 1); }, {0, 0}, {1, 1}, {0, 1}, SWEEP_HIT, 0, {0, -1}},
        {"touching, moving along", [] { return Box(0, 2, 4, 1); }, {0, 0}, {1, 1}, {5, 0}, SWEEP_MISS, 0, {0, 0}},
        {"touching, moving away", [] { return Box(0, 2, 4, 1); }, {0, 0}, {1, 1}, {0, -5}, SWEEP_MISS, 0, {0, 0}},
    };
    for (const SweepCase& c : cases) {
        std::unique_ptr<RCollisionInterface> shape(c.make());
        RSweepHit hit;
        const ESweepResult result = shape->SweepBox(c.center, c.half, c.delta, &hit);
        EXPECT_EQ(result, c.result) << c.what;
        if (result != SWEEP_HIT || c.result != SWEEP_HIT)
            continue;
        EXPECT_NEAR(hit.time, c.time, 1e-5f) << c.what;
        EXPECT_NEAR(hit.normal.x, c.normal.x, 1e-5f) << c.what;
        EXPECT_NEAR(hit.normal.y, c.normal.y, 1e-5f) << c.what;
    }
}

TEST_F(Collision, MalformedShapesAreRefusedOrHarmless)
{
    RCollisionMesh mesh;
    const RVector2 vertices[3] = {{0, 0}, {1, 0}, {0, 1}};
    const uint16_t indices[4] = {0, 1, 2, 3};
    EXPECT_FALSE(mesh.SetTriangles(vertices, 3, indices, 4)) << "not whole triangles";
    EXPECT_FALSE(mesh.SetTriangles(vertices, 3, indices + 1, 3)) << "an index past the vertices";
    const RVector2 bad[3] = {{0, 0}, {std::nanf(""), 0}, {0, 1}};
    EXPECT_FALSE(mesh.SetTriangles(bad, 3, indices, 3));
    EXPECT_EQ(mesh.GetTriangleCount(), 0u);
    RSweepHit hit;
    EXPECT_EQ(mesh.SweepBox({0, 0}, {1, 1}, {5, 5}, &hit), SWEEP_MISS) << "an empty mesh meets nothing";

    RCollisionQuad quad;
    const RVector2 infinite[4] = {{0, 0}, {INFINITY, 0}, {1, 1}, {0, 1}};
    EXPECT_FALSE(quad.SetCorners(infinite));
    const RVector2 line[4] = {{0, 0}, {2, 2}, {4, 4}, {4, 4}};  // collinear: a segment
    EXPECT_TRUE(quad.SetCorners(line));
    EXPECT_EQ(quad.SweepBox({-5, 2}, {0.5f, 0.5f}, {10, 0}, &hit), SWEEP_HIT);

    RCollisionBox box({0, 0}, {-3, std::nanf("")});
    RVector2 min, max;
    box.GetBounds(&min, &max);
    EXPECT_EQ(min.x, 0.0f);
    EXPECT_EQ(max.y, 0.0f);

    // A box placed at a non-finite position is listed without harm and met by nothing.
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    RCollisionBox far({std::nanf(""), INFINITY}, {1, 1});
    world->AddShape(&far);
    RCollisionBox wall({5, 0}, {1, 1});
    world->AddShape(&wall);
    RSweepContact contact;
    EXPECT_TRUE(world->SweepBox({0, 0}, {1, 1}, {10, 0}, RSweepFilter(), &contact, nullptr));
    EXPECT_EQ(contact.shape, &wall);
    EXPECT_FALSE(world->SweepBox({0, 0}, {1, 1}, {INFINITY, 0}, RSweepFilter(), &contact, nullptr));
}

TEST_F(Collision, MovesSlideAlongWallsOrStopAtThem)
{
    REntity entity;
    RSpatialComponent* spatial = entity.AddComponent<RSpatialComponent>();
    spatial->SetBox({1, 1}, {0, 0});
    RCollisionBox wall({6, 0}, {1, 10});
    RCollisionWorld::GetInstance()->AddShape(&wall);
    spatial->SetVelocity({10, 5, 0});

    EXPECT_FALSE(spatial->Move({10, 5, 0}));
    EXPECT_NEAR(spatial->GetPosition().x, 4.0f - RSpatialComponent::kSkin, 1e-4f);
    EXPECT_NEAR(spatial->GetPosition().y, 5.0f, 1e-4f) << "the slide keeps the whole move along the wall";
    EXPECT_EQ(spatial->GetVelocity().x, 0.0f) << "the velocity loses its part into the wall";
    EXPECT_EQ(spatial->GetVelocity().y, 5.0f);
    ASSERT_EQ(spatial->GetContactCount(), 1u);
    EXPECT_EQ(spatial->GetContact(0).shape, wall.GetHandle());
    EXPECT_EQ(spatial->GetContact(0).normal.x, -1.0f);

    spatial->SetPosition({0, 0, 0});
    spatial->SetSlide(false);
    spatial->Move({10, 5, 0});
    EXPECT_NEAR(spatial->GetPosition().x, 4.0f - RSpatialComponent::kSkin, 1e-4f);
    EXPECT_NEAR(spatial->GetPosition().y, 2.0f, 0.01f) << "stopped at the contact";

    // Into a corner: both walls stop it, without passing either.
    RCollisionBox floor({0, 6}, {10, 1});
    RCollisionWorld::GetInstance()->AddShape(&floor);
    spatial->SetSlide(true);
    spatial->SetPosition({0, 0, 0});
    spatial->Move({100, 100, 0});
    EXPECT_NEAR(spatial->GetPosition().x, 4.0f - RSpatialComponent::kSkin, 1e-3f);
    EXPECT_NEAR(spatial->GetPosition().y, 4.0f - RSpatialComponent::kSkin, 1e-3f);

    // Standing still in a trigger still reports it.
    RCollisionBox checkpoint({0, 0}, {2, 2});
    checkpoint.SetTrigger(true);
    RCollisionWorld::GetInstance()->AddShape(&checkpoint);
    spatial->SetPosition({1, 1, 0});
    EXPECT_TRUE(spatial->Move({0, 0, 0}));
    ASSERT_EQ(spatial->GetContactCount(), 1u);
    EXPECT_TRUE(spatial->GetContact(0).trigger);
    EXPECT_EQ(spatial->GetContact(0).shape, checkpoint.GetHandle());
}

TEST_F(Collision, NonFiniteMovesStopTheEntityAndLeaveTheWorldSound)
{
    REntity entity;
    RSpatialComponent* spatial = entity.AddComponent<RSpatialComponent>();
    spatial->SetBox({1, 1}, {0, 0});
    spatial->SetPosition({3, 4, 0});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (RVector3 velocity : {RVector3{nan, 0, 0}, RVector3{0, INFINITY, 0}, RVector3{0, 0, -INFINITY}}) {
        spatial->SetVelocity(velocity);
        EXPECT_FALSE(spatial->Step(1.0f / 60.0f));
        EXPECT_EQ(spatial->GetPosition().x, 3.0f);
        EXPECT_EQ(spatial->GetPosition().y, 4.0f);
        EXPECT_EQ(spatial->GetVelocity().x, 0.0f);
        EXPECT_EQ(spatial->GetVelocity().y, 0.0f);
    }
    spatial->SetPosition({nan, 0, 0});
    EXPECT_EQ(spatial->GetPosition().x, 3.0f) << "a non-finite position is refused";
    // Another mover still meets the box where it was left.
    REntity other;
    RSpatialComponent* mover = other.AddComponent<RSpatialComponent>();
    mover->SetBox({1, 1}, {0, 0});
    mover->SetPosition({-10, 4, 0});
    EXPECT_FALSE(mover->Move({30, 0, 0}));
    EXPECT_NEAR(mover->GetPosition().x, 1.0f - RSpatialComponent::kSkin, 1e-4f);
}

TEST_F(Collision, OneWayShapesBlockOnlyFromAboveAndTriggersNever)
{
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    RCollisionBox platform({0, 0}, {4, 1});
    platform.SetOneWay(true);
    world->AddShape(&platform);
    RCollisionBox trigger({0, -10}, {1, 1});
    trigger.SetTrigger(true);
    trigger.SetUserTag(7);
    world->AddShape(&trigger);

    RSweepContact contact;
    RUtilVector<RHandle> triggers;
    EXPECT_TRUE(world->SweepBox({0, -5}, {1, 1}, {0, 10}, RSweepFilter(), &contact, &triggers)) << "from above";
    EXPECT_EQ(contact.shape, &platform);
    EXPECT_NEAR(contact.hit.time, 0.3f, 1e-6f);
    EXPECT_EQ(triggers.getCount(), 0u);
    EXPECT_FALSE(world->SweepBox({0, 5}, {1, 1}, {0, -20}, RSweepFilter(), &contact, &triggers)) << "from below";
    ASSERT_EQ(triggers.getCount(), 1u) << "the trigger crossed on the way";
    EXPECT_EQ(triggers[0], trigger.GetHandle());
    EXPECT_FALSE(world->SweepBox({-10, 0}, {1, 0.5f}, {20, 0}, RSweepFilter(), &contact, nullptr)) << "sideways";
    RSweepFilter dropping;
    dropping.blockOneWay = false;
    EXPECT_FALSE(world->SweepBox({0, -5}, {1, 1}, {0, 10}, dropping, &contact, nullptr));

    // A trigger beyond the first solid contact is not reached; one the box starts in is reported at once.
    RCollisionBox floor({0, 20}, {10, 1});
    world->AddShape(&floor);
    RCollisionBox below({0, 30}, {1, 1});
    below.SetTrigger(true);
    world->AddShape(&below);
    triggers.free();
    EXPECT_TRUE(world->SweepBox({0, 10}, {1, 1}, {0, 40}, RSweepFilter(), &contact, &triggers));
    EXPECT_EQ(contact.shape, &floor);
    EXPECT_EQ(triggers.getCount(), 0u);
    world->SweepBox({0, -10}, {1, 1}, {0, 0}, RSweepFilter(), &contact, &triggers);
    EXPECT_EQ(triggers.getCount(), 1u);

    // Shapes taken out are met by nothing.
    world->RemoveShape(&floor);
    world->RemoveShape(&platform);
    EXPECT_FALSE(world->SweepBox({0, -5}, {1, 1}, {0, 40}, RSweepFilter(), &contact, nullptr));
}

TEST_F(Collision, ShapesLeaveTheWorldWhenDeletedAndOutliveIt)
{
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    RCollisionBox* box = new RCollisionBox({5, 0}, {1, 1});
    world->AddShape(box);
    world->AddShape(box);
    EXPECT_EQ(world->GetShapeCount(), 1u);
    RSweepContact contact;
    EXPECT_TRUE(world->SweepBox({0, 0}, {1, 1}, {10, 0}, RSweepFilter(), &contact, nullptr));
    delete box;
    EXPECT_EQ(world->GetShapeCount(), 0u);
    EXPECT_FALSE(world->SweepBox({0, 0}, {1, 1}, {10, 0}, RSweepFilter(), &contact, nullptr));

    // Moving a shape moves it in the grid.
    RCollisionBox moving({5, 0}, {1, 1});
    world->AddShape(&moving);
    moving.SetPosition({500, 300});
    EXPECT_FALSE(world->SweepBox({0, 0}, {1, 1}, {10, 0}, RSweepFilter(), &contact, nullptr));
    EXPECT_TRUE(world->SweepBox({490, 300}, {1, 1}, {10, 0}, RSweepFilter(), &contact, nullptr));
    RCollisionWorld::DestroyInstance();
    moving.SetPosition({0, 0});  // outside any world now: nothing to update
    EXPECT_EQ(RCollisionWorld::GetExisting(), nullptr);
}

TEST_F(Collision, AShapeNudgedAcrossACellEdgeIsFoundInItsNewCell)
{
    // Enough shapes elsewhere that a small query reads the grid, not every shape.
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    std::vector<std::unique_ptr<RCollisionBox>> others;
    for (int i = 0; i < 40; ++i) {
        others.emplace_back(new RCollisionBox({1000.0f + i * 40.0f, 1000.0f}, {4.0f, 4.0f}));
        world->AddShape(others.back().get());
    }
    const float cell = RCollisionWorld::kCellSize;
    // A box inside the cell (1, 1) is nudged a few units so that one of its edges enters the next cell, the
    // other edges staying in theirs; a small box sweeping towards it inside that next cell alone must meet it.
    struct Nudge {
        const char* edge;
        RVector2 by;
        RVector2 sweepFrom, sweepBy;
    };
    // Nudged by 10, the box's edge lies 2 units past the cell edge; the sweep starts 3 units short of it and
    // ends 1 unit short of the cell edge.
    const Nudge nudges[] = {
        {"lower", {0.0f, -10.0f}, {1.5f * cell, cell - 6.0f}, {0.0f, 4.0f}},
        {"upper", {0.0f, 10.0f}, {1.5f * cell, 2.0f * cell + 6.0f}, {0.0f, -4.0f}},
        {"left", {-10.0f, 0.0f}, {cell - 6.0f, 1.5f * cell}, {4.0f, 0.0f}},
        {"right", {10.0f, 0.0f}, {2.0f * cell + 6.0f, 1.5f * cell}, {-4.0f, 0.0f}},
    };
    for (const Nudge& nudge : nudges) {
        SCOPED_TRACE(nudge.edge);
        RCollisionBox box({1.5f * cell, 1.5f * cell}, {8.0f, 8.0f});
        world->AddShape(&box);
        box.SetPosition({1.5f * cell + nudge.by.x, 1.5f * cell + nudge.by.y});
        RSweepContact contact;
        ASSERT_TRUE(world->SweepBox(nudge.sweepFrom, {1.0f, 1.0f}, nudge.sweepBy, RSweepFilter(), &contact, nullptr));
        EXPECT_EQ(contact.shape, &box);
        EXPECT_NEAR(contact.hit.time, 0.75f, 1e-4f);
        // Nudged back, it is met where it was and no longer in the cell it left.
        box.SetPosition({1.5f * cell, 1.5f * cell});
        EXPECT_FALSE(world->SweepBox(nudge.sweepFrom, {1.0f, 1.0f}, nudge.sweepBy, RSweepFilter(), &contact, nullptr));
        EXPECT_TRUE(world->SweepBox({1.5f * cell, cell + 3.0f}, {1.0f, 1.0f}, {0.0f, 5.0f}, RSweepFilter(), &contact,
                                    nullptr));
        world->RemoveShape(&box);
    }
}

TEST_F(Collision, RandomSweepsThroughATileRoomNeverEndInsideASolidBox)
{
    // A room of 40 x 24 tiles of 8 pixels, about a third of them solid, some of them one-way; movers of random
    // sizes fly from free spots by random moves, each move starting where the last ended.
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    std::vector<std::unique_ptr<RCollisionBox>> tiles;
    std::vector<RCollisionInterface*> solids;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool border = x == 0 || y == 0 || x == 39 || y == 23;
            if (!border && unit(random) > 0.3f)
                continue;
            tiles.emplace_back(new RCollisionBox({x * 8.0f + 4.0f, y * 8.0f + 4.0f}, {4.0f, 4.0f}));
            if (!border && unit(random) < 0.1f)
                tiles.back()->SetOneWay(true);
            else
                solids.push_back(tiles.back().get());
            world->AddShape(tiles.back().get());
        }
    }
    auto overlapsAny = [](const RCollisionBox* box, const std::vector<RCollisionInterface*>& shapes) {
        RVector2 min, max;
        box->GetBounds(&min, &max);
        for (RCollisionInterface* shape : shapes) {
            RVector2 sMin, sMax;
            shape->GetBounds(&sMin, &sMax);
            if (OverlapDepth(min, max, sMin, sMax) > 1e-3f)
                return true;
        }
        return false;
    };
    std::vector<RCollisionInterface*> all;
    for (const auto& tile : tiles)
        all.push_back(tile.get());
    auto insideSolid = [&](const RCollisionBox* box) { return overlapsAny(box, solids); };
    auto insideTile = [&](const RCollisionBox* box) { return overlapsAny(box, all); };

    REntity entity;
    RSpatialComponent* spatial = entity.AddComponent<RSpatialComponent>();
    int sweeps = 0;
    int grounded = 0;
    while (sweeps < 10000) {
        const RVector2 half = {0.5f + unit(random) * 6.0f, 0.5f + unit(random) * 6.0f};
        RCollisionBox* box = spatial->SetBox(half, {0, 0});
        spatial->SetPosition({8.0f + unit(random) * 304.0f, 8.0f + unit(random) * 176.0f, 0.0f});
        if (insideTile(box))
            continue;
        for (int move = 0; move < 20 && sweeps < 10000; ++move, ++sweeps) {
            const float reach = unit(random) < 0.1f ? 400.0f : 24.0f;
            const RVector3 delta = {(unit(random) - 0.5f) * reach, (unit(random) - 0.5f) * reach, 0.0f};
            spatial->SetSlide(unit(random) < 0.8f);
            spatial->Move(delta);
            ASSERT_FALSE(insideSolid(box)) << "sweep " << sweeps << " ended inside a solid box";
            for (uint32_t i = 0; i < spatial->GetContactCount(); ++i)
                grounded += spatial->GetContact(i).normal.y < -0.5f;
        }
    }
    EXPECT_GT(grounded, 100) << "the moves met the tiles often";
}

TEST_F(Collision, TheGridFindsWhatALoopOverEveryShapeFinds)
{
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    RCollisionWorld* world = RCollisionWorld::GetInstance();
    std::vector<std::unique_ptr<RCollisionInterface>> shapes;
    for (int i = 0; i < 300; ++i) {
        const RVector2 at = {unit(random) * 600.0f - 100.0f, unit(random) * 400.0f - 100.0f};
        switch (i % 4) {
        case 0: shapes.emplace_back(new RCollisionBox(at, {unit(random) * 10.0f, unit(random) * 10.0f})); break;
        case 1: shapes.emplace_back(new RCollisionSphere(at, unit(random) * 8.0f)); break;
        case 2: shapes.emplace_back(new RCollisionPoint(at)); break;
        default: shapes.emplace_back(Quad(at.x, at.y, {{0, 0}, {6, 2}, {5, 8}, {-1, 5}})); break;
        }
        world->AddShape(shapes.back().get());
    }
    shapes.emplace_back(new RCollisionBox({0, 0}, {2000.0f, 1.0f}));  // too large for the grid
    world->AddShape(shapes.back().get());
    for (int i = 0; i < 2000; ++i) {
        if (i == 1000) {
            for (int s = 0; s < 50; ++s)
                shapes[s]->SetPosition({unit(random) * 600.0f, unit(random) * 400.0f});
        }
        const RVector2 center = {unit(random) * 600.0f - 100.0f, unit(random) * 400.0f - 100.0f};
        const RVector2 half = {unit(random) * 5.0f, unit(random) * 5.0f};
        const float reach = i % 10 == 0 ? 2000.0f : 60.0f;
        const RVector2 delta = {(unit(random) - 0.5f) * reach, (unit(random) - 0.5f) * reach};
        float best = 2.0f;
        for (const auto& shape : shapes) {
            RSweepHit hit;
            if (shape->SweepBox(center, half, delta, &hit) == SWEEP_HIT && hit.time < best)
                best = hit.time;
        }
        RSweepContact contact;
        const bool found = world->SweepBox(center, half, delta, RSweepFilter(), &contact, nullptr);
        ASSERT_EQ(found, best <= 1.0f) << "sweep " << i;
        if (found) {
            ASSERT_EQ(contact.hit.time, best) << "sweep " << i;
        }
    }
}

namespace {

// A mesh file of the square (0, 0) to (4, 4) as two triangles, with a position stream (or texture coordinates
// only).
std::string SquareMeshFile(bool withPositions)
{
    std::string bytes = ".m3d";
    bytes += std::string("\x02\x01\x00\x00", 4);
    PutU32(bytes, 1);  // streams
    PutU32(bytes, 4);  // vertices
    PutU32(bytes, 6);  // indices
    bytes.push_back('\0');  // no tangents
    PutU32(bytes, 2);
    for (uint16_t index : {0, 1, 2, 0, 2, 3}) {
        bytes.push_back(static_cast<char>(index));
        bytes.push_back('\0');
    }
    PutU32(bytes, withPositions ? 0u : 7u);  // POSITION, or the first texture coordinates
    PutU32(bytes, withPositions ? 12u : 8u);
    const float corners[4][3] = {{0, 0, 5}, {4, 0, 5}, {4, 4, 5}, {0, 4, 5}};
    for (const auto& corner : corners) {
        for (int c = 0; c < (withPositions ? 3 : 2); ++c) {
            uint32_t bits;
            std::memcpy(&bits, &corner[c], 4);
            PutU32(bytes, bits);
        }
    }
    return bytes;
}

}  // namespace

TEST_F(Collision, MeshesLoadFromMeshFilesAndRefuseMalformedOnes)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("scene_mesh_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    RStreamMgr::GetInstance()->AddSearchPath(folder.string().c_str());
    const std::string good = SquareMeshFile(true);
    std::string wrongMagic = good;
    wrongMagic[1] = 'M';
    std::string hugeCount = good;
    hugeCount[12] = '\xff';  // vertex count far beyond the bytes
    hugeCount[15] = '\x7f';
    const struct {
        const char* what;
        std::string bytes;
    } bad[] = {{"header only", good.substr(0, 20)},
               {"empty", ""},
               {"wrong magic", wrongMagic},
               {"huge count", hugeCount},
               {"no positions", SquareMeshFile(false)}};

    RCollisionMesh mesh;
    WriteBytes((folder / "Square.m3d").string(), good);
    ASSERT_TRUE(mesh.LoadM3D("Square.m3d"));
    EXPECT_EQ(mesh.GetTriangleCount(), 2u);
    mesh.SetPosition({10, -2});
    RSweepHit hit;
    ASSERT_EQ(mesh.SweepBox({0, 0}, {0, 0}, {20, 0}, &hit), SWEEP_HIT);
    EXPECT_NEAR(hit.time, 0.5f, 1e-6f);
    for (const auto& file : bad) {
        WriteBytes((folder / "Bad.m3d").string(), file.bytes);
        EXPECT_FALSE(mesh.LoadM3D("Bad.m3d")) << file.what;
        EXPECT_EQ(mesh.GetTriangleCount(), 2u) << file.what << ": the mesh is unchanged";
    }
    EXPECT_FALSE(mesh.LoadM3D("Missing.m3d"));
    EXPECT_FALSE(mesh.LoadM3D(nullptr));
    RStreamMgr::DestroyInstance();
    std::filesystem::remove_all(folder);
}
