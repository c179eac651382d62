// The console end to end, with real key presses from the X server: the program runs in a child process while
// the test types into its window. Grave opens the console, a typed "set" command changes a setting that the
// shut-down writes to "Config.ini", "quit" ends the program, and "ConsoleMemory.txt" keeps the lines typed, also
// when they were typed far faster than the frames come, when their keys were pressed and released between two
// frames and when keys and text fell within one frame.
#include "../GameRunSupport.h"
#include "tests/TestFiles.h"
#include "basegame/RBaseGame.h"
#include "core/text/RINIFile.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ConsoleKeysGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Console Keys Test"; }
};

// The same game on a slow machine: no more than 20 frames a second.
class SlowConsoleKeysGame : public ConsoleKeysGame {
public:
    void RenderFrame() override
    {
        ConsoleKeysGame::RenderFrame();
        SDL_Delay(50);
    }
};

bool Shell(const std::string& command)
{
    return system(command.c_str()) == 0;
}

// The xdotool steps that hold a key across frames but for less engine time than the typing repeat's delay (the
// game runs at a fixed engine rate of 60 frames a second, and no faster), with shift around it when asked. One
// xdotool run times every hold itself.
std::string Press(const std::string& key, bool shift = false)
{
    const std::string hold = " keydown " + key + " sleep 0.15 keyup " + key;
    return (shift ? " keydown shift" + hold + " keyup shift" : hold) + " sleep 0.1";
}

// The xdotool steps that press and release a key within 5 ms, so that at 20 frames a second no frame reads it held,
// with time around it for the frames to come.
std::string Tap(const std::string& key)
{
    return " sleep 0.15 key --delay 5 " + key + " sleep 0.15";
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

// Runs the game in a child process; once its window is focused and its splash has ended, presses the keys and
// waits for the program to quit by itself, which must then have ended with status 0.
template <typename Game> void RunAndPress(const fs::path& userFolder, const std::function<bool()>& keys)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Game* game = new Game();
        const bool started = game->Run("");
        delete game;
        _exit(started ? 0 : 1);
    }

    // The window, focused, once the program is in its main loop; then Return skips the splash, which holds the
    // keyboard while it runs.
    const bool found =
        Shell("timeout 30 xdotool search --sync --name '^Console Keys Test$' windowfocus --sync >/dev/null");
    usleep(1500 * 1000);
    bool splashEnded = false;
    for (int wait = 0; found && wait < 60 && !splashEnded; ++wait) {
        if (wait % 5 == 0)
            Shell("xdotool" + Press("Return"));
        splashEnded = ReadBytes(userFolder / "Logs" / "DebugLog_Safe.txt").find("Splash ") != std::string::npos;
        usleep(500 * 1000);
    }
    const bool pressed = splashEnded && keys();

    int status = -1;
    for (int i = 0; i < 300; ++i) {
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
    ASSERT_TRUE(splashEnded) << "the splash never ended";
    EXPECT_TRUE(pressed) << "xdotool could not press the keys";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ConsoleKeys, ACommandTypedIntoTheConsoleChangesTheSettingsAndIsRemembered)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Keys Test");
    // A held key repeats after a quarter second of engine time: with a fixed engine step, a slow frame does not
    // count as a long hold.
    WriteGameConfig(userFolder, "[Engine]\r\nFixedEngineFPS: 60\r\n");
    RunAndPress<ConsoleKeysGame>(userFolder, [] {
        return Shell("xdotool" + Press("grave")) && Type("set MasterVolume 0.5") && Type("quit");
    });

    RINIFile config;
    config.Load((userFolder / "Config" / "Config.ini").c_str(), true);
    RString volume;
    config.GetValue(RHashedString("Audio"), RHashedString("MasterVolume"), volume);
    EXPECT_STREQ(volume.GetString(), "0.500000");

    EXPECT_EQ(ReadBytes(userFolder / "Config" / "ConsoleMemory.txt"), "set MasterVolume 0.5\r\nquit\r\n");
}

// At 20 frames a second, a word typed at 10 ms a key and two keys pressed together (the second down before the
// first is up) reach the prompt whole and in order: every key is typed once, however short its press.
TEST(ConsoleKeys, TypingFasterThanTheFramesLosesNoCharacter)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Keys Test");
    WriteGameConfig(userFolder, "[Engine]\r\nFixedEngineFPS: 60\r\n");
    RunAndPress<SlowConsoleKeysGame>(userFolder, [] {
        return Shell("xdotool" + Press("grave")) && Shell("xdotool type --delay 10 listsections") &&
               Shell("xdotool" + Press("Return")) &&
               Shell("xdotool keydown l sleep 0.01 keydown i sleep 0.01 keyup l keyup i sleep 0.2") &&
               Shell("xdotool" + Press("Return")) && Shell("xdotool type --delay 10 quit") &&
               Shell("xdotool" + Press("Return"));
    });
    EXPECT_EQ(ReadBytes(userFolder / "Config" / "ConsoleMemory.txt"), "listsections\r\nli\r\nquit\r\n");
}

// At 20 frames a second, with every key pressed and released within 5 ms of the one before, the keys and the text
// that fall within one frame keep their order: two commands with Enter between them become two whole lines and
// run in that order, and three Backspace taps take three letters.
TEST(ConsoleKeys, KeysTypedWithinOneFrameKeepTheirOrder)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Keys Test");
    WriteGameConfig(userFolder, "[Engine]\r\nFixedEngineFPS: 60\r\n");
    // One xdotool run presses each key 5 ms after the one before: the key names of the text.
    auto keys = [](const std::string& text) {
        std::string names;
        for (char c : text)
            names += c == ' ' ? " space" : c == '\n' ? " Return" : c == '\b' ? " BackSpace" : " " + std::string(1, c);
        return "xdotool key --delay 5" + names + " sleep 0.15";
    };
    RunAndPress<SlowConsoleKeysGame>(userFolder, [&keys] {
        return Shell("xdotool" + Tap("grave")) && Shell(keys("help thread\nhelp listsections\n")) &&
               Shell(keys("help abcdef\b\b\b\n")) && Shell(keys("quit\n"));
    });
    EXPECT_EQ(ReadBytes(userFolder / "Config" / "ConsoleMemory.txt"),
              "help thread\r\nhelp listsections\r\nhelp abc\r\nquit\r\n");
}

// At 20 frames a second, keys pressed and released between two frames count once each: the console key opens the
// console, each Enter ends its line and each Backspace takes one character. A Backspace held across frames still
// repeats, taking the whole of a short line.
TEST(ConsoleKeys, KeysTappedBetweenTwoFramesCountOnce)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Keys Test");
    WriteGameConfig(userFolder, "[Engine]\r\nFixedEngineFPS: 60\r\n");
    RunAndPress<SlowConsoleKeysGame>(userFolder, [] {
        bool typed = Shell("xdotool" + Tap("grave"));
        for (int line = 1; typed && line <= 8; ++line) {
            typed = Shell("xdotool type --delay 10 'help r" + std::to_string(line) + "'") &&
                    Shell("xdotool" + Tap("Return"));
        }
        std::string backspaces;
        for (int i = 0; i < 5; ++i)
            backspaces += Tap("BackSpace");
        return typed && Shell("xdotool type --delay 10 abc") &&
               Shell("xdotool sleep 0.15 keydown BackSpace sleep 2 keyup BackSpace sleep 0.15") &&
               Shell("xdotool type --delay 10 quitvwxyz") && Shell("xdotool" + backspaces) &&
               Shell("xdotool" + Tap("Return"));
    });
    std::string history;
    for (int line = 1; line <= 8; ++line)
        history += "help r" + std::to_string(line) + "\r\n";
    EXPECT_EQ(ReadBytes(userFolder / "Config" / "ConsoleMemory.txt"), history + "quit\r\n");
}

} // namespace
