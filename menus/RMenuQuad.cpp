#include "menus/RMenuQuad.h"

#include "render/frame/RRenderer.h"
#include "render/text/RQuadBatch.h"

RMenuQuad::RMenuQuad(Kind kind) : m_kind(kind)
{
    RenewDynamic();
}

RMenuQuad::~RMenuQuad()
{
    ReleaseDynamic();
}

void RMenuQuad::SetRect(float left, float top, float width, float height)
{
    m_left = left;
    m_top = top;
    m_width = width > 0.0f ? width : 0.0f;
    m_height = height > 0.0f ? height : 0.0f;
}

void RMenuQuad::RenderWith(RRenderer* renderer, RRenderableInst* /*instance*/)
{
    if (m_width <= 0.0f || m_height <= 0.0f)
        return;
    RQuadBatchWriter writer(this);
    if (!writer.Begin())
        return;
    RScreenQuad quad;
    quad.left = m_left;
    quad.right = m_left + m_width;
    quad.top = -m_top;
    quad.bottom = -(m_top + m_height);
    quad.u0 = 0.0f;
    quad.v0 = 0.0f;
    quad.u1 = 1.0f;
    quad.v1 = 1.0f;
    if (m_kind == kPanel) {
        quad.s0 = quad.s1 = m_width;
        quad.t0 = quad.t1 = m_height;
    } else {
        quad.s0 = quad.t0 = 0.0f;
        quad.s1 = quad.t1 = 1.0f;
    }
    quad.topColour = m_colour;
    quad.bottomColour = m_colour;
    writer.AddQuad(quad);
    writer.Flush(renderer);
}

void RMenuQuad::ReleaseDynamic()
{
    RQuadBatch::Destroy(this);
}

void RMenuQuad::RenewDynamic()
{
    if (!RRenderer::HasInstance() || !RRenderer::GetInstance()->IsInitialised())
        return;
    if (!GetVertexSet())
        RQuadBatch::Create(this, 1);
    RRenderer::GetInstance()->RegisterResource(this);
}
