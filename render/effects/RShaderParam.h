// Shader parameters as an effect's passes declare them: the type enumeration, one declared uniform of one pass
// (RShaderParamMapping), the ordered list of a scope's declared uniforms (RShaderParamSet, which owns its
// mappings) and the four scope sets of one pass (RShaderParamSetWrapper, which owns its sets). The effect loader
// fills them; informants answer a mapping through its typed uploads. A mapping points at its pass's handle, so
// sets must not outlive their effect. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RGLObjectShaderParamHandle;
class RGLObjectTechniquePass;
class RRenderer;
class RShaderParamInformant;
struct RMatrix4;
struct RVector4;

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
// name interned without regard to case, the type and the declared element count. An informant answers it through
// one typed upload, which reaches the uniform only while the mapping's own pass is the renderer's current
// technique pass (so a value never lands at the same location of another program) and only when the uniform's GL
// type takes that kind of value; array uploads send the caller's count, cut to the uniform's array size.
class RShaderParamMapping {
public:
    RShaderParamMapping(RGLObjectShaderParamHandle* handle, RHashedString name, EShaderParamType type,
                        int32_t count, const RGLObjectTechniquePass* pass)
        : handle(handle), name(name), type(type), count(count), m_pass(pass)
    {
    }
    virtual ~RShaderParamMapping() = default;

    // bool and bool[]: the array holds 32-bit integers, 0 false and anything else true.
    virtual void SetBool(bool value);
    virtual void SetBoolArray(const int32_t* values, int32_t valueCount);
    // int and int[] (also a sampler's unit).
    virtual void SetInt(int32_t value);
    virtual void SetIntArray(const int32_t* values, int32_t valueCount);
    // float and float[].
    virtual void SetFloat(float value);
    virtual void SetFloatArray(const float* values, int32_t valueCount);
    // vec2, vec3 or vec4 from the first components of the vector; vec4[] from whole vectors.
    virtual void SetVector(const RVector4* value);
    virtual void SetVectorArray(const RVector4* values, int32_t valueCount);
    // mat2, mat3 or mat4 from the upper-left block of the matrix as stored; mat4[] from whole matrices.
    virtual void SetMatrix(const RMatrix4* value);
    virtual void SetMatrixArray(const RMatrix4* values, int32_t valueCount);
    // Binds the texture the texture manager holds under the name to the uniform's texture unit and applies the
    // pass's sampler states to it. Only a uniform declared as a texture has a unit; on any other, nothing.
    virtual void SetTexture(RHashedString textureName);
    // Puts back what the parameter holds outside a draw: a texture parameter's unit is left with no texture, so
    // nothing keeps a texture bound after its users are gone. Other parameters keep their values.
    virtual void Reset();
    // A new mapping of the same uniform, owned by the caller.
    virtual RShaderParamMapping* Clone() const;

    const RGLObjectTechniquePass* GetPass() const { return m_pass; }

    RGLObjectShaderParamHandle* handle;
    RHashedString name;
    EShaderParamType type;
    int32_t count;

private:
    // The renderer when the mapping's pass is the one being drawn, else null.
    RRenderer* CurrentRenderer() const;

    const RGLObjectTechniquePass* m_pass;  // the pass whose program holds the uniform
};

// The declared uniforms of one scope of one pass, in the order they were added; the set owns them.
class RShaderParamSet {
public:
    RShaderParamSet() = default;
    ~RShaderParamSet() { Clear(); }
    // Copies hold clones of the other set's mappings (CopyFrom); assignment clears first.
    RShaderParamSet(const RShaderParamSet& other) { CopyFrom(other); }
    RShaderParamSet& operator=(const RShaderParamSet& other);

    // Appends a mapping for the uniform called name in pass (its handle found by RRenderer::GetShaderParamHandle).
    // Null name or pass adds nothing.
    void AddShaderParam(const char* name, RGLObjectTechniquePass* pass, EShaderParamType type, int32_t count);
    // Offers every mapping, in order, to the informant (which is also the requester); answers are not used.
    void InformAll(RShaderParamInformant* informant, RHashedString renderPassId);
    // Resets every mapping in order.
    void ResetAll();
    // Appends a clone of each of the other set's mappings, in order.
    void CopyFrom(const RShaderParamSet& other);
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
