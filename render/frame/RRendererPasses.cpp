// The renderer's stages, passes and groups and the drawing of a frame through them.
#include <cmath>

#include "render/device/RGLDevice.h"
#include "render/device/RGLObject.h"
#include "render/materials/RMaterial.h"
#include "render/materials/RMaterialInst.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderStage.h"
#include "render/frame/RRenderTarget.h"
#include "render/materials/RRenderable.h"
#include "render/materials/RRenderableInst.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShader.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RTechnique.h"
#include "render/frame/RViewport.h"

namespace {

template <typename T> T* FindById(const RUtilVector<T*>& records, RHashedString id)
{
    for (uint32_t i = 0; i < records.getCount(); ++i) {
        if (records[i]->id == id)
            return records[i];
    }
    return nullptr;
}

template <typename T> T* CreateById(RUtilVector<T*>& records, RHashedString id)
{
    T* record = FindById(records, id);
    if (record)
        return record;
    record = new T();
    record->id = id;
    records.push(record);
    return record;
}

// Erases the first record with the id from the list and answers it, or null.
template <typename T> T* TakeById(RUtilVector<T*>& records, RHashedString id)
{
    for (uint32_t i = 0; i < records.getCount(); ++i) {
        if (records[i]->id == id) {
            T* record = records[i];
            records.erase(i, 1);
            return record;
        }
    }
    return nullptr;
}

bool SameTargets(const RUtilVector<RRenderTarget*>& a, const RUtilVector<RRenderTarget*>& b)
{
    if (a.getCount() != b.getCount())
        return false;
    for (uint32_t i = 0; i < a.getCount(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// What a pass draws into: its last non-null target, else the current render target (null: the back buffer).
RRenderTarget* DrawnInto(const RRenderPass* pass, RRenderTarget* currentTarget)
{
    for (uint32_t i = pass->targets.getCount(); i > 0; --i) {
        if (pass->targets[i - 1])
            return pass->targets[i - 1];
    }
    return currentTarget;
}

// A target whose GL side could not be made binds the back buffer; a pass must not draw there in its place.
bool HasGLSide(const RRenderTarget* target)
{
    return !target || target->framebuffer;
}

// v + 0.5 truncated toward zero, as pixels; a NaN counts as 0 and the result stays far inside the int range.
int32_t RoundPixels(double v)
{
    const double limit = 1 << 24;
    if (std::isnan(v))
        return 0;
    v += 0.5;
    if (v > limit)
        v = limit;
    if (v < -limit)
        v = -limit;
    return static_cast<int32_t>(v);
}

double DepthOr(float value, double fallback)
{
    return std::isnan(value) ? fallback : value;
}

}  // namespace

RRenderStage* RRenderer::FindRenderStage(RHashedString id) const
{
    return FindById(m_renderStages, id);
}

RRenderStage* RRenderer::CreateRenderStage(RHashedString id)
{
    return CreateById(m_renderStages, id);
}

void RRenderer::AddPassToStage(RHashedString passId, RHashedString stageId)
{
    RRenderPass* pass = FindRenderPass(passId);
    RRenderStage* stage = FindRenderStage(stageId);
    if (pass && stage)
        stage->AddPass(pass);
}

void RRenderer::RemovePassFromStage(RHashedString passId, RHashedString stageId)
{
    RRenderPass* pass = FindRenderPass(passId);
    RRenderStage* stage = FindRenderStage(stageId);
    if (pass && stage)
        stage->RemovePass(pass);
}

void RRenderer::DestroyRenderStage(RHashedString id)
{
    delete TakeById(m_renderStages, id);
}

void RRenderer::DestroyAllRenderStages()
{
    for (uint32_t i = 0; i < m_renderStages.getCount(); ++i)
        delete m_renderStages[i];
    m_renderStages.clear();
}

RRenderPass* RRenderer::FindRenderPass(RHashedString id) const
{
    return FindById(m_renderPasses, id);
}

RRenderPass* RRenderer::CreateRenderPass(RHashedString id)
{
    return CreateById(m_renderPasses, id);
}

void RRenderer::AddGroupToPass(RHashedString groupId, RHashedString passId)
{
    RRenderGroup* group = FindRenderGroup(groupId);
    RRenderPass* pass = FindRenderPass(passId);
    if (group && pass)
        pass->AddGroup(group);
}

void RRenderer::RemoveGroupFromPass(RHashedString groupId, RHashedString passId)
{
    RRenderGroup* group = FindRenderGroup(groupId);
    RRenderPass* pass = FindRenderPass(passId);
    if (group && pass)
        pass->RemoveGroup(group);
}

void RRenderer::DestroyRenderPass(RHashedString id)
{
    RRenderPass* pass = TakeById(m_renderPasses, id);
    if (!pass)
        return;
    for (uint32_t i = 0; i < m_renderStages.getCount(); ++i)
        m_renderStages[i]->RemovePass(pass);
    delete pass;
}

RRenderGroup* RRenderer::FindRenderGroup(RHashedString id) const
{
    return FindById(m_renderGroups, id);
}

RRenderGroup* RRenderer::CreateRenderGroup(RHashedString id)
{
    return CreateById(m_renderGroups, id);
}

void RRenderer::AddRenderableToGroup(RRenderableInterface* renderable, RHashedString groupId)
{
    RRenderGroup* group = FindRenderGroup(groupId);
    if (group)
        group->AddRenderable(renderable);
}

void RRenderer::RemoveRenderableFromGroup(RRenderableInterface* renderable, RHashedString groupId)
{
    RRenderGroup* group = FindRenderGroup(groupId);
    if (group)
        group->RemoveRenderable(renderable);
}

void RRenderer::RemoveRenderableFromAllGroups(RRenderableInterface* renderable)
{
    for (uint32_t i = 0; i < m_renderGroups.getCount(); ++i)
        m_renderGroups[i]->RemoveRenderable(renderable);
}

void RRenderer::DestroyRenderGroup(RHashedString id)
{
    RRenderGroup* group = TakeById(m_renderGroups, id);
    if (!group)
        return;
    for (uint32_t i = 0; i < m_renderPasses.getCount(); ++i)
        m_renderPasses[i]->RemoveGroup(group);
    delete group;
}

void RRenderer::ForgetRenderTarget(RRenderTarget* target)
{
    if (!target)
        return;
    for (uint32_t i = 0; i < m_renderPasses.getCount(); ++i) {
        RRenderPass* pass = m_renderPasses[i];
        // A target listed in several slots leaves every one of them.
        for (uint32_t slot = pass->targets.getCount(); slot > 0; --slot) {
            if (pass->targets[slot - 1] == target)
                pass->targets.erase(slot - 1, 1);
        }
        if (pass->setTarget == target)
            pass->setTarget = nullptr;
    }
    if (m_currentRenderTarget == target)
        m_currentRenderTarget = nullptr;
}

void RRenderer::DeleteRenderRecords()
{
    for (uint32_t i = 0; i < m_renderPasses.getCount(); ++i)
        delete m_renderPasses[i];
    m_renderPasses.free();
    for (uint32_t i = 0; i < m_renderGroups.getCount(); ++i)
        delete m_renderGroups[i];
    m_renderGroups.free();
    for (uint32_t i = 0; i < m_renderStages.getCount(); ++i)
        delete m_renderStages[i];
    m_renderStages.free();
    m_currentRenderTarget = nullptr;
}

void RRenderer::BindForDrawing(RRenderTarget* target)
{
    if (!target) {
        BindDefaultTarget();
        return;
    }
    BindRenderTarget(target, 0);
    if (target->framebuffer && target->colourTexture) {
        uint32_t width = target->colourTexture->width;
        uint32_t height = target->colourTexture->height;
        m_device->SetTargetSize(width, height);
        m_device->SetViewport(0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height));
    }
}

void RRenderer::ApplyViewport(const RViewport& viewport)
{
    double targetWidth = m_device->GetTargetWidth();
    double targetHeight = m_device->GetTargetHeight();
    // Negative sizes would be refused by GL, leaving the previous pass's viewport in force: they draw nothing.
    int32_t width = RoundPixels(viewport.width * targetWidth);
    int32_t height = RoundPixels(viewport.height * targetHeight);
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    int32_t x = RoundPixels(viewport.x * targetWidth);
    int32_t y = RoundPixels(targetHeight) - RoundPixels(viewport.y * targetHeight) - height;
    m_device->SetViewport(x, y, width, height);
    m_device->SetDepthRange(DepthOr(viewport.minDepth, 0.0), DepthOr(viewport.maxDepth, 1.0));
}

void RRenderer::RenderStage(RHashedString stageId)
{
    m_textFlush = true;
    if (!m_device->IsLive())
        return;
    m_stageDrawn = true;
    const RUtilVector<RRenderPass*>* passes = &m_renderPasses;
    RRenderStage* stage = stageId.IsEmpty() ? nullptr : FindRenderStage(stageId);
    if (stage)
        passes = &stage->passes;

    // The state the first pass is compared with: the current target bound over its full size, full depth range.
    BindCurrentTarget();
    m_device->SetDepthRange(0.0, 1.0);
    RUtilVector<RRenderTarget*> previousTargets;
    RRenderTarget* lastBoundCurrent = nullptr;
    RViewport lastViewport;
    bool viewportKnown = true;
    // What is bound for drawing at its own size (null: the back buffer); false after a bind at a higher index.
    RRenderTarget* drawTarget = m_currentRenderTarget;
    bool drawTargetSized = true;
    bool anyPassDrawn = false;

    // A stage's pass list is not changed by drawing, but a renderable's draw could destroy a pass: the count is
    // read afresh every time.
    for (uint32_t index = 0; index < passes->getCount(); ++index) {
        RRenderPass* pass = (*passes)[index];
        if (pass->setTargetFlag) {
            m_currentRenderTarget = pass->setTarget;
            if (previousTargets.isEmpty()) {
                BindCurrentTarget();
                drawTarget = m_currentRenderTarget;
                drawTargetSized = true;
                viewportKnown = false;
            }
            continue;
        }
        if (!pass->enabled)
            continue;
        RRenderTarget* wanted = DrawnInto(pass, m_currentRenderTarget);
        if (!HasGLSide(wanted))
            continue;
        bool changed = !SameTargets(pass->targets, previousTargets) || m_currentRenderTarget != lastBoundCurrent;
        if (changed) {
            uint32_t slots = pass->targets.getCount();
            if (previousTargets.getCount() > slots)
                slots = previousTargets.getCount();
            for (uint32_t i = 0; i < slots; ++i) {
                if (i < pass->targets.getCount()) {
                    RRenderTarget* target = pass->targets[i];
                    if (target && (i >= previousTargets.getCount() || previousTargets[i] != target)) {
                        if (i == 0)
                            BindForDrawing(target);
                        else
                            BindRenderTarget(target, i);
                        drawTarget = target;
                        drawTargetSized = i == 0;
                    }
                } else if (i == 0) {
                    BindCurrentTarget();
                    drawTarget = m_currentRenderTarget;
                    drawTargetSized = true;
                }
            }
            // The device has no multiple render targets: the pass draws into one, at that one's size.
            if (drawTarget != wanted || !drawTargetSized) {
                BindForDrawing(wanted);
                drawTarget = wanted;
                drawTargetSized = true;
            }
        }
        if (changed || !anyPassDrawn || pass->clearAlways) {
            if (pass->clearColourFlag && pass->clearDepthFlag)
                ClearColourAndDepth(pass->clearColour, pass->clearDepth);
            else if (pass->clearColourFlag)
                ClearColour(pass->clearColour);
            else if (pass->clearDepthFlag)
                ClearDepth(pass->clearDepth);
        }
        previousTargets.copyFrom(pass->targets);
        lastBoundCurrent = m_currentRenderTarget;
        anyPassDrawn = true;
        if (changed || !viewportKnown || pass->viewport != lastViewport) {
            ApplyViewport(pass->viewport);
            lastViewport = pass->viewport;
            viewportKnown = true;
        }
        for (uint32_t g = 0; g < pass->groups.getCount(); ++g) {
            RRenderGroup* group = pass->groups[g];
            if (!group->enabled)
                continue;
            group->Sort(pass->id);
            DrawGroup(group, pass->id);
        }
    }
    previousTargets.free();
    m_currentTechniquePass = nullptr;
}

void RRenderer::DrawGroup(RRenderGroup* group, RHashedString renderPassId)
{
    const RUtilVector<RRenderableInterface*>& renderables = group->GetRenderables();
    uint32_t i = 0;
    while (i < renderables.getCount()) {
        RTechnique* technique = RRenderGroup::TechniqueFor(renderables[i], renderPassId);
        // Sorting brought every renderable drawn with this technique together.
        uint32_t batchEnd = i + 1;
        while (batchEnd < renderables.getCount() &&
               RRenderGroup::TechniqueFor(renderables[batchEnd], renderPassId) == technique)
            ++batchEnd;
        RShader* effect = technique ? technique->GetOwner() : nullptr;
        RGLObjectTechnique* glTechnique = technique ? technique->GetGLTechnique() : nullptr;
        // A material that chooses no technique for this pass (or one its effect lacks) draws nothing.
        if (!effect || !glTechnique || !effect->GetGLEffect()) {
            i = batchEnd;
            continue;
        }
        if (m_currentEffect != effect->GetGLEffect())
            SetEffect(effect);
        if (m_currentTechnique != glTechnique) {
            SetTechnique(glTechnique);
            BeginTechnique();
        }
        uint32_t passCount = glTechnique->passes.getCount();
        for (uint32_t k = 0; k < passCount; ++k) {
            if (!BeginPass(k))
                continue;
            const RGLObjectTechniquePass* techniquePass = m_currentTechniquePass;
            // Uniforms live in the program: a template's values are sent once per program, for its first
            // renderable in the run of renderables it shares.
            RMaterialInterface* lastMaterialTemplate = nullptr;
            RRenderableInterface* lastRenderableTemplate = nullptr;
            for (uint32_t r = i; r < batchEnd && r < renderables.getCount(); ++r) {
                RRenderableInterface* renderable = renderables[r];
                RRenderable* renderableTemplate = renderable->GetTemplate();
                RRenderableInst* renderableInstance = renderable->GetInstance();
                RMaterialInterface* material = renderable->GetMaterial();
                if (!renderableTemplate || !material || !renderable->IsVisible() ||
                    !renderableTemplate->IsVisible() || (renderableInstance && !renderableInstance->IsVisible()))
                    continue;
                RMaterialInterface* materialTemplate = material->GetTemplate();
                RMaterialInterface* materialInstance = material->GetInstance();
                if (!materialTemplate)
                    materialTemplate = material;
                bool offered = false;
                if (materialTemplate != lastMaterialTemplate) {
                    effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_MATERIAL, materialTemplate, renderPassId,
                                             &offered, techniquePass);
                    lastMaterialTemplate = materialTemplate;
                }
                offered = false;
                effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_MATERIAL_INSTANCE,
                                         materialInstance ? materialInstance : materialTemplate, renderPassId,
                                         &offered, techniquePass);
                offered = false;
                if (renderableTemplate != lastRenderableTemplate) {
                    effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_RENDERABLE, renderableTemplate,
                                             renderPassId, &offered, techniquePass);
                    lastRenderableTemplate = renderableTemplate;
                }
                offered = false;
                if (renderableInstance && renderableTemplate->DrawsRuns()) {
                    // The run: this instance and those after it of the same template and material (sorting
                    // brought them together, in their drawing order); the hidden ones are left out.
                    m_run.clear();
                    uint32_t runEnd = r;
                    for (; runEnd < batchEnd && runEnd < renderables.getCount(); ++runEnd) {
                        RRenderableInterface* next = renderables[runEnd];
                        RRenderableInst* nextInstance = next->GetInstance();
                        if (!nextInstance || next->GetTemplate() != renderableTemplate ||
                            next->GetMaterial() != material)
                            break;
                        if (nextInstance->IsVisible())
                            m_run.push(nextInstance);
                    }
                    renderableTemplate->RenderRun(this, m_run.getData(), m_run.getCount());
                    r = runEnd - 1;
                    continue;
                }
                RRenderableInterface* instanceScope = renderableInstance;
                if (!instanceScope)
                    instanceScope = renderableTemplate;
                effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_RENDERABLE_INSTANCE, instanceScope,
                                         renderPassId, &offered, techniquePass);
                renderableTemplate->RenderWith(this, renderableInstance);
            }
            EndPass();
        }
        m_currentTechniquePass = nullptr;
        i = batchEnd;
    }
}
