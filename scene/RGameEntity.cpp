#include "scene/RGameEntity.h"

#include "render/effects/RShaderParam.h"
#include "scene/RBasingComponent.h"
#include "scene/RDeleteComponent.h"
#include "scene/RJumpComponent.h"
#include "scene/RSpatialComponent.h"

float RGameEntity::s_fraction = 1.0f;

void RGameEntity::SetInterpolationFraction(float fraction)
{
    if (!(fraction <= 1.0f))
        fraction = 1.0f;  // NaN too
    s_fraction = fraction < 0.0f ? 0.0f : fraction;
}

void RGameEntity::Tick(float step, uint32_t mask)
{
    if (GetComponent<RDeleteComponent>())
        return;
    if (mask & kGameStep) {
        if (RSpatialComponent* spatial = GetComponent<RSpatialComponent>())
            spatial->BeginStep();
        FixedStep(step);
    } else if (mask & kGameFrame) {
        const RHandle self = GetHandle();
        FrameStep(step);
        if (!self.Get())
            return;
        if (RSpatialComponent* spatial = GetComponent<RSpatialComponent>())
            spatial->Interpolate(s_fraction);
    }
}

void RGameEntity::FixedStep(float step)
{
    StepMovement(step);
}

void RGameEntity::StepMovement(float step)
{
    const RHandle self = GetHandle();
    if (RBasingComponent* basing = GetComponent<RBasingComponent>()) {
        basing->Carry();
        if (!self.Get())
            return;
    }
    if (RJumpComponent* jump = GetComponent<RJumpComponent>())
        jump->Step(step);
    else if (RSpatialComponent* spatial = GetComponent<RSpatialComponent>())
        spatial->Step(step);
}

void RGameEntity::SetShaderVector(RHashedString name, const RVector4& value)
{
    m_shaderVectors[name] = value;
}

bool RGameEntity::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                     RShaderParamInformant* requester)
{
    static const RHashedString s_position("EntityPosition");
    if (mapping->name == s_position) {
        RVector4 position = {0.0f, 0.0f, 0.0f, 1.0f};
        if (RSpatialComponent* spatial = GetComponent<RSpatialComponent>()) {
            const RVector3& display = spatial->GetDisplayPosition();
            position = RVector4{display.x, display.y, display.z, 1.0f};
        }
        mapping->SetVector(&position);
        return true;
    }
    if (RUtilMapNode<RVector4, RHashedString>* node = m_shaderVectors.find(mapping->name)) {
        mapping->SetVector(&node->value);
        return true;
    }
    return RPlainEntity::InformShaderParams(mapping, renderPassId, requester);
}
