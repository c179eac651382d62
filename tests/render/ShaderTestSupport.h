// What the shader, material, renderable and render-pass tests share: effect files written to a temporary folder
// (among them the flat-colour effect "colours"), an informant that answers the parameters it is given by name
// and records every request, lookups of an effect's passes, mappings and uniform values, and the draw of one
// renderable for a render pass as the renderer's draw loop makes it for a batch of one.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "ImageTestFiles.h"
#include "core/files/RStreamMgr.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/materials/RMaterial.h"
#include "render/materials/RMaterialInst.h"
#include "render/geometry/RMesh.h"
#include "render/geometry/RMeshUtil.h"
#include "render/materials/RRenderable.h"
#include "render/materials/RRenderableInst.h"
#include "render/effects/RShader.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RShaderParamInformant.h"
#include "render/effects/RTechnique.h"
#include "render/geometry/RVertexSet.h"

namespace shadertest {

// A temporary folder for effects, named by absolute path.
class EffectFolder : public imagetest::TempFolder {
public:
    void Write(const std::string& name, const std::string& text) const
    {
        Put(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    // The sources of one pass of the effect base: technique_pass_{VS,PS,State}; a null source is not written.
    void WritePass(const std::string& base, const std::string& pass, const char* vertex, const char* pixel,
                   const char* state) const
    {
        const char* sources[] = {vertex, pixel, state};
        const char* suffixes[] = {"_VS.glsl", "_PS.glsl", "_State.ini"};
        for (int i = 0; i < 3; ++i) {
            if (sources[i])
                Write(base + "_" + pass + suffixes[i], sources[i]);
        }
    }
    // An effect of one technique T with one pass P, and its file name (ending in ".fxo").
    std::string WriteEffect(const std::string& base, const char* vertex, const char* pixel, const char* state) const
    {
        Write(base + "_GLSL.xml", "<technique name=\"T\"><pass name=\"P\"/></technique>");
        WritePass(base, "T_P", vertex, pixel, state);
        return File(base) + ".fxo";
    }
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

namespace materialtest {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kMagenta = 0xFFFF00FFu;

constexpr const char* kFlatVS = "attribute vec3 inPos;\nvoid main() { gl_Position = vec4(inPos, 1.0); }\n";

inline std::string FlatPS(const char* colour)
{
    return std::string("void main() { gl_FragColor = vec4(") + colour + "); }\n";
}

// The template's scale and the instance's offset place the quad; the material's base colour and the material
// instance's tint add up to the colour drawn.
constexpr const char* kScopedVS =
    "attribute vec3 inPos;\nuniform float u_scale;\nuniform vec4 u_offset;\n"
    "void main() { gl_Position = vec4(inPos.xy * u_scale + u_offset.xy, 0.0, 1.0); }\n";
constexpr const char* kScopedPS =
    "uniform vec4 u_base;\nuniform vec4 u_tint;\nvoid main() { gl_FragColor = u_base + u_tint; }\n";

// The full-screen quad winds counter-clockwise, so every pass turns culling off.
constexpr const char* kFlatState = "[Attributes]\ninPos = POSITION\n[RenderStates]\nCullMode = None\nZEnable = False\n";
constexpr const char* kAddState =
    "[Attributes]\ninPos = POSITION\n"
    "[RenderStates]\nCullMode = None\nZEnable = False\nAlphaBlendEnable = True\nSrcBlend = One\nDestBlend = One\n";
constexpr const char* kScopedState =
    "[Uniforms]\n"
    "u_base = vector,1,material\n"
    "u_tint = vector,1,matinst\n"
    "u_scale = float,1,renderable\n"
    "u_offset = vector,1,rendinst\n"
    "[Attributes]\ninPos = POSITION\n"
    "[RenderStates]\nCullMode = None\nZEnable = False\n";

// Writes the effect "colours" into the folder and returns its file: techniques "Red", "Green", "Blue", "Magenta"
// (red, then blue added by a second pass) and "Scoped".
inline std::string WriteColourEffect(const shadertest::EffectFolder& folder)
{
    folder.Write("colours_GLSL.xml",
                 "<technique name=\"Red\"><pass name=\"P\"/></technique>"
                 "<technique name=\"Green\"><pass name=\"P\"/></technique>"
                 "<technique name=\"Blue\"><pass name=\"P\"/></technique>"
                 "<technique name=\"Magenta\"><pass name=\"A\"/><pass name=\"B\"/></technique>"
                 "<technique name=\"Scoped\"><pass name=\"P\"/></technique>");
    folder.WritePass("colours", "Red_P", kFlatVS, FlatPS("1.0, 0.0, 0.0, 1.0").c_str(), kFlatState);
    folder.WritePass("colours", "Green_P", kFlatVS, FlatPS("0.0, 1.0, 0.0, 1.0").c_str(), kFlatState);
    folder.WritePass("colours", "Blue_P", kFlatVS, FlatPS("0.0, 0.0, 1.0, 1.0").c_str(), kFlatState);
    folder.WritePass("colours", "Magenta_A", kFlatVS, FlatPS("1.0, 0.0, 0.0, 1.0").c_str(), kFlatState);
    folder.WritePass("colours", "Magenta_B", kFlatVS, FlatPS("0.0, 0.0, 1.0, 0.0").c_str(), kAddState);
    folder.WritePass("colours", "Scoped_P", kScopedVS, kScopedPS, kScopedState);
    return folder.File("colours.fxo");
}

// Draws the renderable for the render pass as the draw loop draws a batch of one: skipped unless it, its
// template and its instance (when it has one) are visible; then the technique its material chooses, and for
// every technique pass the four parameter scopes (material template, material instance or template, renderable
// template, renderable instance or template) and the template's RenderWith with the instance. False, drawing
// nothing, when skipped or when the material chooses no technique.
inline bool DrawForPass(RRenderer* renderer, RRenderableInterface* renderable, RHashedString renderPassId)
{
    RRenderable* drawer = renderable->GetTemplate();
    RRenderableInst* instance = renderable->GetInstance();
    RMaterialInterface* material = renderable->GetMaterial();
    if (!drawer || !material || !renderable->IsVisible() || !drawer->IsVisible() ||
        (instance && !instance->IsVisible()))
        return false;
    RTechnique* technique = material->GetTechniqueForPass(renderPassId);
    if (!technique || !technique->GetGLTechnique())
        return false;
    RShader* effect = technique->GetOwner();
    renderer->SetEffect(effect);
    renderer->SetTechnique(technique->GetGLTechnique());
    uint32_t passCount = renderer->BeginTechnique();
    RMaterialInterface* materialTemplate = material->GetTemplate();
    RMaterialInterface* materialInstance = material->GetInstance() ? material->GetInstance() : materialTemplate;
    RRenderableInterface* renderableInstance = instance ? static_cast<RRenderableInterface*>(instance) : drawer;
    for (uint32_t k = 0; k < passCount; ++k) {
        if (!renderer->BeginPass(k))
            continue;
        const RGLObjectTechniquePass* pass = renderer->GetCurrentTechniquePass();
        bool offered = false;
        effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_MATERIAL, materialTemplate, renderPassId, &offered,
                                 pass);
        effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_MATERIAL_INSTANCE, materialInstance, renderPassId,
                                 &offered, pass);
        effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_RENDERABLE, drawer, renderPassId, &offered, pass);
        effect->ApplyScopeParams(RShaderParamSetWrapper::SCOPE_RENDERABLE_INSTANCE, renderableInstance,
                                 renderPassId, &offered, pass);
        drawer->RenderWith(renderer, instance);
        renderer->EndPass();
    }
    return true;
}

// The full-screen quad, its buffers owned by the fixture that built it.
struct QuadBuffers {
    RMesh mesh;
    ~QuadBuffers()
    {
        delete mesh.GetVertexSet();
        delete mesh.GetIndexBuffer();
    }
};

class MaterialGLTest : public gltest::GLTest {
protected:
    void SetUp() override
    {
        gltest::GLTest::SetUp();
        if (IsSkipped())
            return;
        effect = new RShader(WriteColourEffect(folder).c_str(), RHashedString("Material Test Colours"));
        ASSERT_EQ(effect->GetTechniqueCount(), 5);
        ASSERT_TRUE(RMeshUtil::MakeFullScreenQuad(&quad.mesh, gltest::kWindowWidth, gltest::kWindowHeight));
        renderer->ClearColourAndDepth(kBlack, 1.0f);
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->SetEffect(nullptr);
        delete effect;
        glUseProgram(0);
        glDisable(GL_BLEND);
        renderer->SetDefaultState();
    }

    RTechnique* Technique(const char* name) const { return effect->GetTechnique(RHashedString(name)); }
    uint32_t Centre() const { return gltest::ReadPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2); }

    shadertest::EffectFolder folder;
    RShader* effect = nullptr;
    QuadBuffers quad;
};

}  // namespace materialtest
