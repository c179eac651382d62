#include "render/RImage.h"

#include "ImageTestFiles.h"
#include "tests/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace imagetest;

namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

void PutU16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A 24-bit image whose pixels all differ.
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

}  // namespace

// ---- Layout and pixel access ----

TEST(ImageLayout, RowsAreBottomUpAndPaddedToFourBytes)
{
    RImage image;
    ASSERT_TRUE(image.Create(3, 2, 3));
    EXPECT_EQ(image.GetStride(), 12);
    EXPECT_EQ(image.GetColourTable(), nullptr);
    image.SetPixel(0, 0, 0xFF112233u);
    const uint8_t* second = image.GetPixels() + 12;
    EXPECT_EQ(second[0], 0x33);
    EXPECT_EQ(second[1], 0x22);
    EXPECT_EQ(second[2], 0x11);
    EXPECT_EQ(image.GetPixel(0, 0), 0xFF112233u);

    // Outside the image nothing is read or written.
    image.SetPixel(-1, 0, 0xFFFFFFFFu);
    image.SetPixel(3, 0, 0xFFFFFFFFu);
    image.SetPixel(0, 2, 0xFFFFFFFFu);
    EXPECT_EQ(image.GetPixel(-1, 0), 0u);
    EXPECT_EQ(image.GetPixel(3, 0), 0u);
    EXPECT_EQ(image.GetPixel(0, -1), 0u);
    EXPECT_EQ(image.GetPixel(0, 2), 0u);
}

TEST(ImageLayout, PixelSizesAndTables)
{
    RImage grey;
    ASSERT_TRUE(grey.Create(2, 2, 1));
    EXPECT_EQ(grey.GetColourTableSize(), 256);
    grey.GetColourTable()[7 * 4 + 2] = 0xAB;  // entry 7: red
    grey.SetPixel(1, 1, 0x00070000u);          // one byte per pixel stores red
    EXPECT_EQ(grey.GetPixel(1, 1), 0xFFAB0000u);

    RImage nibbles;
    ASSERT_TRUE(nibbles.Create(5, 1, 0, 4));
    EXPECT_EQ(nibbles.GetColourTableSize(), 16);
    EXPECT_EQ(nibbles.GetBytesPerPixel(), 1);
    EXPECT_EQ(nibbles.GetStride(), 8);  // a 3-byte packed row padded to 4 bytes holds 8 pixels

    RImage rgba;
    ASSERT_TRUE(rgba.Create(1, 1, 4));
    rgba.SetPixel(0, 0, 0x12345678u);
    EXPECT_EQ(rgba.GetPixel(0, 0), 0x12345678u);
    rgba.SetKeyColour(0x00ABCDEFu);
    rgba.Clear();
    EXPECT_EQ(rgba.GetPixel(0, 0), 0x00ABCDEFu);

    RImage twoBytes;
    ASSERT_TRUE(twoBytes.Create(2, 2, 2));
    twoBytes.SetPixel(0, 0, 0xFFFFFFFFu);
    EXPECT_EQ(twoBytes.GetPixel(0, 0), 0u);
}

TEST(ImageLayout, CreateRefusesImpossibleSizes)
{
    RImage image;
    EXPECT_FALSE(image.Create(0, 5, 3));
    EXPECT_FALSE(image.Create(5, -1, 3));
    EXPECT_FALSE(image.Create(RImage::kMaxSide + 1, 1, 1));
    EXPECT_FALSE(image.Create(RImage::kMaxSide, RImage::kMaxSide, 4));  // beyond the pixel storage limit
    EXPECT_FALSE(image.Create(4, 4, 5));
    EXPECT_FALSE(image.Create(4, 4, 0));
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetPixels(), nullptr);
}

TEST(ImageLayout, CopiesKeepPixelsButNotKeyOrTable)
{
    RImage source = MakePattern(5, 3, 3);
    source.SetKeyColour(0xFF00FF00u);
    RImage copy(source);
    EXPECT_EQ(copy.GetKeyColour(), 0xFF000000u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(copy.GetPixel(x, y), source.GetPixel(x, y));

    RImage assigned;
    assigned.SetKeyColour(0xFF123456u);
    assigned = source;
    EXPECT_EQ(assigned.GetKeyColour(), 0xFF123456u);
    EXPECT_EQ(assigned.GetPixel(4, 2), source.GetPixel(4, 2));

    RImage paletted;
    ASSERT_TRUE(paletted.Create(2, 1, 1));
    paletted.GetColourTable()[4] = 0xFF;
    RImage paletteCopy(paletted);
    ASSERT_NE(paletteCopy.GetColourTable(), nullptr);
    EXPECT_EQ(paletteCopy.GetColourTable()[4], 0);

    source.Release();
    EXPECT_EQ(source.GetWidth(), 0);
    EXPECT_EQ(source.GetStride(), 0);
    EXPECT_EQ(source.GetPixel(0, 0), 0u);
}

// ---- Readers against files made by independent tools ----

class ImageReference : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = new TempFolder();
        s_generated = GenerateReferenceImages(s_folder->path);
    }
    static void TearDownTestSuite()
    {
        delete s_folder;
        s_folder = nullptr;
    }
    void SetUp() override
    {
        if (!s_generated)
            GTEST_SKIP() << "python3 is not available to make the reference files";
    }
    static std::string File(const std::string& name) { return s_folder->File(name); }
    static Pixels Expected(const std::string& stem) { return ReadExpect(File(stem + ".expect")); }

    static TempFolder* s_folder;
    static bool s_generated;
};

TempFolder* ImageReference::s_folder = nullptr;
bool ImageReference::s_generated = false;

TEST_F(ImageReference, BMPAtEveryDepth)
{
    for (const char* stem : {"bmp1", "bmp4", "bmp4_short_table", "bmp8", "bmp8_topdown_gap", "bmp24", "bmp32"}) {
        SCOPED_TRACE(stem);
        RImage image;
        ASSERT_TRUE(image.LoadBMP(File(std::string(stem) + ".bmp").c_str()));
        EXPECT_TRUE(SamePixels(image, Expected(stem)));
    }
    RImage image;
    ASSERT_TRUE(image.LoadBMP(File("bmp4.bmp").c_str()));
    EXPECT_EQ(image.GetColourTableSize(), 16);
    EXPECT_EQ(image.GetBitCount(), 4);
}

TEST_F(ImageReference, TGAPlainAndRunLength)
{
    for (const char* stem : {"tga24", "tga32_top_id", "tga24_rle", "tga32_rle"}) {
        SCOPED_TRACE(stem);
        RImage image;
        ASSERT_TRUE(image.LoadTGA(File(std::string(stem) + ".tga").c_str()));
        EXPECT_TRUE(SamePixels(image, Expected(stem)));
    }
}

TEST_F(ImageReference, PNGOfOneStoredBlock)
{
    for (const char* stem : {"png_rgb", "png_rgba"}) {
        SCOPED_TRACE(stem);
        RImage image;
        ASSERT_TRUE(image.LoadPNG(File(std::string(stem) + ".png").c_str()));
        EXPECT_EQ(image.GetBytesPerPixel(), std::string(stem) == "png_rgba" ? 4 : 3);
        EXPECT_TRUE(SamePixels(image, Expected(stem)));
    }
}

TEST_F(ImageReference, RawBytesTopRowFirst)
{
    const Pixels expected = Expected("raw8");
    RImage image;
    ASSERT_TRUE(image.LoadRaw(File("raw8.raw").c_str(), expected.width, expected.height));
    ASSERT_EQ(image.GetBytesPerPixel(), 1);
    ASSERT_EQ(image.GetColourTableSize(), 256);
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const uint8_t stored = image.GetPixels()[(expected.height - 1 - y) * image.GetStride() + x];
            EXPECT_EQ(stored, expected.At(x, y) & 0xFF) << x << "," << y;
            EXPECT_EQ(image.GetPixel(x, y), 0xFF000000u);  // the table starts zeroed
        }
    RImage tooBig;
    EXPECT_FALSE(tooBig.LoadRaw(File("raw8.raw").c_str(), expected.width, expected.height + 1));
    EXPECT_FALSE(tooBig.LoadRaw(File("raw8.raw").c_str(), -expected.width, expected.height));
}

TEST_F(ImageReference, FiveBitFormatSetsColumnZero)
{
    for (const char* stem : {"five", "five_alpha"}) {
        SCOPED_TRACE(stem);
        RImage image;
        ASSERT_TRUE(image.Load555(File(std::string(stem) + ".555").c_str()));
        EXPECT_TRUE(SamePixels(image, Expected(stem)));
    }
}

// Files made by the image tool from a known grid: BMP at 4, 8, 24 and 32 bits with 40-byte headers. The
// expectation is what the tool itself reads back from the file it wrote.
TEST(ImageTool, BMPWrittenByTheToolReadsAsTheToolReadsIt)
{
    if (!HaveTool("convert"))
        GTEST_SKIP() << "the image tool (convert) is not available";
    TempFolder folder;
    const int w = 7, h = 5;
    std::vector<uint8_t> rgba;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int index = x + 7 * y;  // 35 colours
            rgba.insert(rgba.end(), {static_cast<uint8_t>(index * 7), static_cast<uint8_t>(255 - index * 5),
                                     static_cast<uint8_t>(index * 13 % 256), static_cast<uint8_t>(100 + index * 4)});
        }
    WriteBytes(folder.File("grid.rgba"), rgba);
    const std::string source = "-size 7x5 -depth 8 rgba:'" + folder.File("grid.rgba") + "' ";
    struct Case {
        const char* name;
        const char* options;
        int bits;
    } cases[] = {
        {"tool4.bmp", "-alpha off -type Palette -colors 16 ", 4},
        {"tool8.bmp", "-alpha off -type Palette ", 8},
        {"tool24.bmp", "-alpha off ", 24},
        {"tool32.bmp", "-define bmp3:alpha=true ", 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder.File(c.name);
        ASSERT_TRUE(RunTool("convert " + source + c.options + "-compress none BMP3:'" + file + "'"));
        ASSERT_TRUE(RunTool("convert '" + file + "' -depth 8 rgba:'" + file + ".rgba'"));
        const std::vector<uint8_t> header = ReadBytes(file);
        ASSERT_GE(header.size(), 30u);
        EXPECT_EQ(header[28], c.bits);
        RImage image;
        ASSERT_TRUE(image.LoadBMP(file.c_str()));
        Pixels expected = FromRGBA(ReadBytes(file + ".rgba"), w, h);
        EXPECT_TRUE(SamePixels(image, expected));
    }
}

// ---- Writers ----

TEST(ImageWriters, BMPRoundTripsAndMatchesTheLayout)
{
    TempFolder folder;
    RImage image = MakePattern(3, 2, 3);
    const std::string path = folder.File("shot.bmp");
    ASSERT_TRUE(image.SaveBMP(path.c_str()));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 78u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(U32At(bytes, 2), 78u);
    EXPECT_EQ(U32At(bytes, 10), 54u);
    EXPECT_EQ(U32At(bytes, 14), 40u);

    RImage loaded;
    ASSERT_TRUE(loaded.LoadBMP(path.c_str()));
    ASSERT_EQ(loaded.GetWidth(), 3);
    ASSERT_EQ(loaded.GetHeight(), 2);
    EXPECT_EQ(0, memcmp(loaded.GetPixels(), image.GetPixels(), 24));

    if (HaveTool("convert")) {
        // The image tool reads the written file as the same pixels.
        ASSERT_TRUE(RunTool("convert '" + path + "' -depth 8 rgba:'" + path + ".rgba'"));
        const Pixels tool = FromRGBA(ReadBytes(path + ".rgba"), 3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(tool.At(x, y), image.GetPixel(x, y) | 0xFF000000u);
    }
}

TEST(ImageWriters, PalettedImagesKeepTheirTables)
{
    TempFolder folder;
    RImage eight;
    ASSERT_TRUE(eight.Create(5, 2, 1));
    for (int i = 0; i < 256; ++i) {
        eight.GetColourTable()[i * 4 + 0] = static_cast<uint8_t>(i);
        eight.GetColourTable()[i * 4 + 1] = static_cast<uint8_t>(255 - i);
        eight.GetColourTable()[i * 4 + 2] = static_cast<uint8_t>(i * 3);
    }
    for (int x = 0; x < 5; ++x) {
        eight.SetPixel(x, 0, static_cast<uint32_t>(x * 50) << 16);
        eight.SetPixel(x, 1, static_cast<uint32_t>(x * 7 + 1) << 16);
    }
    const std::string path8 = folder.File("eight.bmp");
    ASSERT_TRUE(eight.SaveBMP(path8.c_str()));
    RImage loaded;
    ASSERT_TRUE(loaded.LoadBMP(path8.c_str()));
    EXPECT_EQ(ReadBytes(path8).size(), 54u + 1024u + 16u);
    ASSERT_EQ(loaded.GetColourTableSize(), 256);
    EXPECT_EQ(0, memcmp(loaded.GetColourTable(), eight.GetColourTable(), 1024));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(loaded.GetPixel(x, 1), eight.GetPixel(x, 1));

    // Fewer than 8 bits per pixel are packed back into the file's layout.
    RImage four;
    ASSERT_TRUE(four.Create(7, 3, 0, 4));
    for (int i = 0; i < 16; ++i)
        four.GetColourTable()[i * 4 + 2] = static_cast<uint8_t>(i * 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            four.SetPixel(x, y, static_cast<uint32_t>((x + y * 7) % 16) << 16);
    const std::string path4 = folder.File("four.bmp");
    ASSERT_TRUE(four.SaveBMP(path4.c_str()));
    EXPECT_EQ(ReadBytes(path4).size(), 54u + 64u + 4u * 3u);
    RImage loaded4;
    ASSERT_TRUE(loaded4.LoadBMP(path4.c_str()));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(loaded4.GetPixel(x, y), four.GetPixel(x, y)) << x << "," << y;
}

TEST(ImageWriters, FiveBitFormatStoresTheFirstPixelOfEachRow)
{
    TempFolder folder;
    RImage image = MakePattern(4, 3, 3);
    image.SetPixel(0, 0, 0xFFFFFFFFu);
    const std::string path = folder.File("image.555");
    srand(1234);
    ASSERT_TRUE(image.Save555(path.c_str()));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 8u + 9u);
    EXPECT_EQ(bytes[0], 4);
    EXPECT_EQ(bytes[2], 3);
    EXPECT_EQ(bytes[4], 3);
    EXPECT_EQ(bytes[8], 31);  // white with any dither stays 255 >> 3
    // Each pixel of the image drew one number from the C library's sequence.
    srand(1234);
    for (int i = 0; i < 12; ++i)
        rand();
    const int next = rand();
    srand(1234);
    ASSERT_TRUE(image.Save555(path.c_str()));
    EXPECT_EQ(rand(), next);

    RImage loaded;
    ASSERT_TRUE(loaded.Load555(path.c_str()));
    EXPECT_EQ(loaded.GetPixel(0, 0), 0xFFF8F8F8u);  // a 3-byte image keeps no alpha
    EXPECT_EQ(loaded.GetPixel(1, 0), 0xFF000000u);  // only column 0 is stored
    for (int y = 1; y < 3; ++y) {
        const uint32_t original = image.GetPixel(0, y);
        const uint32_t read = loaded.GetPixel(0, y);
        for (int shift = 0; shift <= 16; shift += 8) {
            const int o = (original >> shift) & 0xFF;
            const int r = (read >> shift) & 0xFF;
            EXPECT_GE(r + 8, o);  // within one 5-bit step of the original, dither included
            EXPECT_LE(r, o + 6);
        }
    }
}

TEST(ImageWriters, FailuresAreReportedAndKeepTheOldFile)
{
    TempFolder folder;
    RImage image = MakePattern(40, 40, 3);
    EXPECT_FALSE(image.SaveBMP(folder.File("missing/folder/shot.bmp").c_str()));
    EXPECT_FALSE(image.Save555(folder.File("missing/folder/shot.555").c_str()));

    RImage empty;
    EXPECT_FALSE(empty.SaveBMP(folder.File("empty.bmp").c_str()));

    // A folder in the file's place cannot be replaced.
    std::filesystem::create_directory(folder.File("taken.bmp"));
    EXPECT_FALSE(image.SaveBMP(folder.File("taken.bmp").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("taken.bmp")));

    // A write cut short by the file size limit leaves the previous file as it was.
    const std::string path = folder.File("kept.bmp");
    RImage small = MakePattern(2, 2, 3);
    ASSERT_TRUE(small.SaveBMP(path.c_str()));
    const std::vector<uint8_t> before = ReadBytes(path);
    bool saved40 = true;
    {
        FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.IsActive());
        saved40 = image.SaveBMP(path.c_str());
    }
    EXPECT_FALSE(saved40);
    EXPECT_EQ(ReadBytes(path), before);

    // No temporary files are left behind.
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2);  // taken.bmp and kept.bmp

    // A good write replaces the file.
    ASSERT_TRUE(image.SaveBMP(path.c_str()));
    EXPECT_EQ(ReadBytes(path).size(), 54u + 120u * 40u);
}

// ---- Hostile and truncated files ----

class ImageHostile : public ::testing::Test {
protected:
    TempFolder folder;

    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = folder.File(name);
        WriteBytes(path, bytes);
        return path;
    }
};

TEST_F(ImageHostile, EveryTruncationFailsCleanly)
{
    RImage source = MakePattern(5, 3, 4);
    const std::string bmpPath = folder.File("whole.bmp");
    ASSERT_TRUE(source.SaveBMP(bmpPath.c_str()));
    const std::vector<uint8_t> bmp = ReadBytes(bmpPath);
    for (size_t n = 0; n < bmp.size(); ++n) {
        RImage image;
        EXPECT_FALSE(image.LoadBMP(Put("cut.bmp", std::vector<uint8_t>(bmp.begin(), bmp.begin() + n)).c_str()))
            << n;
        EXPECT_EQ(image.GetWidth(), 0);
    }
    const std::string fivePath = folder.File("whole.555");
    ASSERT_TRUE(source.Save555(fivePath.c_str()));
    const std::vector<uint8_t> five = ReadBytes(fivePath);
    for (size_t n = 0; n < five.size(); ++n) {
        RImage image;
        EXPECT_FALSE(image.Load555(Put("cut.555", std::vector<uint8_t>(five.begin(), five.begin() + n)).c_str()));
    }

    // Run-length TGA: one run of 15 pixels split over packets, then truncated anywhere.
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 10;
    PutU16(tga, 12, 5);
    PutU16(tga, 14, 3);
    tga[16] = 24;
    tga.insert(tga.end(), {0x84, 1, 2, 3, 0x09});
    for (int i = 0; i < 10; ++i)
        tga.insert(tga.end(), {static_cast<uint8_t>(i), 0, 0});
    for (size_t n = 0; n < tga.size(); ++n) {
        RImage image;
        EXPECT_FALSE(image.LoadTGA(Put("cut.tga", std::vector<uint8_t>(tga.begin(), tga.begin() + n)).c_str())) << n;
    }
    RImage whole;
    EXPECT_TRUE(whole.LoadTGA(Put("whole.tga", tga).c_str()));
}

TEST_F(ImageHostile, BMPHeadersOutsideTheLimitsAreRefused)
{
    RImage source = MakePattern(4, 2, 3);
    ASSERT_TRUE(source.SaveBMP(folder.File("good.bmp").c_str()));
    const std::vector<uint8_t> good = ReadBytes(folder.File("good.bmp"));
    const auto refused = [&](const char* what, void (*edit)(std::vector<uint8_t>&)) {
        std::vector<uint8_t> bytes = good;
        edit(bytes);
        RImage image;
        EXPECT_FALSE(image.LoadBMP(Put("bad.bmp", bytes).c_str())) << what;
        EXPECT_EQ(image.GetPixels(), nullptr) << what;
    };
    refused("header size 108", [](std::vector<uint8_t>& b) { PutU32(b, 14, 108); });
    refused("planes 2", [](std::vector<uint8_t>& b) { PutU16(b, 26, 2); });
    refused("compression 1", [](std::vector<uint8_t>& b) { PutU32(b, 30, 1); });
    refused("bit count 0", [](std::vector<uint8_t>& b) { PutU16(b, 28, 0); });
    refused("bit count 12", [](std::vector<uint8_t>& b) { PutU16(b, 28, 12); });
    refused("bit count 64", [](std::vector<uint8_t>& b) { PutU16(b, 28, 64); });
    refused("width 0", [](std::vector<uint8_t>& b) { PutU32(b, 18, 0); });
    refused("negative width", [](std::vector<uint8_t>& b) { PutU32(b, 18, 0xFFFFFFF0u); });
    refused("huge width", [](std::vector<uint8_t>& b) { PutU32(b, 18, 0x7FFFFFFFu); });
    refused("huge height", [](std::vector<uint8_t>& b) { PutU32(b, 22, 0x40000000u); });
    refused("lowest height", [](std::vector<uint8_t>& b) { PutU32(b, 22, 0x80000000u); });
    refused("more rows than bytes", [](std::vector<uint8_t>& b) { PutU32(b, 22, 3); });
    refused("wide rows", [](std::vector<uint8_t>& b) { PutU32(b, 18, 4000); });
    refused("gap past the end", [](std::vector<uint8_t>& b) { PutU32(b, 10, 0xFFFFFF00u); });
    refused("8 bits without a table", [](std::vector<uint8_t>& b) { PutU16(b, 28, 8); });
    refused("too many colours", [](std::vector<uint8_t>& b) {
        PutU16(b, 28, 4);
        PutU32(b, 46, 17);
    });
}

TEST_F(ImageHostile, TGAHeadersOutsideTheLimitsAreRefused)
{
    const auto header = [](uint8_t type, uint16_t w, uint16_t h, uint8_t depth) {
        std::vector<uint8_t> b(18, 0);
        b[2] = type;
        PutU16(b, 12, w);
        PutU16(b, 14, h);
        b[16] = depth;
        return b;
    };
    RImage image;
    EXPECT_FALSE(image.LoadTGA(Put("huge.tga", header(2, 65535, 65535, 32)).c_str()));
    EXPECT_FALSE(image.LoadTGA(Put("hugerle.tga", header(10, 16000, 16000, 32)).c_str()));
    EXPECT_FALSE(image.LoadTGA(Put("zero.tga", header(2, 0, 4, 24)).c_str()));
    EXPECT_FALSE(image.LoadTGA(Put("mapped.tga", header(1, 2, 2, 8)).c_str()));
    EXPECT_FALSE(image.LoadTGA(Put("grey.tga", header(3, 2, 2, 8)).c_str()));
    EXPECT_FALSE(image.LoadTGA(Put("depth16.tga", header(2, 2, 2, 16)).c_str()));
    std::vector<uint8_t> withId = header(2, 1, 1, 24);
    withId[0] = 200;  // an image ID longer than the file
    withId.insert(withId.end(), {1, 2, 3});
    EXPECT_FALSE(image.LoadTGA(Put("id.tga", withId).c_str()));
    std::vector<uint8_t> withMap = header(2, 1, 1, 24);
    withMap[1] = 1;
    PutU16(withMap, 5, 65535);
    withMap[7] = 32;
    withMap.insert(withMap.end(), {1, 2, 3});
    EXPECT_FALSE(image.LoadTGA(Put("map.tga", withMap).c_str()));

    // Packets describing more pixels than the image holds fill it and stop.
    std::vector<uint8_t> overlong = header(10, 2, 2, 32);
    overlong.insert(overlong.end(), {0xFF, 0x11, 0x22, 0x33, 0x44});  // a run of 128
    overlong.insert(overlong.end(), {0x7F});                           // a raw packet of 128, with no pixels
    ASSERT_TRUE(image.LoadTGA(Put("overlong.tga", overlong).c_str()));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(image.GetPixel(x, y), 0x44332211u);
    std::vector<uint8_t> rawOverlong = header(10, 3, 1, 24);
    rawOverlong.push_back(0x7F);
    for (int i = 0; i < 128 * 3; ++i)
        rawOverlong.push_back(static_cast<uint8_t>(i));
    ASSERT_TRUE(image.LoadTGA(Put("rawoverlong.tga", rawOverlong).c_str()));
    EXPECT_EQ(image.GetPixel(2, 0), 0xFF080706u);
}

TEST_F(ImageHostile, PNGChunksOutsideTheLimitsAreRefused)
{
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
    ASSERT_TRUE(image.LoadPNG(Put("good.png", png(ihdr(1, 1, 8, 2), idat)).c_str()));
    EXPECT_EQ(image.GetPixel(0, 0), 0xFF0A141Eu);

    EXPECT_FALSE(image.LoadPNG(Put("huge.png", png(ihdr(100000, 100000, 8, 6), idat)).c_str()));
    EXPECT_FALSE(image.LoadPNG(Put("wide.png", png(ihdr(16000, 1, 8, 2), idat)).c_str()));
    EXPECT_FALSE(image.LoadPNG(Put("zero.png", png(ihdr(0, 1, 8, 2), idat)).c_str()));
    EXPECT_FALSE(image.LoadPNG(Put("depth16.png", png(ihdr(1, 1, 16, 2), idat)).c_str()));
    EXPECT_FALSE(image.LoadPNG(Put("palette.png", png(ihdr(1, 1, 8, 3), idat)).c_str()));
    std::vector<uint8_t> fixedBlock = idat;
    fixedBlock[2] = 0x03;  // a compressed block
    EXPECT_FALSE(image.LoadPNG(Put("deflated.png", png(ihdr(1, 1, 8, 2), fixedBlock)).c_str()));
    std::vector<uint8_t> badComplement = idat;
    badComplement[5] = 0;
    EXPECT_FALSE(image.LoadPNG(Put("complement.png", png(ihdr(1, 1, 8, 2), badComplement)).c_str()));
    EXPECT_FALSE(image.LoadPNG(Put("short.png", png(ihdr(2, 1, 8, 2), idat)).c_str()));

    std::vector<uint8_t> noHeader = signature;
    chunk(noHeader, "IDAT", idat);
    EXPECT_FALSE(image.LoadPNG(Put("noheader.png", noHeader).c_str()));
    std::vector<uint8_t> giantChunk = signature;
    be32(giantChunk, 0xFFFFFFF0u);
    giantChunk.insert(giantChunk.end(), {'I', 'H', 'D', 'R', 1, 2, 3});
    EXPECT_FALSE(image.LoadPNG(Put("giant.png", giantChunk).c_str()));
    std::vector<uint8_t> wrongMagic = png(ihdr(1, 1, 8, 2), idat);
    wrongMagic[1] = 'J';
    EXPECT_FALSE(image.LoadPNG(Put("magic.png", wrongMagic).c_str()));
}

TEST_F(ImageHostile, FiveBitAndMissingFiles)
{
    std::vector<uint8_t> header = {0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0};
    RImage image;
    EXPECT_FALSE(image.Load555(Put("huge.555", header).c_str()));
    header = {4, 0, 2, 0, 7, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(image.Load555(Put("depth.555", header).c_str()));
    EXPECT_FALSE(image.LoadBMP(folder.File("absent.bmp").c_str()));
    EXPECT_FALSE(image.LoadTGA(nullptr));
    EXPECT_FALSE(image.LoadPNG(folder.path.c_str()));
}

// ---- Rectangle operations ----

TEST(ImageRects, CopyRectClipsAndFails)
{
    RImage source = MakePattern(4, 4, 3);
    RImage dest;
    ASSERT_TRUE(dest.Create(4, 4, 3));
    EXPECT_FALSE(dest.CopyRect(source, 0, 0, 0, 0, 0, 2, true));
    EXPECT_FALSE(dest.CopyRect(source, 0, 0, 3, 0, 2, 2, true));   // source not wholly inside
    EXPECT_FALSE(dest.CopyRect(source, 4, 0, 0, 0, 2, 2, true));   // destination wholly outside
    EXPECT_FALSE(dest.CopyRect(source, -2, 0, 0, 0, 2, 2, true));
    RImage four;
    ASSERT_TRUE(four.Create(4, 4, 4));
    EXPECT_FALSE(four.CopyRect(source, 0, 0, 0, 0, 2, 2, true));  // pixel sizes differ

    // Clipped at the destination's top-left: the source start moves with it.
    ASSERT_TRUE(dest.CopyRect(source, -1, -1, 1, 1, 3, 3, true));
    EXPECT_EQ(dest.GetPixel(0, 0), source.GetPixel(2, 2));
    EXPECT_EQ(dest.GetPixel(1, 1), source.GetPixel(3, 3));
    EXPECT_EQ(dest.GetPixel(2, 2), 0xFF000000u);  // untouched (rows start zeroed)
    // Without the flag nothing fails, and nothing outside either image is touched.
    EXPECT_TRUE(dest.CopyRect(source, 2, 2, 3, 3, 100, 100, false));
    EXPECT_EQ(dest.GetPixel(2, 2), source.GetPixel(3, 3));
}

TEST(ImageRects, CopyBetweenPixelSizesStaysInsideRows)
{
    // A 3-byte source and a 4-byte destination of the same width: whole rows of the larger size would read past
    // every source row (and past the last one); colours are carried pixel by pixel instead.
    RImage narrow = MakePattern(3, 2, 3);
    RImage wide;
    ASSERT_TRUE(wide.Create(3, 2, 4));
    EXPECT_TRUE(wide.CopyRect(narrow, 0, 0, 0, 0, 3, 2, false));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(wide.GetPixel(x, y), narrow.GetPixel(x, y));
    RImage back;
    ASSERT_TRUE(back.Create(3, 2, 3));
    EXPECT_TRUE(back.CopyRect(wide, 0, 0, 0, 0, 3, 2, false));
    EXPECT_EQ(back.GetPixel(2, 1), narrow.GetPixel(2, 1));
}

TEST(ImageRects, KeyedBlendedAndAlphaCopies)
{
    RImage source;
    ASSERT_TRUE(source.Create(2, 1, 4));
    source.SetKeyColour(0xFF00FF00u);
    source.SetPixel(0, 0, 0xFF00FF00u);
    source.SetPixel(1, 0, 0x80C86432u);
    RImage dest;
    ASSERT_TRUE(dest.Create(2, 1, 4));
    dest.SetPixel(0, 0, 0xFF102030u);
    dest.SetPixel(1, 0, 0xFF102030u);

    RImage keyed(dest);
    ASSERT_TRUE(keyed.CopyRectKeyed(source, 0, 0, 0, 0, 2, 1, true));
    EXPECT_EQ(keyed.GetPixel(0, 0), 0xFF102030u);
    EXPECT_EQ(keyed.GetPixel(1, 0), 0x80C86432u);

    RImage half(dest);
    ASSERT_TRUE(half.BlendRect(source, 0, 0, 0, 0, 2, 1, true, 0.5f));
    EXPECT_EQ(half.GetPixel(0, 0), 0xFF102030u);
    EXPECT_EQ(half.GetPixel(1, 0), 0xFF6C4231u);  // (c8+10)/2, (64+20)/2, (32+30)/2, alpha kept
    RImage quarter(dest);
    ASSERT_TRUE(quarter.BlendRect(source, 0, 0, 0, 0, 2, 1, true, 0.25f));
    EXPECT_EQ(quarter.GetPixel(1, 0), 0xFF3E3130u);  // trunc(d * 0.75 + s * 0.25)
    EXPECT_FALSE(quarter.BlendRect(source, 0, 0, 0, 0, 2, 1, true, 1.5f));

    RImage alpha(dest);
    ASSERT_TRUE(alpha.AlphaBlendRect(source, 0, 0, 0, 0, 2, 1, true));
    // (d * 256 + (s - d) * 0x80) >> 8 per channel
    EXPECT_EQ(alpha.GetPixel(1, 0), 0xFF6C4231u);
    RImage threeBytes = MakePattern(2, 1, 3);
    EXPECT_FALSE(alpha.AlphaBlendRect(threeBytes, 0, 0, 0, 0, 2, 1, true));
}

TEST(ImageRects, StretchAverageTakesOrAveragesTheCoveredPixels)
{
    RImage source;
    ASSERT_TRUE(source.Create(4, 1, 4));
    const uint32_t colours[4] = {0x10000000u, 0x20000010u, 0x30000020u, 0x40000030u};
    for (int x = 0; x < 4; ++x)
        source.SetPixel(x, 0, colours[x]);
    RImage dest;
    ASSERT_TRUE(dest.Create(2, 1, 4));
    dest.StretchAverage(source, 0, 0, 0, 0, 2, 1, 4, 1, 0, false);
    EXPECT_EQ(dest.GetPixel(0, 0), colours[0]);
    EXPECT_EQ(dest.GetPixel(1, 0), colours[2]);
    dest.StretchAverage(source, 0, 0, 0, 0, 2, 1, 4, 1, 0, true);
    EXPECT_EQ(dest.GetPixel(0, 0), 0x18000008u);
    EXPECT_EQ(dest.GetPixel(1, 0), 0x38000028u);
    // Partly outside the destination: the rest is still drawn.
    dest.StretchAverage(source, -1, 0, 0, 0, 2, 1, 4, 1, 0, false);
    EXPECT_EQ(dest.GetPixel(0, 0), colours[2]);
}

TEST(ImageRects, StretchBilinearSamplesFromTheSourceStartOnce)
{
    RImage source;
    ASSERT_TRUE(source.Create(6, 1, 3));
    for (int x = 0; x < 6; ++x)
        source.SetPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x * 40));
    RImage dest;
    ASSERT_TRUE(dest.Create(4, 1, 3));
    ASSERT_TRUE(dest.StretchBilinear(source, 0, 0, 2, 0, 2, 1, 2, 1, true, false));
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFF000050u);  // source x 2, not 4
    EXPECT_EQ(dest.GetPixel(1, 0), 0xFF000078u);

    // Doubling with smoothing blends neighbours; the last column is held at the rectangle's edge.
    ASSERT_TRUE(dest.StretchBilinear(source, 0, 0, 2, 0, 4, 1, 2, 1, true, true));
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFF000050u);
    EXPECT_EQ(dest.GetPixel(1, 0), 0xFF000064u);
    EXPECT_EQ(dest.GetPixel(2, 0), 0xFF000078u);
    EXPECT_EQ(dest.GetPixel(3, 0), 0xFF000078u);

    EXPECT_FALSE(dest.StretchBilinear(source, 0, 0, 5, 0, 2, 1, 2, 1, true, true));
    EXPECT_FALSE(dest.StretchBilinear(source, 4, 0, 0, 0, 2, 1, 2, 1, true, true));
    EXPECT_FALSE(dest.StretchBilinear(source, 0, 0, 0, 0, 0, 1, 2, 1, true, true));
    RImage four;
    ASSERT_TRUE(four.Create(2, 1, 4));
    EXPECT_FALSE(four.StretchBilinear(source, 0, 0, 0, 0, 2, 1, 2, 1, true, true));
    // Destination pixels outside the image are skipped.
    EXPECT_TRUE(dest.StretchBilinear(source, -2, 0, 0, 0, 8, 1, 6, 1, false, false));
}
