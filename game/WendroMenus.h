// The game's own menus: the difficulty menu the title menu's new game opens (easy, normal, hard, each starting the
// campaign at once), and the video menu with the game's two looks added to the engine's choices ("CRTLook", the
// simulated monitor or the plain picture, and "EGATiles", the EGA or the CGA tile set), saved in "Config.ini".
// Texts come from the game's table "Wendro". The menu manager owns them once pushed.
#pragma once

#include "menus/RDefaultMenus.h"
#include "menus/RGameMenu.h"

class DifficultyMenu : public RGameMenu {
public:
    DifficultyMenu();

protected:
    void AddEntries() override;
};

class WendroVideoMenu : public RVideoMenu {
protected:
    void AddEntries() override;
};
