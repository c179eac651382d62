// Typed configuration variables and "Config.ini", on real files in temporary folders.
#include "core/RConfigFile.h"
#include "core/RHashedString.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

RHashedString Name(const char* text)
{
    return RHashedString(text);
}

std::vector<std::string> Lines(const RUtilVector<RString>& lines)
{
    std::vector<std::string> out;
    for (const RString& line : lines)
        out.push_back(line.GetString());
    return out;
}

int g_volumeCalls = 0;
float* g_watchedVolume = nullptr;
float g_volumeSeen = -1.0f;
void OnVolume()
{
    ++g_volumeCalls;
    g_volumeSeen = g_watchedVolume ? *g_watchedVolume : -1.0f;
}

// Storage of a base game's worth of variables, registered in a fixed order.
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
std::string Spelling(const char* name)
{
    return RHashedString(name).GetString();
}

std::string Line(const char* key, const std::string& value)
{
    return Spelling(key) + ": " + value + "\r\n";
}

// "Config.ini" as Settings::Register leaves it.
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
        char pattern[] = "/tmp/rolt-config-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder = made ? made : "";
        path = folder + "/Config.ini";
        g_volumeCalls = 0;
        g_watchedVolume = &settings.master;
    }
    void TearDown() override
    {
        g_watchedVolume = nullptr;
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::string folder, path;
    Settings settings;
    RConfigFile config;
};

TEST_F(ConfigFileTest, RegistrationStoresTheDefaultAndCallsTheCallbackOnceWithItInPlace)
{
    settings.Register(config);
    EXPECT_FLOAT_EQ(0.7f, settings.master);
    EXPECT_EQ(1, g_volumeCalls);
    EXPECT_FLOAT_EQ(0.7f, g_volumeSeen);
    EXPECT_FALSE(settings.mute);
    EXPECT_EQ(0, settings.tate);
    EXPECT_EQ(Name("virtual controller"), settings.controller);
    EXPECT_FLOAT_EQ(0.25f, settings.tint.b);

    ASSERT_EQ(4u, config.GetSectionCount());
    EXPECT_EQ(Name("Audio"), config.GetSectionId(0));
    EXPECT_EQ(RHashedString(), config.GetSectionId(3));
    EXPECT_EQ(RHashedString(), config.GetSectionId(4));
    EXPECT_EQ(3u, config.GetVariableCount(Name("audio")));
    EXPECT_EQ(Name("MusicVolume"), config.GetVariableKey(Name("Audio"), 1));
    EXPECT_EQ(RHashedString(), config.GetVariableKey(Name("Audio"), 3));
    EXPECT_EQ((uint32_t)RConfigFile::kColor, config.GetType(Name("Video"), Name("Tint")));
    EXPECT_EQ(0, config.GetInt(Name("Video"), Name("Tate")));
    EXPECT_TRUE(config.GetBool(Name("Video"), Name("Fullscreen")));

    // A null target registers nothing.
    config.RegisterInt(Name("Video"), Name("Ghost"), nullptr, 5, OnVolume);
    EXPECT_EQ(3u, config.GetVariableCount(Name("Video")));
    EXPECT_EQ(1, g_volumeCalls);
}

TEST_F(ConfigFileTest, MissingFileIsWrittenWithTheDefaultsInTheStoredFormat)
{
    settings.Register(config);
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(DefaultsText(), ReadBytes(path));
}

TEST_F(ConfigFileTest, RoundTripKeepsEveryValueExactly)
{
    settings.Register(config);
    ASSERT_TRUE(config.SetFromText("Audio", "MasterVolume", "0.123456"));
    ASSERT_TRUE(config.SetFromText("audio", "musicvolume", "1000.5"));
    ASSERT_TRUE(config.SetFromText("Audio", "MuteWhenUnfocused", "yes"));
    ASSERT_TRUE(config.SetFromText("Video", "Tate", "-2147483648"));
    ASSERT_TRUE(config.SetFromText("Video", "Fullscreen", "off"));
    ASSERT_TRUE(config.SetFromText("Video", "Tint", "0.1, 0.2,0.3,-4"));
    ASSERT_TRUE(config.SetFromText("Input", "Controller", "Arcade Stick Deluxe"));
    ASSERT_TRUE(config.SetFromText(nullptr, "SessionID", "41"));
    ASSERT_TRUE(config.SetFromText(nullptr, "Language", "xxx"));
    Settings written = settings;
    ASSERT_TRUE(config.Save(path.c_str()));
    std::string firstText = ReadBytes(path);

    // A new program run: the defaults are registered, then the file is read over them.
    RConfigFile next;
    Settings read;
    read.Register(next);
    ASSERT_TRUE(next.Load(path.c_str()));
    EXPECT_EQ(written.master, read.master);
    EXPECT_EQ(written.music, read.music);
    EXPECT_EQ(written.mute, read.mute);
    EXPECT_EQ(INT32_MIN, read.tate);
    EXPECT_FALSE(read.fullscreen);
    EXPECT_EQ(written.tint.r, read.tint.r);
    EXPECT_EQ(written.tint.g, read.tint.g);
    EXPECT_EQ(written.tint.b, read.tint.b);
    EXPECT_EQ(-4.0f, read.tint.a);
    EXPECT_EQ(written.controller, read.controller);
    EXPECT_EQ(41, read.sessionId);
    EXPECT_EQ(Name("XXX"), read.language);
    ASSERT_TRUE(next.Save(path.c_str()));
    EXPECT_EQ(firstText, ReadBytes(path));
}

TEST_F(ConfigFileTest, TextValuesByTypeDefaultsAndUnknownKeys)
{
    settings.Register(config);
    int callsBefore = g_volumeCalls;
    ASSERT_TRUE(config.SetFromText(Name("Audio"), Name("MasterVolume"), "0.25"));
    EXPECT_EQ(callsBefore + 1, g_volumeCalls);
    EXPECT_FLOAT_EQ(0.25f, g_volumeSeen);
    ASSERT_TRUE(config.SetFromText("Audio", "MasterVolume", "DeFault"));
    EXPECT_FLOAT_EQ(0.7f, settings.master);
    EXPECT_EQ(callsBefore + 2, g_volumeCalls);
    ASSERT_TRUE(config.SetFromText("Audio", "MasterVolume", "DEF"));
    EXPECT_EQ(callsBefore + 3, g_volumeCalls);

    ASSERT_TRUE(config.SetFromText("Video", "Tint", "1,0.5"));
    EXPECT_EQ(1.0f, settings.tint.r);
    EXPECT_EQ(0.5f, settings.tint.g);
    EXPECT_EQ(0.0f, settings.tint.b);
    EXPECT_EQ(0.0f, settings.tint.a);
    ASSERT_TRUE(config.SetFromText("Video", "Tate", "not a number"));
    EXPECT_EQ(0, settings.tate);

    EXPECT_FALSE(config.SetFromText("Video", "Nobody", "1"));
    EXPECT_FALSE(config.SetFromText("Audio", "Tate", "1"));
    EXPECT_FALSE(config.ResetToDefault(Name("Video"), Name("Nobody")));
    EXPECT_TRUE(config.ResetToDefault(Name("Video"), Name("Tint")));
    EXPECT_EQ(0.25f, settings.tint.b);
}

TEST_F(ConfigFileTest, LookupsOfUnregisteredKeysAddNothingAndTypedAccessChecksTheType)
{
    settings.Register(config);
    EXPECT_EQ((uint32_t)RConfigFile::kNoType, config.GetType(Name("Audio"), Name("Nobody")));
    EXPECT_EQ(0, config.GetInt(Name("Audio"), Name("Nobody")));
    EXPECT_EQ(0.0f, config.GetFloat(Name("Audio"), Name("Nobody")));
    EXPECT_FALSE(config.GetBool(Name("Audio"), Name("Nobody")));
    EXPECT_EQ(RHashedString(), config.GetHashedString(Name("Audio"), Name("Nobody")));
    EXPECT_EQ(0.0f, config.GetColor(Name("Audio"), Name("Nobody")).a);
    EXPECT_EQ(3u, config.GetVariableCount(Name("Audio")));

    // A getter of another type reads nothing through the target (a bool is one byte, an int four).
    EXPECT_EQ(0, config.GetInt(Name("Audio"), Name("MuteWhenUnfocused")));
    EXPECT_EQ(0.0f, config.GetColor(Name("Audio"), Name("MasterVolume")).r);

    EXPECT_FALSE(config.SetInt(Name("Audio"), Name("Nobody"), 5));
    EXPECT_FALSE(config.SetInt(Name("Audio"), Name("MuteWhenUnfocused"), 0x01010101));
    EXPECT_FALSE(settings.mute);
    EXPECT_EQ(3u, config.GetVariableCount(Name("Audio")));
    ASSERT_FALSE(config.Save(nullptr));
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_EQ(DefaultsText(), ReadBytes(path));

    int callsBefore = g_volumeCalls;
    EXPECT_TRUE(config.SetFloat(Name("Audio"), Name("MasterVolume"), 0.5f));
    EXPECT_EQ(callsBefore + 1, g_volumeCalls);
    EXPECT_EQ(0.5f, config.GetFloat(Name("Audio"), Name("MasterVolume")));
    EXPECT_TRUE(config.SetBool(Name("Audio"), Name("MuteWhenUnfocused"), true));
    EXPECT_TRUE(config.SetInt(Name("Video"), Name("Tate"), 3));
    EXPECT_TRUE(config.SetHashedString(Name("Input"), Name("Controller"), Name("Pad")));
    EXPECT_TRUE(config.SetColor(Name("Video"), Name("Tint"), RColor{0, 1, 0, 1}));
    EXPECT_TRUE(settings.mute);
    EXPECT_EQ(3, settings.tate);
    EXPECT_EQ(Name("pad"), config.GetHashedString(Name("Input"), Name("Controller")));
    EXPECT_EQ(1.0f, config.GetColor(Name("Video"), Name("Tint")).g);
}

TEST_F(ConfigFileTest, AKeyRegisteredTwiceSetsBothAndUnknownFileContentChangesNothing)
{
    int32_t a = 0, b = 0;
    config.RegisterInt(Name("Twice"), Name("Key"), &a, 1, nullptr);
    config.RegisterInt(Name("Twice"), Name("Key"), &b, 2, nullptr);
    EXPECT_TRUE(config.SetFromText("Twice", "Key", "9"));
    EXPECT_EQ(9, a);
    EXPECT_EQ(9, b);
    EXPECT_TRUE(config.SetFromText("Twice", "Key", "default"));
    EXPECT_EQ(1, a);
    EXPECT_EQ(2, b);

    settings.Register(config);
    WriteBytes(path, "[Video]\r\nUnused: 12\r\n[Stranger]\r\nx: 1\r\nFullscreen: false\r\n");
    ASSERT_TRUE(config.Load(path.c_str()));
    EXPECT_TRUE(settings.fullscreen);
    ASSERT_TRUE(config.Save(path.c_str()));
    std::string text = ReadBytes(path);
    std::string header = "\r\n[" + Spelling("Stranger") + "]\r\n";
    EXPECT_EQ(text.size() - header.size(), text.find(header));  // the unregistered section is a bare header
}

TEST_F(ConfigFileTest, HashedStringComesBackInItsFirstSpelling)
{
    RHashedString original("ConfigFileTestFirstSpelling");
    RHashedString value;
    config.RegisterString(Name("S"), Name("V"), &value, RHashedString(), nullptr);
    ASSERT_TRUE(config.SetFromText("S", "V", "CONFIGFILETESTFIRSTSPELLING"));
    EXPECT_EQ(original, value);
    ASSERT_TRUE(config.Save(path.c_str()));
    EXPECT_NE(std::string::npos, ReadBytes(path).find("V: ConfigFileTestFirstSpelling\r\n"));
}

TEST_F(ConfigFileTest, ListingsAndTheDefaultSection)
{
    settings.Register(config);
    RUtilVector<RString> lines;
    config.ListSections(lines);
    EXPECT_EQ(std::vector<std::string>({"    " + Spelling("Audio"), "    " + Spelling("Video"), "    " + Spelling("Input"),
                                        "    (Default)"}),
              Lines(lines));

    RUtilVector<RString> variables;
    RHashedString section = Name("Video");
    config.ListVariables(section, variables);
    EXPECT_EQ(Name("Video"), section);
    EXPECT_EQ(std::vector<std::string>({"    " + Spelling("Tate") + ": 0", "    " + Spelling("Fullscreen") + ": true",
                                        "    " + Spelling("Tint") + ": 1.000000, 0.500000, 0.250000, 1.000000"}),
              Lines(variables));

    RUtilVector<RString> unnamed;
    section = RHashedString();
    config.ListVariables(section, unnamed);
    EXPECT_EQ(Name("(Default)"), section);
    EXPECT_EQ(std::vector<std::string>({"    " + Spelling("SessionID") + ": 0",
                                        "    " + Spelling("Language") + ": " + Spelling("English")}),
              Lines(unnamed));

    // Asking for a section creates it.
    RUtilVector<RString> none;
    section = Name("Fresh");
    config.ListVariables(section, none);
    EXPECT_TRUE(none.isEmpty());
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

TEST_F(ConfigFileTest, MalformedFilesEndCleanly)
{
    settings.Register(config);
    const std::string sample = DefaultsText();
    for (size_t length = 0; length < sample.size(); length += 3) {
        WriteBytes(path, sample.substr(0, length));
        EXPECT_TRUE(config.Load(path.c_str()));
    }

    std::mt19937 random(7);
    std::string garbage(200000, 0);
    for (char& c : garbage)
        c = (char)(random() & 0xFF);
    WriteBytes(path, garbage);
    EXPECT_TRUE(config.Load(path.c_str()));

    WriteBytes(path, "[Audio]\r\nMasterVolume: " + std::string(5000, '9') + "\r\n[Video]\r\nTint: " +
                        std::string(400, ',') + "\r\nTate: 3\r\n");
    EXPECT_TRUE(config.Load(path.c_str()));
    EXPECT_EQ(3, settings.tate);

    // A folder where the file should be: it opens but cannot be read, and is left alone.
    std::filesystem::create_directory(folder + "/Dir.ini");
    EXPECT_FALSE(config.Load((folder + "/Dir.ini").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/Dir.ini"));
    EXPECT_FALSE(config.Load((folder + "/missing/Config.ini").c_str()));
}

TEST_F(ConfigFileTest, FailedSaveLeavesTheOldFileWhole)
{
    settings.Register(config);
    std::filesystem::create_directory(folder + "/Taken.ini");
    EXPECT_FALSE(config.Save((folder + "/Taken.ini").c_str()));
    EXPECT_FALSE(config.Save((folder + "/missing/Config.ini").c_str()));
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(1, entries);
}

} // namespace
