#include "core/types/RMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const float kPi = 3.14159265358979f;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

void ExpectMatrixNear(const RMatrix4& a, const RMatrix4& b, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

void ExpectVectorNear(const RVector3& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

} // namespace

TEST(MathMatrix, ProductInverseAndTransform)
{
    RMatrix4 scale, translation, r, tt;
    RMatrix4::MakeUniformScale(scale, 2.0f);
    RMatrix4::MakeTranslation(translation, RVector3{1, 2, 3});
    RMatrix4::Multiply(r, translation, scale);
    RMatrix4 aliased = scale; // output aliasing an input
    RMatrix4::Multiply(aliased, translation, aliased);
    ExpectMatrixNear(aliased, r, 0.0f);

    RMatrix4::Transpose(tt, translation);
    ExpectVectorNear(RMatrix4::TransformPoint3D(tt, RVector3{1, 2, 3}), 2, 4, 6);

    RMatrix4 m, mi, product, identity;
    const float values[16] = {2, -1, 0, 3, 1, 4, -2, 0, 0, 1, 5, -1, 3, 0, 1, 2};
    std::memcpy(m.m, values, sizeof values);
    RMatrix4::Inverse(mi, m);
    RMatrix4::Multiply(product, m, mi);
    identity.SetIdentity();
    ExpectMatrixNear(product, identity);
    // Row expansion gives the determinant only when the cofactor signs are right; outside indices give 0.
    for (int row = 0; row < 4; ++row) {
        float sum = 0.0f;
        for (int c = 0; c < 4; ++c)
            sum += m.m[4 * row + c] * m.Cofactor(row, c);
        EXPECT_NEAR(sum, m.Determinant(), 1e-3f) << "row " << row;
    }
    EXPECT_FLOAT_EQ(m.Cofactor(4, 0), 0.0f);
}

TEST(MathDegenerate, ZeroAxesAndQuaternionsGiveNoNaN)
{
    RMatrix4 axis;
    RMatrix4::MakeRotationAxis(axis, RVector3{0, 0, 0}, 0.5f);
    EXPECT_FLOAT_EQ(axis.m[0], std::cos(0.5f));

    EXPECT_FLOAT_EQ((RQuaternion{0, 0, 0, 0}.NormalizedConjugate().w), 0.0f);
    RQuaternion zero{0, 0, 0, 0};
    zero.FromAxisAngle(RVector3{0, 0, 0}, 1.0f);
    EXPECT_FLOAT_EQ(zero.x, 0.0f);

    RQuaternion q;
    q.FromVectorPart(0.6f, 0.8f, 0.0001f); // a rounding step past unit length
    EXPECT_FLOAT_EQ(q.w, 0.0f);

    // Half-turns take the diagonal branches of FromMatrix.
    for (const RVector3& a : {RVector3{1, 0, 0}, RVector3{0, 1, 0}, RVector3{0, 0, 1}}) {
        RMatrix4 m, again;
        RMatrix4::MakeRotationAxis(m, a, kPi);
        RQuaternion h;
        h.FromMatrix(m);
        RQuaternion::ToMatrix(again, h, false);
        ExpectMatrixNear(again, m);
    }
}

TEST(MathDegenerate, SlerpOfEqualOrOppositeQuaternions)
{
    RQuaternion p;
    p.FromAxisAngle(RVector3{0, 1, 0}, 0.2f);
    for (float t : {0.0f, 0.3f, 1.0f}) {
        RQuaternion same = RQuaternion::Slerp(p, p, t);
        EXPECT_EQ(same.y, p.y);
        RQuaternion opposite = RQuaternion::Slerp(p, RQuaternion{-p.w, -p.x, -p.y, -p.z}, t);
        EXPECT_NEAR(opposite.y, -p.y, 1e-5f);
    }
}

TEST(MathVector, ParseVector4ReadsEachNumberOnce)
{
    const struct {
        const char* text;
        RVector4 expected;
    } cases[] = {
        {"1.5  2 3", {1.5f, 2, 3, 0}}, {"1,2", {1, 0, 0, 0}}, {"  1 2", {1, 2, 0, 0}}, {nullptr, {0, 0, 0, 0}}};
    for (const auto& c : cases) {
        RVector4 v = ParseVector4(c.text);
        EXPECT_TRUE(v.x == c.expected.x && v.y == c.expected.y && v.z == c.expected.z && v.w == c.expected.w)
            << (c.text ? c.text : "null") << " gave " << v.x << " " << v.y << " " << v.z << " " << v.w;
    }
}

TEST(MathColor, OutOfRangeAndNaNClamp)
{
    uint32_t packed = 0;
    RColor::ToBytesBGRA(packed, RColor{1.2f, 0.5f, -0.1f, 1.0f});
    EXPECT_EQ(packed, 0xFFFF7F00u);
    RColor::ToBytesBGRA(packed, RColor{1e30f, kNaN, -1e30f, std::numeric_limits<float>::infinity()});
    EXPECT_EQ(packed, 0xFFFF0000u);

    packed = 0x80FF4020u;
    RColor::DivideBytes(packed, RColor{2.0f, 0.5f, 0.0f, -1.0f}); // B / 0 clamps to 255, negative A to 0
    EXPECT_EQ(packed, 0x007F80FFu);
}

TEST(MathCurve, NearestParameterAlwaysEnds)
{
    RBezier curve;
    curve.SetControlPoints(RVector3{0, 0, 0}, RVector3{1, 2, 0}, RVector3{3, 2, 0}, RVector3{4, 0, 0});
    EXPECT_NEAR(curve.FindNearestT(curve.eval(0.3f), 10, 1e-5f), 0.3f, 1e-3f);
    RVector3 target = curve.eval(0.5f);
    // Under 3 steps never narrow the window; tolerances of zero, below zero or NaN are never reached.
    for (int steps : {2, 1, 0, -5})
        EXPECT_FLOAT_EQ(curve.FindNearestT(target, steps, 1e-3f), 0.0f) << steps;
    for (float tolerance : {0.0f, -1.0f, kNaN})
        EXPECT_FLOAT_EQ(curve.FindNearestT(target, 10, tolerance), 0.0f) << tolerance;
    // A tolerance below float precision ends once the rounded window stops shrinking.
    const float tiny = std::numeric_limits<float>::denorm_min();
    for (float t : {0.3f, 0.123f})
        EXPECT_NEAR(curve.FindNearestT(curve.eval(t), 4, tiny), t, 1e-4f) << t;
    EXPECT_FLOAT_EQ(curve.FindNearestT(RVector3{kNaN, 0, 0}, 3, 1e-6f), 0.0f);
}

TEST(MathCurve, TooFewPointsGiveZeroWithoutReadingOutside)
{
    RVector3 guard[2] = {{5, 5, 5}, {6, 6, 6}};
    ExpectVectorNear(EvaluateBezierPoints(guard + 1, 0, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(EvaluateBezierDerivative(guard + 1, 1, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(guard[0], 5, 5, 5, 0.0f);
    ExpectVectorNear(guard[1], 6, 6, 6, 0.0f);
}
