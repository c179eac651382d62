// Texture creation, upload from file data, locking and render targets of the GL device, read back from GL.
#include "GLTestSupport.h"

#include "render/RGLObjMgr.h"
#include "render/RRenderTarget.h"

using namespace gltest;

namespace {

// A texture made by the device, deleted at the end of the test.
struct TextureHolder {
    RGLObjectTexture* texture = nullptr;
    ~TextureHolder() { RRenderer::DeleteTexture(&texture); }
};

// A file that is closed at the end of the test.
struct FileHolder {
    FILE* file;
    explicit FileHolder(const std::vector<uint8_t>& bytes) : file(FileWith(bytes)) {}
    ~FileHolder()
    {
        if (file)
            fclose(file);
    }
};

// One DXT1 block of a single colour (RGB 5:6:5 in colour 0, every index 0).
void PushDxt1Block(std::vector<uint8_t>& bytes, uint16_t colour565)
{
    bytes.push_back(colour565 & 0xFF);
    bytes.push_back(colour565 >> 8);
    bytes.push_back(0);  // colour 1 = 0, so colour 0 > colour 1: the four-colour mode
    bytes.push_back(0);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(0);
}

constexpr uint16_t kRed565 = 0xF800;
constexpr uint16_t kGreen565 = 0x07E0;
constexpr uint16_t kBlue565 = 0x001F;
constexpr uint16_t kWhite565 = 0xFFFF;

}  // namespace

using TextureTest = GLTest;

TEST_F(TextureTest, UncompressedLevelsAreUploadedAtTheirOwnSizeAsBGRA)
{
    // A 4 x 2 base level of distinct texels and its 2 x 1 level, bytes B, G, R, A.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 8; ++i) {
        bytes.insert(bytes.end(), {uint8_t(i), uint8_t(0x10 + i), uint8_t(0x20 + i), uint8_t(0xF0 + i)});
    }
    bytes.insert(bytes.end(), {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
    FileHolder file(bytes);
    TextureHolder holder;
    uint32_t mips = 99;
    ASSERT_TRUE(renderer->CreateTexture(4, 2, RRenderer::FORMAT_RGBA, 2, false, &holder.texture, &mips, file.file, 4,
                                        false));
    ASSERT_NE(holder.texture, nullptr);
    EXPECT_EQ(mips, 2u);
    EXPECT_EQ(holder.texture->width, 4u);
    EXPECT_EQ(holder.texture->height, 2u);
    EXPECT_EQ(holder.texture->copyBufferSize, 32u);
    EXPECT_EQ(ftell(file.file), 40);

    int w = 0;
    int h = 0;
    std::vector<uint32_t> base = ReadLevel(holder.texture->name, 0, &w, &h);
    ASSERT_EQ(w, 4);
    ASSERT_EQ(h, 2);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(base[i], (uint32_t(0xF0 + i) << 24) | (uint32_t(0x20 + i) << 16) | (uint32_t(0x10 + i) << 8) | i);
    std::vector<uint32_t> small = ReadLevel(holder.texture->name, 1, &w, &h);
    ASSERT_EQ(w, 2);
    ASSERT_EQ(h, 1);
    EXPECT_EQ(small[0], 0x04030201u);
    EXPECT_EQ(small[1], 0x08070605u);
    // A partial chain is complete: sampling may not reach for a level that was never uploaded.
    EXPECT_EQ(TextureParameter(holder.texture->name, GL_TEXTURE_BASE_LEVEL), 0);
    EXPECT_EQ(TextureParameter(holder.texture->name, GL_TEXTURE_MAX_LEVEL), 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, ThreeByteTexelsAreReadAsThreeBytes)
{
    // 3 x 2 texels of B, G, R with rows not padded to four bytes.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 6; ++i)
        bytes.insert(bytes.end(), {uint8_t(10 * i), uint8_t(10 * i + 1), uint8_t(10 * i + 2)});
    bytes.insert(bytes.end(), {0xEE, 0xEE, 0xEE});  // what follows the texture stays unread
    FileHolder file(bytes);
    TextureHolder holder;
    uint32_t mips = 0;
    ASSERT_TRUE(renderer->CreateTexture(3, 2, RRenderer::FORMAT_RGB, 1, false, &holder.texture, &mips, file.file, 3,
                                        false));
    EXPECT_EQ(ftell(file.file), 18);
    std::vector<uint32_t> texels = ReadLevel(holder.texture->name, 0);
    ASSERT_EQ(texels.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(texels[i], 0xFF000000u | (uint32_t(10 * i + 2) << 16) | (uint32_t(10 * i + 1) << 8) | (10 * i))
            << "texel " << i;
}

TEST_F(TextureTest, Dxt1LevelsCountPartialBlocks)
{
    // 6 x 6 needs 2 x 2 blocks, the 3 x 3 level one block, the 1 x 1 level one block.
    std::vector<uint8_t> bytes;
    PushDxt1Block(bytes, kRed565);
    PushDxt1Block(bytes, kGreen565);
    PushDxt1Block(bytes, kBlue565);
    PushDxt1Block(bytes, kWhite565);
    PushDxt1Block(bytes, kGreen565);
    PushDxt1Block(bytes, kBlue565);
    FileHolder file(bytes);
    TextureHolder holder;
    uint32_t mips = 0;
    ASSERT_TRUE(renderer->CreateTexture(6, 6, RRenderer::FORMAT_DXT1, 3, false, &holder.texture, &mips, file.file, 8,
                                        true));
    EXPECT_EQ(mips, 3u);
    EXPECT_EQ(ftell(file.file), 48);

    int w = 0;
    std::vector<uint32_t> base = ReadLevel(holder.texture->name, 0, &w);
    ASSERT_EQ(w, 6);
    // Rows run from the first block row; blocks go left to right, then down.
    EXPECT_EQ(base[0 * 6 + 0], 0xFFFF0000u);
    EXPECT_EQ(base[0 * 6 + 5], 0xFF00FF00u);
    EXPECT_EQ(base[5 * 6 + 0], 0xFF0000FFu);
    EXPECT_EQ(base[5 * 6 + 5], 0xFFFFFFFFu);
    EXPECT_EQ(ReadLevel(holder.texture->name, 1)[0], 0xFF00FF00u);
    EXPECT_EQ(ReadLevel(holder.texture->name, 2)[0], 0xFF0000FFu);
    EXPECT_EQ(TextureParameter(holder.texture->name, GL_TEXTURE_MAX_LEVEL), 2);
}

TEST_F(TextureTest, SmallDxt1LevelsReadOneBlockEach)
{
    std::vector<uint8_t> bytes;
    PushDxt1Block(bytes, kBlue565);
    PushDxt1Block(bytes, kRed565);
    FileHolder file(bytes);
    TextureHolder holder;
    uint32_t mips = 0;
    ASSERT_TRUE(renderer->CreateTexture(2, 2, RRenderer::FORMAT_DXT1, 2, false, &holder.texture, &mips, file.file, 8,
                                        true));
    EXPECT_EQ(ftell(file.file), 16);
    EXPECT_EQ(ReadLevel(holder.texture->name, 0), std::vector<uint32_t>(4, 0xFF0000FFu));
    EXPECT_EQ(ReadLevel(holder.texture->name, 1), std::vector<uint32_t>(1, 0xFFFF0000u));
}

TEST_F(TextureTest, Dxt5CarriesItsAlphaBlock)
{
    // Alpha block: alpha 0 = 0x80, alpha 1 = 0x00, every index 0; then a green colour block.
    std::vector<uint8_t> bytes = {0x80, 0x00, 0, 0, 0, 0, 0, 0};
    PushDxt1Block(bytes, kGreen565);
    FileHolder file(bytes);
    TextureHolder holder;
    uint32_t mips = 0;
    ASSERT_TRUE(renderer->CreateTexture(4, 4, RRenderer::FORMAT_DXT5, 1, false, &holder.texture, &mips, file.file, 16,
                                        true));
    EXPECT_EQ(holder.texture->internalFormat, uint32_t(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT));
    EXPECT_EQ(ReadLevel(holder.texture->name, 0), std::vector<uint32_t>(16, 0x8000FF00u));
}

TEST_F(TextureTest, MipCountsAreCappedAtAFullChain)
{
    // 4 x 4 has three levels; the data of a fourth is never read.
    std::vector<uint8_t> bytes((16 + 4 + 1) * 4, 0x7F);
    bytes.insert(bytes.end(), 64, 0x11);
    FileHolder file(bytes);
    TextureHolder holder;
    uint32_t mips = 0;
    ASSERT_TRUE(renderer->CreateTexture(4, 4, RRenderer::FORMAT_RGBA, 10, false, &holder.texture, &mips, file.file, 4,
                                        false));
    EXPECT_EQ(mips, 3u);
    EXPECT_EQ(ftell(file.file), 84);
    EXPECT_EQ(TextureParameter(holder.texture->name, GL_TEXTURE_MAX_LEVEL), 2);
}

TEST_F(TextureTest, ZeroAndOneMipMakeOneLevel)
{
    TextureHolder none;
    uint32_t mips = 99;
    ASSERT_TRUE(renderer->CreateTexture(8, 8, RRenderer::FORMAT_RGBA, 0, false, &none.texture, &mips, nullptr, 0,
                                        false));
    EXPECT_EQ(mips, 0u);
    EXPECT_EQ(TextureParameter(none.texture->name, GL_TEXTURE_MAX_LEVEL), 0);
    EXPECT_EQ(LevelParameter(none.texture->name, 1, GL_TEXTURE_WIDTH), 0);

    TextureHolder one;
    ASSERT_TRUE(renderer->CreateTexture(8, 8, RRenderer::FORMAT_RGBA16F, 1, false, &one.texture, &mips, nullptr, 0,
                                        false));
    EXPECT_EQ(mips, 1u);
    EXPECT_EQ(TextureParameter(one.texture->name, GL_TEXTURE_BASE_LEVEL), 0);
    EXPECT_EQ(TextureParameter(one.texture->name, GL_TEXTURE_MAX_LEVEL), 0);
    EXPECT_EQ(one.texture->internalFormat, uint32_t(GL_RGBA16F));
}

TEST_F(TextureTest, BadRequestsCreateNothing)
{
    const uint32_t listed = RGLObjMgr::GetInstance()->GetObjects().getCount();
    std::vector<uint8_t> bytes(4 * 4 * 4, 0x55);
    struct Case {
        const char* what;
        uint32_t width, height, format, bytesPerUnit;
        bool blockCompressed;
        size_t fileBytes;
    } cases[] = {
        {"truncated level", 4, 4, RRenderer::FORMAT_RGBA, 4, false, 63},
        {"truncated second level", 4, 4, RRenderer::FORMAT_RGBA, 4, false, 64},  // asks two levels below
        {"zero width", 0, 4, RRenderer::FORMAT_RGBA, 4, false, 64},
        {"all-ones size", 0xFFFFFFFF, 0xFFFFFFFF, RRenderer::FORMAT_RGBA, 4, false, 64},
        {"beyond the GL maximum", 1u << 20, 1, RRenderer::FORMAT_RGBA, 4, false, 64},
        {"unknown format", 4, 4, 7, 4, false, 64},
        {"two-byte texels", 4, 4, RRenderer::FORMAT_RGB, 2, false, 64},
        {"wrapped-around byte count", 4, 4, RRenderer::FORMAT_RGB, 0xFFFFFFFF, false, 64},
        {"float data from a file", 2, 2, RRenderer::FORMAT_RGBA32F, 4, false, 64},
        {"compressed flag on an RGB format", 4, 4, RRenderer::FORMAT_RGBA, 4, true, 64},
        {"DXT1 with 16-byte blocks", 4, 4, RRenderer::FORMAT_DXT1, 16, true, 64},
        {"DXT5 data too short", 8, 8, RRenderer::FORMAT_DXT5, 16, true, 63},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FileHolder file(std::vector<uint8_t>(bytes.begin(), bytes.begin() + c.fileBytes));
        RGLObjectTexture* texture = reinterpret_cast<RGLObjectTexture*>(0x1);
        uint32_t mipCount = std::string(c.what) == "truncated second level" ? 2 : 1;
        EXPECT_FALSE(renderer->CreateTexture(c.width, c.height, c.format, mipCount, false, &texture, nullptr,
                                             file.file, c.bytesPerUnit, c.blockCompressed));
        EXPECT_EQ(texture, nullptr);
    }
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed);
}

TEST_F(TextureTest, LockAndUnlockRoundTripPackedColours)
{
    TextureHolder holder;
    ASSERT_TRUE(renderer->CreateTexture(4, 4, RRenderer::FORMAT_RGBA, 1, false, &holder.texture, nullptr, nullptr, 0,
                                        false));
    uint32_t* texels = reinterpret_cast<uint32_t*>(renderer->LockTexture(holder.texture, 0));
    ASSERT_NE(texels, nullptr);
    for (uint32_t i = 0; i < 16; ++i)
        texels[i] = 0x80000000u | (i << 16) | ((0xF0 - i) << 8) | (i * 3);
    renderer->UnlockTexture(holder.texture, 0);
    EXPECT_EQ(holder.texture->copyBuffer, nullptr);

    std::vector<uint32_t> uploaded = ReadLevel(holder.texture->name, 0);
    texels = reinterpret_cast<uint32_t*>(renderer->LockTexture(holder.texture, 0));
    ASSERT_NE(texels, nullptr);
    for (uint32_t i = 0; i < 16; ++i) {
        uint32_t expected = 0x80000000u | (i << 16) | ((0xF0 - i) << 8) | (i * 3);
        EXPECT_EQ(uploaded[i], expected) << "texel " << i;
        EXPECT_EQ(texels[i], expected) << "texel " << i;
    }
    renderer->UnlockTexture(holder.texture, 0);
    EXPECT_EQ(ReadLevel(holder.texture->name, 0), uploaded);
}

TEST_F(TextureTest, LockedLevelsKeepTheirSize)
{
    TextureHolder holder;
    ASSERT_TRUE(renderer->CreateTexture(8, 4, RRenderer::FORMAT_RGBA, 2, false, &holder.texture, nullptr, nullptr, 0,
                                        false));
    uint32_t* level0 = reinterpret_cast<uint32_t*>(renderer->LockTexture(holder.texture, 0));
    ASSERT_NE(level0, nullptr);
    for (int i = 0; i < 32; ++i)
        level0[i] = 0xFF112233u;
    renderer->UnlockTexture(holder.texture, 0);

    uint32_t* level1 = reinterpret_cast<uint32_t*>(renderer->LockTexture(holder.texture, 1));
    ASSERT_NE(level1, nullptr);
    for (int i = 0; i < 8; ++i)
        level1[i] = 0xFF445566u;
    renderer->UnlockTexture(holder.texture, 1);

    EXPECT_EQ(LevelParameter(holder.texture->name, 1, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(LevelParameter(holder.texture->name, 1, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(ReadLevel(holder.texture->name, 1), std::vector<uint32_t>(8, 0xFF445566u));
    EXPECT_EQ(ReadLevel(holder.texture->name, 0), std::vector<uint32_t>(32, 0xFF112233u));
    // Levels the texture does not have cannot be locked; unlocking what is not locked does nothing.
    EXPECT_EQ(renderer->LockTexture(holder.texture, 5), nullptr);
    EXPECT_EQ(renderer->LockTexture(holder.texture, 40), nullptr);
    renderer->UnlockTexture(holder.texture, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, DeleteTextureDropsTheWrapper)
{
    RGLObjectTexture* texture = nullptr;
    ASSERT_TRUE(renderer->CreateTexture(2, 2, RRenderer::FORMAT_RGB, 1, false, &texture, nullptr, nullptr, 0, false));
    const RUtilVector<RGLObject*>& objects = RGLObjMgr::GetInstance()->GetObjects();
    const uint32_t listed = objects.getCount();
    GLuint name = texture->name;
    ASSERT_NE(renderer->LockTexture(texture, 0), nullptr);  // a locked texture frees its copy too
    RRenderer::DeleteTexture(&texture);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(objects.getCount(), listed - 1);
    EXPECT_FALSE(glIsTexture(name));
}
