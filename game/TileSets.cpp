#include "game/TileSets.h"

#include "core/text/RXMLFile.h"
#include "game/ContentFile.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kPixelsPerTile = TileSets::kTileSize * TileSets::kTileSize;

// The value of one hexadecimal digit, or -1.
int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads up to maxColours colours of six hexadecimal digits separated by blanks into palette; the count read, or
// -1 when the text holds anything else or too many colours.
int ReadPalette(const char* text, uint32_t palette[TileSets::kMaxColours])
{
    int count = 0;
    const char* p = text;
    while (*p) {
        if (IsBlank(*p)) {
            ++p;
            continue;
        }
        if (count == TileSets::kMaxColours)
            return -1;
        uint32_t colour = 0;
        for (int i = 0; i < 6; ++i) {
            const int digit = HexDigit(p[i]);
            if (digit < 0)
                return -1;
            colour = colour << 4 | static_cast<uint32_t>(digit);
        }
        if (p[6] && !IsBlank(p[6]))
            return -1;
        palette[count++] = 0xFF000000u | colour;
        p += 6;
    }
    return count;
}

// Reads 8 rows of 8 colour digits (separated by blanks) into pixels; false for anything else or a digit at or
// above colourCount. Colour 0 is transparent.
bool ReadTile(const char* text, const uint32_t* palette, int colourCount, uint32_t* pixels)
{
    int row = 0;
    const char* p = text;
    while (*p) {
        if (IsBlank(*p)) {
            ++p;
            continue;
        }
        if (row == TileSets::kTileSize)
            return false;
        for (int x = 0; x < TileSets::kTileSize; ++x) {
            const int digit = HexDigit(p[x]);
            if (digit < 0 || digit >= colourCount)
                return false;
            pixels[row * TileSets::kTileSize + x] = digit == 0 ? 0u : palette[digit];
        }
        if (p[TileSets::kTileSize] && !IsBlank(p[TileSets::kTileSize]))
            return false;
        p += TileSets::kTileSize;
        ++row;
    }
    return row == TileSets::kTileSize;
}

// An element's text lines joined by blanks.
RString ElementText(const RXMLTree* element)
{
    RString text;
    for (const RString& line : element->textLines) {
        text += line;
        text += " ";
    }
    return text;
}

}  // namespace

TileSets::TileSets()
{
    for (int look = 0; look < kLookCount; ++look)
        m_pixels[look] = new uint32_t[static_cast<size_t>(kMaxTiles) * kPixelsPerTile];
    Clear();
}

TileSets::~TileSets()
{
    for (int look = 0; look < kLookCount; ++look)
        delete[] m_pixels[look];
}

void TileSets::Clear()
{
    for (int look = 0; look < kLookCount; ++look) {
        memset(m_pixels[look], 0, sizeof(uint32_t) * kMaxTiles * kPixelsPerTile);
        memset(m_present[look], 0, sizeof(m_present[look]));
    }
}

bool TileSets::Load(const char* fileName, char* error, size_t errorSize)
{
    return ContentFile::Load(fileName, error, errorSize, [&](const char* text, uint32_t size) {
        return LoadFromText(text, size, error, errorSize);
    });
}

bool TileSets::LoadFromText(const char* text, uint32_t length, char* error, size_t errorSize)
{
    Clear();
    RXMLFile document;
    document.Parse(text, length);
    bool found[kLookCount] = {false, false};
    static const char* const kLookNames[kLookCount] = {"CGA", "EGA"};

    uint32_t index = 0;
    while (RXMLTree* set = document.FindElement(RString("Tileset"), &index)) {
        RString name;
        set->GetAttribute("name", &name);
        int look = -1;
        for (int i = 0; i < kLookCount; ++i) {
            if (name.Equals(kLookNames[i]))
                look = i;
        }
        if (look < 0)
            continue;
        if (found[look]) {
            snprintf(error, errorSize, "Tile set %s is given twice", kLookNames[look]);
            Clear();
            return false;
        }
        found[look] = true;

        uint32_t palette[kMaxColours] = {};
        const RXMLTree* paletteElement = set->FindChild(RString("Palette"));
        const int colourCount = paletteElement ? ReadPalette(ElementText(paletteElement).GetString(), palette) : -1;
        if (colourCount < 1) {
            snprintf(error, errorSize, "Tile set %s has no palette of 1 to 16 colours", kLookNames[look]);
            Clear();
            return false;
        }
        uint32_t tileIndex = 0;
        while (const RXMLTree* tile = set->FindChild(RString("Tile"), &tileIndex)) {
            RString indexText;
            int tileNumber = -1;
            if (tile->GetAttribute("index", &indexText) && indexText.GetLength() >= 1 && indexText.GetLength() <= 3) {
                tileNumber = 0;
                for (int i = 0; i < indexText.GetLength() && tileNumber >= 0; ++i) {
                    const char c = indexText.GetString()[i];
                    tileNumber = c >= '0' && c <= '9' ? tileNumber * 10 + (c - '0') : -1;
                }
            }
            if (tileNumber < 0 || tileNumber >= kMaxTiles) {
                snprintf(error, errorSize, "Tile set %s has a tile without an index from 0 to 255", kLookNames[look]);
                Clear();
                return false;
            }
            uint32_t* pixels = m_pixels[look] + static_cast<size_t>(tileNumber) * kPixelsPerTile;
            if (!ReadTile(ElementText(tile).GetString(), palette, colourCount, pixels)) {
                snprintf(error, errorSize, "Tile %d of set %s is not 8 rows of 8 colours of its palette", tileNumber,
                         kLookNames[look]);
                Clear();
                return false;
            }
            m_present[look][tileNumber] = true;
        }
    }
    for (int look = 0; look < kLookCount; ++look) {
        if (!found[look]) {
            snprintf(error, errorSize, "Tile set %s is missing", kLookNames[look]);
            Clear();
            return false;
        }
    }
    return true;
}

const uint32_t* TileSets::GetTile(Look look, int index) const
{
    if (look < 0 || look >= kLookCount || index < 0 || index >= kMaxTiles)
        return nullptr;
    return m_pixels[look] + static_cast<size_t>(index) * kPixelsPerTile;
}

bool TileSets::HasTile(Look look, int index) const
{
    return look >= 0 && look < kLookCount && index >= 0 && index < kMaxTiles && m_present[look][index];
}
