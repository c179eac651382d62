// RShader: the effect's side of the parameter flow: offering a pass's scope sets to informants while it is drawn,
// resetting every set, and the device hooks.
#include "render/effects/RShader.h"

#include "render/frame/RRenderer.h"
#include "render/effects/RShaderParam.h"

void RShader::ApplyScopeParams(uint32_t scope, RShaderParamInformant* informant, RHashedString renderPassId,
                               bool* offered, const RGLObjectTechniquePass* pass)
{
    RShaderParamSetWrapper* wrapper = GetParamSetWrapper(pass);
    RShaderParamSet* set = wrapper ? wrapper->GetSet(scope) : nullptr;
    if (!set || set->GetCount() == 0 || !informant)
        return;
    set->InformAll(informant, renderPassId);
    if (offered)
        *offered = true;
}

void RShader::ResetParams()
{
    // Never creates a renderer: at shut-down the effects may outlive it.
    if (RRenderer::HasInstance())
        RRenderer::GetInstance()->SetEffect(this);
    for (RUtilMapIter<RShaderParamSetWrapper*, const void*> wrapper(m_paramSetWrappers); wrapper.isValid();
         wrapper.next()) {
        for (uint32_t scope = 0; scope < RShaderParamSetWrapper::kScopeCount; ++scope)
            wrapper.getValue()->GetSet(scope)->ResetAll();
    }
}

void RShader::OnDeviceLost()
{
    if (RRenderer::HasInstance())
        RRenderer::GetInstance()->OnEffectLost(this);
}

void RShader::OnDeviceReset()
{
    if (RRenderer::HasInstance())
        RRenderer::GetInstance()->OnEffectReset(this);
}
