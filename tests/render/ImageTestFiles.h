// Helpers shared by the image, texture and effect tests: a temporary folder reachable through the stream manager,
// a mod folder in front of a pack, running the external tools that make reference files, reading their expected
// pixels, and little-endian fields for building files by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "render/images/RImage.h"

namespace imagetest {

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A temporary folder, removed with its contents. File names under it are absolute, so the stream manager finds
// them through its empty (working-directory) prefix, which the constructor adds as a source every time: another
// test may have destroyed the manager since (a repeated source is harmless).
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/rolt_images_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
        RStreamMgr::GetInstance()->AddSearchPath("");
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    // Writes bytes to the named file and gives its path.
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        WriteBytes(File(name), bytes);
        return File(name);
    }

    std::string path;
};

// A mod folder in front of a pack, as the program puts the user's "Mods/" before its packs: the stream manager is
// made anew with the working directory (for absolute names), the folder and a pack holding the given entries, and
// destroyed with this object (later tests add the sources they need again).
class ModFolderAndPack {
public:
    explicit ModFolderAndPack(const std::vector<std::pair<std::string, std::string>>& packed)
    {
        RStreamMgr::DestroyInstance();
        RPackFile pack;
        EXPECT_TRUE(pack.Create(packFolder.File("Content.rpk").c_str()));
        for (const auto& [name, bytes] : packed)
            EXPECT_TRUE(pack.AddBuffer(name.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size())));
        EXPECT_TRUE(pack.Close());
        RStreamMgr* streams = RStreamMgr::GetInstance();
        streams->AddSearchPath("");
        streams->AddSearchPath(mods.path.c_str());
        EXPECT_TRUE(streams->MountPack(packFolder.File("Content.rpk").c_str()));
    }
    ~ModFolderAndPack() { RStreamMgr::DestroyInstance(); }
    ModFolderAndPack(const ModFolderAndPack&) = delete;
    ModFolderAndPack& operator=(const ModFolderAndPack&) = delete;

    // Empties the mod folder, then puts the file in it.
    void Mod(const std::string& name, const std::string& bytes) const
    {
        Clear();
        WriteBytes(mods.File(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    void Clear() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(mods.path))
            std::filesystem::remove_all(entry.path());
    }

    TempFolder mods;
    TempFolder packFolder;
};

// How many times needle stands in text.
inline int Occurrences(const std::string& text, const std::string& needle)
{
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

inline bool HaveTool(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool RunTool(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs the generator script of tests/render/data into folder; false when python3 is missing or the script fails.
inline bool GenerateReferenceImages(const std::string& folder)
{
    const std::string script = std::string(ROLT_TEST_SOURCE_DIR) + "/tests/render/data/make_images.py";
    return HaveTool("python3") && RunTool("python3 '" + script + "' '" + folder + "'");
}

// Stores v little-endian in n bytes at byte at of b (which the caller has sized).
inline void PutLE(std::vector<uint8_t>& b, size_t at, uint32_t v, int n = 4)
{
    for (int i = 0; i < n; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) { PutLE(b, at, v, 4); }
inline void PutU16(std::vector<uint8_t>& b, size_t at, uint32_t v) { PutLE(b, at, v, 2); }

// Pixels as 0xAARRGGBB, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> colours;
    uint32_t At(int x, int y) const { return colours[static_cast<size_t>(y) * width + x]; }
};

// The ".expect" files of the generator script: u32 width, u32 height, then the colours, little-endian.
inline Pixels ReadExpect(const std::string& path)
{
    const std::vector<uint8_t> b = ReadBytes(path);
    Pixels p;
    const auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
    };
    if (b.size() < 8)
        return p;
    p.width = static_cast<int>(u32(0));
    p.height = static_cast<int>(u32(4));
    for (size_t at = 8; at + 4 <= b.size(); at += 4)
        p.colours.push_back(u32(at));
    return p;
}

inline ::testing::AssertionResult SamePixels(const RImage& image, const Pixels& expected)
{
    if (image.GetWidth() != expected.width || image.GetHeight() != expected.height)
        return ::testing::AssertionFailure() << "size " << image.GetWidth() << "x" << image.GetHeight()
                                             << ", expected " << expected.width << "x" << expected.height;
    if (expected.colours.size() != static_cast<size_t>(expected.width) * expected.height)
        return ::testing::AssertionFailure() << "expected pixels incomplete";
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (image.GetPixel(x, y) != expected.At(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                                     << image.GetPixel(x, y) << ", expected " << expected.At(x, y);
    return ::testing::AssertionSuccess();
}

}  // namespace imagetest
