// The menu manager as far as the HUD materials read it: the singleton and its place as the current menu and
// backdrop state, the overlay colour and slide offset through a transition (held to a byte and to 0..1 for
// fades out of range), the offsets and backdrop opacity with no menu stacked, and menu materials answering
// from the manager.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "menus/RMenuMgr.h"
#include "render/RHUDMaterials.h"
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

TEST_F(MenuMgrTest, TheManagerIsTheCurrentMenuStateWhileItExists)
{
    EXPECT_EQ(RMenuMgr::GetInstance(), manager);
    EXPECT_EQ(RHUDMenuState::GetCurrent(), manager);
    EXPECT_EQ(RMenuBackdropState::GetCurrent(), manager);
    RMenuMgr::DestroyInstance();
    EXPECT_FALSE(RMenuMgr::HasInstance());
    EXPECT_EQ(RHUDMenuState::GetCurrent(), nullptr);
    EXPECT_EQ(RMenuBackdropState::GetCurrent(), nullptr);
    // Destroying twice does nothing; a new manager starts at rest.
    RMenuMgr::DestroyInstance();
    manager = RMenuMgr::GetInstance();
    EXPECT_EQ(RHUDMenuState::GetCurrent(), manager);
    EXPECT_FALSE(manager->IsFading());
}

TEST_F(MenuMgrTest, AtRestWithNoMenuStacked)
{
    EXPECT_EQ(manager->GetMenuCount(), 0u);
    EXPECT_EQ(manager->GetTopMenu(), nullptr);
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
    EXPECT_EQ(manager->GetSlideOffset(), 0.0f);
    EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);
    float x = 0.3f;
    float y = -0.2f;
    float title = 0.35f;
    manager->GetXOffset(&x);
    manager->GetYOffset(&y);
    manager->GetTitleYOffset(&title);
    EXPECT_EQ(x, 0.3f);
    EXPECT_EQ(y, -0.2f);
    EXPECT_EQ(title, 0.35f);
}

TEST_F(MenuMgrTest, ATransitionFadesTheOverlayAndSlidesByItsDirection)
{
    manager->SetFade(0.5f, RMenuMgr::TRANSITION_FORWARD);
    EXPECT_TRUE(manager->IsFading());
    EXPECT_EQ(manager->GetOverlayColour(), 0x7FFFFFFFu);
    EXPECT_FLOAT_EQ(manager->GetSlideOffset(), 0.0625f);
    manager->SetFade(0.5f, RMenuMgr::TRANSITION_BACK);
    EXPECT_FLOAT_EQ(manager->GetSlideOffset(), -0.0625f);

    manager->SetFade(0.0f, RMenuMgr::TRANSITION_FORWARD);
    EXPECT_EQ(manager->GetOverlayColour(), 0x00FFFFFFu);
    EXPECT_EQ(manager->GetSlideOffset(), 1.0f);
    manager->SetFade(1.0f, RMenuMgr::TRANSITION_BACK);
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
    EXPECT_EQ(manager->GetSlideOffset(), 0.0f);

    manager->SetFade(0.25f, RMenuMgr::TRANSITION_BACK);
    manager->EndFade();
    EXPECT_FALSE(manager->IsFading());
    EXPECT_EQ(manager->GetFade(), 1.0f);
    EXPECT_EQ(manager->GetOverlayColour(), 0xFFFFFFFFu);
    EXPECT_EQ(manager->GetSlideOffset(), 0.0f);
    // With no menu stacked the backdrop stays transparent through a transition.
    manager->SetFade(0.5f, RMenuMgr::TRANSITION_FORWARD);
    EXPECT_EQ(manager->GetBackdropOpacity(), 0.0f);
}

TEST_F(MenuMgrTest, FadesOutOfRangeKeepTheAlphaAByteAndTheSlideWithinOne)
{
    struct Case {
        float fade;
        uint32_t overlay;
        float slide;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    for (Case c : {Case{1.5f, 0xFFFFFFFFu, 0.0f}, Case{1e30f, 0xFFFFFFFFu, 0.0f}, Case{infinity, 0xFFFFFFFFu, 0.0f},
                   Case{-3.0f, 0x00FFFFFFu, 1.0f}, Case{-infinity, 0x00FFFFFFu, 1.0f}, Case{nan, 0x00FFFFFFu, 1.0f}}) {
        SCOPED_TRACE(c.fade);
        manager->SetFade(c.fade, RMenuMgr::TRANSITION_FORWARD);
        EXPECT_EQ(manager->GetOverlayColour(), c.overlay);
        EXPECT_EQ(manager->GetSlideOffset(), c.slide);
        EXPECT_TRUE(manager->GetFade() >= 0.0f && manager->GetFade() <= 1.0f);
    }
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
