#include "core/RMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace {

const float kPi = 3.14159265358979f;

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

RMatrix4 Sample()
{
    RMatrix4 m;
    const float values[16] = {2, -1, 0, 3, 1, 4, -2, 0, 0, 1, 5, -1, 3, 0, 1, 2};
    std::memcpy(m.m, values, sizeof values);
    return m;
}

}  // namespace

TEST(MathMatrix, ProductOrderPutsScaleBeforeTranslation)
{
    RMatrix4 scale, translation, r;
    RMatrix4::MakeUniformScale(scale, 2.0f);
    RMatrix4::MakeTranslation(translation, RVector3{1, 2, 3});

    RMatrix4::Multiply(r, scale, translation);
    EXPECT_FLOAT_EQ(r.m[0], 2.0f);
    EXPECT_FLOAT_EQ(r.m[12], 1.0f);
    EXPECT_FLOAT_EQ(r.m[13], 2.0f);
    EXPECT_FLOAT_EQ(r.m[14], 3.0f);

    RMatrix4::Multiply(r, translation, scale);
    EXPECT_FLOAT_EQ(r.m[12], 2.0f);
    EXPECT_FLOAT_EQ(r.m[13], 4.0f);
    EXPECT_FLOAT_EQ(r.m[14], 6.0f);

    // In place and with the output aliasing an input, the product is the same.
    RMatrix4 inPlace = translation;
    inPlace.MultiplyInPlace(scale);
    ExpectMatrixNear(inPlace, r, 0.0f);
    RMatrix4 aliased = scale;
    RMatrix4::Multiply(aliased, translation, aliased);
    ExpectMatrixNear(aliased, r, 0.0f);
}

TEST(MathMatrix, PointTransformsReadTheOffsetFromTheLastColumn)
{
    RMatrix4 t, tt;
    RMatrix4::MakeTranslation(t, RVector3{5, 6, 7});
    ExpectVectorNear(RMatrix4::TransformPoint3D(t, RVector3{1, 2, 3}), 1, 2, 3);
    RMatrix4::Transpose(tt, t);
    ExpectVectorNear(RMatrix4::TransformPoint3D(tt, RVector3{1, 2, 3}), 6, 8, 10);

    RVector3 v{1, 2, 3};
    v.Transform(tt);
    ExpectVectorNear(v, 6, 8, 10);

    // The 2D transform takes the point as (x, y, 1, 1): both m2 and m3 are added.
    RMatrix4 m = Sample();
    RVector2 p = RVector2{1, 2}.Transformed(m);
    EXPECT_FLOAT_EQ(p.x, 2 * 1 - 1 * 2 + 0 + 3);
    EXPECT_FLOAT_EQ(p.y, 1 * 1 + 4 * 2 - 2 + 0);

    RVector4 q = RVector4{1, 2, 3, 4}.Transformed(m);
    EXPECT_FLOAT_EQ(q.x, 2 - 2 + 0 + 12);
    EXPECT_FLOAT_EQ(q.w, 3 + 0 + 3 + 8);
}

TEST(MathMatrix, InverseDeterminantAndCofactors)
{
    RMatrix4 s, inv, expected;
    RMatrix4::MakeScale(s, RVector3{2, 4, 8});
    RMatrix4::Inverse(inv, s);
    RMatrix4::MakeScale(expected, RVector3{0.5f, 0.25f, 0.125f});
    ExpectMatrixNear(inv, expected);
    EXPECT_FLOAT_EQ(s.Determinant(), 64.0f);

    RMatrix4 m = Sample(), mi, product, identity;
    RMatrix4::Inverse(mi, m);
    RMatrix4::Multiply(product, m, mi);
    identity.SetIdentity();
    ExpectMatrixNear(product, identity, 1e-5f);

    // Cofactor signs alternate; indices outside the matrix give 0 rather than reading past it.
    RMatrix4 id;
    id.SetIdentity();
    EXPECT_FLOAT_EQ(id.Cofactor(0, 0), 1.0f);
    // Expanding along any row gives the determinant only when the cofactor signs are right.
    for (int row = 0; row < 4; ++row) {
        float sum = 0.0f;
        for (int c = 0; c < 4; ++c)
            sum += m.m[4 * row + c] * m.Cofactor(row, c);
        EXPECT_NEAR(sum, m.Determinant(), 1e-3f) << "row " << row;
    }
    EXPECT_FLOAT_EQ(m.Cofactor(4, 0), 0.0f);
    EXPECT_FLOAT_EQ(m.Cofactor(0, -1), 0.0f);

    // A singular matrix is not detected: its inverse is not finite.
    RMatrix4 zero;
    RMatrix4::MakeUniformScale(zero, 0.0f);
    RMatrix4::Inverse(inv, zero);
    EXPECT_FALSE(std::isfinite(inv.m[0]));
}

TEST(MathMatrix, RotationsFollowTheColumnReading)
{
    RMatrix4 rx, ry, rz, axis;
    RMatrix4::MakeRotationX(rx, kPi / 2);
    ExpectVectorNear(RMatrix4::TransformPoint3D(rx, RVector3{0, 1, 0}), 0, 0, 1);
    RMatrix4::MakeRotationY(ry, kPi / 2);
    ExpectVectorNear(RMatrix4::TransformPoint3D(ry, RVector3{0, 0, 1}), 1, 0, 0);
    RMatrix4::MakeRotationZ(rz, kPi / 2);
    ExpectVectorNear(RMatrix4::TransformPoint3D(rz, RVector3{1, 0, 0}), 0, 1, 0);

    // An axis of any length gives the same rotation as the matching axis constructor.
    RMatrix4::MakeRotationAxis(axis, RVector3{0, 0, 5}, 0.7f);
    RMatrix4::MakeRotationZ(rz, 0.7f);
    ExpectMatrixNear(axis, rz);
    RMatrix4::MakeRotationAxis(axis, RVector3{-3, 0, 0}, 0.7f);
    RMatrix4::MakeRotationX(rx, -0.7f);
    ExpectMatrixNear(axis, rx);

    // A zero axis is a uniform scale by cos(angle), not NaN.
    RMatrix4::MakeRotationAxis(axis, RVector3{0, 0, 0}, 0.5f);
    EXPECT_FLOAT_EQ(axis.m[0], std::cos(0.5f));
    EXPECT_FLOAT_EQ(axis.m[1], 0.0f);
}

TEST(MathMatrix, ViewMovesTheCameraToTheOrigin)
{
    // A camera at (1, 2, 3) looking down -Z with +X to its left and +Y up.
    RMatrix4 m, columnView;
    RVector3 p{1, 2, 3};
    RMatrix4::MakeViewFromAxes(m, p, RVector3{0, 0, -1}, RVector3{1, 0, 0}, RVector3{0, 1, 0});
    RMatrix4::Transpose(columnView, m);
    ExpectVectorNear(RMatrix4::TransformPoint3D(columnView, p), 0, 0, 0);
    ExpectVectorNear(RMatrix4::TransformPoint3D(columnView, RVector3{1, 2, -7}), 0, 0, -10);
}

TEST(MathMatrix, PerspectiveKeepsTheReferenceWidth)
{
    const float fov = 1.0f;
    RMatrix4 narrow, wide, same, same2;
    RMatrix4::MakePerspective(narrow, fov, 4.0f / 3.0f, 1.0f, 100.0f, 16.0f / 9.0f);
    RMatrix4::MakePerspective(wide, fov, 16.0f / 9.0f, 1.0f, 100.0f, 16.0f / 9.0f);
    EXPECT_NEAR(narrow.m[0], wide.m[0], 1e-5f);
    EXPECT_NEAR(narrow.m[5], narrow.m[0] * 4.0f / 3.0f, 1e-5f);
    EXPECT_NEAR(wide.m[5], 1.0f / std::tan(0.5f), 1e-5f);

    // Depth: 0 at the near plane and 1 at the far plane (z / w with w = -z).
    EXPECT_FLOAT_EQ(wide.m[11], -1.0f);
    EXPECT_FLOAT_EQ(wide.m[15], 0.0f);
    auto depth = [&](float z) { return (wide.m[10] * z + wide.m[14]) / -z; };
    EXPECT_NEAR(depth(-1.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(depth(-100.0f), 1.0f, 1e-5f);

    // Both rules agree at the reference aspect.
    RMatrix4::MakePerspective(same, fov, 1.5f, 1.0f, 10.0f, 1.5f);
    RMatrix4::MakePerspective(same2, fov, 1.5f, 1.0f, 10.0f, 1.5f + 1e-7f);
    ExpectMatrixNear(same, same2, 1e-4f);
}

TEST(MathMatrix, OrthoMapsTheBoxToClipSpace)
{
    RMatrix4 o, col;
    RMatrix4::MakeOrtho(o, 0, 640, 0, 480, 1, 10);
    RMatrix4::Transpose(col, o);
    // The view looks down -Z: depth 0 at z = -near, 1 at z = -far; y grows downwards from the top edge.
    ExpectVectorNear(RMatrix4::TransformPoint3D(col, RVector3{0, 0, -1}), -1, 1, 0);
    ExpectVectorNear(RMatrix4::TransformPoint3D(col, RVector3{640, 480, -10}), 1, -1, 1);
}

TEST(MathVector, ParseVector4)
{
    auto expect = [](const char* text, float x, float y, float z, float w) {
        RVector4 v = ParseVector4(text);
        EXPECT_FLOAT_EQ(v.x, x) << (text ? text : "(null)");
        EXPECT_FLOAT_EQ(v.y, y) << (text ? text : "(null)");
        EXPECT_FLOAT_EQ(v.z, z) << (text ? text : "(null)");
        EXPECT_FLOAT_EQ(v.w, w) << (text ? text : "(null)");
    };
    expect("1.5  2 3", 1.5f, 2, 3, 0);
    expect("1,2", 1, 0, 0, 0);
    expect(nullptr, 0, 0, 0, 0);
    expect("", 0, 0, 0, 0);
    expect("1 2 3 4 5", 1, 2, 3, 4);
    expect("0.25 -1 ", 0.25f, -1, 0, 0);
}

TEST(MathQuaternion, MatrixRoundTrip)
{
    RQuaternion q;
    q.FromAxisAngle(RVector3{0, 0, 1}, kPi / 2);
    RMatrix4 fromQ, rz;
    RQuaternion::ToMatrix(fromQ, q, false);
    RMatrix4::MakeRotationZ(rz, kPi / 2);
    ExpectMatrixNear(fromQ, rz);

    RQuaternion back;
    back.FromMatrix(rz);
    EXPECT_NEAR(back.w, q.w, 1e-5f);
    EXPECT_NEAR(back.x, q.x, 1e-5f);
    EXPECT_NEAR(back.y, q.y, 1e-5f);
    EXPECT_NEAR(back.z, q.z, 1e-5f);

    // The transposed form is the inverse rotation.
    RMatrix4 transposed, expected;
    RQuaternion::ToMatrix(transposed, q, true);
    RMatrix4::Transpose(expected, fromQ);
    ExpectMatrixNear(transposed, expected);

    // Half-turns take the diagonal branches of FromMatrix; each gives the rotation back (up to sign).
    const RVector3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const RVector3& axis : axes) {
        RMatrix4 m, again;
        RMatrix4::MakeRotationAxis(m, axis, kPi);
        RQuaternion h;
        h.FromMatrix(m);
        RQuaternion::ToMatrix(again, h, false);
        ExpectMatrixNear(again, m, 1e-5f);
    }

    // ToMatrix normalises the caller's quaternion.
    RQuaternion big{2, 0, 0, 0};
    RQuaternion::ToMatrix(fromQ, big, false);
    EXPECT_FLOAT_EQ(big.w, 1.0f);
}

TEST(MathQuaternion, ProductsAndDegenerateInputs)
{
    RQuaternion a, b;
    a.FromAxisAngle(RVector3{0, 0, 1}, 0.3f);
    b.FromAxisAngle(RVector3{0, 0, 2}, 0.5f);
    RQuaternion ab = RQuaternion::Multiply(a, b);
    EXPECT_NEAR(ab.w, std::cos(0.4f), 1e-6f);
    EXPECT_NEAR(ab.z, std::sin(0.4f), 1e-6f);
    RQuaternion k = RQuaternion::Multiply(RQuaternion{0, 1, 0, 0}, RQuaternion{0, 0, 1, 0});  // i * j = k
    EXPECT_FLOAT_EQ(k.z, 1.0f);
    EXPECT_FLOAT_EQ(k.w, 0.0f);
    RQuaternion nc = RQuaternion{0, 3, 0, 4}.NormalizedConjugate();
    EXPECT_FLOAT_EQ(nc.x, -0.6f);
    EXPECT_FLOAT_EQ(nc.z, -0.8f);

    // Zero quaternions and a zero axis give zeros, never NaN.
    EXPECT_FLOAT_EQ(RQuaternion{0, 0, 0, 0}.NormalizedConjugate().w, 0.0f);
    RQuaternion zero{0, 0, 0, 0};
    zero.Normalize();
    EXPECT_FLOAT_EQ(zero.w, 0.0f);
    zero.FromAxisAngle(RVector3{0, 0, 0}, 1.0f);
    EXPECT_FLOAT_EQ(zero.x, 0.0f);

    RQuaternion r;
    r.FromAxisAngle(RVector3{0, 0, 1}, kPi / 2);
    RVector3 x, y, z;
    r.GetAxes(x, y, z);
    ExpectVectorNear(x, 0, 1, 0);
    ExpectVectorNear(y, -1, 0, 0);
    ExpectVectorNear(z, 0, 0, 1);
}

TEST(MathQuaternion, FromVectorPartNeverGivesNaN)
{
    RQuaternion q;
    q.FromVectorPart(0.6f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(q.w, 0.8f);
    // A vector part a rounding step past unit length, or far past it, leaves w at 0.
    q.FromVectorPart(0.6f, 0.8f, 0.0001f);
    EXPECT_FLOAT_EQ(q.w, 0.0f);
    q.FromVectorPart(2.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(q.w, 0.0f);
    EXPECT_FLOAT_EQ(q.x, 2.0f);
}

TEST(MathQuaternion, Slerp)
{
    RQuaternion p, q;
    p.FromAxisAngle(RVector3{0, 1, 0}, 0.2f);
    q.FromAxisAngle(RVector3{0, 1, 0}, 1.0f);
    for (float t : {0.0f, 0.3f, 1.0f}) {
        RQuaternion same = RQuaternion::Slerp(p, p, t);
        EXPECT_EQ(same.w, p.w);
        EXPECT_EQ(same.y, p.y);
        RQuaternion opposite = RQuaternion::Slerp(p, RQuaternion{-p.w, -p.x, -p.y, -p.z}, t);
        EXPECT_NEAR(opposite.w, -p.w, 1e-5f);
        EXPECT_NEAR(opposite.y, -p.y, 1e-5f);
    }
    RQuaternion mid = RQuaternion::Slerp(p, q, 0.5f);
    EXPECT_NEAR(mid.w, std::cos(0.3f), 1e-5f);
    EXPECT_NEAR(mid.y, std::sin(0.3f), 1e-5f);
    // The shorter arc: -q is the same rotation, so the result is the same.
    RQuaternion midNeg = RQuaternion::Slerp(RQuaternion{-p.w, -p.x, -p.y, -p.z}, q, 0.5f);
    EXPECT_NEAR(midNeg.w, mid.w, 1e-5f);
    EXPECT_NEAR(midNeg.y, mid.y, 1e-5f);
}

TEST(MathColor, PackedConversions)
{
    uint32_t packed = 0;
    RColor::ToBytesBGRA(packed, RColor{1.2f, 0.5f, -0.1f, 1.0f});
    EXPECT_EQ(packed, 0xFFFF7F00u);
    unsigned char bytes[4];
    std::memcpy(bytes, &packed, 4);
    if (bytes[0] == 0x00) {  // little-endian memory: B, G, R, A
        EXPECT_EQ(bytes[1], 127);
        EXPECT_EQ(bytes[2], 255);
        EXPECT_EQ(bytes[3], 255);
    }

    RColor c{9, 9, 9, 9};
    RColor::FromBytes(c, 0xFF00FF00u);
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_FLOAT_EQ(c.g, 1.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
    EXPECT_FLOAT_EQ(c.a, 1.0f);

    // Values far out of range and NaN clamp in float: no undefined conversion, NaN gives 0.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    RColor::ToBytesBGRA(packed, RColor{1e30f, nan, -1e30f, std::numeric_limits<float>::infinity()});
    EXPECT_EQ(packed, 0xFFFF0000u);
}

TEST(MathColor, ModulateAndDivideBytes)
{
    uint32_t packed = 0x80FF4020u;  // A 128, R 255, G 64, B 32
    RColor::ModulateBytes(packed, RColor{0.5f, 2.0f, 10.0f, 1.0f});
    EXPECT_EQ(packed, 0x807F80FFu);

    packed = 0x80FF4020u;
    RColor::DivideBytes(packed, RColor{2.0f, 0.5f, 0.0f, -1.0f});
    // R 127 (truncated), G 128, B 32 / 0 = infinity clamps to 255, A negative clamps to 0.
    EXPECT_EQ(packed, 0x007F80FFu);

    packed = 0x00000000u;
    RColor::DivideBytes(packed, RColor{0.0f, 0.0f, 0.0f, 0.0f});  // 0 / 0 is NaN, which gives 0
    EXPECT_EQ(packed, 0u);
}

TEST(MathCurve, CubicEvaluationAndNearestParameter)
{
    RBezier curve;
    curve.SetControlPoints(RVector3{0, 0, 0}, RVector3{1, 2, 0}, RVector3{3, 2, 0}, RVector3{4, 0, 0});
    ExpectVectorNear(curve.eval(0.0f), 0, 0, 0);
    ExpectVectorNear(curve.eval(1.0f), 4, 0, 0);
    RVector3 points[4] = {{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}};
    RVector3 mid = EvaluateBezierPoints(points, 4, 0.5f);
    ExpectVectorNear(curve.eval(0.5f), mid.x, mid.y, mid.z);

    RVector3 target = curve.eval(0.3f);
    EXPECT_NEAR(curve.FindNearestT(target, 10, 1e-5f), 0.3f, 1e-3f);
    EXPECT_NEAR(curve.FindNearestT(RVector3{5, -1, 0}, 10, 1e-5f), 1.0f, 1e-4f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(RVector3{-1, -1, 0}, 10, 1e-5f), 0.0f);
    // A coarse grid finer than the tolerance asks for no refinement.
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 10, 0.5f), 0.0f);
}

TEST(MathCurve, NearestParameterAlwaysEnds)
{
    RBezier curve;
    curve.SetControlPoints(RVector3{0, 0, 0}, RVector3{1, 2, 0}, RVector3{3, 2, 0}, RVector3{4, 0, 0});
    RVector3 target = curve.eval(0.5f);
    // Steps below 3 would never narrow the window; tolerances of zero, below zero or NaN would never be reached.
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 2, 1e-3f), 0.0f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 1, 1e-3f), 0.0f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 0, 1e-3f), 0.0f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, -5, 1e-3f), 0.0f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 10, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 10, -1.0f), 0.0f);
    EXPECT_FLOAT_EQ(curve.FindNearestT(target, 10, std::numeric_limits<float>::quiet_NaN()), 0.0f);
    // The smallest positive tolerance lies below float precision: the search ends once the rounded window
    // stops shrinking (near 0.3 it would otherwise repeat one window forever). A NaN target ends too.
    const float tiny = std::numeric_limits<float>::denorm_min();
    for (int steps = 3; steps <= 6; ++steps) {
        for (float t : {0.3f, 0.5f, 0.7f, 0.123f})
            EXPECT_NEAR(curve.FindNearestT(curve.eval(t), steps, tiny), t, 1e-4f) << steps << " steps, " << t;
    }
    float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FLOAT_EQ(curve.FindNearestT(RVector3{nan, 0, 0}, 3, 1e-6f), 0.0f);
}

TEST(MathCurve, DeCasteljauAndDerivative)
{
    RVector3 two[2] = {{0, 0, 0}, {2, 4, 6}};
    ExpectVectorNear(EvaluateBezierPoints(two, 2, 0.5f), 1, 2, 3);
    RVector3 one[1] = {{7, 8, 9}};
    ExpectVectorNear(EvaluateBezierPoints(one, 1, 0.3f), 7, 8, 9);

    // The cubic's derivative matches the power form's: 3 a t^2 + 2 b t + c.
    RBezier curve;
    curve.SetControlPoints(RVector3{0, 0, 0}, RVector3{1, 2, 0}, RVector3{3, 2, 1}, RVector3{4, 0, 2});
    RVector3 points[4] = {{0, 0, 0}, {1, 2, 0}, {3, 2, 1}, {4, 0, 2}};
    float t = 0.25f;
    RVector3 d = EvaluateBezierDerivative(points, 4, t);
    ExpectVectorNear(d, 3 * curve.a.x * t * t + 2 * curve.b.x * t + curve.c.x,
                     3 * curve.a.y * t * t + 2 * curve.b.y * t + curve.c.y,
                     3 * curve.a.z * t * t + 2 * curve.b.z * t + curve.c.z);

    // Too few points give a zero point, without touching memory before the array.
    RVector3 guard[2] = {{5, 5, 5}, {6, 6, 6}};
    ExpectVectorNear(EvaluateBezierPoints(guard + 1, 0, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(EvaluateBezierPoints(guard + 1, -3, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(EvaluateBezierPoints(nullptr, 3, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(EvaluateBezierDerivative(guard + 1, 1, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(EvaluateBezierDerivative(guard + 1, 0, 0.5f), 0, 0, 0, 0.0f);
    ExpectVectorNear(guard[0], 5, 5, 5, 0.0f);
    ExpectVectorNear(guard[1], 6, 6, 6, 0.0f);

    RVector3 q = EvaluateQuadraticBezier(RVector3{0, 0, 0}, RVector3{1, 2, 0}, RVector3{2, 0, 0}, 0.5f);
    ExpectVectorNear(q, 1, 1, 0);
}
