// RBaseGame: the engine's game object, one per process, from which a game derives. It owns the lifetime of every
// engine service: it creates them in its three start-up steps, drives them from the main loop and destroys them
// in its shut-down. The program's entry point owns the object; RBaseGame::GetInstance hands it to the engine.
#pragma once

#include "core/system/RCore.h"
#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"
#include "basegame/RFrameCap.h"
#include "basegame/RFrameTiming.h"
#include "basegame/RGameConfig.h"
#include "basegame/RRenderSetup.h"
#include "platform/RDisplayModes.h"
#include "platform/RWindowSub.h"
#include "render/hud/RHUDScreen.h"
#include "render/passes/RPassMaterialHost.h"
#include "render/view/RResolutionSensitiveList.h"

#include <cstdint>

struct SDL_Window;
class RCamera;
class RDepthBackdrop;
class RFont;
class RFMLTextInput;
class RConsole;
class RMaterial;
class RStreamingAudio_PCS;
class RStartup;

class RBaseGame : public RCore, public RPassMaterialHost {
public:
    RBaseGame();
    ~RBaseGame() override;

    // The one game object. With none and the quit flag down a plain RBaseGame is created; with the flag up, null.
    static RBaseGame* GetInstance();

    const char* GetLocalAppDataPathName() const override { return "ROLT Base Game"; }
    bool IsCommandLineTool() const override { return false; }

    // Runs the whole program: the start-up steps, the main loop until the quit flag is raised, the shut-down.
    // False when a start-up step failed, so the main loop never ran.
    bool Run(const char* commandLine);

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

    // The menus' frame, called by Update after the engine-time subroutines; empty in the base game, which has no
    // menus. A game with menus updates its menu manager here.
    virtual void UpdateMenus(float /*engineStep*/) {}
    // True while a menu takes the keys as they are (a key being bound, a text field edited): the console's key is
    // then that menu's, and does not open the console.
    virtual bool MenuTakesRawInput() const { return false; }
    // The splash cinematic that InitRuntime starts has ended (played out or skipped); a game with menus pushes its
    // title menu here (and with "QuickStart" accepts its first entry at once).
    virtual void OnSplashFinished() {}
    // The "General" "Pause" action was just pressed; the base game toggles the pause.
    virtual void OnPauseAction();

    // Frame timing of the current frame (see RFrameTiming): the engine and game steps, the fixed steps run and
    // the fraction of a fixed step left over, which displayed positions interpolate by.
    float GetEngineStep() const { return m_timing.GetEngineStep(); }
    float GetGameStep() const { return m_timing.GetGameStep(); }
    int32_t GetFixedStepCount() const { return m_timing.GetFixedStepCount(); }
    float GetFixedStep() const { return m_timing.GetFixedStep(); }
    float GetInterpolationFraction() const { return m_timing.GetInterpolationFraction(); }
    // Game time run in fixed steps since start-up.
    float GetGameTime() const { return m_gameTime; }
    // Slow motion scales the game step (1 normal speed); a hitch the game caused is taken out of the next one.
    void SetSlowMotion(float factor) { m_timing.SetSlowMotion(factor); }
    float GetSlowMotion() const { return m_timing.GetSlowMotion(); }
    void SetHitchCompensation(float seconds) { m_timing.SetHitchCompensation(seconds); }

    // Raises the quit flag; the main loop ends after the current pass.
    void Quit();
    bool IsQuitting() const { return m_quit; }

    SDL_Window* GetWindow() const { return m_window; }
    // Whether the window covers the screen ("Fullscreen").
    bool IsWindowFullscreen() const;

    // Puts the window in or out of full screen as "Fullscreen" says, fits the screen resolution to the window's
    // real size, tells every resolution-sensitive object and re-creates the renderer's device-dependent resources
    // at that size.
    void ApplyVideoMode();
    // Applies "FrameRateCap": vertical sync, or a sleep to the refresh rate where there is none; off, neither.
    void ApplyFrameRateCap();
    // Re-creates the renderer's device-dependent resources for the window's current drawable size.
    void ApplyRendererVideoMode();
    // Reached through the renderer's reset and device-lost callback lists; empty in the base game.
    virtual void OnPreDeviceReset() {}
    virtual void OnPostDeviceReset() {}
    virtual void OnDeviceLost() {}

    // The developer console, made in InitSystems with its history; null before and after.
    RConsole* GetConsole() const { return m_console; }
    bool IsConsoleOpen() const;
    // Says a failure, or what the player should know of one, when it happens: on standard error and, once the
    // log header is queued, as a line of "DebugLog_Safe.txt" written there at once. Names read from files may be
    // in it: its control characters are written escaped (RString::EscapeControls) in both places.
    void ReportFailure(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Whether the session's report is to be uploaded at shut-down (the user-information upload); none by default.
    virtual bool WantsStatsUpload() const { return false; }
    // The game's block of the session report, queued at shut-down just before the engine's "[SessionShutdown]";
    // none in the base game. It also runs when the display is lost, so it makes no window or GL call.
    virtual void QueueGameReport() {}
    // The connection to the display is gone: the session is saved as at a quit (SaveSession), from inside the
    // window-system call that noticed; the platform layer then ends the program with status 1.
    void OnDisplayLost();

    // Asks for the next rendered frame to be saved as a BMP in the user "Screenshots/" folder.
    void RequestScreenshot() { m_screenshotRequested = true; }

    // Rendering: the engine's passes draw the scene into the pre-HUD target, that target (smoothed) and the HUD
    // into the final target, and the final target (turned and brightened) into the back buffer.
    virtual RHashedString GetScenePassName() const { return RHashedString("__ROLT_Scene_Pass"); }
    virtual RHashedString GetPreHUDPassName() const { return RHashedString("__ROLT_PreHUD_Pass"); }
    virtual RHashedString GetFinalPassName() const { return RHashedString("__ROLT_Final_Pass"); }
    virtual RHashedString GetDefaultBackdropGroupName() const override;
    virtual RHashedString GetHUDGroupName() const;
    virtual RHashedString GetHUDGlyphGroupName() const;
    virtual RHashedString GetMenuGroupName() const;
    virtual RHashedString GetMenuGlyphGroupName() const;
    virtual RHashedString GetMenuBackdropGroupName() const;
    virtual RHashedString GetConsoleBackdropGroupName() const;
    virtual RHashedString GetConsoleGroupName() const;
    virtual RHashedString GetConsoleGlyphGroupName() const;
    // Factories of the engine's backdrop and pass materials; the caller owns what they return.
    virtual RDepthBackdrop* GetNewDepthBackdropEntity();
    virtual RMaterial* GetNewPreHUDPassMaterial();
    virtual RMaterial* GetNewFinalPassMaterial();
    // The material of the menus' underlay panels, a HUD material; the caller owns it.
    virtual RMaterial* GetMeshUnderlayMaterial();
    // The main camera, made with the render set-up: a perspective camera whose aspect follows the screen
    // resolution. Game code places it and reads its matrices. Null before start-up and after shut-down.
    RCamera* GetMainCamera() const;
    // Whether the game wants the free-fly debug camera; none does unless it says so.
    virtual bool WantsDebugCamera() const { return false; }
    // While the game wants it, flies the main camera from the keyboard and mouse for a frame of `step` seconds:
    // W and S forward and back, A and D to the sides, mouse motion turns it.
    void UpdateDebugCamera(float step);
    // The engine's three fonts and controller glyph sets: for the HUD, the menus and the console.
    enum TextLayer { kHUDText, kMenuText, kConsoleText, kTextLayerCount };
    RFont* GetFont(TextLayer layer) const { return m_renderSetup.GetFont(layer); }
    // Creates the controller glyph sets of the three layers and registers them as group "xbox".
    virtual void CreateControllerGlyphs();
    // Fits the final pass's viewport inside the window at the picture's aspect (letter- or pillar-boxed).
    void ApplyScreenResViewport();
    int32_t GetTateMode() const override { return m_config.Get().tate; }
    float GetBrightness() const override { return m_config.Get().brightness; }
    // The engine's render set-up: targets, passes, quads, camera, fonts, console backdrop and glyph sets.
    RRenderSetup& GetRenderSetup() { return m_renderSetup; }

    // Input and controls.
    void SetupInputHandler();
    // Registers the control groups and their actions; a game adds its own groups after the engine's.
    virtual void InitControlGroups();
    // Adds the default bindings of every action; called whenever the binding lists were emptied.
    virtual void InitControlActions();
    // Applies the defaults, then reads the bindings file over them.
    void LoadControlBindings();
    virtual const char* GetControlBindingsFileName() const { return "ControlBindings.bnd"; }
    // The last-used device class changed (1 keyboard and mouse, 2 game controller, 3 joystick).
    virtual void OnControlDeviceChanged(uint32_t oldDeviceClass, uint32_t newDeviceClass);
    // Shows the cursor only for keyboard-and-mouse play while paused; captures the mouse otherwise.
    void UpdateCursorVisibility(bool force);
    // Text inputs receive SDL's text-editing events; the most recently registered one is served.
    void RegisterTextInput(RFMLTextInput* input);
    void UnregisterTextInput(RFMLTextInput* input);

    // Configuration: the engine's variables (RGameConfig), then the game's, registered in InitEngine; "Config.ini"
    // is read from the user "Config/" folder and written back there at shut-down.
    virtual void RegisterGameConfig() {}
    using Settings = RGameConfig::Settings;
    const Settings& GetSettings() const { return m_config.Get(); }
    RGameConfig& GetConfig() { return m_config; }
    const RString& GetVersion() const { return m_version; }
    const RString& GetEngineVersion() const { return m_engineVersion; }
    // Applies "MouseScalar" s to the input handler: a mouse scale of 1 + s when s >= 0, else 1 / (1 - s).
    void OnMouseScalarChanged();

    // Audio: the two sound groups, and the tone-generator stream the game loads and hands to game code.
    virtual RHashedString GetAudioGroupSFX() const { return RHashedString("__ROLT_AudioGroup_SFX"); }
    virtual RHashedString GetAudioGroupBGM() const { return RHashedString("__ROLT_AudioGroup_BGM"); }
    void SetToneGenerator(RStreamingAudio_PCS* toneGenerator) { m_toneGenerator = toneGenerator; }
    RStreamingAudio_PCS* GetToneGenerator() const { return m_toneGenerator; }
    // The audio device was started (silent or not) and takes volume changes.
    bool IsAudioReady() const { return m_audioReady; }
    // Stops every playing sound and releases every loaded one.
    void StopAllAudio();

    bool IsPaused() const { return m_paused; }
    void SetPaused(bool paused);

    const RUtilVector<ScreenResolution>& GetResolutions() const { return m_resolutions; }

    // Screen resolution. SetScreenResolution stores the window's drawable size and the screen resolution fitted
    // to it (turned by "Tate", narrowed to "AspectRatio"), then tells every resolution-sensitive object of the
    // game object's list, in list order. The list is current while this is the game object.
    void SetScreenResolution();
    int32_t GetScreenWidth() const { return m_resolutionSensitives.GetScreenWidth(); }
    int32_t GetScreenHeight() const { return m_resolutionSensitives.GetScreenHeight(); }
    RResolutionSensitiveList& GetResolutionSensitives() { return m_resolutionSensitives; }
    uint32_t GetWindowWidth() const { return m_windowWidth; }
    uint32_t GetWindowHeight() const { return m_windowHeight; }
    // Screen width over height, and the 1,024 x 768 menu space fitted into the screen and centred; both
    // recomputed with the screen resolution.
    float GetAspectRatio() const { return m_aspectRatio; }
    const RMenuSpace& GetMenuSpace() const { return m_menuSpace; }

protected:
    virtual bool CreateGameWindow();

    // Adds the user folder `subfolder` (created when missing) as a file source.
    void AddUserSearchPath(const char* subfolder);
    // Removes the temporary files of saves cut short by a kill from the user folder and the folders in it.
    void RemoveStaleTemporaries();

private:
    void RunMainLoop();
    // The session report: blocks queued with the logger, handed joined to the safe log (and the upload) at
    // shut-down; start-up steps and failures go to the safe log at once (failures also to standard error).
    void QueueLogHeader();
    void QueueUserBlock();
    void QueueSessionShutdownBlock();
    void FlushReport();
    void LogStep(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Run-time events (video modes, pauses, screenshots, long frames) go to the fast log.
    void LogEvent(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Stores the window's real size (RWindowSub::GetSize) as the drawable size.
    void UpdateWindowSize();
    // Brings the window in or out of full screen as "Fullscreen" says; a window that cannot be made to cover the
    // screen turns the setting off. Either failure is reported (ReportFailure).
    void ApplyWindowMode();
    // Reads the finished back buffer and writes it to a new file in the screenshot folder.
    bool TakeScreenshot();
    // The path of the bindings file in the user configuration folder; false when it cannot be made.
    bool GetControlBindingsPath(char* outPath, size_t outSize);
    // What became of one of the files a session leaves behind. A file is not written when start-up did not get
    // as far as reading it, or could not read it (it is then left as it is, and said so).
    enum SaveOutcome { kSaved, kNotWritten, kSaveFailed };
    // Each writes its file back; a failure is reported.
    SaveOutcome SaveConfiguration();
    SaveOutcome SaveControlBindings();
    SaveOutcome SaveConsoleHistory();
    // Says that the file at path, which could not be read at start-up, was not written: what it is (capitalised)
    // and what of the session is lost with it.
    void ReportNotWritten(const char* what, const RString& path, const char* lost);
    // What a session leaves behind, once: the report's closing blocks, "Config.ini", the bindings and the console
    // history (without a user folder none of them), with a line in the log that says what was saved, what was not
    // written and what could not be saved. No window, GL or window-system call: it also runs after the display is
    // gone.
    void SaveSession();
    // Registers and loads the localization tables and the configured language.
    void InitLocalization(bool startup);
    void InitAudio();
    // Waits while tagged threads run, up to the deadlock time, then reports the ones left.
    void WaitForThreads();

    RStartup* m_startup = nullptr;
    SDL_Window* m_window = nullptr;
    RWindowSub m_windowSub;
    RUtilVector<ScreenResolution> m_resolutions;
    uint32_t m_windowWidth = 1;   // the drawable size, the renderer's back buffer
    uint32_t m_windowHeight = 1;
    float m_aspectRatio = 1.0f;
    RMenuSpace m_menuSpace = {};
    RGameConfig m_config;
    RString m_version;
    RString m_engineVersion;
    bool m_bindingsLoaded = false;  // only bindings that were read (or defaulted) are written back
    bool m_audioReady = false;
    RStreamingAudio_PCS* m_toneGenerator = nullptr;
    RRenderSetup m_renderSetup;
    RConsole* m_console = nullptr;
    bool m_screenshotRequested = false;
    bool m_logReady = false;        // the logger exists: the log header was queued
    bool m_sessionSaved = false;    // SaveSession ran
    bool m_hasUserFolder = false;   // the platform names a user folder: the session's files have a place
    uint32_t m_framesDrawn = 0;
    bool m_quit = false;
    bool m_paused = false;
    bool m_cursorShown = true;

    RFrameTiming m_timing;
    RFrameCap m_frameCap;
    float m_gameTime = 0.0f;  // game time run in fixed steps

    RResolutionSensitiveList m_resolutionSensitives;
};
