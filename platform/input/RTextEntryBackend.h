// RTextEntryBackend: the editing core of a one-line text field. It owns a fixed-capacity, zero-terminated byte
// buffer (Windows-1252 text) with a cursor, and edits it once per frame from the input handler's keyboard state
// with the handler's one-key auto-repeat. Its owner (a menu entry) calls Update each frame, redraws the text when
// Update reports a change and blinks the caret from GetTime and GetLastEditTime. Main thread only.
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

    // Typing arrives through the keyboard state in Update, so SDL's text events are not used.
    void OnTextEditing(const SDL_TextEditingEvent&) override {}
    void OnTextInput(const SDL_TextInputEvent&) override {}

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
    // One frame of editing; true when the text changed (or a copy or paste was asked for).
    bool Update();

private:
    void Allocate(int32_t maxLength);
    void Touch();
    // Removes the character at index, moving the rest (and the zero byte) left.
    void RemoveAt(int32_t index);
    // Puts the text on the system clipboard, as UTF-8.
    void Copy() const;
    // Inserts the first non-blank line of the system clipboard, converted to Windows-1252, until the buffer is
    // full; characters the field cannot hold are skipped.
    void Paste();

    int32_t m_maxLength = 0;
    char* m_buffer = nullptr; // m_maxLength + 1 bytes
    int32_t m_cursor = 0;
    int32_t m_length = 0;
    float m_lastEditTime = 0.0f;
};
