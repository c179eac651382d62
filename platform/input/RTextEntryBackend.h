// RTextEntryBackend: the editing core of a one-line text field. It owns a fixed-capacity, zero-terminated byte
// buffer (Windows-1252 text) with a cursor. While the field is registered with RTextInputList (its owner registers
// it while it has the focus), SDL's text-input and key-down events reach it in the order they arrived, and it
// keeps every one of them, however many arrive in a frame, until its owner's Update applies them in that order;
// a held editing key repeats with the input handler's one-key auto-repeat. Its owner
// (a menu entry, the console) calls Update each frame, taking the keys it handles itself, redraws the text when
// Update reports a change and blinks the caret from GetTime and GetLastEditTime. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "platform/input/RFMLTextInput.h"

#include <cstdint>
#include <functional>
#include <vector>

class RTextEntryBackend : public RFMLTextInput {
public:
    static constexpr int32_t kDefaultMaxLength = 24;
    // Texts and key presses kept between two Updates: as many as SDL's event queue holds, so all of a frame's.
    // Only a focused field whose owner stopped calling Update would reach it; what comes after is dropped.
    static constexpr size_t kMaxPending = 65535;

    // What the owner did with a key Update offered it: left it to the field, took it, or ended the editing (the
    // keys and text after it are dropped).
    enum KeyAnswer { kLeftToField, kTaken, kEndsEditing };
    using KeyOwner = std::function<KeyAnswer(const SDL_Keysym& key)>;

    RTextEntryBackend();
    // A capacity below 0 counts as 0.
    explicit RTextEntryBackend(int32_t maxLength);
    ~RTextEntryBackend() override;
    RTextEntryBackend(const RTextEntryBackend&) = delete;
    RTextEntryBackend& operator=(const RTextEntryBackend&) = delete;

    // Composition is not shown: only the text it ends with arrives, through OnTextInput.
    void OnTextEditing(const SDL_TextEditingEvent&) override {}
    // Keeps the event's text for Update to type at the cursor. The text of a key the field, the menus or the
    // console handle themselves (grave accent, Tab, Return...) is not typed, nor that of a key pressed with
    // Control and without Alt (a shortcut; AltGr, which some systems report as Control with Alt, still types).
    void OnTextInput(const SDL_TextInputEvent& event) override;
    // Keeps a key press for Update, to be offered to the owner in its place among the typed text (the console's
    // own key closes it there) and then to the field, which edits with Backspace, Delete, the arrows, Home, End,
    // and C and V as shortcuts. The system's repeats of a held key are left out: the handler's auto-repeat makes
    // the repeats.
    void OnKeyDown(const SDL_KeyboardEvent& event) override;

    // Adds the field to, or removes it from, RTextInputList (once only). Register drops the texts and keys not yet
    // applied, those of an earlier focus.
    void Register();
    void Unregister();

    // Replaces the buffer with an empty one of the new capacity (below 0 counts as 0).
    void SetMaxLength(int32_t maxLength);
    // The text's bytes that InsertChar would take (control bytes, 127 and zero bytes are left out), up to the
    // capacity; the cursor goes to the end. A cleared text counts as empty.
    void SetText(const RString& text);
    RString GetText() const;
    // The cursor, clamped to 0 .. length.
    void SetCursor(int32_t position);
    int32_t GetCursor() const { return m_cursor; }
    int32_t GetLength() const { return m_length; }
    int32_t GetMaxLength() const { return m_maxLength; }
    // The global timer's elapsed seconds now, and when the text or the cursor last changed.
    float GetTime() const;
    float GetLastEditTime() const { return m_lastEditTime; }

    // Inserts c at the cursor and advances it. False when the buffer is full or c is a control character (below
    // 32, or 127, the inline-glyph escape of the text renderer).
    bool InsertChar(char c);
    // One frame of editing. The kept texts and key presses, then the auto-repeat of a held editing key, are
    // applied in order: a text is typed at the cursor (converted from UTF-8 to Windows-1252; characters the field
    // cannot hold are skipped, what does not fit is dropped); a key is offered to owner first, and one it leaves
    // edits the field (Backspace, Delete, Left, Right, Home, End, Control+C copies and Control+V pastes).
    // True when the text changed, or a copy or paste was asked for.
    bool Update(const KeyOwner& owner = KeyOwner());

private:
    // A kept text (key scancode 0) or key press.
    struct Pending {
        SDL_Keysym key;
        char text[SDL_TEXTINPUTEVENT_TEXT_SIZE + 1]; // a whole event's text, zero-terminated
    };

    // Entries the kept list has room for from the start: a fast typist's frame; a larger burst grows it.
    static constexpr size_t kReservedPending = 256;

    void Allocate(int32_t maxLength);
    // Keeps one more entry, with up to length bytes of text, below kMaxPending.
    void Keep(const SDL_Keysym& key, const char* text, size_t length);
    // Keeps the repeat of the handler's auto-repeating key when it is an editing key held since the last frame.
    void KeepRepeat();
    // A key the owner left: true when it changed the text or asked for a copy or paste.
    bool Edit(const SDL_Keysym& key);
    void Touch();
    // Removes the character at index, moving the rest (and the zero byte) left.
    void RemoveAt(int32_t index);
    // Puts the text on the system clipboard, as UTF-8.
    void Copy() const;
    // Inserts the first non-blank line of the system clipboard as InsertText does.
    void Paste();
    // Inserts UTF-8 text of the given length, converted to Windows-1252, until the buffer is full; characters the
    // field cannot hold are skipped. False once the buffer was full.
    bool InsertText(const char* utf8, int32_t length);

    int32_t m_maxLength = 0;
    char* m_buffer = nullptr; // m_maxLength + 1 bytes
    int32_t m_cursor = 0;
    int32_t m_length = 0;
    float m_lastEditTime = 0.0f;
    std::vector<Pending> m_pending; // in arrival order
};
