#include "core/types/RMath.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

float Dot(const RVector3& a, const RVector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The unit vector along v, or zero when v has no length (the infinite reciprocal is replaced by 0).
RVector3 Normalized(const RVector3& v)
{
    float inverse = 1.0f / std::sqrt(Dot(v, v));
    if (std::isinf(inverse))
        inverse = 0.0f;
    return RVector3{v.x * inverse, v.y * inverse, v.z * inverse};
}

// Truncates toward zero and clamps to 0..255, deciding in float so that no out-of-range value is converted;
// NaN gives 0.
uint8_t FloatToByte(float v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<uint8_t>(v);
}

uint8_t ByteB(uint32_t packed) { return static_cast<uint8_t>(packed); }
uint8_t ByteG(uint32_t packed) { return static_cast<uint8_t>(packed >> 8); }
uint8_t ByteR(uint32_t packed) { return static_cast<uint8_t>(packed >> 16); }
uint8_t ByteA(uint32_t packed) { return static_cast<uint8_t>(packed >> 24); }

uint32_t PackBytes(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Determinant of the 3 x 3 matrix left when row skipRow and column skipColumn are struck out.
float Minor(const float* m, int skipRow, int skipColumn)
{
    float e[9];
    int n = 0;
    for (int r = 0; r < 4; ++r) {
        if (r == skipRow)
            continue;
        for (int c = 0; c < 4; ++c) {
            if (c != skipColumn)
                e[n++] = m[4 * r + c];
        }
    }
    return e[0] * (e[4] * e[8] - e[5] * e[7]) - e[1] * (e[3] * e[8] - e[5] * e[6]) +
           e[2] * (e[3] * e[7] - e[4] * e[6]);
}

void SetZero(RMatrix4& out)
{
    for (float& e : out.m)
        e = 0.0f;
}

// The 3 x 3 part I - k n n^T with m15 = 1 and the rest 0.
void MakePlaneMatrix(RMatrix4& out, const RVector3& n, float k)
{
    SetZero(out);
    out.m[0] = 1.0f - k * n.x * n.x;
    out.m[1] = out.m[4] = -k * n.x * n.y;
    out.m[2] = out.m[8] = -k * n.x * n.z;
    out.m[5] = 1.0f - k * n.y * n.y;
    out.m[6] = out.m[9] = -k * n.y * n.z;
    out.m[10] = 1.0f - k * n.z * n.z;
    out.m[15] = 1.0f;
}

// One De Casteljau pass sequence over n >= 1 points, in place.
RVector3 DeCasteljau(RVector3* p, int n, float t)
{
    for (; n > 1; --n) {
        for (int i = 0; i < n - 1; ++i) {
            p[i].x += (p[i + 1].x - p[i].x) * t;
            p[i].y += (p[i + 1].y - p[i].y) * t;
            p[i].z += (p[i + 1].z - p[i].z) * t;
        }
    }
    return p[0];
}

}  // namespace

// ---- Vectors ----

void RVector2::Set(const RVector2& v) { *this = v; }
RVector2 RVector2::Transformed(const RMatrix4& m) const { return RMatrix4::TransformPoint2D(m, *this); }
void RVector2::Transform(const RMatrix4& m) { *this = Transformed(m); }

void RVector3::Copy(const RVector3& v) { *this = v; }
void RVector3::FromVector2(const RVector2& v) { FromVector2Z(v, 0.0f); }
void RVector3::FromVector2Z(const RVector2& v, float zValue)
{
    x = v.x;
    y = v.y;
    z = zValue;
}
RVector3 RVector3::Transformed(const RMatrix4& m) const { return RMatrix4::TransformPoint3D(m, *this); }
void RVector3::Transform(const RMatrix4& m) { *this = Transformed(m); }

void RVector4::FromVector2(const RVector2& v) { FromVector2ZW(v, 0.0f, 0.0f); }
void RVector4::FromVector2ZW(const RVector2& v, float zValue, float wValue)
{
    x = v.x;
    y = v.y;
    z = zValue;
    w = wValue;
}
void RVector4::FromVector3(const RVector3& v) { Set(v, 0.0f); }
void RVector4::Set(const RVector3& v, float wValue)
{
    x = v.x;
    y = v.y;
    z = v.z;
    w = wValue;
}
RVector4 RVector4::Transformed(const RMatrix4& m) const { return RMatrix4::TransformVector4(m, *this); }
void RVector4::Transform(const RMatrix4& m) { *this = Transformed(m); }

RVector4 ParseVector4(const char* text)
{
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // Leading spaces are passed first: the search for the space after a number must not find them.
    const char* p = text;
    while (p && *p == ' ')
        ++p;
    for (int i = 0; p && *p && i < 4; ++i) {
        v[i] = static_cast<float>(std::atof(p));
        p = std::strchr(p, ' ');
        if (p) {
            while (*p == ' ')
                ++p;
        }
    }
    return RVector4{v[0], v[1], v[2], v[3]};
}

// ---- Matrices ----

void RMatrix4::SetIdentity()
{
    SetZero(*this);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void RMatrix4::Copy(const RMatrix4& source) { *this = source; }

void RMatrix4::Add(RMatrix4& out, const RMatrix4& a, const RMatrix4& b)
{
    for (int i = 0; i < 16; ++i)
        out.m[i] = a.m[i] + b.m[i];
}

void RMatrix4::Subtract(RMatrix4& out, const RMatrix4& a, const RMatrix4& b)
{
    for (int i = 0; i < 16; ++i)
        out.m[i] = a.m[i] - b.m[i];
}

void RMatrix4::AddInPlace(const RMatrix4& b) { Add(*this, *this, b); }
void RMatrix4::SubtractInPlace(const RMatrix4& b) { Subtract(*this, *this, b); }

void RMatrix4::Multiply(RMatrix4& out, const RMatrix4& a, const RMatrix4& b)
{
    RMatrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[4 * row + k] * b.m[4 * k + c];
            r.m[4 * row + c] = sum;
        }
    }
    out = r;
}

void RMatrix4::MultiplyInPlace(const RMatrix4& b) { Multiply(*this, *this, b); }

void RMatrix4::Scaled(RMatrix4& out, const RMatrix4& source, float s)
{
    for (int i = 0; i < 16; ++i)
        out.m[i] = source.m[i] * s;
}

void RMatrix4::ScaleInPlace(float s) { Scaled(*this, *this, s); }
void RMatrix4::Divided(RMatrix4& out, const RMatrix4& source, float s) { Scaled(out, source, 1.0f / s); }
void RMatrix4::DivideInPlace(float s) { Divided(*this, *this, s); }

void RMatrix4::Transpose(RMatrix4& out, const RMatrix4& source)
{
    RMatrix4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            r.m[4 * i + j] = source.m[4 * j + i];
    }
    out = r;
}

float RMatrix4::Determinant() const
{
    return m[0] * Minor(m, 0, 0) - m[1] * Minor(m, 0, 1) + m[2] * Minor(m, 0, 2) - m[3] * Minor(m, 0, 3);
}

float RMatrix4::Cofactor(int row, int column) const
{
    if (row < 0 || row > 3 || column < 0 || column > 3)
        return 0.0f;
    float minor = Minor(m, row, column);
    return ((row + column) % 2) ? -minor : minor;
}

void RMatrix4::Inverse(RMatrix4& out, const RMatrix4& source)
{
    float inverseDeterminant = 1.0f / source.Determinant();
    RMatrix4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            r.m[4 * i + j] = source.Cofactor(j, i) * inverseDeterminant;
    }
    out = r;
}

RVector2 RMatrix4::TransformPoint2D(const RMatrix4& t, const RVector2& v)
{
    const float* m = t.m;
    return RVector2{m[0] * v.x + m[1] * v.y + m[2] + m[3], m[4] * v.x + m[5] * v.y + m[6] + m[7]};
}

RVector3 RMatrix4::TransformPoint3D(const RMatrix4& t, const RVector3& v)
{
    const float* m = t.m;
    return RVector3{m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3],
                    m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7],
                    m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11]};
}

RVector4 RMatrix4::TransformVector4(const RMatrix4& t, const RVector4& v)
{
    const float* m = t.m;
    return RVector4{m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w,
                    m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7] * v.w,
                    m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11] * v.w,
                    m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15] * v.w};
}

void RMatrix4::MakeScale(RMatrix4& out, const RVector3& factors)
{
    SetZero(out);
    out.m[0] = factors.x;
    out.m[5] = factors.y;
    out.m[10] = factors.z;
    out.m[15] = 1.0f;
}

void RMatrix4::MakeUniformScale(RMatrix4& out, float s) { MakeScale(out, RVector3{s, s, s}); }

void RMatrix4::MakeTranslation(RMatrix4& out, const RVector3& offset)
{
    out.SetIdentity();
    out.m[12] = offset.x;
    out.m[13] = offset.y;
    out.m[14] = offset.z;
}

void RMatrix4::MakeRotationX(RMatrix4& out, float angle)
{
    float c = std::cos(angle), s = std::sin(angle);
    SetZero(out);
    out.m[0] = 1.0f;
    out.m[5] = c;
    out.m[6] = -s;
    out.m[9] = s;
    out.m[10] = c;
    out.m[15] = 1.0f;
}

void RMatrix4::MakeRotationY(RMatrix4& out, float angle)
{
    float c = std::cos(angle), s = std::sin(angle);
    SetZero(out);
    out.m[0] = c;
    out.m[2] = s;
    out.m[5] = 1.0f;
    out.m[8] = -s;
    out.m[10] = c;
    out.m[15] = 1.0f;
}

void RMatrix4::MakeRotationZ(RMatrix4& out, float angle)
{
    float c = std::cos(angle), s = std::sin(angle);
    SetZero(out);
    out.m[0] = c;
    out.m[1] = -s;
    out.m[4] = s;
    out.m[5] = c;
    out.m[10] = 1.0f;
    out.m[15] = 1.0f;
}

void RMatrix4::MakeRotationAxis(RMatrix4& out, const RVector3& axis, float angle)
{
    RVector3 n = Normalized(axis);
    float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    SetZero(out);
    out.m[0] = n.x * n.x * t + c;
    out.m[1] = n.x * n.y * t - n.z * s;
    out.m[2] = n.x * n.z * t + n.y * s;
    out.m[4] = n.x * n.y * t + n.z * s;
    out.m[5] = n.y * n.y * t + c;
    out.m[6] = n.y * n.z * t - n.x * s;
    out.m[8] = n.x * n.z * t - n.y * s;
    out.m[9] = n.y * n.z * t + n.x * s;
    out.m[10] = n.z * n.z * t + c;
    out.m[15] = 1.0f;
}

void RMatrix4::MakeFromAxes(RMatrix4& out, const RVector3& a, const RVector3& b, const RVector3& c)
{
    SetZero(out);
    const RVector3* rows[3] = {&a, &b, &c};
    for (int r = 0; r < 3; ++r) {
        out.m[4 * r] = rows[r]->x;
        out.m[4 * r + 1] = rows[r]->y;
        out.m[4 * r + 2] = rows[r]->z;
    }
    out.m[15] = 1.0f;
}

void RMatrix4::GetAxes(const RMatrix4& t, RVector3& a, RVector3& b, RVector3& c)
{
    a = RVector3{t.m[0], t.m[1], t.m[2]};
    b = RVector3{t.m[4], t.m[5], t.m[6]};
    c = RVector3{t.m[8], t.m[9], t.m[10]};
}

void RMatrix4::MakePlaneProjection(RMatrix4& out, const RVector3& n) { MakePlaneMatrix(out, n, 1.0f); }
void RMatrix4::MakeReflection(RMatrix4& out, const RVector3& n) { MakePlaneMatrix(out, n, 2.0f); }

void RMatrix4::MakePerspective(RMatrix4& out, float fov, float aspect, float nearZ, float farZ,
                               float referenceAspect)
{
    float half = fov * 0.5f;
    float xScale, yScale;
    if (aspect >= referenceAspect) {
        yScale = static_cast<float>(1.0 / std::tan(static_cast<double>(half)));
        xScale = yScale / aspect;
    } else {
        // Keep the horizontal half-angle that the reference aspect would have.
        float g = static_cast<float>(std::atan(static_cast<double>(referenceAspect) * std::tan(double(half))));
        xScale = static_cast<float>(1.0 / std::tan(static_cast<double>((2.0f * g) * 0.5f)));
        yScale = aspect * xScale;
    }
    SetZero(out);
    out.m[0] = xScale;
    out.m[5] = yScale;
    out.m[10] = farZ / (nearZ - farZ);
    out.m[11] = -1.0f;
    out.m[14] = nearZ * farZ / (nearZ - farZ);
}

void RMatrix4::MakeOrtho(RMatrix4& out, float left, float right, float top, float bottom, float nearZ, float farZ)
{
    SetZero(out);
    out.m[0] = 2.0f / (right - left);
    out.m[5] = 2.0f / (top - bottom);
    out.m[10] = 1.0f / (nearZ - farZ);
    out.m[12] = (left + right) / (left - right);
    out.m[13] = (top + bottom) / (bottom - top);
    out.m[14] = nearZ / (nearZ - farZ);
    out.m[15] = 1.0f;
}

void RMatrix4::MakeViewFromAxes(RMatrix4& out, const RVector3& p, const RVector3& a, const RVector3& b,
                                const RVector3& c)
{
    SetZero(out);
    out.m[0] = -b.x;
    out.m[4] = -b.y;
    out.m[8] = -b.z;
    out.m[1] = c.x;
    out.m[5] = c.y;
    out.m[9] = c.z;
    out.m[2] = -a.x;
    out.m[6] = -a.y;
    out.m[10] = -a.z;
    out.m[12] = Dot(b, p);
    out.m[13] = -Dot(c, p);
    out.m[14] = Dot(a, p);
    out.m[15] = 1.0f;
}

// ---- Quaternions ----

void RQuaternion::SetFromScalarVector(float s, const RVector3& v)
{
    w = s;
    x = v.x;
    y = v.y;
    z = v.z;
}

void RQuaternion::FromAxisAngle(const RVector3& axis, float angle)
{
    RVector3 n = Normalized(axis);
    float s = std::sin(angle * 0.5f);
    w = std::cos(angle * 0.5f);
    x = n.x * s;
    y = n.y * s;
    z = n.z * s;
}

void RQuaternion::FromVectorPart(float vx, float vy, float vz)
{
    x = vx;
    y = vy;
    z = vz;
    // A vector part of length 1 or more (rounding included) leaves no scalar part rather than a NaN.
    float rest = 1.0f - (vx * vx + vy * vy + vz * vz);
    w = std::sqrt(rest > 0.0f ? rest : 0.0f);
}

void RQuaternion::FromMatrix(const RMatrix4& t)
{
    const float* m = t.m;
    float s = 1.0f + m[0] + m[5] + m[10];
    if (s > 0.0001f) {
        w = static_cast<float>(std::sqrt(static_cast<double>(s)) * 0.5);
        float k = 0.25f / w;
        x = (m[9] - m[6]) * k;
        y = (m[2] - m[8]) * k;
        z = (m[4] - m[1]) * k;
    } else if (m[0] >= m[5] && m[0] >= m[10]) {
        x = static_cast<float>(std::sqrt(static_cast<double>(1.0f + m[0] - m[5] - m[10])) * 0.5);
        float k = 0.25f / x;
        y = (m[4] + m[1]) * k;
        z = (m[2] + m[8]) * k;
        w = (m[9] - m[6]) * k;
    } else if (m[5] >= m[10]) {
        y = static_cast<float>(std::sqrt(static_cast<double>(1.0f - m[0] + m[5] - m[10])) * 0.5);
        float k = 0.25f / y;
        x = (m[4] + m[1]) * k;
        z = (m[9] + m[6]) * k;
        w = (m[2] - m[8]) * k;
    } else {
        z = static_cast<float>(std::sqrt(static_cast<double>(1.0f - m[0] - m[5] + m[10])) * 0.5);
        float k = 0.25f / z;
        x = (m[2] + m[8]) * k;
        y = (m[9] + m[6]) * k;
        w = (m[4] - m[1]) * k;
    }
}

void RQuaternion::Normalize()
{
    float inverse = 1.0f / std::sqrt(w * w + x * x + y * y + z * z);
    if (std::isinf(inverse))
        inverse = 0.0f;
    w *= inverse;
    x *= inverse;
    y *= inverse;
    z *= inverse;
}

RQuaternion RQuaternion::Multiply(const RQuaternion& p, const RQuaternion& q)
{
    return RQuaternion{p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z,
                       p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
                       p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
                       p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w};
}

void RQuaternion::MultiplyInPlace(const RQuaternion& q) { *this = Multiply(*this, q); }

RQuaternion RQuaternion::Conjugate() const { return RQuaternion{w, -x, -y, -z}; }

RQuaternion RQuaternion::NormalizedConjugate() const
{
    float inverse = 1.0f / std::sqrt(w * w + x * x + y * y + z * z);
    if (std::isinf(inverse))
        inverse = 0.0f;
    return RQuaternion{w * inverse, -x * inverse, -y * inverse, -z * inverse};
}

void RQuaternion::ToMatrix(RMatrix4& out, RQuaternion& q, bool transposed)
{
    q.Normalize();
    const float w = q.w, x = q.x, y = q.y, z = q.z;
    // The w terms change sign in the transpose.
    const float sw = transposed ? -1.0f : 1.0f;
    SetZero(out);
    out.m[0] = 1.0f - 2.0f * y * y - 2.0f * z * z;
    out.m[5] = 1.0f - 2.0f * x * x - 2.0f * z * z;
    out.m[10] = 1.0f - 2.0f * x * x - 2.0f * y * y;
    out.m[15] = 1.0f;
    out.m[1] = 2.0f * x * y - sw * 2.0f * z * w;
    out.m[2] = 2.0f * x * z + sw * 2.0f * y * w;
    out.m[4] = 2.0f * x * y + sw * 2.0f * z * w;
    out.m[6] = 2.0f * y * z - sw * 2.0f * x * w;
    out.m[8] = 2.0f * x * z - sw * 2.0f * y * w;
    out.m[9] = 2.0f * y * z + sw * 2.0f * x * w;
}

void RQuaternion::GetAxes(RVector3& xAxis, RVector3& yAxis, RVector3& zAxis)
{
    RMatrix4 m;
    ToMatrix(m, *this, false);
    xAxis = RMatrix4::TransformPoint3D(m, RVector3{1.0f, 0.0f, 0.0f});
    yAxis = RMatrix4::TransformPoint3D(m, RVector3{0.0f, 1.0f, 0.0f});
    zAxis = RMatrix4::TransformPoint3D(m, RVector3{0.0f, 0.0f, 1.0f});
}

RVector3 RQuaternion::GetXAxis()
{
    RVector3 xAxis, yAxis, zAxis;
    GetAxes(xAxis, yAxis, zAxis);
    return xAxis;
}

RQuaternion RQuaternion::Slerp(const RQuaternion& p, const RQuaternion& q, float t)
{
    const float pc[4] = {p.w, p.x, p.y, p.z};
    const float qc[4] = {q.w, q.x, q.y, q.z};
    bool same = true;
    for (int i = 0; i < 4 && same; ++i)
        same = std::fabs(pc[i] - qc[i]) <= std::fmin(std::fabs(pc[i]), std::fabs(qc[i])) * 0.00001f;
    if (same)
        return p;

    RQuaternion from = p;
    float d = p.w * q.w + p.x * q.x + p.y * q.y + p.z * q.z;
    if (d < 0.0f) {
        from = RQuaternion{-p.w, -p.x, -p.y, -p.z};
        d = -d;
    }
    float theta = static_cast<float>(std::acos(static_cast<double>(std::fmin(d, 1.0f))));
    float s = std::sin(theta);
    float kp, kq;
    if (s >= 0.00001f) {
        kp = std::sin((1.0f - t) * theta) / s;
        kq = std::sin(t * theta) / s;
    } else {
        kp = 1.0f - t;
        kq = t;
    }
    return RQuaternion{kp * from.w + kq * q.w, kp * from.x + kq * q.x, kp * from.y + kq * q.y,
                       kp * from.z + kq * q.z};
}

// ---- Colours ----

void RColor::ToBytesBGRA(uint32_t& packed, const RColor& colour)
{
    packed = PackBytes(FloatToByte(colour.r * 255.0f), FloatToByte(colour.g * 255.0f),
                       FloatToByte(colour.b * 255.0f), FloatToByte(colour.a * 255.0f));
}

void RColor::FromBytes(RColor& colour, uint32_t packed)
{
    const float k = 0.003921569f;
    colour.r = ByteR(packed) * k;
    colour.g = ByteG(packed) * k;
    colour.b = ByteB(packed) * k;
    colour.a = ByteA(packed) * k;
}

void RColor::ModulateBytes(uint32_t& packed, const RColor& colour)
{
    packed = PackBytes(FloatToByte(ByteR(packed) * colour.r), FloatToByte(ByteG(packed) * colour.g),
                       FloatToByte(ByteB(packed) * colour.b), FloatToByte(ByteA(packed) * colour.a));
}

void RColor::DivideBytes(uint32_t& packed, const RColor& colour)
{
    packed = PackBytes(FloatToByte(ByteR(packed) / colour.r), FloatToByte(ByteG(packed) / colour.g),
                       FloatToByte(ByteB(packed) / colour.b), FloatToByte(ByteA(packed) / colour.a));
}

// ---- Curves ----

void RBezier::SetControlPoints(const RVector3& q0, const RVector3& q1, const RVector3& q2, const RVector3& q3)
{
    p0 = q0;
    p1 = q1;
    p2 = q2;
    p3 = q3;
    // Power-basis form of the cubic Bernstein polynomial.
    c = RVector3{3.0f * (q1.x - q0.x), 3.0f * (q1.y - q0.y), 3.0f * (q1.z - q0.z)};
    b = RVector3{3.0f * (q2.x - 2.0f * q1.x + q0.x), 3.0f * (q2.y - 2.0f * q1.y + q0.y),
                 3.0f * (q2.z - 2.0f * q1.z + q0.z)};
    a = RVector3{q3.x - q0.x + 3.0f * (q1.x - q2.x), q3.y - q0.y + 3.0f * (q1.y - q2.y),
                 q3.z - q0.z + 3.0f * (q1.z - q2.z)};
}

RVector3 RBezier::eval(float t) const
{
    return RVector3{((a.x * t + b.x) * t + c.x) * t + p0.x, ((a.y * t + b.y) * t + c.y) * t + p0.y,
                    ((a.z * t + b.z) * t + c.z) * t + p0.z};
}

float RBezier::FindNearestT(const RVector3& point, int steps, float tolerance) const
{
    // With fewer than 3 steps the window would not shrink, and a tolerance of 0 would never be reached.
    if (steps < 3 || !(tolerance > 0.0f))
        return 0.0f;
    auto distanceSquared = [&](float t) {
        RVector3 q = eval(t);
        RVector3 d{q.x - point.x, q.y - point.y, q.z - point.z};
        return Dot(d, d);
    };
    float step = 1.0f / static_cast<float>(steps);
    if (step < tolerance)
        return 0.0f;
    float bestT = 0.0f;
    float bestDistance = distanceSquared(0.0f);
    float start = 0.0f;
    float previousStep = step;
    do {
        for (int i = 0; i <= steps; ++i) {
            float t = start + static_cast<float>(i) * step;
            float distance = distanceSquared(t);
            if (distance < bestDistance) {
                bestDistance = distance;
                bestT = t;
            }
        }
        start = std::fmax(bestT - step, 0.0f);
        previousStep = step;
        step = (std::fmin(bestT + step, 1.0f) - start) / static_cast<float>(steps);
        // Near float precision the rounded window can stop shrinking; then no finer answer exists.
    } while (step >= tolerance && step < previousStep);
    return bestT;
}

RVector3 EvaluateBezierPoints(RVector3* points, int n, float t)
{
    if (!points || n < 1)
        return RVector3{0.0f, 0.0f, 0.0f};
    return DeCasteljau(points, n, t);
}

RVector3 EvaluateBezierDerivative(RVector3* points, int n, float t)
{
    if (!points || n < 2)
        return RVector3{0.0f, 0.0f, 0.0f};
    const float degree = static_cast<float>(n - 1);
    for (int i = 0; i < n - 1; ++i) {
        points[i].x = (points[i + 1].x - points[i].x) * degree;
        points[i].y = (points[i + 1].y - points[i].y) * degree;
        points[i].z = (points[i + 1].z - points[i].z) * degree;
    }
    return DeCasteljau(points, n - 1, t);
}

RVector3 EvaluateQuadraticBezier(const RVector3& p0, const RVector3& p1, const RVector3& p2, float t)
{
    float t2 = t * t;
    return RVector3{p0.x + t * (2.0f * p1.x - 2.0f * p0.x) + t2 * (p0.x - 2.0f * p1.x + p2.x),
                    p0.y + t * (2.0f * p1.y - 2.0f * p0.y) + t2 * (p0.y - 2.0f * p1.y + p2.y),
                    p0.z + t * (2.0f * p1.z - 2.0f * p0.z) + t2 * (p0.z - 2.0f * p1.z + p2.z)};
}
