// The entries of a menu (RGameMenu owns them): a label (text only), a button (a text on its own menu quad that
// runs an action when accepted), a spinner (a button that steps through a list of choices or a number range) and
// a text entry (a button that edits one line of text through the RTextEntryBackend it owns). Each entry sits in a
// rectangle of the 1,024 x 768 menu space that its menu lays out, and queues its texts into the menu font when
// its menu draws. Buttons own their RMenuQuadMaterial and their quad. Main thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"
#include "platform/input/RTextEntryBackend.h"

class RFont;
class RMaterial;
class RMenuQuad;

class RMenuEntry {
public:
    explicit RMenuEntry(const RString& text);
    virtual ~RMenuEntry() = default;
    RMenuEntry(const RMenuEntry&) = delete;
    RMenuEntry& operator=(const RMenuEntry&) = delete;

    const RString& GetText() const { return m_text; }
    void SetText(const RString& text) { m_text = text; }

    // Whether navigation and the mouse may select it.
    virtual bool IsSelectable() const { return false; }
    // Accept (a key, a button or a click) while it is selected.
    virtual void OnAccept() {}
    // Left (-1) or right (+1) while it is selected; false when the entry has no use for it.
    virtual bool OnStep(int32_t direction) { return false; }
    // Editing entries take the keyboard for themselves once accepted (see RMenuTextEntry).
    virtual bool IsEditing() const { return false; }
    // One frame of editing while IsEditing; the entry ends it itself.
    virtual void UpdateEditing() {}

    // Placed by its menu; hidden entries draw nothing.
    void SetRect(float left, float top, float width, float height);
    virtual void SetShown(bool shown) { m_shown = shown; }
    bool IsShown() const { return m_shown; }
    bool Contains(float x, float y) const;
    float GetLeft() const { return m_left; }
    float GetTop() const { return m_top; }
    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }

    // Queues the entry's texts (and places its quad) for this frame.
    virtual void Draw(RFont* font, bool selected);

    // The scale of entry texts on the font's line height, and the colours of texts.
    static constexpr float kTextScale = 3.0f;
    static constexpr uint32_t kTextColour = 0xFFE8E8E8u;
    static constexpr uint32_t kSelectedTextColour = 0xFFFFD060u;
    static constexpr uint32_t kDimTextColour = 0xFFA0A0B0u;

    // Queues text at (x, y) with a shadow, left-aligned (align -1), centred (0) or right-aligned (1) on x. A text
    // wider than maxWidth (when above 0) is drawn smaller to fit, keeping its middle line where it was.
    static void QueueText(RFont* font, const RString& text, float x, float y, float scale, uint32_t colour,
                          int32_t align, float maxWidth = 0.0f);

protected:
    // The vertical place of one line of entry text centred in the entry.
    float TextTop(RFont* font) const;
    // The width texts may take inside the entry.
    float TextWidth() const;

    RString m_text;
    float m_left = 0.0f;
    float m_top = 0.0f;
    float m_width = 0.0f;
    float m_height = 0.0f;
    bool m_shown = true;
};

// A line of text, never selected.
class RMenuLabel : public RMenuEntry {
public:
    explicit RMenuLabel(const RString& text) : RMenuEntry(text) {}
    void Draw(RFont* font, bool selected) override;
};

// A text on its own quad; accepting it runs its action.
class RMenuButton : public RMenuEntry {
public:
    // Builds its RMenuQuadMaterial and quad and adds the quad to the menus' quad group, hidden until shown.
    RMenuButton(const RString& text, std::function<void()> action);
    ~RMenuButton() override;

    bool IsSelectable() const override { return true; }
    void OnAccept() override;
    void SetShown(bool shown) override;
    void Draw(RFont* font, bool selected) override;
    void SetAction(std::function<void()> action) { m_action = std::move(action); }

    RMaterial* GetQuadMaterial() const { return m_material; }
    RMenuQuad* GetQuad() const { return m_quad; }

protected:
    // Places the quad and colours it by selection; called by Draw.
    void DrawQuad(bool selected);

private:
    std::function<void()> m_action;
    RMaterial* m_material = nullptr;
    RMenuQuad* m_quad = nullptr;
};

// A button showing a value beside its text: one of a list of choices, or a number of a range with a step.
// Left and right step through the values (choices wrap, numbers stop at the ends); accepting steps right.
// Every change of value calls the change action with the new value. A spinner bound to a value kept elsewhere (a
// setting) reads it through its source whenever it draws or steps, so it shows that value as it is.
class RMenuSpinner : public RMenuButton {
public:
    RMenuSpinner(const RString& text, std::function<void(float)> onChange);

    // A choice shown as text, standing for value. Choices and a range exclude each other: the last set wins.
    void AddChoice(const RString& text, float value);
    // Numbers from min to max by step (a step of 0 or less, or max below min, leaves the spinner without
    // values), shown with the given number of decimals.
    void SetRange(float min, float max, float step, int32_t decimals);
    // Shows the choice of this value (within kChoiceTolerance; a value that is none of the choices is shown as a
    // number, and a step goes on from the nearest choice), or the number held to the range (without either, the
    // value is kept for them); the change action is not called.
    void SetValue(float value);
    // Where the shown value is read from (empty: the spinner keeps its own); read at once and again whenever the
    // spinner draws, steps or gets its choices or range.
    void SetSource(std::function<float()> source);
    float GetValue() const { return m_value; }
    // The shown choice (the nearest one when the value is none of them), -1 without choices.
    int32_t GetChoiceIndex() const { return m_choice; }
    // How far a value may lie from a choice's and still be that choice: the rounding of a value written to text.
    static constexpr float kChoiceTolerance = 1e-4f;
    uint32_t GetChoiceCount() const { return m_choiceTexts.getCount(); }
    // Whether the spinner has any value to show: a spinner without choices or range does nothing.
    bool HasValues() const { return !m_choiceTexts.isEmpty() || m_hasRange; }

    bool OnStep(int32_t direction) override;
    void OnAccept() override;
    void Draw(RFont* font, bool selected) override;
    // The text of the shown value.
    RString GetValueText() const;

private:
    // Takes the source's value, when there is a source.
    void ReadSource();

    std::function<void(float)> m_onChange;
    std::function<float()> m_source;
    RUtilVector<RString> m_choiceTexts;
    RUtilVector<float> m_choiceValues;
    int32_t m_choice = -1;
    bool m_isChoice = false;  // the value is the shown choice's, not a number beside the choices
    bool m_hasRange = false;
    float m_min = 0.0f;
    float m_max = 0.0f;
    float m_step = 0.0f;
    int32_t m_decimals = 0;
    float m_value = 0.0f;
};

// A button holding one line of text. Accepting it starts editing: the keyboard goes to its RTextEntryBackend
// (registered for typed text meanwhile) until a press of Return, keypad Enter or Escape, taken in its order among
// the typed text (Escape puts the text back as it was); a caret blinks at the cursor. The done action runs when
// editing ends with Return or Enter.
class RMenuTextEntry : public RMenuButton {
public:
    RMenuTextEntry(const RString& text, int32_t maxLength);

    RTextEntryBackend& GetBackend() { return m_backend; }
    void SetDoneAction(std::function<void(const RString&)> done) { m_done = std::move(done); }

    void OnAccept() override;
    bool IsEditing() const override { return m_editing; }
    void UpdateEditing() override;
    void Draw(RFont* font, bool selected) override;

private:
    RTextEntryBackend m_backend;
    RString m_before;  // the text when editing began
    std::function<void(const RString&)> m_done;
    bool m_editing = false;
};
