#include "game/RoomView.h"

#include "basegame/RBaseGame.h"
#include "game/GameMaterial.h"
#include "game/SpriteMesh.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderTarget.h"
#include "render/frame/RRenderer.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMesh.h"
#include "render/geometry/RMeshUtil.h"
#include "render/geometry/RVertexSet.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"
#include "render/view/RResSensQuad.h"

#include <cstring>
#include <initializer_list>

namespace {

const char* const kRoomTarget = "Wendro_Room_Target";
const char* const kGlowTargets[2] = {"Wendro_Glow_Target_0", "Wendro_Glow_Target_1"};
const char* const kPictureTexture = "Wendro_Room_Picture";
const char* const kRoomPass = "Wendro_Room_Pass";
const char* const kGlowPass = "Wendro_Glow_Pass";
const char* const kPictureGroup = "Wendro_Picture_Group";
const char* const kSpriteGroup = "Wendro_Sprite_Group";
const char* const kPlayerGroup = "Wendro_Player_Group";
const char* const kScreenGroup = "Wendro_Screen_Group";
const char* const kGlowGroup = "Wendro_Glow_Group";
constexpr int kSheetTiles = 16;  // tiles across and down a sheet
constexpr int kSheetSize = kSheetTiles * TileSets::kTileSize;

// The picture tile of a map tile in a switch state: open switch blocks are drawn by the tile after the solid one.
int PictureTile(uint8_t tile, bool magentaSolid)
{
    if ((tile == WorldMap::kMagenta && !magentaSolid) || (tile == WorldMap::kCyan && magentaSolid))
        return tile + 1;
    return tile;
}

}  // namespace

RoomView::RoomView() : m_picture(new uint32_t[kPictureWidth * kPictureHeight])
{
    ClearPicture();
}

RoomView::~RoomView()
{
    Destroy();
    delete[] m_picture;
}

RHashedString RoomView::GetSheetName(TileSets::Look look)
{
    return RHashedString(look == TileSets::kCGA ? "Wendro_Tiles_CGA" : "Wendro_Tiles_EGA");
}

RHashedString RoomView::GetSpriteGroup()
{
    return RHashedString(kSpriteGroup);
}

RHashedString RoomView::GetPlayerGroup()
{
    return RHashedString(kPlayerGroup);
}

bool RoomView::MakeSheet(const TileSets& tileSets, TileSets::Look look)
{
    RTexture* sheet = RRenderer::GetInstance()->CreateNamedTexture(kSheetSize, kSheetSize, RRenderer::FORMAT_RGBA,
                                                                   GetSheetName(look), false, false, false);
    m_sheetsMade[look] = true;
    uint8_t* texels = sheet ? sheet->Lock(0, false) : nullptr;
    if (!texels)
        return false;
    // Packed colours are B, G, R, A in memory, as the texture's texels are; rows from the top.
    uint32_t* pixels = reinterpret_cast<uint32_t*>(texels);
    for (int tile = 0; tile < TileSets::kMaxTiles; ++tile) {
        const uint32_t* source = tileSets.GetTile(look, tile);
        const int left = (tile % kSheetTiles) * TileSets::kTileSize;
        const int top = (tile / kSheetTiles) * TileSets::kTileSize;
        for (int y = 0; y < TileSets::kTileSize; ++y)
            memcpy(pixels + (top + y) * kSheetSize + left, source + y * TileSets::kTileSize,
                   sizeof(uint32_t) * TileSets::kTileSize);
    }
    sheet->Unlock(0);
    return true;
}

bool RoomView::UseTileSets(const TileSets* tileSets)
{
    ReleaseSheets();
    m_tileSets = tileSets;
    return !tileSets || (MakeSheet(*tileSets, TileSets::kCGA) && MakeSheet(*tileSets, TileSets::kEGA));
}

void RoomView::ReleaseSheets()
{
    for (int look = 0; look < TileSets::kLookCount; ++look) {
        if (m_sheetsMade[look] && RRenderer::HasInstance())
            RRenderer::GetInstance()->UnloadTexture(GetSheetName(static_cast<TileSets::Look>(look)));
        m_sheetsMade[look] = false;
    }
    m_tileSets = nullptr;
}

bool RoomView::Create()
{
    RRenderer* renderer = RRenderer::GetInstance();
    m_pictureMade = true;
    if (!renderer->CreateNamedTexture(kPictureWidth, kPictureHeight, RRenderer::FORMAT_RGBA,
                                      RHashedString(kPictureTexture), false, true, false))
        return false;

    m_roomTarget = new RRenderTarget(RHashedString(kRoomTarget), kPictureWidth, kPictureHeight,
                                     RRenderer::FORMAT_RGBA, 0, 1);
    for (int i = 0; i < 2; ++i)
        m_glowTargets[i] = new RRenderTarget(RHashedString(kGlowTargets[i]), kPictureWidth, kPictureHeight,
                                             RRenderer::FORMAT_RGBA, 0, 1);

    m_pictureQuad = new RMesh();
    if (!RMeshUtil::MakeFullScreenQuad(m_pictureQuad, kPictureWidth, kPictureHeight))
        return false;
    m_spriteMesh = new SpriteMesh();
    m_glowQuad = new RMesh();
    m_glowQuad->SetVertexSet(m_pictureQuad->GetVertexSet());
    m_glowQuad->SetIndexBuffer(m_pictureQuad->GetIndexBuffer());

    m_pictureMaterial = new GameMaterial("Wendro_Picture.fxo", "Wendro Picture Shader", "Picture");
    m_pictureMaterial->SetTexture("Picture", kPictureTexture);
    m_pictureQuad->SetMaterial(m_pictureMaterial);
    m_spriteMaterial = new GameMaterial("Wendro_Sprite.fxo", "Wendro Sprite Shader", "Sprite");
    m_spriteMesh->SetMaterial(m_spriteMaterial);
    m_glowMaterial = new GameMaterial("Wendro_Glow.fxo", "Wendro Glow Shader", "Glow");
    m_glowMaterial->SetTexture("RoomTexture", kRoomTarget);
    m_glowMaterial->SetTexture("PreviousGlow", kGlowTargets[1]);
    m_glowQuad->SetMaterial(m_glowMaterial);
    m_screenMaterial = new GameMaterial("Wendro_Screen.fxo", "Wendro Screen Shader", "CRT");
    m_screenMaterial->SetTexture("RoomTexture", kRoomTarget);
    m_screenMaterial->SetTexture("GlowTexture", kGlowTargets[0]);
    m_screenQuad = new RResSensQuad();
    m_screenQuad->SetMaterial(m_screenMaterial);

    CreatePasses();
    SetLook(true, true);
    SetShown(false);
    return true;
}

void RoomView::CreatePasses()
{
    RRenderer* renderer = RRenderer::GetInstance();
    RBaseGame* game = RBaseGame::GetInstance();

    // The picture quad covers the whole room target: nothing to clear.
    RRenderPass* room = renderer->CreateRenderPass(RHashedString(kRoomPass));
    room->targets.push(m_roomTarget);
    room->clearDepthFlag = false;
    for (const char* group : {kPictureGroup, kSpriteGroup, kPlayerGroup}) {
        renderer->CreateRenderGroup(RHashedString(group));
        renderer->AddGroupToPass(RHashedString(group), RHashedString(kRoomPass));
    }
    renderer->AddRenderableToGroup(m_pictureQuad, RHashedString(kPictureGroup));

    // The glow quad covers its whole target: nothing to clear.
    RRenderPass* glow = renderer->CreateRenderPass(RHashedString(kGlowPass));
    glow->targets.push(m_glowTargets[0]);
    glow->clearDepthFlag = false;
    renderer->CreateRenderGroup(RHashedString(kGlowGroup));
    renderer->AddGroupToPass(RHashedString(kGlowGroup), RHashedString(kGlowPass));
    renderer->AddRenderableToGroup(m_glowQuad, RHashedString(kGlowGroup));

    // The screen quad draws in the engine's scene pass, over its backdrop. Nothing the game draws tests depth:
    // the scene pass clears only the colour.
    if (RRenderPass* scene = renderer->FindRenderPass(game->GetScenePassName()))
        scene->clearDepthFlag = false;
    renderer->CreateRenderGroup(RHashedString(kScreenGroup));
    renderer->AddGroupToPass(RHashedString(kScreenGroup), game->GetScenePassName());
    renderer->AddRenderableToGroup(m_screenQuad, RHashedString(kScreenGroup));

    // The room and glow passes before the scene pass that shows them, then the passes that add the HUD.
    MovePassToEnd(game->GetScenePassName());
    MovePassToEnd(game->GetPreHUDPassName());
    MovePassToEnd(game->GetFinalPassName());
}

void RoomView::MovePassToEnd(RHashedString id)
{
    RRenderer* renderer = RRenderer::GetInstance();
    RRenderPass* pass = renderer->FindRenderPass(id);
    if (!pass)
        return;
    const RRenderPass saved = *pass;
    renderer->DestroyRenderPass(id);
    *renderer->CreateRenderPass(id) = saved;
}

void RoomView::Destroy()
{
    RRenderer* renderer = RRenderer::HasInstance() ? RRenderer::GetInstance() : nullptr;
    if (renderer) {
        for (const char* pass : {kRoomPass, kGlowPass}) {
            if (renderer->FindRenderPass(RHashedString(pass)))
                renderer->DestroyRenderPass(RHashedString(pass));
        }
    }
    delete m_screenQuad;
    m_screenQuad = nullptr;
    delete m_spriteMesh;
    m_spriteMesh = nullptr;
    delete m_glowQuad;
    m_glowQuad = nullptr;
    if (m_pictureQuad) {
        RVertexSet* vertices = m_pictureQuad->GetVertexSet();
        RIndexBuffer* indices = m_pictureQuad->GetIndexBuffer();
        delete m_pictureQuad;
        m_pictureQuad = nullptr;
        if (vertices)
            vertices->Destroy();
        delete vertices;
        if (indices)
            indices->Destroy();
        delete indices;
    }
    delete m_glowMaterial;
    m_glowMaterial = nullptr;
    delete m_screenMaterial;
    m_screenMaterial = nullptr;
    delete m_spriteMaterial;
    m_spriteMaterial = nullptr;
    delete m_pictureMaterial;
    m_pictureMaterial = nullptr;
    for (RRenderTarget*& target : m_glowTargets) {
        delete target;
        target = nullptr;
    }
    delete m_roomTarget;
    m_roomTarget = nullptr;
    ReleaseSheets();
    if (renderer && m_pictureMade)
        renderer->UnloadTexture(RHashedString(kPictureTexture));
    m_pictureMade = false;
}

void RoomView::SetShown(bool shown)
{
    m_shown = shown;
    if (m_screenQuad)
        m_screenQuad->SetVisible(shown);
    EnablePasses();
}

void RoomView::EnablePasses()
{
    RRenderer* renderer = RRenderer::GetInstance();
    if (RRenderPass* pass = renderer->FindRenderPass(RHashedString(kRoomPass)))
        pass->enabled = m_shown;
    if (RRenderPass* pass = renderer->FindRenderPass(RHashedString(kGlowPass)))
        pass->enabled = m_shown && m_crt;
}

void RoomView::SetSpritesShown(bool shown)
{
    RRenderer* renderer = RRenderer::GetInstance();
    for (const char* name : {kSpriteGroup, kPlayerGroup}) {
        if (RRenderGroup* group = renderer->FindRenderGroup(RHashedString(name)))
            group->enabled = shown;
    }
}

void RoomView::SetLook(bool ega, bool crt)
{
    m_look = ega ? TileSets::kEGA : TileSets::kCGA;
    m_crt = crt;
    if (m_screenMaterial)
        m_screenMaterial->UseTechnique(crt ? "CRT" : "Plain");
    EnablePasses();
}

void RoomView::UpdateFrame(int32_t screenWidth, int32_t screenHeight)
{
    if (!m_screenMaterial)
        return;
    RRenderPass* glow = RRenderer::GetInstance()->FindRenderPass(RHashedString(kGlowPass));
    if (glow && glow->enabled && glow->targets.getCount() == 1) {
        m_glowIndex ^= 1;
        glow->targets[0] = m_glowTargets[m_glowIndex];
        m_glowMaterial->SetTexture("PreviousGlow", kGlowTargets[m_glowIndex ^ 1]);
        m_screenMaterial->SetTexture("GlowTexture", kGlowTargets[m_glowIndex]);
    }
    if (screenWidth <= 0 || screenHeight <= 0)
        return;
    const float picture = static_cast<float>(kPictureWidth) / kPictureHeight;
    const float screen = static_cast<float>(screenWidth) / static_cast<float>(screenHeight);
    RVector4 scale = {1.0f, 1.0f, 0.0f, 0.0f};
    if (screen > picture)
        scale.x = picture / screen;
    else
        scale.y = screen / picture;
    m_screenMaterial->SetVector("ScreenScale", scale);
}

void RoomView::ClearPicture()
{
    for (int i = 0; i < kPictureWidth * kPictureHeight; ++i)
        m_picture[i] = 0xFF000000u;
}

void RoomView::DrawTile(int32_t tile, int32_t x, int32_t y, bool opaque)
{
    if (!m_tileSets)
        return;
    const uint32_t* pixels = m_tileSets->GetTile(m_look, tile);
    if (!pixels)
        return;
    for (int row = 0; row < TileSets::kTileSize; ++row) {
        const int py = y + row;
        if (py < 0 || py >= kPictureHeight)
            continue;
        for (int column = 0; column < TileSets::kTileSize; ++column) {
            const int px = x + column;
            const uint32_t colour = pixels[row * TileSets::kTileSize + column];
            if (px < 0 || px >= kPictureWidth || (colour == 0 && !opaque))
                continue;
            m_picture[py * kPictureWidth + px] = colour ? colour : 0xFF000000u;
        }
    }
}

void RoomView::DrawRoom(const WorldMap::Room& room, bool magentaSolid)
{
    for (int y = 0; y < WorldMap::kHeight; ++y) {
        for (int x = 0; x < WorldMap::kWidth; ++x)
            DrawTile(PictureTile(room.tiles[y][x], magentaSolid), x * TileSets::kTileSize, y * TileSets::kTileSize,
                     true);
    }
}

void RoomView::DrawText(int32_t x, int32_t y, const char* text)
{
    for (const char* c = text; *c; ++c, x += kCharWidth) {
        char letter = *c;
        if (letter >= 'a' && letter <= 'z')
            letter = static_cast<char>(letter - 'a' + 'A');
        if (letter <= ' ' || letter > '_')
            continue;
        // The glyph tiles hold the letter in their columns 2 to 4.
        DrawTile(TileSets::kFirstGlyphTile + (letter - ' '), x - 2, y - 1, false);
    }
}

void RoomView::ClearStatus()
{
    for (int i = kStatusY * kPictureWidth; i < kPictureWidth * kPictureHeight; ++i)
        m_picture[i] = 0xFF000000u;
}

void RoomView::Present()
{
    RTexture* texture = RTexMgr::GetInstance()->GetTexture(RHashedString(kPictureTexture));
    uint8_t* texels = texture ? texture->Lock(0, false) : nullptr;
    if (!texels)
        return;
    memcpy(texels, m_picture, sizeof(uint32_t) * kPictureWidth * kPictureHeight);
    texture->Unlock(0);
}
