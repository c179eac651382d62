#include "menus/RMenuGame.h"

#include "basegame/RRenderSetup.h"

#include "menus/RDefaultMenus.h"
#include "menus/RGameMenu.h"
#include "menus/RMenuMgr.h"

RMenuGame* RMenuGame::GetMenuGame()
{
    return dynamic_cast<RMenuGame*>(RBaseGame::GetInstance());
}

void RMenuGame::UpdateMenus(float engineStep)
{
    RMenuMgr* menus = RMenuMgr::GetInstance();
    menus->ProcessQueue();
    // The game holds still while a menu is up; it goes on once the last one is gone.
    const bool menusUp = menus->GetMenuCount() > 0;
    if (menusUp != m_menusUp) {
        m_menusUp = menusUp;
        SetPaused(menusUp);
    }
    menus->Update(engineStep);
    // While the console is open the keyboard types into it.
    if (!IsConsoleOpen())
        menus->PollInput();
}

bool RMenuGame::MenuTakesRawInput() const
{
    const RGameMenu* top = RMenuMgr::HasInstance() ? RMenuMgr::GetInstance()->GetTopMenu() : nullptr;
    return top && top->TakesRawInput();
}

void RMenuGame::OnSplashFinished()
{
    RGameMenu* title = GetNewTitleMenu();
    if (!title)
        return;
    PushMenu(title);
    if (GetSettings().quickStart) {
        title->Build();
        title->OnAccept();
    }
}

void RMenuGame::OnPauseAction()
{
    RMenuMgr* menus = RMenuMgr::GetInstance();
    if (menus->GetMenuCount() == 0 && !menus->HasPendingRequests())
        PushMenu(GetNewPauseMenu());
}

void RMenuGame::ReturnToTitle()
{
    RMenuMgr* menus = RMenuMgr::GetInstance();
    menus->RequestPopAll();
    PushMenu(GetNewTitleMenu());
}

RString RMenuGame::TakeTitleNotice()
{
    RString notice = m_titleNotice;
    m_titleNotice = RString();
    return notice;
}

void RMenuGame::PushMenu(RGameMenu* menu)
{
    RMenuMgr::GetInstance()->RequestPush(menu);
}

RGameMenu* RMenuGame::GetNewTitleMenu() { return new RTitleMenu(); }
RGameMenu* RMenuGame::GetNewPauseMenu() { return new RPauseMenu(); }
RGameMenu* RMenuGame::GetNewOptionsMenu() { return new ROptionsMenu(); }
RGameMenu* RMenuGame::GetNewVideoMenu() { return new RVideoMenu(); }
RGameMenu* RMenuGame::GetNewBrightnessMenu() { return new RBrightnessMenu(); }
RGameMenu* RMenuGame::GetNewAudioMenu() { return new RAudioMenu(); }
RGameMenu* RMenuGame::GetNewMouseMenu() { return new RMouseMenu(); }
RGameMenu* RMenuGame::GetNewControlsMenu() { return new RControlsMenu(); }
RGameMenu* RMenuGame::GetNewControlGroupsMenu(RHashedString group) { return new RControlGroupsMenu(group); }
RGameMenu* RMenuGame::GetNewBindingMenu(RHashedString group, RHashedString control)
{
    return new RBindingMenu(group, control);
}
RGameMenu* RMenuGame::GetNewJoystickMenu() { return new RJoystickMenu(); }
RGameMenu* RMenuGame::GetNewConfirmationMenu(const RString& question, std::function<void()> onYes)
{
    return new RConfirmationMenu(question, std::move(onYes));
}
RGameMenu* RMenuGame::GetNewTextEntryMenu(const RString& title, const RString& text, int32_t maxLength,
                                          std::function<void(const RString&)> onDone)
{
    return new RTextEntryMenu(title, text, maxLength, std::move(onDone));
}
RGameMenu* RMenuGame::GetNewAboutMenu() { return new RAboutMenu(); }
