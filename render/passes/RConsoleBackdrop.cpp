#include "render/passes/RConsoleBackdrop.h"

#include <cstring>

#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMeshUtil.h"
#include "render/effects/RShaderParam.h"
#include "render/geometry/RVertexSet.h"

RConsoleBackdrop::RConsoleBackdrop()
{
    m_transform.SetIdentity();
    static const RVector3 kPositions[4] = {{-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {-1.0f, 1.0f, 0.0f},
                                           {1.0f, 1.0f, 0.0f}};
    static const uint32_t kColours[4] = {0xFF000000u, 0xC0000000u, 0xFF202020u, 0xC0202020u};
    static const uint16_t kIndices[6] = {0, 2, 1, 1, 2, 3};
    const RVertexStreamDesc streams[2] = {
        {kPositions, sizeof(RVector3), STREAM_POSITION, false},
        {kColours, sizeof(uint32_t), STREAM_COLOR, false},
    };
    RMeshUtil::CreateBuffers(this, streams, 2, 4, kIndices, 6);
}

RConsoleBackdrop::~RConsoleBackdrop()
{
    delete GetVertexSet();
    delete GetIndexBuffer();
    SetVertexSet(nullptr);
    SetIndexBuffer(nullptr);
}

void RConsoleBackdrop::SetHeight(float height)
{
    RMatrix4::MakeScale(m_transform, RVector3{1.0f, -height, 0.0f});
}

bool RConsoleBackdrop::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                          RShaderParamInformant* requester)
{
    static const RHashedString s_wvpMat("wvpMat");
    if (mapping->name == s_wvpMat) {
        mapping->SetMatrix(&m_transform);
        return true;
    }
    return RMesh::InformShaderParams(mapping, renderPassId, requester);
}

bool RConsoleBackdrop::SetCornerColours(const uint32_t colours[4])
{
    RVertexSet* vertices = GetVertexSet();
    if (!vertices || vertices->GetVertexCount() != 4 || vertices->GetUsage(1) != STREAM_COLOR)
        return false;
    void* stream = vertices->LockStream(1, false);
    if (!stream)
        return false;
    std::memcpy(stream, colours, 4 * sizeof(uint32_t));
    vertices->UnlockStream(1);
    return true;
}
