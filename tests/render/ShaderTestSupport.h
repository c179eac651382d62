// Helpers of the shader-parameter and shader-manager tests: effect files written to a temporary folder, an
// informant that answers the parameters it is given by name and records every request, and lookups of an
// effect's passes, mappings and uniform values.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "core/RStreamMgr.h"
#include "render/RShader.h"
#include "render/RShaderParam.h"
#include "render/RShaderParamInformant.h"

namespace shadertest {

// A temporary folder, removed with its contents. Effects are named by absolute path, which the stream manager
// finds through its working-directory source.
class EffectFolder {
public:
    EffectFolder()
    {
        char pattern[] = "/tmp/rolt_params_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
        static bool searchPathAdded = false;
        if (!searchPathAdded) {
            RStreamMgr::GetInstance()->AddSearchPath("");
            searchPathAdded = true;
        }
    }
    ~EffectFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    EffectFolder(const EffectFolder&) = delete;
    EffectFolder& operator=(const EffectFolder&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream out(File(name), std::ios::binary);
        out << text;
    }
    // An effect of one technique T with one pass P, and its file name (ending in ".fxo").
    std::string WriteEffect(const std::string& base, const char* vertex, const char* pixel, const char* state) const
    {
        Write(base + "_GLSL.xml", "<technique name=\"T\"><pass name=\"P\"/></technique>");
        Write(base + "_T_P_VS.glsl", vertex);
        Write(base + "_T_P_PS.glsl", pixel);
        Write(base + "_T_P_State.ini", state);
        return File(base) + ".fxo";
    }

    std::string path;
};

// Answers the parameters it was given, by name (any case); hands every other request to its chain. Records each
// request it receives: the name, the render pass id and the requester.
class TestInformant : public RShaderParamInformant {
public:
    using Answer = std::function<void(RShaderParamMapping*)>;

    void Answers(const char* name, Answer answer) { m_answers[RHashedString(name).GetId()] = std::move(answer); }

    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        requests.push_back({mapping->name.GetString(), renderPassId, requester});
        auto answer = m_answers.find(mapping->name.GetId());
        if (answer == m_answers.end())
            return RShaderParamInformant::InformShaderParams(mapping, renderPassId, requester);
        answer->second(mapping);
        return true;
    }

    struct Request {
        std::string name;
        RHashedString renderPassId;
        RShaderParamInformant* requester;
    };
    std::vector<Request> requests;

private:
    std::map<uint32_t, Answer> m_answers;
};

// The only pass of the effect's first technique, or null.
inline RGLObjectTechniquePass* FirstPass(RShader* shader)
{
    RGLObjectShader* effect = shader ? shader->GetGLEffect() : nullptr;
    if (!effect || effect->techniques.isEmpty() || effect->techniques[0]->passes.isEmpty())
        return nullptr;
    return effect->techniques[0]->passes[0];
}

// The mapping called name in the scope's set of the pass, or null.
inline RShaderParamMapping* FindMapping(RShader* shader, RGLObjectTechniquePass* pass, uint32_t scope,
                                        const char* name)
{
    RShaderParamSetWrapper* wrapper = shader->GetParamSetWrapper(pass);
    RShaderParamSet* set = wrapper ? wrapper->GetSet(scope) : nullptr;
    for (uint32_t i = 0; set && i < set->GetCount(); ++i) {
        if (set->GetMapping(i)->name == RHashedString(name))
            return set->GetMapping(i);
    }
    return nullptr;
}

// Makes the effect's first technique and its first pass current, as the draw loop does.
inline bool BeginFirstPass(RRenderer* renderer, RShader* shader)
{
    renderer->SetEffect(shader);
    RGLObjectShader* effect = shader->GetGLEffect();
    if (!effect || effect->techniques.isEmpty())
        return false;
    renderer->SetTechnique(effect->techniques[0]);
    return renderer->BeginTechnique() > 0 && renderer->BeginPass(0);
}

// Uniform values read back from a program by the uniform's (or element's) name.
inline std::vector<float> UniformFloats(uint32_t program, const char* name, size_t count)
{
    std::vector<float> values(16, -999.0f);
    glGetUniformfv(program, glGetUniformLocation(program, name), values.data());
    values.resize(count);
    return values;
}

inline int32_t UniformInt(uint32_t program, const char* name)
{
    GLint value = -999;
    glGetUniformiv(program, glGetUniformLocation(program, name), &value);
    return value;
}

// The 2D texture bound to a texture unit; unit 0 is left active.
inline uint32_t BoundTexture(int unit)
{
    GLint bound = 0;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glActiveTexture(GL_TEXTURE0);
    return static_cast<uint32_t>(bound);
}

}  // namespace shadertest
