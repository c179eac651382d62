// The bindings file: round trip, exact bytes, the overlay on the default bindings, malformed and unreadable files.
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Binding = std::tuple<uint32_t, uint32_t, uint32_t>; // kind, source, code bits
using Lists = std::map<std::string, std::vector<Binding>>; // "group.action" to its bindings

struct FileBuilder {
    std::string bytes;

    FileBuilder& Raw(const std::string& text) { bytes += text; return *this; }
    FileBuilder& U32(uint32_t value) { PutU32(bytes, value); return *this; }
    FileBuilder& Header(const char* magic = "xbnd", uint32_t version = 3, const char* tag = "rfml")
    {
        return Raw(magic).U32(version).Raw(tag);
    }
    FileBuilder& Name(const std::string& text) { return U32(uint32_t(text.size() + 1)).Raw(text + '\0'); }
    FileBuilder& Key(uint32_t scancode) { return U32(1).U32(1).U32(scancode); }
    FileBuilder& Axis(uint32_t source, float direction)
    {
        uint32_t bits;
        std::memcpy(&bits, &direction, 4);
        return U32(2).U32(source).U32(bits);
    }
};

Binding KeyBinding(uint32_t scancode) { return Binding(1, 1, scancode); }

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
        std::filesystem::remove_all(folder);
    }
    // The groups and actions as a program registers them, with the test defaults (keys 40.. and two others).
    void Register()
    {
        config = RControlConfig::GetInstance();
        config->SetDefaultBindingsHook([] {
            const std::tuple<const char*, const char*, RDefinedInput> defaults[] = {
                {"Menus", "Accept", RDefinedInput::Button(1, 40)},  {"Menus", "Cancel", RDefinedInput::Button(1, 41)},
                {"Gameplay", "Jump", RDefinedInput::Button(1, 44)}, {"Gameplay", "Jump", RDefinedInput::Button(4, 0)},
                {"Gameplay", "MoveLeft", RDefinedInput::Button(1, 80)},
                {"Gameplay", "MoveRight", RDefinedInput::Axis(34, 1.0f)}};
            for (const auto& [group, action, input] : defaults)
                RControlConfig::GetInstance()->AddDefinedInput(RHashedString(group), RHashedString(action), input);
        });
        config->AddGroup(RHashedString("Menus"), false, false, true, false);
        config->AddGroup(RHashedString("Gameplay"), true, true, false, false);
        for (const char* action : {"Accept", "Cancel"})
            config->AddControl(RHashedString("Menus"), RHashedString(action), false);
        for (const char* action : {"Jump", "MoveLeft", "MoveRight"})
            config->AddControl(RHashedString("Gameplay"), RHashedString(action), std::string(action) == "MoveLeft");
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
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // Writes bytes, loads them and checks that the load left the file as it was.
    Lists LoadFile(const std::string& bytes)
    {
        WriteBytes(path, bytes);
        config->LoadBindings(path.c_str());
        EXPECT_EQ(ReadBytes(path), bytes) << "a load never rewrites an existing file";
        return Current();
    }
    Lists With(std::initializer_list<std::pair<const char*, std::vector<Binding>>> changes) const
    {
        Lists lists = defaults;
        for (const auto& change : changes)
            lists[change.first] = change.second;
        return lists;
    }

    std::string folder;
    std::string path;
    RControlConfig* config = nullptr;
    Lists defaults;
};

TEST_F(BindingsFile, ASaveReplacesTheOldFileWholeAndLoadsBackEveryListInOrder)
{
    WriteBytes(path, std::string(1000, '\xAA'));
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
    EXPECT_LT(ReadBytes(path).size(), 1000u);
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
        'x', 'b', 'n', 'd', 3, 0, 0, 0, 'r', 'f', 'm', 'l', 1, 0, 0, 0, // header, one group
        3, 0, 0, 0, 'G', 'q', 0, 2, 0, 0, 0,                             // "Gq", two actions
        3, 0, 0, 0, 'A', 'q', 0, 2, 0, 0, 0,                             // "Aq", two bindings
        1, 0, 0, 0, 1, 0, 0, 0, 44, 0, 0, 0,                             // key 44
        2, 0, 0, 0, 35, 0, 0, 0, 0x00, 0x00, 0x80, 0xBF,                 // left stick y, -1.0
        8, 0, 0, 0, 'H', 'i', 'd', 'd', 'e', 'n', 'q', 0, 0, 0, 0, 0,    // "Hiddenq", no bindings
    };
    EXPECT_EQ(ReadBytes(path), std::string(std::begin(expected), std::end(expected)));
}

TEST_F(BindingsFile, FilesThatCannotBeReadLeaveTheDefaultsAndAreNeverOverwritten)
{
    // A missing file is written with the defaults.
    config->ClearAllInputs();
    config->LoadBindings(path.c_str());
    EXPECT_EQ(Current(), defaults);
    ASSERT_TRUE(std::filesystem::exists(path));

    // A folder that cannot hold the file: nothing is made.
    const std::string nowhere = folder + "/missing/ControlBindings.bnd";
    config->LoadBindings(nowhere.c_str());
    EXPECT_EQ(Current(), defaults);
    EXPECT_FALSE(config->SaveBindings(nowhere.c_str()));

    // An unreadable file is replaced neither at start-up nor by the shut-down's save. File modes do not bind the
    // super-user, so the player is played by an unprivileged child process.
    const std::string bytes = FileBuilder().Header().U32(0).bytes;
    WriteBytes(path, bytes);
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    const std::string locked = path;
    EXPECT_EQ(0, RunUnprivileged([this, &locked] {
        config->LoadBindings(locked.c_str());
        return Current() == defaults && config->SaveBindings(locked.c_str()) ? 0 : 1;
    }));
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(ReadBytes(path), bytes);

    // A FIFO in its place is refused at once, where opening it would block, and stays a FIFO.
    const std::string fifo = folder + "/Fifo.bnd";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    config->LoadBindings(fifo.c_str());
    EXPECT_EQ(Current(), defaults);
    EXPECT_TRUE(config->SaveBindings(fifo.c_str()));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(BindingsFile, TheFileOverlaysTheDefaultsAndMalformedFilesAreReadSafely)
{
    const std::string longName(300, 'M');
    std::string manyKeys; // 4,097 distinct keys: more than any file applies in all
    std::vector<Binding> first4000;
    for (uint32_t key = 0; key < 4097; ++key) {
        manyKeys += FileBuilder().Key(1000 + key).bytes;
        if (key < 4000)
            first4000.push_back(KeyBinding(1000 + key));
    }
    const std::pair<std::string, Lists> cases[] = {
        // Unregistered groups and actions are skipped, names match without regard to case, an empty list unbinds.
        {FileBuilder().Header().U32(3)
             .Name("Retired").U32(1).Name("Thing").U32(1).Key(99)
             .Name("menus").U32(2).Name("ACCEPT").U32(1).Key(50).Name("Gone").U32(2).Key(60).Key(61)
             .Name("Gameplay").U32(2).Name("MoveLeft").U32(0).Name("MoveRight").U32(2).Key(50).Axis(34, 1.0f).bytes,
         With({{"Menus.Accept", {KeyBinding(50)}},
               {"Gameplay.MoveLeft", {}},
               {"Gameplay.MoveRight", {KeyBinding(50), Binding(2, 34, 0x3F800000u)}}})},
        // A key on two actions of a group stays on the later.
        {FileBuilder().Header().U32(1).Name("Menus").U32(2)
             .Name("Accept").U32(2).Key(50).Key(51).Name("Cancel").U32(1).Key(50).bytes,
         With({{"Menus.Accept", {KeyBinding(51)}}, {"Menus.Cancel", {KeyBinding(50)}}})},
        // Names end at their first zero within their length; an empty name is skipped.
        {FileBuilder().Header().U32(2)
             .U32(5).Raw("Menus").U32(1).U32(10).Raw(std::string("Accept\0xyz", 10)).U32(1).Key(52)
             .U32(0).U32(1).Name("Jump").U32(1).Key(53).bytes,
         With({{"Menus.Accept", {KeyBinding(52)}}})},
        {FileBuilder().Header().U32(1).Name(longName).U32(1).Name("Accept").U32(1).Key(54).bytes, defaults},
        // Only the dot magic, a wrong version or tag are refused: any other magic is read.
        {FileBuilder().Header("abcd").U32(1).Name("Menus").U32(1).Name("Cancel").U32(1).Key(55).bytes,
         With({{"Menus.Cancel", {KeyBinding(55)}}})},
        {FileBuilder().Header(".bnd").U32(1).Name("Menus").U32(1).Name("Cancel").U32(1).Key(55).bytes, defaults},
        {FileBuilder().Header("xbnd", 2).U32(1).Name("Menus").U32(1).Name("Cancel").U32(1).Key(55).bytes, defaults},
        {FileBuilder().Header("xbnd", 4).U32(1).Name("Menus").U32(1).Name("Cancel").U32(1).Key(55).bytes, defaults},
        {FileBuilder().Header("xbnd", 3, "rfmL").U32(1).Name("Menus").U32(1).Name("Cancel").U32(1).Key(55).bytes,
         defaults},
        {FileBuilder().Header().U32(0).bytes, defaults},
        {"", defaults},
        // A group count far beyond what follows: the groups that are there still apply.
        {FileBuilder().Header().U32(0xFFFFFFFFu).Name("Menus").U32(1).Name("Accept").U32(1).Key(58).bytes,
         With({{"Menus.Accept", {KeyBinding(58)}}})},
        // Huge lists (quadratic to apply) stop the reading, however they are spread over records.
        {FileBuilder().Header().U32(1).Name("Menus").U32(2).Name("Accept").U32(1).Key(59)
             .Name("Cancel").U32(4097).Raw(manyKeys).bytes,
         With({{"Menus.Accept", {KeyBinding(59)}}})},
        {FileBuilder().Header().U32(1).Name("Menus").U32(2).Name("Accept").U32(4000).Raw(manyKeys.substr(0, 48000))
             .Name("Accept").U32(97).Raw(manyKeys.substr(48000, 97 * 12)).bytes,
         With({{"Menus.Accept", first4000}})},
    };
    int index = 0;
    for (const auto& c : cases)
        EXPECT_EQ(LoadFile(c.first), c.second) << "case " << index++;

    for (uint32_t count : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x15555556u}) {
        SCOPED_TRACE(count);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(count).bytes), defaults);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(1).U32(count).Raw(std::string("Menus", 6)).U32(0).bytes), defaults);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(1).Name("Menus").U32(count).bytes), defaults);
        EXPECT_EQ(LoadFile(FileBuilder().Header().U32(1).Name("Menus").U32(1).Name("Accept").U32(count).Key(56).Key(57)
                               .bytes),
                  defaults);
    }

    // Every cut of a valid file leaves the actions it does not wholly describe with their defaults (the file's
    // keys are bound nowhere by default, so no default moves).
    FileBuilder builder;
    std::vector<std::pair<std::string, size_t>> ends; // action, offset just past its record
    builder.Header().U32(2).Name("Menus").U32(2).Name("Accept").U32(1).Key(10);
    ends.push_back({"Menus.Accept", builder.bytes.size()});
    builder.Name("Cancel").U32(2).Key(11).Axis(35, -1.0f);
    ends.push_back({"Menus.Cancel", builder.bytes.size()});
    builder.Name("Gameplay").U32(3).Name("Jump").U32(1).Key(12);
    ends.push_back({"Gameplay.Jump", builder.bytes.size()});
    builder.Name("MoveLeft").U32(0);
    ends.push_back({"Gameplay.MoveLeft", builder.bytes.size()});
    builder.Name("MoveRight").U32(2).Key(13).Axis(4, 1.0f);
    ends.push_back({"Gameplay.MoveRight", builder.bytes.size()});
    const std::string whole = builder.bytes;
    Lists complete = LoadFile(whole);
    EXPECT_EQ(complete["Menus.Cancel"].size(), 2u);
    for (size_t length = 0; length <= whole.size(); ++length) {
        Lists expected = defaults;
        for (const auto& end : ends) {
            if (end.second <= length)
                expected[end.first] = complete[end.first];
        }
        ASSERT_EQ(LoadFile(whole.substr(0, length)), expected) << "cut at " << length;
    }

    // Random corruptions of the valid file are read without harm (the sanitizer run watches the reads); every
    // list the configuration ends with names only registered actions.
    std::mt19937 random(20261207);
    for (int round = 0; round < 500; ++round) {
        std::string bytes = whole;
        const int flips = 1 + int(random() % 8);
        for (int flip = 0; flip < flips; ++flip)
            bytes[random() % bytes.size()] = char(random());
        const Lists loaded = LoadFile(bytes);
        ASSERT_EQ(loaded.size(), defaults.size()) << "round " << round;
    }
}

} // namespace
