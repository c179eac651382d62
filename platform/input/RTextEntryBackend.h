// RTextEntryBackend: the editing core of a one-line text field. It owns a fixed-capacity, zero-terminated byte
// buffer (Windows-1252 text) with a cursor. Typed text arrives through SDL's text-input events while the field is
// registered with RTextInputList (its owner registers it while it has the focus); the editing keys are read once
// per frame from the input handler's keyboard state with the handler's one-key auto-repeat. Its owner (a menu
// entry, the console) calls Update each frame, redraws the text when Update reports a change and blinks the caret
// from GetTime and GetLastEditTime. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "platform/input/RFMLTextInput.h"

#include <cstdint>

class RTextEntryBackend : public RFMLTextInput {
public:
    static constexpr int32_t kDefaultMaxLength = 24;

    RTextEntryBackend();
    // A capacity below 0 counts as 0.
    explicit RTextEntryBackend(int32_t maxLength);
    ~RTextEntryBackend() override;
    RTextEntryBackend(const RTextEntryBackend&) = delete;
    RTextEntryBackend& operator=(const RTextEntryBackend&) = delete;

    // Composition is not shown: only the text it ends with arrives, through OnTextInput.
    void OnTextEditing(const SDL_TextEditingEvent&) override {}
    // Types the event's text at the cursor, converted from UTF-8 to Windows-1252; characters the field cannot
    // hold are skipped, and what does not fit is dropped. The text of a key the field, the menus or the console
    // handle themselves (grave accent, Tab, Return...) is not typed, nor that of a key pressed with Control and
    // without Alt (a shortcut; AltGr, which some systems report as Control with Alt, still types).
    void OnTextInput(const SDL_TextInputEvent& event) override;

    // Adds the field to, or removes it from, RTextInputList (once only).
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
    // One frame of editing; true when the text changed (typed since the last Update included, or a copy or paste
    // was asked for).
    bool Update();

private:
    void Allocate(int32_t maxLength);
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
    bool m_typed = false; // text arrived since the last Update
};
