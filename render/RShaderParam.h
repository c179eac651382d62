// Shader parameters as an effect's passes declare them: the type enumeration, one declared uniform of one pass
// (RShaderParamMapping), the ordered list of a scope's declared uniforms (RShaderParamSet, which owns its
// mappings) and the four scope sets of one pass (RShaderParamSetWrapper, which owns its sets). The effect loader
// fills them; a mapping points at its pass's handle, so sets must not outlive their effect. Main thread only.
#pragma once

#include <cstdint>

#include "core/RHashedString.h"
#include "core/RUtilVector.h"

class RGLObjectShaderParamHandle;
class RGLObjectTechniquePass;

// The type field of a "Uniforms" line. Arrays have no type of their own: the count gives their length.
enum EShaderParamType : int32_t {
    SHADER_PARAM_UNKNOWN = 0,
    SHADER_PARAM_INT = 1,
    SHADER_PARAM_FLOAT = 2,
    SHADER_PARAM_VECTOR = 3,
    SHADER_PARAM_MATRIX = 4,
    SHADER_PARAM_BOOL = 5,
    SHADER_PARAM_TEXTURE = 6,
};

// Reads a "Uniforms" value "type,count,scope": type "int", "float", "vector", "matrix", "bool" or "texture"
// (any case; anything else SHADER_PARAM_UNKNOWN), count a decimal integer after optional blanks (clamped to
// 32 bits), scope "material" 0, "matinst" 1, "renderable" 2, "rendinst" or "instance" 3 (any case; anything
// else 0). Fields are not trimmed. False, outputs untouched, when the value has fewer than three fields; fields
// past the third are ignored.
bool ParseShaderParamDeclaration(const char* value, EShaderParamType* type, int32_t* count, uint32_t* scope);

// One uniform a pass declares: the pass's handle (not owned; null when the pass holds none under the name), the
// name interned without regard to case, the type and the declared element count.
class RShaderParamMapping {
public:
    RShaderParamMapping(RGLObjectShaderParamHandle* handle, RHashedString name, EShaderParamType type,
                        int32_t count)
        : handle(handle), name(name), type(type), count(count)
    {
    }
    virtual ~RShaderParamMapping() = default;

    RGLObjectShaderParamHandle* handle;
    RHashedString name;
    EShaderParamType type;
    int32_t count;
};

// The declared uniforms of one scope of one pass, in the order they were added; the set owns them.
class RShaderParamSet {
public:
    RShaderParamSet() = default;
    ~RShaderParamSet() { Clear(); }
    RShaderParamSet(const RShaderParamSet&) = delete;
    RShaderParamSet& operator=(const RShaderParamSet&) = delete;

    // Appends a mapping for the uniform called name in pass (its handle found by RRenderer::GetShaderParamHandle).
    // Null name or pass adds nothing.
    void AddShaderParam(const char* name, RGLObjectTechniquePass* pass, EShaderParamType type, int32_t count);
    // Deletes every mapping and empties the list.
    void Clear();

    uint32_t GetCount() const { return m_mappings.getCount(); }
    RShaderParamMapping* GetMapping(uint32_t index) const { return index < GetCount() ? m_mappings[index] : nullptr; }

private:
    RUtilVector<RShaderParamMapping*> m_mappings;
};

// The four parameter sets of one technique pass, indexed by scope; created empty and deleted with the wrapper.
class RShaderParamSetWrapper {
public:
    enum Scope : uint32_t {
        SCOPE_MATERIAL = 0,
        SCOPE_MATERIAL_INSTANCE = 1,
        SCOPE_RENDERABLE = 2,
        SCOPE_RENDERABLE_INSTANCE = 3,
        kScopeCount = 4,
    };

    RShaderParamSetWrapper();
    ~RShaderParamSetWrapper();
    RShaderParamSetWrapper(const RShaderParamSetWrapper&) = delete;
    RShaderParamSetWrapper& operator=(const RShaderParamSetWrapper&) = delete;

    // The set of a scope; null for a scope of kScopeCount or more.
    RShaderParamSet* GetSet(uint32_t scope) const { return scope < kScopeCount ? m_sets[scope] : nullptr; }

private:
    RShaderParamSet* m_sets[kScopeCount];
};
