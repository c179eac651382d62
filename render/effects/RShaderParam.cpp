#include "render/effects/RShaderParam.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/types/RMath.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderParamInformant.h"

namespace {

// The bytes of [begin, end) equal keyword, any case.
bool FieldIs(const char* begin, const char* end, const char* keyword)
{
    size_t length = static_cast<size_t>(end - begin);
    return length == strlen(keyword) && strncasecmp(begin, keyword, length) == 0;
}

EShaderParamType ParseType(const char* begin, const char* end)
{
    static const struct {
        const char* keyword;
        EShaderParamType type;
    } kTypes[] = {{"int", SHADER_PARAM_INT},       {"float", SHADER_PARAM_FLOAT}, {"vector", SHADER_PARAM_VECTOR},
                  {"matrix", SHADER_PARAM_MATRIX}, {"bool", SHADER_PARAM_BOOL},   {"texture", SHADER_PARAM_TEXTURE}};
    for (const auto& entry : kTypes) {
        if (FieldIs(begin, end, entry.keyword))
            return entry.type;
    }
    return SHADER_PARAM_UNKNOWN;
}

uint32_t ParseScope(const char* begin, const char* end)
{
    if (FieldIs(begin, end, "matinst"))
        return RShaderParamSetWrapper::SCOPE_MATERIAL_INSTANCE;
    if (FieldIs(begin, end, "renderable"))
        return RShaderParamSetWrapper::SCOPE_RENDERABLE;
    if (FieldIs(begin, end, "rendinst") || FieldIs(begin, end, "instance"))
        return RShaderParamSetWrapper::SCOPE_RENDERABLE_INSTANCE;
    return RShaderParamSetWrapper::SCOPE_MATERIAL;
}

// The field's leading decimal integer as atoi reads it, but clamped to 32 bits instead of overflowing.
int32_t ParseCount(const char* begin, const char* end)
{
    while (begin < end && (*begin == ' ' || (*begin >= '\t' && *begin <= '\r')))
        ++begin;
    char digits[32];
    size_t length = static_cast<size_t>(end - begin);
    if (length >= sizeof digits)
        length = sizeof digits - 1;
    memcpy(digits, begin, length);
    digits[length] = 0;
    long long value = strtoll(digits, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

bool ParseShaderParamDeclaration(const char* value, EShaderParamType* type, int32_t* count, uint32_t* scope)
{
    if (!value)
        return false;
    const char* firstComma = strchr(value, ',');
    const char* secondComma = firstComma ? strchr(firstComma + 1, ',') : nullptr;
    if (!secondComma)
        return false;
    const char* scopeEnd = strchr(secondComma + 1, ',');
    if (!scopeEnd)
        scopeEnd = secondComma + 1 + strlen(secondComma + 1);
    if (type)
        *type = ParseType(value, firstComma);
    if (count)
        *count = ParseCount(firstComma + 1, secondComma);
    if (scope)
        *scope = ParseScope(secondComma + 1, scopeEnd);
    return true;
}

RRenderer* RShaderParamMapping::CurrentRenderer() const
{
    if (!handle || !RRenderer::HasInstance())
        return nullptr;
    RRenderer* renderer = RRenderer::GetInstance();
    return renderer->GetCurrentTechniquePass() == m_pass ? renderer : nullptr;
}

void RShaderParamMapping::SetBool(bool value)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformBool(handle, value);
}

void RShaderParamMapping::SetBoolArray(const int32_t* values, int32_t valueCount)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformBoolArray(handle, values, valueCount);
}

void RShaderParamMapping::SetInt(int32_t value)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformInt(handle, value);
}

void RShaderParamMapping::SetIntArray(const int32_t* values, int32_t valueCount)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformIntArray(handle, values, valueCount);
}

void RShaderParamMapping::SetFloat(float value)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformFloat(handle, value);
}

void RShaderParamMapping::SetFloatArray(const float* values, int32_t valueCount)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformFloatArray(handle, values, valueCount);
}

void RShaderParamMapping::SetVector(const RVector4* value)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformVector(handle, value);
}

void RShaderParamMapping::SetVectorArray(const RVector4* values, int32_t valueCount)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformVectorArray(handle, values, valueCount);
}

void RShaderParamMapping::SetMatrix(const RMatrix4* value)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformMatrix(handle, value);
}

void RShaderParamMapping::SetMatrixArray(const RMatrix4* values, int32_t valueCount)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformMatrixArray(handle, values, valueCount);
}

void RShaderParamMapping::SetTexture(RHashedString textureName)
{
    if (RRenderer* renderer = CurrentRenderer())
        renderer->SetUniformTexture(handle, textureName);
}

void RShaderParamMapping::Reset()
{
    // Not tied to the current pass: a reset touches no program, only the texture unit.
    if (handle && RRenderer::HasInstance())
        RRenderer::GetInstance()->ResetUniform(handle, type);
}

RShaderParamMapping* RShaderParamMapping::Clone() const
{
    return new RShaderParamMapping(handle, name, type, count, m_pass);
}

RShaderParamSet& RShaderParamSet::operator=(const RShaderParamSet& other)
{
    if (this != &other) {
        Clear();
        CopyFrom(other);
    }
    return *this;
}

void RShaderParamSet::AddShaderParam(const char* name, RGLObjectTechniquePass* pass, EShaderParamType type,
                                     int32_t count)
{
    if (!name || !pass)
        return;
    m_mappings.push(new RShaderParamMapping(RRenderer::GetShaderParamHandle(pass, name), RHashedString(name), type,
                                            count, pass));
}

void RShaderParamSet::InformAll(RShaderParamInformant* informant, RHashedString renderPassId)
{
    if (!informant)
        return;
    for (uint32_t i = 0; i < m_mappings.getCount(); ++i)
        informant->InformShaderParams(m_mappings[i], renderPassId, informant);
}

void RShaderParamSet::ResetAll()
{
    for (uint32_t i = 0; i < m_mappings.getCount(); ++i)
        m_mappings[i]->Reset();
}

void RShaderParamSet::CopyFrom(const RShaderParamSet& other)
{
    if (this == &other)
        return;
    for (uint32_t i = 0; i < other.m_mappings.getCount(); ++i)
        m_mappings.push(other.m_mappings[i]->Clone());
}

void RShaderParamSet::Clear()
{
    for (uint32_t i = 0; i < m_mappings.getCount(); ++i)
        delete m_mappings[i];
    m_mappings.free();
}

RShaderParamSetWrapper::RShaderParamSetWrapper()
{
    for (uint32_t scope = 0; scope < kScopeCount; ++scope)
        m_sets[scope] = new RShaderParamSet();
}

RShaderParamSetWrapper::~RShaderParamSetWrapper()
{
    for (uint32_t scope = 0; scope < kScopeCount; ++scope)
        delete m_sets[scope];
}
