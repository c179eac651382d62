// RGLDevice: vertex and index buffers, their binding and draw submission.
#include "render/device/RGLDevice.h"

#include <GL/glew.h>

#include "render/device/RGLObjMgr.h"
#include "render/device/RGLObject.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RVertexSet.h"

RGLObjectVertexBuffer* RGLDevice::CreateVertexBuffer(uint32_t size, bool dynamic)
{
    if (!m_context)
        return nullptr;
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, size, nullptr, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    RGLObjectVertexBuffer* buffer = RGLObjMgr::GetInstance()->CreateObject<RGLObjectVertexBuffer>(name);
    buffer->dynamic = dynamic;
    return buffer;
}

void* RGLDevice::MapVertexBuffer(RGLObjectVertexBuffer* buffer, bool writeOnly)
{
    if (!m_context || !buffer)
        return nullptr;
    glBindBuffer(GL_ARRAY_BUFFER, buffer->name);
    void* data = glMapBuffer(GL_ARRAY_BUFFER, writeOnly ? GL_WRITE_ONLY : GL_READ_WRITE);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return data;
}

void RGLDevice::UnmapVertexBuffer(RGLObjectVertexBuffer* buffer)
{
    if (!m_context || !buffer)
        return;
    glBindBuffer(GL_ARRAY_BUFFER, buffer->name);
    glUnmapBuffer(GL_ARRAY_BUFFER);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void RGLDevice::DeleteVertexBuffer(RGLObjectVertexBuffer* buffer)
{
    if (!m_context || !buffer)
        return;
    // Deleting a buffer an attribute reads from leaves that attribute reading client memory: nothing may draw
    // through the old binding.
    const RVertexSet* bound = m_boundVertexSet;
    for (uint32_t i = 0; bound && i < bound->GetStreamCount(); ++i) {
        if (bound->GetStream(i) == buffer) {
            ForgetVertexBinding();
            break;
        }
    }
    GLuint name = buffer->name;
    glDeleteBuffers(1, &name);
}

void RGLDevice::ForgetDeclaration(const RGLObjectVertexDeclaration* declaration)
{
    if (m_context && m_boundVertexSet && m_boundVertexSet->GetDeclaration() == declaration)
        ForgetVertexBinding();
}

RGLObjectIndexBuffer* RGLDevice::CreateIndexBuffer(uint32_t size, bool dynamic)
{
    if (!m_context)
        return nullptr;
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, size, nullptr, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    RestoreIndexBinding();
    RGLObjectIndexBuffer* buffer = RGLObjMgr::GetInstance()->CreateObject<RGLObjectIndexBuffer>(name);
    buffer->dynamic = dynamic;
    return buffer;
}

void* RGLDevice::MapIndexBuffer(RGLObjectIndexBuffer* buffer)
{
    if (!m_context || !buffer)
        return nullptr;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer->name);
    void* data = glMapBuffer(GL_ELEMENT_ARRAY_BUFFER, GL_READ_WRITE);
    RestoreIndexBinding();
    return data;
}

void RGLDevice::UnmapIndexBuffer(RGLObjectIndexBuffer* buffer)
{
    if (!m_context || !buffer)
        return;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer->name);
    glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER);
    RestoreIndexBinding();
}

void RGLDevice::DeleteIndexBuffer(RGLObjectIndexBuffer* buffer)
{
    if (!m_context || !buffer)
        return;
    if (m_boundIndexBuffer && m_boundIndexBuffer->GetBuffer() == buffer)
        ForgetIndexBinding();
    GLuint name = buffer->name;
    glDeleteBuffers(1, &name);
}

void RGLDevice::ForgetVertexBinding()
{
    if (m_context) {
        for (uint32_t location = 0; location < m_maxVertexAttributes; ++location) {
            if (m_enabledAttributes & (uint64_t(1) << location))
                glDisableVertexAttribArray(location);
        }
    }
    m_enabledAttributes = 0;
    m_boundVertexSet = nullptr;
    m_boundPass = nullptr;
    m_boundProgram = 0;
    m_boundVertexCount = 0;
}

void RGLDevice::ForgetIndexBinding()
{
    m_boundIndexBuffer = nullptr;
    m_boundIndexCount = 0;
}

void RGLDevice::RestoreIndexBinding()
{
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_boundIndexBuffer ? m_boundIndexBuffer->GetBuffer()->name : 0);
}

void RGLDevice::BindVertexSet(const RVertexSet* set, const RGLObjectTechniquePass* pass)
{
    if (!m_context)
        return;
    if (!set || set->GetVertexCount() < 1) {
        ForgetVertexBinding();
        return;
    }
    uint32_t program = pass ? pass->name : 0;
    if (set == m_boundVertexSet && pass == m_boundPass && program == m_boundProgram)
        return;

    uint64_t enabled = 0;
    for (uint32_t i = 0; pass && i < set->GetStreamCount(); ++i) {
        StreamUsage usage = set->GetUsage(i);
        auto* attribute = pass->attributes.find(usage);
        const char* attributeName = attribute ? attribute->value.GetString() : nullptr;
        if (!attributeName)
            continue;
        GLint location = glGetAttribLocation(program, attributeName);
        if (location < 0 || static_cast<uint32_t>(location) >= m_maxVertexAttributes)
            continue;
        glBindBuffer(GL_ARRAY_BUFFER, set->GetStream(i)->name);
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, StreamUsageComponentCount(usage), StreamUsageGLType(usage),
                              StreamUsageIsNormalized(usage) ? GL_TRUE : GL_FALSE, 0, nullptr);
        enabled |= uint64_t(1) << location;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Every location this bind did not enable is disabled, wherever the linker put the pass's attributes.
    for (uint32_t location = 0; location < m_maxVertexAttributes; ++location) {
        if (!(enabled & (uint64_t(1) << location)))
            glDisableVertexAttribArray(location);
    }
    m_enabledAttributes = enabled;
    m_boundVertexSet = set;
    m_boundPass = pass;
    m_boundProgram = program;
    m_boundVertexCount = set->GetVertexCount();
}

void RGLDevice::BindIndexBuffer(const RIndexBuffer* buffer)
{
    if (!m_context)
        return;
    if (!buffer || buffer->GetIndexCount() < 1 || !buffer->GetBuffer()) {
        ForgetIndexBinding();
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        return;
    }
    if (buffer == m_boundIndexBuffer)
        return;
    m_boundIndexBuffer = buffer;
    m_boundIndexCount = buffer->GetIndexCount() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(buffer->GetIndexCount());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer->GetBuffer()->name);
}

namespace {

// Indices to draw for count primitives of perIndex indices each (-1: all), never more than are bound.
int32_t IndicesToDraw(int32_t count, int64_t perPrimitive, int32_t bound)
{
    if (count == -1)
        return bound;
    if (count < 0)
        return 0;
    int64_t wanted = count * perPrimitive;
    return wanted < bound ? static_cast<int32_t>(wanted) : bound;
}

}  // namespace

void RGLDevice::DrawIndexedTriangles(int32_t count)
{
    if (!m_context || m_boundIndexCount < 1 || m_boundVertexCount < 1)
        return;
    int32_t indices = IndicesToDraw(count, 3, m_boundIndexCount);
    if (indices > 0)
        glDrawElements(GL_TRIANGLES, indices, GL_UNSIGNED_SHORT, nullptr);
}

void RGLDevice::DrawIndexedLines(int32_t count)
{
    if (!m_context || m_boundIndexCount < 1 || m_boundVertexCount < 1)
        return;
    int32_t indices = IndicesToDraw(count, 2, m_boundIndexCount);
    if (indices > 0)
        glDrawElements(GL_LINES, indices, GL_UNSIGNED_SHORT, nullptr);
}

void RGLDevice::DrawIndexedPoints(int32_t count)
{
    if (!m_context || m_boundVertexCount < 1)
        return;
    int32_t bound = m_boundVertexCount > INT32_MAX ? INT32_MAX : static_cast<int32_t>(m_boundVertexCount);
    int32_t points = IndicesToDraw(count, 1, bound);
    if (points > 0)
        glDrawArrays(GL_POINTS, 0, points);
}
