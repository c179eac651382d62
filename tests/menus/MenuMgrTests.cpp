// The menu manager as far as the HUD materials read it: its place as the current menu and backdrop state, the
// overlay colour and slide offset through a transition (held to a byte and to 0..1 for fades out of range), and
// menu materials answering from the manager.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "menus/RMenuMgr.h"
#include "render/hud/RHUDMaterials.h"
#include "tests/render/HUDTestSupport.h"

using namespace hudtest;

namespace {

class MenuMgrTest : public ::testing::Test {
protected:
    void SetUp() override { manager = RMenuMgr::GetInstance(); }
    void TearDown() override { RMenuMgr::DestroyInstance(); }

    RMenuMgr* manager = nullptr;
};

}  // namespace

TEST_F(MenuMgrTest, TheManagerIsTheCurrentMenuStateWhileItExistsAndStartsAtRest)
{
    EXPECT_EQ(RHUDMenuState::GetCurrent(), manager);
    EXPECT_EQ(RMenuBackdropState::GetCurrent(), manager);
    EXPECT_EQ(manager->GetTopMenu(), nullptr);
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
    EXPECT_EQ(manager->GetSlideOffset(), 0.0f);
    EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);
    float offsets[3] = {0.3f, -0.2f, 0.35f};
    manager->GetXOffset(&offsets[0]);
    manager->GetYOffset(&offsets[1]);
    manager->GetTitleYOffset(&offsets[2]);
    EXPECT_EQ(std::vector<float>(offsets, offsets + 3), (std::vector<float>{0.3f, -0.2f, 0.35f}));
    RMenuMgr::DestroyInstance();
    EXPECT_EQ(RHUDMenuState::GetCurrent(), nullptr);
    EXPECT_EQ(RMenuBackdropState::GetCurrent(), nullptr);
    RMenuMgr::DestroyInstance();  // twice does nothing
    manager = RMenuMgr::GetInstance();
    EXPECT_EQ(RHUDMenuState::GetCurrent(), manager);
}

// The overlay alpha follows the fade as a byte, the slide goes by the direction; fades out of range keep the
// alpha a byte and the slide within one.
TEST_F(MenuMgrTest, ATransitionFadesTheOverlayAndSlidesByItsDirection)
{
    struct Case {
        float fade;
        RMenuMgr::TransitionDirection direction;
        uint32_t overlay;
        float slide;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const auto forward = RMenuMgr::TRANSITION_FORWARD;
    for (Case c : {Case{0.5f, forward, 0x7FFFFFFFu, 0.0625f}, Case{0.5f, RMenuMgr::TRANSITION_BACK, 0x7FFFFFFFu, -0.0625f},
                   Case{0.0f, forward, 0x00FFFFFFu, 1.0f}, Case{1.0f, RMenuMgr::TRANSITION_BACK, 0xFFFFFFFFu, 0.0f},
                   Case{1.5f, forward, 0xFFFFFFFFu, 0.0f}, Case{1e30f, forward, 0xFFFFFFFFu, 0.0f},
                   Case{infinity, forward, 0xFFFFFFFFu, 0.0f}, Case{-3.0f, forward, 0x00FFFFFFu, 1.0f},
                   Case{-infinity, forward, 0x00FFFFFFu, 1.0f}, Case{nan, forward, 0x00FFFFFFu, 1.0f}}) {
        SCOPED_TRACE(c.fade);
        manager->SetFade(c.fade, c.direction);
        EXPECT_TRUE(manager->IsFading());
        EXPECT_EQ(manager->GetOverlayColour(), c.overlay);
        EXPECT_FLOAT_EQ(manager->GetSlideOffset(), c.slide);
        EXPECT_TRUE(manager->GetFade() >= 0.0f && manager->GetFade() <= 1.0f);
        EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);  // no menu stacked: the backdrop stays transparent
    }
    manager->SetFade(0.25f, RMenuMgr::TRANSITION_BACK);
    manager->EndFade();
    EXPECT_FALSE(manager->IsFading());
    EXPECT_EQ(manager->GetFade(), 1.0f);
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
    EXPECT_EQ(manager->GetSlideOffset(), 0.0f);
}

TEST_F(MenuMgrTest, MenuMaterialsReadTheManager)
{
    ScreenSize screen(1024, 768);
    RMenuQuadMaterial quad;
    RDefaultMenuFontMaterial font;
    manager->SetFade(0.5f, RMenuMgr::TRANSITION_BACK);
    RVector4 overlay = AnsweredVector(quad, "OpacityColor");
    EXPECT_EQ(overlay.x, 1.0f);
    EXPECT_NEAR(overlay.w, 127.0f / 255.0f, 1e-6f);
    EXPECT_FLOAT_EQ(AnsweredFloat(font, "xOffset"), -0.0625f);
    EXPECT_EQ(AnsweredFloat(font, "yOffset"), 0.0f);
    // Once the manager is gone the materials take an opaque overlay and no slide.
    RMenuMgr::DestroyInstance();
    EXPECT_EQ(AnsweredVector(quad, "OpacityColor").w, 1.0f);
    EXPECT_EQ(AnsweredFloat(font, "xOffset"), 0.0f);
}

// ---- The stack, its queue and its fades, frame by frame ----

#include "core/config/RConfigFile.h"
#include "menus/RDefaultMenus.h"
#include "menus/RGameMenu.h"
#include "menus/RMenuEntries.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "render/passes/RMenuBackdrop.h"

namespace {

// What happened to the probe menus, kept outside them so it can be read after they are deleted.
struct MenuLog {
    int activations = 0;
    int pops = 0;
    int deletions = 0;
};

class ProbeMenu : public RGameMenu {
public:
    explicit ProbeMenu(MenuLog* log, float xAdjust = 0.0f) : RGameMenu("ProbeMenu"), m_log(log), m_xAdjust(xAdjust) {}
    ~ProbeMenu() override { ++m_log->deletions; }
    void OnActivate() override
    {
        ++m_log->activations;
        if (pushOnActivate) {
            RMenuMgr::GetInstance()->RequestPush(pushOnActivate);
            pushOnActivate = nullptr;
        }
    }
    void OnPopped() override
    {
        ++m_log->pops;
        if (pushOnPopped) {
            RMenuMgr::GetInstance()->RequestPush(pushOnPopped);
            pushOnPopped = nullptr;
        }
    }
    void GetXOffset(float* offset) override { *offset += m_xAdjust; }
    void GetTitleYOffset(float* offset) override { *offset += m_xAdjust * 2.0f; }
    bool AllowsBackgroundFade() const override { return fadesBackground; }

    bool fadesBackground = false;
    RGameMenu* pushOnActivate = nullptr;
    RGameMenu* pushOnPopped = nullptr;

private:
    MenuLog* m_log;
    float m_xAdjust;
};

}  // namespace

TEST_F(MenuMgrTest, RequestsWaitForTheNextFrameAndApplyInOrder)
{
    MenuLog a, b;
    ProbeMenu* first = new ProbeMenu(&a);
    ProbeMenu* second = new ProbeMenu(&b);
    manager->RequestPush(first);
    manager->RequestPush(second);
    EXPECT_EQ(manager->GetMenuCount(), 0u);
    EXPECT_TRUE(manager->HasPendingRequests());

    manager->ProcessQueue();
    EXPECT_FALSE(manager->HasPendingRequests());
    ASSERT_EQ(manager->GetMenuCount(), 2u);
    EXPECT_EQ(manager->GetTopMenu(), second);
    EXPECT_EQ(a.activations, 0);  // covered before it was ever the top
    EXPECT_EQ(b.activations, 1);
    // A push slides the new top in from the right, transparent at first.
    EXPECT_EQ(manager->GetOverlayColour(), 0x00FFFFFFu);
    EXPECT_FLOAT_EQ(manager->GetSlideOffset(), 1.0f);

    manager->RequestPop();
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetTopMenu(), first);
    EXPECT_EQ(b.pops, 1);
    EXPECT_EQ(b.deletions, 1);
    EXPECT_EQ(a.activations, 1);
    EXPECT_FLOAT_EQ(manager->GetSlideOffset(), -1.0f);  // uncovered: from the left

    // The menu on screen when the last one goes fades out before it is deleted; one never shown goes at once.
    manager->EndFade();
    manager->RequestPush(new ProbeMenu(&b));
    manager->RequestPopAll();
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetMenuCount(), 0u);
    EXPECT_EQ(b.deletions, 2);
    EXPECT_EQ(a.pops, 1);
    EXPECT_EQ(a.deletions, 0);
    EXPECT_EQ(manager->GetLeavingMenu(), first);
    EXPECT_TRUE(manager->IsFading());
    manager->Update(RMenuMgr::kFadeSeconds * 0.75f);
    EXPECT_FLOAT_EQ(manager->GetSlideOffset(), -0.31640625f);  // (1 - 0.25)^4 to the left
    manager->Update(RMenuMgr::kFadeSeconds * 0.5f);
    EXPECT_EQ(a.deletions, 1);
    EXPECT_EQ(manager->GetLeavingMenu(), nullptr);
    EXPECT_FALSE(manager->IsFading());
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
}

TEST_F(MenuMgrTest, AFadeAdvancesWithEachFrameUntilTheMenuRests)
{
    MenuLog log;
    ProbeMenu* menu = new ProbeMenu(&log);
    menu->fadesBackground = true;
    manager->RequestPush(menu);
    manager->ProcessQueue();
    manager->Update(0.0f);  // no time: no progress
    EXPECT_EQ(manager->GetFade(), 0.0f);
    EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);

    manager->Update(RMenuMgr::kFadeSeconds * 0.5f);
    EXPECT_FLOAT_EQ(manager->GetFade(), 0.5f);
    EXPECT_EQ(manager->GetOverlayColour(), 0x7FFFFFFFu);
    EXPECT_FLOAT_EQ(manager->GetSlideOffset(), 0.0625f);
    EXPECT_FLOAT_EQ(manager->GetBackdropOpacity(), 0.5f);  // the only menu takes the backdrop with it
    menu->fadesBackground = false;
    EXPECT_EQ(manager->GetBackdropOpacity(), 1.0f);

    manager->Update(-1.0f);  // a step backwards in time changes nothing
    EXPECT_FLOAT_EQ(manager->GetFade(), 0.5f);
    manager->Update(RMenuMgr::kFadeSeconds);
    EXPECT_FALSE(manager->IsFading());
    EXPECT_EQ(manager->GetSlideOffset(), 0.0f);
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
    EXPECT_TRUE(manager->GetBackdrop()->IsVisible());
    EXPECT_TRUE(menu->IsShown());

    // Fading out as the last menu, the backdrop goes with it.
    menu->fadesBackground = true;
    manager->RequestPopAll();
    manager->ProcessQueue();
    manager->Update(RMenuMgr::kFadeSeconds * 0.25f);
    EXPECT_FLOAT_EQ(manager->GetBackdropOpacity(), 0.75f);
    EXPECT_TRUE(manager->GetBackdrop()->IsVisible());
    manager->Update(RMenuMgr::kFadeSeconds);
    EXPECT_FALSE(manager->GetBackdrop()->IsVisible());
    EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);
    EXPECT_EQ(log.deletions, 1);
}

// The top menu alone adjusts the offsets the menu materials and the title picture take.
TEST_F(MenuMgrTest, OffsetsGoThroughTheTopMenuOnly)
{
    ScreenSize screen(1024, 768);
    MenuLog log;
    manager->RequestPush(new ProbeMenu(&log, 0.25f));
    manager->RequestPush(new ProbeMenu(&log, -0.5f));
    manager->ProcessQueue();
    manager->EndFade();
    float x = 0.1f;
    float title = 0.35f;
    manager->GetXOffset(&x);
    manager->GetTitleYOffset(&title);
    EXPECT_FLOAT_EQ(x, -0.4f);
    EXPECT_FLOAT_EQ(title, -0.65f);
    RDefaultMenuFontMaterial font;
    EXPECT_FLOAT_EQ(AnsweredFloat(font, "xOffset"), -0.5f);
    manager->RequestPop();
    manager->ProcessQueue();
    manager->EndFade();
    EXPECT_FLOAT_EQ(AnsweredFloat(font, "xOffset"), 0.25f);
}

// Pops of an empty stack, null pushes, a menu pushed twice, a menu popped in the middle of its fade and requests
// made while requests are applied: none reaches a freed or missing menu.
TEST_F(MenuMgrTest, FaultyRequestsLeaveTheStackSound)
{
    manager->RequestPop();
    manager->RequestPopAll();
    manager->RequestPush(nullptr);
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetMenuCount(), 0u);

    MenuLog log;
    ProbeMenu* menu = new ProbeMenu(&log);
    manager->RequestPush(menu);
    manager->RequestPush(menu);
    manager->ProcessQueue();
    manager->RequestPush(menu);
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetMenuCount(), 1u);

    // Popped halfway through its fade in: it fades out from there, and a push meanwhile deletes it at once.
    manager->Update(RMenuMgr::kFadeSeconds * 0.5f);
    manager->RequestPop();
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetLeavingMenu(), menu);
    EXPECT_FLOAT_EQ(manager->GetFade(), 0.5f);
    manager->Update(RMenuMgr::kFadeSeconds * 0.25f);
    EXPECT_FLOAT_EQ(manager->GetFade(), 0.25f);
    MenuLog next;
    manager->RequestPush(new ProbeMenu(&next));
    manager->ProcessQueue();
    EXPECT_EQ(log.deletions, 1);
    EXPECT_EQ(manager->GetLeavingMenu(), nullptr);
    manager->Update(RMenuMgr::kFadeSeconds);
    manager->RequestPop();
    manager->ProcessQueue();
    manager->Update(RMenuMgr::kFadeSeconds * 2.0f);
    EXPECT_EQ(next.deletions, 1);
    float x = 0.0f;
    manager->GetXOffset(&x);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);

    // A menu that asks for another as it becomes the top gets it at the next frame, not in the middle of this one.
    MenuLog second;
    ProbeMenu* opener = new ProbeMenu(&log);
    opener->pushOnActivate = new ProbeMenu(&second);
    manager->RequestPush(opener);
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetMenuCount(), 1u);
    manager->ProcessQueue();
    EXPECT_EQ(manager->GetMenuCount(), 2u);
    EXPECT_EQ(second.activations, 1);
    // So does one that asks for another as it is popped: after the pop's frame the push waits and no menu is
    // up; the next frame shows it.
    manager->RequestPopAll();
    manager->ProcessQueue();
    manager->Update(RMenuMgr::kFadeSeconds * 2.0f);
    MenuLog popped, third;
    ProbeMenu* leaver = new ProbeMenu(&popped);
    leaver->pushOnPopped = new ProbeMenu(&third);
    manager->RequestPush(leaver);
    manager->ProcessQueue();
    manager->Update(RMenuMgr::kFadeSeconds * 2.0f);
    manager->RequestPop();
    manager->ProcessQueue();
    manager->Update(1.0f / 60.0f);
    EXPECT_EQ(popped.pops, 1);
    EXPECT_TRUE(manager->HasPendingRequests());
    EXPECT_EQ(manager->GetMenuCount(), 0u);
    EXPECT_EQ(third.activations, 0);
    manager->ProcessQueue();
    manager->Update(1.0f / 60.0f);
    EXPECT_FALSE(manager->HasPendingRequests());
    ASSERT_EQ(manager->GetMenuCount(), 1u);
    EXPECT_EQ(third.activations, 1);
    EXPECT_TRUE(manager->GetTopMenu()->IsShown());
    EXPECT_EQ(popped.deletions, 1);
    // Menus still queued when the manager goes are deleted with it.
    manager->RequestPush(new ProbeMenu(&second));
    RMenuMgr::DestroyInstance();
    EXPECT_EQ(second.deletions, 2);
}

// ---- Entries ----

TEST_F(MenuMgrTest, SelectionStaysOnSelectableEntriesWhateverTheIndex)
{
    MenuLog log;
    ProbeMenu menu(&log);
    EXPECT_EQ(menu.GetSelection(), -1);
    menu.SetSelection(3);  // no entries at all
    EXPECT_EQ(menu.GetSelection(), -1);
    menu.OnNavigate(1, 1);
    menu.OnAccept();
    menu.OnClick(500.0f, 300.0f);

    int accepted = -1;
    menu.AddLabel(RString("Heading"));
    menu.AddEntry(new RMenuButton(RString("One"), [&] { accepted = 1; }));
    menu.AddLabel(RString("Between"));
    menu.AddEntry(new RMenuButton(RString("Two"), [&] { accepted = 2; }));
    menu.AddLabel(RString("Footer"));
    EXPECT_EQ(menu.GetSelection(), 1);  // the first selectable entry
    for (int32_t index : {100, 4, 2147483647}) {
        menu.SetSelection(index);
        EXPECT_EQ(menu.GetSelection(), 3) << index;  // past the end: the last selectable entry
    }
    menu.SetSelection(-7);
    EXPECT_EQ(menu.GetSelection(), 1);
    menu.SetSelection(2);
    EXPECT_EQ(menu.GetSelection(), 3);  // the next selectable one
    // Down from the last wraps to the first; up from the first to the last.
    menu.OnNavigate(0, 1);
    EXPECT_EQ(menu.GetSelection(), 1);
    menu.OnNavigate(0, -1);
    EXPECT_EQ(menu.GetSelection(), 3);
    menu.OnAccept();
    EXPECT_EQ(accepted, 2);
}

TEST_F(MenuMgrTest, SpinnersStepThroughTheirValuesAndReportChanges)
{
    std::vector<float> changes;
    RMenuSpinner empty(RString("Nothing"), [&](float value) { changes.push_back(value); });
    EXPECT_FALSE(empty.HasValues());
    EXPECT_FALSE(empty.OnStep(1));
    empty.OnAccept();
    empty.SetValue(5.0f);
    EXPECT_TRUE(empty.GetValueText().IsEmpty());
    empty.Draw(nullptr, true);
    EXPECT_TRUE(changes.empty());

    // A range: steps land on the grid however many are taken, and stop at the ends without a change.
    RMenuSpinner volume(RString("Volume"), [&](float value) { changes.push_back(value); });
    volume.SetRange(0.0f, 1.0f, 0.1f, 1);
    volume.SetValue(0.3f);
    for (int i = 0; i < 12; ++i)
        volume.OnStep(1);
    EXPECT_EQ(volume.GetValue(), 1.0f);
    EXPECT_EQ(changes.size(), 7u);
    EXPECT_STREQ(volume.GetValueText().GetString(), "1.0");
    volume.SetValue(-3.0f);
    EXPECT_EQ(volume.GetValue(), 0.0f);
    volume.SetValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(volume.GetValue(), 0.0f);
    volume.SetRange(1.0f, 0.0f, 0.1f, 1);  // upside down: no values
    EXPECT_FALSE(volume.HasValues());

    // Choices wrap both ways; a value that is none of them shows as its number and steps on from the nearest.
    changes.clear();
    RMenuSpinner turn(RString("Turn"), [&](float value) { changes.push_back(value); });
    for (int i = 0; i < 4; ++i)
        turn.AddChoice(RString("t"), static_cast<float>(i));
    turn.SetValue(2.9f);
    EXPECT_EQ(turn.GetChoiceIndex(), 3);
    EXPECT_STREQ(turn.GetValueText().GetString(), "2.9");
    turn.OnStep(1);
    turn.OnStep(-1);
    turn.OnStep(-1);
    EXPECT_EQ(changes, (std::vector<float>{0.0f, 3.0f, 2.0f}));
}

TEST_F(MenuMgrTest, AConfigSpinnerSetsItsVariableWhichAppliesItself)
{
    static float volume = 0.0f;
    static int applied = 0;
    RConfigFile& config = RConfigFile::GetInstance();
    config.RegisterFloat(RHashedString("MenuTest"), RHashedString("Volume"), &volume, [] { ++applied; }, 0.3f);
    static bool flag = false;
    config.RegisterBool(RHashedString("MenuTest"), RHashedString("Flag"), &flag, true, nullptr);

    MenuLog log;
    ProbeMenu menu(&log);
    RMenuSpinner* spinner = menu.AddConfigSpinner("Volume", "MenuTest", "Volume");
    spinner->SetRange(0.0f, 1.0f, 0.1f, 1);
    spinner->SetValue(config.GetFloat(RHashedString("MenuTest"), RHashedString("Volume")));
    const int before = applied;
    menu.OnNavigate(1, 0);
    EXPECT_FLOAT_EQ(volume, 0.4f);
    EXPECT_EQ(applied, before + 1);

    int then = 0;
    RMenuSpinner* toggle = menu.AddConfigSpinner("Flag", "MenuTest", "Flag", [&] { ++then; });
    EXPECT_EQ(toggle->GetChoiceCount(), 2u);
    EXPECT_EQ(toggle->GetValue(), 1.0f);
    toggle->OnAccept();
    EXPECT_FALSE(flag);
    EXPECT_EQ(then, 1);
}

// The binding menu reads the keyboard itself: Escape newly down closes it and keeps the action's bindings,
// Backspace newly down clears them and closes it; a key held since before it came up does neither.
TEST_F(MenuMgrTest, TheBindingMenuClosesOnEscapeAndClearsOnBackspace)
{
    RControlConfig* controls = RControlConfig::GetInstance();
    const RHashedString group("MenuTestControls"), action("Jump");
    ASSERT_NE(controls->AddGroup(group, false, true, false, false), nullptr);
    ASSERT_NE(controls->AddControl(group, action, false), nullptr);
    RInputHandler* input = RInputHandler::GetInstance();
    auto bindings = [&] { return controls->FindInputList(group, action)->getCount(); };
    struct Key {
        uint32_t scancode;
        uint32_t bindingsAfter;
    };
    for (const Key& key : {Key{SDL_SCANCODE_ESCAPE, 2u}, Key{SDL_SCANCODE_BACKSPACE, 0u}}) {
        SCOPED_TRACE(key.scancode);
        controls->ClearControlInputs(group, action);
        controls->AddDefinedInput(group, action, RDefinedInput::Button(RDefinedInput::kKeyboard, SDL_SCANCODE_K));
        controls->AddDefinedInput(group, action, RDefinedInput::Button(RDefinedInput::kMouseButton, 1));
        RBindingMenu* menu = new RBindingMenu(group, action);
        manager->RequestPush(menu);
        manager->ProcessQueue();

        input->GetPreviousState().keys[key.scancode] = 1;
        input->GetCurrentState().keys[key.scancode] = 1;
        menu->UpdateRawInput();
        EXPECT_FALSE(manager->HasPendingRequests());
        EXPECT_EQ(bindings(), 2u);

        input->GetPreviousState().keys[key.scancode] = 0;
        menu->UpdateRawInput();
        EXPECT_EQ(bindings(), key.bindingsAfter);
        EXPECT_TRUE(manager->HasPendingRequests()) << "the menu closes";
        input->GetCurrentState().keys[key.scancode] = 0;
        manager->ProcessQueue();
        EXPECT_EQ(manager->GetMenuCount(), 0u);
    }
    RInputHandler::DestroyInstance();
    RControlConfig::DestroyInstance();
}
