// Real key and mouse events from the X server. These tests need the server's focus and pointer to themselves,
// so they never run beside other tests.
#include "../../TestDisplay.h"
#include "../XInputTestSupport.h"
#include "platform/input/RInputHandler.h"

#include <string>

namespace {

// One frame as the base game reads it (every queued event handed to the handler, then the read), then the test's
// check.
template <typename Done> bool FramesUntil(RInputHandler* handler, Done done)
{
    return xinputtest::PumpUntil([&] {
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
            handler->HandleEvent(event);
        handler->Update(1.0f / 60.0f);
        return done();
    });
}

// A window of its own on the test run's X server, with the input handler reading it; the server's input turn is
// held for the test's length.
class InputWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the tests run under an X server";
        ASSERT_TRUE(turn.IsHeld());
        ASSERT_TRUE(StartTestVideo()) << SDL_GetError();
        const std::string title = "ROLT input test " + std::to_string(getpid());
        window = SDL_CreateWindow(title.c_str(), 900, 700, 320, 240, SDL_WINDOW_SHOWN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        handler->InitDevices(window, 0, false, 0, false);
        find = "search --sync --name '^" + title + "$'";
    }
    void TearDown() override
    {
        RInputHandler::DestroyInstance();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    // Raises and focuses the window.
    void BringForward() { xinputtest::Xdotool(find + " windowraise windowfocus"); }

    xinputtest::XInputTurn turn;
    SDL_Window* window = nullptr;
    RInputHandler* handler = RInputHandler::GetInstance();
    const CompleteInputState& state = handler->GetCurrentState();
    std::string find; // the xdotool words that find the window
};

// Other tests' windows may share the server: each step raises and focuses the window, tried again when its events
// went elsewhere.
TEST_F(InputWindow, KeysAndMouseFromTheXServerReachTheState)
{
    using xinputtest::Xdotool;
    const int kAttempts = 5;

    bool spaceSeen = false;
    for (int attempt = 0; attempt < kAttempts && !spaceSeen; ++attempt) {
        BringForward();
        Xdotool("keydown space");
        spaceSeen = FramesUntil(handler, [&] { return state.keys[SDL_SCANCODE_SPACE] != 0; });
        Xdotool("keyup space");
    }
    EXPECT_TRUE(spaceSeen);
    EXPECT_TRUE(FramesUntil(handler, [&] { return state.keys[SDL_SCANCODE_SPACE] == 0; }));

    // Motion from (20, 20) to (90, 50) inside the window reads as 70 pixels right and 30 down in all.
    bool motionSeen = false;
    int movedX = 0;
    int movedY = 0;
    for (int attempt = 0; attempt < kAttempts && !motionSeen; ++attempt) {
        BringForward();
        Xdotool(find + " mousemove --window %1 --sync 20 20");
        FramesUntil(handler, [] { return false; }); // let that move arrive, then count afresh
        movedX = 0;
        movedY = 0;
        Xdotool(find + " mousemove --window %1 --sync 90 50");
        motionSeen = FramesUntil(handler, [&] {
            movedX += state.mouseDX;
            movedY += state.mouseDY;
            return movedX == 70 && movedY == 30;
        });
    }
    EXPECT_TRUE(motionSeen) << movedX << ", " << movedY;

    bool clickSeen = false;
    for (int attempt = 0; attempt < kAttempts && !clickSeen; ++attempt) {
        BringForward();
        Xdotool(find + " mousemove --window %1 --sync 60 60 mousedown 1");
        clickSeen = FramesUntil(handler, [&] { return (state.mouseButtons & SDL_BUTTON_LMASK) != 0; });
        Xdotool("mouseup 1");
    }
    EXPECT_TRUE(clickSeen);
    EXPECT_TRUE(FramesUntil(handler, [&] { return (state.mouseButtons & SDL_BUTTON_LMASK) == 0; }));
}

// A reader may leave the rest of SDL's queue to the next frame (the event pump stops at the console's key). SDL's
// keyboard state already holds the keys of those events; the handler's read does not: a key held down whose press
// is still queued reads up, and down once its press was taken.
TEST_F(InputWindow, AKeyWhosePressIsStillQueuedReadsUpUntilItIsTaken)
{
    using xinputtest::Xdotool;
    const auto sdlHolds = [](SDL_Scancode key) {
        SDL_PumpEvents();
        return SDL_GetKeyboardState(nullptr)[key] != 0;
    };

    bool queued = false;
    for (int attempt = 0; attempt < 5 && !queued; ++attempt) {
        BringForward();
        // Whatever came before is taken: only the key's own events stay queued.
        FramesUntil(handler, [] { return false; });
        Xdotool("keydown space");
        queued = xinputtest::PumpUntil([&] { return sdlHolds(SDL_SCANCODE_SPACE); });
        if (!queued)
            Xdotool("keyup space");
    }
    ASSERT_TRUE(queued) << "the key never reached SDL";
    handler->Update(1.0f / 60.0f);
    EXPECT_EQ(state.keys[SDL_SCANCODE_SPACE], 0) << "a key whose press is still queued reads down";
    EXPECT_TRUE(FramesUntil(handler, [&] { return state.keys[SDL_SCANCODE_SPACE] != 0; }));
    Xdotool("keyup space");
    EXPECT_TRUE(FramesUntil(handler, [&] { return state.keys[SDL_SCANCODE_SPACE] == 0; }));
}

} // namespace
