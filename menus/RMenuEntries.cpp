#include "menus/RMenuEntries.h"

#include "menus/RGameMenu.h"
#include "menus/RMenuMgr.h"
#include "menus/RMenuQuad.h"
#include "render/frame/RRenderer.h"
#include "render/hud/RHUDMaterials.h"
#include "render/text/RFont.h"

#include <SDL.h>

#include <cmath>
#include <cstdio>

namespace {

// Quad colours: a button at rest and selected.
constexpr uint32_t kQuadColour = 0xC0405070u;
constexpr uint32_t kSelectedQuadColour = 0xF070A0E0u;
// Space between an entry's edge and its texts, in menu units.
constexpr float kTextInset = 18.0f;
// The shadow's offset under texts, in menu units.
constexpr float kShadow = 2.0f;
// The caret blinks on and off each half second, and shows steadily for half a second after an edit.
constexpr float kCaretPeriod = 1.0f;
// The scale of a text field's text: a full field of the default capacity fits beside its label.
constexpr float kFieldScale = 2.0f;

} // namespace

RMenuEntry::RMenuEntry(const RString& text) : m_text(text) {}

void RMenuEntry::SetRect(float left, float top, float width, float height)
{
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
}

bool RMenuEntry::Contains(float x, float y) const
{
    return m_shown && x >= m_left && x < m_left + m_width && y >= m_top && y < m_top + m_height;
}

float RMenuEntry::TextWidth() const
{
    return m_width - 2.0f * kTextInset;
}

float RMenuEntry::TextTop(RFont* font) const
{
    const float line = font ? static_cast<float>(font->GetLineHeight()) * kTextScale : 0.0f;
    return m_top + (m_height - line) * 0.5f;
}

void RMenuEntry::QueueText(RFont* font, const RString& text, float x, float y, float scale, uint32_t colour,
                           int32_t align, float maxWidth)
{
    if (!font || text.IsEmpty())
        return;
    float width = 0.0f;
    font->MeasureString(text.GetString(), text.GetLength(), &width, nullptr, scale, scale, 0.0f, 0.0f,
                        text.GetLength());
    if (maxWidth > 0.0f && width > maxWidth) {
        const float smaller = scale * maxWidth / width;
        y += static_cast<float>(font->GetLineHeight()) * (scale - smaller) * 0.5f;
        width = maxWidth;
        scale = smaller;
    }
    if (align >= 0)
        x -= align == 0 ? width * 0.5f : width;
    font->QueueStringWithShadow(text.GetString(), text.GetLength(), colour, colour, false, x, y, scale, scale, 0.0f,
                                0.0f, kShadow, kShadow);
}

void RMenuEntry::Draw(RFont* font, bool /*selected*/)
{
    if (m_shown)
        QueueText(font, m_text, m_left + m_width * 0.5f, TextTop(font), kTextScale, kTextColour, 0, TextWidth());
}

void RMenuLabel::Draw(RFont* font, bool /*selected*/)
{
    if (m_shown)
        QueueText(font, m_text, m_left + m_width * 0.5f, TextTop(font), kTextScale, kDimTextColour, 0, TextWidth());
}

RMenuButton::RMenuButton(const RString& text, std::function<void()> action)
    : RMenuEntry(text), m_action(std::move(action))
{
    m_material = RHUDMaterialFactory::BuildHUDMaterial<RMenuQuadMaterial>();
    m_quad = new RMenuQuad(RMenuQuad::kButton);
    m_quad->SetMaterial(m_material);
    m_quad->SetColour(kQuadColour);
    m_quad->SetVisible(false);
    RRenderer::GetInstance()->AddRenderableToGroup(m_quad, RMenuMgr::GetQuadGroupName());
    m_shown = false;
}

RMenuButton::~RMenuButton()
{
    // The quad leaves its groups as it goes; its material after it.
    delete m_quad;
    delete m_material;
}

void RMenuButton::OnAccept()
{
    if (m_action)
        m_action();
}

void RMenuButton::SetShown(bool shown)
{
    RMenuEntry::SetShown(shown);
    m_quad->SetVisible(shown);
}

void RMenuButton::DrawQuad(bool selected)
{
    m_quad->SetRect(m_left, m_top, m_width, m_height);
    m_quad->SetColour(selected ? kSelectedQuadColour : kQuadColour);
}

void RMenuButton::Draw(RFont* font, bool selected)
{
    if (!m_shown)
        return;
    DrawQuad(selected);
    QueueText(font, m_text, m_left + m_width * 0.5f, TextTop(font), kTextScale,
              selected ? kSelectedTextColour : kTextColour, 0, TextWidth());
}

RMenuSpinner::RMenuSpinner(const RString& text, std::function<void(float)> onChange)
    : RMenuButton(text, nullptr), m_onChange(std::move(onChange))
{
}

void RMenuSpinner::AddChoice(const RString& text, float value)
{
    m_hasRange = false;
    m_choiceTexts.push(text);
    m_choiceValues.push(value);
    if (m_choice < 0) {
        m_choice = 0;
        m_value = value;
        m_isChoice = true;
    }
    ReadSource();
}

void RMenuSpinner::SetRange(float min, float max, float step, int32_t decimals)
{
    m_choiceTexts.free();
    m_choiceValues.free();
    m_choice = -1;
    m_isChoice = false;
    m_hasRange = std::isfinite(min) && std::isfinite(max) && std::isfinite(step) && step > 0.0f && max >= min;
    m_min = min;
    m_max = max;
    m_step = step;
    m_decimals = decimals < 0 ? 0 : (decimals > 6 ? 6 : decimals);
    if (m_hasRange)
        SetValue(m_value);
    ReadSource();
}

void RMenuSpinner::SetValue(float value)
{
    if (!m_choiceValues.isEmpty()) {
        int32_t best = 0;
        for (uint32_t i = 1; i < m_choiceValues.getCount(); ++i) {
            if (std::fabs(m_choiceValues[i] - value) < std::fabs(m_choiceValues[best] - value))
                best = static_cast<int32_t>(i);
        }
        m_choice = best;
        // No number at all counts as the nearest choice.
        m_isChoice = !(std::fabs(m_choiceValues[best] - value) > kChoiceTolerance);
        m_value = m_isChoice ? m_choiceValues[best] : value;
    } else if (m_hasRange) {
        // A value outside the range, or no number at all, is held to the nearer end.
        m_value = value >= m_min ? (value <= m_max ? value : m_max) : m_min;
    } else if (std::isfinite(value)) {
        // Kept for the choices or range given later.
        m_value = value;
    }
}

void RMenuSpinner::SetSource(std::function<float()> source)
{
    m_source = std::move(source);
    ReadSource();
}

void RMenuSpinner::ReadSource()
{
    if (m_source)
        SetValue(m_source());
}

bool RMenuSpinner::OnStep(int32_t direction)
{
    ReadSource();
    if (!HasValues() || direction == 0)
        return false;
    const float before = m_value;
    if (!m_choiceValues.isEmpty()) {
        const int32_t count = static_cast<int32_t>(m_choiceValues.getCount());
        m_choice = ((m_choice + (direction > 0 ? 1 : -1)) % count + count) % count;
        m_value = m_choiceValues[m_choice];
        m_isChoice = true;
    } else {
        // Steps count from the bottom of the range, so repeated steps never drift off the grid.
        const float steps = std::round((m_value - m_min) / m_step) + (direction > 0 ? 1.0f : -1.0f);
        SetValue(m_min + steps * m_step);
    }
    if (m_value != before && m_onChange)
        m_onChange(m_value);
    return true;
}

void RMenuSpinner::OnAccept()
{
    OnStep(1);
}

RString RMenuSpinner::GetValueText() const
{
    char text[64];
    if (!m_choiceTexts.isEmpty()) {
        if (m_isChoice)
            return m_choiceTexts[m_choice];
        snprintf(text, sizeof(text), "%g", static_cast<double>(m_value));
        return RString(text);
    }
    if (!m_hasRange)
        return RString();
    snprintf(text, sizeof(text), "%.*f", m_decimals, m_value);
    return RString(text);
}

void RMenuSpinner::Draw(RFont* font, bool selected)
{
    if (!m_shown)
        return;
    ReadSource();
    DrawQuad(selected);
    const uint32_t colour = selected ? kSelectedTextColour : kTextColour;
    const float y = TextTop(font);
    QueueText(font, GetText(), m_left + kTextInset, y, kTextScale, colour, -1, TextWidth() * 0.5f);
    if (HasValues())
        QueueText(font, RString("< ") + GetValueText() + " >", m_left + m_width - kTextInset, y, kTextScale, colour, 1,
                  TextWidth() * 0.5f);
}

RMenuTextEntry::RMenuTextEntry(const RString& text, int32_t maxLength)
    : RMenuButton(text, nullptr), m_backend(maxLength)
{
}

void RMenuTextEntry::OnAccept()
{
    m_before = m_backend.GetText();
    m_editing = true;
    m_backend.Register(); // typed text comes to the focused field
}

void RMenuTextEntry::UpdateEditing()
{
    if (!m_editing)
        return;
    // Return or Escape ends the editing in its place among the typed text: what was typed before it counts, what
    // came after it does not.
    m_backend.Update([this](const SDL_Keysym& key) {
        if (key.scancode == SDL_SCANCODE_ESCAPE) {
            m_backend.SetText(m_before);
            m_editing = false;
            m_backend.Unregister();
            return RTextEntryBackend::kEndsEditing;
        }
        if (key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER) {
            m_editing = false;
            m_backend.Unregister();
            if (m_done)
                m_done(m_backend.GetText());
            return RTextEntryBackend::kEndsEditing;
        }
        return RTextEntryBackend::kLeftToField;
    });
}

void RMenuTextEntry::Draw(RFont* font, bool selected)
{
    if (!m_shown)
        return;
    DrawQuad(selected || m_editing);
    const uint32_t colour = selected ? kSelectedTextColour : kTextColour;
    const float y = TextTop(font);
    QueueText(font, GetText(), m_left + kTextInset, y, kTextScale, colour, -1, m_width * 0.45f - kTextInset);

    // The field's text right of its label, smaller so that a full field fits, the caret after the character
    // before the cursor.
    const RString text = m_backend.GetText();
    const float fieldX = m_left + m_width * 0.45f;
    const float fieldY = m_top + (m_height - static_cast<float>(font ? font->GetLineHeight() : 0) * kFieldScale) * 0.5f;
    QueueText(font, text, fieldX, fieldY, kFieldScale, colour, -1);
    if (!m_editing || !font)
        return;
    const float sinceEdit = m_backend.GetTime() - m_backend.GetLastEditTime();
    if (sinceEdit > kCaretPeriod * 0.5f && std::fmod(sinceEdit, kCaretPeriod) >= kCaretPeriod * 0.5f)
        return;
    float caretX = 0.0f;
    const int32_t cursor = m_backend.GetCursor();
    if (cursor > 0)
        font->MeasureString(text.GetString(), cursor, &caretX, nullptr, kFieldScale, kFieldScale, 0.0f, 0.0f, cursor);
    QueueText(font, RString("|"), fieldX + caretX - kFieldScale, fieldY, kFieldScale, kSelectedTextColour, -1);
}
