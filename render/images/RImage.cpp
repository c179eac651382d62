#include "render/images/RImage.h"

#include "core/types/RByteOrder.h"
#include "core/files/RSafeFileWriter.h"
#include "core/files/RStreamMgr.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const uint32_t kBMPHeadersSize = 54;

// A whole content file in memory, freed on scope exit.
struct FileBytes {
    uint8_t* data = nullptr;
    uint64_t size = 0;
    ~FileBytes() { delete[] data; }
};

// Reads a content file found through the stream manager in the sources mode allows, with one lookup.
bool ReadContentFile(const char* path, uint32_t mode, FileBytes& out)
{
    if (!path)
        return false;
    // No image file of an allowed size is larger than twice the pixel storage limit.
    uint32_t size = 0;
    RStreamMgr::GetInstance()->ReadFile(path, &out.data, &size, mode, false, (uint32_t)(2 * RImage::kMaxPixelBytes));
    out.size = size;
    return out.data != nullptr;
}

// Writes n copies of the bpp-byte pixel at src, one after another, from dst on.
void FillRun(uint8_t* dst, const uint8_t* src, int64_t n, int64_t bpp)
{
    if (bpp == 4) {
        uint32_t pixel;
        memcpy(&pixel, src, 4);
        for (int64_t i = 0; i < n; ++i)
            memcpy(dst + i * 4, &pixel, 4);
        return;
    }
    for (int64_t i = 0; i < n; ++i)
        for (int64_t b = 0; b < bpp; ++b)
            dst[i * bpp + b] = src[b];
}

// Bounded little- and big-endian reads over a byte range; a read past the end yields zeros and clears ok.
struct ByteReader {
    const uint8_t* p;
    uint64_t left;
    bool ok = true;

    ByteReader(const uint8_t* data, uint64_t size) : p(data), left(size) {}

    const uint8_t* Take(uint64_t n)
    {
        if (!ok || n > left) {
            ok = false;
            return nullptr;
        }
        const uint8_t* at = p;
        p += n;
        left -= n;
        return at;
    }
    uint8_t U8()
    {
        const uint8_t* b = Take(1);
        return b ? b[0] : 0;
    }
    uint16_t U16()
    {
        const uint8_t* b = Take(2);
        return b ? ReadLE16(b) : 0;
    }
    uint32_t U32()
    {
        const uint8_t* b = Take(4);
        return b ? ReadLE32(b) : 0;
    }
    uint32_t U32BE()
    {
        const uint8_t* b = Take(4);
        return b ? (uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | (uint32_t)b[3] : 0;
    }
};

// A rectangle of a source image placed in a destination image.
struct RectSpan {
    int64_t destX, destY, sourceX, sourceY, width, height;
};

// Applies the clip flag's failure tests, then clips the span to both images (the source start moving with the
// destination's), so that no operation ever touches a pixel outside either image. An empty result has width 0.
bool ClipSpan(const RImage& dest, const RImage& source, RectSpan& s, bool clip)
{
    if (clip) {
        if (s.width < 1 || s.height < 1)
            return false;
        if (s.sourceX < 0 || s.sourceY < 0 || s.sourceX + s.width > source.GetWidth() ||
            s.sourceY + s.height > source.GetHeight())
            return false;
        if (s.destX >= dest.GetWidth() || s.destY >= dest.GetHeight() || s.destX + s.width <= 0 ||
            s.destY + s.height <= 0)
            return false;
    }
    const auto clipAxis = [](int64_t& d, int64_t& src, int64_t& len, int64_t destLimit, int64_t sourceLimit) {
        if (d < 0) {
            src -= d;
            len += d;
            d = 0;
        }
        if (src < 0) {
            d -= src;
            len += src;
            src = 0;
        }
        if (d + len > destLimit)
            len = destLimit - d;
        if (src + len > sourceLimit)
            len = sourceLimit - src;
    };
    clipAxis(s.destX, s.sourceX, s.width, dest.GetWidth(), source.GetWidth());
    clipAxis(s.destY, s.sourceY, s.height, dest.GetHeight(), source.GetHeight());
    if (s.width < 1 || s.height < 1)
        s.width = s.height = 0;
    return true;
}

uint32_t Channel(uint32_t colour, int shift) { return (colour >> shift) & 0xFF; }

}  // namespace

RImage::RImage() = default;

RImage::RImage(const RImage& other)
{
    CopyFrom(other);
}

RImage& RImage::operator=(const RImage& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

RImage::~RImage()
{
    FreeAll();
}

void RImage::CopyFrom(const RImage& other)
{
    // The colour table is not copied: a copy of a paletted image has a zeroed table.
    FreeAll();
    if (Create(other.m_width, other.m_height, other.m_bytesPerPixel))
        CopyRect(other, 0, 0, 0, 0, other.m_width, other.m_height, false);
}

void RImage::FreeAll()
{
    Release();
    free(m_pixels);
    m_pixels = nullptr;
}

bool RImage::Create(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t bitsPerPixel)
{
    FreeAll();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;

    int64_t stride;
    int64_t imageSize;
    int32_t tableSize = 0;
    uint16_t bitCount;
    if (bitsPerPixel >= 1 && bitsPerPixel <= 7) {
        // Packed rows in the file; one byte per pixel in memory, the stride counting the padded row's pixels.
        const int64_t packedRow = ((int64_t)width * bitsPerPixel + 31) / 32 * 4;
        stride = packedRow * 8 / bitsPerPixel;
        imageSize = packedRow * height;
        tableSize = 1 << bitsPerPixel;
        bytesPerPixel = 1;
        bitCount = static_cast<uint16_t>(bitsPerPixel);
    } else {
        if (bytesPerPixel < 1 || bytesPerPixel > 4)
            return false;
        stride = ((int64_t)width * bytesPerPixel + 3) & ~int64_t(3);
        imageSize = stride * height;
        tableSize = bytesPerPixel == 1 ? 256 : 0;
        bitCount = static_cast<uint16_t>(bytesPerPixel * 8);
    }
    const uint64_t pixelBytes = (uint64_t)stride * (uint64_t)height;
    if (pixelBytes > kMaxPixelBytes)
        return false;

    m_pixels = static_cast<uint8_t*>(calloc(pixelBytes, 1));
    if (tableSize)
        m_colourTable = static_cast<uint8_t*>(calloc((size_t)tableSize, 4));
    if (!m_pixels || (tableSize && !m_colourTable)) {
        FreeAll();
        return false;
    }
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
    m_stride = static_cast<int32_t>(stride);
    m_colourTableSize = tableSize;

    m_info = InfoHeader();
    m_info.width = width;
    m_info.height = height;
    m_info.bitCount = bitCount;
    m_info.imageSize = static_cast<uint32_t>(imageSize);
    const uint32_t tableBytes = bitCount <= 8 ? (uint32_t)tableSize * 4 : 0;
    m_file = FileHeader();
    m_file.pixelOffset = kBMPHeadersSize + tableBytes;
    m_file.fileSize = static_cast<uint32_t>(kBMPHeadersSize + tableBytes + imageSize);
    return true;
}

void RImage::Release()
{
    m_width = 0;
    m_height = 0;
    m_bytesPerPixel = 0;
    m_stride = 0;
    free(m_colourTable);
    m_colourTable = nullptr;
    m_colourTableSize = 0;
}

uint32_t RImage::GetPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    const uint8_t* p = Row(y) + (int64_t)x * m_bytesPerPixel;
    switch (m_bytesPerPixel) {
    case 1:
        if (m_colourTable) {
            const uint8_t* e = m_colourTable + (p[0] % m_colourTableSize) * 4;
            return 0xFF000000u | (uint32_t)e[2] << 16 | (uint32_t)e[1] << 8 | e[0];
        }
        return 0xFF000000u | (uint32_t)p[0] << 16 | (uint32_t)p[0] << 8 | p[0];
    case 3:
        return 0xFF000000u | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
    case 4:
        return (uint32_t)p[3] << 24 | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
    default:
        return 0;
    }
}

void RImage::SetPixel(int32_t x, int32_t y, uint32_t colour)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return;
    uint8_t* p = Row(y) + (int64_t)x * m_bytesPerPixel;
    switch (m_bytesPerPixel) {
    case 1:
        p[0] = static_cast<uint8_t>(colour >> 16);
        break;
    case 4:
        p[3] = static_cast<uint8_t>(colour >> 24);
        // fall through
    case 3:
        p[0] = static_cast<uint8_t>(colour);
        p[1] = static_cast<uint8_t>(colour >> 8);
        p[2] = static_cast<uint8_t>(colour >> 16);
        break;
    default:
        break;
    }
}

void RImage::SetRawByte(int32_t x, int32_t y, uint8_t value)
{
    Row(y)[x] = value;
}

void RImage::Clear()
{
    for (int32_t y = 0; y < m_height; ++y)
        for (int32_t x = 0; x < m_width; ++x)
            SetPixel(x, y, m_keyColour);
}

// ---- Readers ----

template <typename Read> bool RImage::LoadContent(const char* path, uint32_t mode, Read read)
{
    FileBytes file;
    if (ReadContentFile(path, mode, file) && read(file.data, file.size))
        return true;
    FreeAll();
    return false;
}

bool RImage::LoadBMP(const char* path, uint32_t mode)
{
    return LoadContent(path, mode, [this](const uint8_t* data, uint64_t size) { return ReadBMP(data, size); });
}

bool RImage::LoadTGA(const char* path, uint32_t mode)
{
    return LoadContent(path, mode, [this](const uint8_t* data, uint64_t size) { return ReadTGA(data, size); });
}

bool RImage::LoadPNG(const char* path, uint32_t mode)
{
    return LoadContent(path, mode, [this](const uint8_t* data, uint64_t size) { return ReadPNG(data, size); });
}

bool RImage::LoadRaw(const char* path, int32_t width, int32_t height, uint32_t mode)
{
    return LoadContent(path, mode,
                       [&](const uint8_t* data, uint64_t size) { return ReadRaw(data, size, width, height); });
}

bool RImage::Load555(const char* path, uint32_t mode)
{
    return LoadContent(path, mode, [this](const uint8_t* data, uint64_t size) { return Read555(data, size); });
}

bool RImage::ReadBMP(const uint8_t* data, uint64_t size)
{
    ByteReader in(data, size);
    FileHeader file;
    file.type = in.U16();
    file.fileSize = in.U32();
    file.reserved1 = in.U16();
    file.reserved2 = in.U16();
    file.pixelOffset = in.U32();
    InfoHeader info;
    info.headerSize = in.U32();
    info.width = static_cast<int32_t>(in.U32());
    info.height = static_cast<int32_t>(in.U32());
    info.planes = in.U16();
    info.bitCount = in.U16();
    info.compression = in.U32();
    info.imageSize = in.U32();
    info.xResolution = static_cast<int32_t>(in.U32());
    info.yResolution = static_cast<int32_t>(in.U32());
    info.coloursUsed = in.U32();
    info.coloursImportant = in.U32();
    if (!in.ok || info.headerSize != 40 || info.planes != 1 || info.compression != 0)
        return false;
    const uint16_t bits = info.bitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;

    // A negative height marks rows stored from the top.
    const bool topDown = info.height < 0;
    const int64_t height = topDown ? -(int64_t)info.height : info.height;
    // Nothing is allocated for pixels the file cannot hold: its rows take at least their packed bits.
    const uint64_t packedRowBytes = ((uint64_t)(info.width > 0 ? info.width : 0) * bits + 7) / 8;
    if (height > kMaxSide || packedRowBytes * (uint64_t)height > in.left ||
        !Create(info.width, static_cast<int32_t>(height), bits / 8, bits))
        return false;

    if (m_colourTableSize) {
        // A file may list fewer colours than its depth allows; more is refused.
        if (info.coloursUsed > (uint32_t)m_colourTableSize)
            return false;
        const uint32_t entries = info.coloursUsed ? info.coloursUsed : (uint32_t)m_colourTableSize;
        const uint8_t* table = in.Take((uint64_t)entries * 4);
        if (!table)
            return false;
        memcpy(m_colourTable, table, (size_t)entries * 4);
    }
    // Rows normally follow the table; a pixel offset further on leaves a gap that is skipped.
    const uint64_t consumed = size - in.left;
    if (file.pixelOffset > consumed && !in.Take(file.pixelOffset - consumed))
        return false;

    const uint64_t rowBytes = bits < 8 ? (uint64_t)m_stride * bits / 8 : (uint64_t)m_stride;
    if (rowBytes * (uint64_t)m_height > in.left)
        return false;
    for (int32_t r = 0; r < m_height; ++r) {
        const uint8_t* src = in.Take(rowBytes);
        uint8_t* dst = m_pixels + (int64_t)(topDown ? m_height - 1 - r : r) * m_stride;
        if (bits >= 8) {
            memcpy(dst, src, rowBytes);
            continue;
        }
        // Packed indices, the leftmost pixel in the highest bits, unpacked to one byte per pixel.
        const int perByte = 8 / bits;
        const uint8_t mask = static_cast<uint8_t>((1 << bits) - 1);
        for (int32_t i = 0; i < m_stride; ++i) {
            const int shift = 8 - bits * (i % perByte + 1);
            dst[i] = static_cast<uint8_t>((src[i / perByte] >> shift) & mask);
        }
    }
    return true;
}

bool RImage::ReadTGA(const uint8_t* data, uint64_t size)
{
    ByteReader in(data, size);
    const uint8_t idLength = in.U8();
    const uint8_t colourMapType = in.U8();
    const uint8_t imageType = in.U8();
    in.U16();  // colour-map first entry
    const uint16_t colourMapLength = in.U16();
    const uint8_t colourMapBits = in.U8();
    in.U16();  // x origin
    in.U16();  // y origin
    const uint16_t width = in.U16();
    const uint16_t height = in.U16();
    const uint8_t depth = in.U8();
    const uint8_t descriptor = in.U8();
    if (!in.ok || (imageType != 2 && imageType != 10) || (depth != 24 && depth != 32) || colourMapType > 1)
        return false;
    // The image ID and any colour map (unused by true-colour images) precede the pixels.
    if (!in.Take(idLength))
        return false;
    if (colourMapType == 1 && !in.Take((uint64_t)colourMapLength * ((colourMapBits + 7u) / 8u)))
        return false;
    // Nothing is allocated for pixels the file cannot hold: stored pixels take their bytes, and a run-length
    // packet of at least two bytes gives at most 128 pixels.
    const uint64_t pixels = (uint64_t)width * height;
    const uint64_t leastBytes = imageType == 2 ? pixels * (depth / 8) : (pixels + 127) / 128 * 2;
    if (leastBytes > in.left || !Create(width, height, depth / 8))
        return false;

    // Rows run bottom-up, as stored here, unless the descriptor's origin bit puts the first row at the top.
    const bool topDown = (descriptor & 0x20) != 0;
    const int64_t bpp = m_bytesPerPixel;
    const int64_t rowBytes = (int64_t)m_width * bpp;
    const auto rowStart = [&](int64_t fileRow) {
        return m_pixels + (topDown ? m_height - 1 - fileRow : fileRow) * m_stride;
    };

    if (imageType == 2) {
        if ((uint64_t)rowBytes * (uint64_t)m_height > in.left)
            return false;
        for (int32_t r = 0; r < m_height; ++r)
            memcpy(rowStart(r), in.Take(rowBytes), rowBytes);
        return true;
    }

    // Run-length packets fill the pixels in file order; a packet running past the last pixel is cut there.
    const int64_t total = (int64_t)m_width * m_height;
    int64_t pixel = 0;
    while (pixel < total) {
        const uint8_t header = in.U8();
        if (!in.ok)
            return false;
        int64_t count = (header & 0x7F) + 1;
        if (count > total - pixel)
            count = total - pixel;
        const bool run = (header & 0x80) != 0;
        const uint8_t* src = in.Take(run ? bpp : count * bpp);
        if (!src)
            return false;
        while (count > 0) {
            const int64_t x = pixel % m_width;
            int64_t n = m_width - x;
            if (n > count)
                n = count;
            uint8_t* dst = rowStart(pixel / m_width) + x * bpp;
            if (run) {
                FillRun(dst, src, n, bpp);
            } else {
                memcpy(dst, src, n * bpp);
                src += n * bpp;
            }
            pixel += n;
            count -= n;
        }
    }
    return true;
}

bool RImage::ReadPNG(const uint8_t* data, uint64_t size)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ByteReader in(data, size);
    const uint8_t* signature = in.Take(8);
    if (!signature || memcmp(signature, kSignature, 8) != 0)
        return false;

    bool haveImage = false;
    bool havePixels = false;
    while (in.left > 0) {
        const uint32_t length = in.U32BE();
        const uint8_t* type = in.Take(4);
        const uint8_t* chunk = in.Take(length);
        in.Take(4);  // CRC
        if (!in.ok)
            return false;
        if (memcmp(type, "IEND", 4) == 0)
            break;
        if (memcmp(type, "IHDR", 4) == 0) {
            // Only 8-bit true colour, with or without alpha, uncompressed-friendly and not interlaced.
            ByteReader h(chunk, length);
            const uint32_t width = h.U32BE();
            const uint32_t height = h.U32BE();
            const uint8_t* rest = h.Take(5);
            if (!rest || rest[0] != 8 || (rest[1] != 2 && rest[1] != 6) || rest[2] != 0 || rest[3] != 0 ||
                rest[4] != 0 || width > (uint32_t)kMaxSide || height > (uint32_t)kMaxSide)
                return false;
            // The rows, each after its filter byte, must fit one stored block (and the rest of the file)
            // before anything is allocated for them.
            const uint32_t bytesPerPixel = (rest[1] & 4) ? 4 : 3;
            const uint64_t imageBytes = (1 + (uint64_t)width * bytesPerPixel) * height;
            if (imageBytes > 0xFFFF || imageBytes > in.left ||
                !Create((int32_t)width, (int32_t)height, (int32_t)bytesPerPixel))
                return false;
            haveImage = true;
            havePixels = false;
        } else if (memcmp(type, "IDAT", 4) == 0 && !havePixels) {
            if (!haveImage)
                return false;
            // One final stored deflate block inside a zlib stream: header, block byte, length, its complement.
            ByteReader z(chunk, length);
            const uint8_t cmf = z.U8();
            const uint8_t flg = z.U8();
            const uint8_t block = z.U8();
            const uint16_t len = z.U16();
            const uint16_t nlen = z.U16();
            if (!z.ok || (cmf & 0x0F) != 8 || ((cmf << 8) | flg) % 31 != 0 || (flg & 0x20) ||
                (block & 0x07) != 0x01 || len != static_cast<uint16_t>(~nlen))
                return false;
            const uint64_t rowBytes = 1 + (uint64_t)m_width * m_bytesPerPixel;
            if (rowBytes * (uint64_t)m_height > len || rowBytes * (uint64_t)m_height > z.left)
                return false;
            // Rows from the top, each after its filter byte, are taken as unfiltered.
            for (int32_t y = 0; y < m_height; ++y) {
                const uint8_t* src = z.Take(rowBytes) + 1;
                uint8_t* dst = Row(y);
                for (int32_t x = 0; x < m_width; ++x) {
                    dst[0] = src[2];
                    dst[1] = src[1];
                    dst[2] = src[0];
                    if (m_bytesPerPixel == 4)
                        dst[3] = src[3];
                    src += m_bytesPerPixel;
                    dst += m_bytesPerPixel;
                }
            }
            havePixels = true;
        }
    }
    return havePixels;
}

bool RImage::ReadRaw(const uint8_t* data, uint64_t size, int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || (uint64_t)width * (uint64_t)height > size || !Create(width, height, 1))
        return false;
    // Rows of width bytes, the first file row becoming the top row.
    for (int32_t y = 0; y < height; ++y)
        memcpy(Row(y), data + (uint64_t)y * width, width);
    return true;
}

bool RImage::Read555(const uint8_t* data, uint64_t size)
{
    ByteReader in(data, size);
    const uint16_t width = in.U16();
    const uint16_t height = in.U16();
    const uint8_t bytesPerPixel = in.U8();
    in.Take(3);
    if (!in.ok || (uint64_t)height * 3 > in.left || !Create(width, height, bytesPerPixel))
        return false;
    // Only each row's first pixel is stored.
    for (int32_t y = 0; y < m_height; ++y) {
        const uint8_t* rgb = in.Take(3);
        SetPixel(0, y, 0xF8000000u | (uint32_t)(uint8_t)(rgb[0] * 8) << 16 | (uint32_t)(uint8_t)(rgb[1] * 8) << 8 |
                           (uint8_t)(rgb[2] * 8));
    }
    return true;
}

// ---- Writers ----

bool RImage::SaveBMP(const char* path) const
{
    if (!m_pixels || m_width < 1 || m_height < 1)
        return false;
    const uint16_t bits = m_info.bitCount;
    const bool packed = bits < 8;
    const uint32_t rowBytes = packed ? (uint32_t)((int64_t)m_stride * bits / 8) : (uint32_t)m_stride;
    const uint32_t tableBytes = bits <= 8 && m_colourTable ? (uint32_t)m_colourTableSize * 4 : 0;
    const uint32_t imageBytes = rowBytes * (uint32_t)m_height;

    uint8_t headers[kBMPHeadersSize] = {};
    PutLE16(headers + 0, 0x4D42);
    PutLE32(headers + 2, kBMPHeadersSize + tableBytes + imageBytes);
    PutLE32(headers + 10, kBMPHeadersSize + tableBytes);
    PutLE32(headers + 14, 40);
    PutLE32(headers + 18, (uint32_t)m_width);
    PutLE32(headers + 22, (uint32_t)m_height);
    PutLE16(headers + 26, 1);
    PutLE16(headers + 28, bits);
    PutLE32(headers + 34, imageBytes);

    RSafeFileWriter out;
    if (!out.Open(path))
        return false;
    out.Write(headers, sizeof(headers));
    out.Write(m_colourTable, tableBytes);
    if (!packed) {
        out.Write(m_pixels, imageBytes);
        return out.Commit();
    }
    // Indices of fewer than 8 bits are packed back, the leftmost pixel in the highest bits.
    uint8_t* row = static_cast<uint8_t*>(malloc(rowBytes));
    if (!row)
        return false;
    const int perByte = 8 / bits;
    const uint8_t mask = static_cast<uint8_t>((1 << bits) - 1);
    for (int32_t r = 0; r < m_height; ++r) {
        memset(row, 0, rowBytes);
        const uint8_t* src = m_pixels + (int64_t)r * m_stride;
        for (int32_t i = 0; i < m_stride && i / perByte < (int64_t)rowBytes; ++i)
            row[i / perByte] |= static_cast<uint8_t>((src[i] & mask) << (8 - bits * (i % perByte + 1)));
        out.Write(row, rowBytes);
    }
    free(row);
    return out.Commit();
}

bool RImage::Save555(const char* path) const
{
    if (!m_pixels || m_width < 1 || m_height < 1 || m_width > 0xFFFF || m_height > 0xFFFF)
        return false;
    uint8_t header[8] = {};
    PutLE16(header + 0, (uint32_t)m_width);
    PutLE16(header + 2, (uint32_t)m_height);
    header[4] = static_cast<uint8_t>(m_bytesPerPixel);

    uint8_t* rows = static_cast<uint8_t*>(malloc((size_t)m_height * 3));
    if (!rows)
        return false;
    for (int32_t y = 0; y < m_height; ++y) {
        // Every pixel draws its own dither amount (1 to 6) from the process-wide sequence; only the row's first
        // pixel is stored.
        int dither = 0;
        for (int32_t x = 0; x < m_width; ++x) {
            const int n = (int)((rand() + 0.5) * 4.656613e-10 * 6) + 1;
            if (x == 0)
                dither = n;
        }
        const uint32_t colour = GetPixel(0, y);
        const uint32_t shifts[3] = {16, 8, 0};
        for (int c = 0; c < 3; ++c) {
            uint32_t v = Channel(colour, shifts[c]) + dither;
            rows[y * 3 + c] = static_cast<uint8_t>((v > 255 ? 255 : v) >> 3);
        }
    }
    RSafeFileWriter out;
    const bool written = out.Open(path) && out.Write(header, sizeof(header)) && out.Write(rows, (size_t)m_height * 3);
    free(rows);
    return written && out.Commit();
}

// ---- Rectangle operations ----

bool RImage::CopyRect(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                      int32_t width, int32_t height, bool clip)
{
    if (clip && source.m_bytesPerPixel != m_bytesPerPixel)
        return false;
    RectSpan s = {destX, destY, sourceX, sourceY, width, height};
    if (!ClipSpan(*this, source, s, clip))
        return false;
    for (int64_t j = 0; j < s.height; ++j) {
        const int32_t dy = (int32_t)(s.destY + j);
        const int32_t sy = (int32_t)(s.sourceY + j);
        if (source.m_bytesPerPixel == m_bytesPerPixel) {
            const int64_t bpp = m_bytesPerPixel;
            memmove(Row(dy) + s.destX * bpp, source.Row(sy) + s.sourceX * bpp, (size_t)(s.width * bpp));
            continue;
        }
        // Images of different pixel sizes exchange pixels as colours, never as raw bytes.
        for (int64_t i = 0; i < s.width; ++i)
            SetPixel((int32_t)(s.destX + i), dy, source.GetPixel((int32_t)(s.sourceX + i), sy));
    }
    return true;
}

bool RImage::CopyRectKeyed(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX,
                           int32_t sourceY, int32_t width, int32_t height, bool clip)
{
    RectSpan s = {destX, destY, sourceX, sourceY, width, height};
    if (!ClipSpan(*this, source, s, clip))
        return false;
    for (int64_t j = 0; j < s.height; ++j)
        for (int64_t i = 0; i < s.width; ++i) {
            const uint32_t c = source.GetPixel((int32_t)(s.sourceX + i), (int32_t)(s.sourceY + j));
            if (c != source.m_keyColour)
                SetPixel((int32_t)(s.destX + i), (int32_t)(s.destY + j), c);
        }
    return true;
}

bool RImage::BlendRect(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX, int32_t sourceY,
                       int32_t width, int32_t height, bool clip, float factor)
{
    if (clip && (factor < 0.0f || factor > 1.0f))
        return false;
    RectSpan s = {destX, destY, sourceX, sourceY, width, height};
    if (!ClipSpan(*this, source, s, clip))
        return false;
    const float tolerance = factor < 0.5f ? factor * 0.001f : 0.0005f;
    const bool half = std::fabs(factor - 0.5f) <= tolerance;
    for (int64_t j = 0; j < s.height; ++j)
        for (int64_t i = 0; i < s.width; ++i) {
            const uint32_t sc = source.GetPixel((int32_t)(s.sourceX + i), (int32_t)(s.sourceY + j));
            if (sc == source.m_keyColour)
                continue;
            const int32_t x = (int32_t)(s.destX + i);
            const int32_t y = (int32_t)(s.destY + j);
            const uint32_t dc = GetPixel(x, y);
            uint32_t out = dc & 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const uint32_t sv = Channel(sc, shift);
                const uint32_t dv = Channel(dc, shift);
                float v = half ? (float)((sv + dv) >> 1) : dv * (1.0f - factor) + sv * factor;
                v = v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
                out |= (uint32_t)v << shift;
            }
            SetPixel(x, y, out);
        }
    return true;
}

bool RImage::AlphaBlendRect(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX,
                            int32_t sourceY, int32_t width, int32_t height, bool clip)
{
    if (clip && source.m_bytesPerPixel != 4)
        return false;
    RectSpan s = {destX, destY, sourceX, sourceY, width, height};
    if (!ClipSpan(*this, source, s, clip))
        return false;
    for (int64_t j = 0; j < s.height; ++j)
        for (int64_t i = 0; i < s.width; ++i) {
            const uint32_t sc = source.GetPixel((int32_t)(s.sourceX + i), (int32_t)(s.sourceY + j));
            if (sc == source.m_keyColour)
                continue;
            const int32_t x = (int32_t)(s.destX + i);
            const int32_t y = (int32_t)(s.destY + j);
            const uint32_t dc = GetPixel(x, y);
            const int32_t alpha = (int32_t)(sc >> 24);
            uint32_t out = dc & 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int32_t sv = (int32_t)Channel(sc, shift);
                const int32_t dv = (int32_t)Channel(dc, shift);
                out |= (uint32_t)((dv * 256 + (sv - dv) * alpha) >> 8) << shift;
            }
            SetPixel(x, y, out);
        }
    return true;
}

void RImage::StretchAverage(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX,
                            int32_t sourceY, int32_t destWidth, int32_t destHeight, int32_t sourceWidth,
                            int32_t sourceHeight, int32_t /*unused*/, bool wide)
{
    if (destWidth < 1 || destHeight < 1 || sourceWidth < 1 || sourceHeight < 1)
        return;
    const auto first = [](int64_t offset, int64_t sourceLen, int64_t destLen, int64_t start) {
        return offset * sourceLen / destLen + start;
    };
    // Only the pixels that land on this image are walked, and only the part of each source span inside the
    // source is summed (pixels outside it read 0 and still count), so a rectangle far larger than either image
    // costs no more than the pixels it touches.
    const auto within = [](int64_t from, int64_t to, int64_t limit, int64_t& begin, int64_t& end) {
        begin = from > 0 ? from : 0;
        end = to < limit ? to : limit;
    };
    int64_t yBegin, yEnd, xBegin, xEnd;
    within(destY, (int64_t)destY + destHeight, m_height, yBegin, yEnd);
    within(destX, (int64_t)destX + destWidth, m_width, xBegin, xEnd);
    for (int64_t y = yBegin; y < yEnd; ++y) {
        const int64_t row0 = first(y - destY, sourceHeight, destHeight, sourceY);
        int64_t row1 = first(y + 1 - destY, sourceHeight, destHeight, sourceY);
        if (!wide || row1 <= row0)
            row1 = row0 + 1;
        for (int64_t x = xBegin; x < xEnd; ++x) {
            const int64_t col0 = first(x - destX, sourceWidth, destWidth, sourceX);
            int64_t col1 = first(x + 1 - destX, sourceWidth, destWidth, sourceX);
            if (!wide || col1 <= col0)
                col1 = col0 + 1;
            int64_t syBegin, syEnd, sxBegin, sxEnd;
            within(row0, row1, source.m_height, syBegin, syEnd);
            within(col0, col1, source.m_width, sxBegin, sxEnd);
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int64_t sy = syBegin; sy < syEnd; ++sy)
                for (int64_t sx = sxBegin; sx < sxEnd; ++sx) {
                    const uint32_t c = source.GetPixel((int32_t)sx, (int32_t)sy);
                    for (int k = 0; k < 4; ++k)
                        sum[k] += Channel(c, k * 8);
                }
            const uint64_t n = (uint64_t)((row1 - row0) * (col1 - col0));
            uint32_t out = 0;
            for (int k = 0; k < 4; ++k)
                out |= (uint32_t)(sum[k] / n) << (k * 8);
            SetPixel((int32_t)x, (int32_t)y, out);
        }
    }
}

bool RImage::StretchBilinear(const RImage& source, int32_t destX, int32_t destY, int32_t sourceX,
                             int32_t sourceY, int32_t destWidth, int32_t destHeight, int32_t sourceWidth,
                             int32_t sourceHeight, bool clip, bool smooth)
{
    if (destWidth < 1 || destHeight < 1 || sourceWidth < 1 || sourceHeight < 1)
        return !clip;
    if (clip) {
        if (source.m_bytesPerPixel != m_bytesPerPixel || sourceX < 0 || sourceY < 0 ||
            (int64_t)sourceX + sourceWidth > source.m_width || (int64_t)sourceY + sourceHeight > source.m_height)
            return false;
        if (destX >= m_width || destY >= m_height || (int64_t)destX + destWidth <= 0 ||
            (int64_t)destY + destHeight <= 0)
            return false;
    }
    const double scaleX = (double)sourceWidth / destWidth;
    const double scaleY = (double)sourceHeight / destHeight;
    const int64_t lastCol = (int64_t)sourceX + sourceWidth - 1;
    const int64_t lastRow = (int64_t)sourceY + sourceHeight - 1;
    // Only destination pixels on this image are walked.
    const int64_t jBegin = destY < 0 ? -(int64_t)destY : 0;
    const int64_t jEnd = (int64_t)m_height - destY < destHeight ? (int64_t)m_height - destY : destHeight;
    const int64_t iBegin = destX < 0 ? -(int64_t)destX : 0;
    const int64_t iEnd = (int64_t)m_width - destX < destWidth ? (int64_t)m_width - destX : destWidth;
    for (int64_t j = jBegin; j < jEnd; ++j) {
        const int64_t y = destY + j;
        // The sample position within the source rectangle, plus the rectangle's start (once).
        const double v = sourceY + j * scaleY;
        const int64_t row0 = (int64_t)v;
        const int64_t row1 = row0 + 1 > lastRow ? lastRow : row0 + 1;
        const double fy = v - row0;
        for (int64_t i = iBegin; i < iEnd; ++i) {
            const int64_t x = destX + i;
            const double u = sourceX + i * scaleX;
            const int64_t col0 = (int64_t)u;
            if (!smooth) {
                SetPixel((int32_t)x, (int32_t)y, source.GetPixel((int32_t)col0, (int32_t)row0));
                continue;
            }
            const int64_t col1 = col0 + 1 > lastCol ? lastCol : col0 + 1;
            const double fx = u - col0;
            const uint32_t c00 = source.GetPixel((int32_t)col0, (int32_t)row0);
            const uint32_t c10 = source.GetPixel((int32_t)col1, (int32_t)row0);
            const uint32_t c01 = source.GetPixel((int32_t)col0, (int32_t)row1);
            const uint32_t c11 = source.GetPixel((int32_t)col1, (int32_t)row1);
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const double top = Channel(c00, shift) * (1.0 - fx) + Channel(c10, shift) * fx;
                const double bottom = Channel(c01, shift) * (1.0 - fx) + Channel(c11, shift) * fx;
                const uint32_t value = (uint32_t)(top * (1.0 - fy) + bottom * fy + 0.5);
                out |= (value > 255 ? 255 : value) << shift;
            }
            SetPixel((int32_t)x, (int32_t)y, out);
        }
    }
    return true;
}
