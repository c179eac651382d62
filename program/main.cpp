// The program's entry point: one game object, run, deleted. The arguments are ignored. The exit status is 0 after
// a normal run and 1 when the game could not start.
#include "core/system/RPlatformLayer.h"
#include "core/system/RQuitSignals.h"
#include "game/WendroGame.h"

int main(int /*argc*/, char** /*argv*/)
{
    // Before any file is opened: standard input, output and error are never another file's numbers.
    RPlatformLayer::OpenClosedStandardStreams();
    // Before anything else: a request to stop is then always an orderly shut-down that saves.
    RQuitSignals::Install();
    WendroGame* game = new WendroGame();
    const bool started = game->Run("");
    delete game;
    return started ? 0 : 1;
}
