// RGLDevice: shader programs, their uniforms and the uploads of uniform values.
#include "render/device/RGLDevice.h"

#include <GL/glew.h>

#include <cstdarg>
#include <cstdio>

#include "core/types/RMath.h"
#include "render/device/RGLObjMgr.h"
#include "render/device/RGLObject.h"

static_assert(sizeof(RVector4) == 4 * sizeof(GLfloat), "vectors are uploaded as 4 packed floats");
static_assert(sizeof(RMatrix4) == 16 * sizeof(GLfloat), "matrices are uploaded as 16 packed floats");

namespace {

// Info logs longer than this are cut: a report only has to show the first errors.
constexpr GLint kMaxInfoLogBytes = 64 * 1024;

// Appends printf-formatted text to report.
void AppendReport(RString& report, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list measure;
    va_copy(measure, arguments);
    int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length > 0) {
        char* text = new char[static_cast<size_t>(length) + 1];
        vsnprintf(text, static_cast<size_t>(length) + 1, format, arguments);
        report += text;
        delete[] text;
    }
    va_end(arguments);
}

// The info log of a shader (program false) or program (program true), at most kMaxInfoLogBytes.
RString InfoLog(GLuint object, bool program)
{
    GLint length = 0;
    if (program)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1)
        return RString();
    if (length > kMaxInfoLogBytes)
        length = kMaxInfoLogBytes;
    char* text = new char[static_cast<size_t>(length)];
    text[0] = 0;
    GLsizei written = 0;
    if (program)
        glGetProgramInfoLog(object, length, &written, text);
    else
        glGetShaderInfoLog(object, length, &written, text);
    text[written >= 0 && written < length ? written : length - 1] = 0;
    RString log(text);
    delete[] text;
    return log;
}

// Creates and compiles one shader from its text; adds the compile report to the pass on failure.
GLuint CompileShader(GLenum kind, const char* source, uint32_t sourceLength, const RString& fileName,
                     const char* techniqueName, RGLObjectTechniquePass* pass, bool* compiled)
{
    GLuint shader = glCreateShader(kind);
    const GLchar* text = source;
    GLint length = static_cast<GLint>(sourceLength);
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    *compiled = status == GL_TRUE;
    if (!*compiled) {
        AppendReport(pass->buildReport, "Error in %s shader compilation.\n\nSource file: %s\nTechnique: %s\nPass: %s\n\n%s",
                     kind == GL_VERTEX_SHADER ? "vertex" : "pixel", fileName.GetString(), techniqueName,
                     pass->passName.GetString(), InfoLog(shader, false).GetString());
    }
    return shader;
}

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

void RGLDevice::BuildProgram(RGLObjectTechniquePass* pass, const char* techniqueName, const char* vertexText,
                             uint32_t vertexLength, const RString& vertexName, const char* pixelText,
                             uint32_t pixelLength, const RString& pixelName)
{
    if (!m_context || !pass)
        return;
    bool vertexCompiled = false;
    bool pixelCompiled = false;
    pass->vertexShader =
        CompileShader(GL_VERTEX_SHADER, vertexText, vertexLength, vertexName, techniqueName, pass, &vertexCompiled);
    pass->fragmentShader =
        CompileShader(GL_FRAGMENT_SHADER, pixelText, pixelLength, pixelName, techniqueName, pass, &pixelCompiled);

    GLuint program = glCreateProgram();
    glAttachShader(program, pass->vertexShader);
    glAttachShader(program, pass->fragmentShader);
    glLinkProgram(program);
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    pass->name = program;
    pass->linked = status == GL_TRUE && vertexCompiled && pixelCompiled;
    if (status != GL_TRUE) {
        AppendReport(pass->buildReport, "Error in shader linking.\n\nSource files: %s / %s\nTechnique: %s\nPass: %s\n\n%s",
                     vertexName.GetString(), pixelName.GetString(), techniqueName, pass->passName.GetString(),
                     InfoLog(program, true).GetString());
    }
}

void RGLDevice::ListUniforms(RGLObjectTechniquePass* pass)
{
    if (!m_context || !pass || !pass->linked)
        return;
    RGLObjMgr* objects = RGLObjMgr::GetInstance();
    GLuint program = pass->name;
    GLint activeUniforms = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &activeUniforms);
    for (GLint i = 0; i < activeUniforms; ++i) {
        char uniformName[64] = {};
        GLsizei length = 0;
        GLint arraySize = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof uniformName, &length, &arraySize, &type,
                           uniformName);
        if (length <= 0)
            continue;
        RHashedString key(uniformName, true);
        // Two long names cut to the same 63 characters: the first keeps the entry.
        if (pass->uniformHandles.exists(key))
            continue;
        RGLObjectShaderParamHandle* handle = objects->CreateObject<RGLObjectShaderParamHandle>(0);
        handle->location = glGetUniformLocation(program, uniformName);
        handle->index = static_cast<uint32_t>(i);
        handle->arraySize = arraySize;
        handle->glType = type;
        pass->uniformHandles.insert(handle, key);
    }
}

bool RGLDevice::HasUniformLocation(const RGLObjectTechniquePass* pass, const char* name)
{
    return m_context && pass && name && glGetUniformLocation(pass->name, name) != -1;
}

void RGLDevice::DeleteProgram(RGLObjectTechniquePass* pass)
{
    if (!m_context || !pass)
        return;
    if (pass->name) {
        if (pass->vertexShader)
            glDetachShader(pass->name, pass->vertexShader);
        if (pass->fragmentShader)
            glDetachShader(pass->name, pass->fragmentShader);
        glDeleteProgram(pass->name);
    }
    if (pass->vertexShader)
        glDeleteShader(pass->vertexShader);
    if (pass->fragmentShader)
        glDeleteShader(pass->fragmentShader);
}

void RGLDevice::UseProgram(const RGLObjectTechniquePass* pass)
{
    if (m_context)
        glUseProgram(pass && pass->linked ? pass->name : 0);
}

void RGLDevice::SetUniformBool(const RGLObjectShaderParamHandle* handle, bool value)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    if (handle->glType == GL_BOOL || handle->glType == GL_INT)
        glUniform1i(handle->location, value ? 1 : 0);
}

void RGLDevice::SetUniformBoolArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && (handle->glType == GL_BOOL || handle->glType == GL_INT))
        glUniform1iv(handle->location, n, values);
}

void RGLDevice::SetUniformInt(const RGLObjectShaderParamHandle* handle, int32_t value)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    if (handle->glType == GL_INT || handle->glType == GL_BOOL || IsSamplerType(handle->glType))
        glUniform1i(handle->location, value);
}

void RGLDevice::SetUniformIntArray(const RGLObjectShaderParamHandle* handle, const int32_t* values, int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && (handle->glType == GL_INT || handle->glType == GL_BOOL || IsSamplerType(handle->glType)))
        glUniform1iv(handle->location, n, values);
}

void RGLDevice::SetUniformFloat(const RGLObjectShaderParamHandle* handle, float value)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    if (handle->glType == GL_FLOAT || handle->glType == GL_BOOL)
        glUniform1f(handle->location, value);
}

void RGLDevice::SetUniformFloatArray(const RGLObjectShaderParamHandle* handle, const float* values, int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && (handle->glType == GL_FLOAT || handle->glType == GL_BOOL))
        glUniform1fv(handle->location, n, values);
}

void RGLDevice::SetUniformVector(const RGLObjectShaderParamHandle* handle, const RVector4* value)
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

void RGLDevice::SetUniformVectorArray(const RGLObjectShaderParamHandle* handle, const RVector4* values,
                                      int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && handle->glType == GL_FLOAT_VEC4)
        glUniform4fv(handle->location, n, &values->x);
}

void RGLDevice::SetUniformMatrix(const RGLObjectShaderParamHandle* handle, const RMatrix4* value)
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

void RGLDevice::SetUniformMatrixArray(const RGLObjectShaderParamHandle* handle, const RMatrix4* values,
                                      int32_t count)
{
    if (!m_context || !handle || handle->location < 0)
        return;
    GLsizei n = ElementsToSend(handle, values, count);
    if (n > 0 && handle->glType == GL_FLOAT_MAT4)
        glUniformMatrix4fv(handle->location, n, GL_FALSE, values->m);
}

bool RGLDevice::BindSamplerTexture(const RGLObjectShaderParamHandle* handle, const RGLObjectTexture* texture)
{
    if (!m_context || !handle || handle->location < 0 || !handle->sampler || handle->glType != GL_SAMPLER_2D ||
        !texture)
        return false;
    GLint units = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &units);
    int32_t unit = handle->sampler->textureUnit;
    if (unit < 0 || unit >= units)
        return false;
    glUniform1i(handle->location, unit);
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, texture->name);
    return true;
}

void RGLDevice::UnbindSamplerTexture(const RGLObjectShaderParamHandle* handle)
{
    if (!m_context || !handle || !handle->sampler)
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
