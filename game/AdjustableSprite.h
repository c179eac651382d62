// AdjustableSprite: one drawn sprite of an entity, an instance of the room view's sprite mesh: a rectangle of the
// 320 x 200 game picture filled with one tile of the tile sheet (repeated across it, turned left to right when
// flipped), the sheet of the look in use. The mesh draws it, with the other sprites of its run, from the values
// held here. It holds a reference on both tile sheets (the CGA and the EGA one) for its whole life. The entity
// that attaches it owns it through its renderable component.
#pragma once

#include "core/types/RHashedString.h"
#include "render/materials/RRenderableInst.h"

class SpriteMesh;

class AdjustableSprite : public RRenderableInst {
public:
    // Bound to the sprite mesh; holds its references on the room view's two sheets.
    explicit AdjustableSprite(SpriteMesh* spriteMesh);
    // Resets the parameters of the effect its material draws with, releases the two sheets, then leaves its
    // template as every renderable instance does.
    ~AdjustableSprite() override;

    // The rectangle in picture pixels (x to the right, y downwards from the top left).
    void SetRect(float x, float y, float width, float height);
    // x, y, width, height.
    const float* GetRect() const { return m_rect; }
    // The tile's column (tile % 16) and row (tile / 16) on the sheet.
    void SetTile(int32_t tile) { m_tile = tile; }
    int32_t GetTile() const { return m_tile; }
    void SetFlipped(bool flipped) { m_flipped = flipped; }
    bool IsFlipped() const { return m_flipped; }
    // Which sheet the sprites are drawn from: the EGA one when set, else the CGA one.
    static void SetEGALook(bool ega) { s_egaLook = ega; }
    static bool IsEGALook() { return s_egaLook; }

private:
    RHashedString m_sheets[2];  // CGA, EGA
    float m_rect[4] = {0.0f, 0.0f, 8.0f, 8.0f};
    int32_t m_tile = 0;
    bool m_flipped = false;

    static bool s_egaLook;
};
