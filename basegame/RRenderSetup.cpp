#include "basegame/RRenderSetup.h"

#include "basegame/RBaseGame.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderer.h"
#include "render/hud/RHUDMaterials.h"
#include "render/materials/RRenderableInst.h"
#include "render/materials/RRenderable.h"
#include "render/passes/RFinalPassMaterial.h"
#include "render/passes/RPreHUDPassMaterial.h"
#include "render/passes/RConsoleBackdrop.h"
#include "render/passes/RConsoleBackdropMaterial.h"
#include "render/text/RDefaultFont.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/text/RXboxGlyphs.h"
#include "render/view/RResSensCamera.h"
#include "render/view/RResSensQuad.h"
#include "render/view/RResSensTarget.h"

#include <initializer_list>

static_assert(RRenderSetup::kLayerCount == RBaseGame::kTextLayerCount, "one font and glyph set per text layer");

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

const char* const kGlyphSetNames[RRenderSetup::kLayerCount] = {"xbox_hud", "xbox_menu", "xbox_console"};

// Whether any renderable of the pass's enabled groups would draw.
bool DrawsAnything(const RRenderPass& pass)
{
    for (uint32_t g = 0; g < pass.groups.getCount(); ++g) {
        RRenderGroup* group = pass.groups[g];
        if (!group->enabled)
            continue;
        for (uint32_t r = 0; r < group->GetRenderables().getCount(); ++r) {
            RRenderableInterface* renderable = group->GetRenderables()[r];
            RRenderable* renderTemplate = renderable->GetTemplate();
            RRenderableInst* instance = renderable->GetInstance();
            if (renderable->IsVisible() && (!renderTemplate || renderTemplate->IsVisible()) &&
                (!instance || instance->IsVisible()))
                return true;
        }
    }
    return false;
}

// The pass draws into the target, or into the back buffer for null.
void DrawInto(RRenderPass* pass, RRenderTarget* target)
{
    if (pass->targets.getCount() == (target ? 1u : 0u) && (!target || pass->targets[0] == target))
        return;
    pass->targets.clear();
    if (target)
        pass->targets.push(target);
}

} // namespace

const char* RRenderSetup::GetGlyphSetName(int layer)
{
    return layer >= 0 && layer < kLayerCount ? kGlyphSetNames[layer] : "";
}

void RRenderSetup::CreatePasses(RBaseGame& game)
{
    // The scene, with the depth backdrop behind everything, into the pre-HUD target.
    m_preHUDTarget = new RResSensTarget(RHashedString(kPreHUDTargetName), RRenderer::FORMAT_RGBA, 0, 1);
    RRenderPass* scene = CreatePass(game.GetScenePassName(), {game.GetDefaultBackdropGroupName()});
    scene->targets.push(m_preHUDTarget);
    scene->clearColourFlag = true;
    scene->clearColour = 0xFF000000u;

    // The pre-HUD picture, smoothed, then the HUD, menus and console over it, into the final target.
    m_finalTarget = new RResSensTarget(RHashedString(kFinalTargetName), RRenderer::FORMAT_RGBA, 0, 1);
    RRenderPass* preHUD = CreatePass(game.GetPreHUDPassName(),
                                     {RHashedString(kPreHUDQuadGroup), game.GetHUDGroupName(),
                                      game.GetHUDGlyphGroupName(), game.GetMenuBackdropGroupName(),
                                      game.GetMenuGroupName(), game.GetMenuGlyphGroupName(),
                                      game.GetConsoleBackdropGroupName(), game.GetConsoleGroupName(),
                                      game.GetConsoleGlyphGroupName()});
    // The pre-HUD quad covers the whole target's colour: only its depth is cleared, for the HUD.
    preHUD->targets.push(m_finalTarget);

    // The final picture into the back buffer, inside the viewport that keeps its aspect.
    RRenderPass* final = CreatePass(game.GetFinalPassName(), {RHashedString(kFinalQuadGroup)});
    final->clearColourFlag = true;
    final->clearColour = 0xFF000000u;
    final->clearDepthFlag = false;

    RRenderer* renderer = RRenderer::GetInstance();
    m_preHUDMaterial = game.GetNewPreHUDPassMaterial();
    m_preHUDQuad = new RResSensQuad();
    m_preHUDQuad->SetMaterial(m_preHUDMaterial);
    renderer->AddRenderableToGroup(m_preHUDQuad, RHashedString(kPreHUDQuadGroup));
    m_finalMaterial = game.GetNewFinalPassMaterial();
    m_finalQuad = new RResSensQuad();
    m_finalQuad->SetMaterial(m_finalMaterial);
    renderer->AddRenderableToGroup(m_finalQuad, RHashedString(kFinalQuadGroup));
}

void RRenderSetup::CreateMainCamera()
{
    // Listed with the resolution-sensitive objects, so that its aspect follows the screen.
    m_mainCamera = new RResSensCamera(kMainCameraFOV, 4.0f / 3.0f, kMainCameraNear, kMainCameraFar);
}

void RRenderSetup::CreateFonts(RBaseGame& game)
{
    RRenderer* renderer = RRenderer::GetInstance();
    const RHashedString fontGroups[kLayerCount] = {game.GetHUDGroupName(), game.GetMenuGroupName(),
                                                   game.GetConsoleGroupName()};
    m_fontMaterials[RBaseGame::kHUDText] = RHUDMaterialFactory::BuildHUDMaterial<RDefaultFontMaterial>();
    m_fontMaterials[RBaseGame::kMenuText] = RHUDMaterialFactory::BuildHUDMaterial<RDefaultMenuFontMaterial>();
    m_fontMaterials[RBaseGame::kConsoleText] = RHUDMaterialFactory::BuildHUDMaterial<RDefaultFontMaterial>();
    for (int layer = 0; layer < kLayerCount; ++layer) {
        if (layer == RBaseGame::kConsoleText) {
            m_consoleBackdropMaterial = new RConsoleBackdropMaterial(false);
            m_consoleBackdrop = new RConsoleBackdrop();
            m_consoleBackdrop->SetMaterial(m_consoleBackdropMaterial);
            m_consoleBackdrop->SetVisible(false);
            renderer->AddRenderableToGroup(m_consoleBackdrop, game.GetConsoleBackdropGroupName());
        }
        RFont* font = new RDefaultFont();
        font->SetMaterial(m_fontMaterials[layer]);
        font->GetGlyphSetNames().insert(RHashedString(kGlyphSetNames[layer]), RHashedString("xbox"));
        renderer->AddRenderableToGroup(font, fontGroups[layer]);
        m_fonts[layer] = font;
    }
}

void RRenderSetup::CreateControllerGlyphs(RBaseGame& game)
{
    RRenderer* renderer = RRenderer::GetInstance();
    const RHashedString glyphGroups[kLayerCount] = {game.GetHUDGlyphGroupName(), game.GetMenuGlyphGroupName(),
                                                    game.GetConsoleGlyphGroupName()};
    m_glyphMaterials[RBaseGame::kHUDText] = RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial>();
    m_glyphMaterials[RBaseGame::kMenuText] = RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial_Menu>();
    m_glyphMaterials[RBaseGame::kConsoleText] = RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial>();
    for (int layer = 0; layer < kLayerCount; ++layer) {
        RGlyphSet* glyphs = new RXboxGlyphs();
        glyphs->SetMaterial(m_glyphMaterials[layer]);
        renderer->AddRenderableToGroup(glyphs, glyphGroups[layer]);
        RGlyphSetMgr::GetInstance()->RegisterGlyphSet(glyphs, RHashedString("xbox"),
                                                       RHashedString(kGlyphSetNames[layer]));
        m_glyphSets[layer] = glyphs;
    }
}

bool RRenderSetup::PreHUDCopies(RBaseGame& game) const
{
    const RRenderPass* scene = RRenderer::GetInstance()->FindRenderPass(game.GetScenePassName());
    if (!scene || !scene->enabled || scene->setTargetFlag)
        return false;
    const RPreHUDPassMaterial* material = dynamic_cast<const RPreHUDPassMaterial*>(m_preHUDMaterial);
    if (!material)
        return false;
    return material->GetEffectName() == RHashedString(RPreHUDPassMaterial::GetEffectName(0)) ||
           !DrawsAnything(*scene);
}

bool RRenderSetup::FinalCopies(RBaseGame& game) const
{
    const RRenderer* renderer = RRenderer::GetInstance();
    const RRenderPass* final = renderer->FindRenderPass(game.GetFinalPassName());
    if (!final || final->setTargetFlag || !dynamic_cast<const RFinalPassMaterial*>(m_finalMaterial))
        return false;
    const int32_t tate = game.GetTateMode();
    const RViewport& viewport = final->viewport;
    return game.GetBrightness() == 1.0f && (tate < 1 || tate >= RFinalPassMaterial::kTateModeCount) &&
           viewport.x == 0.0f && viewport.y == 0.0f && viewport.width == 1.0f && viewport.height == 1.0f &&
           m_finalTarget->width == renderer->GetBackBufferWidth() &&
           m_finalTarget->height == renderer->GetBackBufferHeight();
}

void RRenderSetup::RouteFrame(RBaseGame& game)
{
    RRenderer* renderer = RRenderer::GetInstance();
    RRenderPass* scene = renderer->FindRenderPass(game.GetScenePassName());
    RRenderPass* preHUD = renderer->FindRenderPass(game.GetPreHUDPassName());
    RRenderPass* final = renderer->FindRenderPass(game.GetFinalPassName());
    if (!scene || !preHUD || !final || !m_preHUDQuad)
        return;
    const bool finalFull = final->viewport.x == 0.0f && final->viewport.y == 0.0f && final->viewport.width == 1.0f &&
                           final->viewport.height == 1.0f;
    final->clearColourFlag = !finalFull;
    // A pass left out last frame is drawn again when it no longer copies.
    if (m_finalSkipped)
        final->enabled = true;
    m_finalSkipped = preHUD->enabled && final->enabled && FinalCopies(game);
    m_preHUDSkipped = preHUD->enabled && PreHUDCopies(game);
    final->enabled = !m_finalSkipped;

    RRenderTarget* preHUDOutput = m_finalSkipped ? nullptr : m_finalTarget;
    DrawInto(preHUD, preHUDOutput);
    DrawInto(scene, m_preHUDSkipped ? preHUDOutput : m_preHUDTarget);
    m_preHUDQuad->SetVisible(!m_preHUDSkipped);
}

void RRenderSetup::RenewPreHUDMaterial(RBaseGame& game)
{
    if (!m_preHUDQuad)
        return;
    RMaterial* material = game.GetNewPreHUDPassMaterial();
    m_preHUDQuad->SetMaterial(material);
    delete m_preHUDMaterial;
    m_preHUDMaterial = material;
}

void RRenderSetup::Destroy()
{
    // Renderables leave their groups (and glyph sets their manager) as they are destroyed; materials go after
    // the renderables using them.
    for (int layer = 0; layer < kLayerCount; ++layer) {
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
