// The program's entry point: one game object, run, deleted. The arguments are ignored.
#include "game/WendroGame.h"

int main(int /*argc*/, char** /*argv*/)
{
    WendroGame* game = new WendroGame();
    game->Run("");
    delete game;
    return 0;
}
