// What the font and glyph-set tests share: a temporary folder of test files found through the stream manager,
// writers of ".uv" metric files and 32-bit DDS pages, a screen-pixel effect ("Font" draws quads where they are
// put, "Glyph" half a pixel down and right, as glyph sets expect), a material answering its page texture, and a
// fixture that draws one render pass of two groups (text, then glyphs) into the test window.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "core/RHashedString.h"
#include "core/RPackFile.h"
#include "core/RStreamMgr.h"
#include "render/RMaterial.h"
#include "render/RRenderGroup.h"
#include "render/RRenderPass.h"
#include "render/RShaderParam.h"
#include "render/RTexMgr.h"

namespace fonttest {

// Packed colours 0xAARRGGBB.
constexpr uint32_t kBackground = 0xFF203040u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

inline void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int b = 0; b < 4; ++b)
        out.push_back(static_cast<uint8_t>(value >> (8 * b)));
}

inline void PutF32(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    PutU32(out, bits);
}

// One ".uv" glyph record.
struct UVRecord {
    uint8_t code;
    uint32_t width;
    float leftU, topV, rightU, bottomV;
    int32_t left, right;
};

// A ".uv" file: the count as given (it need not match the records), the line height, 52 header bytes counting
// up from 1, then the records.
inline std::vector<uint8_t> MakeUV(int32_t count, int32_t lineHeight, const std::vector<UVRecord>& records)
{
    std::vector<uint8_t> out;
    PutU32(out, static_cast<uint32_t>(count));
    PutU32(out, static_cast<uint32_t>(lineHeight));
    for (int i = 0; i < 52; ++i)
        out.push_back(static_cast<uint8_t>(i + 1));
    for (const UVRecord& r : records) {
        out.push_back(r.code);
        PutU32(out, r.width);
        PutF32(out, r.leftU);
        PutF32(out, r.topV);
        PutF32(out, r.rightU);
        PutF32(out, r.bottomV);
        PutU32(out, static_cast<uint32_t>(r.left));
        PutU32(out, static_cast<uint32_t>(r.right));
    }
    return out;
}

// A one-level 32-bit DDS page; texels are packed colours, rows from the top.
inline std::vector<uint8_t> MakeDDS(uint32_t width, uint32_t height, const std::vector<uint32_t>& texels)
{
    std::vector<uint8_t> out = {'D', 'D', 'S', ' '};
    uint32_t header[31] = {};
    header[0] = 124;
    header[1] = 0x1 | 0x2 | 0x4 | 0x1000 | 0x8;
    header[2] = height;
    header[3] = width;
    header[4] = width * 4;
    header[6] = 1;
    header[18] = 32;
    header[19] = 0x40 | 0x1;
    header[21] = 32;
    header[22] = 0x00FF0000;
    header[23] = 0x0000FF00;
    header[24] = 0x000000FF;
    header[25] = 0xFF000000;
    header[26] = 0x1000;
    for (uint32_t word : header)
        PutU32(out, word);
    for (uint32_t texel : texels)
        PutU32(out, texel);
    return out;
}

// A temporary folder, removed with its contents. Files are named by absolute path, found through the working
// directory's source, which the folder adds to the stream manager once.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/rolt_fonts_XXXXXX";
        const char* made = mkdtemp(pattern);
        m_path = made ? made : "";
        static bool searchPathAdded = false;
        if (!searchPathAdded) {
            RStreamMgr::GetInstance()->AddSearchPath("");
            searchPathAdded = true;
        }
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }
    std::string Write(const std::string& name, const std::string& text) const
    {
        return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }

private:
    std::string m_path;
};

// Copies an entry of the engine's built pack into the folder; false when the pack or the entry is missing. (The
// pack is not mounted: the stream manager is shared by every test of the process, and the engine's content would
// then shadow files of the same names that other tests write.)
inline bool ExtractEngineFile(const TempFolder& folder, const char* name)
{
    RPackFile pack;
    if (!pack.OpenRead((std::string(ROLT_TEST_RESOURCE_DIR) + "/Engine.rpk").c_str()))
        return false;
    char* bytes = nullptr;
    uint32_t size = 0;
    if (!pack.ReadEntry(name, &bytes, &size))
        return false;
    folder.Write(name, std::vector<uint8_t>(bytes, bytes + size));
    delete[] bytes;
    return true;
}

// Makes a folder the working directory (the stream manager's "" source) until it goes.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path) : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path m_previous;
};

// Screen pixels (vertex y = negated screen row) to the test window's clip space; the page texel times the
// vertex colour, blended by alpha.
inline std::string HUDVertexShader(const char* shift)
{
    return std::string("#version 120\n"
                       "attribute vec3 inPosition;\n"
                       "attribute vec2 inPageCoord;\n"
                       "attribute vec4 inColour;\n"
                       "varying vec2 pageCoord;\n"
                       "varying vec4 colour;\n"
                       "void main() {\n"
                       "    vec2 p = inPosition.xy + vec2(") +
           shift +
           ");\n"
           "    gl_Position = vec4(p.x * 2.0 / " +
           std::to_string(gltest::kWindowWidth) + ".0 - 1.0, p.y * 2.0 / " + std::to_string(gltest::kWindowHeight) +
           ".0 + 1.0, 0.0, 1.0);\n"
           "    pageCoord = inPageCoord;\n"
           "    colour = inColour;\n"
           "}\n";
}

constexpr const char* kHUDPixelShader = "#version 120\n"
                                        "uniform sampler2D elemTex;\n"
                                        "varying vec2 pageCoord;\n"
                                        "varying vec4 colour;\n"
                                        "void main() { gl_FragColor = texture2D(elemTex, pageCoord) * colour; }\n";

constexpr const char* kHUDState = "[RenderStates]\n"
                                  "AlphaBlendEnable = True\nSrcBlend = SrcAlpha\nDestBlend = InvSrcAlpha\n"
                                  "ZEnable = False\nZWriteEnable = False\nCullMode = None\n"
                                  "[Uniforms]\nelemTex = texture,1,material\n"
                                  "[Attributes]\ninPosition = POSITION\ninPageCoord = TEXCOORD0\ninColour = COLOR\n"
                                  "[elemTex]\nAddressU = Clamp\nAddressV = Clamp\n"
                                  "MagFilter = Point\nMinFilter = Point\nMipFilter = Point\n";

// Writes the effect "fonthud" into the folder; answers the effect file name to load.
inline std::string WriteHUDEffect(const TempFolder& folder)
{
    folder.Write("fonthud_GLSL.xml", std::string("<technique name=\"Font\"><pass name=\"P\"/></technique>"
                                                 "<technique name=\"Glyph\"><pass name=\"P\"/></technique>"));
    folder.Write("fonthud_Font_P_VS.glsl", HUDVertexShader("0.0, 0.0"));
    folder.Write("fonthud_Glyph_P_VS.glsl", HUDVertexShader("0.5, -0.5"));
    for (const char* technique : {"Font", "Glyph"}) {
        folder.Write(std::string("fonthud_") + technique + "_P_PS.glsl", std::string(kHUDPixelShader));
        folder.Write(std::string("fonthud_") + technique + "_P_State.ini", std::string(kHUDState));
    }
    return folder.Path("fonthud.fxo");
}

// A material drawing with one technique of the effect and answering "elemTex" with a named texture.
class PageMaterial : public RMaterial {
public:
    PageMaterial(RShader* effect, const char* technique, RHashedString texture) : m_texture(texture)
    {
        SetDefaultTechnique(effect, RHashedString(technique));
    }
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("elemTex")) {
            mapping->SetTexture(m_texture);
            return true;
        }
        return RMaterial::InformShaderParams(mapping, renderPassId, requester);
    }

private:
    RHashedString m_texture;
};

// Draws into the test window through one render pass holding a text group and then a glyph group; the HUD
// effect is loaded and every earlier pass and group of the renderer is gone.
class HUDDrawTest : public gltest::GLTest {
protected:
    void SetUp() override
    {
        gltest::GLTest::SetUp();
        if (IsSkipped())
            return;
        while (renderer->GetRenderPasses().getCount() > 0)
            renderer->DestroyRenderPass(renderer->GetRenderPasses()[0]->id);
        while (renderer->GetRenderGroups().getCount() > 0)
            renderer->DestroyRenderGroup(renderer->GetRenderGroups()[0]->id);
        renderer->SetCurrentRenderTarget(nullptr);
        RRenderPass* pass = renderer->CreateRenderPass(passId);
        pass->clearColourFlag = true;
        pass->clearColour = kBackground;
        renderer->CreateRenderGroup(textGroup);
        renderer->CreateRenderGroup(glyphGroup);
        renderer->AddGroupToPass(textGroup, passId);
        renderer->AddGroupToPass(glyphGroup, passId);
        effect = renderer->LoadShader(WriteHUDEffect(folder).c_str(), effectName);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->DestroyRenderPass(passId);
        renderer->DestroyRenderGroup(textGroup);
        renderer->DestroyRenderGroup(glyphGroup);
        for (RHashedString name : textures)
            renderer->UnloadTexture(name);
        if (effect)
            renderer->UnloadShader(effectName);
    }

    // Loads a page from the folder (or the stream manager's sources) under a name, unloaded after the test.
    RHashedString LoadPage(const std::string& fileName, const char* name)
    {
        RHashedString id(name);
        textures.push_back(id);
        EXPECT_NE(renderer->LoadTexture(fileName.c_str(), id), nullptr) << fileName;
        return id;
    }

    // Draws every pass, leaving the picture in the back buffer.
    void Draw() { renderer->RenderStage(RHashedString()); }

    // The pixel at screen column x, row y (from the top).
    static uint32_t Pixel(int x, int y) { return gltest::ReadPixel(x, gltest::kWindowHeight - 1 - y); }
    // Whether every pixel of the rectangle (right and bottom excluded) is colour.
    static bool Filled(int left, int top, int right, int bottom, uint32_t colour)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (Pixel(x, y) != colour)
                    return false;
        return true;
    }

    TempFolder folder;
    RHashedString passId{"FontTest_Pass"};
    RHashedString textGroup{"FontTest_Text"};
    RHashedString glyphGroup{"FontTest_Glyphs"};
    RHashedString effectName{"FontTest_HUD"};
    RShader* effect = nullptr;
    std::vector<RHashedString> textures;
};

}  // namespace fonttest
