// The engine's shut-down order, watched step by step on a started game: each singleton that can be asked about
// is still there before its own step and gone after it; RShutdown itself, which quits SDL only after the
// singletons are gone; and the session saved once, however often the display is lost after the save.
#include "GameRunSupport.h"
#include "basegame/RBaseGame.h"
#include "basegame/RStartup.h"
#include "basegame/RSubroutineMgr.h"
#include "core/types/RHandle.h"
#include "core/system/RTickable.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"
#include "render/device/RGLObjMgr.h"
#include "render/effects/RShaderMgr.h"
#include "render/frame/RRenderer.h"
#include "render/images/RTexMgr.h"
#include "render/text/RGlyphSetMgr.h"
#include "scene/RCollisionWorld.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class ShutdownGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Shutdown Test"; }
};

bool s_menuManagerAlive = false;
void DestroyMenuManager() { s_menuManagerAlive = false; }

struct Probe {
    const char* step;  // the step that destroys it
    bool (*exists)();
};

const Probe kProbes[] = {
    {"menu manager", [] { return s_menuManagerAlive; }},
    {"collision world", [] { return RCollisionWorld::GetExisting() != nullptr; }},
    {"glyph-set manager", [] { return RGlyphSetMgr::HasInstance(); }},
    {"handle table", [] { return !RHandleTable::IsClosed(); }},
    {"GL object manager", [] { return RGLObjMgr::HasInstance(); }},
    {"renderer", [] { return RRenderer::HasInstance(); }},
    {"tickable manager", [] { return RTickableManager::GetExisting() != nullptr; }},
    {"input handler", [] { return RInputHandler::GetExisting() != nullptr; }},
    {"text inputs", [] { return RTextInputList::GetExisting() != nullptr; }},
    {"texture manager", [] { return RTexMgr::HasInstance(); }},
    {"shader manager", [] { return RShaderMgr::HasInstance(); }},
    {"subroutine manager", [] { return RSubroutineMgr::HasInstance(); }},
};

// Starts a game, draws one frame and frees what RBaseGame::Shutdown frees before the steps, with the menu
// manager's destroyer set to destroyer; the process exits with 2 when the game cannot start.
void StartGameForShutdown(void (*destroyer)())
{
    ShutdownGame* game = new ShutdownGame();
    if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
        exit(2);
    game->PumpEvents();
    game->Update();
    game->RenderFrame();
    RCollisionWorld::GetInstance();
    RSetMenuManagerDestroyer(destroyer);
    game->GetRenderSetup().Destroy();
}

// The order the engine's singletons go in: nothing is destroyed while something destroyed earlier could still
// reach it.
const char* const kOrder[] = {"definition manager", "menu manager", "collision world", "glyph-set manager",
                              "handle table", "GL object manager", "renderer", "audio manager", "string manager",
                              "tickable manager", "hashed-name table", "control configuration", "input handler",
                              "text inputs", "texture manager", "shader manager", "stream manager",
                              "subroutine manager", "logger", "localization manager", "thread tagger"};

} // namespace

TEST(Shutdown, DestroysEverySingletonInItsOrder)
{
    TempUserData data;
    setenv("ROLT_RESOURCE_DIR", ROLT_TEST_RESOURCE_DIR, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EXIT(
        {
            StartGameForShutdown(DestroyMenuManager);
            s_menuManagerAlive = true;

            uint32_t count = 0;
            const RShutdownStep* steps = RGetShutdownSteps(&count);
            int failures = 0;
            if (count != sizeof(kOrder) / sizeof(kOrder[0])) {
                fprintf(stderr, "%u steps\n", count);
                exit(3);
            }
            for (uint32_t i = 0; i < count; ++i) {
                if (strcmp(steps[i].name, kOrder[i]) != 0) {
                    fprintf(stderr, "step %u is the %s, not the %s\n", i, steps[i].name, kOrder[i]);
                    ++failures;
                }
                steps[i].destroy();
                for (const Probe& probe : kProbes) {
                    // Gone from its own step on, there until then.
                    bool destroyedYet = false;
                    for (uint32_t j = 0; j <= i; ++j)
                        destroyedYet = destroyedYet || strcmp(steps[j].name, probe.step) == 0;
                    if (probe.exists() == destroyedYet) {
                        fprintf(stderr, "after the %s step the %s %s\n", steps[i].name, probe.step,
                                destroyedYet ? "is still there" : "is gone");
                        ++failures;
                    }
                }
            }
            exit(failures == 0 ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "");
}

namespace {

// What the menu manager's destroyer saw of SDL when RShutdown ran it.
int s_destroyerCalls = 0;
bool s_sdlUpAtDestruction = false;
void RecordSDLAtDestruction()
{
    ++s_destroyerCalls;
    s_sdlUpAtDestruction = SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace

TEST(Shutdown, RShutdownDestroysTheSingletonsBeforeItQuitsSDL)
{
    TempUserData data;
    setenv("ROLT_RESOURCE_DIR", ROLT_TEST_RESOURCE_DIR, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EXIT(
        {
            StartGameForShutdown(RecordSDLAtDestruction);
            if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
                exit(3);

            RShutdown();
            if (s_destroyerCalls != 1 || !s_sdlUpAtDestruction) {
                fprintf(stderr, "the singletons went after SDL had quit\n");
                exit(4);
            }
            if (SDL_WasInit(0) != 0) {
                fprintf(stderr, "SDL is still initialised (%x)\n", SDL_WasInit(0));
                exit(5);
            }
            for (const Probe& probe : kProbes) {
                if (probe.exists()) {
                    fprintf(stderr, "the %s is still there\n", probe.step);
                    exit(6);
                }
            }
            // The destroyer went with the menu manager's hook: a second shut-down does not call it again.
            RShutdown();
            exit(s_destroyerCalls == 1 ? 0 : 7);
        },
        ::testing::ExitedWithCode(0), "");
}

// The display lost after the session was saved (an orderly shut-down has saved and not yet removed the handler,
// or the display is reported lost twice): the session is saved once, with one report and one shut-down line.
TEST(Shutdown, ADisplayLostAfterTheSessionWasSavedSavesNothingMore)
{
    TempUserData data;
    const std::filesystem::path userFolder = PrepareGameRun(data, "Shutdown Test");
    EXPECT_EXIT(
        {
            ShutdownGame* game = new ShutdownGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            game->OnDisplayLost();
            game->OnDisplayLost();
            game->Shutdown();
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    std::ostringstream log;
    log << std::ifstream(userFolder / "Logs" / "DebugLog_Safe.txt", std::ios::binary).rdbuf();
    const std::string text = log.str();
    auto count = [&text](const char* line) {
        int found = 0;
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count(": [SessionShutdown]\r\n"), 1) << text;
    EXPECT_EQ(count(": Shut-down"), 1) << text;
}
