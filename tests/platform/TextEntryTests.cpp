// Text entry: the field edited from the handler's key states, the text input list fed through SDL's event queue, and
// paste from the X server's clipboard.
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
        handler->EmptyInitHook(1);
        SDL_SetModState(KMOD_NONE);
    }
    void TearDown() override
    {
        SDL_SetModState(KMOD_NONE);
        RInputHandler::DestroyInstance();
        RTextInputList::DestroyInstance();
    }
    // One frame: the handler's read, the keys held in it, then the field's Update (whether the text changed).
    bool Frame(std::initializer_list<int> held)
    {
        handler->Update(1.0f / 64.0f);
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
    // Presses the keys together for one frame, then releases them: whether the press changed the text.
    bool Press(std::initializer_list<int> keys)
    {
        bool changed = Frame(keys);
        Frame({});
        return changed;
    }
    std::string Text() const { return entry.GetText().GetString(); }

    RInputHandler* handler = RInputHandler::GetInstance();
    RTextEntryBackend entry;
};

TEST_F(TextEntry, KeysTypeAtTheCursorOncePerFrameWithShiftAndCapsLockButNotWithControlOrAlt)
{
    EXPECT_TRUE(Frame({SDL_SCANCODE_H}));
    EXPECT_FALSE(Frame({})) << "a release changes nothing";
    Type({SDL_SCANCODE_I, SDL_SCANCODE_1});
    SDL_SetModState(KMOD_LSHIFT);
    Type({SDL_SCANCODE_A, SDL_SCANCODE_1});
    SDL_SetModState(KMOD_CAPS);
    Type({SDL_SCANCODE_B, SDL_SCANCODE_2});
    SDL_SetModState(KMOD_NONE);
    Type({SDL_SCANCODE_LEFT, SDL_SCANCODE_LEFT, SDL_SCANCODE_SPACE});
    EXPECT_EQ(Text(), "hi1A! B2");
    EXPECT_EQ(entry.GetCursor(), 6);
    for (int modifier : {SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL, SDL_SCANCODE_LALT, SDL_SCANCODE_RALT}) {
        for (int key : {SDL_SCANCODE_A, SDL_SCANCODE_X, SDL_SCANCODE_5, SDL_SCANCODE_SPACE})
            EXPECT_FALSE(Press({modifier, key})) << modifier << " " << key;
    }
}

TEST_F(TextEntry, EditsStayInsideTheFieldAndItsCapacity)
{
    entry.SetText(RString("abcdefghijklmnopqrstuvwx"));
    ASSERT_EQ(entry.GetLength(), 24);
    EXPECT_FALSE(Press({SDL_SCANCODE_Y}));
    Type({SDL_SCANCODE_HOME});
    EXPECT_FALSE(Press({SDL_SCANCODE_Y})) << "a full field refuses typing wherever the cursor is";
    EXPECT_TRUE(Press({SDL_SCANCODE_LCTRL, SDL_SCANCODE_V})) << "a paste is reported";
    EXPECT_EQ(Text(), "abcdefghijklmnopqrstuvwx");
    EXPECT_FALSE(Press({SDL_SCANCODE_BACKSPACE})) << "backspace at the start";
    EXPECT_TRUE(Press({SDL_SCANCODE_DELETE}));
    Type({SDL_SCANCODE_END});
    EXPECT_FALSE(Press({SDL_SCANCODE_DELETE})) << "delete at the end";
    EXPECT_TRUE(Press({SDL_SCANCODE_Y}));
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
    EXPECT_EQ(second.edits, std::vector<std::string>{"ka"});
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
    Type({SDL_SCANCODE_A});
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
