#include "menus/RMenuMgr.h"

#include "basegame/RBaseGame.h"
#include "basegame/RStartup.h"
#include "core/types/RHashedString.h"
#include "menus/RGameMenu.h"
#include "platform/input/RControlConfig.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderer.h"
#include "render/hud/RHUDScreen.h"
#include "render/passes/RConsoleBackdropMaterial.h"
#include "render/passes/RMenuBackdrop.h"

#include <SDL.h>

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
    CreateRenderGroups();

    // The backdrop behind the menus, hidden until a menu is stacked.
    m_backdropMaterial = new RConsoleBackdropMaterial(true);
    m_backdrop = new RMenuBackdrop();
    m_backdrop->SetMaterial(m_backdropMaterial);
    m_backdrop->SetVisible(false);
    if (RBaseGame* game = RBaseGame::GetInstance())
        RRenderer::GetInstance()->AddRenderableToGroup(m_backdrop, game->GetMenuBackdropGroupName());
}

RMenuMgr::~RMenuMgr()
{
    for (uint32_t i = m_menus.getCount(); i > 0; --i)
        delete m_menus[i - 1];
    m_menus.free();
    for (uint32_t i = 0; i < m_requests.getCount(); ++i)
        delete m_requests[i].menu;
    m_requests.free();
    delete m_leaving;
    delete m_backdrop;
    delete m_backdropMaterial;
}

void RMenuMgr::CreateRenderGroups()
{
    RRenderer* renderer = RRenderer::GetInstance();
    const RHashedString ours[3] = {GetPictureGroupName(), GetUnderlayGroupName(), GetQuadGroupName()};
    RRenderGroup* groups[3];
    for (int i = 0; i < 3; ++i)
        groups[i] = renderer->CreateRenderGroup(ours[i]);
    RBaseGame* game = RBaseGame::GetInstance();
    RRenderGroup* backdrop = game ? renderer->FindRenderGroup(game->GetMenuBackdropGroupName()) : nullptr;
    if (!backdrop)
        return;
    const RUtilVector<RRenderPass*>& passes = renderer->GetRenderPasses();
    for (uint32_t p = 0; p < passes.getCount(); ++p) {
        RRenderPass* pass = passes[p];
        bool holdsBackdrop = false;
        for (uint32_t g = 0; g < pass->groups.getCount(); ++g)
            holdsBackdrop = holdsBackdrop || pass->groups[g] == backdrop;
        if (!holdsBackdrop)
            continue;
        // The pass's list rebuilt with the menus' groups after the backdrop's.
        RUtilVector<RRenderGroup*> order;
        order.copyFrom(pass->groups);
        pass->groups.clear();
        for (uint32_t g = 0; g < order.getCount(); ++g) {
            pass->AddGroup(order[g]);
            if (order[g] == backdrop) {
                for (RRenderGroup* group : groups)
                    pass->AddGroup(group);
            }
        }
    }
}

void RMenuMgr::RequestPush(RGameMenu* menu)
{
    if (!menu || menu == m_leaving)
        return;
    // A menu already owned would be deleted twice.
    for (uint32_t i = 0; i < m_menus.getCount(); ++i) {
        if (m_menus[i] == menu)
            return;
    }
    for (uint32_t i = 0; i < m_requests.getCount(); ++i) {
        if (m_requests[i].menu == menu)
            return;
    }
    m_requests.push(Request{kPush, menu});
}

void RMenuMgr::RequestPop()
{
    m_requests.push(Request{kPop, nullptr});
}

void RMenuMgr::RequestPopAll()
{
    m_requests.push(Request{kPopAll, nullptr});
}

void RMenuMgr::PopTop(RGameMenu* onScreen)
{
    RGameMenu* top = GetTopMenu();
    if (!top)
        return;
    m_menus.erase(m_menus.getCount() - 1, 1);
    top->OnPopped();
    if (top == onScreen) {
        m_leaving = top;
        return;
    }
    if (m_shownMenu == top)
        m_shownMenu = nullptr;
    delete top;
}

RGameMenu* RMenuMgr::GetVisibleMenu() const
{
    RGameMenu* top = GetTopMenu();
    return top ? top : m_leaving;
}

void RMenuMgr::ProcessQueue()
{
    if (m_requests.isEmpty())
        return;
    // Requests the menus make while these are applied wait for the next frame.
    RUtilVector<Request> requests;
    requests.copyFrom(m_requests);
    m_requests.clear();

    RGameMenu* topBefore = GetTopMenu();
    TransitionDirection direction = TRANSITION_FORWARD;
    for (uint32_t i = 0; i < requests.getCount(); ++i) {
        const Request& request = requests[i];
        if (request.kind == kPush) {
            request.menu->Build();
            m_menus.push(request.menu);
            direction = TRANSITION_FORWARD;
        } else if (request.kind == kPop) {
            PopTop(topBefore);
            direction = TRANSITION_BACK;
        } else {
            while (!m_menus.isEmpty())
                PopTop(topBefore);
            direction = TRANSITION_BACK;
        }
    }
    RGameMenu* top = GetTopMenu();
    if (top && m_leaving) {
        // A menu came back before the last one had faded out: that one goes now.
        if (m_shownMenu == m_leaving)
            m_shownMenu = nullptr;
        delete m_leaving;
        m_leaving = nullptr;
    }
    if (top && top != topBefore) {
        SetFade(0.0f, direction);
        top->OnActivate();
    } else if (!top && m_leaving) {
        // Fades out from wherever its fade in had got to.
        SetFade(m_fade, TRANSITION_BACK);
    } else if (!top) {
        EndFade();
    }
}

void RMenuMgr::Update(float step)
{
    const float progress = step > 0.0f ? step / kFadeSeconds : 0.0f;
    if (m_leaving) {
        const float fade = m_fade - progress;
        if (fade <= 0.0f) {
            if (m_shownMenu == m_leaving)
                m_shownMenu = nullptr;
            delete m_leaving;
            m_leaving = nullptr;
            EndFade();
        } else {
            SetFade(fade, TRANSITION_BACK);
        }
    } else if (m_fading) {
        const float fade = m_fade + progress;
        if (fade >= 1.0f)
            EndFade();
        else
            SetFade(fade, m_direction);
    }

    RGameMenu* top = GetVisibleMenu();
    RBaseGame* game = RBaseGame::GetInstance();
    m_backdrop->SetVisible(top != nullptr);
    if (top && game)
        m_backdrop->SetHeight(static_cast<float>(game->GetScreenHeight()));

    // Only the top menu shows; one that was covered hides its quads first.
    if (m_shownMenu != top) {
        for (uint32_t i = 0; i < m_menus.getCount(); ++i) {
            if (m_menus[i] != top && m_menus[i]->IsShown())
                m_menus[i]->SetShown(false);
        }
        if (m_leaving && m_leaving != top && m_leaving->IsShown())
            m_leaving->SetShown(false);
        m_shownMenu = top;
        m_pointerKnown = false;
    }
    if (top) {
        if (!top->IsShown())
            top->SetShown(true);
        top->Update(step);
    }
}

void RMenuMgr::PollInput()
{
    RGameMenu* top = GetTopMenu();
    if (!top)
        return;
    if (top->TakesRawInput()) {
        top->UpdateRawInput();
        return;
    }
    RControlConfig* controls = RControlConfig::GetInstance();
    static const RHashedString kMenus("Menus");
    static const RHashedString kNavUp("NavUp");
    static const RHashedString kNavDown("NavDown");
    static const RHashedString kNavLeft("NavLeft");
    static const RHashedString kNavRight("NavRight");
    static const RHashedString kNavNext("NavNext");
    static const RHashedString kAccept("Accept");
    static const RHashedString kCancel("Cancel");
    static const RHashedString kClick("Click");

    // Every press since the last frame is a step of its own.
    for (uint32_t step = controls->PressedWithRepeat(kMenus, kNavUp); step > 0; --step)
        top->OnNavigate(0, -1);
    for (uint32_t step = controls->PressedWithRepeat(kMenus, kNavDown); step > 0; --step)
        top->OnNavigate(0, 1);
    for (uint32_t step = controls->PressedWithRepeat(kMenus, kNavLeft); step > 0; --step)
        top->OnNavigate(-1, 0);
    for (uint32_t step = controls->PressedWithRepeat(kMenus, kNavRight); step > 0; --step)
        top->OnNavigate(1, 0);
    for (uint32_t step = controls->PressedWithRepeat(kMenus, kNavNext); step > 0; --step)
        top->OnNext();
    if (controls->JustPressed(kMenus, kAccept, 0.5f))
        top->OnAccept();
    if (controls->JustPressed(kMenus, kCancel, 0.5f))
        top->OnCancel();

    // The pointer selects what it moves over; a resting pointer leaves keyboard and pad navigation alone.
    float x = 0.0f;
    float y = 0.0f;
    if (!GetPointerInMenuSpace(&x, &y)) {
        m_pointerKnown = false;
        return;
    }
    if (!m_pointerKnown || x != m_pointerX || y != m_pointerY)
        top->OnPointer(x, y);
    m_pointerKnown = true;
    m_pointerX = x;
    m_pointerY = y;
    if (controls->JustPressed(kMenus, kClick, 0.5f))
        top->OnClick(x, y);
}

bool RMenuMgr::GetPointerInMenuSpace(float* x, float* y)
{
    RBaseGame* game = RBaseGame::GetInstance();
    SDL_Window* window = game ? game->GetWindow() : nullptr;
    if (!window || SDL_GetRelativeMouseMode() || !(SDL_GetWindowFlags(window) & SDL_WINDOW_MOUSE_FOCUS))
        return false;
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GetWindowSize(window, &windowWidth, &windowHeight);
    if (windowWidth <= 0 || windowHeight <= 0)
        return false;
    int mouseX = 0;
    int mouseY = 0;
    SDL_GetMouseState(&mouseX, &mouseY);

    // Window to the final picture's clip space, through the viewport that letter- or pillar-boxes it.
    float viewX = 0.0f;
    float viewY = 0.0f;
    float viewWidth = 1.0f;
    float viewHeight = 1.0f;
    if (RRenderPass* pass = RRenderer::GetInstance()->FindRenderPass(game->GetFinalPassName())) {
        viewX = pass->viewport.x;
        viewY = pass->viewport.y;
        viewWidth = pass->viewport.width;
        viewHeight = pass->viewport.height;
    }
    if (viewWidth <= 0.0f || viewHeight <= 0.0f)
        return false;
    const float u = ((static_cast<float>(mouseX) + 0.5f) / static_cast<float>(windowWidth) - viewX) / viewWidth;
    const float v = ((static_cast<float>(mouseY) + 0.5f) / static_cast<float>(windowHeight) - viewY) / viewHeight;
    if (u < 0.0f || u > 1.0f || v < 0.0f || v > 1.0f)
        return false;
    float clipX = u * 2.0f - 1.0f;
    float clipY = 1.0f - v * 2.0f;
    // The final pass turns the picture by "Tate" quarter turns; the pointer is turned back.
    for (int32_t turn = game->GetTateMode() & 3; turn > 0; --turn) {
        const float turnedX = clipY;
        clipY = -clipX;
        clipX = turnedX;
    }
    // Clip space to the menu space, as the menu materials place it.
    const RMenuSpace space = RHUDScreen::GetMenuSpace();
    if (space.invHalfWidth <= 0.0f || space.invHalfHeight <= 0.0f)
        return false;
    *x = (clipX + 1.0f - space.xOffset) / space.invHalfWidth;
    *y = (1.0f - space.yOffset - clipY) / space.invHalfHeight;
    return true;
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
    const RGameMenu* only = m_menus.isEmpty() ? m_leaving : (m_menus.getCount() == 1 ? GetTopMenu() : nullptr);
    if (m_menus.isEmpty() && !m_leaving)
        return 0.0f;
    if (only && m_fading && only->AllowsBackgroundFade())
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
