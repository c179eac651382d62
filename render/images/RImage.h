// RImage: a software image in main memory laid out as a BMP pixel array (rows bottom-up, each padded to four
// bytes, an optional colour table), with readers for BMP, TGA, stored PNG, raw and the 5-bit format, BMP and
// 5-bit writers, and rectangle copy, blend and stretch operations. The image owns its rows and colour table.
#pragma once

#include <cstdint>

#include "core/files/RStreamMgr.h"

class RImage {
public:
    // The two BMP headers, as the file format defines them; filled by Create and written by SaveBMP.
    struct FileHeader {
        uint16_t type = 0x4D42;
        uint32_t fileSize = 0;
        uint16_t reserved1 = 0;
        uint16_t reserved2 = 0;
        uint32_t pixelOffset = 0;
    };
    struct InfoHeader {
        uint32_t headerSize = 40;
        int32_t width = 0;
        int32_t height = 0;
        uint16_t planes = 1;
        uint16_t bitCount = 0;
        uint32_t compression = 0;
        uint32_t imageSize = 0;
        int32_t xResolution = 0;
        int32_t yResolution = 0;
        uint32_t coloursUsed = 0;
        uint32_t coloursImportant = 0;
    };

    // Largest side and largest pixel storage an image may have; readers refuse files beyond them.
    static constexpr int32_t kMaxSide = 16384;
    static constexpr uint64_t kMaxPixelBytes = 128ull << 20;

    RImage();
    RImage(const RImage& other);
    RImage& operator=(const RImage& other);
    ~RImage();

    // Allocates rows for width x height pixels. bitsPerPixel 1 to 7 makes a paletted image of one byte per
    // pixel; -1 (or any other value) lets bytesPerPixel decide. Fails, leaving the image empty, for sizes below
    // 1, beyond the limits above, or bytes per pixel outside 1 to 4. Pixels start zeroed.
    bool Create(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t bitsPerPixel = -1);
    // Forgets the size and frees the colour table; the pixel rows stay allocated until the next Create.
    void Release();

    // Pixels as 0xAARRGGBB, y from the top. Outside the image GetPixel answers 0 and SetPixel does nothing.
    uint32_t GetPixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, uint32_t colour);
    // One byte at stored row (height - 1 - y), offset x; the caller keeps x and y in range.
    void SetRawByte(int32_t x, int32_t y, uint8_t value);
    // Sets every pixel to the key colour.
    void Clear();

    // Readers: files are found through the stream manager. Each fails (false) when the file cannot be opened,
    // is truncated, or holds a header it cannot take; the image is then left empty. The file is looked up in the
    // sources mode allows (RStreamMgr::SearchMode).
    bool LoadBMP(const char* path, uint32_t mode = RStreamMgr::kPacksAndFolders);
    bool LoadTGA(const char* path, uint32_t mode = RStreamMgr::kPacksAndFolders);
    bool LoadPNG(const char* path, uint32_t mode = RStreamMgr::kPacksAndFolders);
    bool LoadRaw(const char* path, int32_t width, int32_t height, uint32_t mode = RStreamMgr::kPacksAndFolders);
    bool Load555(const char* path, uint32_t mode = RStreamMgr::kPacksAndFolders);

    // Writers take a full path and replace an existing file only after a complete write; false on any failure.
    bool SaveBMP(const char* path) const;
    bool Save555(const char* path) const;

    // Rectangle operations from source into this image, positions in pixels with y from the top. With the clip
    // flag a call fails for sizes below 1, a source rectangle not wholly inside the source, or a destination
    // rectangle wholly outside this image; either way the rectangle is clipped to both images.
    bool CopyRect(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                  int32_t width, int32_t height, bool clip);
    bool CopyRectKeyed(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                       int32_t width, int32_t height, bool clip);
    bool BlendRect(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                   int32_t width, int32_t height, bool clip, float factor);
    bool AlphaBlendRect(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                        int32_t width, int32_t height, bool clip);
    void StretchAverage(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                        int32_t destWidth, int32_t destHeight, int32_t sourceWidth, int32_t sourceHeight,
                        int32_t unused, bool wide);
    bool StretchBilinear(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                         int32_t destWidth, int32_t destHeight, int32_t sourceWidth, int32_t sourceHeight,
                         bool clip, bool smooth);

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    int32_t GetBytesPerPixel() const { return m_bytesPerPixel; }
    int32_t GetStride() const { return m_stride; }
    int32_t GetBitCount() const { return m_info.bitCount; }
    int32_t GetColourTableSize() const { return m_colourTableSize; }
    // Entries of blue, green, red, reserved; null when the image has no table.
    uint8_t* GetColourTable() { return m_colourTable; }
    const uint8_t* GetColourTable() const { return m_colourTable; }
    // The stored rows, bottom row first.
    uint8_t* GetPixels() { return m_pixels; }
    const uint8_t* GetPixels() const { return m_pixels; }
    const FileHeader& GetFileHeader() const { return m_file; }
    const InfoHeader& GetInfoHeader() const { return m_info; }
    uint32_t GetKeyColour() const { return m_keyColour; }
    void SetKeyColour(uint32_t colour) { m_keyColour = colour; }

private:
    void FreeAll();
    void CopyFrom(const RImage& other);
    uint8_t* Row(int32_t y) const { return m_pixels + (int64_t)(m_height - 1 - y) * m_stride; }
    // Reads the named content file whole from the sources mode allows and hands it to read; on failure the image
    // is left empty.
    template <typename Read> bool LoadContent(const char* path, uint32_t mode, Read read);
    bool ReadBMP(const uint8_t* data, uint64_t size);
    bool ReadTGA(const uint8_t* data, uint64_t size);
    bool ReadPNG(const uint8_t* data, uint64_t size);
    bool ReadRaw(const uint8_t* data, uint64_t size, int32_t width, int32_t height);
    bool Read555(const uint8_t* data, uint64_t size);

    uint32_t m_keyColour = 0xFF000000u;
    FileHeader m_file;
    InfoHeader m_info;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bytesPerPixel = 0;
    int32_t m_stride = 0;
    int32_t m_colourTableSize = 0;
    uint8_t* m_colourTable = nullptr;
    uint8_t* m_pixels = nullptr;
};
