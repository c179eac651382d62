// The bindings file: round trips, the exact bytes, the overlay of the file on the default bindings, and files that
// are cut short, corrupted or refused.
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Binding = std::tuple<uint32_t, uint32_t, uint32_t>; // kind, source, code bits
using Lists = std::map<std::string, std::vector<Binding>>; // "group.action" to its bindings

struct FileBuilder {
    Bytes bytes;

    FileBuilder& Raw(const void* data, size_t size)
    {
        const uint8_t* at = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), at, at + size);
        return *this;
    }
    FileBuilder& U32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    FileBuilder& Header(const char* magic = "xbnd", uint32_t version = 3, const char* tag = "rfml")
    {
        return Raw(magic, 4).U32(version).Raw(tag, 4);
    }
    FileBuilder& Name(const std::string& text) { return U32(uint32_t(text.size() + 1)).Raw(text.c_str(), text.size() + 1); }
    FileBuilder& Key(uint32_t scancode) { return U32(1).U32(1).U32(scancode); }
    FileBuilder& Axis(uint32_t source, float direction)
    {
        uint32_t bits;
        std::memcpy(&bits, &direction, 4);
        return U32(2).U32(source).U32(bits);
    }
};

void DefaultBindingsForTests()
{
    RControlConfig* config = RControlConfig::GetInstance();
    config->AddDefinedInput(RHashedString("Menus"), RHashedString("Accept"), RDefinedInput::Button(1, 40));
    config->AddDefinedInput(RHashedString("Menus"), RHashedString("Cancel"), RDefinedInput::Button(1, 41));
    config->AddDefinedInput(RHashedString("Gameplay"), RHashedString("Jump"), RDefinedInput::Button(1, 44));
    config->AddDefinedInput(RHashedString("Gameplay"), RHashedString("Jump"), RDefinedInput::Button(4, 0));
    config->AddDefinedInput(RHashedString("Gameplay"), RHashedString("MoveLeft"), RDefinedInput::Button(1, 80));
    config->AddDefinedInput(RHashedString("Gameplay"), RHashedString("MoveRight"), RDefinedInput::Axis(34, 1.0f));
}

class BindingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/rolt-bindings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        path = folder + "/ControlBindings.bnd";
        Register();
        config->RestoreDefaultBindings();
        defaults = Current();
    }
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
        std::string command = "rm -rf '" + folder + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }

    // The groups and actions as a program registers them, with the test defaults.
    void Register()
    {
        config = RControlConfig::GetInstance();
        config->SetDefaultBindingsHook(&DefaultBindingsForTests);
        config->AddGroup(RHashedString("Menus"), false, false, true, false);
        config->AddControl(RHashedString("Menus"), RHashedString("Accept"), false);
        config->AddControl(RHashedString("Menus"), RHashedString("Cancel"), false);
        config->AddGroup(RHashedString("Gameplay"), true, true, false, false);
        config->AddControl(RHashedString("Gameplay"), RHashedString("Jump"), false);
        config->AddControl(RHashedString("Gameplay"), RHashedString("MoveLeft"), true);
        config->AddControl(RHashedString("Gameplay"), RHashedString("MoveRight"), false);
    }
    // A new configuration, as in a new run of the program.
    void Restart()
    {
        RControlConfig::DestroyInstance();
        Register();
    }

    Lists Current() const
    {
        Lists lists;
        for (uint32_t g = 0; g < config->GetNumGroups(); ++g) {
            RHashedString group = config->GetGroupName(int32_t(g));
            for (uint32_t a = 0; a < config->GetNumControls(group); ++a) {
                RHashedString action = config->GetControlName(group, int32_t(a));
                std::vector<Binding>& list = lists[std::string(group.GetString()) + "." + action.GetString()];
                for (const RDefinedInput& input : *config->FindInputList(group, action)) {
                    list.emplace_back(input.kind, input.source, input.code);
                    EXPECT_EQ(input.lastUsed, 0.0f);
                }
            }
        }
        return lists;
    }

    void Write(const Bytes& bytes) const
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Bytes Read() const
    {
        std::ifstream file(path, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    bool Exists() const
    {
        struct stat info;
        return stat(path.c_str(), &info) == 0;
    }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        DIR* dir = opendir(folder.c_str());
        while (dirent* entry = dir ? readdir(dir) : nullptr) {
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        }
        if (dir)
            closedir(dir);
        return names;
    }
    // Writes bytes, loads them and checks that the load left the file as it was.
    Lists LoadFile(const Bytes& bytes)
    {
        Write(bytes);
        config->LoadBindings(path.c_str());
        EXPECT_EQ(Read(), bytes) << "a load never rewrites an existing file";
        return Current();
    }

    std::string folder;
    std::string path;
    RControlConfig* config = nullptr;
    Lists defaults;
};

} // namespace

TEST_F(BindingsFile, ASavedFileLoadsBackEveryListInOrder)
{
    config->ClearAllInputs();
    config->AddDefinedInput(RHashedString("Menus"), RHashedString("Accept"), RDefinedInput::Button(1, 40));
    config->AddDefinedInput(RHashedString("Menus"), RHashedString("Accept"), RDefinedInput::Button(2, 2));
    config->AddDefinedInput(RHashedString("Menus"), RHashedString("Accept"), RDefinedInput::Axis(35, -1.0f));
    config->AddDefinedInput(RHashedString("Gameplay"), RHashedString("MoveLeft"), RDefinedInput::Axis(4, 0.5f));
    config->AddDefinedInput(RHashedString("Gameplay"), RHashedString("MoveLeft"), RDefinedInput::Button(3, 7));
    Lists saved = Current();
    EXPECT_EQ(saved["Gameplay.MoveLeft"][0], Binding(2, 4, 0x3F000000u));
    config->FindInputList(RHashedString("Gameplay"), RHashedString("MoveLeft"))->getData()[0].lastUsed = 3.0f;
    ASSERT_TRUE(config->SaveBindings(path.c_str()));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"ControlBindings.bnd"}) << "no temporary file is left";

    Restart();
    config->LoadBindings(path.c_str());
    Lists loaded = Current(); // also checks that every lastUsed is 0
    EXPECT_EQ(loaded, saved);
    EXPECT_TRUE(loaded["Gameplay.Jump"].empty()) << "an empty list in the file unbinds";
}

TEST_F(BindingsFile, TheLayoutIsExact)
{
    RControlConfig::DestroyInstance();
    config = RControlConfig::GetInstance();
    // Names no other test interns first in another case.
    config->AddGroup(RHashedString("Gq"), false, false, true, false);
    config->AddControl(RHashedString("Gq"), RHashedString("Aq"), false);
    config->AddControl(RHashedString("Gq"), RHashedString("Hiddenq"), true);
    config->AddDefinedInput(RHashedString("Gq"), RHashedString("Aq"), RDefinedInput::Button(1, 44));
    config->AddDefinedInput(RHashedString("Gq"), RHashedString("Aq"), RDefinedInput::Axis(35, -1.0f));
    ASSERT_TRUE(config->SaveBindings(path.c_str()));
    const uint8_t expected[] = {
        'x', 'b', 'n', 'd', 3, 0, 0, 0, 'r', 'f', 'm', 'l', 1, 0, 0, 0,     // header, one group
        3, 0, 0, 0, 'G', 'q', 0, 2, 0, 0, 0,                                 // "Gq", two actions
        3, 0, 0, 0, 'A', 'q', 0, 2, 0, 0, 0,                                 // "Aq", two bindings
        1, 0, 0, 0, 1, 0, 0, 0, 44, 0, 0, 0,                                 // key 44
        2, 0, 0, 0, 35, 0, 0, 0, 0x00, 0x00, 0x80, 0xBF,                     // left stick y, -1.0
        8, 0, 0, 0, 'H', 'i', 'd', 'd', 'e', 'n', 'q', 0, 0, 0, 0, 0,        // "Hiddenq", no bindings
    };
    EXPECT_EQ(Read(), Bytes(std::begin(expected), std::end(expected)));
}

TEST_F(BindingsFile, AMissingFileIsWrittenWithTheDefaults)
{
    config->ClearAllInputs();
    config->LoadBindings(path.c_str());
    EXPECT_EQ(Current(), defaults);
    ASSERT_TRUE(Exists());
    Restart();
    config->LoadBindings(path.c_str());
    EXPECT_EQ(Current(), defaults);

    // A folder that cannot hold the file: the defaults stay and nothing is made.
    std::string nowhere = folder + "/missing/ControlBindings.bnd";
    config->LoadBindings(nowhere.c_str());
    EXPECT_EQ(Current(), defaults);
    EXPECT_FALSE(config->SaveBindings(nowhere.c_str()));
    EXPECT_FALSE(config->SaveBindings(""));
    config->LoadBindings(nullptr);
    EXPECT_EQ(Current(), defaults);
}

TEST_F(BindingsFile, TheFileReplacesTheListsItNamesAndSkipsWhatIsNotRegistered)
{
    Bytes bytes = FileBuilder()
                      .Header()
                      .U32(3)
                      .Name("Retired").U32(1).Name("Thing").U32(1).Key(99)
                      .Name("menus").U32(2)               // names match without regard to case
                      .Name("ACCEPT").U32(1).Key(50)
                      .Name("Gone").U32(2).Key(60).Key(61)
                      .Name("Gameplay").U32(2)
                      .Name("MoveLeft").U32(0)            // unbinds
                      .Name("MoveRight").U32(2).Key(50).Axis(34, 1.0f)
                      .bytes;
    Lists expected = defaults;
    expected["Menus.Accept"] = {Binding(1, 1, 50)};
    expected["Gameplay.MoveLeft"] = {};
    expected["Gameplay.MoveRight"] = {Binding(1, 1, 50), Binding(2, 34, 0x3F800000u)};
    EXPECT_EQ(LoadFile(bytes), expected);
}

TEST_F(BindingsFile, AKeyOnTwoActionsOfAGroupStaysOnTheLater)
{
    Bytes bytes = FileBuilder()
                      .Header()
                      .U32(1)
                      .Name("Menus").U32(2)
                      .Name("Accept").U32(2).Key(50).Key(51)
                      .Name("Cancel").U32(1).Key(50)
                      .bytes;
    Lists expected = defaults;
    expected["Menus.Accept"] = {Binding(1, 1, 51)};
    expected["Menus.Cancel"] = {Binding(1, 1, 50)};
    EXPECT_EQ(LoadFile(bytes), expected);
}

TEST_F(BindingsFile, NamesEndAtTheirFirstZeroWithinTheirLength)
{
    Bytes bytes = FileBuilder()
                      .Header()
                      .U32(2)
                      .U32(5).Raw("Menus", 5).U32(1)     // no zero byte
                      .U32(10).Raw("Accept\0xyz", 10).U32(1).Key(52)
                      .U32(0).U32(1)                     // an empty name, skipped
                      .Name("Jump").U32(1).Key(53)
                      .bytes;
    Lists expected = defaults;
    expected["Menus.Accept"] = {Binding(1, 1, 52)};
    EXPECT_EQ(LoadFile(bytes), expected);

    std::string longName(300, 'M');
    Bytes cut = FileBuilder().Header().U32(1).Name(longName).U32(1).Name("Accept").U32(1).Key(54).bytes;
    EXPECT_EQ(LoadFile(cut), defaults);
}

TEST_F(BindingsFile, OnlyTheDotMagicAWrongVersionOrTagAreRefused)
{
    auto body = [](FileBuilder builder) {
        return builder.U32(1).Name("Menus").U32(1).Name("Cancel").U32(1).Key(55).bytes;
    };
    Lists applied = defaults;
    applied["Menus.Cancel"] = {Binding(1, 1, 55)};
    EXPECT_EQ(LoadFile(body(FileBuilder().Header("xbnd"))), applied);
    EXPECT_EQ(LoadFile(body(FileBuilder().Header("abcd"))), applied) << "any other magic is read";
    EXPECT_EQ(LoadFile(body(FileBuilder().Header(".bnd"))), defaults);
    EXPECT_EQ(LoadFile(body(FileBuilder().Header("xbnd", 2))), defaults);
    EXPECT_EQ(LoadFile(body(FileBuilder().Header("xbnd", 4))), defaults);
    EXPECT_EQ(LoadFile(body(FileBuilder().Header("xbnd", 3, "rfmL"))), defaults);
    EXPECT_EQ(LoadFile(FileBuilder().Header().U32(0).bytes), defaults) << "no groups";
    EXPECT_EQ(LoadFile(Bytes()), defaults) << "an empty file";
}

TEST_F(BindingsFile, EveryCutOfAValidFileLeavesUndescribedActionsWithTheirDefaults)
{
    // The file's keys are bound nowhere by default, so no default moves.
    FileBuilder builder;
    std::vector<std::pair<std::string, size_t>> ends; // action, offset just past its record
    builder.Header().U32(2).Name("Menus").U32(2);
    builder.Name("Accept").U32(1).Key(10);
    ends.push_back({"Menus.Accept", builder.bytes.size()});
    builder.Name("Cancel").U32(2).Key(11).Axis(35, -1.0f);
    ends.push_back({"Menus.Cancel", builder.bytes.size()});
    builder.Name("Gameplay").U32(3);
    builder.Name("Jump").U32(1).Key(12);
    ends.push_back({"Gameplay.Jump", builder.bytes.size()});
    builder.Name("MoveLeft").U32(0);
    ends.push_back({"Gameplay.MoveLeft", builder.bytes.size()});
    builder.Name("MoveRight").U32(1).Key(13);
    ends.push_back({"Gameplay.MoveRight", builder.bytes.size()});
    const Bytes& whole = builder.bytes;
    ASSERT_EQ(ends.back().second, whole.size());

    Lists complete = LoadFile(whole);
    EXPECT_EQ(complete["Menus.Cancel"].size(), 2u);
    for (size_t length = 0; length <= whole.size(); ++length) {
        Lists expected = defaults;
        for (const auto& end : ends) {
            if (end.second <= length)
                expected[end.first] = complete[end.first];
        }
        ASSERT_EQ(LoadFile(Bytes(whole.begin(), whole.begin() + long(length))), expected) << "cut at " << length;
    }
}

TEST_F(BindingsFile, HugeCountsAndLengthsStopTheReadWithoutHarm)
{
    const uint32_t huge[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x15555556u};
    for (uint32_t count : huge) {
        SCOPED_TRACE(count);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(count).bytes), defaults);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(1).U32(count).Raw("Menus", 6).U32(0).bytes), defaults);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(1).Name("Menus").U32(count).bytes), defaults);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(1).Name("Menus").U32(1).Name("Accept").U32(count)
                               .Key(56).Key(57).bytes),
                  defaults);
    }
    // A group count far beyond what follows: the groups that are there still apply.
    Lists expected = defaults;
    expected["Menus.Accept"] = {Binding(1, 1, 58)};
    EXPECT_EQ(LoadFile(FileBuilder().Header().U32(0xFFFFFFFFu).Name("Menus").U32(1).Name("Accept").U32(1).Key(58)
                           .bytes),
              expected);
}

TEST_F(BindingsFile, RandomCorruptionsAreReadSafely)
{
    FileBuilder builder;
    builder.Header().U32(2).Name("Menus").U32(2).Name("Accept").U32(2).Key(10).Key(11);
    builder.Name("Cancel").U32(1).Axis(35, -1.0f).Name("Gameplay").U32(3).Name("Jump").U32(1).Key(12);
    builder.Name("MoveLeft").U32(0).Name("MoveRight").U32(2).Key(13).Axis(4, 1.0f);
    const Bytes whole = builder.bytes;
    std::mt19937 random(20240611u);
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = whole;
        int changes = 1 + int(random() % 4);
        for (int c = 0; c < changes; ++c) {
            size_t at = random() % bytes.size();
            if (random() % 3 == 0 && at + 4 <= bytes.size()) {
                uint32_t value = random() % 2 ? 0xFFFFFFFFu : uint32_t(random());
                std::memcpy(&bytes[at], &value, 4);
            } else {
                bytes[at] = uint8_t(random());
            }
        }
        if (random() % 4 == 0)
            bytes.resize(random() % bytes.size());
        Write(bytes);
        config->LoadBindings(path.c_str());
        ASSERT_EQ(Read(), bytes) << "round " << round;
        size_t total = 0;
        for (const auto& list : Current())
            total += list.second.size();
        ASSERT_LE(total, whole.size() / 12 + 6) << "round " << round;
    }
}

TEST_F(BindingsFile, AFolderInThePlaceOfTheFileIsLeftAlone)
{
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    config->LoadBindings(path.c_str());
    EXPECT_EQ(Current(), defaults);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(BindingsFile, AnUnreadableFileIsNeverOverwritten)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the file modes do not bind the super-user";
    Bytes bytes = FileBuilder().Header().U32(0).bytes;
    Write(bytes);
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    config->LoadBindings(path.c_str());
    EXPECT_EQ(Current(), defaults);
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(Read(), bytes);
}

TEST_F(BindingsFile, ASaveReplacesTheOldFileWhole)
{
    Write(Bytes(1000, 0xAA));
    ASSERT_TRUE(config->SaveBindings(path.c_str()));
    Bytes saved = Read();
    EXPECT_LT(saved.size(), 1000u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "xbnd");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"ControlBindings.bnd"});
    Restart();
    config->ClearAllInputs();
    config->LoadBindings(path.c_str());
    EXPECT_EQ(Current(), defaults);
}
