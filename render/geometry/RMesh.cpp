#include "render/geometry/RMesh.h"

#include "render/frame/RRenderer.h"

RMesh::RMesh(const RMesh& other)
    : RRenderable(other),
      m_vertexSet(other.m_vertexSet),
      m_indexBuffer(other.m_indexBuffer),
      m_primitiveType(other.m_primitiveType)
{
}

RMesh& RMesh::operator=(const RMesh& other)
{
    m_vertexSet = other.m_vertexSet;
    m_indexBuffer = other.m_indexBuffer;
    m_primitiveType = other.m_primitiveType;
    return *this;
}

void RMesh::RenderWith(RRenderer* renderer, RRenderableInst* instance)
{
    if (!renderer || !m_vertexSet)
        return;
    renderer->BindVertexSet(m_vertexSet);
    renderer->BindIndexBuffer(m_indexBuffer);
    switch (m_primitiveType) {
    case PRIMITIVE_TRIANGLES:
        renderer->DrawIndexedTriangles(-1);
        break;
    case PRIMITIVE_LINES:
        renderer->DrawIndexedLines(-1);
        break;
    case PRIMITIVE_POINTS:
        renderer->DrawIndexedPoints(-1);
        break;
    default:
        break;
    }
}
