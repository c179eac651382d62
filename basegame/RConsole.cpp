#include "basegame/RConsole.h"

#include "basegame/RConsoleCommands.h"
#include "core/system/RCore.h"
#include "core/files/RFile.h"
#include "core/types/RHashedString.h"
#include "core/files/RSafeFileWriter.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "render/passes/RConsoleBackdrop.h"
#include "render/text/RFont.h"

#include <SDL.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

const char* const kHistoryFileName = "ConsoleMemory.txt";
const char kPromptMark[] = "> ";
const int32_t kPromptMarkLength = 2;
const uint32_t kOutputColour = 0xFFC8C8C8u;
const uint32_t kPromptColour = 0xFFFFFFFFu;
const float kMargin = 4.0f;
// The caret shows for the first half of every second after the last edit.
const float kCaretPeriod = 1.0f;

// Characters in a text; 0 for the empty and the cleared text.
int32_t LengthOf(const RString& text)
{
    return text.GetLength() > 0 ? text.GetLength() : 0;
}

} // namespace

RConsole::RConsole() : m_prompt(kMaxLineLength) {}

void RConsole::SetOpen(bool open)
{
    if (open == m_open)
        return;
    m_open = open;
    // Typed text comes to the prompt while the console is open, before any menu field beneath it.
    if (open)
        m_prompt.Register();
    else
        m_prompt.Unregister();
    m_prompt.SetText(RString());
    m_historyCursor = -1;
}

bool RConsole::IsConsoleKey(uint32_t scancode)
{
    return RControlConfig::GetInstance()->BindsKey(RHashedString("Utility"), RHashedString("OpenConsole"), scancode);
}

bool RConsole::IsConsoleKeyPress(const SDL_Event& event)
{
    return event.type == SDL_KEYDOWN && RInputHandler::GetInstance()->IsPress(event.key) &&
           IsConsoleKey(event.key.keysym.scancode);
}

void RConsole::Toggle()
{
    SetOpen(!m_open);
    m_keyTaken = true;
}

void RConsole::Update(float step, bool mayOpen, RFont* font, RConsoleBackdrop* backdrop, int32_t screenHeight)
{
    const bool consoleKey =
        RControlConfig::GetInstance()->JustPressed(RHashedString("Utility"), RHashedString("OpenConsole"), 0.5f);
    // A console key typed after lines of the frame closes the console in its turn, after they ran.
    if (m_open)
        HandleKeys();
    // A press that came among no typed keys (a mouse or controller binding) toggles the console after them.
    if (consoleKey && !m_keyTaken && (m_open || mayOpen))
        SetOpen(!m_open);
    m_keyTaken = false;

    const float move = kSlideTime > 0.0f ? step / kSlideTime : 1.0f;
    m_slide = m_open ? std::fmin(1.0f, m_slide + move) : std::fmax(0.0f, m_slide - move);
    const float height = m_slide * 0.5f * static_cast<float>(screenHeight > 0 ? screenHeight : 0);
    if (backdrop) {
        backdrop->SetHeight(height);
        backdrop->SetVisible(height > 0.0f);
    }
    if (font && height > 0.0f)
        Draw(font, screenHeight);
}

void RConsole::HandleKeys()
{
    // The console's keys take their turn among the typed text, so that text typed after Enter starts the next
    // line, and the console key closes the console after the lines typed before it.
    bool closed = false;
    m_prompt.Update([this, &closed](const SDL_Keysym& key) {
        if (IsConsoleKey(key.scancode)) {
            closed = true;
            return RTextEntryBackend::kEndsEditing;
        }
        switch (key.scancode) {
        case SDL_SCANCODE_PAGEUP:
            Scroll(1);
            break;
        case SDL_SCANCODE_PAGEDOWN:
            Scroll(-1);
            break;
        case SDL_SCANCODE_UP:
            StepHistory(1);
            break;
        case SDL_SCANCODE_DOWN:
            StepHistory(-1);
            break;
        case SDL_SCANCODE_TAB:
            CompleteCommand();
            break;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER: {
            const RString line = m_prompt.GetText();
            m_prompt.SetText(RString());
            Submit(line.GetString());
            break;
        }
        default:
            return RTextEntryBackend::kLeftToField;
        }
        return RTextEntryBackend::kTaken;
    });
    if (closed)
        Toggle();
}

void RConsole::Submit(const char* line)
{
    m_historyCursor = -1;
    m_scroll = 0;
    const RString text = RString(line).Trim();
    if (text.IsEmpty())
        return;
    RString echo(kPromptMark);
    echo += text;
    Print(echo.GetString());
    AddHistory(text);

    RString output;
    const bool succeeded = RConsoleCommands::Execute(text.GetString(), output);
    if (!succeeded && output.IsEmpty())
        output = "The command failed";
    Print(output.GetString());
}

void RConsole::Print(const char* text)
{
    if (!text)
        return;
    // Line feeds end lines; every other control character (names read from files may hold them, a carriage
    // return included) is shown escaped.
    const RString shown = RString(text).EscapeControls();
    const char* p = shown.GetString();
    while (*p) {
        const char* end = strchr(p, '\n');
        const size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
        // A long line continues on the next; an empty one stays an empty line.
        size_t at = 0;
        do {
            const size_t piece = length - at < static_cast<size_t>(kMaxOutputLineLength)
                                     ? length - at
                                     : static_cast<size_t>(kMaxOutputLineLength);
            AddOutputLine(p + at, static_cast<int32_t>(piece));
            at += piece;
        } while (at < length);
        if (!end)
            break;
        p = end + 1;
    }
}

void RConsole::AddOutputLine(const char* text, int32_t length)
{
    // The ring drops its oldest line once full.
    if (m_outputCount == kMaxOutputLines) {
        m_outputStart = (m_outputStart + 1) % kMaxOutputLines;
        --m_outputCount;
    }
    m_output[(m_outputStart + m_outputCount) % kMaxOutputLines] = RString(text, length);
    ++m_outputCount;
    // A view scrolled back stays on the lines it shows.
    if (m_scroll > 0 && m_scroll + 1 < m_outputCount)
        ++m_scroll;
}

const RString& RConsole::GetOutputLine(uint32_t index) const
{
    return m_output[(m_outputStart + index) % kMaxOutputLines];
}

void RConsole::AddHistory(const RString& line)
{
    if (m_historyCount > 0 && m_history[m_historyCount - 1] == line)
        return;
    if (m_historyCount == kHistoryLines) {
        for (int32_t i = 1; i < kHistoryLines; ++i)
            m_history[i - 1] = m_history[i];
        --m_historyCount;
    }
    m_history[m_historyCount++] = line;
}

void RConsole::StepHistory(int32_t direction)
{
    if (m_historyCount == 0)
        return;
    // The cursor counts back from the newest line: 0 is the newest, -1 the new line being typed.
    int32_t cursor = m_historyCursor + (direction > 0 ? 1 : -1);
    if (cursor >= m_historyCount)
        cursor = m_historyCount - 1;
    if (cursor < -1)
        cursor = -1;
    m_historyCursor = cursor;
    m_prompt.SetText(cursor < 0 ? RString() : m_history[m_historyCount - 1 - cursor]);
}

void RConsole::Scroll(int32_t pages)
{
    const uint32_t page = VisibleLines() > 1 ? VisibleLines() - 1 : 1;
    const uint32_t most = m_outputCount > VisibleLines() ? m_outputCount - VisibleLines() : 0;
    int64_t scroll = static_cast<int64_t>(m_scroll) + static_cast<int64_t>(pages) * page;
    if (scroll < 0)
        scroll = 0;
    if (scroll > most)
        scroll = most;
    m_scroll = static_cast<uint32_t>(scroll);
}

void RConsole::CompleteCommand()
{
    const RString text = m_prompt.GetText();
    // Only the command's own name is completed, not its arguments.
    if (strchr(text.GetString(), ' '))
        return;
    RUtilVector<RString> names;
    RConsoleCommands::FindCompletions(text.GetString(), names);
    if (names.isEmpty())
        return;
    if (names.getCount() == 1) {
        m_prompt.SetText(names[0] + " ");
        return;
    }
    int32_t shared = LengthOf(names[0]);
    RString list;
    for (const RString& name : names) {
        int32_t same = 0;
        while (same < shared && same < LengthOf(name) &&
               strncasecmp(name.GetString() + same, names[0].GetString() + same, 1) == 0)
            ++same;
        shared = same;
        list += "  ";
        list += name;
    }
    Print(list.GetString());
    if (shared > LengthOf(text))
        m_prompt.SetText(names[0].Left(shared));
}

void RConsole::Draw(RFont* font, int32_t screenHeight)
{
    const float lineHeight = static_cast<float>(font->GetLineHeight() > 0 ? font->GetLineHeight() : 1);
    const float fullHeight = 0.5f * static_cast<float>(screenHeight);
    const float height = m_slide * fullHeight;
    const float full = (fullHeight - 2.0f * kMargin) / lineHeight - 1.0f;
    m_visibleLines = full > 1.0f ? static_cast<uint32_t>(full) : 1;
    if (m_scroll + VisibleLines() > m_outputCount)
        m_scroll = m_outputCount > VisibleLines() ? m_outputCount - VisibleLines() : 0;

    // The prompt at the panel's lower edge, the newest output above it; everything slides with the panel. The
    // prompt is queued first, so that a full text buffer drops the oldest lines rather than the prompt.
    float y = height - kMargin - lineHeight;
    const RString text = m_prompt.GetText();
    const int written = snprintf(m_promptText, sizeof(m_promptText), "%s%s", kPromptMark, text.GetString());
    const int32_t promptLength = written < 0 ? 0 : written < static_cast<int>(sizeof(m_promptText))
                                                        ? written
                                                        : static_cast<int32_t>(sizeof(m_promptText)) - 1;
    font->QueueString(m_promptText, promptLength, kPromptColour, 0, false, kMargin, y, 1.0f, 1.0f, 0.0f, 0.0f);
    const float sinceEdit = m_prompt.GetTime() - m_prompt.GetLastEditTime();
    if (std::fmod(sinceEdit > 0.0f ? sinceEdit : 0.0f, kCaretPeriod) < 0.5f * kCaretPeriod) {
        float caretX = 0.0f;
        font->MeasureString(m_promptText, kPromptMarkLength + m_prompt.GetCursor(), &caretX, nullptr, 1.0f, 1.0f,
                            0.0f, 0.0f, promptLength);
        static const char kCaret[] = "_";
        font->QueueString(kCaret, 1, kPromptColour, 0, false, kMargin + caretX, y, 1.0f, 1.0f, 0.0f, 0.0f);
    }

    uint32_t shown = 0;
    for (uint32_t back = m_scroll; back < m_outputCount && shown < VisibleLines(); ++back, ++shown) {
        y -= lineHeight;
        if (y + lineHeight <= 0.0f)
            break;
        const RString& line = GetOutputLine(m_outputCount - 1 - back);
        if (!line.IsEmpty())
            font->QueueString(line.GetString(), line.GetLength(), kOutputColour, 0, false, kMargin, y, 1.0f, 1.0f,
                              0.0f, 0.0f);
    }
}

bool RConsole::MakeHistoryPath(char* outPath, size_t outSize)
{
    RCore* core = RCore::GetInstance();
    char folder[PATH_MAX];
    if (!core || !RCore::MakeUserFolder(folder, sizeof(folder), core->GetLocalAppDataPathName(),
                                        core->GetConfigFolderName(), true))
        return false;
    const int written = snprintf(outPath, outSize, "%s%s", folder, kHistoryFileName);
    return written >= 0 && static_cast<size_t>(written) < outSize;
}

bool RConsole::LoadHistory()
{
    char path[PATH_MAX];
    if (!MakeHistoryPath(path, sizeof(path))) {
        m_historyCount = 0;
        m_historyCursor = -1;
        m_unreadablePath = RString();
        return true; // no user folder: no history to read
    }
    return LoadHistoryFrom(path);
}

bool RConsole::SaveHistory() const
{
    char path[PATH_MAX];
    return MakeHistoryPath(path, sizeof(path)) && SaveHistoryTo(path);
}

bool RConsole::LoadHistoryFrom(const char* path)
{
    m_historyCount = 0;
    m_historyCursor = -1;
    m_unreadablePath = RString();
    bool present = false;
    // Only a regular file of history size: a folder, a pipe or a device could never end or never answer.
    FILE* file = RFile::OpenRegular(path, &present);
    if (!file && !present)
        return true; // no history yet
    static char bytes[kMaxHistoryFileSize + 1];
    const size_t size = file ? fread(bytes, 1, sizeof(bytes), file) : 0;
    const bool failed = !file || ferror(file) != 0 || size > static_cast<size_t>(kMaxHistoryFileSize);
    if (file)
        fclose(file);
    if (failed) {
        m_unreadablePath = RString(path);
        return false;
    }
    size_t start = 0;
    while (start < size) {
        size_t end = start;
        while (end < size && bytes[end] != '\n')
            ++end;
        // Command lines only: a control byte (other than a tab or a CR) or a line longer than the prompt leaves
        // that line out.
        bool commandLine = end - start <= static_cast<size_t>(kMaxLineLength) + 1;
        for (size_t i = start; i < end && commandLine; ++i) {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            commandLine = (c >= 32 && c != 127) || c == '\t' || c == '\r';
        }
        const RString line = commandLine ? RString(bytes + start, static_cast<int>(end - start)).Trim() : RString();
        if (!line.IsEmpty() && line.GetLength() <= kMaxLineLength)
            AddHistory(line);
        start = end + 1;
    }
    return true;
}

bool RConsole::SaveHistoryTo(const char* path) const
{
    if (!m_unreadablePath.IsEmpty() && m_unreadablePath.Equals(path))
        return true;
    RSafeFileWriter writer;
    if (!writer.Open(path))
        return false;
    for (int32_t i = 0; i < m_historyCount; ++i)
        writer.Print("%s\r\n", m_history[i].GetString());
    return writer.Commit();
}
