#include "menus/RMenuMgr.h"

#include "basegame/RStartup.h"
#include "menus/RGameMenu.h"

RMenuMgr* RMenuMgr::s_instance = nullptr;

RMenuMgr* RMenuMgr::GetInstance()
{
    if (!s_instance) {
        s_instance = new RMenuMgr();
        // The base game cannot reach the menus; its shut-down destroys the manager through this.
        RSetMenuManagerDestroyer(&RMenuMgr::DestroyInstance);
    }
    return s_instance;
}

void RMenuMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RMenuMgr::RMenuMgr()
{
    RHUDMenuState::SetCurrent(this);
    RMenuBackdropState::SetCurrent(this);
}

RMenuMgr::~RMenuMgr()
{
    for (uint32_t i = m_menus.getCount(); i > 0; --i)
        delete m_menus[i - 1];
    m_menus.free();
}

void RMenuMgr::GetXOffset(float* offset)
{
    if (RGameMenu* top = GetTopMenu())
        top->GetXOffset(offset);
}

void RMenuMgr::GetYOffset(float* offset)
{
    if (RGameMenu* top = GetTopMenu())
        top->GetYOffset(offset);
}

void RMenuMgr::GetTitleYOffset(float* offset)
{
    if (RGameMenu* top = GetTopMenu())
        top->GetTitleYOffset(offset);
}

float RMenuMgr::GetBackdropOpacity() const
{
    if (m_menus.isEmpty())
        return 0.0f;
    if (m_menus.getCount() == 1 && m_fading && GetTopMenu()->AllowsBackgroundFade())
        return m_fade;
    return 1.0f;
}

void RMenuMgr::SetFade(float fade, TransitionDirection direction)
{
    // Written so that a NaN fails the first test and lands on 0.
    m_fade = fade > 0.0f ? (fade < 1.0f ? fade : 1.0f) : 0.0f;
    m_direction = direction;
    m_fading = true;
    const uint32_t alpha = static_cast<uint32_t>(m_fade * 255.0f);
    m_overlayColour = (alpha << 24) | 0x00FFFFFFu;
    const float rest = 1.0f - m_fade;
    m_slideOffset = rest * rest * rest * rest * static_cast<float>(m_direction);
}

void RMenuMgr::EndFade()
{
    m_fading = false;
    m_fade = 1.0f;
    m_overlayColour = 0xFFFFFFFFu;
    m_slideOffset = 0.0f;
}
