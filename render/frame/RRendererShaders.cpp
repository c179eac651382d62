// RRenderer: effects through the shader manager, and the uniform uploads that shader parameters reach.
#include "render/frame/RRenderer.h"

#include <GL/glew.h>

#include "core/RMath.h"
#include "render/device/RGLObject.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

static_assert(sizeof(RVector4) == 4 * sizeof(GLfloat), "vectors are uploaded as 4 packed floats");
static_assert(sizeof(RMatrix4) == 16 * sizeof(GLfloat), "matrices are uploaded as 16 packed floats");

namespace {

// The sampler types; the unsigned integer vectors sit between the shadow and the integer samplers.
bool IsSamplerType(GLenum type)
{
    return (type >= GL_SAMPLER_1D && type <= GL_SAMPLER_2D_RECT_SHADOW) ||
           (type >= GL_SAMPLER_1D_ARRAY && type <= GL_SAMPLER_CUBE_SHADOW) ||
           (type >= GL_INT_SAMPLER_1D && type <= GL_UNSIGNED_INT_SAMPLER_BUFFER);
}

// How many elements of a caller's array the uniform takes: the caller's count, never more than the uniform's
// array size; 0 when nothing is to be sent.
GLsizei ElementsToSend(const RGLObjectShaderParamHandle* handle, const void* values, int32_t count)
{
    if (!values || count < 1)
        return 0;
    int32_t size = handle->arraySize > 0 ? handle->arraySize : 1;
    return count < size ? count : size;
}

}  // namespace

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
    if (!m_context || !handle || handle->location < 0)
        return;
    if (handle->glType == GL_BOOL || handle->glType == GL_INT)
        glUniform1i(handle->location, value ? 1 : 0);
}

void RRenderer::SetUniformBoolArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && (handle->glType == GL_BOOL || handle->glType == GL_INT))
        glUniform1iv(handle->location, n, values);
}

void RRenderer::SetUniformInt(const RGLObjectShaderParamHandle* handle, int32_t value)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    if (handle->glType == GL_INT || handle->glType == GL_BOOL || IsSamplerType(handle->glType))
        glUniform1i(handle->location, value);
}

void RRenderer::SetUniformIntArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && (handle->glType == GL_INT || handle->glType == GL_BOOL || IsSamplerType(handle->glType)))
        glUniform1iv(handle->location, n, values);
}

void RRenderer::SetUniformFloat(const RGLObjectShaderParamHandle* handle, float value)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    if (handle->glType == GL_FLOAT || handle->glType == GL_BOOL)
        glUniform1f(handle->location, value);
}

void RRenderer::SetUniformFloatArray(const RGLObjectShaderParamHandle* handle, const float* values, int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && (handle->glType == GL_FLOAT || handle->glType == GL_BOOL))
        glUniform1fv(handle->location, n, values);
}

void RRenderer::SetUniformVector(const RGLObjectShaderParamHandle* handle, const RVector4* value)
{
    if (!m_context || !handle || handle->location < 0 || !value)
        return;
    switch (handle->glType) {
    case GL_FLOAT_VEC2:
        glUniform2f(handle->location, value->x, value->y);
        break;
    case GL_FLOAT_VEC3:
        glUniform3f(handle->location, value->x, value->y, value->z);
        break;
    case GL_FLOAT_VEC4:
        glUniform4f(handle->location, value->x, value->y, value->z, value->w);
        break;
    default:
        break;
    }
}

void RRenderer::SetUniformVectorArray(const RGLObjectShaderParamHandle* handle, const RVector4* values,
                                      int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && handle->glType == GL_FLOAT_VEC4)
        glUniform4fv(handle->location, n, &values->x);
}

void RRenderer::SetUniformMatrix(const RGLObjectShaderParamHandle* handle, const RMatrix4* value)
{
    if (!m_context || !handle || handle->location < 0 || !value)
        return;
    const float* m = value->m;
    switch (handle->glType) {
    case GL_FLOAT_MAT2: {
        const GLfloat block[4] = {m[0], m[1], m[4], m[5]};
        glUniformMatrix2fv(handle->location, 1, GL_FALSE, block);
        break;
    }
    case GL_FLOAT_MAT3: {
        const GLfloat block[9] = {m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]};
        glUniformMatrix3fv(handle->location, 1, GL_FALSE, block);
        break;
    }
    case GL_FLOAT_MAT4:
        glUniformMatrix4fv(handle->location, 1, GL_FALSE, m);
        break;
    default:
        break;
    }
}

void RRenderer::SetUniformMatrixArray(const RGLObjectShaderParamHandle* handle, const RMatrix4* values,
                                      int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && handle->glType == GL_FLOAT_MAT4)
        glUniformMatrix4fv(handle->location, n, GL_FALSE, values->m);
}

void RRenderer::SetUniformTexture(const RGLObjectShaderParamHandle* handle, RHashedString textureName)
{
    if (!m_context || !handle || handle->location < 0 || !handle->sampler || handle->glType != GL_SAMPLER_2D ||
        textureName.IsEmpty() || !RTexMgr::HasInstance())
        return;
    RTexture* texture = RTexMgr::GetInstance()->GetTexture(textureName);
    if (!texture || !texture->GetGLTexture())
        return;
    GLint units = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    int32_t unit = handle->sampler->textureUnit;
    if (unit < 0 || unit >= units)
        return;
    glUniform1i(handle->location, unit);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, texture->GetGLTexture()->name);
    ApplySamplerStates(handle->sampler->uniformName, textureName);
}

void RRenderer::ResetUniform(const RGLObjectShaderParamHandle* handle, EShaderParamType type)
{
    if (!m_context || !handle || type != SHADER_PARAM_TEXTURE || !handle->sampler)
        return;
    GLint units = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    int32_t unit = handle->sampler->textureUnit;
    if (unit < 0 || unit >= units)
        return;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}
