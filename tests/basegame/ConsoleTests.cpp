// The console's own bounds and files: the history file read back whatever lies in its place, the history and the
// output kept bounded however much is typed or printed, control characters of printed text shown escaped, the
// keys that walk the history and complete names, the keys and text of one frame taken in the order they came; a
// content dump that cannot write every file saying so; and, in a whole program under the test run's X server, the
// console drawn over the upper half of the screen and capturing the input of the groups that yield while it is
// open.
#include "GameRunSupport.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFiles.h"
#include "basegame/RBaseGame.h"
#include "basegame/RConsole.h"
#include "basegame/RConsoleCommands.h"
#include "basegame/RSubroutineMgr.h"
#include "core/files/RStreamMgr.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"
#include "platform/input/RTextEntryBackend.h"
#include "render/images/RImage.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

TEST(Console, AHistoryFileKeepsItsCommandLinesAndOneThatCannotBeReadIsNeverWrittenOver)
{
    TempFolder folder;
    struct Row {
        const char* name;
        std::string bytes;  // written to the file, unless special says otherwise
        int special;        // 0 a file, 1 none, 2 a folder, 3 a pipe nobody writes to
        bool loads;
        int count;
        const char* first;  // the oldest line kept and the newest, when count > 0
        const char* last;
    };
    std::string lines;
    for (int i = 0; i < 30; ++i)
        lines += "echo " + std::to_string(i) + "\r\n";
    const Row rows[] = {
        {"missing", "", 1, true, 0, "", ""},
        {"empty", "", 0, true, 0, "", ""},
        // Lines with a control byte, or longer than the prompt, are left out; the others are kept.
        {"one control byte", "echo 1\r\necho\x01 2\r\necho 3\r\n", 0, true, 2, "echo 1", "echo 3"},
        {"binary", std::string("set a\r\n\0\x01\x02\xff", 11), 0, true, 1, "set a", "set a"},
        {"one endless line", std::string(RConsole::kMaxLineLength + 10, 'a') + "\nhelp\n", 0, true, 1, "help",
         "help"},
        {"huge", std::string(RConsole::kMaxHistoryFileSize + 1, 'a'), 0, false, 0, "", ""},
        {"a folder", "", 2, false, 0, "", ""},
        {"a pipe", "", 3, false, 0, "", ""},
        // Thirty lines keep the last 24; blank lines and line ends of either kind are no lines.
        {"thirty lines", lines + "\n  \n", 0, true, RConsole::kHistoryLines, "echo 6", "echo 29"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = folder / "ConsoleMemory.txt";
        fs::remove_all(path);
        if (row.special == 0)
            WriteBytes(path, row.bytes);
        else if (row.special == 2)
            fs::create_directory(path);
        else if (row.special == 3) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        }
        RConsole console;
        EXPECT_EQ(console.LoadHistoryFrom(path.c_str()), row.loads);
        EXPECT_EQ(console.GetHistoryCount(), row.count);
        if (row.count > 0) {
            EXPECT_STREQ(console.GetHistoryLine(0).GetString(), row.first);
            EXPECT_STREQ(console.GetHistoryLine(row.count - 1).GetString(), row.last);
        }
        // What could not be read stays as it was, whatever is typed meanwhile.
        console.Submit("help");
        if (!row.loads) {
            EXPECT_TRUE(console.SaveHistoryTo(path.c_str()));
            EXPECT_EQ(fs::status(path).type(), row.special == 2   ? fs::file_type::directory
                                               : row.special == 3 ? fs::file_type::fifo
                                                                  : fs::file_type::regular);
            if (row.special == 0) {
                EXPECT_EQ(ReadBytes(path), row.bytes);
            }
        }
    }

    // Written back through the safe writer, one CR LF line each, and read again the same.
    RConsole console;
    const std::string path = folder / "ConsoleMemory.txt";
    fs::remove_all(path);
    WriteBytes(path, "first\nsecond\n");
    ASSERT_TRUE(console.LoadHistoryFrom(path.c_str()));
    ASSERT_TRUE(console.SaveHistoryTo(path.c_str()));
    EXPECT_EQ(ReadBytes(path), "first\r\nsecond\r\n");
    EXPECT_FALSE(console.SaveHistoryTo((folder / "no such folder/ConsoleMemory.txt").c_str()));
}

bool PrintMegabytes(const RConsoleCommands::Arguments&, RString& output)
{
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += "line " + std::to_string(i) + std::string(150, 'x') + "\n";
    output += text.c_str();
    return true;
}

TEST(Console, HistoryAndOutputStayBoundedAndTheKeysWalkThem)
{
    RConsoleCommands::RegisterEngineCommands();
    RConsoleCommands::Register("spew", "prints a lot", PrintMegabytes);
    RConsole console;

    // Six megabytes of output scroll: the newest lines are kept, each cut to the output's width.
    console.Submit("spew");
    ASSERT_EQ(console.GetOutputCount(), RConsole::kMaxOutputLines);
    const std::string last = console.GetOutputLine(RConsole::kMaxOutputLines - 1).GetString();
    EXPECT_EQ(last, std::string(150 - (RConsole::kMaxOutputLineLength - 10), 'x'));
    for (uint32_t i = 0; i < console.GetOutputCount(); ++i)
        ASSERT_LE(console.GetOutputLine(i).GetLength(), RConsole::kMaxOutputLineLength);
    // Page Up scrolls back no further than the oldest line kept, Page Down no further than the newest.
    for (int i = 0; i < 1000; ++i)
        console.Scroll(1);
    EXPECT_LT(console.GetScroll(), RConsole::kMaxOutputLines);
    EXPECT_GT(console.GetScroll(), 0u);
    console.Scroll(-1000);
    EXPECT_EQ(console.GetScroll(), 0u);

    // A failing command says so on the console.
    console.Submit("no-such-command");
    EXPECT_EQ(std::string(console.GetOutputLine(console.GetOutputCount() - 1).GetString()),
              "Unknown command: no-such-command");

    for (int i = 0; i < 30; ++i)
        console.Submit(("help " + std::to_string(i)).c_str());
    ASSERT_EQ(console.GetHistoryCount(), RConsole::kHistoryLines);
    EXPECT_EQ(std::string(console.GetHistoryLine(0).GetString()), "help 6");
    // Up walks back from the newest line and stops at the oldest; Down comes back to an empty prompt.
    console.StepHistory(1);
    EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "help 29");
    console.StepHistory(1);
    EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "help 28");
    for (int i = 0; i < 40; ++i)
        console.StepHistory(1);
    EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "help 6");
    for (int i = 0; i < 40; ++i)
        console.StepHistory(-1);
    EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "");

    // Tab completes one name whole, several to what they share.
    console.GetPrompt().SetText(RString("HE"));
    console.CompleteCommand();
    EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "help ");
    console.GetPrompt().SetText(RString("li"));
    console.CompleteCommand();
    EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "list");
    EXPECT_EQ(std::string(console.GetOutputLine(console.GetOutputCount() - 1).GetString()), "  listsections  listvars");
}

// What a command prints may hold names read from files (pack entries, settings): their control characters are
// shown escaped, a carriage return too, none left to the font, where byte 127 starts an inline glyph or vanished;
// line feeds end lines.
TEST(Console, ControlCharactersOfPrintedTextAreShownEscaped)
{
    RConsole console;
    console.Print("pack entry \x1b[2Jname\x7f\r\nnext\tline\n\"a\rname\"");
    ASSERT_EQ(console.GetOutputCount(), 3u);
    EXPECT_EQ(std::string(console.GetOutputLine(0).GetString()), "pack entry \\x1b[2Jname\\x7f\\x0d");
    EXPECT_EQ(std::string(console.GetOutputLine(1).GetString()), "next\\x09line");
    EXPECT_EQ(std::string(console.GetOutputLine(2).GetString()), "\"a\\x0dname\"");
}

// Queues a key or text event as SDL sends it.
void PushEvent(Uint32 type, SDL_Scancode key, const char* text = "")
{
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    event.key.keysym.scancode = key;
    if (type == SDL_TEXTINPUT)
        SDL_strlcpy(event.text.text, text, sizeof(event.text.text));
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// Queues a line of lower-case letters, digits, blanks and full stops, each as SDL sends it (its key's press, its
// text, its key's release), and then Enter.
void TypeLine(const std::string& line)
{
    for (char c : line) {
        const SDL_Scancode key = c == ' '   ? SDL_SCANCODE_SPACE
                               : c == '.'   ? SDL_SCANCODE_PERIOD
                               : c == '0'   ? SDL_SCANCODE_0
                               : c >= '1' && c <= '9' ? static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (c - '1'))
                                                      : static_cast<SDL_Scancode>(SDL_SCANCODE_A + (c - 'a'));
        PushEvent(SDL_KEYDOWN, key);
        PushEvent(SDL_TEXTINPUT, key, std::string(1, c).c_str());
        PushEvent(SDL_KEYUP, key);
    }
    PushEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
    PushEvent(SDL_KEYUP, SDL_SCANCODE_RETURN);
}

// One frame of the open console: the event pump, the frame read, the console.
void ConsoleFrame(RConsole& console)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        RInputHandler::GetInstance()->HandleEvent(event);
        RTextInputList::GetInstance()->HandleEvent(event);
    }
    RInputHandler::GetInstance()->Update(1.0f / 20.0f);
    RControlConfig::GetInstance()->UpdateControls(RControlConfig::kPerFrame, 1.0f / 20.0f, 0.0f);
    console.Update(1.0f / 20.0f, true, nullptr, nullptr, 0);
}

std::vector<std::string> HistoryOf(const RConsole& console)
{
    std::vector<std::string> lines;
    for (int32_t i = 0; i < console.GetHistoryCount(); ++i)
        lines.push_back(console.GetHistoryLine(i).GetString());
    return lines;
}

void EndConsoleTyping()
{
    RControlConfig::DestroyInstance();
    RInputHandler::DestroyInstance();
    RTextInputList::DestroyInstance();
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

// Keys and text that arrive between two frames take their turns, as they came through SDL's event queue: the text
// typed after Enter starts the next line, so two commands typed within one frame run in order, each whole.
TEST(Console, TwoCommandsTypedWithinOneFrameRunInOrderAsTwoLines)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    RConsoleCommands::RegisterEngineCommands();
    {
        RConsole console;
        console.SetOpen(true);
        TypeLine("help thread");
        TypeLine("help listsections");
        ConsoleFrame(console);

        EXPECT_EQ(HistoryOf(console), (std::vector<std::string>{"help thread", "help listsections"}));
        std::vector<std::string> echoes;
        for (uint32_t i = 0; i < console.GetOutputCount(); ++i) {
            const std::string line = console.GetOutputLine(i).GetString();
            if (line.rfind("> ", 0) == 0)
                echoes.push_back(line);
        }
        EXPECT_EQ(echoes, (std::vector<std::string>{"> help thread", "> help listsections"}));
        EXPECT_EQ(std::string(console.GetPrompt().GetText().GetString()), "");
        console.SetOpen(false);
    }
    EndConsoleTyping();
}

// However much is typed between two frames, nothing is lost: a line of 253 characters typed with no pause, and
// twenty commands each ended by Enter typed in one burst, are whole lines of the history, in order.
TEST(Console, ALongLineAndTwentyCommandsTypedInOneBurstArriveWhole)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    RConsoleCommands::RegisterEngineCommands();
    {
        RConsole console;
        console.SetOpen(true);
        std::string line = "help ";
        for (int i = 0; line.size() < 253; ++i) {
            char number[16];
            snprintf(number, sizeof(number), "%03d.", i);
            line += number;
        }
        ASSERT_EQ(line.size(), 253u);
        TypeLine(line);
        ConsoleFrame(console);
        EXPECT_EQ(HistoryOf(console), std::vector<std::string>{line});

        std::vector<std::string> commands{line};
        for (int i = 1; i <= 20; ++i) {
            commands.push_back("help r" + std::to_string(i));
            TypeLine(commands.back());
        }
        ConsoleFrame(console);
        EXPECT_EQ(HistoryOf(console), commands);
        console.SetOpen(false);
    }
    EndConsoleTyping();
}

// The engine's commands, and the console's action bound to input alone.
void BindConsoleTo(const RDefinedInput& input)
{
    RConsoleCommands::RegisterEngineCommands();
    const RHashedString utility("Utility"), openConsole("OpenConsole");
    RControlConfig* controls = RControlConfig::GetInstance();
    controls->AddGroup(utility, false, true, true, false);
    controls->AddControl(utility, openConsole, false);
    controls->AddDefinedInput(utility, openConsole, input);
}

// The console key typed after two commands, all between two frames, closes the console in its turn: both commands
// run first, in order, and what is typed after the key is no longer the console's.
TEST(Console, CommandsTypedBeforeTheConsoleKeyWithinOneFrameRunBeforeItCloses)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    BindConsoleTo(RDefinedInput::Button(RDefinedInput::kKeyboard, SDL_SCANCODE_GRAVE));
    {
        RConsole console;
        console.SetOpen(true);
        TypeLine("help thread");
        TypeLine("help listsections");
        PushEvent(SDL_KEYDOWN, SDL_SCANCODE_GRAVE);
        PushEvent(SDL_TEXTINPUT, SDL_SCANCODE_GRAVE, "`");
        PushEvent(SDL_KEYUP, SDL_SCANCODE_GRAVE);
        TypeLine("help quit");
        ConsoleFrame(console);

        EXPECT_FALSE(console.IsOpen());
        EXPECT_EQ(HistoryOf(console), (std::vector<std::string>{"help thread", "help listsections"}));
        // Held from the last frame, the key opens it again only when pressed anew.
        ConsoleFrame(console);
        EXPECT_FALSE(console.IsOpen());
    }
    EndConsoleTyping();
}

// A console key bound to a controller's button is no keyboard key, whatever its number: with the console on the
// pad's button 9, "f" (scancode 9) typed while it is open goes into the line, and the console stays open.
TEST(Console, ALetterWhoseScancodeIsTheNumberOfTheConsolesPadButtonIsTyped)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    static_assert(SDL_SCANCODE_F == 9, "the letter shares the button's number");
    BindConsoleTo(RDefinedInput::Button(RDefinedInput::kControllerButton, SDL_SCANCODE_F));
    {
        RConsole console;
        console.SetOpen(true);
        TypeLine("help off");
        ConsoleFrame(console);

        EXPECT_TRUE(console.IsOpen());
        EXPECT_EQ(HistoryOf(console), std::vector<std::string>{"help off"});
        console.SetOpen(false);
    }
    EndConsoleTyping();
}

class ConsoleGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Console Test"; }
};

// "dumpcontent" says "...done!" only when it wrote every packed file. Otherwise it says how many it could not write
// and why, on the console, on standard error and in "DebugLog_Safe.txt" at once; and it writes over nothing that
// stands in its way.
TEST(Console, AContentDumpThatCannotWriteEveryFileSaysHowManyAndWhy)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Test");
    const std::string log = userFolder / "Logs" / "DebugLog_Safe.txt";
    const uint32_t kLimit = 32 * 1024;

    // A plain file where the dump's folder goes: no file is written, and the plain file stays as it was.
    fs::create_directories(userFolder);
    const std::string inTheWay = "a file of the player's own\r\n";
    WriteBytes(userFolder / "Content Dump", inTheWay);
    EXPECT_EXIT(
        {
            ConsoleGame* game = new ConsoleGame();
            if (!game->InitEngine())
                exit(2);
            RUtilVector<RString> names;
            RStreamMgr::GetInstance()->ListFiles(names, "", RStreamMgr::kPacksOnly);
            RString out;
            if (RConsoleCommands::Execute("dumpcontent", out) || out.Find(RString("...done!")) >= 0)
                exit(3);
            char expected[128];
            snprintf(expected, sizeof(expected), "%u of %u files could not be written to the content dump: ",
                     names.getCount(), names.getCount());
            if (names.getCount() == 0 || out.Find(RString(expected)) < 0)
                exit(4);
            if (ReadBytes(log).find(expected) == std::string::npos)
                exit(5);
            exit(0);
        },
        ::testing::ExitedWithCode(0),
        "files could not be written to the content dump: something other than a folder stands there and is left as "
        "it is, first at .*/Console Test/Content Dump/");
    EXPECT_EQ(ReadBytes(userFolder / "Content Dump"), inTheWay);

    // A full disk: the files over the limit are not written, and are counted; those under it are.
    fs::remove(userFolder / "Content Dump");
    EXPECT_EXIT(
        {
            ConsoleGame* game = new ConsoleGame();
            if (!game->InitEngine())
                exit(2);
            RStreamMgr* streams = RStreamMgr::GetInstance();
            RUtilVector<RString> names;
            streams->ListFiles(names, "", RStreamMgr::kPacksOnly);
            uint32_t tooLarge = 0;
            for (const RString& name : names)
                tooLarge += streams->GetFileSize(name.GetString(), RStreamMgr::kPacksOnly) > kLimit;
            if (tooLarge == 0 || tooLarge == names.getCount())
                exit(3);
            RString out;
            bool succeeded = true;
            {
                FileSizeLimit limit(kLimit);
                if (!limit.IsActive())
                    exit(4);
                succeeded = RConsoleCommands::Execute("dumpcontent", out);
            }
            char expected[128];
            snprintf(expected, sizeof(expected), "%u of %u files could not be written to the content dump: %s",
                     tooLarge, names.getCount(), strerror(EFBIG));
            if (succeeded || out.Find(RString(expected)) < 0 || out.Find(RString("...done!")) >= 0)
                exit(5);
            if (ReadBytes(log).find(expected) == std::string::npos)
                exit(6);
            const auto written = std::distance(fs::directory_iterator(userFolder / "Content Dump"),
                                               fs::directory_iterator());
            if (written != static_cast<long>(names.getCount() - tooLarge))
                exit(7);
            exit(0);
        },
        ::testing::ExitedWithCode(0), "files could not be written to the content dump: File too large");
}

// Opened, the console slides over the upper half of the screen and shows its text there; the lower half stays
// as the game drew it. While it is open the groups that yield give nothing; closed, it leaves typed text to the
// field beneath it.
TEST(Console, OpenItCoversTheUpperHalfAndCapturesTheYieldingGroups)
{
    TempUserData data;
    const fs::path userFolder = PrepareGameRun(data, "Console Test");
    EXPECT_EXIT(
        {
            ConsoleGame* game = new ConsoleGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            RSubroutineMgr::GetInstance()->StopAll(); // the splash would capture the input itself
            RControlConfig* controls = RControlConfig::GetInstance();
            const RHashedString general("General");
            const RHashedString pause("Pause");
            RConsole* console = game->GetConsole();
            uint8_t* keys = RInputHandler::GetInstance()->GetCurrentState().keys;
            // A menu's text field has the focus while the console opens and closes over it.
            RTextEntryBackend field;
            field.Register();
            // The console's key opens it in a frame that runs no game step; once it is open, the yielding groups
            // are captured but the console's own key still answers, and closes it again.
            keys[SDL_SCANCODE_ESCAPE] = 1;
            keys[SDL_SCANCODE_GRAVE] = 1;
            controls->UpdateControls(RControlConfig::kPerFrame, 0.0f, 0.0f);
            if (controls->GetValue(general, pause) != 1.0f)
                exit(3);
            console->Update(0.0f, true, nullptr, nullptr, game->GetScreenHeight());
            if (!console->IsOpen() || controls->GetValue(general, pause) != 0.0f)
                exit(4);
            keys[SDL_SCANCODE_ESCAPE] = 0;
            keys[SDL_SCANCODE_GRAVE] = 0;
            controls->UpdateControls(RControlConfig::kPerFrame, 0.0f, 0.0f);
            keys[SDL_SCANCODE_GRAVE] = 1;
            controls->UpdateControls(RControlConfig::kPerFrame, 0.0f, 0.0f);
            console->Update(0.0f, true, nullptr, nullptr, game->GetScreenHeight());
            if (console->IsOpen())
                exit(6);
            // Closed, the console types nothing more: the field takes the text again.
            SDL_Event typed;
            SDL_zero(typed);
            typed.type = SDL_TEXTINPUT;
            SDL_strlcpy(typed.text.text, "x", sizeof(typed.text.text));
            SDL_PushEvent(&typed);
            game->PumpEvents();
            field.Update();
            if (std::string(field.GetText().GetString()) != "x")
                exit(7);
            field.Unregister();
            keys[SDL_SCANCODE_GRAVE] = 0;
            console->SetOpen(true);

            game->GetConsole()->Submit("help");
            for (int frame = 0; frame < 2000 && !(game->GetConsole()->GetSlide() >= 1.0f); ++frame) {
                game->PumpEvents();
                game->Update();
                game->UpdateFrame();
                game->RenderFrame();
            }
            if (game->GetConsole()->GetSlide() < 1.0f)
                exit(5);
            game->PumpEvents();
            game->Update();
            game->UpdateFrame();
            game->RequestScreenshot();
            game->RenderFrame();
            game->Shutdown();
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const int shots = CheckScreenshots(userFolder, [](const fs::path&, const RImage& image) {
        int upper = 0;
        int lower = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                // The panel itself is near black; the text is light.
                const uint32_t pixel = image.GetPixel(x, y);
                const bool light = ((pixel >> 16) & 0xFF) > 96 && ((pixel >> 8) & 0xFF) > 96 && (pixel & 0xFF) > 96;
                (y < image.GetHeight() / 2 ? upper : lower) += light;
            }
        EXPECT_GT(upper, 500) << "the console's text";
        EXPECT_EQ(lower, 0);
    });
    EXPECT_EQ(shots, 1);
}

} // namespace
