// RInputHandler: the engine's single owner of raw input, created on first use and destroyed by DestroyInstance.
// Once per frame Update moves the current CompleteInputState into the previous one and reads a fresh one from SDL;
// HandleEvent counts the presses made since, so that a tap between two reads still reads down and each of several
// taps is counted. The handler owns both records, the press counts, the list of devices found at start-up and the
// one open SDL joystick or game controller; it also keeps the one-key auto-repeat, the key-to-character table and
// a store of rumble envelopes.
// Main thread only.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"
#include "platform/input/CompleteInputState.h"

#include <SDL.h>

#include <cstdint>

struct RDefinedInput;

// One device found by the enumeration. The SDL instance id names the device for as long as it stays attached,
// whatever happens to the device indexes or to the list positions.
struct AvailableEnumedJoystick {
    RHashedString name;               // SDL's joystick name
    bool isGameController = false;    // SDL has a game-controller mapping for it
    SDL_JoystickID instanceId = -1;
};

class RInputHandler {
public:
    // Presses of each key and button counted from SDL's events, at most 255 each. Repeats of a held key are no
    // presses.
    struct RPressCounts {
        uint8_t keys[CompleteInputState::kKeyCount] = {};       // by SDL scancode
        uint8_t mouseButtons[32] = {};                           // by SDL's button number less one
        uint8_t joyButtons[256] = {};                            // the selected plain joystick's, by index
        uint8_t padButtons[CompleteInputState::kPadButtonCount] = {}; // the selected controller's, in SDL's order
    };

    // A rumble envelope: for each motor its strength and the absolute rumble-clock times at which its rise, hold
    // and release end.
    struct RRumbleWave {
        float startTime = 0.0f;
        float strengthA = 0.0f;
        float riseEndA = 0.0f;
        float holdEndA = 0.0f;
        float releaseEndA = 0.0f;
        float strengthB = 0.0f;
        float riseEndB = 0.0f;
        float holdEndB = 0.0f;
        float releaseEndB = 0.0f;
    };

    static constexpr float kRepeatDelay = 0.25f;    // seconds from a press to its first repeat
    static constexpr float kRepeatInterval = 0.05f; // seconds between later repeats

    static RInputHandler* GetInstance();
    // The handler when it exists, else null; never creates one.
    static RInputHandler* GetExisting();
    // Closes the open device and frees the handler; the next GetInstance makes a new one.
    static void DestroyInstance();

    // Sets the mouse capture, closes any open device, enumerates the devices and, with openFirst, opens the first
    // one found. The window and the two unnamed arguments are not read. Always true.
    bool InitDevices(SDL_Window* window, int, bool captureMouse, int, bool openFirst);
    // Fills the key-to-character table with the US layout. Called once right after InitDevices.
    void EmptyInitHook(int);
    // The devices SDL can open now, in device order; a device that fails to open is left out.
    static RUtilVector<AvailableEnumedJoystick> EnumerateJoysticks();
    // Opens the first listed device whose name equals name ignoring case; nothing for an empty name, an empty list
    // or no match.
    void OpenJoystickByName(const char* name);
    // Opens the listed device at index (as a game controller when it has a mapping), closing whatever was open
    // before. An index outside the list closes the open device and selects nothing.
    void OpenJoystick(int32_t index);
    void CloseJoystick();
    // The selected device's name, or the empty name when none is selected.
    RHashedString GetOpenJoystickName() const;
    // Relative mouse mode with capture; the cursor shows without it. The window and the last argument are not read.
    void SetMouseCaptured(SDL_Window* window, bool capture, int);

    // A key-down that SDL marks as a repeat within this many milliseconds of the key's last press is a press of
    // its own: SDL's X backend takes a release followed within 2 ms by a press of the same key (keys sent without
    // pauses) for the system's auto-repeat, and no system repeats a key that soon.
    static constexpr uint32_t kQuickTapMs = 50;

    // Counts a key, mouse-button or selected-device button press from SDL's event queue until the next Update:
    // a press that was released before that read still reads down in it, once. Key repeats are not presses; a
    // key-down marked as a repeat that is a quick tap (kQuickTapMs) loses the mark in the event itself, so that the
    // readers after the handler (the text inputs) take it as the press it is. True when a press was counted.
    bool HandleEvent(SDL_Event& event);
    // Whether a key-down is a press of its key rather than the system's repeat of a held key, as HandleEvent
    // would count it.
    bool IsPress(const SDL_KeyboardEvent& key) const;
    // The frame read: see CompleteInputState, with the counted presses added as keys and buttons down; the counts
    // then become GetPresses and counting starts again. The caller takes SDL's events, handing each to
    // HandleEvent, first. The keys read as of the last event taken: a caller that leaves key events in the queue
    // for the next frame (a key that hands the keyboard to another reader ends the frame's events) finds each of
    // those keys as it was before them, though SDL's keyboard state already has them.
    void Update(float dt);
    // The presses counted between the last two reads.
    const RPressCounts& GetPresses() const { return m_presses; }
    // The one-key auto-repeat: true on a new press, then after kRepeatDelay and every kRepeatInterval while held,
    // for the most recently pressed key only.
    bool isKeyRepeating(uint32_t scancode);
    // The character the key types: with neither flag, with shift, with caps lock, with both; 0 for none.
    int8_t KeyToChar(uint32_t scancode, bool shift, bool capsLock) const;
    // Binding capture (RBindingCapture.cpp): the input that changed between the previous and the current state,
    // as a binding with lastUsed 0. False, leaving *input as it was, when nothing capturable changed.
    bool CaptureInput(RDefinedInput* input) const;

    // Rumble envelopes (kept in memory; nothing drives a device and nothing advances the clock).
    void AddRumbleWave(float strengthA, float riseA, float holdA, float releaseA, float strengthB, float riseB,
                       float holdB, float releaseB);
    void StartNamedRumble(RHashedString name, float strengthA, float riseA, float strengthB, float riseB);
    void StopNamedRumble(RHashedString name, float holdA, float holdB, float releaseA, float releaseB);
    void ClearRumbleWaves();
    void UpdateRumble();
    const RUtilVector<RRumbleWave>& GetRumbleWaves() const { return m_rumbleWaves; }
    RUtilMap<RRumbleWave, RHashedString>& GetNamedRumbleWaves() { return m_namedRumbleWaves; }
    float GetRumbleClock() const { return m_rumbleClock; }

    // This frame's and last frame's input. Writable, so that tests and tools can pose a state.
    CompleteInputState& GetCurrentState() { return m_current; }
    CompleteInputState& GetPreviousState() { return m_previous; }
    const CompleteInputState& GetCurrentState() const { return m_current; }
    const CompleteInputState& GetPreviousState() const { return m_previous; }

    // The selected device is open as a game controller (set even when SDL failed to open it).
    bool IsControllerMode() const { return m_controllerMode; }
    const RUtilVector<AvailableEnumedJoystick>& GetJoysticks() const { return m_joysticks; }
    // Index into GetJoysticks of the selected device, -1 when none.
    int32_t GetSelectedJoystick() const { return m_selectedJoystick; }
    SDL_Joystick* GetOpenJoystick() const { return m_joystick; }
    SDL_GameController* GetOpenGameController() const { return m_gameController; }

    // Factor on mouse-axis values; 1 at creation.
    float GetMouseScale() const { return m_mouseScale; }
    void SetMouseScale(float scale) { m_mouseScale = scale; }
    // The step of the last Update and its inverse (0 for a step of 0).
    float GetDt() const { return m_dt; }
    float GetInvDt() const { return m_invDt; }

private:
    RInputHandler();
    ~RInputHandler();
    RInputHandler(const RInputHandler&) = delete;
    RInputHandler& operator=(const RInputHandler&) = delete;

    void ReadJoystick();
    void ReadGameController();
    void AddCountedPresses();
    // Puts each key with an event still in SDL's queue back to its state before the first of them.
    void HoldBackQueuedKeys();

    bool m_controllerMode = false;
    RUtilVector<AvailableEnumedJoystick> m_joysticks;
    int32_t m_selectedJoystick = -1;
    CompleteInputState m_current;
    CompleteInputState m_previous;
    RUtilVector<RRumbleWave> m_rumbleWaves;
    RUtilMap<RRumbleWave, RHashedString> m_namedRumbleWaves;
    float m_rumbleClock = 0.0f;
    float m_mouseScale = 1.0f;
    float m_dt = 0.0f;
    float m_invDt = 0.0f;
    int8_t m_keyChar[CompleteInputState::kKeyCount][4] = {};
    RPressCounts m_pendingPresses; // seen in SDL's events since the last Update
    RPressCounts m_presses;        // between the last two Updates
    uint32_t m_keyPressTicks[CompleteInputState::kKeyCount] = {}; // each key's last press, SDL's event time
    // At most one of the two is open.
    SDL_Joystick* m_joystick = nullptr;
    SDL_GameController* m_gameController = nullptr;
};
