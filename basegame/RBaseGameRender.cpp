// The base game's side of rendering: the names of the engine's passes and groups, the factories a game may
// override, the viewport that keeps the picture's aspect, and the screenshot. The render set-up itself is
// RRenderSetup.
#include "basegame/RBaseGame.h"

#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderer.h"
#include "render/hud/RHUDMaterials.h"
#include "render/images/RImage.h"
#include "render/passes/RFinalPassMaterial.h"
#include "render/passes/RPreHUDPassMaterial.h"
#include "render/view/RResSensCamera.h"
#include "scene/RDepthBackdrop.h"

#include <cmath>
#include <climits>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>


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
    return new RPreHUDPassMaterial(m_config.Get().antialiasQuality);
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
    return m_renderSetup.GetMainCamera();
}

void RBaseGame::CreateControllerGlyphs()
{
    m_renderSetup.CreateControllerGlyphs(*this);
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
    float aspect = m_config.Get().aspectRatio > 0.0f && std::isfinite(m_config.Get().aspectRatio)
                       ? m_config.Get().aspectRatio
                       : static_cast<float>(screenWidth) / static_cast<float>(screenHeight);
    if (m_config.Get().tate % 2 == 1)
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

    char folder[PATH_MAX];
    if (!MakeUserFolder(folder, sizeof(folder), GetLocalAppDataPathName(), GetScreenshotFolderName(), true))
        return false;
    char stamp[32] = "";
    const time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(stamp, sizeof(stamp), "%Y%m%d_%H%M%S", &local);

    // A second screenshot within the same second gets the next free number.
    char path[PATH_MAX];
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
