// Text entry: the field edited from the input handler's key states (written here frame by frame), the list of
// registered text inputs fed with SDL events pushed through SDL's queue, and copy and paste through the X
// server's clipboard.
#include "XInputTestSupport.h"

#include "core/RString.h"
#include "core/RTimer.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextEntryBackend.h"
#include "platform/input/RTextInputList.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

class TextEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        handler->EmptyInitHook(1);
        SDL_SetModState(KMOD_NONE);
    }
    void TearDown() override
    {
        SDL_SetModState(KMOD_NONE);
        RInputHandler::DestroyInstance();
        RTextInputList::DestroyInstance();
    }

    // One frame: the handler's read, the keys held in it, then the field's Update.
    bool Frame(std::initializer_list<int> held, float dt = 1.0f / 64.0f)
    {
        handler->Update(dt);
        for (int scancode : held)
            handler->GetCurrentState().keys[scancode] = 1;
        return entry.Update();
    }
    // Presses and releases each key in turn.
    void Type(std::initializer_list<int> keys)
    {
        for (int key : keys) {
            Frame({key});
            Frame({});
        }
    }
    std::string Text() const { return entry.GetText().GetString(); }

    RInputHandler* handler = RInputHandler::GetInstance();
    RTextEntryBackend entry;
};

TEST_F(TextEntry, KeysTypeAtTheCursorWithShiftAndCapsLock)
{
    EXPECT_TRUE(Frame({SDL_SCANCODE_H}));
    EXPECT_FALSE(Frame({})) << "a release changes nothing";
    Type({SDL_SCANCODE_I, SDL_SCANCODE_1});
    EXPECT_EQ(Text(), "hi1");

    SDL_SetModState(KMOD_LSHIFT);
    Type({SDL_SCANCODE_A, SDL_SCANCODE_1});
    SDL_SetModState(KMOD_CAPS);
    Type({SDL_SCANCODE_B, SDL_SCANCODE_2});
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(Text(), "hi1A!B2");

    Type({SDL_SCANCODE_LEFT, SDL_SCANCODE_LEFT, SDL_SCANCODE_SPACE});
    EXPECT_EQ(Text(), "hi1A! B2");
    EXPECT_EQ(entry.GetCursor(), 6);
    EXPECT_EQ(entry.GetLength(), 8);
}

TEST_F(TextEntry, OneCharacterPerFrameTheFirstInScancodeOrder)
{
    EXPECT_TRUE(Frame({SDL_SCANCODE_Z, SDL_SCANCODE_A}));
    EXPECT_EQ(Text(), "a");
    // Both were asked for repeat: the later scancode holds the repeat now and types on.
    for (int frame = 0; frame < 16; ++frame)
        Frame({SDL_SCANCODE_Z, SDL_SCANCODE_A});
    EXPECT_EQ(Text(), "az");
}

TEST_F(TextEntry, ControlOrAltHeldTypesNothing)
{
    for (int modifier : {SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL, SDL_SCANCODE_LALT, SDL_SCANCODE_RALT}) {
        for (int key : {SDL_SCANCODE_A, SDL_SCANCODE_X, SDL_SCANCODE_5, SDL_SCANCODE_SPACE})
            EXPECT_FALSE(Frame({modifier, key})) << modifier << " " << key;
        Frame({});
    }
    EXPECT_EQ(Text(), "");
}

TEST_F(TextEntry, AFullFieldRefusesTypingAndPastingButNotBackspace)
{
    entry.SetText(RString("abcdefghijklmnopqrstuvwx"));
    ASSERT_EQ(entry.GetLength(), 24);
    EXPECT_FALSE(Frame({SDL_SCANCODE_Y}));
    Frame({});
    Type({SDL_SCANCODE_HOME});
    EXPECT_FALSE(Frame({SDL_SCANCODE_Y})) << "a full field refuses typing wherever the cursor is";
    Frame({});
    EXPECT_TRUE(Frame({SDL_SCANCODE_LCTRL, SDL_SCANCODE_V})) << "a paste is reported";
    Frame({});
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvwx");

    Type({SDL_SCANCODE_END});
    EXPECT_TRUE(Frame({SDL_SCANCODE_BACKSPACE}));
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvw");
    Frame({});
    EXPECT_TRUE(Frame({SDL_SCANCODE_Y}));
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvwy");
}

TEST_F(TextEntry, HeldBackspaceRepeatsAfterTheDelayThenAtTheInterval)
{
    entry.SetText(RString("abcdefghijklmnopqrstuvwx"));
    std::vector<int> removals;
    for (int frame = 0; frame < 40; ++frame) {
        if (Frame({SDL_SCANCODE_BACKSPACE}))
            removals.push_back(frame);
    }
    // 1/64 s frames: the press, then 0.25 s later, then every 0.05 s (a little over three frames).
    EXPECT_EQ(removals, (std::vector<int>{0, 16, 20, 24, 28, 32, 36}));
    EXPECT_EQ(entry.GetLength(), 24 - 7);
}

TEST_F(TextEntry, EditsAtTheEndsChangeNothing)
{
    entry.SetText(RString("ab"));
    EXPECT_FALSE(Frame({SDL_SCANCODE_DELETE})) << "delete at the end";
    Frame({});
    Type({SDL_SCANCODE_HOME});
    EXPECT_FALSE(Frame({SDL_SCANCODE_BACKSPACE})) << "backspace at the start";
    Frame({});
    EXPECT_FALSE(Frame({SDL_SCANCODE_LEFT}));
    EXPECT_EQ(entry.GetCursor(), 0);
    Frame({});
    EXPECT_TRUE(Frame({SDL_SCANCODE_DELETE}));
    EXPECT_EQ(Text(), "b");
    Frame({});
    EXPECT_FALSE(Frame({SDL_SCANCODE_RIGHT})) << "cursor moves are not changes";
    Frame({});
    EXPECT_FALSE(Frame({SDL_SCANCODE_RIGHT}));
    EXPECT_EQ(entry.GetCursor(), 1);
}

TEST_F(TextEntry, HomeAndEndActOncePerPress)
{
    entry.SetText(RString("abcdef"));
    Frame({SDL_SCANCODE_HOME});
    EXPECT_EQ(entry.GetCursor(), 0);
    Frame({SDL_SCANCODE_HOME, SDL_SCANCODE_RIGHT});
    for (int frame = 0; frame < 40; ++frame)
        Frame({SDL_SCANCODE_HOME});
    EXPECT_EQ(entry.GetCursor(), 1) << "a held Home does not repeat";
    Frame({SDL_SCANCODE_END});
    EXPECT_EQ(entry.GetCursor(), 6);
    Frame({SDL_SCANCODE_END, SDL_SCANCODE_LEFT});
    for (int frame = 0; frame < 40; ++frame)
        Frame({SDL_SCANCODE_END});
    EXPECT_EQ(entry.GetCursor(), 5);
}

TEST_F(TextEntry, SetTextKeepsWhatFitsAndWhatTheFieldCanHold)
{
    entry.SetText(RString("abcdefghijklmnopqrstuvwxyz1234"));
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(entry.GetCursor(), 24);

    RString cleared("x");
    cleared.Clear();
    entry.SetText(cleared);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(entry.GetCursor(), 0);

    RString raw("aXbYcZd");
    char* bytes = const_cast<char*>(raw.GetString()); // the copy's own buffer
    bytes[1] = '\t';
    bytes[3] = 127; // the font's inline-glyph escape
    bytes[5] = 0;
    entry.SetText(raw);
    EXPECT_EQ(entry.GetLength(), 4) << "control bytes, the escape and zero bytes are left out";
    EXPECT_EQ(Text(), "abcd");
    EXPECT_EQ(entry.GetCursor(), 4);
    Type({SDL_SCANCODE_E});
    EXPECT_EQ(Text(), "abcde");
}

TEST_F(TextEntry, CapacityAndCursorStayInRange)
{
    RTextEntryBackend small(3);
    EXPECT_TRUE(small.InsertChar('a'));
    EXPECT_TRUE(small.InsertChar('b'));
    EXPECT_TRUE(small.InsertChar('c'));
    EXPECT_FALSE(small.InsertChar('d'));
    small.SetCursor(1);
    EXPECT_EQ(small.GetCursor(), 1);
    small.SetCursor(-5);
    EXPECT_EQ(small.GetCursor(), 0);
    small.SetCursor(99);
    EXPECT_EQ(small.GetCursor(), 3);
    EXPECT_STREQ(small.GetText().GetString(), "abc");

    small.SetMaxLength(5);
    EXPECT_EQ(small.GetMaxLength(), 5);
    EXPECT_EQ(small.GetLength(), 0);
    EXPECT_STREQ(small.GetText().GetString(), "");

    RTextEntryBackend none(-4);
    EXPECT_EQ(none.GetMaxLength(), 0);
    EXPECT_FALSE(none.InsertChar('a'));
    none.SetText(RString("abc"));
    EXPECT_STREQ(none.GetText().GetString(), "");
    none.SetMaxLength(-1);
    EXPECT_EQ(none.GetMaxLength(), 0);
}

TEST_F(TextEntry, ControlCharactersAndTheGlyphEscapeAreRefused)
{
    EXPECT_FALSE(entry.InsertChar(0));
    EXPECT_FALSE(entry.InsertChar('\n'));
    EXPECT_FALSE(entry.InsertChar('\t'));
    EXPECT_FALSE(entry.InsertChar(127));
    EXPECT_TRUE(entry.InsertChar(static_cast<char>(0xE9)));
    EXPECT_EQ(entry.GetLength(), 1);
}

TEST_F(TextEntry, EveryEditStampsTheGlobalClock)
{
    ASSERT_TRUE(g_pGlobalTimer->Reset());
    SDL_Delay(20);
    g_pGlobalTimer->Update();
    float now = entry.GetTime();
    EXPECT_GT(now, 0.0f);
    EXPECT_EQ(now, g_pGlobalTimer->GetElapsedSeconds());
    entry.SetCursor(0);
    EXPECT_EQ(entry.GetLastEditTime(), now);

    SDL_Delay(20);
    g_pGlobalTimer->Update();
    Frame({SDL_SCANCODE_Q});
    EXPECT_GT(entry.GetLastEditTime(), now);
    now = entry.GetLastEditTime();

    SDL_Delay(20);
    g_pGlobalTimer->Update();
    Frame({SDL_SCANCODE_LEFT});
    EXPECT_GT(entry.GetLastEditTime(), now) << "a cursor move restarts the caret's blink";
}

// A text input that records what reaches it.
class RecordingInput : public RFMLTextInput {
public:
    void OnTextEditing(const SDL_TextEditingEvent& event) override { edits.push_back(event.text); }
    void OnTextInput(const SDL_TextInputEvent& event) override { inputs.push_back(event.text); }
    std::vector<std::string> edits;
    std::vector<std::string> inputs;
};

class TextEvents : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override
    {
        RTextInputList::DestroyInstance();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }

    static void Push(Uint32 type, const char* text)
    {
        SDL_Event event;
        std::memset(&event, 0, sizeof(event));
        event.type = type;
        if (type == SDL_TEXTINPUT)
            SDL_strlcpy(event.text.text, text, sizeof(event.text.text));
        else
            SDL_strlcpy(event.edit.text, text, sizeof(event.edit.text));
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    // The event pump: the frame's text starts empty and every queued event is handed on.
    static void Pump()
    {
        RTextInputList* list = RTextInputList::GetInstance();
        list->ClearFrameText();
        SDL_Event event;
        while (SDL_PollEvent(&event))
            list->HandleEvent(event);
    }
};

TEST_F(TextEvents, EditingGoesToTheLatestInputAndTypedTextToTheFrame)
{
    RTextInputList* list = RTextInputList::GetInstance();
    RecordingInput first;
    RecordingInput second;
    list->Register(&first);
    list->Register(&second);
    list->Register(&first);
    list->Register(nullptr);
    EXPECT_EQ(list->GetCount(), 2u) << "each input is listed once";

    Push(SDL_TEXTEDITING, "ka");
    Push(SDL_TEXTINPUT, "x");
    Push(SDL_TEXTINPUT, "\xC3\xA9");
    Pump();
    EXPECT_TRUE(first.edits.empty());
    EXPECT_EQ(second.edits, std::vector<std::string>{"ka"});
    EXPECT_TRUE(second.inputs.empty());
    ASSERT_EQ(list->GetFrameText().getCount(), 2u);
    EXPECT_STREQ(list->GetFrameText()[0].GetString(), "x");
    EXPECT_STREQ(list->GetFrameText()[1].GetString(), "\xC3\xA9");

    list->Unregister(&second);
    Push(SDL_TEXTEDITING, "b");
    Pump();
    EXPECT_EQ(first.edits, std::vector<std::string>{"b"});
    EXPECT_TRUE(list->GetFrameText().isEmpty()) << "the frame's text starts empty";
}

TEST_F(TextEvents, AnInputDestroyedWhileRegisteredLeavesTheList)
{
    RTextInputList* list = RTextInputList::GetInstance();
    RecordingInput kept;
    list->Register(&kept);
    {
        RTextEntryBackend field;
        field.Register();
        field.Register();
        EXPECT_EQ(list->GetCount(), 2u);
        Push(SDL_TEXTEDITING, "to the field");
        Pump();
        EXPECT_TRUE(kept.edits.empty());
    }
    EXPECT_EQ(list->GetCount(), 1u);
    Push(SDL_TEXTEDITING, "after");
    Pump();
    EXPECT_EQ(kept.edits, std::vector<std::string>{"after"});

    // With the list gone, destroying an input is still safe.
    RTextInputList::DestroyInstance();
    {
        RTextEntryBackend orphan;
        orphan.Register();
        RTextInputList::DestroyInstance();
    }
    EXPECT_EQ(RTextInputList::GetExisting(), nullptr);
}

// Copy and paste through the X server's clipboard, which every process on the server shares: the tests take
// turns through the display's input lock.
class Clipboard : public TextEntry {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs the test run's X server";
        ASSERT_TRUE(m_turn.IsHeld());
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        m_video = true;
        TextEntry::SetUp();
    }
    void TearDown() override
    {
        TextEntry::TearDown();
        if (m_video)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool Paste()
    {
        bool changed = Frame({SDL_SCANCODE_RCTRL, SDL_SCANCODE_V});
        Frame({});
        return changed;
    }

    xinputtest::XInputTurn m_turn;
    bool m_video = false;
};

TEST_F(Clipboard, PasteInsertsTheFirstNonBlankLineInWindows1252)
{
    ASSERT_EQ(SDL_SetClipboardText("\n  \r\n  caf\xC3\xA9 \xE2\x82\xAC\x7F\tok\xE4\xB8\xAD!  \r\nsecond line"), 0)
        << SDL_GetError();
    Type({SDL_SCANCODE_A});
    EXPECT_TRUE(Paste());
    // The euro sign is byte 0x80; DEL, the tab and the character Windows-1252 lacks are skipped.
    EXPECT_EQ(Text(), "acaf\xE9 \x80ok!");
    EXPECT_EQ(entry.GetCursor(), entry.GetLength());
}

TEST_F(Clipboard, PasteStopsWhenTheFieldIsFull)
{
    ASSERT_EQ(SDL_SetClipboardText("0123456789"), 0) << SDL_GetError();
    entry.SetText(RString("abcdefghijklmnopq")); // 17 of 24
    Type({SDL_SCANCODE_HOME});
    EXPECT_TRUE(Paste());
    EXPECT_EQ(Text(), "0123456abcdefghijklmnopq");
    EXPECT_EQ(entry.GetCursor(), 7);

    ASSERT_EQ(SDL_SetClipboardText(""), 0);
    entry.SetText(RString("x"));
    EXPECT_TRUE(Paste()) << "an empty clipboard pastes nothing but is still reported";
    EXPECT_EQ(Text(), "x");
}

TEST_F(Clipboard, CopyPutsTheTextOnTheClipboardAsUTF8)
{
    entry.SetText(RString("caf\xE9 \x80 5"));
    ASSERT_EQ(SDL_SetClipboardText("old"), 0);
    EXPECT_TRUE(Frame({SDL_SCANCODE_LCTRL, SDL_SCANCODE_C}));
    EXPECT_FALSE(Frame({SDL_SCANCODE_LCTRL, SDL_SCANCODE_C})) << "once per press";
    char* clipboard = SDL_GetClipboardText();
    ASSERT_NE(clipboard, nullptr);
    EXPECT_STREQ(clipboard, "caf\xC3\xA9 \xE2\x82\xAC 5");
    SDL_free(clipboard);
    EXPECT_EQ(Text(), "caf\xE9 \x80 5") << "copying leaves the text";

    Frame({});
    entry.SetText(RString(""));
    EXPECT_TRUE(Paste());
    EXPECT_EQ(Text(), "caf\xE9 \x80 5") << "what was copied pastes back unchanged";
}

} // namespace
