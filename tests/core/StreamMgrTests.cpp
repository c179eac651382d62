#include "core/files/RStreamMgr.h"

#include "core/files/RPackFile.h"
#include "TempUserData.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class StreamMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RStreamMgr::DestroyInstance();
        m_mgr = RStreamMgr::GetInstance();
    }
    void TearDown() override { RStreamMgr::DestroyInstance(); }

    std::string Path(const std::string& name) const { return m_temp / name; }

    void MakePack(const char* name, const std::vector<std::pair<std::string, std::string>>& entries)
    {
        RPackFile pack;
        EXPECT_TRUE(pack.Create(Path(name).c_str()));
        for (const auto& entry : entries)
            EXPECT_TRUE(pack.AddBuffer(entry.first.c_str(), entry.second.data(), (uint32_t)entry.second.size()));
        EXPECT_TRUE(pack.Close());
    }

    std::string Read(const char* name, uint32_t mode = RStreamMgr::kPacksAndFolders)
    {
        char* buffer = nullptr;
        uint32_t size = 0;
        m_mgr->ReadFile(name, &buffer, &size, mode, true);
        if (!buffer) {
            EXPECT_EQ(RPackFile::kNoSize, size);
            return "<missing>";
        }
        std::string text(buffer, size);
        EXPECT_EQ(0, buffer[size]);
        delete[] buffer;
        return text;
    }

    // The program's order: resource folder, "Mods/", the engine pack, a user folder, the game's pack.
    void MountLikeTheProgram()
    {
        WriteBytes(Path("res/a.txt"), "resource a");
        WriteBytes(Path("mods/b.txt"), std::string("mod\0b", 5));
        WriteBytes(Path("saves/e.txt"), "save e");
        MakePack("Engine.rpk", {{"a.txt", "engine a"}, {"b.txt", "engine b"}, {"c.txt", "engine c"}});
        MakePack("Wendro.rpk", {{"pad", "12345"}, {"C.TXT", "game c"}, {"d.txt", "game d"}, {"e.txt", "game e"}});
        m_mgr->AddSearchPath(Path("res").c_str());
        m_mgr->AddSearchPath(Path("mods").c_str()); // one trailing slash is added
        m_mgr->AddSearchPath(Path("mods/").c_str());
        m_mgr->AddSearchPath(nullptr);
        m_mgr->MountPack(Path("Engine.rpk").c_str());
        m_mgr->AddSearchPath(Path("saves").c_str());
        m_mgr->MountPack(Path("Wendro.rpk").c_str());
    }

    TempFolder m_temp;
    RStreamMgr* m_mgr = nullptr;
};

TEST_F(StreamMgrTest, TheFirstSourceHoldingANameWinsWithinTheMode)
{
    MountLikeTheProgram();
    EXPECT_EQ("resource a", Read("a.txt"));
    EXPECT_EQ(std::string("mod\0b", 5), Read("b.txt"));
    EXPECT_EQ("game d", Read("D.txt"));
    EXPECT_EQ("save e", Read("e.txt"));
    EXPECT_EQ(5, m_mgr->FindSource("d.txt", RStreamMgr::kPacksAndFolders));
    EXPECT_FALSE(m_mgr->Exists("A.TXT", RStreamMgr::kFoldersOnly)); // folders match as the file system does

    EXPECT_EQ("engine a", Read("a.txt", RStreamMgr::kPacksOnly));
    EXPECT_EQ("<missing>", Read("c.txt", RStreamMgr::kFoldersOnly));
    EXPECT_FALSE(m_mgr->Exists("a.txt", 3));

    // Without a terminator asked for, a pack entry still ends in one.
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    m_mgr->ReadFile("d.TXT", &buffer, &size, RStreamMgr::kPacksAndFolders, false);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(6u, size);
    EXPECT_EQ(0, buffer[6]);
    delete[] buffer;
}

TEST_F(StreamMgrTest, FileInfoNamesTheFileThatHoldsTheData)
{
    MountLikeTheProgram();
    uint32_t size = 0, offset = 0;
    RString loosePath, packPath;
    ASSERT_TRUE(m_mgr->GetFileInfo("b.txt", &size, &offset, &loosePath, RStreamMgr::kPacksAndFolders));
    ASSERT_TRUE(m_mgr->GetFileInfo("d.txt", &size, &offset, &packPath, RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(23u, offset);
    EXPECT_STREQ(Path("Wendro.rpk").c_str(), packPath.GetString());
    m_mgr->Exists("other.txt", RStreamMgr::kPacksAndFolders); // the caller's copy stays
    EXPECT_STREQ(Path("mods/b.txt").c_str(), loosePath.GetString());

    RString untouched("before");
    EXPECT_FALSE(m_mgr->GetFileInfo("none", &size, &offset, &untouched, RStreamMgr::kPacksAndFolders));
    EXPECT_STREQ("before", untouched.GetString());
}

TEST_F(StreamMgrTest, NamesTooLongForThePathBufferAreNotFoundInFolders)
{
    // prefix + name is 256 characters or more; a file named by the first 255 must not be mistaken for it.
    std::string prefix = Path("res") + "/";
    std::string name(RStreamMgr::kPathBytes - prefix.size(), 'n');
    WriteBytes((prefix + name).substr(0, RStreamMgr::kPathBytes - 1), "wrong file");
    WriteBytes(prefix + name, "right file");
    MakePack("p.rpk", {{name, "packed"}});
    m_mgr->AddSearchPath(prefix.c_str());
    EXPECT_EQ("<missing>", Read(name.c_str()));
    m_mgr->MountPack(Path("p.rpk").c_str());
    EXPECT_EQ("packed", Read(name.c_str()));
    EXPECT_EQ("wrong file", Read(name.substr(1).c_str())); // one shorter fits exactly
}

TEST_F(StreamMgrTest, ListingAndPacksThatCannotBeOpened)
{
    WriteBytes(Path("res/loose.gam"), "loose");
    WriteBytes(Path("broken.rpk"), std::string("rpk.\xff\xff\xff\x7f\0\0\0\0", 12));
    MakePack("a.rpk", {{"one.gam", "1"}, {"skip.txt", "2"}});
    MakePack("b.rpk", {{"two.GAM", "3"}, {"one.gam", "4"}});
    m_mgr->AddSearchPath(Path("res").c_str());
    for (const std::string& bad : {Path("broken.rpk"), Path("missing.rpk")})
        m_mgr->MountPack(bad.c_str());
    m_mgr->MountPack(Path("a.rpk").c_str());
    m_mgr->MountPack(Path("b.rpk").c_str());
    EXPECT_EQ(1, m_mgr->FindSource("skip.txt", RStreamMgr::kPacksAndFolders));

    RUtilVector<RString> list;
    m_mgr->ListFiles(list, "*.gam", RStreamMgr::kFoldersOnly); // pack entries only, in source order
    std::vector<std::string> names;
    for (const RString& name : list)
        names.push_back(name.GetString());
    EXPECT_EQ((std::vector<std::string>{"one.gam", "two.GAM", "one.gam"}), names);
}

// A damaged pack is named on standard error with the control bytes of its name escaped: a name holding ESC
// cannot send the terminal a sequence of its own.
TEST_F(StreamMgrTest, ADamagedPackIsNamedWithTheControlBytesOfItsNameEscaped)
{
    // A pack cut short in its directory, as a download that stopped would leave it.
    const std::string name = "bad\x1b[2Jpack.rpk";
    MakePack(name.c_str(), {{"a.txt", "packed a"}, {"b.txt", "packed b"}});
    const std::string whole = ReadBytes(Path(name));
    WriteBytes(Path(name), whole.substr(0, whole.size() - 1));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_mgr->MountPack(Path(name).c_str()));
    const std::string said = testing::internal::GetCapturedStderr();
    // Shown escaped here too, so that a failure does not clear the screen it is read on.
    const std::string shown = testing::PrintToString(said);
    EXPECT_NE(std::string::npos, said.find(m_temp / "bad\\x1b[2Jpack.rpk is damaged or not a pack")) << shown;
    EXPECT_EQ(std::string::npos, said.find('\x1b')) << shown;
    EXPECT_EQ(-1, m_mgr->FindSource("a.txt", RStreamMgr::kPacksAndFolders));
}

} // namespace
