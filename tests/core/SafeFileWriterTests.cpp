#include "core/files/RFile.h"
#include "core/files/RSafeFileWriter.h"
#include "TempUserData.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(SafeFileWriter, WritesLandOnlyAtCommit)
{
    TempFolder folder;
    std::string path = folder / "out.bin";
    WriteBytes(path, "old");
    RSafeFileWriter writer;
    ASSERT_TRUE(writer.Open(path.c_str()));
    EXPECT_TRUE(writer.Write("ab", 2));
    EXPECT_TRUE(writer.WriteU32(0x04030201u));
    writer.Print("%d-%s", 7, "x");
    ASSERT_EQ(0, fflush(writer.GetFile())); // the file being built can be read by its name
    EXPECT_EQ(std::string("ab\x01\x02\x03\x04", 6) + "7-x", ReadBytes(writer.GetTempPath()));
    EXPECT_EQ("old", ReadBytes(path));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(std::string("ab\x01\x02\x03\x04", 6) + "7-x", ReadBytes(path));
    EXPECT_EQ(1, folder.FileCount());

    ASSERT_TRUE(writer.Open(path.c_str()));
    writer.Write("moved", 5);
    ASSERT_TRUE(writer.CommitAs((folder / "other").c_str()));
    EXPECT_EQ("moved", ReadBytes(folder / "other"));
    EXPECT_EQ(2, folder.FileCount());
}

TEST(SafeFileWriter, FailuresLeaveTheOldFileWholeAndNoTemporaryFile)
{
    TempFolder folder;
    std::string path = folder / "kept.bin";
    WriteBytes(path, "kept");
    {
        RSafeFileWriter dropped; // by its owner before Commit
        ASSERT_TRUE(dropped.Open(path.c_str()));
        dropped.Write("lost", 4);
    }
    EXPECT_EQ(1, folder.FileCount());

    // A failed write is remembered: later writes are skipped and Commit fails.
    RSafeFileWriter writer;
    ASSERT_TRUE(writer.Open(path.c_str()));
    std::string big(1 << 20, 'b');
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.IsActive());
        EXPECT_FALSE(writer.Write(big.data(), big.size()) && fflush(writer.GetFile()) == 0 &&
                     writer.Write(big.data(), big.size()));
        EXPECT_FALSE(writer.Commit());
    }
    EXPECT_EQ(1, folder.FileCount());

    ASSERT_TRUE(writer.Open(path.c_str()));
    EXPECT_FALSE(writer.CommitAs((folder / "missing/x").c_str()));
    EXPECT_EQ("kept", ReadBytes(path));
    EXPECT_EQ(1, folder.FileCount());
}

TEST(FilePaths, JoinPathAndReadWholeFileFailCleanly)
{
    char path[8];
    EXPECT_TRUE(RFile::JoinPath(path, sizeof path, "dir/", "abc"));
    EXPECT_STREQ("dir/abc", path);
    EXPECT_FALSE(RFile::JoinPath(path, sizeof path, "dir/", "abcd"));
    EXPECT_STREQ("", path);

    TempFolder folder;
    char* buffer = nullptr;
    uint32_t size = 0;
    for (const std::string& bad : {folder / "absent", folder.path}) {
        buffer = reinterpret_cast<char*>(&size);
        EXPECT_FALSE(RFile::ReadWholeFile(bad.c_str(), &buffer, &size));
        EXPECT_EQ(nullptr, buffer);
        EXPECT_EQ(0u, size);
    }
}

} // namespace

namespace {

TEST(SafeFileWriter, ASymbolicLinkStaysALinkAndItsTargetIsWrittenBesideItself)
{
    TempFolder folder;
    std::filesystem::create_directories(folder / "kept/deeper");
    WriteBytes(folder / "kept/deeper/Config.ini", "old");
    // A relative link to a relative link, and an absolute one to a file not made yet.
    std::filesystem::create_symlink("deeper/Config.ini", folder / "kept/hop");
    std::filesystem::create_symlink("kept/hop", folder / "Config.ini");
    std::filesystem::create_symlink(folder / "kept/later.bnd", folder / "Later.bnd");
    for (const auto& [link, target] : {std::pair<std::string, std::string>{"Config.ini", "kept/deeper/Config.ini"},
                                       {"Later.bnd", "kept/later.bnd"}}) {
        RSafeFileWriter writer;
        ASSERT_TRUE(writer.Open((folder / link).c_str()));
        EXPECT_EQ(std::filesystem::path(folder / target).parent_path(),
                  std::filesystem::path(writer.GetTempPath()).parent_path());
        writer.Print("new %s", link.c_str());
        ASSERT_TRUE(writer.Commit());
        EXPECT_TRUE(std::filesystem::is_symlink(folder / link));
        EXPECT_EQ("new " + link, ReadBytes(folder / target));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "kept/hop"));
    // A loop of links is refused and leaves everything as it was.
    std::filesystem::create_symlink("b", folder / "a");
    std::filesystem::create_symlink("a", folder / "b");
    RSafeFileWriter loop;
    EXPECT_FALSE(loop.Open((folder / "a").c_str()));
    EXPECT_EQ(5, folder.FileCount());
}

TEST(SafeFileWriter, TemporariesThatNoLivingProcessOwnsAreRemoved)
{
    TempFolder folder;
    const std::string ended = std::to_string(EndedProcessId());
    const std::string parent = std::to_string(getppid());
    const std::string self = std::to_string(getpid());
    RSafeFileWriter open;
    ASSERT_TRUE(open.Open((folder / "Open.ini").c_str()));
    for (const std::string& name : {"Config.ini." + ended + ".3.tmp", "Console.txt." + self + ".9.tmp",
                                    "Config.ini." + parent + ".4.tmp", "Config.ini." + ended + ".tmp",
                                    "Config.ini." + ended + ".3.tmp.keep", "." + ended + ".1.tmp"})
        WriteBytes(folder / name, "x");
    std::filesystem::create_directory(folder / ("Folder." + ended + ".2.tmp"));
    EXPECT_EQ(2, RSafeFileWriter::RemoveStaleTemporaries(folder.path.c_str()));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    // Gone: the ended process's and this process's own that no writer has open. Kept: the open writer's, a
    // living process's, folders, and names that are not the writer's.
    std::vector<std::string> expected = {"." + ended + ".1.tmp",
                                         "Config.ini." + ended + ".3.tmp.keep",
                                         "Config.ini." + ended + ".tmp",
                                         "Config.ini." + parent + ".4.tmp",
                                         "Folder." + ended + ".2.tmp",
                                         std::filesystem::path(open.GetTempPath()).filename().string()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
}

} // namespace
