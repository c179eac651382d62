// A game with the engine's menus for the menu tests: the engine's start-up with the menu sound from the game's
// pack and a "Gameplay" group with the game's actions, driven one frame at a time by the test. A game object can be
// made once per process, so each test runs it in a child process (EXPECT_EXIT) under the test run's X server.
#pragma once

#include "../core/TempUserData.h"
#include "tests/TestFiles.h"
#include "core/config/RLocMgr.h"
#include "core/files/RStreamMgr.h"
#include "menus/RDefaultMenus.h"
#include "menus/RMenuEntries.h"
#include "menus/RMenuGame.h"
#include "menus/RMenuMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"
#include "platform/input/RInputHandler.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderer.h"
#include "render/hud/RHUDScreen.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace menutest {

class MenuTestGame : public RMenuGame {
public:
    const char* GetLocalAppDataPathName() const override { return "ROLT Menu Test"; }
    // The game's pack for the menu sound, and its table of control names ("Controls.txt", which PrepareChild
    // puts in the user "Mods/" folder).
    bool InitEngine() override
    {
        if (!RMenuGame::InitEngine())
            return false;
        RStreamMgr::GetInstance()->MountPack("Wendro.rpk");
        RLocMgr::GetInstance()->AddFile("Controls.txt");
        RLocMgr::GetInstance()->LoadDefaultTables(false);
        return true;
    }
    bool InitSystems() override
    {
        if (!RMenuGame::InitSystems())
            return false;
        RAudioMgr::GetInstance()->LoadSound("menu.wav", RHashedString("Dozu"), GetAudioGroupSFX(), false);
        return true;
    }
    void InitControlGroups() override
    {
        RMenuGame::InitControlGroups();
        RControlConfig* config = RControlConfig::GetInstance();
        const RHashedString gameplay("Gameplay");
        config->AddGroup(gameplay, true, true, false, false);
        for (const char* action : {"MoveLeft", "MoveRight", "Jump", "JumpDown"})
            config->AddControl(gameplay, RHashedString(action), false);
    }
    void InitControlActions() override
    {
        RMenuGame::InitControlActions();
        AddGameplayDefaultBindings(*RControlConfig::GetInstance());
    }
    void StartGame() override { ++starts; }
    // The sound goes before the engine's shut-down, as the game's own does.
    void Shutdown() override
    {
        if (IsAudioReady())
            RAudioMgr::GetInstance()->ReleaseSound(RHashedString("Dozu"));
        RMenuGame::Shutdown();
    }

    int starts = 0;
};

// The user folder of the test game.
inline std::string UserFolder(const TempUserData& data)
{
    return data.root + "/data/Brasswick/ROLT Menu Test/";
}

// Points the child at the packs, the user folder (with the game's control names in its "Mods/" folder) and the
// given audio driver. Unless the test wrote its own "Config.ini", the engine step is fixed at 1/20 s, so that
// fades and key repeats count frames however slowly the frames run.
inline void PrepareChild(const TempUserData& data, const char* audioDriver, const std::string& audioFile = "")
{
    std::filesystem::create_directories(UserFolder(data) + "Config");
    if (!std::filesystem::exists(UserFolder(data) + "Config/Config.ini"))
        std::ofstream(UserFolder(data) + "Config/Config.ini") << "[Engine]\r\nFixedEngineFPS: 20\r\n";
    std::filesystem::create_directories(UserFolder(data) + "Mods");
    std::ofstream(UserFolder(data) + "Mods/Controls.txt")
        << "[Groups]\r\nGameplay: Gameplay\r\n[Gameplay]\r\nMoveLeft: Left\r\nMoveRight: Right\r\n"
           "Jump: Jump\r\nJumpDown: Drop\r\n";
    setenv("ROLT_RESOURCE_DIR", ROLT_TEST_RESOURCE_DIR, 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
    if (!audioFile.empty())
        setenv("SDL_DISKAUDIOFILE", audioFile.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
}

// One pass of the main loop, with one fixed step so that game actions are refreshed too.
inline void Frame(RMenuGame& game)
{
    game.PumpEvents();
    game.Update();
    game.FixedUpdate(1.0f / 60.0f);
    game.UpdateFrame();
    game.RenderFrame();
    SDL_Delay(2);
}

// Runs frames until done() holds, for at most about ten seconds.
template <typename Done> bool FramesUntil(RMenuGame& game, Done done)
{
    for (int frame = 0; frame < 2000; ++frame) {
        if (done())
            return true;
        Frame(game);
    }
    return done();
}

inline RGameMenu* Top()
{
    return RMenuMgr::GetInstance()->GetTopMenu();
}

// Frames until a menu of type T is the top one and has ended its fade.
template <typename T> T* WaitForTop(RMenuGame& game)
{
    FramesUntil(game, [] { return dynamic_cast<T*>(Top()) && !RMenuMgr::GetInstance()->IsFading(); });
    return dynamic_cast<T*>(Top());
}

// Whether the top menu's selected entry's text holds part.
inline bool SelectedHas(const char* part)
{
    const RMenuEntry* entry = Top() ? Top()->GetSelectedEntry() : nullptr;
    return entry && std::string(entry->GetText().GetString()).find(part) != std::string::npos;
}

// The binding as the bindings file stores it: kind, source and code, little-endian u32 each.
inline std::string BindingBytes(uint32_t kind, uint32_t source, uint32_t code)
{
    std::string bytes;
    for (uint32_t value : {kind, source, code})
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

// Where an entry's middle lies in the window, in the window's pixels.
inline void EntryInWindow(RMenuGame& game, const RMenuEntry& entry, int* x, int* y)
{
    const RMenuSpace space = RHUDScreen::GetMenuSpace();
    const float clipX = (entry.GetLeft() + entry.GetWidth() * 0.5f) * space.invHalfWidth - 1.0f + space.xOffset;
    const float clipY = -(entry.GetTop() + entry.GetHeight() * 0.5f) * space.invHalfHeight + 1.0f - space.yOffset;
    RViewport viewport;
    if (RRenderPass* pass = RRenderer::GetInstance()->FindRenderPass(game.GetFinalPassName()))
        viewport = pass->viewport;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(game.GetWindow(), &width, &height);
    *x = static_cast<int>((viewport.x + (clipX + 1.0f) * 0.5f * viewport.width) * static_cast<float>(width));
    *y = static_cast<int>((viewport.y + (1.0f - clipY) * 0.5f * viewport.height) * static_cast<float>(height));
}

} // namespace menutest
