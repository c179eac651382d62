#include "core/config/RConfigFile.h"
#include "core/types/RHashedString.h"
#include "TempUserData.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace {

RHashedString Name(const char* text) { return RHashedString(text); }

int g_volumeCalls = 0;
float* g_watchedVolume = nullptr;
float g_volumeSeen = -1.0f;
void OnVolume()
{
    ++g_volumeCalls;
    g_volumeSeen = g_watchedVolume ? *g_watchedVolume : -1.0f;
}

struct Settings {
    float master = 0, music = 0;
    bool mute = true, fullscreen = false;
    int32_t tate = 7, sessionId = -1;
    RHashedString controller, language;
    RColor tint{9, 9, 9, 9};

    void Register(RConfigFile& config)
    {
        config.RegisterFloat(Name("Audio"), Name("MasterVolume"), &master, OnVolume, 0.7f);
        config.RegisterFloat(Name("Audio"), Name("MusicVolume"), &music, nullptr, 0.3f);
        config.RegisterBool(Name("Audio"), Name("MuteWhenUnfocused"), &mute, false, nullptr);
        config.RegisterInt(Name("Video"), Name("Tate"), &tate, 0, nullptr);
        config.RegisterBool(Name("Video"), Name("Fullscreen"), &fullscreen, true, nullptr);
        config.RegisterColor(Name("Video"), Name("Tint"), &tint, nullptr, 1.0f, 0.5f, 0.25f, 1.0f);
        config.RegisterString(Name("Input"), Name("Controller"), &controller, Name("Virtual Controller"), nullptr);
        config.RegisterInt(RHashedString(), Name("SessionID"), &sessionId, 0, nullptr);
        config.RegisterString(RHashedString(), Name("Language"), &language, Name("English"), nullptr);
    }
};

// Names are written in the spelling the process interned first, which another test may have chosen.
std::string Spelling(const char* name) { return RHashedString(name).GetString(); }
std::string Line(const char* key, const std::string& value) { return Spelling(key) + ": " + value + "\r\n"; }

std::string DefaultsText()
{
    return Line("SessionID", "0") + Line("Language", Spelling("English")) + "\r\n[" + Spelling("Audio") + "]\r\n" +
           Line("MasterVolume", "0.700000") + Line("MusicVolume", "0.300000") + Line("MuteWhenUnfocused", "false") +
           "\r\n[" + Spelling("Video") + "]\r\n" + Line("Tate", "0") + Line("Fullscreen", "true") +
           Line("Tint", "1.000000, 0.500000, 0.250000, 1.000000") + "\r\n[" + Spelling("Input") + "]\r\n" +
           Line("Controller", Spelling("Virtual Controller"));
}

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_volumeCalls = 0;
        g_watchedVolume = &settings.master;
    }
    void TearDown() override { g_watchedVolume = nullptr; }

    TempFolder folder;
    std::string path = folder / "Config.ini";
    Settings settings;
    RConfigFile config;
};

TEST_F(ConfigFileTest, DefaultsCallbacksAndTheWrittenFile)
{
    settings.Register(config);
    EXPECT_EQ(1, g_volumeCalls);
    EXPECT_FLOAT_EQ(0.7f, g_volumeSeen); // the callback sees the default in place
    config.RegisterInt(Name("Video"), Name("Ghost"), nullptr, 5, OnVolume); // a null target registers nothing
    EXPECT_EQ(3u, config.GetVariableCount(Name("Video")));
    ASSERT_TRUE(config.Load(path.c_str())); // a missing file is written with the defaults
    EXPECT_EQ(DefaultsText(), ReadBytes(path));

    ASSERT_TRUE(config.SetFromText("Audio", "MasterVolume", "0.25"));
    EXPECT_FLOAT_EQ(0.25f, g_volumeSeen);
    ASSERT_TRUE(config.SetFromText("Audio", "MasterVolume", "DeFault"));
    EXPECT_FLOAT_EQ(0.7f, settings.master);
    EXPECT_EQ(3, g_volumeCalls);
    ASSERT_TRUE(config.SetFromText("Video", "Tint", "1,0.5"));
    EXPECT_EQ(0.0f, settings.tint.a);
    EXPECT_FALSE(config.SetFromText("Audio", "Tate", "1"));
    EXPECT_FALSE(config.ResetToDefault(Name("Video"), Name("Nobody")));
    EXPECT_TRUE(config.ResetToDefault(Name("Video"), Name("Tint")));
    EXPECT_EQ(0.25f, settings.tint.b);
}

TEST_F(ConfigFileTest, RoundTripKeepsEveryValueExactly)
{
    settings.Register(config);
    const char* values[][3] = {{"Audio", "MasterVolume", "0.123456"}, {"audio", "musicvolume", "1000.5"},
                               {"Audio", "MuteWhenUnfocused", "yes"}, {"Video", "Tate", "-2147483648"},
                               {"Video", "Fullscreen", "off"},        {"Video", "Tint", "0.1, 0.2,0.3,-4"},
                               {"Input", "Controller", "Arcade Stick Deluxe"}, {nullptr, "SessionID", "41"},
                               {nullptr, "Language", "xxx"}};
    for (const auto& v : values)
        ASSERT_TRUE(config.SetFromText(v[0], v[1], v[2])) << v[1];
    ASSERT_TRUE(config.Save(path.c_str()));
    std::string firstText = ReadBytes(path);

    RConfigFile next;
    Settings read;
    read.Register(next);
    ASSERT_TRUE(next.Load(path.c_str()));
    EXPECT_EQ(settings.master, read.master);
    EXPECT_EQ(INT32_MIN, read.tate);
    EXPECT_EQ(-4.0f, read.tint.a);
    EXPECT_EQ(41, read.sessionId);
    ASSERT_TRUE(next.Save(path.c_str()));
    EXPECT_EQ(firstText, ReadBytes(path));
}

TEST_F(ConfigFileTest, LookupsOfUnregisteredKeysAddNothingAndTypedAccessChecksTheType)
{
    settings.Register(config);
    EXPECT_EQ((uint32_t)RConfigFile::kNoType, config.GetType(Name("Audio"), Name("Nobody")));
    EXPECT_EQ(0, config.GetInt(Name("Audio"), Name("Nobody")));
    // A getter or setter of another type never goes through the target (a bool is one byte, an int four).
    EXPECT_EQ(0, config.GetInt(Name("Audio"), Name("MuteWhenUnfocused")));
    EXPECT_EQ(0.0f, config.GetColor(Name("Audio"), Name("MasterVolume")).r);
    EXPECT_FALSE(config.SetInt(Name("Audio"), Name("Nobody"), 5));
    EXPECT_FALSE(config.SetInt(Name("Audio"), Name("MuteWhenUnfocused"), 0x01010101));
    EXPECT_FALSE(settings.mute);
    EXPECT_EQ(3u, config.GetVariableCount(Name("Audio")));
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_EQ(DefaultsText(), ReadBytes(path));
}

TEST_F(ConfigFileTest, AKeyRegisteredTwiceSetsBothAndUnknownFileContentIsKeptAsRead)
{
    int32_t a = 0, b = 0;
    config.RegisterInt(Name("Twice"), Name("Key"), &a, 1, nullptr);
    config.RegisterInt(Name("Twice"), Name("Key"), &b, 2, nullptr);
    EXPECT_TRUE(config.SetFromText("Twice", "Key", "9"));
    EXPECT_EQ(9, a);
    EXPECT_EQ(9, b);

    settings.Register(config);
    WriteBytes(path, "[Video]\r\nUnused: 12\r\n[Stranger]\r\nx: 1\r\nFullscreen: false\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_TRUE(settings.fullscreen);
    ASSERT_TRUE(config.Save(path.c_str()));
    // Lines no variable takes come back as read, after the section's variables.
    std::string text = ReadBytes(path);
    std::string stranger = "\r\n[" + Spelling("Stranger") + "]\r\nx: 1\r\nFullscreen: false\r\n";
    EXPECT_EQ(text.size() - stranger.size(), text.find(stranger));
    EXPECT_NE(std::string::npos, text.find(Line("Tint", "1.000000, 0.500000, 0.250000, 1.000000") + "Unused: 12\r\n"));
}

TEST_F(ConfigFileTest, AHeaderNamedNullHoldsTheLinesBeforeAnyHeader)
{
    // The name of the empty id, as interning has it: such a header names the section written without one.
    settings.Register(config);
    WriteBytes(path, "[null]\r\nLanguage: French\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(Name("French"), settings.language);
    ASSERT_TRUE(config.Save(path.c_str()));
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(0u, saved.find(Line("SessionID", "0") + Line("Language", Spelling("French")) + "\r\n[")) << saved;
    EXPECT_EQ(std::string::npos, saved.find("[null]")) << saved;
}

std::vector<std::string> Lines(const RUtilVector<RString>& list)
{
    std::vector<std::string> lines;
    for (const RString& line : list)
        lines.push_back(line.GetString());
    return lines;
}

TEST_F(ConfigFileTest, ListingsAndEnumerationFollowRegistrationOrder)
{
    settings.Register(config);
    RUtilVector<RString> list;
    config.ListSections(list);
    EXPECT_EQ((std::vector<std::string>{"    " + Spelling("Audio"), "    " + Spelling("Video"),
                                        "    " + Spelling("Input"), "    (Default)"}),
              Lines(list));

    RHashedString section = Name("audio");
    list.clear();
    config.ListVariables(section, list);
    EXPECT_EQ(Name("Audio"), section);
    EXPECT_EQ((std::vector<std::string>{"    " + Spelling("MasterVolume") + ": 0.700000",
                                        "    " + Spelling("MusicVolume") + ": 0.300000",
                                        "    " + Spelling("MuteWhenUnfocused") + ": false"}),
              Lines(list));
    section = RHashedString();
    list.clear();
    config.ListVariables(section, list);
    EXPECT_EQ(Name("(Default)"), section);
    EXPECT_EQ((std::vector<std::string>{"    " + Spelling("SessionID") + ": 0",
                                        "    " + Spelling("Language") + ": " + Spelling("English")}),
              Lines(list));
    section = Name("Video");
    list.clear();
    config.ListVariables(section, list);
    EXPECT_EQ("    " + Spelling("Tint") + ": 1.000000, 0.500000, 0.250000, 1.000000", Lines(list).back());

    EXPECT_EQ(4u, config.GetSectionCount());
    EXPECT_EQ(Name("Video"), config.GetSectionId(1));
    EXPECT_TRUE(config.GetSectionId(4).IsEmpty());
    EXPECT_EQ(Name("Fullscreen"), config.GetVariableKey(Name("Video"), 1));
    EXPECT_TRUE(config.GetVariableKey(Name("Video"), 3).IsEmpty());
    // Asking about a section that does not exist creates it.
    EXPECT_EQ(0u, config.GetVariableCount(Name("Nowhere")));
    EXPECT_EQ(5u, config.GetSectionCount());
}

// A callback that registers more variables while the configuration walks its own arrays.
RConfigFile* g_growing = nullptr;
int32_t g_spawned[64];
int g_spawnCount = 0;
void SpawnVariables()
{
    for (int i = 0; i < 8 && g_spawnCount < 64; ++i, ++g_spawnCount) {
        std::string section = "Spawned" + std::to_string(g_spawnCount);
        g_growing->RegisterInt(Name(section.c_str()), Name("Key"), &g_spawned[g_spawnCount], 0, nullptr);
        g_growing->RegisterInt(Name("Grow"), Name("Other"), &g_spawned[g_spawnCount], 0, nullptr);
    }
}

TEST_F(ConfigFileTest, CallbacksMayRegisterMoreVariables)
{
    g_growing = &config;
    g_spawnCount = 0;
    int32_t first = 0, second = 0;
    config.RegisterInt(Name("Grow"), Name("Key"), &first, 0, nullptr);
    config.RegisterInt(Name("Grow"), Name("Key"), &second, 0, SpawnVariables);
    EXPECT_TRUE(config.SetFromText("Grow", "Key", "5"));
    EXPECT_TRUE(config.ResetToDefault(Name("Grow"), Name("Key")));
    EXPECT_EQ(0, second);
    EXPECT_EQ(24, g_spawnCount);
    g_growing = nullptr;
}

// A callback that refuses volumes above a half.
RConfigFile* g_checking = nullptr;
float g_checkedVolume = 0.0f;
int g_checks = 0;
void RefuseLoudVolumes()
{
    ++g_checks;
    if (g_checking && g_checkedVolume > 0.5f)
        g_checking->Refuse("too loud");
}

TEST_F(ConfigFileTest, AValueACallbackRefusesLeavesTheVariableAndTheFileAsTheyWere)
{
    g_checking = &config;
    config.RegisterFloat(Name("Audio"), Name("Volume"), &g_checkedVolume, RefuseLoudVolumes, 0.25f, 0.0f, 1.0f);
    WriteBytes(path, "[Audio]\r\nVolume: -3\r\n"); // used as 0, written back as the player wrote it
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_TRUE(config.GetRefusal().IsEmpty());

    // Refused through the text, a typed setter and a range that brings the value down: the callback ran once
    // each time, and the variable, the text it was read from and the file are as they were.
    g_checks = 0;
    EXPECT_TRUE(config.SetFromText("Audio", "Volume", "0.75"));
    EXPECT_STREQ("too loud", config.GetRefusal().GetString());
    EXPECT_TRUE(config.SetFloat(Name("Audio"), Name("Volume"), 0.9f));
    EXPECT_TRUE(config.SetFromText("Audio", "Volume", "7"));
    EXPECT_EQ(3, g_checks);
    EXPECT_EQ(0.0f, g_checkedVolume);
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_EQ("[" + Spelling("Audio") + "]\r\n" + Line("Volume", "-3"), ReadBytes(path));

    EXPECT_TRUE(config.SetFromText("Audio", "Volume", "0.5"));
    EXPECT_TRUE(config.GetRefusal().IsEmpty());
    EXPECT_EQ(0.5f, g_checkedVolume);
    g_checking = nullptr;
}

TEST_F(ConfigFileTest, MalformedFilesAndFailedSaves)
{
    settings.Register(config);
    std::vector<std::string> contents;
    for (size_t length = 0; length < DefaultsText().size(); length += 3)
        contents.push_back(DefaultsText().substr(0, length));
    contents.push_back("[Audio]\r\nMasterVolume: " + std::string(5000, '9') + "\r\n[Video]\r\nTint: " +
                       std::string(400, ',') + "\r\nTate: 3\r\n");
    for (const std::string& bytes : contents) {
        WriteBytes(path, bytes);
        EXPECT_TRUE(config.Load(path.c_str()));
    }
    EXPECT_EQ(3, settings.tate);

    // A folder where the file should be is not read and never written over.
    std::filesystem::create_directory(folder / "Dir.ini");
    EXPECT_TRUE(config.Load((folder / "Dir.ini").c_str()));
    EXPECT_TRUE(config.Save((folder / "Dir.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Dir.ini"));
    EXPECT_FALSE(config.Save((folder / "missing/Config.ini").c_str()));
    EXPECT_EQ(2, folder.FileCount()); // Config.ini and Dir.ini, no temporary file
}

} // namespace

namespace {

struct EngineSettings {
    int32_t minFPS = 0, fixedFPS = 0, plain = 0;
    float deadlock = 0.0f, aspect = -1.0f;
    RColor tint{0, 0, 0, 0};

    void Register(RConfigFile& config)
    {
        config.RegisterInt(Name("Engine"), Name("MinGameFPS"), &minFPS, 15, nullptr, 0, 1000);
        config.RegisterInt(Name("Engine"), Name("FixedGameFPS"), &fixedFPS, 60, nullptr, 0, 1000);
        config.RegisterFloat(Name("Engine"), Name("DeadlockCheckTime"), &deadlock, nullptr, 10.0f, 0.1f, 600.0f);
        // 0 or 0.25 to 4.
        config.RegisterFloat(Name("Engine"), Name("AspectRatio"), &aspect, nullptr, 0.0f, 0.25f, 4.0f, true);
        config.RegisterInt(Name("Engine"), Name("Plain"), &plain, 0, nullptr);
        config.RegisterColor(Name("Engine"), Name("Tint"), &tint, nullptr, 1.0f, 0.5f, 0.25f, 1.0f);
    }
};

// A saved file, loaded by fresh settings and saved again, comes back byte for byte.
void ExpectALoadAndSaveToKeep(const std::string& path, const std::string& saved)
{
    EngineSettings again;
    RConfigFile reread;
    again.Register(reread);
    ASSERT_TRUE(reread.Load(path.c_str()));
    ASSERT_TRUE(reread.Save(path.c_str()));
    EXPECT_EQ(saved, ReadBytes(path));
}

TEST(ConfigRangeTest, ValuesOutsideTheirRangeAreUsedAsTheNearestButTheFileKeepsThePlayersText)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    EngineSettings settings;
    RConfigFile config;
    settings.Register(config);
    WriteBytes(path, "[Engine]\r\nMinGameFPS: 100000\r\nFixedGameFPS: -5\r\nDeadlockCheckTime: nan\r\n"
                     "AspectRatio: 0.001\r\nPlain: 2147483647\r\nTint: nan,0.1,nan,1\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(1000, settings.minFPS);
    EXPECT_EQ(0, settings.fixedFPS);
    EXPECT_EQ(10.0f, settings.deadlock); // NaN gives the default
    EXPECT_EQ(0.0f, settings.aspect);
    EXPECT_EQ(INT32_MAX, settings.plain); // no range: the whole type
    EXPECT_EQ(1.0f, settings.tint.r);
    EXPECT_EQ(0.25f, settings.tint.b);
    EXPECT_EQ(std::string("[Engine]\r\nMinGameFPS: 100000\r\nFixedGameFPS: -5\r\nDeadlockCheckTime: nan\r\n"
                          "AspectRatio: 0.001\r\nPlain: 2147483647\r\nTint: nan,0.1,nan,1\r\n").size(),
              ReadBytes(path).size()); // loading never rewrites the file

    // Saved again, what the player wrote stands for as long as the value it gave does.
    ASSERT_TRUE(config.SetInt(Name("Engine"), Name("FixedGameFPS"), 30));
    ASSERT_TRUE(config.Save(path.c_str()));
    const std::string text = ReadBytes(path);
    EXPECT_NE(std::string::npos, text.find(Spelling("MinGameFPS") + ": 100000\r\n"));
    EXPECT_NE(std::string::npos, text.find(Spelling("DeadlockCheckTime") + ": nan\r\n"));
    EXPECT_NE(std::string::npos, text.find(Spelling("AspectRatio") + ": 0.001\r\n"));
    EXPECT_NE(std::string::npos, text.find(Spelling("FixedGameFPS") + ": 30\r\n"));
    EXPECT_NE(std::string::npos, text.find(Spelling("Tint") + ": nan,0.1,nan,1\r\n"));

    // The console's text and the typed setters meet the same range. A range that also takes 0 gives the nearer
    // of 0 and its minimum to a value between them.
    const std::tuple<const char*, const char*, float, const float*> floats[] = {
        {"DeadlockCheckTime", "-1", 0.1f, &settings.deadlock},  {"DeadlockCheckTime", "inf", 600.0f, &settings.deadlock},
        {"DeadlockCheckTime", "2.5", 2.5f, &settings.deadlock}, {"AspectRatio", "2", 2.0f, &settings.aspect},
        {"AspectRatio", "1e-30", 0.0f, &settings.aspect},       {"AspectRatio", "0.2", 0.25f, &settings.aspect},
        {"AspectRatio", "0.1", 0.0f, &settings.aspect},         {"AspectRatio", "-1", 0.0f, &settings.aspect},
        {"AspectRatio", "-inf", 0.0f, &settings.aspect},        {"AspectRatio", "100", 4.0f, &settings.aspect},
        {"AspectRatio", "inf", 4.0f, &settings.aspect},         {"AspectRatio", "0", 0.0f, &settings.aspect}};
    for (const auto& [key, value, expected, variable] : floats) {
        EXPECT_TRUE(config.SetFromText("Engine", key, value));
        EXPECT_EQ(expected, *variable) << key << " " << value;
    }
    EXPECT_TRUE(config.SetFloat(Name("Engine"), Name("DeadlockCheckTime"), -INFINITY));
    EXPECT_EQ(0.1f, settings.deadlock);
    EXPECT_TRUE(config.SetInt(Name("Engine"), Name("MinGameFPS"), -3));
    EXPECT_EQ(0, settings.minFPS);
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_NE(std::string::npos, ReadBytes(path).find(Spelling("MinGameFPS") + ": 0\r\n"));
}

TEST(ConfigUnknownLinesTest, NotesAndUnknownLinesStayUnderTheirSectionsInFileOrder)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    EngineSettings settings;
    RConfigFile config;
    settings.Register(config);
    const std::string longNote = "; " + std::string(400, 'n');
    WriteBytes(path, "; Settings of my own machine\r\nGreeting: hello\r\n"
                     "[Engine]\r\n; the loop's steps\r\nMinGameFPS: 20\r\nUnused = 3\r\n"
                     "  remember to lower it on the laptop\r\n   \r\n;; end of engine\r\n"
                     "[Mine]\r\n; only notes and strangers here\r\nLong: " + std::string(300, 'v') + "\r\n" +
                     longNote + "\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(20, settings.minFPS);
    ASSERT_TRUE(config.Save(path.c_str()));

    // Each section's kept lines follow its variables in the order read; a key line is written with ":", a value
    // cut to the reader's 255 characters and a note to its 319; blank lines are not kept.
    const std::string saved = ReadBytes(path);
    const std::string top = "; Settings of my own machine\r\nGreeting: hello\r\n\r\n[" + Spelling("Engine") + "]\r\n";
    EXPECT_EQ(0u, saved.find(top)) << saved;
    const std::string rest = Line("Tint", "1.000000, 0.500000, 0.250000, 1.000000") +
                             "; the loop's steps\r\nUnused: 3\r\n  remember to lower it on the laptop\r\n"
                             ";; end of engine\r\n\r\n[" + Spelling("Mine") + "]\r\n; only notes and strangers here\r\n"
                             "Long: " + std::string(255, 'v') + "\r\n" + longNote.substr(0, 319) + "\r\n";
    ASSERT_LE(rest.size(), saved.size());
    EXPECT_EQ(rest, saved.substr(saved.size() - rest.size())) << saved;

    ExpectALoadAndSaveToKeep(path, saved);
}

TEST(ConfigUnknownLinesTest, ABareHeaderAndALineReadWholeComeBackAtTheSave)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    EngineSettings settings;
    RConfigFile config;
    settings.Register(config);
    // The longest key and value in a line of the longest length the reader takes whole.
    const std::string longest = std::string(63, 'k') + "=" + std::string(255, 'v');
    ASSERT_EQ(319u, longest.size());
    WriteBytes(path, "[Engine]\r\nMinGameFPS: 20\r\n[Empty]\r\n[Mine]\r\n" + longest + "\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    ASSERT_TRUE(config.Save(path.c_str()));
    const std::string saved = ReadBytes(path);
    EXPECT_NE(std::string::npos, saved.find("\r\n\r\n[" + Spelling("Empty") + "]\r\n\r\n[")) << saved;
    EXPECT_NE(std::string::npos, saved.find("\r\n" + std::string(63, 'k') + ":" + std::string(255, 'v') + "\r\n"))
        << saved;

    ExpectALoadAndSaveToKeep(path, saved);
}

TEST(ConfigUnknownLinesTest, AZeroByteLosesNoLineAfterIt)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    float volume = 0.0f, brightness = 0.0f;
    int32_t difficulty = 0;
    RConfigFile config;
    config.RegisterFloat(Name("Audio"), Name("MasterVolume"), &volume, nullptr, 0.7f, 0.0f, 1.0f);
    config.RegisterFloat(Name("Video"), Name("Brightness"), &brightness, nullptr, 1.0f, 0.5f, 2.0f);
    config.RegisterInt(Name("Game"), Name("Difficulty"), &difficulty, 1, nullptr);
    WriteBytes(path, "[Audio]\n; a note with a zero " + std::string(1, '\0') +
                         " byte\nMasterVolume: 0.21\n[Video]\n; video note\nBrightness: 1.7\n[Game]\nDifficulty: 2\n"
                         "[MyStuff]\nfoo: bar\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(0.21f, volume);
    EXPECT_EQ(1.7f, brightness);
    EXPECT_EQ(2, difficulty);
    ASSERT_TRUE(config.Save(path.c_str()));
    // The line holding the zero byte is kept without it.
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(std::string::npos, saved.find('\0'));
    for (const char* line : {"; a note with a zero  byte\r\n", "; video note\r\n", "[MyStuff]\r\n", "foo: bar\r\n"})
        EXPECT_NE(std::string::npos, saved.find(line)) << line << " is missing from:\n" << saved;
}

// Bytes from 0x80 up are text like any other, whether they make UTF-8 ("é" as C3 A9) or stand alone as a
// player's editor may write them (E9 for "é"): a note, a value no setting takes and a section no setting reads
// come back byte for byte.
TEST(ConfigUnknownLinesTest, BytesFrom0x80UpComeBackByteForByte)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    EngineSettings settings;
    RConfigFile config;
    settings.Register(config);
    std::string every;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        every += (char)byte;
    const std::string note = "; caf\xC3\xA9 or caf\xE9: " + every;
    const std::string value = "Town: Z\xC3\xBCrich \xE9t\xE9 " + every;
    const std::string header = "[Caf\xC3\xA9 \xE9t\xE9 \x80\xFF]";
    const std::string line = "Key: \xC3\xA9\xE9";
    WriteBytes(path,
               "[Engine]\r\nMinGameFPS: 20\r\n" + note + "\r\n" + value + "\r\n" + header + "\r\n" + line + "\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(20, settings.minFPS);
    ASSERT_TRUE(config.Save(path.c_str()));
    const std::string saved = ReadBytes(path);
    // The note and the value close the engine's section; the section of its own, after a blank line, ends the file.
    const std::string rest = note + "\r\n" + value + "\r\n\r\n" + header + "\r\n" + line + "\r\n";
    ASSERT_LE(rest.size(), saved.size()) << saved;
    EXPECT_EQ(rest, saved.substr(saved.size() - rest.size())) << saved;

    ExpectALoadAndSaveToKeep(path, saved);
}

TEST(ConfigUnknownLinesTest, ManyUnknownSectionsAreBoundedAndTheRestReadsBackAsWritten)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    EngineSettings settings;
    RConfigFile config;
    settings.Register(config);
    std::string text = "[Engine]\r\nMinGameFPS: 20\r\n[key: opens like a header\r\n";
    // Many more sections than are kept, in a file within the size a settings file may have.
    for (int i = 0; i < 20000; ++i)
        text += "[Unknown" + std::to_string(i) + "]\r\nKey" + std::to_string(i) + ": " + std::to_string(i) + "\r\n";
    ASSERT_LE(text.size(), RConfigFile::kMaxFileBytes);
    WriteBytes(path, text);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(config.Load(path.c_str()));
    // The message names the bound that was reached.
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, said.find("more than 256 sections that no setting takes")) << said;
    EXPECT_EQ(std::string::npos, said.find("lines that no setting takes")) << said;
    EXPECT_EQ(20, settings.minFPS);
    ASSERT_TRUE(config.Save(path.c_str()));
    const std::string saved = ReadBytes(path);
    size_t headers = 0;
    for (size_t at = saved.find("\r\n["); at != std::string::npos; at = saved.find("\r\n[", at + 1))
        ++headers;
    EXPECT_LE(headers, RConfigFile::kMaxUnknownSections + 1);
    EXPECT_NE(std::string::npos, saved.find("Key0: 0\r\n"));
    // The line is a header, and comes back as one: as a key line it would read back as another section.
    EXPECT_NE(std::string::npos, saved.find("\r\n[key: opens like a header]\r\n"));
    EXPECT_EQ(std::string::npos, saved.find("[key: opens like a header\r\n"));

    ExpectALoadAndSaveToKeep(path, saved);
}

TEST(ConfigUnknownLinesTest, ManyUnknownLinesAreBoundedAndSaidSo)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    EngineSettings settings;
    RConfigFile config;
    settings.Register(config);
    std::string text = "[Unknown]\r\n";
    for (int i = 0; i < 2000; ++i)
        text += "Key" + std::to_string(i) + ": " + std::to_string(i) + "\r\n";
    WriteBytes(path, text);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(config.Load(path.c_str()));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, said.find("more than 1024 lines that no setting takes")) << said;
    EXPECT_EQ(std::string::npos, said.find("sections that no setting takes")) << said;
    ASSERT_TRUE(config.Save(path.c_str()));
    const std::string saved = ReadBytes(path);
    EXPECT_NE(std::string::npos, saved.find("Key1023: 1023\r\n"));
    EXPECT_EQ(std::string::npos, saved.find("Key1024: 1024\r\n"));
}

TEST(ConfigUnreadableTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    TempFolder folder;
    std::filesystem::permissions(folder.path, std::filesystem::perms::all);
    // A FIFO opens at once and is refused, where reading it would block for good.
    const std::string fifo = folder / "Fifo.ini";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0666));
    {
        EngineSettings settings;
        RConfigFile config;
        settings.Register(config);
        EXPECT_TRUE(config.Load(fifo.c_str()));
        EXPECT_EQ(15, settings.minFPS);
        EXPECT_TRUE(config.Save(fifo.c_str()));
        struct stat info;
        ASSERT_EQ(0, lstat(fifo.c_str(), &info));
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
    }
    // A file the player may not read keeps its bytes through a load and a save.
    const std::string locked = folder / "Config.ini";
    WriteBytes(locked, "[Engine]\r\nMinGameFPS: 20\r\n");
    ASSERT_EQ(0, chmod(locked.c_str(), 0));
    EXPECT_EQ(0, RunUnprivileged([&locked] {
        EngineSettings settings;
        RConfigFile config;
        settings.Register(config);
        const bool kept = config.Load(locked.c_str()) && settings.minFPS == 15 && config.Save(locked.c_str());
        return kept ? 0 : 1;
    }));
    ASSERT_EQ(0, chmod(locked.c_str(), 0644));
    EXPECT_EQ("[Engine]\r\nMinGameFPS: 20\r\n", ReadBytes(locked));
    EXPECT_EQ(2, folder.FileCount());
}

TEST(ConfigUnreadableTest, AFileLargerThanSettingsCanBeIsNeitherReadNorWrittenOver)
{
    TempFolder folder;
    const std::string path = folder / "Config.ini";
    const std::string head = "[Engine]\r\nMinGameFPS: 20\r\n";
    // At the limit, padded with blank lines: read.
    WriteBytes(path, head + std::string(RConfigFile::kMaxFileBytes - head.size(), '\n'));
    {
        EngineSettings settings;
        RConfigFile config;
        settings.Register(config);
        EXPECT_TRUE(config.Load(path.c_str()));
        EXPECT_EQ(20, settings.minFPS);
    }
    // One byte over it, and 2 GB (sparse, so that the test stays cheap): refused with a message, the defaults
    // stand and the file keeps every byte.
    for (const uint64_t size : {uint64_t{RConfigFile::kMaxFileBytes} + 1, uint64_t{2} << 30}) {
        SCOPED_TRACE(size);
        WriteBytes(path, head);
        std::filesystem::resize_file(path, size);
        EngineSettings settings;
        RConfigFile config;
        settings.Register(config);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(config.Load(path.c_str()));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("larger than 1 MiB"), std::string::npos) << said;
        EXPECT_EQ(15, settings.minFPS);
        EXPECT_TRUE(config.Save(path.c_str()));
        EXPECT_EQ(std::filesystem::file_size(path), size);
        FILE* file = fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char start[64] = {};
        EXPECT_EQ(fread(start, 1, head.size(), file), head.size());
        fclose(file);
        EXPECT_EQ(head, std::string(start));
    }
}

TEST(ConfigLinkTest, ASettingsFileKeptElsewhereIsReadAndWrittenThroughItsLink)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "kept");
    WriteBytes(folder / "kept/Config.ini", "[Engine]\r\nMinGameFPS: 20\r\n");
    std::filesystem::create_symlink("kept/Config.ini", folder / "Config.ini");
    // A link to a file not made yet counts as missing: the defaults are written at its target.
    std::filesystem::create_symlink(folder / "kept/New.ini", folder / "New.ini");
    for (const char* link : {"Config.ini", "New.ini"}) {
        EngineSettings settings;
        RConfigFile config;
        settings.Register(config);
        ASSERT_TRUE(config.Load((folder / link).c_str()));
        ASSERT_TRUE(config.SetInt(Name("Engine"), Name("FixedGameFPS"), 50));
        ASSERT_TRUE(config.Save((folder / link).c_str()));
        EXPECT_TRUE(std::filesystem::is_symlink(folder / link)) << link;
    }
    EXPECT_NE(std::string::npos, ReadBytes(folder / "kept/Config.ini").find(Spelling("MinGameFPS") + ": 20\r\n"));
    EXPECT_NE(std::string::npos, ReadBytes(folder / "kept/New.ini").find(Spelling("FixedGameFPS") + ": 50\r\n"));
    EXPECT_EQ(3, folder.FileCount()); // the two links and "kept", which holds the two files and no temporary
    EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(folder / "kept"), {}));
}

} // namespace
