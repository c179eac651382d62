#include "render/images/RImage.h"

#include "ImageTestFiles.h"
#include "tests/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imagetest;

namespace {

// An image whose pixels all differ.
RImage MakePattern(int width, int height, int bytesPerPixel)
{
    RImage image;
    EXPECT_TRUE(image.Create(width, height, bytesPerPixel));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, 0x80000000u | static_cast<uint32_t>(x * 40 + 3) << 16 |
                                     static_cast<uint32_t>(y * 50 + 7) << 8 | static_cast<uint32_t>(x * y + 9));
    return image;
}

using Loader = bool (RImage::*)(const char*, uint32_t);

}  // namespace

// Files written byte by byte by the python generator, from the published layouts of each format.
TEST(ImageReference, EveryReaderMatchesTheGeneratedFiles)
{
    TempFolder folder;
    if (!GenerateReferenceImages(folder.path))
        GTEST_SKIP() << "python3 is not available to make the reference files";
    const struct {
        const char* stem;
        const char* extension;
        Loader load;
    } files[] = {
        {"bmp1", "bmp", &RImage::LoadBMP},      {"bmp4", "bmp", &RImage::LoadBMP},
        {"bmp4_short_table", "bmp", &RImage::LoadBMP}, {"bmp8", "bmp", &RImage::LoadBMP},
        {"bmp8_topdown_gap", "bmp", &RImage::LoadBMP}, {"bmp24", "bmp", &RImage::LoadBMP},
        {"bmp32", "bmp", &RImage::LoadBMP},     {"tga24", "tga", &RImage::LoadTGA},
        {"tga32_top_id", "tga", &RImage::LoadTGA}, {"tga24_rle", "tga", &RImage::LoadTGA},
        {"tga32_rle", "tga", &RImage::LoadTGA}, {"png_rgb", "png", &RImage::LoadPNG},
        {"png_rgba", "png", &RImage::LoadPNG},  {"five", "555", &RImage::Load555},
        {"five_alpha", "555", &RImage::Load555},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.stem);
        RImage image;
        ASSERT_TRUE((image.*f.load)(folder.File(std::string(f.stem) + "." + f.extension).c_str(), 0));
        EXPECT_TRUE(SamePixels(image, ReadExpect(folder.File(std::string(f.stem) + ".expect"))));
    }

    // Raw bytes, top row first, index into a zeroed table.
    const Pixels expected = ReadExpect(folder.File("raw8.expect"));
    const std::string raw = folder.File("raw8.raw");
    RImage image;
    ASSERT_TRUE(image.LoadRaw(raw.c_str(), expected.width, expected.height));
    ASSERT_EQ(image.GetColourTableSize(), 256);
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            EXPECT_EQ(image.GetPixels()[(expected.height - 1 - y) * image.GetStride() + x], expected.At(x, y) & 0xFF);
            EXPECT_EQ(image.GetPixel(x, y), 0xFF000000u);
        }
    EXPECT_FALSE(image.LoadRaw(raw.c_str(), expected.width, expected.height + 1));
}

TEST(ImageWriters, FailuresAreReportedAndKeepTheOldFile)
{
    TempFolder folder;
    RImage image = MakePattern(40, 40, 3);
    EXPECT_FALSE(image.SaveBMP(folder.File("missing/folder/shot.bmp").c_str()));
    EXPECT_FALSE(image.Save555(folder.File("missing/folder/shot.555").c_str()));
    EXPECT_FALSE(RImage().SaveBMP(folder.File("empty.bmp").c_str()));
    // A folder in the file's place cannot be replaced.
    std::filesystem::create_directory(folder.File("taken.bmp"));
    EXPECT_FALSE(image.SaveBMP(folder.File("taken.bmp").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("taken.bmp")));

    // A write cut short by the file size limit leaves the previous file as it was, and no temporary file.
    const std::string path = folder.File("kept.bmp");
    ASSERT_TRUE(MakePattern(2, 2, 3).SaveBMP(path.c_str()));
    const std::vector<uint8_t> before = ReadBytes(path);
    bool saved40 = true;
    {
        FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.IsActive());
        saved40 = image.SaveBMP(path.c_str());
    }
    EXPECT_FALSE(saved40);
    EXPECT_EQ(ReadBytes(path), before);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        entries += entry.exists() ? 1 : 0;
    EXPECT_EQ(entries, 2);  // taken.bmp and kept.bmp
    ASSERT_TRUE(image.SaveBMP(path.c_str()));
    EXPECT_EQ(ReadBytes(path).size(), 54u + 120u * 40u);
}

// ---- Hostile and truncated files ----

TEST(ImageHostile, EveryTruncationFailsCleanly)
{
    TempFolder folder;
    RImage source = MakePattern(5, 3, 4);
    ASSERT_TRUE(source.SaveBMP(folder.File("whole.bmp").c_str()));
    ASSERT_TRUE(source.Save555(folder.File("whole.555").c_str()));
    // Run-length TGA: one run of 15 pixels split over packets.
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 10;
    PutU16(tga, 12, 5);
    PutU16(tga, 14, 3);
    tga[16] = 24;
    tga.insert(tga.end(), {0x84, 1, 2, 3, 0x09});
    for (int i = 0; i < 10; ++i)
        tga.insert(tga.end(), {static_cast<uint8_t>(i), 0, 0});
    RImage whole;
    EXPECT_TRUE(whole.LoadTGA(folder.Put("whole.tga", tga).c_str()));

    const std::pair<const char*, Loader> files[] = {
        {"whole.bmp", &RImage::LoadBMP}, {"whole.555", &RImage::Load555}, {"whole.tga", &RImage::LoadTGA}};
    for (const auto& f : files) {
        const std::vector<uint8_t> bytes = ReadBytes(folder.File(f.first));
        for (size_t n = 0; n < bytes.size(); ++n) {
            RImage image;
            const std::string cut =
                folder.Put(std::string("cut_") + f.first, std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
            EXPECT_FALSE((image.*f.second)(cut.c_str(), 0)) << f.first << " cut to " << n;
            EXPECT_EQ(image.GetWidth(), 0);
        }
    }
}

TEST(ImageHostile, BMPHeadersOutsideTheLimitsAreRefused)
{
    TempFolder folder;
    ASSERT_TRUE(MakePattern(4, 2, 3).SaveBMP(folder.File("good.bmp").c_str()));
    const std::vector<uint8_t> good = ReadBytes(folder.File("good.bmp"));
    const struct {
        const char* what;
        size_t at;
        uint32_t value;
        int bytes;
    } cases[] = {
        {"header size 108", 14, 108, 4},        {"planes 2", 26, 2, 2},
        {"compression 1", 30, 1, 4},            {"bit count 0", 28, 0, 2},
        {"bit count 12", 28, 12, 2},            {"bit count 64", 28, 64, 2},
        {"width 0", 18, 0, 4},                  {"negative width", 18, 0xFFFFFFF0u, 4},
        {"huge width", 18, 0x7FFFFFFFu, 4},     {"huge height", 22, 0x40000000u, 4},
        {"lowest height", 22, 0x80000000u, 4},  {"more rows than bytes", 22, 3, 4},
        {"wide rows", 18, 4000, 4},             {"gap past the end", 10, 0xFFFFFF00u, 4},
        {"8 bits without a table", 28, 8, 2},   {"too many colours", 46, 17, 4},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = good;
        PutLE(bytes, c.at, c.value, c.bytes);
        if (std::string(c.what) == "too many colours")
            PutU16(bytes, 28, 4);
        RImage image;
        EXPECT_FALSE(image.LoadBMP(folder.Put("bad.bmp", bytes).c_str())) << c.what;
        EXPECT_EQ(image.GetPixels(), nullptr) << c.what;
    }
}

TEST(ImageHostile, TGAHeadersOutsideTheLimitsAndOverlongRuns)
{
    TempFolder folder;
    const auto header = [](uint8_t type, uint16_t w, uint16_t h, uint8_t depth) {
        std::vector<uint8_t> b(18, 0);
        b[2] = type;
        PutU16(b, 12, w);
        PutU16(b, 14, h);
        b[16] = depth;
        return b;
    };
    std::vector<uint8_t> withId = header(2, 1, 1, 24);
    withId[0] = 200;  // an image ID longer than the file
    withId.insert(withId.end(), {1, 2, 3});
    std::vector<uint8_t> withMap = header(2, 1, 1, 24);
    withMap[1] = 1;
    PutU16(withMap, 5, 65535);
    withMap[7] = 32;
    withMap.insert(withMap.end(), {1, 2, 3});
    const std::vector<uint8_t> refused[] = {header(2, 65535, 65535, 32), header(10, 16000, 16000, 32),
                                            header(2, 0, 4, 24),         header(1, 2, 2, 8),
                                            header(3, 2, 2, 8),          header(2, 2, 2, 16),
                                            withId,                      withMap};
    RImage image;
    for (const std::vector<uint8_t>& bytes : refused)
        EXPECT_FALSE(image.LoadTGA(folder.Put("bad.tga", bytes).c_str())) << &bytes - refused;

    // Packets describing more pixels than the image holds fill it and stop.
    std::vector<uint8_t> overlong = header(10, 2, 2, 32);
    overlong.insert(overlong.end(), {0xFF, 0x11, 0x22, 0x33, 0x44, 0x7F});  // a run of 128, a bare raw packet
    ASSERT_TRUE(image.LoadTGA(folder.Put("overlong.tga", overlong).c_str()));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image.GetPixel(i % 2, i / 2), 0x44332211u);
    std::vector<uint8_t> rawOverlong = header(10, 3, 1, 24);
    rawOverlong.push_back(0x7F);
    for (int i = 0; i < 128 * 3; ++i)
        rawOverlong.push_back(static_cast<uint8_t>(i));
    ASSERT_TRUE(image.LoadTGA(folder.Put("rawoverlong.tga", rawOverlong).c_str()));
    EXPECT_EQ(image.GetPixel(2, 0), 0xFF080706u);
}

TEST(ImageHostile, PNGChunksOutsideTheLimitsAreRefused)
{
    TempFolder folder;
    const auto be32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 3; i >= 0; --i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const auto chunk = [&](std::vector<uint8_t>& b, const char* type, const std::vector<uint8_t>& data) {
        be32(b, static_cast<uint32_t>(data.size()));
        b.insert(b.end(), type, type + 4);
        b.insert(b.end(), data.begin(), data.end());
        be32(b, 0);
    };
    const auto ihdr = [&](uint32_t w, uint32_t h, uint8_t depth, uint8_t colourType) {
        std::vector<uint8_t> d;
        be32(d, w);
        be32(d, h);
        d.insert(d.end(), {depth, colourType, 0, 0, 0});
        return d;
    };
    // A 1 x 1 RGB image: zlib header, final stored block of 4 bytes (filter byte, R, G, B).
    const std::vector<uint8_t> idat = {0x78, 0x01, 0x01, 4, 0, 0xFB, 0xFF, 0, 10, 20, 30, 0, 0, 0, 0};
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto png = [&](const std::vector<uint8_t>& header, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> b = signature;
        chunk(b, "IHDR", header);
        chunk(b, "IDAT", data);
        chunk(b, "IEND", {});
        return b;
    };
    RImage image;
    ASSERT_TRUE(image.LoadPNG(folder.Put("good.png", png(ihdr(1, 1, 8, 2), idat)).c_str()));
    EXPECT_EQ(image.GetPixel(0, 0), 0xFF0A141Eu);

    std::vector<uint8_t> compressed = idat, badComplement = idat;
    compressed[2] = 0x03;
    badComplement[5] = 0;
    std::vector<uint8_t> noHeader = signature, giantChunk = signature;
    chunk(noHeader, "IDAT", idat);
    be32(giantChunk, 0xFFFFFFF0u);
    giantChunk.insert(giantChunk.end(), {'I', 'H', 'D', 'R', 1, 2, 3});
    std::vector<uint8_t> wrongMagic = png(ihdr(1, 1, 8, 2), idat);
    wrongMagic[1] = 'J';
    const std::vector<uint8_t> refused[] = {
        png(ihdr(100000, 100000, 8, 6), idat), png(ihdr(16000, 1, 8, 2), idat), png(ihdr(0, 1, 8, 2), idat),
        png(ihdr(1, 1, 16, 2), idat),          png(ihdr(1, 1, 8, 3), idat),     png(ihdr(1, 1, 8, 2), compressed),
        png(ihdr(1, 1, 8, 2), badComplement),  png(ihdr(2, 1, 8, 2), idat),     noHeader,
        giantChunk,                            wrongMagic};
    for (const std::vector<uint8_t>& bytes : refused)
        EXPECT_FALSE(image.LoadPNG(folder.Put("bad.png", bytes).c_str())) << &bytes - refused;

    // The five-bit format's huge and odd headers, and files that are not there.
    EXPECT_FALSE(image.Load555(folder.Put("huge.555", {0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0}).c_str()));
    EXPECT_FALSE(image.Load555(folder.Put("depth.555", {4, 0, 2, 0, 7, 0, 0, 0, 1, 2, 3, 4, 5, 6}).c_str()));
    EXPECT_FALSE(image.LoadBMP(folder.File("absent.bmp").c_str()));
    EXPECT_FALSE(image.LoadTGA(nullptr));
    EXPECT_FALSE(image.LoadPNG(folder.path.c_str()));
}

// ---- Rectangle operations ----

TEST(ImageRects, CopyRectClipsFailsAndCrossesPixelSizes)
{
    RImage source = MakePattern(4, 4, 3);
    RImage dest;
    ASSERT_TRUE(dest.Create(4, 4, 3));
    EXPECT_FALSE(dest.CopyRect(source, 0, 0, 0, 0, 0, 2, true));
    EXPECT_FALSE(dest.CopyRect(source, 0, 0, 3, 0, 2, 2, true));  // source not wholly inside
    EXPECT_FALSE(dest.CopyRect(source, 4, 0, 0, 0, 2, 2, true));  // destination wholly outside
    RImage four;
    ASSERT_TRUE(four.Create(4, 4, 4));
    EXPECT_FALSE(four.CopyRect(source, 0, 0, 0, 0, 2, 2, true));  // pixel sizes differ
    // Clipped at the destination's top-left: the source start moves with it.
    ASSERT_TRUE(dest.CopyRect(source, -1, -1, 1, 1, 3, 3, true));
    EXPECT_EQ(dest.GetPixel(0, 0), source.GetPixel(2, 2));
    EXPECT_EQ(dest.GetPixel(2, 2), 0xFF000000u);  // untouched (rows start zeroed)
    // Without the flag nothing fails, and nothing outside either image is touched.
    EXPECT_TRUE(dest.CopyRect(source, 2, 2, 3, 3, 100, 100, false));
    EXPECT_EQ(dest.GetPixel(2, 2), source.GetPixel(3, 3));

    // Between 3- and 4-byte images colours are carried pixel by pixel, never whole rows of the larger size.
    RImage narrow = MakePattern(3, 2, 3);
    RImage wide, back;
    ASSERT_TRUE(wide.Create(3, 2, 4));
    ASSERT_TRUE(back.Create(3, 2, 3));
    EXPECT_TRUE(wide.CopyRect(narrow, 0, 0, 0, 0, 3, 2, false));
    EXPECT_TRUE(back.CopyRect(wide, 0, 0, 0, 0, 3, 2, false));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(wide.GetPixel(x, y), narrow.GetPixel(x, y));
            EXPECT_EQ(back.GetPixel(x, y), narrow.GetPixel(x, y));
        }
}

TEST(ImageRects, StretchBilinearSamplesFromTheSourceStartOnce)
{
    RImage dest;
    ASSERT_TRUE(dest.Create(2, 1, 4));
    RImage ramp, out;
    ASSERT_TRUE(ramp.Create(6, 1, 3));
    ASSERT_TRUE(out.Create(4, 1, 3));
    for (int x = 0; x < 6; ++x)
        ramp.SetPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x * 40));
    ASSERT_TRUE(out.StretchBilinear(ramp, 0, 0, 2, 0, 2, 1, 2, 1, true, false));
    EXPECT_EQ(out.GetPixel(0, 0), 0xFF000050u);  // source x 2, not 4
    EXPECT_EQ(out.GetPixel(1, 0), 0xFF000078u);
    // Doubling with smoothing blends neighbours; the last column is held at the rectangle's edge.
    ASSERT_TRUE(out.StretchBilinear(ramp, 0, 0, 2, 0, 4, 1, 2, 1, true, true));
    const uint32_t doubled[4] = {0xFF000050u, 0xFF000064u, 0xFF000078u, 0xFF000078u};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(out.GetPixel(x, 0), doubled[x]) << x;
    EXPECT_FALSE(out.StretchBilinear(ramp, 0, 0, 5, 0, 2, 1, 2, 1, true, true));
    EXPECT_FALSE(dest.StretchBilinear(ramp, 0, 0, 0, 0, 2, 1, 2, 1, true, true));  // 4 bytes from 3
    EXPECT_TRUE(out.StretchBilinear(ramp, -2, 0, 0, 0, 8, 1, 6, 1, false, false));
}

TEST(ImageRects, StretchesWalkOnlyThePixelsOnTheImage)
{
    // Rectangles of 2^31 - 1 pixels a side over a 3 x 3 image: only its nine pixels are visited, so each call
    // returns at once. Every destination pixel here samples source pixel (0, 0).
    const RImage source = MakePattern(2, 2, 4);
    RImage dest;
    ASSERT_TRUE(dest.Create(3, 3, 4));
    dest.StretchAverage(source, 0, 0, 0, 0, INT32_MAX, INT32_MAX, 2, 2, 0, false);
    EXPECT_EQ(dest.GetPixel(2, 2), source.GetPixel(0, 0));
    ASSERT_TRUE(dest.StretchBilinear(source, -1, -1, 0, 0, INT32_MAX, INT32_MAX, 2, 2, false, true));
    EXPECT_EQ(dest.GetPixel(1, 1), source.GetPixel(0, 0));
    // A wide average over a span far larger than the source counts the pixels outside it as 0.
    dest.StretchAverage(source, 0, 0, 0, 0, 1, 1, 4, 2, 0, true);
    const uint32_t left = source.GetPixel(0, 0), right = source.GetPixel(1, 0);
    EXPECT_EQ(dest.GetPixel(0, 0) & 0xFF, ((left & 0xFF) + (right & 0xFF) + (source.GetPixel(0, 1) & 0xFF) +
                                           (source.GetPixel(1, 1) & 0xFF)) / 8);
    dest.StretchAverage(source, 0, 0, 0, 0, 1, 1, INT32_MAX, INT32_MAX, 0, true);
    EXPECT_EQ(dest.GetPixel(0, 0), 0u);
}
