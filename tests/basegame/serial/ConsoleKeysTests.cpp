// The console end to end, with real key presses from the X server: the program runs in a child process while
// the test types into its window. Grave opens the console, a typed "set" command changes a setting that the
// shut-down writes to "Config.ini", "quit" ends the program, and "ConsoleMemory.txt" keeps the lines typed.
#include "../GameRunSupport.h"
#include "tests/TestFiles.h"
#include "basegame/RBaseGame.h"
#include "core/text/RINIFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ConsoleKeysGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Console Keys Test"; }
};

bool Shell(const std::string& command)
{
    return system(command.c_str()) == 0;
}

// The xdotool steps that hold a key for longer than a frame (keys are polled once a frame) but for less engine
// time than the typing repeat's delay (the game runs at a fixed engine rate of 60 frames a second, and no faster),
// with shift around it when asked. One xdotool run times every hold itself.
std::string Press(const std::string& key, bool shift = false)
{
    const std::string hold = " keydown " + key + " sleep 0.15 keyup " + key;
    return (shift ? " keydown shift" + hold + " keyup shift" : hold) + " sleep 0.1";
}

// Types the text and presses Return.
bool Type(const std::string& text)
{
    std::string steps;
    for (char c : text) {
        std::string key(1, static_cast<char>(tolower(c)));
        if (c == ' ')
            key = "space";
        else if (c == '.')
            key = "period";
        steps += Press(key, c >= 'A' && c <= 'Z');
    }
    return Shell("xdotool" + steps + Press("Return"));
}

TEST(ConsoleKeys, ACommandTypedIntoTheConsoleChangesTheSettingsAndIsRemembered)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Keys Test");
    // A held key repeats after a quarter second of engine time: with a fixed engine step, a slow frame does not
    // count as a long hold.
    WriteGameConfig(userFolder, "[General]\r\nQuickStart: true\r\n[Engine]\r\nFixedEngineFPS: 60\r\n");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ConsoleKeysGame* game = new ConsoleKeysGame();
        const bool started = game->Run("");
        delete game;
        _exit(started ? 0 : 1);
    }

    // The window, focused, once the program is in its main loop.
    const bool found =
        Shell("timeout 30 xdotool search --sync --name '^Console Keys Test$' windowfocus --sync >/dev/null");
    usleep(1500 * 1000);
    bool typed = found && Shell("xdotool" + Press("grave")) && Type("set MasterVolume 0.5") && Type("quit");

    int status = -1;
    for (int i = 0; i < 200; ++i) {
        if (waitpid(child, &status, WNOHANG) == child)
            break;
        usleep(100 * 1000);
    }
    if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        ADD_FAILURE() << "the program did not quit";
    }
    ASSERT_TRUE(found) << "the program's window never appeared";
    EXPECT_TRUE(typed) << "xdotool could not press the keys";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    RINIFile config;
    config.Load((userFolder / "Config" / "Config.ini").c_str(), true);
    RString volume;
    config.GetValue(RHashedString("Audio"), RHashedString("MasterVolume"), volume);
    EXPECT_STREQ(volume.GetString(), "0.500000");

    EXPECT_EQ(ReadBytes(userFolder / "Config" / "ConsoleMemory.txt"), "set MasterVolume 0.5\r\nquit\r\n");
}

} // namespace
