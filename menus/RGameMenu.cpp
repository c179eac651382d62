#include "menus/RGameMenu.h"

#include "basegame/RBaseGame.h"
#include "core/config/RConfigFile.h"
#include "core/config/RLocMgr.h"
#include "menus/RMenuEntries.h"
#include "menus/RMenuMgr.h"
#include "menus/RMenuQuad.h"
#include "platform/audio/RAudioMgr.h"
#include "render/frame/RRenderer.h"
#include "render/materials/RMaterial.h"
#include "render/text/RFont.h"

namespace {

// The title's line, its scale on the font's line height, and the underlay's margin around the entries.
constexpr float kTitleTop = 120.0f;
constexpr float kTitleScale = 5.0f;
constexpr float kUnderlayMargin = 24.0f;
constexpr uint32_t kTitleColour = 0xFFFFFFFFu;
constexpr uint32_t kUnderlayColour = 0xFFFFFFFFu;
// The bottom of the space the entries may fill.
constexpr float kEntriesBottom = 740.0f;

} // namespace

RGameMenu::RGameMenu(const char* section, const char* table) : m_table(table), m_section(section)
{
    // The manager makes the render groups the menu's quads and pictures go into.
    RMenuMgr::GetInstance();
    if (RBaseGame* game = RBaseGame::GetInstance())
        m_underlayMaterial = game->GetMeshUnderlayMaterial();
    m_underlay = new RMenuQuad(RMenuQuad::kPanel);
    m_underlay->SetMaterial(m_underlayMaterial);
    m_underlay->SetColour(kUnderlayColour);
    m_underlay->SetVisible(false);
    RRenderer::GetInstance()->AddRenderableToGroup(m_underlay, RMenuMgr::GetUnderlayGroupName());
}

RGameMenu::~RGameMenu()
{
    ClearEntries();
    delete m_underlay;
    delete m_underlayMaterial;
}

RString RGameMenu::GetLocalized(const char* table, const char* section, const char* key)
{
    return RLocMgr::GetInstance()->GetString(RHashedString(table), RHashedString(section), RHashedString(key));
}

RString RGameMenu::GetText(const char* key) const
{
    return RLocMgr::GetInstance()->GetString(m_table, m_section, RHashedString(key));
}

RMenuEntry* RGameMenu::AddEntry(RMenuEntry* entry)
{
    if (!entry)
        return nullptr;
    entry->SetShown(false);
    m_entries.push(entry);
    if (m_selection < 0 && entry->IsSelectable())
        m_selection = static_cast<int32_t>(m_entries.getCount() - 1);
    return entry;
}

RMenuButton* RGameMenu::AddButton(const char* key, std::function<void()> action)
{
    return static_cast<RMenuButton*>(AddEntry(new RMenuButton(GetText(key), std::move(action))));
}

RMenuLabel* RGameMenu::AddLabel(const RString& text)
{
    return static_cast<RMenuLabel*>(AddEntry(new RMenuLabel(text)));
}

RMenuSpinner* RGameMenu::AddSpinner(const char* key, std::function<void(float)> onChange)
{
    return static_cast<RMenuSpinner*>(AddEntry(new RMenuSpinner(GetText(key), std::move(onChange))));
}

RMenuSpinner* RGameMenu::AddConfigSpinner(const char* key, const char* section, const char* variable,
                                          std::function<void()> then)
{
    const RHashedString sectionName(section);
    const RHashedString variableName(variable);
    const uint32_t type = RConfigFile::GetInstance().GetType(sectionName, variableName);
    RMenuSpinner* spinner = AddSpinner(key, [sectionName, variableName, type, then](float value) {
        RConfigFile& settings = RConfigFile::GetInstance();
        if (type == RConfigFile::kBool)
            settings.SetBool(sectionName, variableName, value != 0.0f);
        else if (type == RConfigFile::kInt)
            settings.SetInt(sectionName, variableName, static_cast<int32_t>(value >= 0.0f ? value + 0.5f : value - 0.5f));
        else if (type == RConfigFile::kFloat)
            settings.SetFloat(sectionName, variableName, value);
        if (then)
            then();
    });
    // The value is read as it is whenever the spinner draws: the console may have changed it meanwhile.
    spinner->SetSource([sectionName, variableName, type] {
        RConfigFile& settings = RConfigFile::GetInstance();
        if (type == RConfigFile::kBool)
            return settings.GetBool(sectionName, variableName) ? 1.0f : 0.0f;
        if (type == RConfigFile::kInt)
            return static_cast<float>(settings.GetInt(sectionName, variableName));
        return settings.GetFloat(sectionName, variableName);
    });
    if (type == RConfigFile::kBool) {
        spinner->AddChoice(GetLocalized("General", "General", "Off"), 0.0f);
        spinner->AddChoice(GetLocalized("General", "General", "On"), 1.0f);
    }
    return spinner;
}

RMenuTextEntry* RGameMenu::AddTextEntry(const char* key, int32_t maxLength)
{
    return static_cast<RMenuTextEntry*>(AddEntry(new RMenuTextEntry(GetText(key), maxLength)));
}

RMenuButton* RGameMenu::AddBackButton()
{
    RMenuButton* back = new RMenuButton(GetLocalized("General", "General", "Back"), [] { RMenuMgr::GetInstance()->RequestPop(); });
    return static_cast<RMenuButton*>(AddEntry(back));
}

void RGameMenu::Build()
{
    if (m_built)
        return;
    m_built = true;
    AddEntries();
    if (HasBackButton())
        AddBackButton();
}

void RGameMenu::Rebuild()
{
    const int32_t selection = m_selection;
    const bool shown = m_shown;
    ClearEntries();
    m_built = false;
    Build();
    SetSelection(selection);
    SetShown(shown);
}

void RGameMenu::ClearEntries()
{
    for (uint32_t i = m_entries.getCount(); i > 0; --i)
        delete m_entries[i - 1];
    m_entries.free();
    m_selection = -1;
    m_scroll = 0;
}

int32_t RGameMenu::NextSelectable(int32_t from, int32_t direction) const
{
    const int32_t count = static_cast<int32_t>(m_entries.getCount());
    for (int32_t i = from; i >= 0 && i < count; i += direction) {
        if (m_entries[static_cast<uint32_t>(i)]->IsSelectable())
            return i;
    }
    return -1;
}

void RGameMenu::SetSelection(int32_t index)
{
    const int32_t count = static_cast<int32_t>(m_entries.getCount());
    if (count == 0) {
        m_selection = -1;
        return;
    }
    index = index < 0 ? 0 : (index >= count ? count - 1 : index);
    const int32_t after = NextSelectable(index, 1);
    m_selection = after >= 0 ? after : NextSelectable(index, -1);
}

void RGameMenu::OnNavigate(int32_t dx, int32_t dy)
{
    RMenuEntry* selected = GetSelectedEntry();
    if (dx != 0 && selected && selected->OnStep(dx))
        PlayMenuSound();
    if (dy == 0 || m_selection < 0)
        return;
    // Up and down wrap around the selectable entries.
    const int32_t count = static_cast<int32_t>(m_entries.getCount());
    int32_t next = NextSelectable(m_selection + dy, dy);
    if (next < 0)
        next = NextSelectable(dy > 0 ? 0 : count - 1, dy);
    if (next >= 0 && next != m_selection) {
        m_selection = next;
        PlayMenuSound();
    }
}

void RGameMenu::OnNext()
{
    OnNavigate(0, 1);
}

void RGameMenu::OnAccept()
{
    if (RMenuEntry* selected = GetSelectedEntry()) {
        PlayMenuSound();
        selected->OnAccept();
    }
}

void RGameMenu::OnCancel()
{
    PlayMenuSound();
    RMenuMgr::GetInstance()->RequestPop();
}

void RGameMenu::OnPointer(float x, float y)
{
    for (uint32_t i = 0; i < m_entries.getCount(); ++i) {
        if (m_entries[i]->IsSelectable() && m_entries[i]->Contains(x, y)) {
            if (m_selection != static_cast<int32_t>(i)) {
                m_selection = static_cast<int32_t>(i);
                PlayMenuSound();
            }
            return;
        }
    }
}

void RGameMenu::OnClick(float x, float y)
{
    for (uint32_t i = 0; i < m_entries.getCount(); ++i) {
        if (m_entries[i]->IsSelectable() && m_entries[i]->Contains(x, y)) {
            m_selection = static_cast<int32_t>(i);
            OnAccept();
            return;
        }
    }
}

bool RGameMenu::TakesRawInput() const
{
    const RMenuEntry* selected = GetSelectedEntry();
    return selected && selected->IsEditing();
}

void RGameMenu::UpdateRawInput()
{
    if (RMenuEntry* selected = GetSelectedEntry())
        selected->UpdateEditing();
}

void RGameMenu::Update(float /*step*/)
{
    Layout();
    Draw(GetMenuFont());
}

void RGameMenu::SetShown(bool shown)
{
    m_shown = shown;
    m_underlay->SetVisible(shown && m_underlay->GetHeight() > 0.0f);
    if (!shown) {
        for (uint32_t i = 0; i < m_entries.getCount(); ++i)
            m_entries[i]->SetShown(false);
    }
}

void RGameMenu::Layout()
{
    const uint32_t count = m_entries.getCount();
    uint32_t rows = static_cast<uint32_t>((kEntriesBottom - m_entriesTop) / kEntrySpacing);
    if (rows < 1)
        rows = 1;
    // Scrolled just enough to keep the selection in sight.
    if (m_selection >= 0) {
        const uint32_t selected = static_cast<uint32_t>(m_selection);
        if (selected < m_scroll)
            m_scroll = selected;
        else if (selected >= m_scroll + rows)
            m_scroll = selected - rows + 1;
    }
    if (m_scroll + rows > count)
        m_scroll = count > rows ? count - rows : 0;

    const float left = (kSpaceWidth - kEntryWidth) * 0.5f;
    uint32_t shownCount = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const bool inSight = m_shown && i >= m_scroll && i < m_scroll + rows;
        RMenuEntry* entry = m_entries[i];
        if (inSight) {
            entry->SetRect(left, m_entriesTop + static_cast<float>(i - m_scroll) * kEntrySpacing, kEntryWidth,
                           kEntryHeight);
            ++shownCount;
        }
        if (entry->IsShown() != inSight)
            entry->SetShown(inSight);
    }
    if (shownCount == 0) {
        m_underlay->SetRect(0.0f, 0.0f, 0.0f, 0.0f);
        m_underlay->SetVisible(false);
        return;
    }
    const float height = static_cast<float>(shownCount - 1) * kEntrySpacing + kEntryHeight;
    m_underlay->SetRect(left - kUnderlayMargin, m_entriesTop - kUnderlayMargin, kEntryWidth + 2.0f * kUnderlayMargin,
                        height + 2.0f * kUnderlayMargin);
    m_underlay->SetVisible(m_shown);
}

void RGameMenu::Draw(RFont* font)
{
    if (!m_shown || !font)
        return;
    if (!m_title.IsEmpty()) {
        RMenuEntry::QueueText(font, m_title, kSpaceWidth * 0.5f, kTitleTop, kTitleScale, kTitleColour, 0);
    }
    for (uint32_t i = 0; i < m_entries.getCount(); ++i)
        m_entries[i]->Draw(font, static_cast<int32_t>(i) == m_selection);
}

void RGameMenu::PlayMenuSound() const
{
    RAudioMgr::GetInstance()->PlaySound(GetMenuSoundName(), false);
}

RFont* RGameMenu::GetMenuFont()
{
    RBaseGame* game = RBaseGame::GetInstance();
    return game ? game->GetFont(RBaseGame::kMenuText) : nullptr;
}
