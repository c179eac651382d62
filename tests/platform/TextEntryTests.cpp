// Text entry: the field typed into and edited through SDL's event queue, in the order the events arrived, with the
// handler's auto-repeat for a held editing key; the text input list fed through the queue; and paste from the X
// server's clipboard.
#include "../TestDisplay.h"
#include "XInputTestSupport.h"

#include "core/types/RString.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextEntryBackend.h"
#include "platform/input/RTextInputList.h"

#include <cstring>
#include <vector>

namespace {

class TextEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        handler->EmptyInitHook(1);
        SDL_SetModState(KMOD_NONE);
        entry.Register();
    }
    void TearDown() override
    {
        SDL_SetModState(KMOD_NONE);
        RInputHandler::DestroyInstance();
        RTextInputList::DestroyInstance();
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    // Queues a key event with the modifiers, as SDL sends it.
    static void PushKey(Uint32 type, int scancode, uint16_t modifiers = KMOD_NONE, bool repeat = false)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = type;
        event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
        event.key.keysym.mod = modifiers;
        event.key.repeat = repeat ? 1 : 0;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    // Queues a text as SDL sends it: the key-down of the key that typed it (none for 0), then the text.
    static void PushText(const char* utf8, int key = SDL_SCANCODE_UNKNOWN, uint16_t modifiers = KMOD_NONE)
    {
        if (key != SDL_SCANCODE_UNKNOWN)
            PushKey(SDL_KEYDOWN, key, modifiers);
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_TEXTINPUT;
        SDL_strlcpy(event.text.text, utf8, sizeof(event.text.text));
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    // Queues a press and release of the key.
    static void PushTap(int key)
    {
        PushKey(SDL_KEYDOWN, key);
        PushKey(SDL_KEYUP, key);
    }
    // One frame as the event pump and the frame read run it: the queued events handed to the text inputs and the
    // handler, the handler's read with the keys held in it, then the field's Update (whether the text changed).
    bool Frame(std::initializer_list<int> held)
    {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            handler->HandleEvent(event);
            RTextInputList::GetInstance()->HandleEvent(event);
        }
        handler->Update(1.0f / 64.0f);
        for (int scancode : held)
            handler->GetCurrentState().keys[scancode] = 1;
        return entry.Update();
    }
    // Presses and releases each key in turn, a frame for each.
    void Type(std::initializer_list<int> keys)
    {
        for (int key : keys)
            Press({key});
    }
    // Presses the keys in turn (Control held for those after a Control key), holds them for one frame, then
    // releases them: whether the press changed the text.
    bool Press(std::initializer_list<int> keys)
    {
        uint16_t modifiers = KMOD_NONE;
        for (int key : keys) {
            PushKey(SDL_KEYDOWN, key, modifiers);
            modifiers |= key == SDL_SCANCODE_LCTRL ? KMOD_LCTRL : key == SDL_SCANCODE_RCTRL ? KMOD_RCTRL : 0;
        }
        bool changed = Frame(keys);
        for (int key : keys)
            PushKey(SDL_KEYUP, key);
        Frame({});
        return changed;
    }
    // The text typed with the key (none for 0) and the modifiers, then one frame: whether the text changed.
    bool Typed(const char* utf8, SDL_Scancode key = SDL_SCANCODE_UNKNOWN, uint16_t modifiers = KMOD_NONE)
    {
        PushText(utf8, key, modifiers);
        return Frame({});
    }
    std::string Text() const { return entry.GetText().GetString(); }

    RInputHandler* handler = RInputHandler::GetInstance();
    RTextEntryBackend entry;
};

// Text comes from SDL's text events, one character per event as a key types it; a key held in the handler's
// state types nothing itself, so no character arrives twice.
TEST_F(TextEntry, TextEventsTypeAtTheCursorAndHeldKeysTypeNothing)
{
    EXPECT_TRUE(Typed("h", SDL_SCANCODE_H));
    EXPECT_FALSE(Frame({SDL_SCANCODE_H})) << "the key's press in the handler's state adds nothing";
    EXPECT_FALSE(Frame({SDL_SCANCODE_H})) << "nor does holding it";
    EXPECT_FALSE(Frame({})) << "a release changes nothing";
    Typed("i", SDL_SCANCODE_I);
    Typed("1", SDL_SCANCODE_1);
    Typed("A", SDL_SCANCODE_A, KMOD_LSHIFT);
    Typed("!");
    Type({SDL_SCANCODE_LEFT, SDL_SCANCODE_LEFT});
    EXPECT_TRUE(Typed(" ", SDL_SCANCODE_SPACE));
    EXPECT_EQ(Text(), "hi1 A!");
    EXPECT_EQ(entry.GetCursor(), 4);
    for (int key : {SDL_SCANCODE_A, SDL_SCANCODE_X, SDL_SCANCODE_5, SDL_SCANCODE_SPACE})
        EXPECT_FALSE(Press({key})) << key;
    EXPECT_EQ(Text(), "hi1 A!");

    // A shortcut with Control types nothing; Control with Alt (AltGr on some systems) and right Alt still type.
    for (uint16_t control : {KMOD_LCTRL, KMOD_RCTRL})
        EXPECT_FALSE(Typed("a", SDL_SCANCODE_A, control)) << control;
    EXPECT_TRUE(Typed("@", SDL_SCANCODE_Q, KMOD_LCTRL | KMOD_RALT));
    EXPECT_TRUE(Typed("\xE2\x82\xAC", SDL_SCANCODE_E, KMOD_RALT));
    // The console's key does not type; only the key-down right before a text is the key that typed it.
    EXPECT_FALSE(Typed("`", SDL_SCANCODE_GRAVE));
    EXPECT_TRUE(Typed("`"));
    EXPECT_EQ(Text(), "hi1 @\x80`A!");
}

// Typed text is UTF-8 from any keyboard layout: it arrives in Windows-1252, and what the field cannot hold (a
// character Windows-1252 lacks, control bytes, DEL, bytes that are no UTF-8) is left out.
TEST_F(TextEntry, TypedTextArrivesInWindows1252)
{
    EXPECT_TRUE(Typed("caf\xC3\xA9 \xE2\x82\xAC\x7F\tok\xE4\xB8\xAD!\xFF\xC3"));
    EXPECT_EQ(Text(), "caf\xE9 \x80ok!");
    EXPECT_FALSE(Typed("\xD0\xB6")) << "nothing typed is no change";

    // A text that fills the event's whole array, unterminated, stops at the array's end and the field's capacity.
    entry.SetText(RString());
    SDL_Event event;
    std::memset(&event, 0, sizeof(event));
    event.type = SDL_TEXTINPUT;
    std::memset(event.text.text, 'z', sizeof(event.text.text));
    RTextInputList::GetInstance()->HandleEvent(event);
    entry.Update();
    EXPECT_EQ(Text(), std::string(24, 'z'));
}

TEST_F(TextEntry, EditsStayInsideTheFieldAndItsCapacity)
{
    entry.SetText(RString("abcdefghijklmnopqrstuvwx"));
    ASSERT_EQ(entry.GetLength(), 24);
    EXPECT_FALSE(Typed("y", SDL_SCANCODE_Y));
    Type({SDL_SCANCODE_HOME});
    EXPECT_FALSE(Typed("y", SDL_SCANCODE_Y)) << "a full field refuses typing wherever the cursor is";
    EXPECT_TRUE(Press({SDL_SCANCODE_LCTRL, SDL_SCANCODE_V})) << "a paste is reported";
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvwx");
    EXPECT_FALSE(Press({SDL_SCANCODE_BACKSPACE})) << "backspace at the start";
    EXPECT_TRUE(Press({SDL_SCANCODE_DELETE}));
    Type({SDL_SCANCODE_END});
    EXPECT_FALSE(Press({SDL_SCANCODE_DELETE})) << "delete at the end";
    EXPECT_TRUE(Typed("y", SDL_SCANCODE_Y));
    EXPECT_EQ(Text(), "bcdefghijklmnopqrstuvwxy");

    // Set text keeps what fits and what the field can hold: no control bytes, glyph escape or zero bytes.
    entry.SetText(RString("abcdefghijklmnopqrstuvwxyz1234"));
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(entry.GetCursor(), 24);
    RString raw("aXbYcZd");
    char* bytes = const_cast<char*>(raw.GetString()); // the copy's own buffer
    bytes[1] = '\t';
    bytes[3] = 127; // the font's inline-glyph escape
    bytes[5] = 0;
    entry.SetText(raw);
    EXPECT_EQ(Text(), "abcd");
    EXPECT_EQ(entry.GetCursor(), 4);
    for (char refused : {'\0', '\n', '\t', '\x7F'})
        EXPECT_FALSE(entry.InsertChar(refused)) << int(refused);
}

// Keys and text that arrive between two frames apply in the order they arrived, each press once: three Backspace
// taps take three letters, and text typed after a cursor key lands where the key put the cursor.
TEST_F(TextEntry, KeysAndTextOfOneFrameApplyInTheirOrderEachPressOnce)
{
    PushText("help abcdef");
    EXPECT_TRUE(Frame({}));
    for (int i = 0; i < 3; ++i)
        PushTap(SDL_SCANCODE_BACKSPACE);
    EXPECT_TRUE(Frame({}));
    EXPECT_EQ(Text(), "help abc");

    PushTap(SDL_SCANCODE_HOME);
    PushText("1");
    PushTap(SDL_SCANCODE_END);
    PushText("2");
    PushTap(SDL_SCANCODE_LEFT);
    PushTap(SDL_SCANCODE_LEFT);
    PushText("3");
    PushTap(SDL_SCANCODE_DELETE);
    EXPECT_TRUE(Frame({}));
    EXPECT_EQ(Text(), "1help ab32");
    EXPECT_EQ(entry.GetCursor(), 9);
}

// A held Backspace takes a letter at its press, then repeats with the handler's timing, a quarter second and then
// every twentieth: the system's own repeat events take nothing more.
TEST_F(TextEntry, AHeldBackspaceRepeatsWithTheHandlersTiming)
{
    entry.SetText(RString("abcdefghijklmnopqrstuvwx"));
    std::vector<int> removals;
    for (int frame = 0; frame < 40; ++frame) {
        // The system's repeats begin after its delay: sooner, a repeat would be a tap sent without a pause.
        if (frame == 1)
            SDL_Delay(RInputHandler::kQuickTapMs + 10);
        PushKey(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, KMOD_NONE, frame > 0);
        const int32_t before = entry.GetLength();
        Frame({SDL_SCANCODE_BACKSPACE});
        if (entry.GetLength() != before)
            removals.push_back(frame);
    }
    EXPECT_EQ(removals, (std::vector<int>{0, 16, 20, 24, 28, 32, 36}));
    EXPECT_EQ(entry.GetLength(), 24 - 7);
}

// A text input that records what reaches it.
class RecordingInput : public RFMLTextInput {
public:
    void OnTextEditing(const SDL_TextEditingEvent& event) override { edits.push_back(event.text); }
    void OnTextInput(const SDL_TextInputEvent& event) override { inputs.push_back(event.text); }
    void OnKeyDown(const SDL_KeyboardEvent&) override {}
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
    // Queues editing text (typed text after a '+'), then pumps as the frame does.
    static void PushAndPump(std::initializer_list<std::string> texts)
    {
        for (const std::string& text : texts) {
            SDL_Event event;
            std::memset(&event, 0, sizeof(event));
            event.type = text[0] == '+' ? SDL_TEXTINPUT : SDL_TEXTEDITING;
            SDL_strlcpy(text[0] == '+' ? event.text.text : event.edit.text, text.c_str() + (text[0] == '+'),
                        sizeof(event.text.text));
            ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        }
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
    RecordingInput first, second;
    for (RFMLTextInput* input : {(RFMLTextInput*)&first, (RFMLTextInput*)&second, (RFMLTextInput*)&first, (RFMLTextInput*)nullptr})
        list->Register(input);
    EXPECT_EQ(list->GetCount(), 2u) << "each input is listed once";
    PushAndPump({"ka", "+x"});
    EXPECT_TRUE(first.edits.empty());
    EXPECT_TRUE(first.inputs.empty());
    EXPECT_EQ(second.edits, std::vector<std::string>{"ka"});
    EXPECT_EQ(second.inputs, std::vector<std::string>{"x"});
    ASSERT_EQ(list->GetFrameText().getCount(), 1u);
    EXPECT_STREQ(list->GetFrameText()[0].GetString(), "x");
    list->Unregister(&second);
    PushAndPump({"b"});
    EXPECT_EQ(first.edits, std::vector<std::string>{"b"});

    // An input destroyed while registered leaves the list, even when registered twice.
    {
        RTextEntryBackend field;
        field.Register();
        field.Register();
        EXPECT_EQ(list->GetCount(), 2u);
        PushAndPump({"to the field"});
    }
    EXPECT_EQ(list->GetCount(), 1u);
    PushAndPump({"after"});
    EXPECT_EQ(first.edits, (std::vector<std::string>{"b", "after"}));
}

// The X server's clipboard is shared: tests take turns through the display's input lock.
class Clipboard : public TextEntry {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs the test run's X server";
        ASSERT_TRUE(m_turn.IsHeld());
        ASSERT_TRUE(StartTestVideo()) << SDL_GetError();
        m_video = true;
        TextEntry::SetUp();
    }
    void TearDown() override
    {
        TextEntry::TearDown();
        if (m_video)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool Paste() { return Press({SDL_SCANCODE_RCTRL, SDL_SCANCODE_V}); }

    xinputtest::XInputTurn m_turn;
    bool m_video = false;
};

TEST_F(Clipboard, PasteInsertsTheFirstNonBlankLineInWindows1252UntilTheFieldIsFull)
{
    ASSERT_EQ(SDL_SetClipboardText("\n  \r\n  caf\xC3\xA9 \xE2\x82\xAC\x7F\tok\xE4\xB8\xAD!  \r\nsecond line"), 0)
        << SDL_GetError();
    Typed("a", SDL_SCANCODE_A);
    EXPECT_TRUE(Paste());
    // The euro sign is byte 0x80; DEL, the tab and the character Windows-1252 lacks are skipped.
    EXPECT_EQ(Text(), "acaf\xE9 \x80ok!");
    EXPECT_EQ(entry.GetCursor(), entry.GetLength());

    ASSERT_EQ(SDL_SetClipboardText("0123456789"), 0) << SDL_GetError();
    entry.SetText(RString("abcdefghijklmnopq")); // 17 of 24
    Type({SDL_SCANCODE_HOME});
    EXPECT_TRUE(Paste());
    EXPECT_EQ(Text(), "0123456abcdefghijklmnopq");
    EXPECT_EQ(entry.GetCursor(), 7);
}

} // namespace
