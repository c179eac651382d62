#include "render/view/RResSensQuad.h"

#include <cstdint>

#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMeshUtil.h"
#include "render/geometry/RVertexSet.h"

namespace {

int32_t ClampToInt(uint32_t value)
{
    return value < INT32_MAX ? static_cast<int32_t>(value) : INT32_MAX;
}

}  // namespace

RResSensQuad::RResSensQuad() : RResSensQuad(false, 1.0f, 1.0f) {}

RResSensQuad::RResSensQuad(bool followWindow, float xFraction, float yFraction)
    : m_xFraction(xFraction), m_yFraction(yFraction), m_followWindow(followWindow ? 1 : 0)
{
    Rebuild(GetListScreenWidth(), GetListScreenHeight());
}

RResSensQuad::~RResSensQuad()
{
    LeaveList();
    FreeGeometry();
}

void RResSensQuad::OnResolutionChanged(int32_t width, int32_t height)
{
    Rebuild(width, height);
}

bool RResSensQuad::Rebuild(int32_t width, int32_t height)
{
    FreeGeometry();
    if (m_followWindow) {
        width = ClampToInt(GetListWindowWidth());
        height = ClampToInt(GetListWindowHeight());
    }
    return RMeshUtil::MakeFullScreenQuad(this, GetScaledWidth(width), GetScaledHeight(height));
}

void RResSensQuad::FreeGeometry()
{
    if (RVertexSet* vertexSet = GetVertexSet()) {
        vertexSet->Destroy();
        delete vertexSet;
        SetVertexSet(nullptr);
    }
    if (RIndexBuffer* indexBuffer = GetIndexBuffer()) {
        indexBuffer->Destroy();
        delete indexBuffer;
        SetIndexBuffer(nullptr);
    }
}
