// Named textures from DDS files, failed loads and damaged mod files, and the texture manager's counts, read back
// from GL; good files met without a GL context.
#include "GLTestSupport.h"
#include "ImageTestFiles.h"

#include "core/system/RCore.h"
#include "core/system/RLogger.h"
#include "render/device/RGLObjMgr.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace gltest;
using namespace imagetest;

namespace {

// A DDS header: uncompressed with bits 24 or 32 (B, G, R, A masks), or compressed with a FourCC.
std::vector<uint8_t> DDSHeader(uint32_t width, uint32_t height, uint32_t bits, const char* fourCC = nullptr,
                               uint32_t mipCount = 0)
{
    std::vector<uint8_t> b(128, 0);
    const uint32_t fields[][2] = {{0, 0x20534444u}, {4, 124}, {8, 0x1007u | (mipCount ? 0x20000u : 0)}, {12, height},
                                  {16, width}, {28, mipCount}, {76, 32}, {108, 0x1000}};
    for (const auto& f : fields)
        PutU32(b, f[0], f[1]);
    if (fourCC) {
        PutU32(b, 80, 0x4);
        std::copy(fourCC, fourCC + 4, b.begin() + 84);
        return b;
    }
    const uint32_t format[][2] = {{80, 0x40u | (bits == 32 ? 0x1u : 0)}, {88, bits}, {92, 0x00FF0000u},
                                  {96, 0x0000FF00u}, {100, 0x000000FFu}, {104, bits == 32 ? 0xFF000000u : 0}};
    for (const auto& f : format)
        PutU32(b, f[0], f[1]);
    return b;
}

// Texel i of a level: distinct bytes B, G, R, A.
uint32_t TexelColour(int level, int i)
{
    return (0xFF000000u - static_cast<uint32_t>(level) * 0x10000000u) | static_cast<uint32_t>(i * 3 + level) << 16 |
           static_cast<uint32_t>(i * 5) << 8 | static_cast<uint32_t>(200 - i);
}

void PushTexels(std::vector<uint8_t>& b, int level, int count, int bytesPerTexel)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t c = TexelColour(level, i);
        b.insert(b.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
        if (bytesPerTexel == 4)
            b.push_back(static_cast<uint8_t>(c >> 24));
    }
}

class TextureFiles : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        objectsBefore = RGLObjMgr::GetInstance()->GetObjects().getCount();
        manager = RTexMgr::GetInstance();
    }
    void TearDown() override
    {
        // Every texture goes while the context lives, and every GL object the test made goes with it.
        RTexMgr::DestroyInstance();
        if (RGLObjMgr::HasInstance()) {
            EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), objectsBefore);
        }
    }

    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) { return folder.Put(name, bytes); }
    uint32_t LiveObjects() const { return RGLObjMgr::GetInstance()->GetObjects().getCount(); }

    TempFolder folder;
    RTexMgr* manager = nullptr;
    uint32_t objectsBefore = 0;
};

}  // namespace

TEST_F(TextureFiles, FailedLoadsAreCountedButAbsent)
{
    RImage image;
    ASSERT_TRUE(image.Create(2, 2, 3));
    ASSERT_TRUE(image.SaveBMP(folder.File("upper.BMP").c_str()));
    const uint32_t objects = LiveObjects();

    for (const std::string& file : {folder.File("upper.BMP"), folder.File("missing.bmp"), folder.File("x.png"),
                                    std::string("bmp"), Put("broken.bmp", {'B', 'M', 1, 2, 3})}) {
        SCOPED_TRACE(file);
        const RHashedString name(file.c_str());
        EXPECT_EQ(manager->LoadTexture(file.c_str(), name), nullptr);
        EXPECT_EQ(manager->LoadTexture(file.c_str(), name), nullptr);
        EXPECT_TRUE(manager->HasTexture(name));
        EXPECT_EQ(manager->GetReferenceCount(name), 2);
        EXPECT_EQ(manager->GetTexture(name), nullptr);
    }
    EXPECT_EQ(LiveObjects(), objects);

}

TEST_F(TextureFiles, DDSUncompressedLevels)
{
    // 32-bit with a full chain of 4 x 2, 2 x 1, 1 x 1.
    std::vector<uint8_t> rgba = DDSHeader(4, 2, 32, nullptr, 3);
    PushTexels(rgba, 0, 8, 4);
    PushTexels(rgba, 1, 2, 4);
    PushTexels(rgba, 2, 1, 4);
    RTexture* texture = manager->LoadTexture(Put("rgba.dds", rgba).c_str(), RHashedString("Rgba"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetWidth(), 4u);
    EXPECT_EQ(texture->GetHeight(), 2u);
    EXPECT_EQ(texture->GetMipCount(), 3u);
    EXPECT_FALSE(texture->IsCube());
    const size_t levelTexels[3] = {8, 2, 1};
    for (int level = 0; level < 3; ++level) {
        const std::vector<uint32_t> read = ReadLevel(texture->GetGLTexture()->name, level);
        ASSERT_EQ(read.size(), levelTexels[level]);
        for (size_t i = 0; i < read.size(); ++i)
            EXPECT_EQ(read[i], TexelColour(level, static_cast<int>(i))) << level << ":" << i;
    }

    // 24-bit: format code 1, three bytes per texel. The mip count without its flag is not used.
    std::vector<uint8_t> rgb = DDSHeader(3, 2, 24, nullptr, 0);
    PutU32(rgb, 28, 5);
    PushTexels(rgb, 0, 6, 3);
    texture = manager->LoadTexture(Put("rgb.dds", rgb).c_str(), RHashedString("Rgb"));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetMipCount(), 1u);
    EXPECT_EQ(texture->GetGLTexture()->internalFormat, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(TextureParameter(texture->GetGLTexture()->name, GL_TEXTURE_MAX_LEVEL), 0);
    const std::vector<uint32_t> read = ReadLevel(texture->GetGLTexture()->name, 0);
    ASSERT_EQ(read.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(read[i], TexelColour(0, i) | 0xFF000000u);
}

TEST_F(TextureFiles, HostileDDSHeadersMakeNothing)
{
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    std::vector<uint8_t> good = DDSHeader(2, 2, 32);
    PushTexels(good, 0, 4, 4);
    ASSERT_NE(manager->LoadTexture(Put("good.dds", good).c_str(), RHashedString("Good")), nullptr);
    manager->UnloadTexture(RHashedString("Good"));

    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    } cases[] = {
        {"magic", 0, 0x20534443u},
        {"header size", 4, 123},
        {"width 0", 16, 0},
        {"height 0", 12, 0},
        {"width beyond the GL maximum", 16, static_cast<uint32_t>(maxSide) + 1},
        {"huge height", 12, 0x40000000u},
        {"no format flag", 80, 0},
        {"both format flags", 80, 0x44},
        {"16-bit texels", 88, 16},
        {"swapped masks", 92, 0x000000FFu},
        {"mip chain beyond the data", 8, 0x21007},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        PutU32(bytes, c.offset, c.value);
        if (std::string(c.what) == "mip chain beyond the data")
            PutU32(bytes, 28, 2);
        GLuint nextName = 0;
        glGenTextures(1, &nextName);
        glDeleteTextures(1, &nextName);
        const uint32_t objects = LiveObjects();
        const RHashedString name(c.what);
        EXPECT_EQ(manager->LoadTexture(Put("bad.dds", bytes).c_str(), name), nullptr);
        EXPECT_EQ(manager->GetReferenceCount(name), 1);
        EXPECT_EQ(LiveObjects(), objects);
        GLuint after = 0;
        glGenTextures(1, &after);
        glDeleteTextures(1, &after);
        // No GL texture name was taken in between (names are handed out in rising order or reused).
        EXPECT_LE(after, nextName + 1);
    }
    for (const char* fourCC : {"DXT2", "DXT4", "ATI2"}) {
        std::vector<uint8_t> bytes = DDSHeader(4, 4, 0, fourCC);
        bytes.resize(bytes.size() + 16, 0);
        EXPECT_EQ(manager->LoadTexture(Put("fourcc.dds", bytes).c_str(), RHashedString(fourCC)), nullptr) << fourCC;
    }
    for (size_t n = 0; n < good.size(); ++n) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        const RHashedString name(("cut" + std::to_string(n)).c_str());
        EXPECT_EQ(manager->LoadTexture(Put("cut.dds", cut).c_str(), name), nullptr) << n;
    }
}

// A damaged image of each kind in a mod folder gives way to the packed file of the same name, texel for texel,
// and is named once; damaged in the pack too, the texture is absent and named the same way.
TEST_F(TextureFiles, ADamagedModImageGivesWayToThePackedOne)
{
    std::vector<uint8_t> dds = DDSHeader(4, 2, 32, nullptr, 3);
    PushTexels(dds, 0, 8, 4);
    PushTexels(dds, 1, 2, 4);
    PushTexels(dds, 2, 1, 4);
    RImage image;
    ASSERT_TRUE(image.Create(3, 2, 3));
    for (int i = 0; i < 6; ++i)
        image.SetPixel(i % 3, i / 3, TexelColour(0, i) | 0xFF000000u);
    ASSERT_TRUE(image.SaveBMP(folder.File("made.bmp").c_str()));
    const std::vector<uint8_t> bmp = ReadBytes(folder.File("made.bmp"));
    const auto text = [](const std::vector<uint8_t>& bytes, size_t n) {
        return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    };
    ModFolderAndPack sources({{"Font_Page.dds", text(dds, dds.size())},
                              {"picture.bmp", text(bmp, bmp.size())},
                              {"twice.dds", text(dds, 100)}});

    // The packed pictures, every level.
    const auto levels = [](RTexture* texture) {
        std::vector<std::vector<uint32_t>> read;
        for (uint32_t level = 0; texture && level < texture->GetMipCount(); ++level)
            read.push_back(ReadLevel(texture->GetGLTexture()->name, static_cast<int>(level)));
        return read;
    };
    std::map<std::string, std::vector<std::vector<uint32_t>>> packed;
    for (const char* file : {"Font_Page.dds", "picture.bmp"}) {
        packed[file] = levels(manager->LoadTexture(file, RHashedString("Packed")));
        manager->UnloadTexture(RHashedString("Packed"));
        ASSERT_FALSE(packed[file].empty()) << file;
    }

    const struct {
        const char* what;
        const char* file;
        std::string bytes;
    } cases[] = {
        {"empty DDS", "Font_Page.dds", ""},
        {"DDS cut in its header", "Font_Page.dds", text(dds, 60)},
        {"DDS cut in its levels", "Font_Page.dds", text(dds, dds.size() - 1)},
        {"empty BMP", "picture.bmp", ""},
        {"BMP cut in its pixels", "picture.bmp", text(bmp, bmp.size() - 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sources.Mod(c.file, c.bytes);
        testing::internal::CaptureStderr();
        RTexture* texture = manager->LoadTexture(c.file, RHashedString(c.what));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(levels(texture) == packed[c.file]) << "not the packed picture";
        EXPECT_EQ(Occurrences(said, std::string("The texture ") + c.file +
                                        " could not be read and is drawn from the packs instead\n"), 1) << said;
        EXPECT_EQ(Occurrences(said, "The texture"), 1) << said;
        manager->UnloadTexture(RHashedString(c.what));
    }

    sources.Mod("twice.dds", "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(manager->LoadTexture("twice.dds", RHashedString("Twice")), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "The texture twice.dds could not be read, from the packs either\n");
}

// Without a GL context (before the device exists, or after it is gone) a texture from a good file of each kind is
// absent, and the file is not named: nothing on standard error, nothing in the log.
TEST(TextureWithoutContext, AGoodFileGivesAnEmptyTextureAndIsNotNamed)
{
    RRenderer::DestroyInstance();
    ASSERT_FALSE(RRenderer::GetInstance()->IsInitialised());
    TempFolder folder;
    RImage image;
    ASSERT_TRUE(image.Create(2, 2, 3));
    ASSERT_TRUE(image.SaveBMP(folder.File("good.bmp").c_str()));
    std::vector<uint8_t> dds = DDSHeader(2, 2, 32);
    PushTexels(dds, 0, 4, 4);
    folder.Put("good.dds", dds);

    // The log goes to a user folder in the temporary folder; a line of the test's own shows that it is read.
    const char* dataHome = getenv("XDG_DATA_HOME");
    const std::string savedDataHome = dataHome ? dataHome : "";
    setenv("XDG_DATA_HOME", folder.File("data").c_str(), 1);
    char logs[PATH_MAX];
    const bool logsMade = RCore::MakeUserFolder(logs, sizeof(logs), RCore::GetInstance()->GetLocalAppDataPathName(),
                                                RCore::GetInstance()->GetLogsFolderName(), true);
    RLogger::GetInstance()->LogSafe("Textures without a context");
    if (dataHome)
        setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(logsMade);

    for (const char* file : {"good.bmp", "good.dds"}) {
        SCOPED_TRACE(file);
        testing::internal::CaptureStderr();
        {
            RTexture texture(folder.File(file).c_str(), RHashedString(file));
            EXPECT_FALSE(texture.HasGLTexture());
            EXPECT_EQ(texture.GetWidth(), 0u);
            EXPECT_EQ(texture.GetHeight(), 0u);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    RLogger::DestroyInstance();
    const std::vector<uint8_t> log = ReadBytes(std::string(logs) + "DebugLog_Safe.txt");
    const std::string logText(log.begin(), log.end());
    EXPECT_NE(logText.find("Textures without a context"), std::string::npos);
    EXPECT_EQ(logText.find("The texture"), std::string::npos) << logText;
    RRenderer::DestroyInstance();
}
