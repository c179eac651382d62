// RGameConfig: the engine's settings as the configuration holds them, registered with their sections, defaults
// and change callbacks, read from "Config.ini" in the user "Config/" folder at start-up and written back there at
// shut-down. The callbacks apply a new value at once through the game object. The base game owns the one
// instance; a game registers its own variables in RBaseGame::RegisterGameConfig.
#pragma once

#include "core/types/RHashedString.h"

#include <climits>
#include <cstdint>

class RGameConfig {
public:
    struct Settings {
        // [Audio]
        float masterVolume = 0.7f;
        float musicVolume = 0.3f;
        float soundVolume = 0.7f;
        float streamLength = 0.5f;         // seconds of sound in a stream's ring
        float streamUpdatePercent = 0.25f; // fraction of the ring refilled per music-thread pass
        bool muteWhenUnfocused = false;
        // [Video]
        bool fullscreen = false;
        float aspectRatio = 0.0f;          // width / height, kMinAspectRatio to kMaxAspectRatio; 0: the screen's own
        int32_t tate = 0;                  // quarter turns of the picture, 0 to 3
        int32_t antialiasQuality = 2;
        bool delayPresentation = false;
        float brightness = 1.0f;           // the final pass's factor, 0.5 to 2
        bool frameRateCap = true;          // without vertical sync, hold frames to the display's refresh rate
        // [Input]
        RHashedString controller;          // the empty text: the first device found
        float mouseScalar = 0.0f;          // kMinMouseScalar to kMaxMouseScalar
        // [General]
        RHashedString language;            // the empty text: the default tables
        bool quickStart = false;
        int32_t sessionId = 0;
        RHashedString lastPlayedVersion;
        // [Engine]
        int32_t fixedEngineFPS = 0;        // 0: the measured frame time
        int32_t fixedGameFPS = 60;
        int32_t minGameFPS = 15;
        float deadlockCheckTime = 10.0f;   // seconds the shut-down waits for threads
    };

    // The tallest and the widest picture "AspectRatio" may ask for (or 0, the screen's own).
    static constexpr float kMinAspectRatio = 0.25f;
    static constexpr float kMaxAspectRatio = 4.0f;
    // The lowest and highest brightness the final pass applies.
    static constexpr float kMinBrightness = 0.5f;
    static constexpr float kMaxBrightness = 2.0f;
    // The slowest and the fastest mouse "MouseScalar" gives: a sixth and six times the motion.
    static constexpr float kMinMouseScalar = -5.0f;
    static constexpr float kMaxMouseScalar = 5.0f;

    RGameConfig() = default;
    RGameConfig(const RGameConfig&) = delete;
    RGameConfig& operator=(const RGameConfig&) = delete;

    const Settings& Get() const { return m_settings; }
    Settings& Get() { return m_settings; }

    // Registers every engine variable with RConfigFile, in its section.
    void Register();
    // Reads "Config.ini" from the user "Config/" folder (writing the defaults when it is missing). False when it
    // could neither be read nor written; without a user folder the defaults stand and nothing is written back.
    bool Load();
    // Records the version played and counts the session, then writes the file where it was read from. False
    // when writing failed; nothing happens when no file was loaded.
    bool Save(const char* playedVersion);
    const char* GetPath() const { return m_path; }

    // Set once the localization tables are loaded: a language chosen afterwards is loaded at once.
    void SetLocalizationReady() { m_localizationReady = true; }
    bool IsLocalizationReady() const { return m_localizationReady; }

    // The text of a name setting; "" for the empty name as for the empty text.
    static const char* Text(const RHashedString& name);

private:
    Settings m_settings;
    char m_path[PATH_MAX] = "";
    bool m_localizationReady = false;
};
