// RMenuMgr: the menu manager: the stack of menus (owned; the top is the last), changed only through queued push,
// pop and pop-all requests that the game applies once per frame; the fade of a menu transition, from which it
// keeps the overlay colour and the slide offset that the menu HUD materials read; the menu backdrop behind the
// menus; and the per-frame polling of the "Menus" actions and the mouse for the top menu. While it exists it is
// the current RHUDMenuState and RMenuBackdropState. It owns the backdrop, its material and every menu handed to
// a push request. A singleton, main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"
#include "render/hud/RHUDMenuState.h"
#include "render/passes/RMenuBackdropState.h"

class RGameMenu;
class RMenuBackdrop;
class RMaterial;

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
    // 0 with no menu stacked, 1 with one or more; the fade fraction while the only menu fades in or out and
    // allows the background to fade with it.
    float GetBackdropOpacity() const override;

    // A transition at fade fraction fade (0: the menus out of sight, 1: in place), held to 0..1 (a NaN counts
    // as 0) so that the overlay's alpha stays a byte. The overlay colour and the slide offset follow it.
    void SetFade(float fade, TransitionDirection direction);
    // Ends the transition: fade 1, opaque white overlay, no slide.
    void EndFade();
    bool IsFading() const { return m_fading; }
    float GetFade() const { return m_fade; }

    // Seconds a menu takes to fade in, and the last menu to fade out.
    static constexpr float kFadeSeconds = 0.25f;

    // Requests, applied in order by the next ProcessQueue. A push hands the menu to the manager (a null menu, or
    // one the manager holds already, stacked, queued or fading out, is ignored); a pop or pop-all on an empty
    // stack does nothing.
    void RequestPush(RGameMenu* menu);
    void RequestPop();
    void RequestPopAll();
    bool HasPendingRequests() const { return !m_requests.isEmpty(); }
    // Applies the requests queued before this call (those the menus make meanwhile wait for the next call). A
    // popped menu hears OnPopped and is deleted; when the top changed, the new top hears OnActivate and fades in,
    // sliding from the right after a push and from the left after a pop. When the last menu goes, the one that
    // was on screen stays drawn (off the stack, taking no input) while it fades out, sliding to the left; a push
    // in the meantime deletes it at once.
    void ProcessQueue();
    // One frame: the fade advances by step, the backdrop shows (at the full screen height) while a menu is
    // stacked or fading out, only the top menu is shown, and it lays out and draws.
    void Update(float step);
    // The menu fading out after the last pop, or null.
    RGameMenu* GetLeavingMenu() const { return m_leaving; }
    // Reads the "Menus" actions (navigation with auto-repeat, one step for every press since the last frame;
    // accept, cancel and click on new presses; all at 0.5) and the pointer for the top menu; a menu that takes raw
    // input reads the keyboard itself instead.
    void PollInput();

    // Where the mouse pointer is in the menu space; false while the cursor is captured or outside the picture.
    static bool GetPointerInMenuSpace(float* x, float* y);

    // The render groups the menus draw into, made by the constructor and drawn right after the menu backdrop's
    // group: pictures (title, calibration), then underlay panels, then button quads; the menu font's group
    // follows, so texts lie over all of them.
    static RHashedString GetPictureGroupName() { return RHashedString("__ROLT_Menu_Picture_Group"); }
    static RHashedString GetUnderlayGroupName() { return RHashedString("__ROLT_Menu_Underlay_Group"); }
    static RHashedString GetQuadGroupName() { return RHashedString("__ROLT_Menu_Quad_Group"); }

    RMenuBackdrop* GetBackdrop() const { return m_backdrop; }
    uint32_t GetMenuCount() const { return m_menus.getCount(); }
    RGameMenu* GetMenuAt(uint32_t index) const { return index < m_menus.getCount() ? m_menus[index] : nullptr; }
    // The top menu, or null.
    RGameMenu* GetTopMenu() const { return m_menus.isEmpty() ? nullptr : m_menus[m_menus.getCount() - 1]; }

private:
    RMenuMgr();
    ~RMenuMgr() override;
    RMenuMgr(const RMenuMgr&) = delete;
    RMenuMgr& operator=(const RMenuMgr&) = delete;

    enum RequestKind : uint32_t { kPush, kPop, kPopAll };
    struct Request {
        RequestKind kind;
        RGameMenu* menu;  // pushes only
    };
    // Takes the top menu off the stack and tells it it leaves; it is deleted, or kept to fade out when it is the
    // one that was on screen (onScreen).
    void PopTop(RGameMenu* onScreen);
    // The menu drawn this frame: the top one, else the one fading out.
    RGameMenu* GetVisibleMenu() const;
    // Puts the menus' groups into the pass that draws the menu backdrop's group, right after it.
    void CreateRenderGroups();

    RUtilVector<RGameMenu*> m_menus;
    RUtilVector<Request> m_requests;
    RMenuBackdrop* m_backdrop = nullptr;
    RMaterial* m_backdropMaterial = nullptr;
    RGameMenu* m_leaving = nullptr;    // the last menu, fading out
    RGameMenu* m_shownMenu = nullptr;  // the menu last shown
    bool m_pointerKnown = false;
    float m_pointerX = 0.0f;
    float m_pointerY = 0.0f;
    bool m_fading = false;
    float m_fade = 1.0f;
    TransitionDirection m_direction = TRANSITION_FORWARD;
    uint32_t m_overlayColour = 0xFFFFFFFFu;
    float m_slideOffset = 0.0f;

    static RMenuMgr* s_instance;
};
