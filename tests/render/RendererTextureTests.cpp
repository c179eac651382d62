// Texture creation, upload from file data and locking on the GL device, read back from GL.
#include "GLTestSupport.h"

#include "render/device/RGLObjMgr.h"

using namespace gltest;

namespace {

// A texture made by the device from bytes in a file, deleted at the end of the test.
struct Upload {
    RGLObjectTexture* texture = nullptr;
    uint32_t mips = 99;
    long consumed = -1;  // bytes of the file read
    bool ok = false;

    Upload(uint32_t w, uint32_t h, uint32_t format, uint32_t mipCount, const std::vector<uint8_t>& bytes,
           uint32_t bytesPerUnit, bool compressed)
    {
        FILE* file = bytes.empty() ? nullptr : FileWith(bytes);
        ok = RRenderer::GetInstance()->CreateTexture(w, h, format, mipCount, false, &texture, &mips, file,
                                                     bytesPerUnit, compressed);
        if (file) {
            consumed = ftell(file);
            fclose(file);
        }
    }
    ~Upload() { RRenderer::DeleteTexture(&texture); }
};

// DXT1 blocks of one colour each (RGB 5:6:5 in colour 0, colour 1 zero: the four-colour mode, every index 0).
std::vector<uint8_t> Dxt1Blocks(std::initializer_list<uint16_t> colours)
{
    std::vector<uint8_t> bytes;
    for (uint16_t c : colours)
        bytes.insert(bytes.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8), 0, 0, 0, 0, 0, 0});
    return bytes;
}

constexpr uint16_t kRed565 = 0xF800, kGreen565 = 0x07E0, kBlue565 = 0x001F, kWhite565 = 0xFFFF;

}  // namespace

using TextureTest = GLTest;

TEST_F(TextureTest, UncompressedLevelsAreBGRAAtTheirOwnSizeAndPartialChainsComplete)
{
    // A 4 x 2 base level of distinct texels and its 2 x 1 level, bytes B, G, R, A.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 8; ++i)
        bytes.insert(bytes.end(), {uint8_t(i), uint8_t(0x10 + i), uint8_t(0x20 + i), uint8_t(0xF0 + i)});
    bytes.insert(bytes.end(), {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
    Upload two(4, 2, RRenderer::FORMAT_RGBA, 2, bytes, 4, false);
    ASSERT_TRUE(two.ok);
    EXPECT_EQ(two.mips, 2u);
    EXPECT_EQ(two.consumed, 40);
    int w = 0, h = 0;
    std::vector<uint32_t> base = ReadLevel(two.texture->name, 0, &w, &h);
    ASSERT_EQ(std::make_pair(w, h), std::make_pair(4, 2));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(base[i], (uint32_t(0xF0 + i) << 24) | (uint32_t(0x20 + i) << 16) | (uint32_t(0x10 + i) << 8) | i);
    EXPECT_EQ(ReadLevel(two.texture->name, 1, &w, &h), (std::vector<uint32_t>{0x04030201u, 0x08070605u}));
    ASSERT_EQ(std::make_pair(w, h), std::make_pair(2, 1));
    // A partial chain is complete: sampling may not reach for a level that was never uploaded.
    EXPECT_EQ(TextureParameter(two.texture->name, GL_TEXTURE_BASE_LEVEL), 0);
    EXPECT_EQ(TextureParameter(two.texture->name, GL_TEXTURE_MAX_LEVEL), 1);

    // Three-byte texels with rows not padded to four bytes; what follows the texture stays unread.
    bytes.clear();
    for (int i = 0; i < 6; ++i)
        bytes.insert(bytes.end(), {uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2)});
    bytes.insert(bytes.end(), {0xEE, 0xEE, 0xEE});
    Upload rgb(3, 2, RRenderer::FORMAT_RGB, 1, bytes, 3, false);
    ASSERT_TRUE(rgb.ok);
    EXPECT_EQ(rgb.consumed, 18);
    std::vector<uint32_t> texels = ReadLevel(rgb.texture->name, 0);
    ASSERT_EQ(texels.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(texels[i], 0xFF000000u | (uint32_t(10 * i + 2) << 16) | (uint32_t(10 * i + 1) << 8) | (10 * i));

    // Mip counts are capped at a full chain: 4 x 4 has three levels, and the data of a fourth is never read.
    bytes.assign((16 + 4 + 1) * 4, 0x7F);
    bytes.insert(bytes.end(), 64, 0x11);
    Upload capped(4, 4, RRenderer::FORMAT_RGBA, 10, bytes, 4, false);
    EXPECT_EQ(capped.mips, 3u);
    EXPECT_EQ(capped.consumed, 84);
    EXPECT_EQ(TextureParameter(capped.texture->name, GL_TEXTURE_MAX_LEVEL), 2);

    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, CompressedLevelsCountPartialBlocks)
{
    // 6 x 6 needs 2 x 2 blocks, the 3 x 3 level one block, the 1 x 1 level one block.
    Upload six(6, 6, RRenderer::FORMAT_DXT1, 3,
               Dxt1Blocks({kRed565, kGreen565, kBlue565, kWhite565, kGreen565, kBlue565}), 8, true);
    ASSERT_TRUE(six.ok);
    EXPECT_EQ(six.mips, 3u);
    EXPECT_EQ(six.consumed, 48);
    int w = 0;
    std::vector<uint32_t> base = ReadLevel(six.texture->name, 0, &w);
    ASSERT_EQ(w, 6);
    // Rows run from the first block row; blocks go left to right, then down.
    EXPECT_EQ(base[0], 0xFFFF0000u);
    EXPECT_EQ(base[5], 0xFF00FF00u);
    EXPECT_EQ(base[30], 0xFF0000FFu);
    EXPECT_EQ(base[35], 0xFFFFFFFFu);
    EXPECT_EQ(ReadLevel(six.texture->name, 1)[0], 0xFF00FF00u);
    EXPECT_EQ(ReadLevel(six.texture->name, 2)[0], 0xFF0000FFu);
    EXPECT_EQ(TextureParameter(six.texture->name, GL_TEXTURE_MAX_LEVEL), 2);


    // DXT5: an alpha block (alpha 0 = 0x80, alpha 1 = 0, every index 0), then a green colour block.
    std::vector<uint8_t> dxt5 = {0x80, 0x00, 0, 0, 0, 0, 0, 0};
    const std::vector<uint8_t> green = Dxt1Blocks({kGreen565});
    dxt5.insert(dxt5.end(), green.begin(), green.end());
    Upload alpha(4, 4, RRenderer::FORMAT_DXT5, 1, dxt5, 16, true);
    EXPECT_EQ(alpha.texture->internalFormat, uint32_t(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT));
    EXPECT_EQ(ReadLevel(alpha.texture->name, 0), std::vector<uint32_t>(16, 0x8000FF00u));
}

TEST_F(TextureTest, BadRequestsCreateNothing)
{
    const uint32_t listed = RGLObjMgr::GetInstance()->GetObjects().getCount();
    const std::vector<uint8_t> bytes(4 * 4 * 4, 0x55);
    const struct {
        const char* what;
        uint32_t width, height, format, mips, bytesPerUnit;
        bool blockCompressed;
        size_t fileBytes;
    } cases[] = {
        {"truncated level", 4, 4, RRenderer::FORMAT_RGBA, 1, 4, false, 63},
        {"truncated second level", 4, 4, RRenderer::FORMAT_RGBA, 2, 4, false, 64},
        {"zero width", 0, 4, RRenderer::FORMAT_RGBA, 1, 4, false, 64},
        {"all-ones size", 0xFFFFFFFF, 0xFFFFFFFF, RRenderer::FORMAT_RGBA, 1, 4, false, 64},
        {"beyond the GL maximum", 1u << 20, 1, RRenderer::FORMAT_RGBA, 1, 4, false, 64},
        {"unknown format", 4, 4, 7, 1, 4, false, 64},
        {"two-byte texels", 4, 4, RRenderer::FORMAT_RGB, 1, 2, false, 64},
        {"wrapped-around byte count", 4, 4, RRenderer::FORMAT_RGB, 1, 0xFFFFFFFF, false, 64},
        {"float data from a file", 2, 2, RRenderer::FORMAT_RGBA32F, 1, 4, false, 64},
        {"compressed flag on an RGB format", 4, 4, RRenderer::FORMAT_RGBA, 1, 4, true, 64},
        {"DXT1 with 16-byte blocks", 4, 4, RRenderer::FORMAT_DXT1, 1, 16, true, 64},
        {"DXT5 data too short", 8, 8, RRenderer::FORMAT_DXT5, 1, 16, true, 63},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FILE* file = FileWith(std::vector<uint8_t>(bytes.begin(), bytes.begin() + c.fileBytes));
        RGLObjectTexture* texture = reinterpret_cast<RGLObjectTexture*>(0x1);
        EXPECT_FALSE(renderer->CreateTexture(c.width, c.height, c.format, c.mips, false, &texture, nullptr, file,
                                             c.bytesPerUnit, c.blockCompressed));
        EXPECT_EQ(texture, nullptr);
        fclose(file);
    }
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed);
}
