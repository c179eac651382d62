// Tile sets ("Tilesets.xml"): read through the stream manager; sets that load give every tile of both looks, a
// tile the file does not give fully transparent and every pixel either transparent or opaque.
#include "FuzzSupport.h"
#include "game/TileSets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("Tilesets.xml", data, size);
    TileSets sets;
    char error[256] = "";
    const bool loaded = sets.Load("Tilesets.xml", error, sizeof error);
    FUZZ_CHECK(loaded || error[0] != '\0');
    for (int look = 0; look < TileSets::kLookCount; ++look) {
        for (int index = 0; index < TileSets::kMaxTiles; ++index) {
            const uint32_t* pixels = sets.GetTile(static_cast<TileSets::Look>(look), index);
            FUZZ_CHECK(pixels);
            const bool present = sets.HasTile(static_cast<TileSets::Look>(look), index);
            FUZZ_CHECK(loaded || !present);
            for (int i = 0; i < TileSets::kTileSize * TileSets::kTileSize; ++i)
                FUZZ_CHECK(pixels[i] == 0 || (present && pixels[i] >> 24 == 0xFF));
        }
    }
    FUZZ_CHECK(!sets.GetTile(TileSets::kCGA, TileSets::kMaxTiles) && !sets.GetTile(TileSets::kEGA, -1));
    return 0;
}
