#include "core/RFile.h"
#include "core/RSafeFileWriter.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class SafeFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/rolt-writer-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_folder = pattern;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string Path(const char* name) const { return m_folder + "/" + name; }
    size_t FileCount() const
    {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            (void)entry;
            ++count;
        }
        return count;
    }

    std::string m_folder;
};

TEST_F(SafeFileWriterTest, BytesNumbersAndTextLandInOrderOnlyAtCommit)
{
    std::string path = Path("out.bin");
    WriteBytes(path, "old");
    RSafeFileWriter writer;
    ASSERT_TRUE(writer.Open(path.c_str()));
    EXPECT_TRUE(writer.Write("ab", 2));
    EXPECT_TRUE(writer.Write(nullptr, 0));
    EXPECT_TRUE(writer.WriteU32(0x04030201u));
    writer.Print("%d-%s", 7, "x");
    EXPECT_EQ("old", ReadBytes(path));
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(std::string("ab\x01\x02\x03\x04", 6) + "7-x", ReadBytes(path));
    EXPECT_EQ(1u, FileCount());
    // The writer is closed after Commit.
    EXPECT_FALSE(writer.Write("z", 1));
    EXPECT_FALSE(writer.Commit());
}

TEST_F(SafeFileWriterTest, TheFileBeingBuiltCanBeReadByItsName)
{
    RSafeFileWriter writer;
    ASSERT_TRUE(writer.Open(Path("built.bin").c_str()));
    ASSERT_TRUE(writer.Write("seen", 4));
    ASSERT_EQ(0, fflush(writer.GetFile()));
    ASSERT_NE(nullptr, writer.GetTempPath());
    EXPECT_EQ("seen", ReadBytes(writer.GetTempPath()));
    EXPECT_FALSE(fs::exists(Path("built.bin")));
    writer.Discard();
    EXPECT_EQ(nullptr, writer.GetTempPath());
    EXPECT_EQ(0u, FileCount());
}

TEST_F(SafeFileWriterTest, CommitAsPutsTheFileElsewhereAndLeavesTheTargetAlone)
{
    WriteBytes(Path("target"), "target");
    RSafeFileWriter writer;
    ASSERT_TRUE(writer.Open(Path("target").c_str()));
    writer.Write("moved", 5);
    ASSERT_TRUE(writer.CommitAs(Path("other").c_str()));
    EXPECT_EQ("target", ReadBytes(Path("target")));
    EXPECT_EQ("moved", ReadBytes(Path("other")));
    EXPECT_EQ(2u, FileCount());
}

TEST_F(SafeFileWriterTest, FailuresLeaveTheOldFileWholeAndNoTemporaryFile)
{
    std::string path = Path("kept.bin");
    WriteBytes(path, "kept");

    // Dropped by its owner before Commit.
    {
        RSafeFileWriter writer;
        ASSERT_TRUE(writer.Open(path.c_str()));
        writer.Write("lost", 4);
    }
    EXPECT_EQ("kept", ReadBytes(path));
    EXPECT_EQ(1u, FileCount());

    // A write that fails is remembered: later writes are skipped and Commit fails.
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
    EXPECT_EQ("kept", ReadBytes(path));
    EXPECT_EQ(1u, FileCount());

    // No folder, no file; a commit to a missing folder fails and cleans up.
    EXPECT_FALSE(writer.Open(Path("missing/x").c_str()));
    EXPECT_FALSE(writer.Commit());
    ASSERT_TRUE(writer.Open(path.c_str()));
    EXPECT_FALSE(writer.CommitAs(Path("missing/x").c_str()));
    EXPECT_EQ("kept", ReadBytes(path));
    EXPECT_EQ(1u, FileCount());
}

TEST(FilePaths, JoinPathFillsTheBufferOrEmptiesIt)
{
    char path[8];
    EXPECT_TRUE(RFile::JoinPath(path, sizeof path, "dir/", "abc"));
    EXPECT_STREQ("dir/abc", path);
    EXPECT_FALSE(RFile::JoinPath(path, sizeof path, "dir/", "abcd"));
    EXPECT_STREQ("", path);
    EXPECT_FALSE(RFile::JoinPath(path, sizeof path, nullptr, "a"));
    EXPECT_STREQ("", path);
    EXPECT_FALSE(RFile::JoinPath(path, 0, "a", "b"));
}

TEST_F(SafeFileWriterTest, ReadWholeFileTakesOnlyReadableRegularFiles)
{
    WriteBytes(Path("data"), std::string("a\0b", 3));
    char* buffer = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(RFile::ReadWholeFile(Path("data").c_str(), &buffer, &size));
    EXPECT_EQ(std::string("a\0b", 3), std::string(buffer, size));
    EXPECT_EQ(0, buffer[size]);
    delete[] buffer;

    for (const std::string& bad : {Path("absent"), m_folder, std::string()}) {
        buffer = reinterpret_cast<char*>(&size);
        EXPECT_FALSE(RFile::ReadWholeFile(bad.c_str(), &buffer, &size));
        EXPECT_EQ(nullptr, buffer);
        EXPECT_EQ(0u, size);
    }
}

} // namespace
