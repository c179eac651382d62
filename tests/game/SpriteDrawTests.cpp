// The game's sprites as the sprite mesh draws them, a run of them at a time, into the 320 x 200 room target of the
// real game object: overlapping, flipped, repeated, hidden and partly outside the picture, more of them than one
// draw takes, and then fewer on the other sheet, they give the room drawn without them with each visible sprite
// painted over it on the CPU from the tile sheet as the GPU holds it, in the order the sprite group holds them. A
// game object can be made once per process, so the run goes in a child.
#include "WendroRunSupport.h"
#include "game/AdjustableSprite.h"
#include "game/RoomView.h"
#include "game/SpriteMesh.h"
#include "game/World.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderer.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = RoomView::kPictureWidth;
constexpr int kHeight = RoomView::kPictureHeight;
constexpr int kSheetSize = 128;

// One room with nothing in it but the player at its start.
std::string EmptyRoomMap()
{
    std::string map = "[Map]\r\nRooms: Gate\r\n[Gate]\r\nX: 0\r\nY: 0\r\nStart: 2 22\r\n";
    for (int row = 0; row < 24; ++row) {
        char line[64];
        snprintf(line, sizeof(line), "Row%02d: %s\r\n", row,
                 row == 0 || row == 23 ? "########################################"
                                       : "#......................................#");
        map += line;
    }
    return map;
}

class SpriteDrawing : public WendroRunTest {
protected:
    void SetUp() override
    {
        WendroRunTest::SetUp();
        WriteBytes(user + "Maps/Tarnvow.map", EmptyRoomMap());
    }
};

// The texels of a named texture's first level as the GPU holds them (B, G, R, A packed, rows as stored).
std::vector<uint32_t> ReadTexture(const char* name, int width, int height)
{
    RTexture* texture = RTexMgr::GetInstance()->GetTexture(RHashedString(name));
    const uint8_t* texels = texture ? texture->Lock(0, false) : nullptr;
    if (!texels)
        return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    memcpy(pixels.data(), texels, pixels.size() * sizeof(uint32_t));
    texture->Unlock(0);
    return pixels;
}

// The room target as the picture's rows from the top (the target stores them from the bottom).
std::vector<uint32_t> ReadRoom()
{
    std::vector<uint32_t> stored = ReadTexture("Wendro_Room_Target", kWidth, kHeight);
    if (stored.empty())
        return stored;
    std::vector<uint32_t> rows(stored.size());
    for (int y = 0; y < kHeight; ++y)
        memcpy(&rows[y * kWidth], &stored[(kHeight - 1 - y) * kWidth], kWidth * sizeof(uint32_t));
    return rows;
}

// Paints the sprite over the picture as the sprite technique draws it: the pixels whose centres lie in the
// rectangle (whole pixels here), each the sheet texel of the tile under it, repeated across the rectangle and
// turned left to right when flipped; see-through texels leave the picture as it was.
void Paint(std::vector<uint32_t>& picture, const std::vector<uint32_t>& sheet, const AdjustableSprite& sprite)
{
    const float* rect = sprite.GetRect();
    const int left = static_cast<int>(rect[0]);
    const int top = static_cast<int>(rect[1]);
    const int width = static_cast<int>(rect[2]);
    const int height = static_cast<int>(rect[3]);
    const int column = sprite.GetTile() % 16;
    const int row = sprite.GetTile() / 16;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
                continue;
            const int across = sprite.IsFlipped() ? width - 1 - (x - left) : x - left;
            const int texelX = column * 8 + across % 8;
            const int texelY = row * 8 + (y - top) % 8;
            const uint32_t texel = sheet[texelY * kSheetSize + texelX];
            if ((texel >> 24) >= 0x80)
                picture[y * kWidth + x] = texel | 0xFF000000u;
        }
    }
}

// Draws a frame and compares the room target with the background painted over by the group's visible sprites in
// the group's order. 0 when they match, else the failure's exit code.
int CheckFrame(WendroGame& game, const std::vector<uint32_t>& background, bool ega, int failure)
{
    AdjustableSprite::SetEGALook(ega);
    game.RenderFrame();
    const std::vector<uint32_t> drawn = ReadRoom();
    const std::vector<uint32_t> sheet =
        ReadTexture(RoomView::GetSheetName(ega ? TileSets::kEGA : TileSets::kCGA).GetString(), kSheetSize,
                    kSheetSize);
    if (drawn.empty() || sheet.empty())
        return failure;
    std::vector<uint32_t> expected = background;
    const RUtilVector<RRenderableInterface*>& order =
        RRenderer::GetInstance()->FindRenderGroup(RoomView::GetSpriteGroup())->GetRenderables();
    for (uint32_t i = 0; i < order.getCount(); ++i) {
        const AdjustableSprite* sprite = dynamic_cast<const AdjustableSprite*>(order[i]);
        if (sprite && sprite->IsVisible())
            Paint(expected, sheet, *sprite);
    }
    int wrong = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        if (drawn[i] != expected[i] && wrong++ < 5)
            fprintf(stderr, "pixel %d, %d: drawn %08X, expected %08X\n", i % kWidth, i / kWidth, drawn[i],
                    expected[i]);
    }
    if (wrong > 0) {
        fprintf(stderr, "%d pixels differ\n", wrong);
        return failure;
    }
    return 0;
}

TEST_F(SpriteDrawing, RunsOfSpritesDrawAsEachSpriteInTurnWould)
{
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    if (!game.BeginNewGame(1))
                        return 3;
                    World& world = *game.GetWorld();
                    for (int i = 0; i < 2; ++i) {
                        game.FixedUpdate(1.0f / 60.0f);
                        game.RenderFrame();
                    }
                    // The room and the player (away from where the sprites go) in each look.
                    std::vector<uint32_t> backgrounds[2];
                    for (bool ega : {false, true}) {
                        AdjustableSprite::SetEGALook(ega);
                        game.RenderFrame();
                        backgrounds[ega] = ReadRoom();
                        if (backgrounds[ega].empty())
                            return 4;
                    }

                    // More visible sprites than one draw takes, placed by a fixed pseudo-random sequence above
                    // the player: whole-pixel rectangles of one to three tiles across (some with half a tile
                    // more), one or two down, some of them partly outside the picture, some flipped, one in
                    // thirteen hidden.
                    const int count = static_cast<int>(SpriteMesh::kMaxSpritesPerDraw) * 14 / 12 + 300;
                    std::vector<std::unique_ptr<AdjustableSprite>> sprites;
                    uint32_t seed = 12345u;
                    auto next = [&seed](uint32_t range) {
                        seed = seed * 1664525u + 1013904223u;
                        return static_cast<int>((seed >> 8) % range);
                    };
                    RRenderer* renderer = RRenderer::GetInstance();
                    for (int i = 0; i < count; ++i) {
                        sprites.emplace_back(new AdjustableSprite(world.GetView().GetSpriteMesh()));
                        AdjustableSprite& sprite = *sprites.back();
                        sprite.SetRect(static_cast<float>(next(336) - 8), static_cast<float>(next(168) - 8),
                                       static_cast<float>(8 * (1 + next(3)) + (i % 11 == 0 ? 4 : 0)),
                                       static_cast<float>(8 * (1 + next(2))));
                        sprite.SetTile(16 + next(17));
                        sprite.SetFlipped(next(2) == 1);
                        sprite.SetVisible(i % 13 != 5);
                        renderer->AddRenderableToGroup(&sprite, RoomView::GetSpriteGroup());
                    }
                    if (int failure = CheckFrame(game, backgrounds[1], true, 5))
                        return failure;

                    // Fewer sprites, moved and turned, on the other sheet: nothing of the longer run is left.
                    sprites.resize(500);
                    for (std::unique_ptr<AdjustableSprite>& sprite : sprites) {
                        const float* rect = sprite->GetRect();
                        sprite->SetRect(rect[0] + 3.0f, rect[1] + 1.0f, rect[2], rect[3]);
                        sprite->SetFlipped(!sprite->IsFlipped());
                    }
                    if (int failure = CheckFrame(game, backgrounds[0], false, 6))
                        return failure;
                    sprites.clear();
                    AdjustableSprite::SetEGALook(true);
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace
