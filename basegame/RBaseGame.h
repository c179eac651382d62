// RBaseGame: the engine's game object, one per process, from which a game derives. It owns the lifetime of every
// engine service: it creates them in its three start-up steps, drives them from the main loop and destroys them
// in its shut-down. The program's entry point owns the object; RBaseGame::GetInstance hands it to the engine.
#pragma once

#include "core/RCore.h"

#include <cstdint>

struct SDL_Window;
class RStartup;

class RBaseGame : public RCore {
public:
    RBaseGame();
    ~RBaseGame() override;

    // The one game object. With none and the quit flag down a plain RBaseGame is created; with the flag up, null.
    static RBaseGame* GetInstance();

    const char* GetLocalAppDataPathName() const override { return "ROLT Base Game"; }
    bool IsCommandLineTool() const override { return false; }

    // Runs the whole program: the start-up steps, the main loop until the quit flag is raised, the shut-down.
    void Run(const char* commandLine);

    // Start-up steps; a game overrides each, calls the base version first and adds its own work after it.
    virtual bool InitEngine();
    virtual bool InitSystems();
    virtual bool InitRuntime();
    virtual void Shutdown();

    // One pass of the main loop, in order.
    void PumpEvents();
    virtual void Update();
    virtual void FixedUpdate(float step);
    virtual void UpdateFrame();
    virtual void RenderFrame();

    // Raises the quit flag; the main loop ends after the current pass.
    void Quit();
    bool IsQuitting() const { return m_quit; }

    SDL_Window* GetWindow() const { return m_window; }

    // Re-creates the renderer's device-dependent resources for the window's current drawable size.
    void ApplyRendererVideoMode();
    // Reached through the renderer's reset and device-lost callback lists; empty in the base game.
    virtual void OnPreDeviceReset() {}
    virtual void OnPostDeviceReset() {}
    virtual void OnDeviceLost() {}

    // Asks for the next rendered frame to be saved as a BMP in the user "Screenshots/" folder.
    void RequestScreenshot() { m_screenshotRequested = true; }

protected:
    virtual bool CreateGameWindow();

    // Adds the user folder `subfolder` (created when missing) as a file source.
    void AddUserSearchPath(const char* subfolder);

private:
    void RunMainLoop();
    void QueueLogHeader();
    void UpdateWindowSize();
    // Reads the finished back buffer and writes it to a new file in the screenshot folder.
    bool TakeScreenshot();
    // Waits while tagged threads run, up to the deadlock time, then reports the ones left.
    void WaitForThreads();

    RStartup* m_startup = nullptr;
    SDL_Window* m_window = nullptr;
    uint32_t m_windowWidth = 1;   // the drawable size, the renderer's back buffer
    uint32_t m_windowHeight = 1;
    bool m_fullscreen = false;
    bool m_delayPresentation = false;
    bool m_screenshotRequested = false;
    bool m_quit = false;

    // Frame timing: the engine step of the last frame, the game time run in fixed steps and its remainder.
    float m_lastElapsed = 0.0f;
    float m_engineStep = 0.0f;
    float m_gameStep = 0.0f;
    float m_fixedAccumulator = 0.0f;
};
