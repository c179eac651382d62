#include "render/passes/RDepthBackdropQuad.h"

#include "core/types/RMath.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/materials/RMaterial.h"
#include "render/geometry/RMeshUtil.h"
#include "render/passes/RPassMaterialHost.h"
#include "render/geometry/RVertexSet.h"

RDepthBackdropQuad::RDepthBackdropQuad()
{
    static const RVector3 kPositions[4] = {{-1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}, {-1.0f, -1.0f, 1.0f},
                                           {1.0f, -1.0f, 1.0f}};
    static const RVector2 kTexCoords[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
    static const uint16_t kIndices[6] = {0, 2, 1, 1, 2, 3};
    const RVertexStreamDesc streams[2] = {
        {kPositions, sizeof(RVector3), STREAM_POSITION, false},
        {kTexCoords, sizeof(RVector2), STREAM_TEXCOORD0, false},
    };
    RMeshUtil::CreateBuffers(this, streams, 2, 4, kIndices, 6);
    m_ownMaterial = RPassMaterialHost::GetCurrent()->GetNewDepthBackdropMaterial();
    SetMaterial(m_ownMaterial);
}

RDepthBackdropQuad::~RDepthBackdropQuad()
{
    SetMaterial(nullptr);
    delete m_ownMaterial;
    delete GetVertexSet();
    delete GetIndexBuffer();
    SetVertexSet(nullptr);
    SetIndexBuffer(nullptr);
}
