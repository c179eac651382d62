// RMenuMgr: the menu manager: the stack of menus (owned; the top is the last) and the fade of a menu transition,
// from which it keeps the overlay colour and the slide offset that the menu HUD materials read. While it exists
// it is the current RHUDMenuState and RMenuBackdropState. A singleton, main thread only.
#pragma once

#include <cstdint>

#include "core/RUtilVector.h"
#include "render/hud/RHUDMenuState.h"
#include "render/passes/RMenuBackdropState.h"

class RGameMenu;

class RMenuMgr : public RHUDMenuState, public RMenuBackdropState {
public:
    // Which way a transition slides the menus: the sign of the slide offset.
    enum TransitionDirection : int32_t { TRANSITION_FORWARD = 1, TRANSITION_BACK = -1 };

    // The manager, created on first use with no menu and no transition, and made the current menu state and
    // backdrop state.
    static RMenuMgr* GetInstance();
    static bool HasInstance() { return s_instance != nullptr; }
    // Deletes the manager with every stacked menu; nothing when there is none. A later GetInstance makes a new one.
    static void DestroyInstance();

    // Packed white whose alpha is the fade fraction x 255 during a transition; opaque white otherwise.
    uint32_t GetOverlayColour() const override { return m_overlayColour; }
    // During a transition (1 - fade)^4 with the sign of its direction; 0 otherwise.
    float GetSlideOffset() const override { return m_slideOffset; }
    // Let the top menu adjust the offset; unchanged when no menu is stacked.
    void GetXOffset(float* offset) override;
    void GetYOffset(float* offset) override;
    void GetTitleYOffset(float* offset) override;
    // 0 with no menu stacked, 1 with one or more; the fade fraction while the only menu fades and allows the
    // background to fade with it.
    float GetBackdropOpacity() const override;

    // A transition at fade fraction fade (0: the menus out of sight, 1: in place), held to 0..1 (a NaN counts
    // as 0) so that the overlay's alpha stays a byte. The overlay colour and the slide offset follow it.
    void SetFade(float fade, TransitionDirection direction);
    // Ends the transition: fade 1, opaque white overlay, no slide.
    void EndFade();
    bool IsFading() const { return m_fading; }
    float GetFade() const { return m_fade; }

    uint32_t GetMenuCount() const { return m_menus.getCount(); }
    // The top menu, or null.
    RGameMenu* GetTopMenu() const { return m_menus.isEmpty() ? nullptr : m_menus[m_menus.getCount() - 1]; }

private:
    RMenuMgr();
    ~RMenuMgr() override;
    RMenuMgr(const RMenuMgr&) = delete;
    RMenuMgr& operator=(const RMenuMgr&) = delete;

    RUtilVector<RGameMenu*> m_menus;
    bool m_fading = false;
    float m_fade = 1.0f;
    TransitionDirection m_direction = TRANSITION_FORWARD;
    uint32_t m_overlayColour = 0xFFFFFFFFu;
    float m_slideOffset = 0.0f;

    static RMenuMgr* s_instance;
};
