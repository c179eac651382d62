// RRenderer: vertex and index buffers, their binding and draw submission, through the device.
#include "render/frame/RRenderer.h"

#include "render/device/RGLDevice.h"
#include "render/device/RGLObjMgr.h"
#include "render/device/RGLObject.h"

bool RRenderer::CreateVertexBuffer(uint32_t size, bool dynamic, RGLObjectVertexBuffer** out)
{
    if (!out)
        return false;
    *out = m_device->CreateVertexBuffer(size, dynamic);
    return *out != nullptr;
}

void* RRenderer::MapVertexBuffer(RGLObjectVertexBuffer* buffer, bool writeOnly)
{
    return m_device->MapVertexBuffer(buffer, writeOnly);
}

void RRenderer::UnmapVertexBuffer(RGLObjectVertexBuffer* buffer)
{
    m_device->UnmapVertexBuffer(buffer);
}

void RRenderer::DeleteVertexBuffer(RGLObjectVertexBuffer** buffer)
{
    if (!buffer || !*buffer)
        return;
    if (RRenderer* renderer = LiveInstance())
        renderer->m_device->DeleteVertexBuffer(*buffer);
    RGLObjMgr::DestroyObject(*buffer);
    *buffer = nullptr;
}

void RRenderer::CreateVertexDeclaration(RGLObjectVertexDeclaration** out)
{
    if (out)
        *out = RGLObjMgr::GetInstance()->CreateObject<RGLObjectVertexDeclaration>(0);
}

void RRenderer::DeleteVertexDeclaration(RGLObjectVertexDeclaration** declaration)
{
    if (!declaration || !*declaration)
        return;
    if (RRenderer* renderer = LiveInstance())
        renderer->m_device->ForgetDeclaration(*declaration);
    RGLObjMgr::DestroyObject(*declaration);
    *declaration = nullptr;
}

bool RRenderer::CreateIndexBuffer(uint32_t size, bool dynamic, RGLObjectIndexBuffer** out)
{
    if (!out)
        return false;
    *out = m_device->CreateIndexBuffer(size, dynamic);
    return *out != nullptr;
}

void* RRenderer::MapIndexBuffer(RGLObjectIndexBuffer* buffer)
{
    return m_device->MapIndexBuffer(buffer);
}

void RRenderer::UnmapIndexBuffer(RGLObjectIndexBuffer* buffer)
{
    m_device->UnmapIndexBuffer(buffer);
}

void RRenderer::DeleteIndexBuffer(RGLObjectIndexBuffer** buffer)
{
    if (!buffer || !*buffer)
        return;
    if (RRenderer* renderer = LiveInstance())
        renderer->m_device->DeleteIndexBuffer(*buffer);
    RGLObjMgr::DestroyObject(*buffer);
    *buffer = nullptr;
}

void RRenderer::BindVertexSet(const RVertexSet* set)
{
    m_device->BindVertexSet(set, m_currentTechniquePass);
}

void RRenderer::BindIndexBuffer(const RIndexBuffer* buffer)
{
    m_device->BindIndexBuffer(buffer);
}

void RRenderer::DrawIndexedTriangles(int32_t count)
{
    m_device->DrawIndexedTriangles(count);
}

void RRenderer::DrawIndexedLines(int32_t count)
{
    m_device->DrawIndexedLines(count);
}

void RRenderer::DrawIndexedPoints(int32_t count)
{
    m_device->DrawIndexedPoints(count);
}
