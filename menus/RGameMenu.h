// RGameMenu: a menu on the menu manager's stack: a title and a column of entries (RMenuEntries.h) in the 1,024 x
// 768 menu space over an underlay panel, one of them selected. The manager hands the top menu the "Menus"
// actions and the mouse (navigation, accept, cancel, pointer and click) and has it lay out and draw itself each
// frame. Texts come from a localization table (the "Menus" table unless the menu says otherwise); navigating and
// accepting play the menu sound. The menu owns its entries, its underlay panel and that panel's material; the
// manager owns the menus on its stack. A simple menu needs no class of its own: make an RGameMenu with its texts'
// section, add buttons and configuration spinners, and push it; the back button is added when it is pushed.
// Main thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

class RFont;
class RMaterial;
class RMenuButton;
class RMenuEntry;
class RMenuLabel;
class RMenuQuad;
class RMenuSpinner;
class RMenuTextEntry;

class RGameMenu {
public:
    // Texts are looked up in the localization table `table`, section `section`.
    explicit RGameMenu(const char* section, const char* table = "Menus");
    virtual ~RGameMenu();
    RGameMenu(const RGameMenu&) = delete;
    RGameMenu& operator=(const RGameMenu&) = delete;

    // The localized text of key in this menu's table and section.
    RString GetText(const char* key) const;
    // The localized text of any table, section and key.
    static RString GetLocalized(const char* table, const char* section, const char* key);

    // The title drawn above the entries (empty: none).
    void SetTitle(const RString& title) { m_title = title; }
    const RString& GetTitle() const { return m_title; }

    // Entries, kept in order; the menu owns them. Each Add returns the entry made, with its text looked up by key.
    RMenuEntry* AddEntry(RMenuEntry* entry);
    RMenuButton* AddButton(const char* key, std::function<void()> action);
    RMenuLabel* AddLabel(const RString& text);
    RMenuSpinner* AddSpinner(const char* key, std::function<void(float)> onChange);
    // A spinner bound to a configuration variable (an int, float or bool) of the section: it shows the variable's
    // value as it is each frame (whoever changed it) and sets the variable on every change, which runs the
    // variable's change callback, then `then` (may be empty). A bool gets the choices "Off" and "On" of the
    // "General" table; an int or a float gets its range or choices from the caller.
    RMenuSpinner* AddConfigSpinner(const char* key, const char* section, const char* variable,
                                   std::function<void()> then = nullptr);
    RMenuTextEntry* AddTextEntry(const char* key, int32_t maxLength);
    // A button that closes the menu ("Back" of the "General" table).
    RMenuButton* AddBackButton();
    // Fills the menu: AddEntries, then a back button unless the menu has none. The manager builds a menu when its
    // push is applied; Rebuild empties and fills it again, keeping the selection's place.
    void Build();
    void Rebuild();
    // Deletes every entry.
    void ClearEntries();
    uint32_t GetEntryCount() const { return m_entries.getCount(); }
    RMenuEntry* GetEntry(uint32_t index) const { return index < m_entries.getCount() ? m_entries[index] : nullptr; }

    // The selected entry's index, -1 with no selectable entry. SetSelection takes the nearest selectable entry at
    // or after index (else before it); an index past the end counts as the last entry.
    int32_t GetSelection() const { return m_selection; }
    void SetSelection(int32_t index);
    RMenuEntry* GetSelectedEntry() const { return m_selection >= 0 ? GetEntry(static_cast<uint32_t>(m_selection)) : nullptr; }

    // Input from the manager while this is the top menu. Navigation moves the selection (up -1, down +1,
    // wrapping) or steps the selected entry (left -1, right +1); next moves down. Accept accepts the selected
    // entry; cancel closes the menu unless a menu says otherwise.
    virtual void OnNavigate(int32_t dx, int32_t dy);
    virtual void OnNext();
    virtual void OnAccept();
    virtual void OnCancel();
    // The pointer at (x, y) in the menu space: a shown selectable entry under it becomes the selection. A click
    // there accepts that entry.
    virtual void OnPointer(float x, float y);
    virtual void OnClick(float x, float y);
    // Whether the menu reads the keyboard itself this frame instead of the "Menus" actions (a text being edited,
    // a binding being captured); the manager then calls UpdateRawInput instead of the handlers above.
    virtual bool TakesRawInput() const;
    virtual void UpdateRawInput();

    // Once per frame while this is the top menu: lay out and queue the texts.
    virtual void Update(float step);
    // Shows or hides what the menu draws outside the font (quads, panel, pictures): only the top menu shows.
    virtual void SetShown(bool shown);
    bool IsShown() const { return m_shown; }
    // The menu became the top menu (pushed, or uncovered by a pop).
    virtual void OnActivate() {}
    // The menu is leaving the stack through a pop or pop-all request (not at shut-down).
    virtual void OnPopped() {}

    // The menu space's layout: where the entries start, their size and spacing.
    static constexpr float kSpaceWidth = 1024.0f;
    static constexpr float kSpaceHeight = 768.0f;
    static constexpr float kEntryWidth = 640.0f;
    static constexpr float kEntryHeight = 44.0f;
    static constexpr float kEntrySpacing = 52.0f;

    // Each leaves the offset unchanged unless a menu overrides it.
    virtual void GetXOffset(float* offset) {}
    virtual void GetYOffset(float* offset) {}
    virtual void GetTitleYOffset(float* offset) {}
    // Whether the backdrop fades with this menu when it is the only one and fades in or out.
    virtual bool AllowsBackgroundFade() const { return false; }

    // The sound navigation and accepting play (loop off, by name through the audio manager).
    virtual RHashedString GetMenuSoundName() const { return RHashedString("Dozu"); }
    void PlayMenuSound() const;
    // The font menus draw with: the game's menu font (null before it exists).
    static RFont* GetMenuFont();

protected:
    // The menu's own entries, in order; a menu deriving from another calls the base version and adds its own
    // after (before the back button).
    virtual void AddEntries() {}
    // Whether Build ends the menu with a back button.
    virtual bool HasBackButton() const { return true; }
    // Where the first entry's top lies; menus with a picture above move it down.
    void SetEntriesTop(float top) { m_entriesTop = top; }
    // Places the entries in a centred column from the entries' top, scrolled so the selection is in sight
    // (entries out of sight are hidden), and the underlay behind them.
    virtual void Layout();
    // Queues the title and every shown entry's texts.
    virtual void Draw(RFont* font);

private:
    int32_t NextSelectable(int32_t from, int32_t direction) const;

    RHashedString m_table;
    RHashedString m_section;
    RString m_title;
    RUtilVector<RMenuEntry*> m_entries;
    int32_t m_selection = -1;
    uint32_t m_scroll = 0;  // the first entry in sight
    float m_entriesTop = 230.0f;
    bool m_shown = false;
    bool m_built = false;
    RMaterial* m_underlayMaterial = nullptr;
    RMenuQuad* m_underlay = nullptr;
};
