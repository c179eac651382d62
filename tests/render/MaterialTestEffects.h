// What the material and renderable tests share: one effect written to a temporary folder with flat-colour
// techniques, a two-pass technique and a technique fed by all four parameter scopes; the full-screen quad mesh;
// and the draw of one renderable for a render pass as the renderer's draw loop makes it for a batch of one.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "GLTestSupport.h"
#include "core/RStreamMgr.h"
#include "render/RIndexBuffer.h"
#include "render/RMaterial.h"
#include "render/RMaterialInst.h"
#include "render/RMesh.h"
#include "render/RMeshUtil.h"
#include "render/RRenderable.h"
#include "render/RRenderableInst.h"
#include "render/RShader.h"
#include "render/RShaderParam.h"
#include "render/RTechnique.h"
#include "render/RVertexSet.h"

namespace materialtest {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kMagenta = 0xFFFF00FFu;

inline const char* FlatVS()
{
    return "#version 120\n"
           "attribute vec3 inPos;\n"
           "void main() { gl_Position = vec4(inPos, 1.0); }\n";
}

inline std::string FlatPS(const char* colour)
{
    return std::string("#version 120\nvoid main() { gl_FragColor = vec4(") + colour + "); }\n";
}

// The template's scale and the instance's offset place the quad; the material's base colour and the material
// instance's tint add up to the colour drawn.
inline const char* ScopedVS()
{
    return "#version 120\n"
           "attribute vec3 inPos;\n"
           "uniform float u_scale;\n"
           "uniform vec4 u_offset;\n"
           "void main() { gl_Position = vec4(inPos.xy * u_scale + u_offset.xy, 0.0, 1.0); }\n";
}

inline const char* ScopedPS()
{
    return "#version 120\n"
           "uniform vec4 u_base;\n"
           "uniform vec4 u_tint;\n"
           "void main() { gl_FragColor = u_base + u_tint; }\n";
}

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

// A temporary folder holding the effect "colours": techniques "Red", "Green", "Blue", "Magenta" (red, then blue
// added by a second pass) and "Scoped". Removed with its contents.
class ColourEffectFolder {
public:
    ColourEffectFolder()
    {
        char pattern[] = "/tmp/rolt_materials_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
        static bool searchPathAdded = false;
        if (!searchPathAdded) {
            RStreamMgr::GetInstance()->AddSearchPath("");
            searchPathAdded = true;
        }
        Write("colours_GLSL.xml",
              "<technique name=\"Red\"><pass name=\"P\"/></technique>"
              "<technique name=\"Green\"><pass name=\"P\"/></technique>"
              "<technique name=\"Blue\"><pass name=\"P\"/></technique>"
              "<technique name=\"Magenta\"><pass name=\"A\"/><pass name=\"B\"/></technique>"
              "<technique name=\"Scoped\"><pass name=\"P\"/></technique>");
        WritePass("Red", "P", FlatVS(), FlatPS("1.0, 0.0, 0.0, 1.0"), kFlatState);
        WritePass("Green", "P", FlatVS(), FlatPS("0.0, 1.0, 0.0, 1.0"), kFlatState);
        WritePass("Blue", "P", FlatVS(), FlatPS("0.0, 0.0, 1.0, 1.0"), kFlatState);
        WritePass("Magenta", "A", FlatVS(), FlatPS("1.0, 0.0, 0.0, 1.0"), kFlatState);
        WritePass("Magenta", "B", FlatVS(), FlatPS("0.0, 0.0, 1.0, 0.0"), kAddState);
        WritePass("Scoped", "P", ScopedVS(), ScopedPS(), kScopedState);
    }
    ~ColourEffectFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    ColourEffectFolder(const ColourEffectFolder&) = delete;
    ColourEffectFolder& operator=(const ColourEffectFolder&) = delete;

    std::string EffectFile() const { return path + "/colours.fxo"; }

    std::string path;

private:
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream out(path + "/" + name, std::ios::binary);
        out << text;
    }
    void WritePass(const std::string& technique, const std::string& pass, const std::string& vertex,
                   const std::string& pixel, const char* state) const
    {
        std::string prefix = "colours_" + technique + "_" + pass;
        Write(prefix + "_VS.glsl", vertex);
        Write(prefix + "_PS.glsl", pixel);
        Write(prefix + "_State.ini", state);
    }
};

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
        effect = new RShader(folder.EffectFile().c_str(), RHashedString("Material Test Colours"));
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

    ColourEffectFolder folder;
    RShader* effect = nullptr;
    QuadBuffers quad;
};

}  // namespace materialtest
