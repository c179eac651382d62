#include "TempUserData.h"

#include "core/text/RBase64.h"
#include "core/system/RCore.h"
#include "core/files/RFile.h"
#include "core/text/RINIFile.h"
#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsFolder(const std::string& path, mode_t* mode = nullptr)
{
    struct stat info;
    bool folder = stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (folder && mode)
        *mode = info.st_mode & 07777;
    return folder;
}

mode_t CurrentUmask()
{
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

class UserFolderTest : public ::testing::Test {
protected:
    TempUserData userData;
    TestCore core;
};

TEST_F(UserFolderTest, BuildsTheFolderWithItsModesOrNamesIt)
{
    char path[PATH_MAX];
    ASSERT_TRUE(RCore::MakeUserFolder(path, sizeof path, "Quandrel Tarnvow", core.GetConfigFolderName(), true));
    std::string base = userData.root + "/data";
    EXPECT_EQ(base + "/Brasswick/Quandrel Tarnvow/Config/", path);
    mode_t mode = 0;
    for (const std::string& folder : {base + "/Brasswick", base + "/Brasswick/Quandrel Tarnvow"}) {
        ASSERT_TRUE(IsFolder(folder, &mode));
        EXPECT_EQ(0700u, mode);
    }
    ASSERT_TRUE(IsFolder(path, &mode));
    EXPECT_EQ(0777u & ~CurrentUmask(), mode);
    ASSERT_TRUE(RCore::MakeUserFolder(path, sizeof path, "Test Game", "Logs/", false));
    EXPECT_FALSE(IsFolder(path));
}

TEST_F(UserFolderTest, FallsBackToHomeAndFailsCleanlyWithoutOne)
{
    char path[PATH_MAX];
    setenv("XDG_DATA_HOME", "relative/data", 1); // not absolute: ignored
    ASSERT_TRUE(RCore::MakeUserFolder(path, sizeof path, "Test Game", "Saves/", true));
    EXPECT_EQ(userData.root + "/home/.local/share/Brasswick/Test Game/Saves/", path);
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    memset(path, 'x', sizeof path);
    EXPECT_EQ(nullptr, GetApplicationSupportPath("Brasswick", "Test Game"));
    EXPECT_FALSE(RCore::MakeUserFolder(path, sizeof path, "Test Game", "Config/", true));
    EXPECT_STREQ("", path);
}

TEST_F(UserFolderTest, APathThatDoesNotFitIsAFailureNotACutPath)
{
    std::string expected = userData.root + "/data/Brasswick/Test Game/Config/";
    std::vector<char> tooSmall(expected.size());
    EXPECT_FALSE(RCore::MakeUserFolder(tooSmall.data(), tooSmall.size(), "Test Game", "Config/", true));
    EXPECT_STREQ("", tooSmall.data());
}

TEST(CoreInstanceTest, GameObjectIsTheInstanceAndTheQuitFlagStopsCreation)
{
    {
        TestCore core;
        EXPECT_EQ(&core, RCore::GetInstance());
    }
    EXPECT_EQ(nullptr, TestCore::CurrentInstance());
    TestCore::SetQuitting(true);
    EXPECT_EQ(nullptr, RCore::GetInstance());
    TestCore::SetQuitting(false);

}

TEST(ResourcesPathTest, TheEnvironmentMayPointElsewhere)
{
    TempUserData scratch;
    std::string folder = scratch.root + "/Content";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    setenv("ROLT_RESOURCE_DIR", (folder + "/./").c_str(), 1);
    char path[PATH_MAX];
    ASSERT_TRUE(GetResourcesPath(path, sizeof path));
    EXPECT_EQ(folder, path);

    setenv("ROLT_RESOURCE_DIR", (scratch.root + "/Missing").c_str(), 1);
    EXPECT_FALSE(GetResourcesPath(path, sizeof path));
}

class FileHelperTest : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return scratch.root + "/" + name; }
    TempUserData scratch;
};

TEST_F(FileHelperTest, ReadWholeGivesTheBytesAndATerminator)
{
    std::string bytes("ab\0cd\xff", 6);
    WriteBytes(PathOf("data.bin"), bytes);
    FILE* file = fopen(PathOf("data.bin").c_str(), "rb");
    ASSERT_NE(nullptr, file);
    fseek(file, 3, SEEK_SET);
    uint32_t size = 0;
    ASSERT_TRUE(RFile::GetSize(file, &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(0, ftell(file));

    char* buffer = nullptr;
    ASSERT_TRUE(RFile::ReadWhole(file, &buffer, &size));
    ASSERT_EQ(6u, size);
    EXPECT_EQ(bytes, std::string(buffer, size));
    EXPECT_EQ(0, buffer[size]);
    delete[] buffer;
    fclose(file);
}

TEST_F(FileHelperTest, SizesThatCannotBeMeasuredOrReach4GiBAreFailures)
{
    // A directory opens for reading on Linux and seeks to an absurd end.
    FILE* folder = fopen(scratch.root.c_str(), "rb");
    ASSERT_NE(nullptr, folder);
    uint32_t size = 123;
    EXPECT_FALSE(RFile::GetSize(folder, &size));
    EXPECT_EQ(0u, size);
    char* buffer = reinterpret_cast<char*>(1);
    EXPECT_FALSE(RFile::ReadWhole(folder, &buffer, &size));
    EXPECT_EQ(nullptr, buffer);
    fclose(folder);

    // Sparse files: one byte short of 4 GiB is measurable, 4 GiB is not (and nothing is allocated for it).
    std::string bigPath = PathOf("big.bin");
    WriteBytes(bigPath, "");
    ASSERT_EQ(0, truncate(bigPath.c_str(), 0xFFFFFFFFll));
    FILE* big = fopen(bigPath.c_str(), "rb");
    ASSERT_TRUE(RFile::GetSize(big, &size));
    fclose(big);
    ASSERT_EQ(0, truncate(bigPath.c_str(), 0x100000000ll));
    big = fopen(bigPath.c_str(), "rb");
    EXPECT_FALSE(RFile::GetSize(big, &size));
    EXPECT_FALSE(RFile::ReadWhole(big, &buffer, &size));
    EXPECT_EQ(nullptr, buffer);
    fclose(big);

    // A pipe cannot be measured.
    int ends[2];
    ASSERT_EQ(0, pipe(ends));
    FILE* reader = fdopen(ends[0], "rb");
    ASSERT_EQ(1, write(ends[1], "x", 1));
    EXPECT_FALSE(RFile::ReadWhole(reader, &buffer, &size));
    EXPECT_EQ(nullptr, buffer);
    fclose(reader);
    close(ends[1]);
}

TEST_F(FileHelperTest, ChecksumXorsLittleEndianWordsWithAZeroFilledTail)
{
    WriteBytes(PathOf("five.bin"), std::string("\x01\x02\x03\x04\x10", 5));
    uint32_t checksum = 1;
    ASSERT_TRUE(RFile::GetChecksum(PathOf("five.bin").c_str(), &checksum));
    EXPECT_EQ(0x04030201u ^ 0x10u, checksum);

    // Many chunks' worth of words: equal pairs cancel out, leaving the last word.
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += std::string("\xAA\xBB\xCC\xDD", 4);
    bytes += std::string("\x11\x22\x33", 3);
    WriteBytes(PathOf("long.bin"), bytes);
    ASSERT_TRUE(RFile::GetChecksum(PathOf("long.bin").c_str(), &checksum));
    EXPECT_EQ(0x00332211u, checksum);

    EXPECT_FALSE(RFile::GetChecksum(scratch.root.c_str(), &checksum));
}

std::string Encode(const std::string& bytes)
{
    char* text = nullptr;
    size_t length = 99;
    EXPECT_TRUE(RBase64::Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &text,
                                &length));
    std::string result(text, length);
    EXPECT_EQ(0, text[length]);
    delete[] text;
    return result;
}

// Decodes from a heap copy of exactly the text's bytes, so that reading past them is caught.
std::string Decode(const std::string& text)
{
    std::unique_ptr<char[]> exact(new char[text.size() ? text.size() : 1]);
    memcpy(exact.get(), text.data(), text.size());
    unsigned char* data = nullptr;
    size_t length = 99;
    EXPECT_TRUE(RBase64::Decode(exact.get(), text.size(), &data, &length));
    std::string result(reinterpret_cast<char*>(data), length);
    EXPECT_EQ(0, data[length]);
    delete[] data;
    return result;
}

TEST(Base64Test, StandardVectorsAndShortOrForeignText)
{
    const std::pair<std::string, std::string> encoded[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foobar", "Zm9vYmFy"}, {"\xFB\xFF\xBF", "+/+/"}};
    for (const auto& c : encoded)
        EXPECT_EQ(c.second, Encode(c.first));
    // Padding and foreign characters decode as zeros; a short final group reads only what is there.
    const std::pair<std::string, std::string> decoded[] = {
        {"Zm8=", std::string("fo\0", 3)}, {"*!#=", std::string(3, '\0')},
        {"Zm9vY", std::string("foo\x60\0\0", 6)}, {"Zm9vYg", std::string("foob\0\0", 6)}};
    for (const auto& c : decoded)
        EXPECT_EQ(c.second, Decode(c.first)) << c.first;
}

} // namespace

namespace {

TEST(RegularFileTest, OnlyRegularFilesAreOpenedAndNothingElseBlocks)
{
    TempFolder folder;
    WriteBytes(folder / "plain.txt", "text");
    ASSERT_EQ(0, mkfifo((folder / "fifo.txt").c_str(), 0666));
    std::filesystem::create_directory(folder / "folder.txt");
    std::filesystem::create_symlink(folder / "plain.txt", folder / "link.txt");
    const struct {
        const char* name;
        bool opens;
        bool present;
    } cases[] = {{"plain.txt", true, true},   {"link.txt", true, true},     {"fifo.txt", false, true},
                 {"folder.txt", false, true}, {"missing.txt", false, false}};
    for (const auto& c : cases) {
        bool present = !c.present;
        FILE* file = RFile::OpenRegular((folder / c.name).c_str(), &present);
        EXPECT_EQ(c.opens, file != nullptr) << c.name;
        EXPECT_EQ(c.present, present) << c.name;
        EXPECT_EQ(c.opens, RFile::Exists((folder / c.name).c_str())) << c.name;
        if (file) {
            char bytes[8] = {};
            EXPECT_EQ(4u, fread(bytes, 1, sizeof bytes, file)); // reads block again as usual
            fclose(file);
        }
    }
    // Every reader goes through it: a FIFO in place of a content or user file is refused at once.
    char* buffer = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(RFile::ReadWholeFile((folder / "fifo.txt").c_str(), &buffer, &size));
    uint32_t checksum = 1;
    EXPECT_FALSE(RFile::GetChecksum((folder / "fifo.txt").c_str(), &checksum));
    RINIFile document;
    document.Load((folder / "fifo.txt").c_str(), true);
    RStreamMgr* streams = RStreamMgr::GetInstance();
    streams->AddSearchPath((folder.path + "/").c_str());
    streams->ReadFile("fifo.txt", &buffer, &size, RStreamMgr::kPacksAndFolders, true);
    EXPECT_EQ(nullptr, buffer);
    RPackFile pack;
    EXPECT_FALSE(pack.OpenRead((folder / "fifo.txt").c_str()));
    RStreamMgr::DestroyInstance();
}

TEST(RegularFileTest, WritingOpensOnlyRegularFilesAndNeverWaitsOnAFifo)
{
    TempFolder folder;
    WriteBytes(folder / "plain.txt", "old text");
    const std::string fifo = folder / "fifo.txt";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0666));
    std::filesystem::create_directory(folder / "folder.txt");

    // A FIFO is refused at once, with no reader at its other end and with one.
    FILE* opened = nullptr;
    ASSERT_TRUE(FinishesWithin(10.0, {fifo}, [&] { opened = RFile::OpenRegularToWrite(fifo.c_str(), false); }));
    EXPECT_EQ(nullptr, opened);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(FinishesWithin(10.0, {fifo}, [&] { opened = RFile::OpenRegularToWrite(fifo.c_str(), true); }));
    close(reader);
    EXPECT_EQ(nullptr, opened);
    if (opened)
        fclose(opened);
    EXPECT_EQ(nullptr, RFile::OpenRegularToWrite((folder / "folder.txt").c_str(), true));
    EXPECT_EQ(nullptr, RFile::OpenRegularToWrite((folder / "no folder/new.txt").c_str(), true));

    // A regular file is emptied, or appended to; a missing one is made.
    for (const bool append : {true, false}) {
        FILE* file = RFile::OpenRegularToWrite((folder / "plain.txt").c_str(), append);
        ASSERT_NE(nullptr, file);
        EXPECT_EQ(4u, fwrite(" new", 1, 4, file));
        EXPECT_EQ(0, fclose(file));
        EXPECT_EQ(append ? "old text new" : " new", ReadBytes(folder / "plain.txt"));
    }
    FILE* made = RFile::OpenRegularToWrite((folder / "made.txt").c_str(), true);
    ASSERT_NE(nullptr, made);
    fclose(made);
    EXPECT_TRUE(RFile::Exists((folder / "made.txt").c_str()));
}

} // namespace
