// The input handler opening and closing SDL virtual game controllers and joysticks.
#include "platform/input/RInputHandler.h"

#include <gtest/gtest.h>

#include <SDL.h>

namespace {

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
    static bool IsOpen(SDL_JoystickID id) { return SDL_JoystickFromInstanceID(id) != nullptr; }
    static SDL_JoystickID OpenId(SDL_Joystick* joystick) { return joystick ? SDL_JoystickInstanceID(joystick) : -1; }
    void Frame()
    {
        SDL_PumpEvents();
        handler->Update(1.0f / 60.0f);
    }
    const CompleteInputState& Now() { return handler->GetCurrentState(); }

    RInputHandler* handler = RInputHandler::GetInstance();
};

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
}

// A button of the open controller or joystick pressed and released between two frames reads down at the next frame
// and up at the one after; a press on a device the handler has not open is not latched.
TEST_F(InputDevices, AButtonTappedBetweenTwoFramesIsDownForExactlyOneFrame)
{
    SDL_JoystickID pad = Pad();
    SDL_JoystickID stick = Attach(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 4, 0);
    ASSERT_GE(pad, 0);
    ASSERT_GE(stick, 0);
    handler->InitDevices(nullptr, 0, false, 0, false);
    // The frame as the base game runs it: SDL's events through the handler, then the read.
    auto frame = [&] {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            handler->HandleEvent(event);
        handler->Update(1.0f / 60.0f);
    };
    auto tap = [](SDL_JoystickID id, int button) {
        SDL_Joystick* device = SDL_JoystickFromInstanceID(id);
        SDL_JoystickSetVirtualButton(device, button, 1);
        SDL_JoystickUpdate();
        SDL_JoystickSetVirtualButton(device, button, 0);
        SDL_JoystickUpdate();
    };

    handler->OpenJoystick(0);
    ASSERT_TRUE(handler->IsControllerMode());
    frame();
    tap(pad, SDL_CONTROLLER_BUTTON_B);
    frame();
    ASSERT_EQ(Now().padButtons.getCount(), 15u);
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_B], 1);
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_A], 0);
    frame();
    EXPECT_EQ(Now().padButtons[SDL_CONTROLLER_BUTTON_B], 0);

    handler->OpenJoystick(1);
    ASSERT_FALSE(handler->IsControllerMode());
    SDL_Joystick* other = SDL_JoystickOpen(0); // the controller, open only to the test
    frame();
    tap(stick, 2);
    tap(pad, 3);
    frame();
    ASSERT_EQ(Now().joyButtons.getCount(), 4u);
    EXPECT_EQ(Now().joyButtons[2], 1);
    EXPECT_EQ(Now().joyButtons[3], 0) << "another device's press was latched";
    frame();
    EXPECT_EQ(Now().joyButtons[2], 0);
    SDL_JoystickClose(other);
}

} // namespace
