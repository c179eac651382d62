// TileSets: the game's tile sets ("Tilesets.xml"): for each look (the CGA and the EGA set) a palette and up to 256
// tiles of 8 x 8 pixels, every tile of the game (walls, switch blocks, the entities' sprites, the status line's
// letters). Pixels are kept as packed colours 0xAARRGGBB; a tile the file does not give is transparent. Owns
// its pixels. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

class TileSets {
public:
    static constexpr int kTileSize = 8;
    static constexpr int kMaxTiles = 256;
    static constexpr int kMaxColours = 16;
    // The two looks, in the order the video menu offers them.
    enum Look { kCGA = 0, kEGA = 1, kLookCount = 2 };
    // The first tile of the status line's letters: the character code 32; codes 32 to 95 follow in order.
    static constexpr int kFirstGlyphTile = 64;

    TileSets();
    ~TileSets();
    TileSets(const TileSets&) = delete;
    TileSets& operator=(const TileSets&) = delete;

    // Reads the file through the stream manager; false, with the reason in error, when it is missing,
    // oversized or LoadFromText refuses it.
    bool Load(const char* fileName, char* error, size_t errorSize);
    // Reads "<Tileset name=... colours=...>" elements holding "<Palette>" (the colours as six hexadecimal digits
    // each) and "<Tile index=...>" (8 rows of 8 colour digits). Both "CGA" and "EGA" must be given, each with
    // 1 to 16 colours; a tile's index must be below 256 and its digits below the colour count. False, with the
    // reason in error and nothing kept, for anything else.
    bool LoadFromText(const char* text, uint32_t length, char* error, size_t errorSize);

    // The 64 pixels of a tile, row by row from the top; null for an index outside 0 to 255.
    const uint32_t* GetTile(Look look, int index) const;
    bool HasTile(Look look, int index) const;

private:
    void Clear();

    uint32_t* m_pixels[kLookCount];  // kMaxTiles x 64 each
    bool m_present[kLookCount][kMaxTiles];
};
