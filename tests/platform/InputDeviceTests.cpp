// The input handler on real SDL devices: virtual game controllers and plain joysticks attached through SDL.
#include "platform/input/RInputHandler.h"

#include <gtest/gtest.h>

#include <SDL.h>

namespace {

// Every virtual device attached is detached at the end, after the handler is gone.
class InputDevices : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError(); }
    void TearDown() override
    {
        RInputHandler::DestroyInstance();
        for (int i = SDL_NumJoysticks(); i-- > 0;) {
            if (SDL_JoystickIsVirtual(i))
                SDL_JoystickDetachVirtual(i);
        }
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    // Attaches a device and returns its instance id (or -1).
    static SDL_JoystickID Attach(SDL_JoystickType type, int axes, int buttons, int hats)
    {
        int index = SDL_JoystickAttachVirtual(type, axes, buttons, hats);
        return index < 0 ? -1 : SDL_JoystickGetDeviceInstanceID(index);
    }
    static SDL_JoystickID Pad() { return Attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0); }
    static void Detach(SDL_JoystickID id)
    {
        for (int i = SDL_NumJoysticks(); i-- > 0;) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id)
                SDL_JoystickDetachVirtual(i);
        }
    }
    // Whether SDL still holds the device open (by anyone).
    static bool IsOpen(SDL_JoystickID id) { return SDL_JoystickFromInstanceID(id) != nullptr; }
    static SDL_JoystickID OpenId(SDL_Joystick* joystick) { return joystick ? SDL_JoystickInstanceID(joystick) : -1; }
    // The frame as the base game runs it: events first, then the handler's read.
    void Frame()
    {
        SDL_PumpEvents();
        handler->Update(1.0f / 60.0f);
    }
    const CompleteInputState& Now() { return handler->GetCurrentState(); }

    RInputHandler* handler = RInputHandler::GetInstance();
};

TEST_F(InputDevices, AGameControllerReadsItsAxesAndButtonsOnly)
{
    SDL_JoystickID pad = Pad();
    ASSERT_GE(pad, 0) << SDL_GetError();
    EXPECT_TRUE(handler->InitDevices(nullptr, 0, false, 0, true));
    ASSERT_EQ(handler->GetJoysticks().getCount(), 1u);
    EXPECT_EQ(handler->GetSelectedJoystick(), 0);
    EXPECT_TRUE(handler->IsControllerMode());
    EXPECT_STREQ(handler->GetOpenJoystickName().GetString(), "Virtual Controller");

    SDL_Joystick* device = SDL_JoystickFromInstanceID(pad);
    SDL_JoystickSetVirtualAxis(device, SDL_CONTROLLER_AXIS_LEFTX, -20000);
    SDL_JoystickSetVirtualAxis(device, SDL_CONTROLLER_AXIS_RIGHTY, 32767);
    SDL_JoystickSetVirtualButton(device, SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickSetVirtualButton(device, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1);
    Frame();
    ASSERT_EQ(Now().padAxes.getCount(), 6u);
    ASSERT_EQ(Now().padButtons.getCount(), 15u);
    EXPECT_EQ(Now().padAxes[SDL_CONTROLLER_AXIS_LEFTX], -20000);
    EXPECT_EQ(Now().padAxes[SDL_CONTROLLER_AXIS_RIGHTY], 32767);
    EXPECT_EQ(Now().padAxes[SDL_CONTROLLER_AXIS_TRIGGERLEFT], 0) << "a trigger at rest";
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_A], 1);
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_B], 0);
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_DPAD_RIGHT], 1);
    EXPECT_EQ(Now().joyAxes.getCount() + Now().joyButtons.getCount() + Now().joyHats.getCount(), 0u);
    SDL_JoystickSetVirtualButton(device, SDL_CONTROLLER_BUTTON_A, 0);
    Frame();
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_A], 0);
    EXPECT_EQ(handler->GetPreviousState().padButtons[SDL_CONTROLLER_BUTTON_A], 1);

    // Only in controller mode do expired rumble envelopes go.
    handler->AddRumbleWave(1.0f, -2.0f, 0.0f, 0.0f, 1.0f, -2.0f, 0.0f, 0.0f);
    handler->AddRumbleWave(1.0f, 1.0f, 0.0f, 0.0f, 1.0f, -2.0f, 0.0f, 0.0f);
    handler->StopNamedRumble(RHashedString("Done"), -1.0f, -1.0f, 0.0f, 0.0f);
    handler->StopNamedRumble(RHashedString("Holding"), 5.0f, -1.0f, 0.0f, 0.0f);
    handler->UpdateRumble();
    EXPECT_EQ(handler->GetRumbleWaves().getCount(), 1u);
    EXPECT_EQ(handler->GetNamedRumbleWaves().getCount(), 1);
    EXPECT_TRUE(handler->GetNamedRumbleWaves().exists(RHashedString("Holding")));
}

TEST_F(InputDevices, APlainJoystickIsOpenedByNameAndReadsAxesButtonsAndHats)
{
    SDL_JoystickID stick = Attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 3, 4, 1);
    ASSERT_GE(stick, 0) << SDL_GetError();
    handler->InitDevices(nullptr, 0, false, 0, false);
    ASSERT_EQ(handler->GetJoysticks().getCount(), 1u);
    EXPECT_FALSE(handler->GetJoysticks()[0].isGameController);
    EXPECT_EQ(handler->GetSelectedJoystick(), -1) << "opening the first device was not asked for";
    for (const char* name : {"", "No Such Stick"}) {
        handler->OpenJoystickByName(name);
        EXPECT_EQ(handler->GetSelectedJoystick(), -1) << name;
    }
    handler->OpenJoystickByName("VIRTUAL flight STICK");
    EXPECT_EQ(handler->GetSelectedJoystick(), 0);
    EXPECT_FALSE(handler->IsControllerMode());

    SDL_Joystick* device = SDL_JoystickFromInstanceID(stick);
    SDL_JoystickSetVirtualAxis(device, 0, -32768);
    SDL_JoystickSetVirtualAxis(device, 2, 12345);
    SDL_JoystickSetVirtualButton(device, 3, 1);
    SDL_JoystickSetVirtualHat(device, 0, SDL_HAT_LEFTDOWN);
    Frame();
    ASSERT_EQ(Now().joyAxes.getCount(), 3u);
    ASSERT_EQ(Now().joyButtons.getCount(), 4u);
    ASSERT_EQ(Now().joyHats.getCount(), 1u);
    EXPECT_EQ(Now().joyAxes[0], -32768);
    EXPECT_EQ(Now().joyAxes[1], 0);
    EXPECT_EQ(Now().joyAxes[2], 12345);
    EXPECT_EQ(Now().joyButtons[0], 0);
    EXPECT_EQ(Now().joyButtons[3], 1);
    EXPECT_EQ(Now().joyHats[0], SDL_HAT_LEFTDOWN);
    EXPECT_EQ(Now().padAxes.getCount() + Now().padButtons.getCount(), 0u);

    handler->CloseJoystick();
    Frame();
    EXPECT_EQ(Now().joyAxes.getCount(), 0u);
    EXPECT_EQ(handler->GetPreviousState().joyAxes.getCount(), 3u);
    EXPECT_FALSE(IsOpen(stick));
}

// Opening one device closes the other, of either kind, and reopening never stacks opens (device handles leak).
TEST_F(InputDevices, OpeningADeviceClosesTheOneOpenBefore)
{
    SDL_JoystickID pad = Pad();
    SDL_JoystickID stick = Attach(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 2, 0);
    ASSERT_GE(pad, 0);
    ASSERT_GE(stick, 0);
    handler->InitDevices(nullptr, 0, false, 0, true);
    ASSERT_NE(handler->GetOpenGameController(), nullptr);

    handler->OpenJoystick(1);
    EXPECT_EQ(handler->GetOpenGameController(), nullptr);
    EXPECT_EQ(OpenId(handler->GetOpenJoystick()), stick);
    EXPECT_FALSE(IsOpen(pad)) << "the controller's handle was left open";
    handler->OpenJoystick(0);
    handler->OpenJoystick(0);
    EXPECT_EQ(handler->GetOpenJoystick(), nullptr);
    EXPECT_FALSE(IsOpen(stick)) << "the joystick's handle was left open";
    handler->CloseJoystick();
    EXPECT_FALSE(IsOpen(pad)) << "opening the same device twice must not stack opens";

    // Indexes outside the list close what is open and open nothing.
    for (int outside : {-1, 2}) {
        handler->OpenJoystick(1);
        handler->OpenJoystick(outside);
        EXPECT_EQ(handler->GetSelectedJoystick(), -1) << outside;
        EXPECT_FALSE(handler->IsControllerMode());
        EXPECT_FALSE(IsOpen(stick)) << outside;
    }

    // A new enumeration and the handler's end close what is open.
    handler->OpenJoystick(0);
    handler->InitDevices(nullptr, 0, false, 0, false);
    EXPECT_FALSE(IsOpen(pad));
    handler->OpenJoystick(1);
    RInputHandler::DestroyInstance();
    EXPECT_FALSE(IsOpen(stick));
    handler = RInputHandler::GetInstance();
}

// After devices come and go, a list entry still opens its own device, not whichever device now has the SDL index
// equal to its list position; a vanished device opens nothing.
TEST_F(InputDevices, AListEntryOpensItsOwnDeviceWhateverTheIndexes)
{
    SDL_JoystickID first = Pad();
    SDL_JoystickID second = Attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 3, 0);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    handler->InitDevices(nullptr, 0, false, 0, false);
    ASSERT_EQ(handler->GetJoysticks().getCount(), 2u);
    Detach(first);
    SDL_JoystickID third = Attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 5, 1, 0);
    ASSERT_GE(third, 0);
    // SDL's indexes now: 0 the second device, 1 the third.
    handler->OpenJoystick(1);
    EXPECT_EQ(OpenId(handler->GetOpenJoystick()), second);
    Frame();
    EXPECT_EQ(Now().joyAxes.getCount(), 2u);
    EXPECT_FALSE(IsOpen(third));

    handler->OpenJoystick(0);
    EXPECT_EQ(handler->GetOpenGameController(), nullptr);
    EXPECT_EQ(handler->GetOpenJoystick(), nullptr);
    EXPECT_TRUE(handler->IsControllerMode());
    EXPECT_FALSE(IsOpen(second) || IsOpen(third));
    Frame();
    ASSERT_EQ(Now().padAxes.getCount(), 6u) << "a vanished controller reads as all zero";
    EXPECT_EQ(Now().padAxes[0], 0);
    EXPECT_EQ(Now().joyAxes.getCount(), 0u);

    // With no devices nothing opens.
    Detach(second);
    Detach(third);
    handler->InitDevices(nullptr, 0, false, 0, true);
    EXPECT_EQ(handler->GetJoysticks().getCount(), 0u);
    handler->OpenJoystickByName("Virtual Controller");
    handler->OpenJoystick(0);
    EXPECT_EQ(handler->GetSelectedJoystick(), -1);
    Frame();
    EXPECT_EQ(Now().padAxes.getCount(), 0u);
}

} // namespace
