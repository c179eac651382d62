// RMeshUtil: builders of procedural geometry (the full-screen quad and eight parametric primitives), the
// per-vertex tangent generator and a vertex-count formula. Each builder computes its arrays in temporary storage,
// creates a new vertex set and index buffer from them (static, copying the data) and stores them in the mesh,
// replacing its pointers without destroying what they pointed to: the caller owns and deletes both, old and new.
//
// Every builder returns false, leaving the mesh untouched, for a null mesh, an argument that would divide by
// zero (no segments, rows or columns), more vertices than 16-bit indices can address (65,536), or buffers that
// cannot be created. Angles use pi as 3.1415927 and 2 pi as 6.2831855 in single precision; sines and cosines are
// taken in double precision from those angles.
#pragma once

#include <cstdint>

#include "core/types/RMath.h"
#include "render/geometry/RVertexSet.h"

class RMesh;

namespace RMeshUtil {

// The most vertices a mesh with 16-bit indices can address.
constexpr uint64_t kMaxVertices = 65536;

// Creates the vertex set and the index buffer from the arrays and stores them in the mesh, as every builder and
// the mesh file loader do last. False, with nothing created and the mesh untouched, when either cannot be made.
bool CreateBuffers(RMesh* mesh, const RVertexStreamDesc* streams, uint32_t streamCount, uint32_t vertexCount,
                   const uint16_t* indices, uint32_t indexCount);

// Positions (-1, -1), (1, -1), (1, 1), (-1, 1) at z 0 with texture coordinates (0, 0) to (0, 1), indices
// 0 1 2 0 2 3: counter-clockwise on screen, so passes that draw it turn culling off. Streams POSITION,
// TEXCOORD0. The two sizes are not used.
bool MakeFullScreenQuad(RMesh* mesh, int32_t width, int32_t height);
// A unit sphere from an icosahedron whose edges are cut into subdivision + 1 segments; every face has its own
// vertices. Streams POSITION, NORMAL, TANGENT, TEXCOORD0. Subdivisions 0 to 78.
bool MakeIcosphere(RMesh* mesh, int32_t subdivision);
// A latitude-longitude sphere of the radius, stack 0 at z = +radius. Streams POSITION, NORMAL, TANGENT,
// TEXCOORD0.
bool MakeSphere(RMesh* mesh, uint32_t slices, uint32_t stacks, float radius);
// A tube from radius 1 at z = -1 to radius 1 - taper at z = 1 (taper 1 closes it to a point), open at both ends.
// Streams POSITION, NORMAL, TEXCOORD0.
bool MakeTaperedCylinder(RMesh* mesh, uint32_t segments, float taper);
// A unit-radius tube from z = -1 to z = 1, open at both ends. Streams POSITION, NORMAL, TEXCOORD0.
bool MakeCylinder(RMesh* mesh, uint32_t segments);
// A unit-radius sphere cut at its equator with the halves moved length / 2 up and down z. Streams POSITION,
// NORMAL, TEXCOORD0.
bool MakeCapsule(RMesh* mesh, uint32_t slices, uint32_t stacksPerHemisphere, float length);
// The cube from -1 to 1, four vertices per face. Streams POSITION, NORMAL, TANGENT, TEXCOORD0.
bool MakeCube(RMesh* mesh);
// A ring around the z axis from innerRadius to outerRadius. Streams POSITION, NORMAL, TANGENT, TEXCOORD0.
bool MakeTorus(RMesh* mesh, uint32_t axisSegments, uint32_t tubeSegments, float innerRadius, float outerRadius);
// Lines across the square from -1 to 1 in the z = 0 plane: rows + 1 horizontal, then columns + 1 vertical, each
// a pair of indices. Sets the mesh to draw lines. Streams POSITION, TEXCOORD0.
bool MakeLineGrid(RMesh* mesh, uint32_t rows, uint32_t columns);

// Per-vertex tangents and bitangents from the first whole triangle that names each vertex (triangles naming a
// vertex outside the count are passed over). Each such vertex's normal is written back normalised; a vertex no
// triangle names keeps its outputs. Degenerate positions or texture coordinates give zero vectors, never NaNs.
// bitangents may be null when they are not wanted. Runs in time linear in the two counts.
void GenerateTangents(uint32_t vertexCount, uint32_t indexCount, const uint16_t* indices, const RVector3* positions,
                      RVector3* normals, const RVector2* texCoords, RVector3* tangents, RVector3* bitangents);

// 0 when a < 1, else (b + 1)(a - 1) + b + 2 - (a - 1)(a - 2) / 2, the product taken in 64 bits.
int32_t TriangularPatchVertexCount(int32_t a, int32_t b);

}  // namespace RMeshUtil
