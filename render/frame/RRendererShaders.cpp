// RRenderer: effects through the shader manager, and the uniform uploads that shader parameters reach (made by
// the device).
#include "render/frame/RRenderer.h"

#include "render/device/RGLDevice.h"
#include "render/device/RGLObject.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

RShader* RRenderer::LoadShader(const char* fileName, RHashedString name)
{
    return RShaderMgr::GetInstance()->LoadShader(fileName, name);
}

void RRenderer::UnloadShader(RHashedString name)
{
    RShaderMgr::GetInstance()->UnloadShader(name);
}

void RRenderer::SetUniformBool(const RGLObjectShaderParamHandle* handle, bool value)
{
    m_device->SetUniformBool(handle, value);
}

void RRenderer::SetUniformBoolArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count)
{
    m_device->SetUniformBoolArray(handle, values, count);
}

void RRenderer::SetUniformInt(const RGLObjectShaderParamHandle* handle, int32_t value)
{
    m_device->SetUniformInt(handle, value);
}

void RRenderer::SetUniformIntArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count)
{
    m_device->SetUniformIntArray(handle, values, count);
}

void RRenderer::SetUniformFloat(const RGLObjectShaderParamHandle* handle, float value)
{
    m_device->SetUniformFloat(handle, value);
}

void RRenderer::SetUniformFloatArray(const RGLObjectShaderParamHandle* handle, const float* values, int32_t count)
{
    m_device->SetUniformFloatArray(handle, values, count);
}

void RRenderer::SetUniformVector(const RGLObjectShaderParamHandle* handle, const RVector4* value)
{
    m_device->SetUniformVector(handle, value);
}

void RRenderer::SetUniformVectorArray(const RGLObjectShaderParamHandle* handle, const RVector4* values,
                                      int32_t count)
{
    m_device->SetUniformVectorArray(handle, values, count);
}

void RRenderer::SetUniformMatrix(const RGLObjectShaderParamHandle* handle, const RMatrix4* value)
{
    m_device->SetUniformMatrix(handle, value);
}

void RRenderer::SetUniformMatrixArray(const RGLObjectShaderParamHandle* handle, const RMatrix4* values,
                                      int32_t count)
{
    m_device->SetUniformMatrixArray(handle, values, count);
}

void RRenderer::SetUniformTexture(const RGLObjectShaderParamHandle* handle, RHashedString textureName)
{
    if (!m_device->IsLive() || !handle || !handle->sampler || textureName.IsEmpty() || !RTexMgr::HasInstance())
        return;
    RTexture* texture = RTexMgr::GetInstance()->GetTexture(textureName);
    if (!texture || !texture->GetGLTexture())
        return;
    if (m_device->BindSamplerTexture(handle, texture->GetGLTexture()))
        ApplySamplerStates(handle->sampler->uniformName, textureName);
}

void RRenderer::ResetUniform(const RGLObjectShaderParamHandle* handle, EShaderParamType type)
{
    if (type == SHADER_PARAM_TEXTURE)
        m_device->UnbindSamplerTexture(handle);
}
