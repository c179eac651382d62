// The whole game end to end under the test run's X server, driven by real key presses (xdotool): the program
// starts, the splash is skipped, a new game begins from the title and difficulty menus, the player walks right
// into the next room (the screen changes and the checkpoint there saves the game), jumps (the jump tune is heard
// in the disk audio driver's file at the pitch of its music string), the program quits; started again, it
// continues from the save in the same room. The program is the real one, run as a child process with its user
// folder in a temporary place.
#include "../../core/TempUserData.h"
#include "tests/TestFiles.h"
#include "../../platform/XInputTestSupport.h"
#include "core/files/RStreamMgr.h"
#include "game/Campaign.h"
#include "game/SaveGame.h"
#include "platform/audio/RPCSTune.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kWindow = "search --sync --name '^Quandrel Tarnvow$'";

void Sleep(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Waits up to `seconds` for done() to hold, checking ten times a second.
template <typename Done> bool WaitFor(double seconds, Done done)
{
    for (int i = 0; i < static_cast<int>(seconds * 10) && !done(); ++i)
        Sleep(0.1);
    return done();
}

// The running program with its user folder and audio file.
class Program {
public:
    Program(const TempUserData& data, const std::string& audioFile) : m_audioFile(audioFile)
    {
        m_pid = fork();
        if (m_pid == 0) {
            setenv("SDL_AUDIODRIVER", "disk", 1);
            setenv("SDL_DISKAUDIOFILE", audioFile.c_str(), 1);
            unsetenv("ROLT_RESOURCE_DIR");
            execl(ROLT_TEST_RESOURCE_DIR "/../wendro", "wendro", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Program()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool WindowUp() const { return xinputtest::Xdotool(std::string(kWindow) + " windowraise windowfocus"); }
    // A key held a little longer than a frame, sent to the program's window.
    void Press(const char* key, double hold = 0.15) const
    {
        xinputtest::Xdotool(std::string(kWindow) + " windowfocus");
        xinputtest::Xdotool(std::string("keydown ") + key);
        Sleep(hold);
        xinputtest::Xdotool(std::string("keyup ") + key);
    }
    // Asks the program to quit and waits for it; its exit status, or -1.
    int Quit()
    {
        kill(m_pid, SIGTERM);
        int status = 0;
        for (int i = 0; i < 200; ++i) {
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            Sleep(0.1);
        }
        return -1;
    }
    size_t AudioBytes() const
    {
        std::error_code ignored;
        return static_cast<size_t>(fs::file_size(m_audioFile, ignored));
    }

private:
    pid_t m_pid = -1;
    std::string m_audioFile;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the tests run under an X server";
        ASSERT_TRUE(turn.IsHeld());
        user = data.root + "/data/Brasswick/Quandrel Tarnvow/";
        fs::create_directories(user + "Config");
        // The plain look, so that pictures of the same room compare exactly.
        std::ofstream(user + "Config/Config.ini") << "[Game]\r\nCRTLook: 0\r\n";
    }

    // The newest screenshot after pressing the screenshot key, or "".
    std::string Screenshot(Program& program)
    {
        const size_t before = Files(user + "Screenshots").size();
        program.Press("F12");
        std::vector<std::string> files;
        WaitFor(5, [&] { return (files = Files(user + "Screenshots")).size() > before; });
        Sleep(0.5);  // written whole
        return files.size() > before ? ReadBytes(files.back()) : "";
    }
    static std::vector<std::string> Files(const std::string& folder)
    {
        std::vector<std::string> files;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(folder, ignored))
            files.push_back(entry.path().string());
        std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
            return fs::last_write_time(a) < fs::last_write_time(b);
        });
        return files;
    }
    // The room the saved game names, or "".
    std::string SavedRoom() const
    {
        SaveGame save;
        char error[256];
        return save.Read((user + "Saves/Autosave.wsg").c_str(), error, sizeof(error)) ? save.room : "";
    }

    xinputtest::XInputTurn turn;
    TempUserData data;
    std::string user;
};

// Rows [from, to) of a bottom-up 24- or 32-bit BMP, counted from the picture's bottom.
std::string BmpRows(const std::string& bmp, int from, int to)
{
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M')
        return "";
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bmp[at]) | static_cast<uint8_t>(bmp[at + 1]) << 8 |
                                     static_cast<uint8_t>(bmp[at + 2]) << 16 |
                                     static_cast<uint32_t>(static_cast<uint8_t>(bmp[at + 3])) << 24);
    };
    const uint32_t offset = u32(10);
    const uint32_t width = u32(18);
    const uint32_t bits = static_cast<uint8_t>(bmp[28]) | static_cast<uint8_t>(bmp[29]) << 8;
    const size_t stride = ((width * bits / 8) + 3) / 4 * 4;
    const size_t start = offset + stride * static_cast<size_t>(from);
    const size_t length = stride * static_cast<size_t>(to - from);
    return start + length <= bmp.size() ? bmp.substr(start, length) : "";
}

// Whether the 16-bit stereo audio from byte `from` holds, for at least a tenth of a second, a tone of the
// frequency (within 3 %), measured by the sign changes of the left channel in windows of 2,048 frames.
bool HoldsTone(const std::string& audio, size_t from, double frequency)
{
    constexpr size_t kWindowFrames = 2048;
    constexpr double kRate = 44100.0;
    int matching = 0;
    for (size_t at = from & ~size_t{3}; at + kWindowFrames * 4 <= audio.size(); at += kWindowFrames * 4) {
        int changes = 0;
        int loud = 0;
        int previous = 0;
        for (size_t frame = 0; frame < kWindowFrames; ++frame) {
            const int16_t left = static_cast<int16_t>(static_cast<uint8_t>(audio[at + frame * 4]) |
                                                      static_cast<uint8_t>(audio[at + frame * 4 + 1]) << 8);
            const int sign = left > 64 ? 1 : left < -64 ? -1 : 0;
            loud += sign != 0;
            if (sign != 0 && previous != 0 && sign != previous)
                ++changes;
            if (sign != 0)
                previous = sign;
        }
        const double measured = changes / 2.0 / (kWindowFrames / kRate);
        const bool tone = loud > static_cast<int>(kWindowFrames) / 2 && std::fabs(measured - frequency) < frequency * 0.03;
        matching = tone ? matching + 1 : 0;
        if (matching >= 2)
            return true;
    }
    return false;
}

// The frequency of the first note of the campaign's jump tune.
double JumpFrequency()
{
    RStreamMgr::GetInstance()->MountPack(ROLT_TEST_RESOURCE_DIR "/Wendro.rpk");
    RUtilVector<RString> campaigns;
    Campaign::ListCampaigns(campaigns);
    Campaign campaign;
    char error[256];
    const bool loaded = !campaigns.isEmpty() && campaign.Load(campaigns[0].GetString(), error, sizeof(error));
    RStreamMgr::DestroyInstance();
    if (!loaded || !campaign.FindTune("Jump"))
        return 0.0;
    RUtilVector<RPCSDatum> notes;
    ParsePCSTune(campaign.FindTune("Jump")->notes, notes);
    return notes.isEmpty() ? 0.0 : 440.0 * std::pow(2.0, (notes[0].note - 57) / 12.0);
}

TEST_F(EndToEnd, StartWalkIntoTheNextRoomJumpSaveQuitAndContinue)
{
    const double jumpFrequency = JumpFrequency();
    ASSERT_GT(jumpFrequency, 0.0);
    const std::string audioFile = data.root + "/audio.raw";
    std::string gate, hall;
    {
        Program program(data, audioFile);
        ASSERT_TRUE(program.WindowUp());
        Sleep(1.0);
        program.Press("Return");  // skips the splash
        Sleep(1.5);
        program.Press("Return");  // the title menu's new game
        Sleep(1.0);
        program.Press("Return");  // the difficulty menu's first level
        Sleep(1.0);
        gate = Screenshot(program);
        ASSERT_FALSE(BmpRows(gate, 2, 26).empty());

        // Right until the checkpoint just inside the next room has saved the game.
        xinputtest::Xdotool(std::string(kWindow) + " windowfocus");
        xinputtest::Xdotool("keydown Right");
        const bool reached = WaitFor(15, [&] { return SavedRoom() == "Hall"; });
        xinputtest::Xdotool("keyup Right");
        ASSERT_TRUE(reached) << "saved room: " << SavedRoom();
        Sleep(0.5);
        hall = Screenshot(program);
        ASSERT_FALSE(BmpRows(hall, 2, 26).empty());
        EXPECT_NE(BmpRows(gate, 40, 680), BmpRows(hall, 40, 680)) << "the screen did not change";
        EXPECT_NE(BmpRows(gate, 2, 26), BmpRows(hall, 2, 26)) << "the status line still names the first room";

        const size_t beforeJump = program.AudioBytes();
        program.Press("space");
        Sleep(2.0);
        EXPECT_TRUE(HoldsTone(ReadBytes(audioFile), beforeJump, jumpFrequency));
        EXPECT_FALSE(HoldsTone(ReadBytes(audioFile), beforeJump, jumpFrequency * 1.12));
        EXPECT_EQ(program.Quit(), 0);
    }
    EXPECT_EQ(SavedRoom(), "Hall");

    Program program(data, audioFile + "2");
    ASSERT_TRUE(program.WindowUp());
    Sleep(1.0);
    program.Press("Return");  // skips the splash
    Sleep(1.5);
    program.Press("Return");  // the title menu's first entry: continue
    Sleep(1.5);
    const std::string continued = Screenshot(program);
    ASSERT_FALSE(BmpRows(continued, 2, 26).empty());
    EXPECT_EQ(BmpRows(continued, 2, 26), BmpRows(hall, 2, 26)) << "the status line names another room";
    EXPECT_EQ(program.Quit(), 0);
}

}  // namespace
