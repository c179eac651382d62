#include "core/files/RPackFile.h"

#include "TempUserData.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// One directory record as the file stores it; the name is copied as given, without a terminator of its own.
std::string Record(const std::string& name, uint32_t offset, uint32_t size)
{
    std::string record(name.substr(0, 248));
    record.resize(248, '\0');
    PutU32(record, offset);
    PutU32(record, size);
    return record;
}

std::string Header(const char* tag, uint32_t directoryOffset, uint32_t directorySize)
{
    std::string header(tag, 4);
    PutU32(header, directoryOffset);
    PutU32(header, directorySize);
    return header;
}

// The whole entry as a string, or "<missing>".
std::string Entry(RPackFile& pack, const char* name)
{
    char* buffer = nullptr;
    uint32_t size = 0;
    if (!pack.ReadEntry(name, &buffer, &size))
        return "<missing>";
    std::string text(buffer, size);
    EXPECT_EQ(0, buffer[size]);
    delete[] buffer;
    return text;
}

std::vector<std::string> Names(const RPackFile& pack, const char* pattern)
{
    RUtilVector<RString> list;
    pack.ListEntries(list, pattern);
    std::vector<std::string> names;
    for (const RString& name : list)
        names.push_back(name.GetString());
    return names;
}

class PackFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return m_temp / name; }

    // A pack made through RPackFile with the given entries in order.
    std::string MakePack(const char* name, const std::vector<std::pair<std::string, std::string>>& entries)
    {
        std::string path = Path(name);
        RPackFile pack;
        EXPECT_TRUE(pack.Create(path.c_str()));
        for (const auto& entry : entries)
            EXPECT_TRUE(pack.AddBuffer(entry.first.c_str(), entry.second.data(), (uint32_t)entry.second.size()));
        EXPECT_TRUE(pack.Close());
        return path;
    }

    TempFolder m_temp;
    std::string m_folder = m_temp.path;
};

TEST_F(PackFileTest, CreatedPackHasTheDocumentedLayoutAndReadsBack)
{
    WriteBytes(Path("loose.bin"), std::string("\x00\x01\xff", 3));
    RPackFile pack;
    ASSERT_TRUE(pack.Create(Path("a.rpk").c_str()));
    ASSERT_TRUE(pack.AddBuffer("first.txt", "hello", 5));
    ASSERT_TRUE(pack.AddFile(Path("loose.bin").c_str(), "sub/loose.bin"));
    ASSERT_TRUE(pack.AddBuffer("empty", nullptr, 0));
    ASSERT_TRUE(pack.Close());

    std::string expected = Header("rpk.", 20, 3 * 256) + "hello" + std::string("\x00\x01\xff", 3) +
                           Record("first.txt", 12, 5) + Record("sub/loose.bin", 17, 3) + Record("empty", 20, 0);
    EXPECT_EQ(expected, ReadBytes(Path("a.rpk")));

    ASSERT_TRUE(pack.OpenRead(Path("a.rpk").c_str()));
    EXPECT_EQ("hello", Entry(pack, "FIRST.TXT"));
    EXPECT_EQ(std::string("\x00\x01\xff", 3), Entry(pack, "sub/loose.bin"));
    EXPECT_EQ("", Entry(pack, "empty"));
    EXPECT_EQ(RPackFile::kNoSize, pack.GetEntrySize("nothing"));
    EXPECT_TRUE(pack.Close());
    MakePack("empty.rpk", {});
    EXPECT_EQ(Header("rpk.", 12, 0), ReadBytes(Path("empty.rpk")));
}

// Neither a new pack nor changes to an opened one reach the file before Close; Abandon leaves no temporary file.
TEST_F(PackFileTest, ChangesReachTheFileOnlyAtClose)
{
    std::string path = MakePack("edit.rpk", {{"a", std::string(100, 'a')}, {"b", "bb"}});
    std::string before = ReadBytes(path);
    {
        RPackFile pack;
        ASSERT_TRUE(pack.Create(path.c_str()));
        ASSERT_TRUE(pack.AddBuffer("x", "new", 3));
        EXPECT_TRUE(before == ReadBytes(path));
        pack.Abandon();
        ASSERT_TRUE(pack.OpenReadWrite(path.c_str()));
        ASSERT_TRUE(pack.RemoveEntry("a"));
        ASSERT_TRUE(pack.AddBuffer("c", "ccc", 3));
        EXPECT_EQ("ccc", Entry(pack, "c"));
        EXPECT_TRUE(before == ReadBytes(path));
        pack.Abandon();
    }
    EXPECT_TRUE(before == ReadBytes(path));
    EXPECT_EQ(1, m_temp.FileCount());
}

TEST_F(PackFileTest, IndexWalksAndEntryStreamsReachEveryEntry)
{
    std::string path = MakePack("walk.rpk", {{"a.txt", "alpha"}, {"b.txt", ""}, {"c.txt", "gamma"}});
    RPackFile pack;
    FILE* stream = nullptr;
    EXPECT_EQ(EBADF, pack.OpenEntryStream(&stream, "a.txt"));
    ASSERT_TRUE(pack.OpenRead(path.c_str()));

    std::string names, bytes;
    uint32_t index = 0;
    do {
        char* name = nullptr;
        char* data = nullptr;
        uint32_t nameSize = 0, dataSize = 0;
        uint32_t next = pack.GetEntryNameByIndex(index, &name, &nameSize);
        EXPECT_EQ(next, pack.ReadEntryByIndex(index, &data, &dataSize));
        ASSERT_NE(nullptr, name);
        ASSERT_NE(nullptr, data);
        EXPECT_EQ(nameSize, dataSize);
        EXPECT_EQ(0, data[dataSize]);
        names += std::string(name) + ";";
        bytes += std::string(data, dataSize) + ";";
        delete[] name;
        delete[] data;
        index = next;
    } while (index != 0);
    EXPECT_EQ("a.txt;b.txt;c.txt;", names);
    EXPECT_EQ("alpha;;gamma;", bytes);

    char* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(0u, pack.ReadEntryByIndex(3, &data, &size));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(RPackFile::kNoSize, size);

    EXPECT_EQ(2, pack.OpenEntryStream(&stream, "missing"));
    ASSERT_EQ(0, pack.OpenEntryStream(&stream, "C.TXT"));
    char read[6] = {};
    EXPECT_EQ(5u, fread(read, 1, 5, stream));
    EXPECT_STREQ("gamma", read);
    fclose(stream);
}

TEST_F(PackFileTest, NamesMatchWithoutCaseTheFirstDuplicateWinsAndListsFilterBySuffix)
{
    std::string path = MakePack("dup.rpk", {{"Data.GAM", "one"}, {"data.gam", "two"}, {"gam", "3"}, {"b.gamx", "4"}});
    RPackFile pack;
    ASSERT_TRUE(pack.OpenRead(path.c_str()));
    EXPECT_EQ("one", Entry(pack, "data.gam"));
    EXPECT_EQ((std::vector<std::string>{"Data.GAM", "data.gam"}), Names(pack, "*.gam"));
    for (const char* everything : {"*", "x", (const char*)nullptr})
        EXPECT_EQ((std::vector<std::string>{"Data.GAM", "data.gam", "gam", "b.gamx"}), Names(pack, everything));
}

// Thousands of entries, so the name index grows several times while the pack is built; duplicates in other cases
// sit far apart. The first in directory order wins while building, after reopening and after removals.
TEST_F(PackFileTest, LargePacksFindTheFirstOfEachNameInAnyCase)
{
    const int count = 3000;
    RPackFile pack;
    ASSERT_TRUE(pack.Create(Path("many.rpk").c_str()));
    for (int i = 0; i < count; ++i) {
        std::string name = "Folder/Entry" + std::to_string(i) + ".dat";
        std::string bytes = std::to_string(i);
        ASSERT_TRUE(pack.AddBuffer(name.c_str(), bytes.data(), (uint32_t)bytes.size()));
    }
    for (int i = 0; i < count; i += 7) {
        std::string name = "FOLDER/entry" + std::to_string(i) + ".DAT";
        ASSERT_TRUE(pack.AddBuffer(name.c_str(), "late", 4));
    }
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "while building" : "reopened");
        for (int i = 0; i < count; ++i) {
            std::string name = "folder/ENTRY" + std::to_string(i) + ".dat";
            ASSERT_EQ(i, pack.FindEntry(name.c_str()));
        }
        EXPECT_EQ(-1, pack.FindEntry("folder/entry3000.dat"));
        EXPECT_EQ(-1, pack.FindEntry("folder/entry1.da"));
        if (pass == 0) {
            ASSERT_TRUE(pack.Close());
            ASSERT_TRUE(pack.OpenReadWrite(Path("many.rpk").c_str()));
        }
    }

    // Removing the first of a pair leaves the later duplicate to be found; every later entry moves up one place.
    ASSERT_TRUE(pack.RemoveEntry("folder/entry7.dat"));
    EXPECT_EQ("late", Entry(pack, "Folder/Entry7.dat"));
    EXPECT_EQ(7, pack.FindEntry("folder/entry8.dat"));
    ASSERT_TRUE(pack.RemoveEntry("folder/entry11.dat"));
    EXPECT_EQ(-1, pack.FindEntry("folder/entry11.dat"));
    ASSERT_TRUE(pack.AddBuffer("folder/entry11.dat", "again", 5));
    EXPECT_EQ("again", Entry(pack, "FOLDER/ENTRY11.DAT"));
    ASSERT_TRUE(pack.Close());
    ASSERT_TRUE(pack.OpenRead(Path("many.rpk").c_str()));
    EXPECT_EQ("again", Entry(pack, "folder/entry11.dat"));
    EXPECT_EQ("2999", Entry(pack, "folder/entry2999.dat"));
}

// The data of a new entry goes after the data of the entries still listed, also after the last one was removed.
TEST_F(PackFileTest, AddingAfterRemovingTheLastEntryReusesItsPlace)
{
    RPackFile pack;
    ASSERT_TRUE(pack.Create(Path("reuse.rpk").c_str()));
    ASSERT_TRUE(pack.AddBuffer("a", "aaaa", 4));
    ASSERT_TRUE(pack.AddBuffer("b", "bbbbbbbb", 8));
    ASSERT_TRUE(pack.RemoveEntry("b"));
    ASSERT_TRUE(pack.AddBuffer("c", "cc", 2));
    uint32_t size = 0, offset = 0;
    const char* packPath = nullptr;
    ASSERT_TRUE(pack.GetEntryInfo("c", &size, &offset, &packPath));
    EXPECT_EQ(16u, offset);
    ASSERT_TRUE(pack.Close());
    EXPECT_EQ(Header("rpk.", 18, 512) + "aaaacc" + Record("a", 12, 4) + Record("c", 16, 2), ReadBytes(Path("reuse.rpk")));
}

TEST_F(PackFileTest, RemovingAnEntryClosesTheGapAtClose)
{
    std::string path =
        MakePack("three.rpk", {{"a", std::string(100, 'a')}, {"b", std::string(200, 'b')}, {"c", std::string(50, 'c')}});
    RPackFile pack;
    ASSERT_TRUE(pack.OpenReadWrite(path.c_str()));
    ASSERT_TRUE(pack.RemoveEntry("B"));
    EXPECT_FALSE(pack.RemoveEntry("b"));
    ASSERT_TRUE(pack.Close());

    EXPECT_EQ(Header("rpk.", 162, 512), ReadBytes(path).substr(0, 12));
    ASSERT_TRUE(pack.OpenRead(path.c_str()));
    EXPECT_EQ(std::string(100, 'a'), Entry(pack, "a"));
    EXPECT_EQ(std::string(50, 'c'), Entry(pack, "c"));
}

TEST_F(PackFileTest, CompactingKeepsEntriesThatShareData)
{
    // A foreign tag, a gap before the data, two records over the same bytes and one inside them.
    std::string data = "0123456789";
    std::string bytes = Header("ABCD", 32 + 10, 3 * 256) + std::string(20, '-') + data + Record("whole", 32, 10) +
                        Record("again", 32, 10) + Record("middle", 35, 4);
    WriteBytes(Path("shared.rpk"), bytes);
    RPackFile pack;
    ASSERT_TRUE(pack.OpenReadWrite(Path("shared.rpk").c_str()));
    ASSERT_TRUE(pack.AddBuffer("added", "xyz", 3));
    ASSERT_TRUE(pack.Close());

    EXPECT_EQ(12u + 10 + 3 + 4 * 256, ReadBytes(Path("shared.rpk")).size());
    ASSERT_TRUE(pack.OpenRead(Path("shared.rpk").c_str()));
    EXPECT_EQ(data, Entry(pack, "whole"));
    EXPECT_EQ(data, Entry(pack, "again"));
    EXPECT_EQ("3456", Entry(pack, "middle"));
    EXPECT_EQ("xyz", Entry(pack, "added"));
}

TEST_F(PackFileTest, CloseAsPutsTheFinishedPackAtTheNewPath)
{
    RPackFile pack;
    ASSERT_TRUE(pack.Create(Path("first.rpk").c_str()));
    ASSERT_TRUE(pack.AddBuffer("a", "1", 1));
    ASSERT_TRUE(pack.CloseAs(Path("second.rpk").c_str()));
    EXPECT_FALSE(fs::exists(Path("first.rpk")));
    ASSERT_TRUE(pack.OpenRead(Path("second.rpk").c_str()));
    EXPECT_EQ("1", Entry(pack, "a"));
    EXPECT_FALSE(pack.Create(Path("fourth.rpk").c_str())); // already open
    EXPECT_FALSE(fs::exists(Path("fourth.rpk")));
}

TEST_F(PackFileTest, FailedAddsLeaveTheDirectoryAsItWas)
{
    RPackFile pack;
    ASSERT_TRUE(pack.Create(Path("adds.rpk").c_str()));
    ASSERT_TRUE(pack.AddBuffer("kept", "1", 1));
    EXPECT_FALSE(pack.AddFile(Path("missing.txt").c_str(), "missing"));
    EXPECT_FALSE(pack.AddBuffer(std::string(248, 'n').c_str(), "1", 1));
    EXPECT_FALSE(pack.AddBuffer("null data", nullptr, 4));
    ASSERT_TRUE(pack.AddBuffer(std::string(247, 'n').c_str(), "2", 1));
    ASSERT_TRUE(pack.Close());

    ASSERT_TRUE(pack.OpenRead(Path("adds.rpk").c_str()));
    EXPECT_EQ((std::vector<std::string>{"kept", std::string(247, 'n')}), Names(pack, nullptr));
    EXPECT_FALSE(pack.AddBuffer("read-only", "1", 1));
}

TEST_F(PackFileTest, MalformedPacksFailToOpen)
{
    std::string oneRecord = Record("a", 12, 4);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"truncated header", Header("rpk.", 12, 0).substr(0, 11)},
        {"directory past the end", Header("rpk.", 13, 0) + ""},
        {"directory cut short", Header("rpk.", 16, 512) + "data" + oneRecord},
        {"directory size near 4 GiB", Header("rpk.", 16, 0xFFFFFF00u) + "data" + oneRecord},
        {"offset and size wrapping in 32 bits", Header("rpk.", 0xFFFFFF00u, 0x200) + "data" + oneRecord},
        {"entry past the end", Header("rpk.", 16, 256) + "data" + Record("a", 12, 300)},
        {"entry offset past the end", Header("rpk.", 16, 256) + "data" + Record("a", 0x7FFFFFFFu, 1)},
        {"entry size near 4 GiB", Header("rpk.", 16, 256) + "data" + Record("a", 12, 0xFFFFFFFFu)},
        {"entry wrapping in 32 bits", Header("rpk.", 16, 256) + "data" + Record("a", 0xFFFFFFF0u, 0x20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(Path("bad.rpk"), c.bytes);
        RPackFile pack;
        EXPECT_FALSE(pack.OpenRead(Path("bad.rpk").c_str()));
        EXPECT_EQ("<missing>", Entry(pack, "a"));
    }
    // A named pipe is no pack: opening it fails at once instead of waiting for a writer.
    std::string pipePath = Path("pipe.rpk");
    ASSERT_EQ(0, mkfifo(pipePath.c_str(), 0600));
    EXPECT_EXIT(
        {
            alarm(10);
            RPackFile pack;
            exit(pack.OpenRead(pipePath.c_str()) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PackFileTest, OddButBoundedDirectoriesAreRead)
{
    // A 248-byte name is cut to 247 characters; a directory size off a multiple of 256 counts whole records.
    std::string longName(248, 'N');
    WriteBytes(Path("odd.rpk"), Header("\x01\x02\x03\x04", 16, 256 + 44) + "data" + Record(longName, 12, 4) +
                                    std::string(44, 'z'));
    RPackFile pack;
    ASSERT_TRUE(pack.OpenRead(Path("odd.rpk").c_str()));
    EXPECT_EQ((std::vector<std::string>{std::string(247, 'N')}), Names(pack, nullptr));
    EXPECT_EQ("data", Entry(pack, std::string(247, 'N').c_str()));
}

TEST_F(PackFileTest, ShortReadsFail)
{
    // The file shrinks under an open pack; the entry is larger than any stdio buffer.
    std::string path = MakePack("short.rpk", {{"a", std::string(200000, 'a')}});
    RPackFile pack;
    ASSERT_TRUE(pack.OpenRead(path.c_str()));
    ASSERT_EQ(0, truncate(path.c_str(), 100000));
    char* buffer = reinterpret_cast<char*>(&pack);
    uint32_t size = 0;
    EXPECT_FALSE(pack.ReadEntry("a", &buffer, &size));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(RPackFile::kNoSize, size);
}

// Writes past a file-size limit fail (EFBIG); the child process of a death test carries the limit.
void LimitFileSize(rlim_t bytes)
{
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

TEST_F(PackFileTest, FailedWritesAreReportedAndNeverReplaceAGoodPack)
{
    std::string path = MakePack("good.rpk", {{"a", std::string(1000, 'a')}});
    std::string before = ReadBytes(path);
    // Under a 20,000-byte limit the added data fits but the directory after it does not (the pack holds 1,000
    // bytes of data and one record at first).
    std::string data(19900, 'b');
    std::string big(30000, 'c');
    // Create then Close past the limit; an add larger than the limit; an added entry on an opened pack.
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        EXPECT_EXIT(
            {
                LimitFileSize(20000);
                RPackFile pack;
                bool failed;
                if (mode == 0)
                    failed = pack.Create(path.c_str()) && pack.AddBuffer("big", data.data(), (uint32_t)data.size()) &&
                             !pack.Close();
                else if (mode == 1) {
                    failed = pack.Create(path.c_str()) && !pack.AddBuffer("big", big.data(), 30000);
                    pack.Abandon();
                } else
                    failed = pack.OpenReadWrite(path.c_str()) && pack.AddBuffer("big", data.data(), 18800) &&
                             !pack.Close();
                exit(failed ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_TRUE(before == ReadBytes(path));
        EXPECT_EQ(1, m_temp.FileCount());
    }
}

TEST_F(PackFileTest, DumpAllWritesSafeNamesInsideTheDumpFolderOnlyAndCountsWhatItCouldNotWrite)
{
    const std::string dump = Path("dump") + "/";
    fs::create_directory(dump);
    std::string absolute = Path("absolute.txt");
    std::string path = MakePack("dump.rpk", {{"plain.txt", "plain"},
                                              {"../escaped.txt", "up"},
                                              {"sub/../../escaped2.txt", "up2"},
                                              {absolute, "abs"},
                                              {"missing/inner.txt", "skipped"},
                                              {"a..b.txt", "dots"},
                                              {"pipe.txt", "in the way"}});
    // What stands where a file would go and is no file stays as it is.
    ASSERT_EQ(0, mkfifo((dump + "pipe.txt").c_str(), 0600));
    RPackFile pack;
    ASSERT_TRUE(pack.OpenRead(path.c_str()));
    RPackFile::DumpReport report;
    pack.DumpAll(dump.c_str(), report);

    EXPECT_EQ("plain", ReadBytes(dump + "plain.txt"));
    EXPECT_EQ("dots", ReadBytes(dump + "a..b.txt"));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_FALSE(fs::exists(dump + "../escaped.txt"));
    EXPECT_FALSE(fs::exists(dump + "../../escaped2.txt"));
    EXPECT_TRUE(fs::is_fifo(dump + "pipe.txt"));
    EXPECT_EQ(3, std::distance(fs::directory_iterator(dump), fs::directory_iterator()));
    EXPECT_EQ(2u, report.written);
    EXPECT_EQ(5u, report.failed);
    EXPECT_STREQ("the name leads out of the folder", report.firstReason.GetString());
    EXPECT_STREQ("../escaped.txt", report.firstPath.GetString());
}

} // namespace
