// RoomView: the game's look. It draws the room into the game's fixed 320 x 200 RGBA target: the room picture (the
// room's tiles and the status line, composed here whenever they change) with the entities' sprites over it; then
// puts that target on the screen inside the engine's scene pass, plainly or through the simulated CRT monitor.
// The monitor's glow (the picture softened, its bloom and the fading trace of earlier frames) depends only on the
// 320 x 200 picture: a glow pass computes it at that size into one of two 320 x 200 targets, reading the other
// (last frame's), and the screen pass adds only the scan lines at the screen's size. It owns the tile sheets, the
// picture texture, the targets, its passes' quads, the sprite mesh and the materials. Main thread only.
#pragma once

#include "core/types/RHashedString.h"
#include "game/TileSets.h"
#include "game/WorldMap.h"

#include <cstdint>

class GameMaterial;
class RMesh;
class RRenderTarget;
class RResSensQuad;
class SpriteMesh;

class RoomView {
public:
    static constexpr int kPictureWidth = 320;
    static constexpr int kPictureHeight = 200;
    static constexpr int kStatusY = 192;  // the status line's top row, under the room
    static constexpr int kCharWidth = 4;  // the status line's letters advance by this many pixels

    RoomView();
    ~RoomView();
    RoomView(const RoomView&) = delete;
    RoomView& operator=(const RoomView&) = delete;

    // Makes the picture, the targets, the passes (the room and glow passes before the engine's scene pass) and
    // their quads and materials. False when the renderer could not make the picture or the
    // quad; Destroy then frees what was made.
    bool Create();
    void Destroy();
    // Makes the two tile sheets from the tile sets (replacing earlier ones), or releases them for null. The tile
    // sets must stay until they are released; sprites hold their own references on the sheets.
    bool UseTileSets(const TileSets* tileSets);

    // Shows or hides the game picture on the screen; the room and glow passes draw only while it is shown (the
    // glow pass only with the CRT look).
    void SetShown(bool shown);
    // Shows or hides every sprite (a cinematic draws the picture alone).
    void SetSpritesShown(bool shown);
    // The sheet the picture and the sprites use (EGA or CGA), and the monitor (CRT) or the plain look.
    void SetLook(bool ega, bool crt);
    // Once a frame before it is drawn: fits the picture to the screen's shape (ScreenScale for the screen
    // material) and turns the glow targets over, so that this frame's glow reads last frame's.
    void UpdateFrame(int32_t screenWidth, int32_t screenHeight);

    // The picture, composed on the CPU and sent to its texture by Present.
    void ClearPicture();
    // The room's tiles, the switch blocks drawn solid or open as the switch state says.
    void DrawRoom(const WorldMap::Room& room, bool magentaSolid);
    // Text in the status line's letters (A-Z, digits and a few signs; lower case is drawn as upper case; other
    // characters as blanks), its top left at x, y; clipped to the picture.
    void DrawText(int32_t x, int32_t y, const char* text);
    // Blanks the status line.
    void ClearStatus();
    void Present();

    SpriteMesh* GetSpriteMesh() const { return m_spriteMesh; }
    static RHashedString GetSheetName(TileSets::Look look);
    // The render groups of the sprites: the room's entities, and the player drawn over them.
    static RHashedString GetSpriteGroup();
    static RHashedString GetPlayerGroup();

private:
    // Copies a tile of the current look into the picture at x, y; colour 0 is left see-through unless opaque.
    void DrawTile(int32_t tile, int32_t x, int32_t y, bool opaque);
    bool MakeSheet(const TileSets& tileSets, TileSets::Look look);
    void ReleaseSheets();
    void CreatePasses();
    // Enables the room and glow passes as the picture's visibility and the look ask.
    void EnablePasses();
    // Moves the pass to the end of the renderer's pass list, so passes are drawn in the order moved.
    static void MovePassToEnd(RHashedString id);

    const TileSets* m_tileSets = nullptr;
    TileSets::Look m_look = TileSets::kEGA;
    bool m_crt = true;
    bool m_shown = false;
    int m_glowIndex = 0;  // the glow target this frame draws into
    bool m_sheetsMade[TileSets::kLookCount] = {false, false};
    bool m_pictureMade = false;
    uint32_t* m_picture;  // kPictureWidth x kPictureHeight packed colours, rows from the top

    RRenderTarget* m_roomTarget = nullptr;
    RRenderTarget* m_glowTargets[2] = {nullptr, nullptr};
    RMesh* m_pictureQuad = nullptr;  // owns the shared quad geometry
    SpriteMesh* m_spriteMesh = nullptr;
    RResSensQuad* m_screenQuad = nullptr;
    RMesh* m_glowQuad = nullptr;  // the picture quad's geometry with the glow material
    GameMaterial* m_pictureMaterial = nullptr;
    GameMaterial* m_spriteMaterial = nullptr;
    GameMaterial* m_screenMaterial = nullptr;
    GameMaterial* m_glowMaterial = nullptr;
};
