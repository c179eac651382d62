#include "TempUserData.h"

#include "core/config/REngineConfig.h"
#include "core/config/RLocMgr.h"
#include "core/system/RLogger.h"
#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>
#include <string>

namespace {

// A "not found" text names things in the spelling the process interned first.
std::string NotFound(const char* file, const char* section, const char* key)
{
    return std::string("[String ") + RHashedString(file).GetString() + "." + RHashedString(section).GetString() + "." +
           RHashedString(key).GetString() + " not found]";
}

std::string FileNotFound(const char* file, const char* section, const char* key)
{
    return std::string("[File ") + RHashedString(file).GetString() + " for string " +
           RHashedString(section).GetString() + "." + RHashedString(key).GetString() + " not found]";
}

class LocMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        content = userData.root + "/content";
        std::filesystem::create_directories(content);
        languages = userData.root + "/data/Brasswick/Test Game/Localization";
        RStreamMgr::GetInstance()->AddSearchPath(content.c_str());
    }
    void TearDown() override
    {
        RLocMgr::DestroyInstance();
        RStreamMgr::DestroyInstance();
        RLogger::DestroyInstance();
    }

    std::string Get(const char* file, const char* section, const char* key)
    {
        return RLocMgr::GetInstance()
            ->GetString(RHashedString(file), RHashedString(section), RHashedString(key))
            .GetString();
    }

    TempUserData userData;
    TestCore core;
    std::string content, languages;
};

TEST_F(LocMgrTest, LanguageTableOverridesTheDefaultTableKeyByKey)
{
    WriteBytes(content + "/Menus.txt", "[TitleMenu]\nNewGame: New Game\nQuit: Quit\n");
    WriteBytes(languages + "/French/Menus.txt", "[TitleMenu]\nNewGame: Nouvelle partie\n");
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Menus.txt");
    loc->LoadDefaultTables(false);
    loc->LoadLanguageFolder("French", false);
    EXPECT_EQ("Nouvelle partie", Get("menus", "titlemenu", "newgame"));
    EXPECT_EQ("Quit", Get("Menus", "TitleMenu", "Quit"));

    // A language without that file falls back to the default table again.
    loc->LoadLanguageFolder("German", false);
    EXPECT_EQ("New Game", Get("Menus", "TitleMenu", "NewGame"));
}

// A table registered after the passes (a game's own, once its pack is mounted) is loaded as they loaded the rest:
// its default table and the language's.
TEST_F(LocMgrTest, ATableRegisteredAfterThePassesGetsTheLoadedLanguage)
{
    WriteBytes(content + "/Menus.txt", "[TitleMenu]\nQuit: Quit\n");
    WriteBytes(content + "/Game.txt", "[Messages]\nHello: Hello\nBye: Bye\n");
    WriteBytes(content + "/Startup.txt", "[Startup]\nStartup: Starting\n");
    WriteBytes(languages + "/French/Game.txt", "[Messages]\nHello: Bonjour\n");
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Menus.txt");
    loc->LoadDefaultTables(false);
    loc->LoadLanguageFolder("French", false);
    loc->AddFile("Game.txt");
    EXPECT_EQ("Bonjour", Get("Game", "Messages", "Hello"));
    EXPECT_EQ("Bye", Get("Game", "Messages", "Bye"));
    // A start-up table waits for its own pass.
    loc->AddFile("Startup.txt");
    EXPECT_EQ(FileNotFound("Startup", "Startup", "Startup"), Get("Startup", "Startup", "Startup"));
    loc->LoadDefaultTables(true);
    EXPECT_EQ("Starting", Get("Startup", "Startup", "Startup"));
}

TEST_F(LocMgrTest, NotFoundTextsAndTheTestLanguage)
{
    WriteBytes(content + "/General.txt", "[General]\nTwoWords: Press Start\n");
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Menus.txt"); // registered but in no source: an empty default table
    loc->AddFile("General.txt");
    loc->LoadDefaultTables(false);
    for (bool masked : {false, true}) { // the two not-found texts are never masked
        loc->SetTestLanguage(masked);
        EXPECT_EQ(NotFound("Menus", "TitleMenu", "NewGame"), Get("Menus", "TitleMenu", "NewGame"));
        EXPECT_EQ(FileNotFound("Credits", "Roll", "Line1"), Get("Credits", "Roll", "Line1"));
        EXPECT_EQ(masked ? "XXXXX XXXXX" : "Press Start", Get("General", "General", "TwoWords"));
    }
    const char raw[] = "a\nb\t\x7F\x81\x8D\x8F\x90\x9D\x80\xE9~ !";
    EXPECT_STREQ("X\nX\t\x7F\x81\x8D\x8F\x90\x9DXXX X", RLocMgr::MaskText(RString(raw)).GetString());
}

TEST_F(LocMgrTest, StartupEntriesLoadOnlyInTheStartupPassesAndShortNamesAreSafe)
{
    WriteBytes(content + "/Startup.txt", "[S]\nk: upper\n");
    WriteBytes(content + "/startup.txt", "[S]\nk: lower\n");
    WriteBytes(content + "/ab", "[S]\nk: short\n");
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Startup.txt");
    loc->AddFile("ab");
    loc->AddFile("");
    loc->AddFile(nullptr);

    loc->LoadDefaultTables(false);
    EXPECT_EQ(FileNotFound("Startup", "S", "k"), Get("Startup", "S", "k"));
    EXPECT_EQ("short", Get("ab", "S", "k"));
    loc->LoadDefaultTables(true);
    EXPECT_EQ("upper", Get("Startup", "S", "k"));

    // The startup test is exact: a lower-case name is an ordinary entry (and shares the key by case folding).
    loc->AddFile("startup.txt");
    loc->LoadDefaultTables(false);
    EXPECT_EQ("lower", Get("Startup", "S", "k"));

    RUtilVector<RString> files;
    files.push(RString("stale"));
    loc->ListFiles(files);
    ASSERT_EQ(4u, files.getCount());  // emptied first, then every registered name in order
    EXPECT_STREQ("Startup.txt", files[0].GetString());
    EXPECT_STREQ("", files[2].GetString());
    EXPECT_STREQ("startup.txt", files[3].GetString());
}

TEST_F(LocMgrTest, EngineLanguageSteps)
{
    WriteBytes(content + "/Menus.txt", "[M]\nk: Default\n");
    WriteBytes(content + "/Startup.txt", "[M]\nk: Boot\n");
    WriteBytes(languages + "/Menus.txt", "[M]\nk: Folder itself\n");
    WriteBytes(languages + "/Pirate/Menus.txt", "[M]\nk: Arr\n");
    WriteBytes(languages + "/Pirate/Startup.txt", "[M]\nk: Ahoy\n");
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Startup.txt");
    loc->AddFile("Menus.txt");
    loc->LoadDefaultTables(true);
    loc->LoadDefaultTables(false);

    REngineConfig::ApplyStartupLanguage("XxX", true);  // the test language at start-up loads nothing
    EXPECT_TRUE(loc->IsTestLanguage());
    EXPECT_FALSE(loc->IsLanguageLoaded());
    EXPECT_EQ("XXXXXXX", Get("Menus", "M", "k"));

    REngineConfig::ApplyStartupLanguage("Pirate", true);
    EXPECT_EQ("XXXX", Get("Startup", "M", "k"));
    loc->SetTestLanguage(false);
    EXPECT_EQ("Default", Get("Menus", "M", "k"));

    REngineConfig::ChangeLanguage("xxx");  // at run time: the folder itself, masked
    EXPECT_TRUE(loc->IsTestLanguage());
    EXPECT_EQ("XXXXXX XXXXXX", Get("Menus", "M", "k"));
    EXPECT_TRUE(REngineConfig::ChangeLanguage("Pirate"));
    EXPECT_FALSE(loc->IsTestLanguage());
    EXPECT_EQ("Arr", Get("Menus", "M", "k"));
    // A folder that holds none of the tables is no language: the one in force stays.
    EXPECT_FALSE(REngineConfig::ChangeLanguage("Nowhere"));
    EXPECT_EQ("Arr", Get("Menus", "M", "k"));
}

TEST_F(LocMgrTest, GarbageAndTruncatedLanguageFilesEndCleanly)
{
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Menus.txt");
    std::mt19937 random(5);
    std::string garbage(50000, 0);
    for (char& c : garbage)
        c = (char)(random() & 0xFF);
    WriteBytes(languages + "/Bad/Menus.txt", garbage);
    loc->LoadLanguageFolder("Bad", false);
    Get("Menus", "TitleMenu", "NewGame");

    std::filesystem::create_directories(languages + "/Folder/Menus.txt");  // a folder in the file's place
    loc->LoadLanguageFolder("Folder", false);
    EXPECT_EQ(FileNotFound("Menus", "TitleMenu", "NewGame"), Get("Menus", "TitleMenu", "NewGame"));

    loc->LoadLanguageFolder(std::string(PATH_MAX, 'n').c_str(), false); // too long a path: an empty table
}

TEST_F(LocMgrTest, EngineContentTablesHoldTheirKeys)
{
    const std::string source = std::string(ROLT_TEST_SOURCE_DIR) + "/content/Engine";
    const std::string pack = userData.root + "/Engine.rpk";
    {
        RPackFile writer;
        ASSERT_TRUE(writer.Create(pack.c_str()));
        for (const auto& entry : std::filesystem::directory_iterator(source)) {
            if (entry.is_regular_file()) {
                ASSERT_TRUE(writer.AddFile(entry.path().c_str(), entry.path().filename().c_str()));
            }
        }
        ASSERT_TRUE(writer.Close());
    }
    RStreamMgr::DestroyInstance();
    RStreamMgr::GetInstance()->MountPack(pack.c_str());

    RLocMgr* loc = RLocMgr::GetInstance();
    for (const char* name : {"Startup.txt", "General.txt", "Input.txt", "EngineControls.txt", "Menus.txt", "Porvin.txt"})
        loc->AddFile(name);
    loc->LoadDefaultTables(true);
    loc->LoadDefaultTables(false);
    EXPECT_EQ("New Game", Get("Menus", "TitleMenu", "NewGame"));
    EXPECT_EQ("Loading...", Get("Startup", "Startup", "Loading"));
    EXPECT_EQ("Powered by the ROLT engine", Get("Porvin", "Splash", "PoweredBy"));
    EXPECT_EQ(NotFound("Input", "Keyboard", "NoSuchInput"), Get("Input", "Keyboard", "NoSuchInput"));

    RString version, engineVersion;
    ASSERT_TRUE(REngineConfig::ReadVersionFile(version, engineVersion));
    EXPECT_FALSE(engineVersion.IsEmpty());
}

TEST_F(LocMgrTest, ConfigPathIsInTheUserConfigFolder)
{
    char path[PATH_MAX];
    ASSERT_TRUE(REngineConfig::MakeConfigPath(path, sizeof path));
    EXPECT_EQ(userData.root + "/data/Brasswick/Test Game/Config/Config.ini", path);
    char tiny[8];
    EXPECT_FALSE(REngineConfig::MakeConfigPath(tiny, sizeof tiny));
    EXPECT_STREQ("", tiny);

    RString version("untouched"), engineVersion;
    EXPECT_FALSE(REngineConfig::ReadVersionFile(version, engineVersion));
    EXPECT_STREQ("untouched", version.GetString());
}

} // namespace
