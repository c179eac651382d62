#include "platform/input/RTextEntryBackend.h"

#include "core/system/RTimer.h"
#include "core/types/RUtilVector.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"

#include <SDL.h>

#include <cstring>

namespace {

// The keys the field edits with and those its owners (a menu field, the console) take: their text is never typed.
const uint8_t kEditingKeys[] = {
    SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_DELETE, SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_ESCAPE,
    SDL_SCANCODE_TAB,       SDL_SCANCODE_UP,     SDL_SCANCODE_DOWN,   SDL_SCANCODE_LEFT,     SDL_SCANCODE_RIGHT,
    SDL_SCANCODE_HOME,      SDL_SCANCODE_END,    SDL_SCANCODE_PAGEUP, SDL_SCANCODE_PAGEDOWN,
};

// The editing keys that repeat while held.
const uint8_t kRepeatingKeys[] = {
    SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_DELETE, SDL_SCANCODE_LEFT,     SDL_SCANCODE_RIGHT,
    SDL_SCANCODE_UP,        SDL_SCANCODE_DOWN,   SDL_SCANCODE_PAGEUP,   SDL_SCANCODE_PAGEDOWN,
};

bool IsEditingKey(uint32_t scancode)
{
    for (uint8_t key : kEditingKeys) {
        if (key == scancode)
            return true;
    }
    return false;
}

// Keys that never type: the editing keys and the console's own key.
bool IsNonTypingKey(uint32_t scancode)
{
    return scancode == SDL_SCANCODE_GRAVE || IsEditingKey(scancode);
}

// Control without Alt: a shortcut. AltGr, which some systems report as Control with Alt, types.
bool IsShortcut(uint16_t modifiers)
{
    return (modifiers & KMOD_CTRL) && !(modifiers & KMOD_ALT);
}

// Code points of Windows-1252 bytes 0x80-0x9F (0 where the byte is unassigned); the other bytes from 0xA0 up
// equal their code points.
const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The Windows-1252 byte of a code point, or 0 when it has none.
char ToCp1252(uint32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == codePoint)
            return static_cast<char>(0x80 + i);
    }
    return 0;
}

// Decodes one UTF-8 sequence at text[*at] (text is zero-terminated) and steps past it. A malformed sequence
// gives 0xFFFD and is skipped one byte at a time.
uint32_t NextCodePoint(const char* text, int* at)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text) + *at;
    int extra = p[0] < 0x80 ? 0
              : (p[0] & 0xE0) == 0xC0 ? 1
              : (p[0] & 0xF0) == 0xE0 ? 2
              : (p[0] & 0xF8) == 0xF0 ? 3
              : -1;
    if (extra < 0) {
        *at += 1;
        return 0xFFFD;
    }
    uint32_t codePoint = extra == 0 ? p[0] : p[0] & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) { // also stops at the zero byte
            *at += 1;
            return 0xFFFD;
        }
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    *at += 1 + extra;
    return codePoint;
}

// A byte the field holds: no control characters and no 127, the text renderer's inline-glyph escape.
bool IsStorable(char c)
{
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 32 && byte != 127;
}

// The Control and Alt keys held in a frame read, as SDL's modifier bits.
uint16_t ControlAndAltHeld(const CompleteInputState& state)
{
    return static_cast<uint16_t>((state.keys[SDL_SCANCODE_LCTRL] ? KMOD_LCTRL : 0) |
                                 (state.keys[SDL_SCANCODE_RCTRL] ? KMOD_RCTRL : 0) |
                                 (state.keys[SDL_SCANCODE_LALT] ? KMOD_LALT : 0) |
                                 (state.keys[SDL_SCANCODE_RALT] ? KMOD_RALT : 0));
}

} // namespace

RTextEntryBackend::RTextEntryBackend() : RTextEntryBackend(kDefaultMaxLength) {}

RTextEntryBackend::RTextEntryBackend(int32_t maxLength)
{
    Allocate(maxLength);
    m_pending.reserve(kReservedPending);
}

RTextEntryBackend::~RTextEntryBackend()
{
    delete[] m_buffer;
}

void RTextEntryBackend::Allocate(int32_t maxLength)
{
    delete[] m_buffer;
    m_maxLength = maxLength > 0 ? maxLength : 0;
    m_buffer = new char[static_cast<size_t>(m_maxLength) + 1]();
    m_cursor = 0;
    m_length = 0;
}

void RTextEntryBackend::Touch()
{
    m_lastEditTime = GetTime();
}

void RTextEntryBackend::Register()
{
    m_pending.clear();
    RTextInputList::GetInstance()->Register(this);
}

void RTextEntryBackend::Unregister()
{
    if (RTextInputList* list = RTextInputList::GetExisting())
        list->Unregister(this);
}

void RTextEntryBackend::SetMaxLength(int32_t maxLength)
{
    Allocate(maxLength);
    Touch();
}

void RTextEntryBackend::SetText(const RString& text)
{
    std::memset(m_buffer, 0, static_cast<size_t>(m_maxLength) + 1);
    // Only what InsertChar would take: a zero byte would end the text early, and a control byte or the glyph
    // escape (whose ids the font reads after it) cut short at the end would make the font read past the text.
    const char* bytes = text.GetString();
    int32_t length = 0;
    for (int32_t i = 0; i < text.GetLength() && length < m_maxLength; ++i) {
        if (IsStorable(bytes[i]))
            m_buffer[length++] = bytes[i];
    }
    m_length = length;
    m_cursor = length;
    Touch();
}

RString RTextEntryBackend::GetText() const
{
    return RString(m_buffer);
}

void RTextEntryBackend::SetCursor(int32_t position)
{
    m_cursor = position < 0 ? 0 : position > m_length ? m_length : position;
    Touch();
}

float RTextEntryBackend::GetTime() const
{
    return g_pGlobalTimer->GetElapsedSeconds();
}

bool RTextEntryBackend::InsertChar(char c)
{
    if (m_length >= m_maxLength || !IsStorable(c))
        return false;
    std::memmove(m_buffer + m_cursor + 1, m_buffer + m_cursor, static_cast<size_t>(m_length - m_cursor));
    m_buffer[m_cursor] = c;
    ++m_cursor;
    ++m_length;
    m_buffer[m_length] = 0;
    Touch();
    return true;
}

void RTextEntryBackend::RemoveAt(int32_t index)
{
    // The zero byte at m_length moves with the rest.
    std::memmove(m_buffer + index, m_buffer + index + 1, static_cast<size_t>(m_length - index));
    --m_length;
}

bool RTextEntryBackend::Update(const KeyOwner& owner)
{
    KeepRepeat();
    bool changed = false;
    // A key the owner ends the editing with drops what is left. A key is copied before the owner sees it, and the
    // count is read again after every entry: the owner may register the field anew, which empties the list.
    for (size_t i = 0; i < m_pending.size(); ++i) {
        if (m_pending[i].key.scancode == SDL_SCANCODE_UNKNOWN) {
            const int32_t before = m_length;
            InsertText(m_pending[i].text, static_cast<int32_t>(std::strlen(m_pending[i].text)));
            changed = changed || m_length != before;
            continue;
        }
        const SDL_Keysym key = m_pending[i].key;
        const KeyAnswer answer = owner ? owner(key) : kLeftToField;
        if (answer == kEndsEditing)
            break;
        if (answer == kLeftToField)
            changed = Edit(key) || changed;
    }
    m_pending.clear();
    return changed;
}

void RTextEntryBackend::KeepRepeat()
{
    RInputHandler* input = RInputHandler::GetInstance();
    const CompleteInputState& now = input->GetCurrentState();
    const CompleteInputState& before = input->GetPreviousState();
    SDL_Keysym key = {};
    key.mod = ControlAndAltHeld(now);
    const bool shortcut = IsShortcut(key.mod);
    // The typing keys are asked for their repeat too, so that the one-key auto-repeat follows the most recent
    // press: typing stops a held Backspace as it always has.
    if (!shortcut) {
        for (uint32_t scancode = 0; scancode < CompleteInputState::kKeyCount; ++scancode) {
            if (!IsNonTypingKey(scancode))
                input->isKeyRepeating(scancode);
        }
    }
    // A press of this frame came as an event of its own: only a key held since the last frame repeats here.
    for (uint8_t scancode : kRepeatingKeys) {
        if (input->isKeyRepeating(scancode) && before.keys[scancode]) {
            key.scancode = static_cast<SDL_Scancode>(scancode);
            Keep(key, "", 0);
        }
    }
    if (shortcut && input->isKeyRepeating(SDL_SCANCODE_V) && before.keys[SDL_SCANCODE_V]) {
        key.scancode = SDL_SCANCODE_V;
        Keep(key, "", 0);
    }
}

void RTextEntryBackend::Keep(const SDL_Keysym& key, const char* text, size_t length)
{
    if (m_pending.size() >= kMaxPending)
        return;
    m_pending.emplace_back();
    Pending& entry = m_pending.back();
    entry.key = key;
    const size_t kept = length < sizeof(entry.text) - 1 ? length : sizeof(entry.text) - 1;
    std::memcpy(entry.text, text, kept);
    entry.text[kept] = 0;
}

bool RTextEntryBackend::Edit(const SDL_Keysym& key)
{
    switch (key.scancode) {
    case SDL_SCANCODE_BACKSPACE:
        if (m_cursor == 0)
            return false;
        RemoveAt(m_cursor - 1);
        --m_cursor;
        Touch();
        return true;
    case SDL_SCANCODE_DELETE:
        if (m_cursor == m_length)
            return false;
        RemoveAt(m_cursor);
        Touch();
        return true;
    case SDL_SCANCODE_LEFT:
        SetCursor(m_cursor - 1);
        return false;
    case SDL_SCANCODE_RIGHT:
        SetCursor(m_cursor + 1);
        return false;
    case SDL_SCANCODE_HOME:
        SetCursor(0);
        return false;
    case SDL_SCANCODE_END:
        SetCursor(m_length);
        return false;
    case SDL_SCANCODE_C:
        if (!IsShortcut(key.mod))
            return false;
        Copy();
        return true;
    case SDL_SCANCODE_V:
        if (!IsShortcut(key.mod))
            return false;
        Paste();
        return true;
    default:
        return false;
    }
}

void RTextEntryBackend::Copy() const
{
    // Every byte of Windows-1252 text takes at most three in UTF-8.
    char* utf8 = new char[static_cast<size_t>(m_length) * 3 + 1];
    size_t at = 0;
    for (int32_t i = 0; i < m_length; ++i) {
        unsigned char byte = static_cast<unsigned char>(m_buffer[i]);
        uint32_t codePoint = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
        if (codePoint == 0)
            continue; // unassigned in Windows-1252
        if (codePoint < 0x80) {
            utf8[at++] = static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            utf8[at++] = static_cast<char>(0xC0 | (codePoint >> 6));
            utf8[at++] = static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            utf8[at++] = static_cast<char>(0xE0 | (codePoint >> 12));
            utf8[at++] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            utf8[at++] = static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    }
    utf8[at] = 0;
    SDL_SetClipboardText(utf8);
    delete[] utf8;
}

void RTextEntryBackend::Paste()
{
    char* clipboard = SDL_GetClipboardText();
    RString text(clipboard);
    SDL_free(clipboard);

    RUtilVector<RString> lines;
    text.Split(RString("\n"), lines);
    for (const RString& piece : lines) {
        RString line = piece.Trim();
        if (line.IsEmpty())
            continue;
        InsertText(line.GetString(), line.GetLength());
        return;
    }
}

bool RTextEntryBackend::InsertText(const char* utf8, int32_t length)
{
    for (int at = 0; at < length;) {
        char c = ToCp1252(NextCodePoint(utf8, &at));
        if (!IsStorable(c))
            continue; // a character the field cannot hold
        if (!InsertChar(c))
            return false;
    }
    return true;
}

void RTextEntryBackend::OnTextInput(const SDL_TextInputEvent& event)
{
    const RTextInputList* list = RTextInputList::GetExisting();
    const SDL_Keysym key = list ? list->GetTypingKey() : SDL_Keysym{};
    if (IsNonTypingKey(key.scancode) || IsShortcut(key.mod))
        return;
    // SDL terminates the text; the length keeps the read inside the event's array regardless.
    Keep(SDL_Keysym{}, event.text, strnlen(event.text, sizeof(event.text)));
}

void RTextEntryBackend::OnKeyDown(const SDL_KeyboardEvent& event)
{
    if (!event.repeat)
        Keep(event.keysym, "", 0);
}
