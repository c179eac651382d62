// Cameras: projection both ways against hand-computed values, pitch limits, and degenerate cameras (zero
// direction, direction along up, lenses with no extent).
#include <gtest/gtest.h>

#include <cmath>

#include "render/view/RCamera.h"

namespace {

const float kTolerance = 1e-5f;
const float kPi = 3.14159265f;

void ExpectVector(const RVector3& v, float x, float y, float z, float tolerance = kTolerance)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// Every element of the matrix against the sixteen expected values, index 4r + c.
void ExpectMatrix(const RMatrix4& m, const float (&expected)[16], float tolerance = kTolerance)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.m[i], expected[i], tolerance) << "element " << i;
}

bool IsFinite(const RMatrix4& m)
{
    for (float value : m.m) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

float Dot(const RVector3& a, const RVector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Every test starts and ends with the engine's world-up vector at +z.
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { g_worldUp = RVector3{0.0f, 0.0f, 1.0f}; }
    void TearDown() override { g_worldUp = RVector3{0.0f, 0.0f, 1.0f}; }
};

}  // namespace

TEST_F(CameraTest, PerspectiveProjectsAndUnprojectsHandComputedPoints)
{
    // 90 degrees: y scale 1, x scale 1 / aspect = 0.5; depth (z' f/(n-f) + n f/(n-f)) / -z' with n 1, f 101.
    RCamera camera(90.0f, 2.0f, 1.0f, 101.0f);
    bool ok = false;
    ExpectVector(camera.Project(RVector3{10, 0, 0}, &ok), 0, 0, 0.909f);
    EXPECT_TRUE(ok);
    // Ten ahead, five to the right (-y) and five up: x' 5, y' 5 over w 10.
    ExpectVector(camera.Project(RVector3{10, -5, 5}), 0.25f, 0.5f, 0.909f);

    ExpectVector(camera.Unproject(RVector3{0.25f, 0.5f, 0.909f}, &ok), 10, -5, 5, 1e-3f);
    EXPECT_TRUE(ok);

    // A point in the eye's plane has no projection.
    ExpectVector(camera.Project(RVector3{0, 3, 4}, &ok), 0, 0, 0);
    EXPECT_FALSE(ok);
}

TEST_F(CameraTest, PitchTurnsTowardsUpAndStopsShortOfThePoles)
{
    RCamera camera(75.0f, 1.0f, 1.0f, 100.0f);
    camera.Pitch(0.3f);
    ExpectVector(camera.GetDirection(), std::cos(0.3f), 0, std::sin(0.3f));

    const float limit = std::sin(RCamera::kMaxPitch);  // 89 degrees above the horizontal
    for (float angle : {kPi, -kPi, 2.0f * kPi, -3.0f}) {
        RCamera turned(75.0f, 1.0f, 1.0f, 100.0f);
        turned.Pitch(angle);
        const RVector3& d = turned.GetDirection();
        // Whatever the size of the turn, the view never passes over the pole: it still faces +x.
        EXPECT_GT(d.x, 0.0f) << angle;
        EXPECT_NEAR(d.z, angle > 0 ? limit : -limit, kTolerance) << angle;
        EXPECT_NEAR(d.y, 0.0f, kTolerance) << angle;
        RMatrix4 view = turned.GetViewMatrix();
        EXPECT_TRUE(IsFinite(view));
        EXPECT_GT(turned.GetUp().z, 0.0f) << angle;  // never upside down
    }

}

TEST_F(CameraTest, LookingAtItsOwnPositionLeavesADegenerateBasisWithoutNaNs)
{
    RCamera camera(75.0f, 1.0f, 1.0f, 100.0f);
    camera.SetPosition(RVector3{4, 5, 6});
    camera.LookAt(RVector3{4, 5, 6});
    ExpectVector(camera.GetDirection(), 0, 0, 0, 0.0f);
    camera.Update();
    ExpectVector(camera.GetSide(), 0, 0, 0, 0.0f);
    ExpectVector(camera.GetUp(), 0, 0, 0, 0.0f);
    EXPECT_TRUE(IsFinite(camera.GetViewProjectionMatrix()));

    // Nothing can be projected through it, and it says so instead of answering NaNs.
    bool ok = true;
    ExpectVector(camera.Project(RVector3{10, 0, 0}, &ok), 0, 0, 0, 0.0f);
    EXPECT_FALSE(ok);
    ok = true;
    ExpectVector(camera.Unproject(RVector3{0, 0, 0.5f}, &ok), 0, 0, 0, 0.0f);
    EXPECT_FALSE(ok);

    // Turns of a zero direction, or about one, change nothing.
    camera.Pitch(0.5f);
    camera.Yaw(0.5f);
    camera.SetUseWorldUp(false);
    camera.Roll(kPi);
    ExpectVector(camera.GetDirection(), 0, 0, 0, 0.0f);

    // Looking somewhere again rebuilds a whole basis, though the camera's own up was lost.
    camera.LookAt(RVector3{5, 5, 6});
    camera.Update();
    EXPECT_NEAR(Dot(camera.GetSide(), camera.GetSide()), 1.0f, kTolerance);
    EXPECT_NEAR(Dot(camera.GetSide(), camera.GetDirection()), 0.0f, kTolerance);
}

TEST_F(CameraTest, ADirectionAlongUpKeepsAWholeBasis)
{
    RCamera camera(75.0f, 1.0f, 1.0f, 100.0f);
    camera.SetDirection(RVector3{0, 0, 5});
    camera.Update();
    // The old side stays, and the up is square to it and to the direction.
    ExpectVector(camera.GetSide(), 0, 1, 0);
    ExpectVector(camera.GetUp(), -1, 0, 0);

    // A pitch from straight up comes back within the limit, still facing where the view was turned.
    camera.Pitch(0.0f);
    EXPECT_NEAR(camera.GetDirection().z, std::sin(RCamera::kMaxPitch), kTolerance);
    EXPECT_NEAR(camera.GetDirection().y, 0.0f, kTolerance);

    // A side that was itself along the new direction gives way to any square one.
    RCamera down(75.0f, 1.0f, 1.0f, 100.0f);
    down.SetDirection(RVector3{0, 1, 0});
    down.Update();
    ExpectVector(down.GetSide(), -1, 0, 0);
    down.SetUseWorldUp(false);
    down.SetDirection(RVector3{1, 0, 0});  // along the old side, and along the camera's own up
    down.SetUp(RVector3{1, 0, 0});
    down.Update();
    EXPECT_NEAR(Dot(down.GetSide(), down.GetSide()), 1.0f, kTolerance);
    EXPECT_NEAR(Dot(down.GetSide(), down.GetDirection()), 0.0f, kTolerance);
    EXPECT_TRUE(IsFinite(down.GetViewProjectionMatrix()));
}

TEST_F(CameraTest, ALensWithNoExtentKeepsTheLastGoodProjection)
{
    RCamera camera(90.0f, 2.0f, 1.0f, 101.0f);
    const RMatrix4 good = camera.GetProjectionMatrix();
    camera.SetAspect(0.0f);  // 1 / 0 in the x scale
    ExpectMatrix(camera.GetProjectionMatrix(), good.m, 0.0f);
    camera.SetAspect(2.0f);
    camera.SetFar(1.0f);  // the near plane on the far one
    ExpectMatrix(camera.GetProjectionMatrix(), good.m, 0.0f);
    camera.SetFar(101.0f);
    camera.SetOrthographic(true, 0.0f);
    ExpectMatrix(camera.GetProjectionMatrix(), good.m, 0.0f);
    EXPECT_TRUE(IsFinite(camera.GetViewProjectionMatrix()));

    // A lens with an extent again is taken at once.
    camera.SetOrthographic(true, 10.0f);
    EXPECT_NEAR(camera.GetProjectionMatrix().m[5], 0.2f, kTolerance);
}
