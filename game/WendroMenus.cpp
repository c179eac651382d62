#include "game/WendroMenus.h"

#include "game/WendroGame.h"
#include "menus/RMenuEntries.h"

DifficultyMenu::DifficultyMenu() : RGameMenu("DifficultyMenu", "Wendro")
{
    SetTitle(GetText("Title"));
}

void DifficultyMenu::AddEntries()
{
    const char* const levels[] = {"Easy", "Normal", "Hard"};
    for (int32_t level = 0; level < 3; ++level) {
        AddButton(levels[level], [level] {
            if (WendroGame* game = WendroGame::GetWendroGame())
                game->BeginNewGame(level);
        });
    }
}

void WendroVideoMenu::AddEntries()
{
    RVideoMenu::AddEntries();
    const char* const looks[] = {"CRTLook", "EGATiles"};
    for (const char* look : looks) {
        RMenuSpinner* spinner = AddConfigSpinner(look, "Game", look);
        spinner->SetText(GetLocalized("Wendro", "VideoMenu", look));
    }
}
