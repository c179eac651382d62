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
