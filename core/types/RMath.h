// RMath: the engine's math records — float vectors, the 4 x 4 matrix, quaternions, RGBA colours with their
// packed 0xAARRGGBB form, and cubic curves. All are plain values owned by whoever holds them; every operation is
// a small computation that allocates nothing and reports no error (a division by zero gives infinities or NaNs).
#pragma once

#include <cstdint>

struct RMatrix4;

struct RVector2 {
    float x, y;

    void Set(const RVector2& v);
    // The point transformed by RMatrix4::TransformPoint2D; Transform writes it back into this vector.
    RVector2 Transformed(const RMatrix4& m) const;
    void Transform(const RMatrix4& m);
};

struct RVector3 {
    float x, y, z;

    void Copy(const RVector3& v);
    void FromVector2(const RVector2& v);              // z = 0
    void FromVector2Z(const RVector2& v, float z);
    // The point transformed by RMatrix4::TransformPoint3D; Transform writes it back into this vector.
    RVector3 Transformed(const RMatrix4& m) const;
    void Transform(const RMatrix4& m);
};

struct RVector4 {
    float x, y, z, w;

    void FromVector2(const RVector2& v);              // z = w = 0
    void FromVector2ZW(const RVector2& v, float z, float w);
    void FromVector3(const RVector3& v);              // w = 0
    void Set(const RVector3& v, float w);
    // The vector transformed by RMatrix4::TransformVector4; Transform writes it back into this vector.
    RVector4 Transformed(const RMatrix4& m) const;
    void Transform(const RMatrix4& m);
};

// Up to four numbers separated by spaces, as in "1 0.5 0 1"; missing components are 0. Reading stops at the end
// of the text, after the fourth number, or at a number that no space follows. A null text gives zeros.
RVector4 ParseVector4(const char* text);

// Sixteen floats. Products are ordinary row-major products: Multiply (A, B) puts sum_k A(4r+k) B(4k+c) at
// 4r+c, so with points as row vectors A applies first. The translation constructor fills m[12..14] (the
// row-vector reading, which GL also takes as column-major with the offset in the last column), while the point
// transforms and the rotation constructors use the column-vector reading: each row is dotted with (x, y, z, 1),
// taking the offset from m[3], m[7], m[11]. Transpose a row-vector matrix before using it with those transforms.
// Operations that make a new matrix take the output first; the output may be one of the inputs.
struct RMatrix4 {
    float m[16];

    void SetIdentity();
    void Copy(const RMatrix4& source);

    static void Add(RMatrix4& out, const RMatrix4& a, const RMatrix4& b);
    static void Subtract(RMatrix4& out, const RMatrix4& a, const RMatrix4& b);
    void AddInPlace(const RMatrix4& b);
    void SubtractInPlace(const RMatrix4& b);
    static void Multiply(RMatrix4& out, const RMatrix4& a, const RMatrix4& b);
    void MultiplyInPlace(const RMatrix4& b);           // this = this x b
    static void Scaled(RMatrix4& out, const RMatrix4& source, float s);
    void ScaleInPlace(float s);
    static void Divided(RMatrix4& out, const RMatrix4& source, float s);
    void DivideInPlace(float s);
    static void Transpose(RMatrix4& out, const RMatrix4& source);

    float Determinant() const;
    // The 3 x 3 minor without that row and column, signed by (-1)^(row + column); 0 for an index outside 0..3.
    float Cofactor(int row, int column) const;
    // Adjugate over determinant; a singular matrix is not detected and gives infinities or NaNs.
    static void Inverse(RMatrix4& out, const RMatrix4& source);

    // Column-vector reading: result i = row i dotted with (x, y, 1, 1), (x, y, z, 1) or (x, y, z, w).
    static RVector2 TransformPoint2D(const RMatrix4& m, const RVector2& v);
    static RVector3 TransformPoint3D(const RMatrix4& m, const RVector3& v);
    static RVector4 TransformVector4(const RMatrix4& m, const RVector4& v);

    static void MakeScale(RMatrix4& out, const RVector3& factors);
    static void MakeUniformScale(RMatrix4& out, float s);
    static void MakeTranslation(RMatrix4& out, const RVector3& offset);  // offset in m[12], m[13], m[14]
    // Rotations by an angle in radians for the column-vector reading: a positive angle about X turns +Y to +Z.
    static void MakeRotationX(RMatrix4& out, float angle);
    static void MakeRotationY(RMatrix4& out, float angle);
    static void MakeRotationZ(RMatrix4& out, float angle);
    static void MakeRotationAxis(RMatrix4& out, const RVector3& axis, float angle);  // axis need not be unit
    // Rows 0..2 from (or into) three vectors; row 3 is (0, 0, 0, 1).
    static void MakeFromAxes(RMatrix4& out, const RVector3& a, const RVector3& b, const RVector3& c);
    static void GetAxes(const RMatrix4& m, RVector3& a, RVector3& b, RVector3& c);
    // Projection onto, and reflection in, the plane through the origin with unit normal n.
    static void MakePlaneProjection(RMatrix4& out, const RVector3& n);
    static void MakeReflection(RMatrix4& out, const RVector3& n);
    // Depth 0 at the near plane, 1 at the far plane. fov is in radians; below the reference aspect the horizontal
    // field of the reference aspect is kept, at or above it the vertical field.
    static void MakePerspective(RMatrix4& out, float fov, float aspect, float nearZ, float farZ,
                                float referenceAspect);
    static void MakeOrtho(RMatrix4& out, float left, float right, float top, float bottom, float nearZ,
                          float farZ);
    // A row-vector view matrix for a camera at position looking along a, with b to its left and c up.
    static void MakeViewFromAxes(RMatrix4& out, const RVector3& position, const RVector3& a, const RVector3& b,
                                 const RVector3& c);
};

// Rotation quaternion stored w first.
struct RQuaternion {
    float w, x, y, z;

    void SetFromScalarVector(float s, const RVector3& v);
    void FromAxisAngle(const RVector3& axis, float angle);   // a zero axis gives a zero vector part
    void FromVectorPart(float vx, float vy, float vz);       // w from the unit length; 0 when |v| >= 1
    void FromMatrix(const RMatrix4& m);                      // inverse of ToMatrix (m, q, false)
    void Normalize();                                        // a zero quaternion stays zero
    static RQuaternion Multiply(const RQuaternion& p, const RQuaternion& q);  // Hamilton product p x q
    void MultiplyInPlace(const RQuaternion& q);                               // this = this x q
    RQuaternion Conjugate() const;
    RQuaternion NormalizedConjugate() const;                 // the conjugate over the length
    // Rotation matrix for the column-vector reading (its transpose when transposed is true). The quaternion is
    // normalised in place first, and so is it by GetAxes and GetXAxis, which go through this.
    static void ToMatrix(RMatrix4& out, RQuaternion& q, bool transposed);
    void GetAxes(RVector3& xAxis, RVector3& yAxis, RVector3& zAxis);
    RVector3 GetXAxis();
    // Spherical interpolation along the shorter arc; the result is not normalised.
    static RQuaternion Slerp(const RQuaternion& p, const RQuaternion& q, float t);
};

// RGBA colour, each channel nominally 0..1. The packed form is 0xAARRGGBB, in memory the bytes B, G, R, A.
// Conversions to bytes clamp to 0..255 and truncate; NaN becomes 0.
struct RColor {
    float r, g, b, a;

    static void ToBytesBGRA(uint32_t& packed, const RColor& colour);
    static void FromBytes(RColor& colour, uint32_t packed);
    static void ModulateBytes(uint32_t& packed, const RColor& colour);   // each byte times its channel
    static void DivideBytes(uint32_t& packed, const RColor& colour);     // each byte over its channel
};

// A cubic curve P(t) = a t^3 + b t^2 + c t + p0 for t in 0..1, kept with its four control points.
struct RBezier {
    RVector3 p0;
    RVector3 p1, p2, p3;      // the other control points; eval reads only p0 and the coefficients
    RVector3 a, b, c;

    // Stores the control points and derives the coefficients from them.
    void SetControlPoints(const RVector3& q0, const RVector3& q1, const RVector3& q2, const RVector3& q3);
    RVector3 eval(float t) const;
    // The parameter in 0..1 whose point lies nearest the given point, by a grid search of steps + 1 samples
    // narrowed around the best one until the spacing falls below tolerance. Fewer than 3 steps or a tolerance
    // not above 0 is refused with 0.
    float FindNearestT(const RVector3& point, int steps, float tolerance) const;
};

// The point (or the derivative) at t of the Bezier curve with n control points, by De Casteljau. The points are
// overwritten as scratch. Too few points (n < 1, or n < 2 for the derivative) or a null array give zero.
RVector3 EvaluateBezierPoints(RVector3* points, int n, float t);
RVector3 EvaluateBezierDerivative(RVector3* points, int n, float t);
RVector3 EvaluateQuadraticBezier(const RVector3& p0, const RVector3& p1, const RVector3& p2, float t);
