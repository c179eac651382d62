// RMenuGame: the base game with the engine's menus, from which a game with menus derives. It drives the menu
// manager (made, with its backdrop and render groups, when the first menu is pushed) once per frame (requests applied, fades and drawing, then the "Menus" actions and the mouse), pushes the
// title menu when the splash ends, opens the pause menu on the "Pause" action during play and keeps the game
// paused while any menu is up. Every default menu is made by a virtual factory, so a game replaces a menu by
// overriding one factory; the caller of a factory owns the menu (usually handing it on to PushMenu). The title
// menu hands starting and continuing to the game through StartGame, CanContinueGame and ContinueGame.
#pragma once

#include <cstdint>
#include <functional>

#include "basegame/RBaseGame.h"
#include "core/types/RHashedString.h"
#include "core/types/RString.h"

class RGameMenu;

class RMenuGame : public RBaseGame {
public:
    // Applies the queued menu requests, updates the manager (fades, backdrop, the top menu's drawing) and polls
    // the menu input; the game is paused while a menu is stacked.
    void UpdateMenus(float engineStep) override;
    bool MenuTakesRawInput() const override;
    // Pushes the title menu; with "QuickStart" set the title menu accepts its first entry at once.
    void OnSplashFinished() override;
    // During play (no menu stacked) opens the pause menu; with a menu up the menus' own cancel handles the key.
    void OnPauseAction() override;

    // The title menu's start: empty here; a game begins its new game (or pushes its own first menu) from it.
    virtual void StartGame() {}
    // Whether the title menu offers "Continue", and what it does.
    virtual bool CanContinueGame() const { return false; }
    virtual void ContinueGame() {}
    // Leaves play for the title menu: every menu is popped and the title menu pushed. A game frees its world
    // in its override and calls this.
    virtual void ReturnToTitle();
    // A line the next title menu made shows above its entries (why a game could not begin, say); that menu takes
    // it, so it is shown once. Names read from files may be in it: its control characters are shown escaped
    // (RString::EscapeControls).
    void SetTitleNotice(const RString& notice) { m_titleNotice = notice.EscapeControls(); }
    RString TakeTitleNotice();

    // The game object when it is an RMenuGame, else null.
    static RMenuGame* GetMenuGame();

    // Hands a menu to the manager's queue (null is ignored); it is pushed at the next frame's update.
    void PushMenu(RGameMenu* menu);

    // The factories of the default menus; each returns a new menu, built when its push is applied.
    virtual RGameMenu* GetNewTitleMenu();
    virtual RGameMenu* GetNewPauseMenu();
    virtual RGameMenu* GetNewOptionsMenu();
    virtual RGameMenu* GetNewVideoMenu();
    virtual RGameMenu* GetNewBrightnessMenu();
    virtual RGameMenu* GetNewAudioMenu();
    virtual RGameMenu* GetNewMouseMenu();
    virtual RGameMenu* GetNewControlsMenu();
    // The list of control groups (group empty), or the actions of one group with their bindings.
    virtual RGameMenu* GetNewControlGroupsMenu(RHashedString group = RHashedString());
    // Waits for the next input and binds it to the group's action.
    virtual RGameMenu* GetNewBindingMenu(RHashedString group, RHashedString control);
    virtual RGameMenu* GetNewJoystickMenu();
    // Asks question; "Yes" closes the menu and runs onYes, "No" (or cancel) closes it.
    virtual RGameMenu* GetNewConfirmationMenu(const RString& question, std::function<void()> onYes);
    // One text field under title holding text (at most maxLength characters); "OK", or Return while editing,
    // closes the menu and hands the text to onDone.
    virtual RGameMenu* GetNewTextEntryMenu(const RString& title, const RString& text, int32_t maxLength,
                                           std::function<void(const RString&)> onDone);
    virtual RGameMenu* GetNewAboutMenu();

private:
    bool m_menusUp = false;  // whether a menu was stacked after the last applied requests
    RString m_titleNotice;
};
