#include "core/RStreamMgr.h"

#include "core/RPackFile.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class StreamMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RStreamMgr::DestroyInstance();
        char pattern[] = "/tmp/rolt-streams-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_root = pattern;
        m_mgr = RStreamMgr::GetInstance();
    }
    void TearDown() override
    {
        RStreamMgr::DestroyInstance();
        fs::remove_all(m_root);
    }

    std::string Path(const std::string& name) const { return m_root + "/" + name; }

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
        WriteBytes(Path("mods/b.txt"), "mod b");
        WriteBytes(Path("saves/e.txt"), "save e");
        MakePack("Engine.rpk", {{"a.txt", "engine a"}, {"b.txt", "engine b"}, {"c.txt", "engine c"}});
        MakePack("Wendro.rpk", {{"C.TXT", "game c"}, {"d.txt", "game d"}, {"e.txt", "game e"}});
        m_mgr->AddSearchPath(Path("res").c_str());
        m_mgr->AddSearchPath(Path("mods/").c_str());
        m_mgr->MountPack(Path("Engine.rpk").c_str());
        m_mgr->AddSearchPath(Path("saves").c_str());
        m_mgr->MountPack(Path("Wendro.rpk").c_str());
    }

    std::string m_root;
    RStreamMgr* m_mgr = nullptr;
};

TEST_F(StreamMgrTest, TheFirstSourceHoldingANameWins)
{
    MountLikeTheProgram();
    EXPECT_EQ("resource a", Read("a.txt"));
    EXPECT_EQ("mod b", Read("b.txt"));
    EXPECT_EQ("engine c", Read("c.txt"));
    EXPECT_EQ("game d", Read("D.txt"));
    EXPECT_EQ("save e", Read("e.txt"));
    EXPECT_EQ("<missing>", Read("f.txt"));
    EXPECT_EQ(0, m_mgr->FindSource("a.txt", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(4, m_mgr->FindSource("d.txt", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(-1, m_mgr->FindSource("f.txt", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(-1, m_mgr->FindSource(nullptr, RStreamMgr::kPacksAndFolders));
    // Folders match names as the file system does.
    EXPECT_FALSE(m_mgr->Exists("A.TXT", RStreamMgr::kFoldersOnly));
}

TEST_F(StreamMgrTest, SearchModesChooseTheKindOfSource)
{
    MountLikeTheProgram();
    EXPECT_EQ("engine a", Read("a.txt", RStreamMgr::kPacksOnly));
    EXPECT_EQ("resource a", Read("a.txt", RStreamMgr::kFoldersOnly));
    EXPECT_EQ("<missing>", Read("c.txt", RStreamMgr::kFoldersOnly));
    EXPECT_EQ("<missing>", Read("res/a.txt", RStreamMgr::kPacksOnly));
    EXPECT_FALSE(m_mgr->Exists("a.txt", 3));
    EXPECT_EQ(RPackFile::kNoSize, m_mgr->GetFileSize("a.txt", 7));
}

TEST_F(StreamMgrTest, FolderPrefixesGetOneTrailingSlash)
{
    WriteBytes(Path("Mods/x.txt"), "x");
    m_mgr->AddSearchPath(Path("Mods").c_str());
    m_mgr->AddSearchPath(Path("Mods/").c_str());
    m_mgr->AddSearchPath(nullptr);
    uint32_t size = 0, offset = 0;
    RString path;
    ASSERT_TRUE(m_mgr->GetFileInfo("x.txt", &size, &offset, &path, RStreamMgr::kPacksAndFolders));
    EXPECT_STREQ(Path("Mods/x.txt").c_str(), path.GetString());
    EXPECT_EQ(0, m_mgr->FindSource("x.txt", RStreamMgr::kPacksAndFolders));
}

TEST_F(StreamMgrTest, TheEmptyFolderIsTheWorkingDirectory)
{
    WriteBytes(Path("cwd/w.txt"), "working");
    fs::path previous = fs::current_path();
    fs::current_path(Path("cwd"));
    m_mgr->AddSearchPath("");
    std::string text = Read("w.txt");
    fs::current_path(previous);
    EXPECT_EQ("working", text);
}

TEST_F(StreamMgrTest, ReadFileAddsTheTerminatorOnlyWhenAskedExceptForPacks)
{
    WriteBytes(Path("res/loose.bin"), std::string("ab\0c", 4));
    MakePack("p.rpk", {{"packed.bin", "xyz"}});
    m_mgr->AddSearchPath(Path("res").c_str());
    m_mgr->MountPack(Path("p.rpk").c_str());

    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    m_mgr->ReadFile("loose.bin", &buffer, &size, RStreamMgr::kPacksAndFolders, false);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(std::string("ab\0c", 4), std::string((char*)buffer, size));
    delete[] buffer;
    EXPECT_EQ(std::string("ab\0c", 4), Read("loose.bin"));

    m_mgr->ReadFile("PACKED.bin", &buffer, &size, RStreamMgr::kPacksAndFolders, false);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(3u, size);
    EXPECT_EQ(0, buffer[3]);
    delete[] buffer;

    EXPECT_EQ(4u, m_mgr->GetFileSize("loose.bin", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(3u, m_mgr->GetFileSize("packed.bin", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(RPackFile::kNoSize, m_mgr->GetFileSize("none", RStreamMgr::kPacksAndFolders));
}

TEST_F(StreamMgrTest, OpenFileIsPositionedAtTheData)
{
    WriteBytes(Path("res/loose.txt"), "loose");
    MakePack("p.rpk", {{"first", "0123"}, {"second", "4567"}});
    m_mgr->AddSearchPath(Path("res").c_str());
    m_mgr->MountPack(Path("p.rpk").c_str());

    FILE* file = nullptr;
    ASSERT_EQ(0, m_mgr->OpenFile(&file, "second", RStreamMgr::kPacksAndFolders));
    char bytes[5] = {};
    ASSERT_EQ(4u, fread(bytes, 1, 4, file));
    EXPECT_STREQ("4567", bytes);
    fclose(file);

    ASSERT_EQ(0, m_mgr->OpenFile(&file, "loose.txt", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ('l', fgetc(file));
    fclose(file);

    EXPECT_EQ(2, m_mgr->OpenFile(&file, "none", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(nullptr, file);
}

TEST_F(StreamMgrTest, FileInfoNamesTheFileThatHoldsTheData)
{
    WriteBytes(Path("res/sound.wav"), "RIFFdata");
    MakePack("p.rpk", {{"pad", "12345"}, {"music.wav", "RIFF"}});
    m_mgr->AddSearchPath(Path("res").c_str());
    m_mgr->MountPack(Path("p.rpk").c_str());

    uint32_t size = 0, offset = 0;
    RString loosePath;
    ASSERT_TRUE(m_mgr->GetFileInfo("sound.wav", &size, &offset, &loosePath, RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(0u, offset);

    RString packPath;
    ASSERT_TRUE(m_mgr->GetFileInfo("music.wav", &size, &offset, &packPath, RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(17u, offset);
    EXPECT_STREQ(Path("p.rpk").c_str(), packPath.GetString());

    // The loose path is the caller's own copy: later lookups do not change it.
    m_mgr->Exists("other.txt", RStreamMgr::kPacksAndFolders);
    EXPECT_STREQ(Path("res/sound.wav").c_str(), loosePath.GetString());

    RString untouched("before");
    EXPECT_FALSE(m_mgr->GetFileInfo("none", &size, &offset, &untouched, RStreamMgr::kPacksAndFolders));
    EXPECT_EQ(RPackFile::kNoSize, size);
    EXPECT_EQ(RPackFile::kNoSize, offset);
    EXPECT_STREQ("before", untouched.GetString());
}

TEST_F(StreamMgrTest, NamesTooLongForThePathBufferAreNotFoundInFolders)
{
    // prefix + name is 256 characters or more; a file named by the first 255 characters exists and must not be
    // mistaken for it.
    std::string prefix = Path("res") + "/";
    std::string name(RStreamMgr::kPathBytes - prefix.size(), 'n');
    std::string cut = (prefix + name).substr(0, RStreamMgr::kPathBytes - 1);
    WriteBytes(cut, "wrong file");
    WriteBytes(prefix + name, "right file");
    MakePack("p.rpk", {{name, "packed"}});
    m_mgr->AddSearchPath(prefix.c_str());
    EXPECT_FALSE(m_mgr->Exists(name.c_str(), RStreamMgr::kPacksAndFolders));
    EXPECT_EQ("<missing>", Read(name.c_str()));

    // Later sources are still searched.
    m_mgr->MountPack(Path("p.rpk").c_str());
    EXPECT_EQ("packed", Read(name.c_str()));

    // One character shorter fits exactly, and names the file a cut path would have named.
    EXPECT_EQ("wrong file", Read(name.substr(1).c_str()));
}

TEST_F(StreamMgrTest, ListFilesListsPackEntriesOnlyInSourceOrder)
{
    WriteBytes(Path("res/loose.gam"), "loose");
    MakePack("a.rpk", {{"one.gam", "1"}, {"skip.txt", "2"}});
    MakePack("b.rpk", {{"two.GAM", "3"}, {"one.gam", "4"}});
    m_mgr->AddSearchPath(Path("res").c_str());
    m_mgr->MountPack(Path("a.rpk").c_str());
    m_mgr->MountPack(Path("b.rpk").c_str());

    RUtilVector<RString> list;
    m_mgr->ListFiles(list, "*.gam", RStreamMgr::kFoldersOnly);
    std::vector<std::string> names;
    for (const RString& name : list)
        names.push_back(name.GetString());
    EXPECT_EQ((std::vector<std::string>{"one.gam", "two.GAM", "one.gam"}), names);
}

TEST_F(StreamMgrTest, PacksThatCannotBeOpenedAreNotMounted)
{
    WriteBytes(Path("broken.rpk"), std::string("rpk.\xff\xff\xff\x7f\0\0\0\0", 12));
    m_mgr->MountPack(Path("broken.rpk").c_str());
    m_mgr->MountPack(Path("missing.rpk").c_str());
    m_mgr->MountPack(Path("").c_str());
    m_mgr->MountPack("");
    m_mgr->MountPack(nullptr);
    MakePack("good.rpk", {{"g", "good"}});
    m_mgr->MountPack(Path("good.rpk").c_str());
    EXPECT_EQ(0, m_mgr->FindSource("g", RStreamMgr::kPacksAndFolders));
    EXPECT_EQ("good", Read("g"));
}

TEST_F(StreamMgrTest, DestroyingTheManagerClosesItsSources)
{
    MountLikeTheProgram();
    RStreamMgr::DestroyInstance();
    RStreamMgr::DestroyInstance();
    m_mgr = RStreamMgr::GetInstance();
    EXPECT_FALSE(m_mgr->Exists("a.txt", RStreamMgr::kPacksAndFolders));
    m_mgr->CloseAllSources();
    EXPECT_FALSE(m_mgr->Exists("c.txt", RStreamMgr::kPacksAndFolders));
}

} // namespace
