// The base game's render set-up: the names of the engine's passes and groups, the targets and full-screen quads
// of the pre-HUD and final passes, the fonts, glyph sets and console backdrop, the factories a game may override,
// and the screenshot.
#include "basegame/RBaseGame.h"

#include "render/passes/RConsoleBackdrop.h"
#include "render/text/RDefaultFont.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/hud/RHUDMaterials.h"
#include "render/images/RImage.h"
#include "render/text/RXboxGlyphs.h"
#include "render/passes/RConsoleBackdropMaterial.h"
#include "render/passes/RFinalPassMaterial.h"
#include "render/passes/RPreHUDPassMaterial.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderer.h"
#include "render/view/RResSensCamera.h"
#include "render/view/RResSensQuad.h"
#include "render/view/RResSensTarget.h"
#include "scene/RDepthBackdrop.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace {

// The main camera's lens: vertical field of view in degrees, near and far planes in world units.
constexpr float kMainCameraFOV = 60.0f;
constexpr float kMainCameraNear = 1.0f;
constexpr float kMainCameraFar = 10000.0f;

const char* const kPreHUDTargetName = "__ROLT_PreHUD_Pass_Texture";
const char* const kFinalTargetName = "__ROLT_Final_Pass_Texture";
const char* const kPreHUDQuadGroup = "__ROLT_PreHUD_Quad_Group";
const char* const kFinalQuadGroup = "__ROLT_Final_Quad_Group";

// Creates a pass drawing the named groups in order.
RRenderPass* CreatePass(RHashedString name, std::initializer_list<RHashedString> groups)
{
    RRenderer* renderer = RRenderer::GetInstance();
    RRenderPass* pass = renderer->CreateRenderPass(name);
    for (const RHashedString& group : groups) {
        renderer->CreateRenderGroup(group);
        renderer->AddGroupToPass(group, name);
    }
    return pass;
}

// The glyph-set name each text layer's fonts and glyphs use for the controller group "xbox".
const char* const kGlyphSetNames[RBaseGame::kTextLayerCount] = {"xbox_hud", "xbox_menu", "xbox_console"};

} // namespace

RHashedString RBaseGame::GetDefaultBackdropGroupName() const { return RHashedString("__ROLT_Default_Backdrop_Group"); }
RHashedString RBaseGame::GetHUDGroupName() const { return RHashedString("__ROLT_HUD_Group"); }
RHashedString RBaseGame::GetHUDGlyphGroupName() const { return RHashedString("__ROLT_HUD_Glyph_Group"); }
RHashedString RBaseGame::GetMenuGroupName() const { return RHashedString("__ROLT_Menu_Group"); }
RHashedString RBaseGame::GetMenuGlyphGroupName() const { return RHashedString("__ROLT_Menu_Glyph_Group"); }
RHashedString RBaseGame::GetMenuBackdropGroupName() const { return RHashedString("__ROLT_Menu_Backdrop_Group"); }
RHashedString RBaseGame::GetConsoleBackdropGroupName() const { return RHashedString("__ROLT_Console_Backdrop_Group"); }
RHashedString RBaseGame::GetConsoleGroupName() const { return RHashedString("__ROLT_Console_Group"); }
RHashedString RBaseGame::GetConsoleGlyphGroupName() const { return RHashedString("__ROLT_Console_Glyph_Group"); }

RDepthBackdrop* RBaseGame::GetNewDepthBackdropEntity()
{
    return new RDepthBackdrop();
}

RMaterial* RBaseGame::GetNewPreHUDPassMaterial()
{
    return new RPreHUDPassMaterial(m_settings.antialiasQuality);
}

RMaterial* RBaseGame::GetNewFinalPassMaterial()
{
    return new RFinalPassMaterial();
}

RMaterial* RBaseGame::GetMeshUnderlayMaterial()
{
    return RHUDMaterialFactory::BuildHUDMaterial<RMenuUnderlayMaterial>();
}

RCamera* RBaseGame::GetMainCamera() const
{
    return m_mainCamera;
}

void RBaseGame::CreateRenderSetup()
{
    // The main camera, listed with the resolution-sensitive objects so that its aspect follows the screen.
    m_mainCamera = new RResSensCamera(kMainCameraFOV, 4.0f / 3.0f, kMainCameraNear, kMainCameraFar);

    // The scene, with the depth backdrop behind everything, into the pre-HUD target.
    m_preHUDTarget = new RResSensTarget(RHashedString(kPreHUDTargetName), RRenderer::FORMAT_RGBA, 0, 1);
    RRenderPass* scene = CreatePass(GetScenePassName(), {GetDefaultBackdropGroupName()});
    scene->targets.push(m_preHUDTarget);
    scene->clearColourFlag = true;
    scene->clearColour = 0xFF000000u;

    // The pre-HUD picture, smoothed, then the HUD, menus and console over it, into the final target.
    m_finalTarget = new RResSensTarget(RHashedString(kFinalTargetName), RRenderer::FORMAT_RGBA, 0, 1);
    RRenderPass* preHUD = CreatePass(GetPreHUDPassName(),
                                     {RHashedString(kPreHUDQuadGroup), GetHUDGroupName(), GetHUDGlyphGroupName(),
                                      GetMenuBackdropGroupName(), GetMenuGroupName(), GetMenuGlyphGroupName(),
                                      GetConsoleBackdropGroupName(), GetConsoleGroupName(),
                                      GetConsoleGlyphGroupName()});
    preHUD->targets.push(m_finalTarget);
    preHUD->clearColourFlag = true;
    preHUD->clearColour = 0xFF000000u;

    // The final picture into the back buffer, inside the viewport that keeps its aspect.
    RRenderPass* final = CreatePass(GetFinalPassName(), {RHashedString(kFinalQuadGroup)});
    final->clearColourFlag = true;
    final->clearColour = 0xFF000000u;

    RRenderer* renderer = RRenderer::GetInstance();
    m_preHUDMaterial = GetNewPreHUDPassMaterial();
    m_preHUDQuad = new RResSensQuad();
    m_preHUDQuad->SetMaterial(m_preHUDMaterial);
    renderer->AddRenderableToGroup(m_preHUDQuad, RHashedString(kPreHUDQuadGroup));
    m_finalMaterial = GetNewFinalPassMaterial();
    m_finalQuad = new RResSensQuad();
    m_finalQuad->SetMaterial(m_finalMaterial);
    renderer->AddRenderableToGroup(m_finalQuad, RHashedString(kFinalQuadGroup));

    // The fonts, with the console's panel (hidden until the console opens) made between the menu's and the
    // console's, then the controller glyphs.
    const RHashedString fontGroups[kTextLayerCount] = {GetHUDGroupName(), GetMenuGroupName(), GetConsoleGroupName()};
    m_fontMaterials[kHUDText] = RHUDMaterialFactory::BuildHUDMaterial<RDefaultFontMaterial>();
    m_fontMaterials[kMenuText] = RHUDMaterialFactory::BuildHUDMaterial<RDefaultMenuFontMaterial>();
    m_fontMaterials[kConsoleText] = RHUDMaterialFactory::BuildHUDMaterial<RDefaultFontMaterial>();
    for (int layer = 0; layer < kTextLayerCount; ++layer) {
        if (layer == kConsoleText) {
            m_consoleBackdropMaterial = new RConsoleBackdropMaterial(false);
            m_consoleBackdrop = new RConsoleBackdrop();
            m_consoleBackdrop->SetMaterial(m_consoleBackdropMaterial);
            m_consoleBackdrop->SetVisible(false);
            renderer->AddRenderableToGroup(m_consoleBackdrop, GetConsoleBackdropGroupName());
        }
        RFont* font = new RDefaultFont();
        font->SetMaterial(m_fontMaterials[layer]);
        font->GetGlyphSetNames().insert(RHashedString(kGlyphSetNames[layer]), RHashedString("xbox"));
        renderer->AddRenderableToGroup(font, fontGroups[layer]);
        m_fonts[layer] = font;
    }
    CreateControllerGlyphs();
}

void RBaseGame::CreateControllerGlyphs()
{
    RRenderer* renderer = RRenderer::GetInstance();
    const RHashedString glyphGroups[kTextLayerCount] = {GetHUDGlyphGroupName(), GetMenuGlyphGroupName(),
                                                        GetConsoleGlyphGroupName()};
    m_glyphMaterials[kHUDText] = RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial>();
    m_glyphMaterials[kMenuText] = RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial_Menu>();
    m_glyphMaterials[kConsoleText] = RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial>();
    for (int layer = 0; layer < kTextLayerCount; ++layer) {
        RGlyphSet* glyphs = new RXboxGlyphs();
        glyphs->SetMaterial(m_glyphMaterials[layer]);
        renderer->AddRenderableToGroup(glyphs, glyphGroups[layer]);
        RGlyphSetMgr::GetInstance()->RegisterGlyphSet(glyphs, RHashedString("xbox"),
                                                       RHashedString(kGlyphSetNames[layer]));
        m_glyphSets[layer] = glyphs;
    }
}

void RBaseGame::DestroyRenderSetup()
{
    // Renderables leave their groups (and glyph sets their manager) as they are destroyed; materials go after
    // the renderables using them.
    for (int layer = 0; layer < kTextLayerCount; ++layer) {
        delete m_glyphSets[layer];
        m_glyphSets[layer] = nullptr;
        delete m_glyphMaterials[layer];
        m_glyphMaterials[layer] = nullptr;
        delete m_fonts[layer];
        m_fonts[layer] = nullptr;
        delete m_fontMaterials[layer];
        m_fontMaterials[layer] = nullptr;
    }
    delete m_consoleBackdrop;
    m_consoleBackdrop = nullptr;
    delete m_consoleBackdropMaterial;
    m_consoleBackdropMaterial = nullptr;
    delete m_finalQuad;
    m_finalQuad = nullptr;
    delete m_preHUDQuad;
    m_preHUDQuad = nullptr;
    delete m_finalMaterial;
    m_finalMaterial = nullptr;
    delete m_preHUDMaterial;
    m_preHUDMaterial = nullptr;
    delete m_finalTarget;
    m_finalTarget = nullptr;
    delete m_preHUDTarget;
    m_preHUDTarget = nullptr;
    delete m_mainCamera;
    m_mainCamera = nullptr;
}

void RBaseGame::ApplyScreenResViewport()
{
    RRenderPass* pass = RRenderer::GetInstance()->FindRenderPass(GetFinalPassName());
    if (!pass || m_windowWidth == 0 || m_windowHeight == 0)
        return;
    const float windowWidth = static_cast<float>(m_windowWidth);
    const float windowHeight = static_cast<float>(m_windowHeight);
    const int32_t screenWidth = GetScreenWidth() > 0 ? GetScreenWidth() : 1;
    const int32_t screenHeight = GetScreenHeight() > 0 ? GetScreenHeight() : 1;
    // An aspect that is no finite number above 0 counts as unset, as it does for the screen resolution.
    float aspect = m_settings.aspectRatio > 0.0f && std::isfinite(m_settings.aspectRatio)
                       ? m_settings.aspectRatio
                       : static_cast<float>(screenWidth) / static_cast<float>(screenHeight);
    if (m_settings.tate % 2 == 1)
        aspect = 1.0f / aspect;

    RViewport& viewport = pass->viewport;
    if (aspect > windowWidth / windowHeight) {
        viewport.x = 0.0f;
        viewport.y = (windowHeight - windowWidth / aspect) * 0.5f / windowHeight;
        viewport.width = 1.0f;
        viewport.height = 1.0f - 2.0f * viewport.y;
    } else {
        viewport.x = (windowWidth - aspect * windowHeight) * 0.5f / windowWidth;
        viewport.y = 0.0f;
        viewport.width = 1.0f - 2.0f * viewport.x;
        viewport.height = 1.0f;
    }
}

bool RBaseGame::TakeScreenshot()
{
    const int width = static_cast<int>(m_windowWidth);
    const int height = static_cast<int>(m_windowHeight);
    RImage image;
    if (!image.Create(width, height, 4))
        return false;

    // GL rows run bottom-up, as the image's do; the pixels are read as B, G, R, A bytes, the packed colour.
    uint32_t* pixels = new uint32_t[static_cast<size_t>(width) * static_cast<size_t>(height)];
    RRenderer::GetInstance()->ReadBackBufferPixels(static_cast<uint32_t>(width), static_cast<uint32_t>(height), pixels);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, row[x] | 0xFF000000u);
    }
    delete[] pixels;

    char folder[1024];
    if (!MakeUserFolder(folder, sizeof(folder), GetLocalAppDataPathName(), GetScreenshotFolderName(), true))
        return false;
    char stamp[32] = "";
    const time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(stamp, sizeof(stamp), "%Y%m%d_%H%M%S", &local);

    // A second screenshot within the same second gets the next free number.
    char path[1200];
    for (int number = 0; number < 100; ++number) {
        const int written = number == 0
                                ? snprintf(path, sizeof(path), "%sScreenshot_%s.bmp", folder, stamp)
                                : snprintf(path, sizeof(path), "%sScreenshot_%s_%d.bmp", folder, stamp, number);
        if (written < 0 || static_cast<size_t>(written) >= sizeof(path))
            return false;
        struct stat info;
        if (stat(path, &info) != 0)
            return image.SaveBMP(path);
    }
    return false;
}
