// RConsole: the developer console. The "Utility" "OpenConsole" action slides it down over the upper half of the
// screen on the console backdrop; a prompt line takes typed text through a text entry, Enter runs the line through
// RConsoleCommands and prints what the command printed, Up and Down walk the history of command lines, Page Up and
// Page Down scroll the output, Tab completes a command name. While it is open it captures input (the base game's
// input-captured hook asks IsOpen). The last kHistoryLines command lines are kept in "ConsoleMemory.txt" in the
// user "Config/" folder. The base game owns the console; the console owns its prompt, its bounded output and its
// history, and draws through the font and backdrop the base game hands to Update. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "platform/input/RTextEntryBackend.h"

#include <SDL.h>

#include <cstdint>

class RConsoleBackdrop;
class RFont;

class RConsole {
public:
    // Command lines kept in the history and its file.
    static constexpr int32_t kHistoryLines = 24;
    // Characters of the prompt line; longer history lines are not read back.
    static constexpr int32_t kMaxLineLength = 255;
    // Output lines kept; older ones scroll away.
    static constexpr uint32_t kMaxOutputLines = 256;
    // Characters of one output line; a longer printed line continues on the next.
    static constexpr int32_t kMaxOutputLineLength = 120;
    // The largest history file read; a larger one is not a history.
    static constexpr long kMaxHistoryFileSize = 64 * 1024;
    // Seconds the console takes to slide fully open or shut.
    static constexpr float kSlideTime = 0.2f;

    RConsole();
    RConsole(const RConsole&) = delete;
    RConsole& operator=(const RConsole&) = delete;

    // Whether the event is a press of the console's key (its system repeats are none). The event pump opens or
    // closes the console at such a press, in its turn among the typed keys, with Toggle: what is typed after it
    // goes to the prompt, or to the menus and the game, which read the frame's input after the pump.
    static bool IsConsoleKeyPress(const SDL_Event& event);
    // Opens the shut console, closes the open one; the frame's press of the OpenConsole action is then spent.
    void Toggle();
    // One frame: while open the prompt is edited and the console's keys handled in the order they were typed, a
    // press of the console's key among them closing it; a press of the OpenConsole action that came among no
    // typed keys (a mouse or controller binding) then opens or closes it, opening only when mayOpen; the panel
    // slides by step seconds towards open or shut and is drawn with font at the console's place on a screen
    // screenHeight pixels high. Either of font and backdrop may be null.
    void Update(float step, bool mayOpen, RFont* font, RConsoleBackdrop* backdrop, int32_t screenHeight);

    void SetOpen(bool open);
    bool IsOpen() const { return m_open; }
    // How far the panel is down, 0 (shut) to 1 (over the upper half of the screen).
    float GetSlide() const { return m_slide; }

    // Runs a command line as Enter does: echoes it, keeps it in the history, prints the command's output.
    void Submit(const char* line);
    // Appends text to the output: split at line feeds, long lines continued, every other control character (a
    // carriage return too) shown escaped (RString::EscapeControls).
    void Print(const char* text);
    // Tab: completes the prompt's first word to the one command name it begins, or to the longest start all
    // candidates share, printing them.
    void CompleteCommand();
    // Up (older) and Down (newer) through the history; past the newest the prompt is empty again.
    void StepHistory(int32_t direction);
    // Page Up (positive pages) and Page Down (negative) scroll the output, kept inside what there is.
    void Scroll(int32_t pages);

    // Reads the history from "ConsoleMemory.txt" in the user "Config/" folder, keeping the lines that are command
    // lines: one with a control byte (other than a tab) or longer than the prompt is left out, the others kept. A
    // missing file, or no user folder to hold one, gives an empty history. A file that cannot be read (huge, no
    // regular file, no permission) leaves the history empty and is never written over; false then.
    bool LoadHistory();
    // Writes the history there through the safe writer, one line each, CR LF. False when it could not; true
    // without writing for the file that the load could not read.
    bool SaveHistory() const;
    // That file; empty when the last load read its file or found none.
    const RString& GetUnreadablePath() const { return m_unreadablePath; }
    // The same on a chosen path.
    bool LoadHistoryFrom(const char* path);
    bool SaveHistoryTo(const char* path) const;

    RTextEntryBackend& GetPrompt() { return m_prompt; }
    int32_t GetHistoryCount() const { return m_historyCount; }
    const RString& GetHistoryLine(int32_t index) const { return m_history[index]; }  // 0 the oldest
    uint32_t GetOutputCount() const { return m_outputCount; }
    const RString& GetOutputLine(uint32_t index) const;  // 0 the oldest kept
    uint32_t GetScroll() const { return m_scroll; }

private:
    static bool MakeHistoryPath(char* outPath, size_t outSize);
    void AddHistory(const RString& line);
    void AddOutputLine(const char* text, int32_t length);
    // Applies the frame's typed text and keys in order; the console key among them closes the console.
    void HandleKeys();
    // True when the console's key is that of a typed key.
    static bool IsConsoleKey(uint32_t scancode);
    void Draw(RFont* font, int32_t screenHeight);
    // Output lines that fit above the prompt.
    uint32_t VisibleLines() const { return m_visibleLines > 0 ? m_visibleLines : 1; }

    bool m_open = false;
    bool m_keyTaken = false; // this frame's press of the console's key opened or closed it among the typed keys
    float m_slide = 0.0f;
    RTextEntryBackend m_prompt;
    RString m_history[kHistoryLines];
    int32_t m_historyCount = 0;
    int32_t m_historyCursor = -1; // -1: the prompt is a new line; else the history line shown
    RString m_output[kMaxOutputLines]; // a ring of m_outputCount lines from m_outputStart
    uint32_t m_outputStart = 0;
    uint32_t m_outputCount = 0;
    uint32_t m_scroll = 0;        // lines up from the newest
    uint32_t m_visibleLines = 0;  // as last drawn
    char m_promptText[kMaxLineLength + 3] = {}; // "> " and the prompt, as drawn this frame
    RString m_unreadablePath;     // the history file that could not be read, never written over
};
