#include "platform/input/RInputHandler.h"

#include <strings.h>

#include <cstring>
#include <vector>

namespace {

// A wave starting at `now`: each motor rises to its strength, holds it, then fades out.
RInputHandler::RRumbleWave MakeRumbleWave(float now, float strengthA, float riseA, float holdA, float releaseA,
                                          float strengthB, float riseB, float holdB, float releaseB)
{
    RInputHandler::RRumbleWave wave;
    wave.startTime = now;
    wave.strengthA = strengthA;
    wave.riseEndA = now + riseA;
    wave.holdEndA = wave.riseEndA + holdA;
    wave.releaseEndA = wave.holdEndA + releaseA;
    wave.strengthB = strengthB;
    wave.riseEndB = now + riseB;
    wave.holdEndB = wave.riseEndB + holdB;
    wave.releaseEndB = wave.holdEndB + releaseB;
    return wave;
}

RInputHandler* g_inputHandler = nullptr;

// A named rumble holds and releases this long (one day) until it is stopped.
constexpr float kNamedRumbleSpan = 86400.0f;

// A key of the US layout that types the same character with and without caps lock.
struct UnshiftedKey {
    uint8_t scancode;
    char plain;
    char shifted;
};

const UnshiftedKey kUSKeys[] = {
    {SDL_SCANCODE_1, '1', '!'},          {SDL_SCANCODE_2, '2', '@'},
    {SDL_SCANCODE_3, '3', '#'},          {SDL_SCANCODE_4, '4', '$'},
    {SDL_SCANCODE_5, '5', '%'},          {SDL_SCANCODE_6, '6', '^'},
    {SDL_SCANCODE_7, '7', '&'},          {SDL_SCANCODE_8, '8', '*'},
    {SDL_SCANCODE_9, '9', '('},          {SDL_SCANCODE_0, '0', ')'},
    {SDL_SCANCODE_SPACE, ' ', ' '},      {SDL_SCANCODE_MINUS, '-', '_'},
    {SDL_SCANCODE_EQUALS, '=', '+'},     {SDL_SCANCODE_LEFTBRACKET, '[', '{'},
    {SDL_SCANCODE_RIGHTBRACKET, ']', '}'}, {SDL_SCANCODE_BACKSLASH, '\\', '|'},
    {SDL_SCANCODE_SEMICOLON, ';', ':'},  {SDL_SCANCODE_APOSTROPHE, '\'', '"'},
    {SDL_SCANCODE_GRAVE, '`', '~'},      {SDL_SCANCODE_COMMA, ',', '<'},
    {SDL_SCANCODE_PERIOD, '.', '>'},     {SDL_SCANCODE_SLASH, '/', '?'},
    {SDL_SCANCODE_NONUSBACKSLASH, '<', '>'},
    {SDL_SCANCODE_KP_DIVIDE, '/', '/'},  {SDL_SCANCODE_KP_MULTIPLY, '*', '*'},
    {SDL_SCANCODE_KP_MINUS, '-', '-'},   {SDL_SCANCODE_KP_PLUS, '+', '+'},
    {SDL_SCANCODE_KP_1, '1', '1'},       {SDL_SCANCODE_KP_2, '2', '2'},
    {SDL_SCANCODE_KP_3, '3', '3'},       {SDL_SCANCODE_KP_4, '4', '4'},
    {SDL_SCANCODE_KP_5, '5', '5'},       {SDL_SCANCODE_KP_6, '6', '6'},
    {SDL_SCANCODE_KP_7, '7', '7'},       {SDL_SCANCODE_KP_8, '8', '8'},
    {SDL_SCANCODE_KP_9, '9', '9'},       {SDL_SCANCODE_KP_0, '0', '0'},
    {SDL_SCANCODE_KP_PERIOD, '.', '.'},  {SDL_SCANCODE_KP_EQUALS, '=', '='},
};

// The current SDL device index of an attached device, or -1 once it is gone.
int DeviceIndexOf(SDL_JoystickID instanceId)
{
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == instanceId)
            return i;
    }
    return -1;
}

// One more press, held at 255.
void CountPress(uint8_t* count)
{
    if (*count < UINT8_MAX)
        ++*count;
}

// Sizes the vector to SDL's count (a failed count reads as none).
template <typename T> void SizeTo(RUtilVector<T>& values, int count)
{
    values.setSize(count > 0 ? static_cast<uint32_t>(count) : 0);
}

} // namespace

RInputHandler* RInputHandler::GetInstance()
{
    if (!g_inputHandler)
        g_inputHandler = new RInputHandler();
    return g_inputHandler;
}

RInputHandler* RInputHandler::GetExisting()
{
    return g_inputHandler;
}

void RInputHandler::DestroyInstance()
{
    delete g_inputHandler;
    g_inputHandler = nullptr;
}

RInputHandler::RInputHandler() = default;

RInputHandler::~RInputHandler()
{
    CloseJoystick();
    m_namedRumbleWaves.clear();
    m_rumbleWaves.free();
    m_joysticks.free();
}

bool RInputHandler::InitDevices(SDL_Window* window, int, bool captureMouse, int, bool openFirst)
{
    SetMouseCaptured(window, captureMouse, 0);
    CloseJoystick();
    m_joysticks = EnumerateJoysticks();
    if (openFirst && m_joysticks.getCount() > 0)
        OpenJoystick(0);
    return true;
}

void RInputHandler::EmptyInitHook(int)
{
    std::memset(m_keyChar, 0, sizeof(m_keyChar));
    for (int letter = 0; letter < 26; ++letter) {
        int8_t* row = m_keyChar[SDL_SCANCODE_A + letter];
        row[0] = static_cast<int8_t>('a' + letter);
        row[1] = static_cast<int8_t>('A' + letter);
        row[2] = static_cast<int8_t>('A' + letter);
        row[3] = static_cast<int8_t>('a' + letter);
    }
    for (const UnshiftedKey& key : kUSKeys) {
        int8_t* row = m_keyChar[key.scancode];
        row[0] = row[2] = static_cast<int8_t>(key.plain);
        row[1] = row[3] = static_cast<int8_t>(key.shifted);
    }
}

RUtilVector<AvailableEnumedJoystick> RInputHandler::EnumerateJoysticks()
{
    RUtilVector<AvailableEnumedJoystick> found;
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        SDL_Joystick* joystick = SDL_JoystickOpen(i);
        if (!joystick)
            continue;
        AvailableEnumedJoystick entry;
        entry.name = RHashedString(SDL_JoystickName(joystick));
        entry.isGameController = SDL_IsGameController(i) == SDL_TRUE;
        entry.instanceId = SDL_JoystickInstanceID(joystick);
        found.push(entry);
        SDL_JoystickClose(joystick);
    }
    return found;
}

void RInputHandler::OpenJoystickByName(const char* name)
{
    if (!name || !name[0])
        return;
    for (uint32_t i = 0; i < m_joysticks.getCount(); ++i) {
        const char* listed = m_joysticks[i].name.GetString();
        if (listed && strcasecmp(listed, name) == 0) {
            OpenJoystick(static_cast<int32_t>(i));
            return;
        }
    }
}

void RInputHandler::OpenJoystick(int32_t index)
{
    CloseJoystick();
    if (index < 0 || static_cast<uint32_t>(index) >= m_joysticks.getCount())
        return;
    const AvailableEnumedJoystick& entry = m_joysticks[static_cast<uint32_t>(index)];
    m_selectedJoystick = index;
    m_controllerMode = entry.isGameController;
    // The list position is not an SDL device index: devices that failed to open are not listed, and indexes
    // shift as devices come and go. A device that has gone leaves the handle null.
    int deviceIndex = DeviceIndexOf(entry.instanceId);
    if (deviceIndex < 0)
        return;
    if (entry.isGameController)
        m_gameController = SDL_GameControllerOpen(deviceIndex);
    else
        m_joystick = SDL_JoystickOpen(deviceIndex);
}

void RInputHandler::CloseJoystick()
{
    // A press counted from the device that closes is not the next device's.
    std::memset(m_pendingPresses.joyButtons, 0, sizeof(m_pendingPresses.joyButtons));
    std::memset(m_pendingPresses.padButtons, 0, sizeof(m_pendingPresses.padButtons));
    m_selectedJoystick = -1;
    m_controllerMode = false;
    if (m_joystick)
        SDL_JoystickClose(m_joystick);
    if (m_gameController)
        SDL_GameControllerClose(m_gameController);
    m_joystick = nullptr;
    m_gameController = nullptr;
}

RHashedString RInputHandler::GetOpenJoystickName() const
{
    if (m_selectedJoystick < 0 || static_cast<uint32_t>(m_selectedJoystick) >= m_joysticks.getCount())
        return RHashedString();
    return m_joysticks[static_cast<uint32_t>(m_selectedJoystick)].name;
}

void RInputHandler::SetMouseCaptured(SDL_Window*, bool capture, int)
{
    SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE);
    SDL_ShowCursor(capture ? SDL_DISABLE : SDL_ENABLE);
}

bool RInputHandler::IsPress(const SDL_KeyboardEvent& key) const
{
    const uint32_t scancode = static_cast<uint32_t>(key.keysym.scancode);
    if (key.type != SDL_KEYDOWN || scancode >= CompleteInputState::kKeyCount)
        return false;
    return !key.repeat || key.timestamp - m_keyPressTicks[scancode] < kQuickTapMs;
}

bool RInputHandler::HandleEvent(SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
        // A held key's repeats are no presses: one counted just before the release would outlast the key.
        if (!IsPress(event.key))
            return false;
        event.key.repeat = 0;
        CountPress(&m_pendingPresses.keys[event.key.keysym.scancode]);
        m_keyPressTicks[event.key.keysym.scancode] = event.key.timestamp;
        return true;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button < 1 || event.button.button > 32)
            return false;
        CountPress(&m_pendingPresses.mouseButtons[event.button.button - 1]);
        return true;
    case SDL_JOYBUTTONDOWN:
        if (!m_joystick || event.jbutton.which != SDL_JoystickInstanceID(m_joystick))
            return false;
        CountPress(&m_pendingPresses.joyButtons[event.jbutton.button]);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
        if (!m_gameController || event.cbutton.button >= CompleteInputState::kPadButtonCount ||
            event.cbutton.which != SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(m_gameController)))
            return false;
        CountPress(&m_pendingPresses.padButtons[event.cbutton.button]);
        return true;
    default:
        return false;
    }
}

void RInputHandler::Update(float dt)
{
    m_dt = dt;
    m_invDt = dt > 0.0f ? 1.0f / dt : 0.0f;
    m_previous.CopyFrom(m_current);

    int mouseDX = 0;
    int mouseDY = 0;
    m_current.mouseButtons = SDL_GetRelativeMouseState(&mouseDX, &mouseDY);
    m_current.mouseDX = mouseDX;
    m_current.mouseDY = mouseDY;

    int keyCount = 0;
    const Uint8* keys = SDL_GetKeyboardState(&keyCount);
    std::memset(m_current.keys, 0, sizeof(m_current.keys));
    if (keys && keyCount > 0)
        std::memcpy(m_current.keys, keys, keyCount < 256 ? static_cast<size_t>(keyCount) : 256u);
    HoldBackQueuedKeys();

    ReadJoystick();
    ReadGameController();
    AddCountedPresses();

    m_current.repeatTimer -= dt;
    if (!(m_current.repeatTimer > 0.0f))
        m_current.repeatTimer = 0.0f;
}

void RInputHandler::ReadJoystick()
{
    CompleteInputState& state = m_current;
    if (!m_joystick || m_controllerMode) {
        state.joyAxes.setSize(0);
        state.joyButtons.setSize(0);
        state.joyHats.setSize(0);
        state.joyBalls.setSize(0);
        return;
    }
    SizeTo(state.joyAxes, SDL_JoystickNumAxes(m_joystick));
    SizeTo(state.joyButtons, SDL_JoystickNumButtons(m_joystick));
    SizeTo(state.joyHats, SDL_JoystickNumHats(m_joystick));
    SizeTo(state.joyBalls, SDL_JoystickNumBalls(m_joystick));
    for (uint32_t i = 0; i < state.joyAxes.getCount(); ++i)
        state.joyAxes[i] = SDL_JoystickGetAxis(m_joystick, static_cast<int>(i));
    for (uint32_t i = 0; i < state.joyButtons.getCount(); ++i)
        state.joyButtons[i] = SDL_JoystickGetButton(m_joystick, static_cast<int>(i));
    for (uint32_t i = 0; i < state.joyHats.getCount(); ++i)
        state.joyHats[i] = SDL_JoystickGetHat(m_joystick, static_cast<int>(i));
    for (uint32_t i = 0; i < state.joyBalls.getCount(); ++i) {
        int dx = 0;
        int dy = 0;
        SDL_JoystickGetBall(m_joystick, static_cast<int>(i), &dx, &dy);
        state.joyBalls[i].dx = dx;
        state.joyBalls[i].dy = dy;
    }
}

void RInputHandler::ReadGameController()
{
    CompleteInputState& state = m_current;
    if (!m_controllerMode) {
        state.padAxes.setSize(0);
        state.padButtons.setSize(0);
        return;
    }
    // A controller that SDL failed to open reads as all zero.
    state.padAxes.setSize(CompleteInputState::kPadAxisCount);
    state.padButtons.setSize(CompleteInputState::kPadButtonCount);
    for (uint32_t i = 0; i < CompleteInputState::kPadAxisCount; ++i) {
        state.padAxes[i] = m_gameController
            ? SDL_GameControllerGetAxis(m_gameController, static_cast<SDL_GameControllerAxis>(i)) : 0;
    }
    for (uint32_t i = 0; i < CompleteInputState::kPadButtonCount; ++i) {
        state.padButtons[i] = m_gameController
            ? SDL_GameControllerGetButton(m_gameController, static_cast<SDL_GameControllerButton>(i)) : 0;
    }
}

void RInputHandler::HoldBackQueuedKeys()
{
    // SDL's keyboard state takes every event as SDL queues it. Walked from the newest back, each queued key event
    // tells its key's state before it, so the oldest one's answer stands: up before a press, down before a repeat
    // or a release.
    const int queued = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYUP);
    if (queued <= 0)
        return;
    std::vector<SDL_Event> events(static_cast<size_t>(queued));
    const int read = SDL_PeepEvents(events.data(), queued, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYUP);
    for (int i = read - 1; i >= 0; --i) {
        const SDL_KeyboardEvent& key = events[static_cast<size_t>(i)].key;
        const uint32_t scancode = static_cast<uint32_t>(key.keysym.scancode);
        if (scancode < CompleteInputState::kKeyCount)
            m_current.keys[scancode] = IsPress(key) ? 0 : 1;
    }
}

void RInputHandler::AddCountedPresses()
{
    // A counted press reads down in this record whether or not it is still held: a tap reads down for one read
    // and up at the next, and a press still held reads as it would have anyway.
    for (uint32_t i = 0; i < CompleteInputState::kKeyCount; ++i) {
        if (m_pendingPresses.keys[i])
            m_current.keys[i] = 1;
    }
    for (uint32_t i = 0; i < 32; ++i) {
        if (m_pendingPresses.mouseButtons[i])
            m_current.mouseButtons |= 1u << i;
    }
    for (uint32_t i = 0; i < m_current.joyButtons.getCount() && i < sizeof(m_pendingPresses.joyButtons); ++i) {
        if (m_pendingPresses.joyButtons[i])
            m_current.joyButtons[i] = 1;
    }
    for (uint32_t i = 0; i < m_current.padButtons.getCount() && i < CompleteInputState::kPadButtonCount; ++i) {
        if (m_pendingPresses.padButtons[i])
            m_current.padButtons[i] = 1;
    }
    m_presses = m_pendingPresses;
    m_pendingPresses = RPressCounts();
}

bool RInputHandler::isKeyRepeating(uint32_t scancode)
{
    if (scancode >= CompleteInputState::kKeyCount || !m_current.keys[scancode])
        return false;
    if (!m_previous.keys[scancode]) {
        m_current.repeatKey = static_cast<uint8_t>(scancode);
        m_current.repeatTimer = kRepeatDelay;
        return true;
    }
    if (m_current.repeatKey == scancode && m_current.repeatTimer <= 0.0f) {
        m_current.repeatTimer = kRepeatInterval;
        return true;
    }
    return false;
}

int8_t RInputHandler::KeyToChar(uint32_t scancode, bool shift, bool capsLock) const
{
    if (scancode >= CompleteInputState::kKeyCount)
        return 0;
    return m_keyChar[scancode][(shift ? 1 : 0) + (capsLock ? 2 : 0)];
}

void RInputHandler::AddRumbleWave(float strengthA, float riseA, float holdA, float releaseA, float strengthB,
                                  float riseB, float holdB, float releaseB)
{
    m_rumbleWaves.push(MakeRumbleWave(m_rumbleClock, strengthA, riseA, holdA, releaseA, strengthB, riseB, holdB,
                                      releaseB));
}

void RInputHandler::StartNamedRumble(RHashedString name, float strengthA, float riseA, float strengthB, float riseB)
{
    // Held for the named span, with no release of its own: StopNamedRumble gives it one.
    m_namedRumbleWaves.insert(MakeRumbleWave(m_rumbleClock, strengthA, riseA, kNamedRumbleSpan, 0.0f, strengthB,
                                             riseB, kNamedRumbleSpan, 0.0f),
                              name);
}

void RInputHandler::StopNamedRumble(RHashedString name, float holdA, float holdB, float releaseA, float releaseB)
{
    RRumbleWave& wave = m_namedRumbleWaves[name];
    wave.startTime = 0.0f;
    wave.riseEndA = 0.0f;
    wave.riseEndB = 0.0f;
    wave.holdEndA = m_rumbleClock + holdA;
    wave.holdEndB = m_rumbleClock + holdB;
    wave.releaseEndA = wave.holdEndA + releaseA;
    wave.releaseEndB = wave.holdEndB + releaseB;
}

void RInputHandler::ClearRumbleWaves()
{
    m_rumbleWaves.clear();
}

void RInputHandler::UpdateRumble()
{
    if (!m_controllerMode)
        return;
    for (uint32_t i = m_rumbleWaves.getCount(); i-- > 0;) {
        const RRumbleWave& wave = m_rumbleWaves[i];
        if (wave.releaseEndA < m_rumbleClock && wave.releaseEndB < m_rumbleClock)
            m_rumbleWaves.erase(i, 1);
    }
    for (RUtilMap<RRumbleWave, RHashedString>::Iter iter(m_namedRumbleWaves); iter.isValid(); iter.next()) {
        const RRumbleWave& wave = iter.getValue();
        if (wave.releaseEndA < m_rumbleClock && wave.releaseEndB < m_rumbleClock)
            m_namedRumbleWaves.removeAndStepBack(iter);
    }
}
