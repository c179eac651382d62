// Glyph sets, the controller glyphs and the glyph set manager: adding and queueing glyphs, the bounded queue,
// registration and lookup, and drawing read back pixel by pixel, with the engine's own controller page.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FontTestSupport.h"
#include "render/RGlyphSet.h"
#include "render/RGlyphSetMgr.h"
#include "render/RXboxGlyphs.h"

using namespace fonttest;

namespace {

RGlyph WhiteSquare()
{
    RGlyph glyph;
    glyph.u = 0.0f;
    glyph.v = 0.0f;
    glyph.du = 1.0f;
    glyph.dv = 1.0f;
    glyph.width = 1.0f;
    glyph.height = 1.0f;
    return glyph;
}

void Queue(RGlyphSet& set, const char* name, float x, float y, float cell, uint32_t colour = kWhite)
{
    float penY = -y;
    set.QueueGlyph(RHashedString(name), &x, &penY, colour, colour, false, cell, 1.0f, 1.0f, 0.0f, 0.0f);
}

}  // namespace

TEST(GlyphSet, SecondGlyphOfANameIsIgnored)
{
    RGlyphSet set;
    RGlyph first = WhiteSquare();
    RGlyph second = WhiteSquare();
    second.u = 0.5f;
    set.AddGlyph(first, RHashedString("sq"));
    set.AddGlyph(second, RHashedString("SQ"));
    EXPECT_EQ(set.GetGlyphCount(), 1);
    ASSERT_NE(set.FindGlyph(RHashedString("sq")), nullptr);
    EXPECT_EQ(set.FindGlyph(RHashedString("sq"))->u, 0.0f);
}

TEST(GlyphSet, QueueingMovesThePenByTheScaledCell)
{
    RXboxGlyphs set;
    float penX = 10.0f;
    float penY = -20.0f;
    set.QueueGlyph(RHashedString("start"), &penX, &penY, 0xFF112233u, 0xFF445566u, false, 8.0f, 2.0f, 3.0f, 0.0f,
                   0.0f);
    EXPECT_EQ(penX, 26.0f);
    EXPECT_EQ(penY, -20.0f);
    ASSERT_EQ(set.GetQueuedCount(), 1u);
    const RGlyphSet::QueuedGlyph& queued = set.GetQueued(0);
    EXPECT_EQ(queued.x, 10.0f);
    EXPECT_EQ(queued.y, 20.0f);
    EXPECT_EQ(queued.cellSize, 8.0f);
    EXPECT_EQ(queued.scaleY, 3.0f);
    EXPECT_EQ(queued.glyph.u, 0.75f);
    EXPECT_EQ(queued.glyph.v, 0.5f);
    EXPECT_EQ(queued.topColour, 0xFF112233u);
    EXPECT_EQ(queued.bottomColour, 0xFF112233u);  // the bottom colour only when asked for

    set.QueueGlyph(RHashedString("a"), &penX, &penY, 1u, 2u, true, 8.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(set.GetQueued(1).bottomColour, 2u);
    set.QueueGlyph(RHashedString("no_such_button"), &penX, &penY, 1u, 2u, true, 8.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(penX, 34.0f);
    EXPECT_EQ(set.GetQueuedCount(), 2u);
}

TEST(GlyphSet, QueueHoldsNoMoreThanOneDrawShows)
{
    RXboxGlyphs set;
    float penX = 0.0f;
    float penY = 0.0f;
    for (int i = 0; i < 70; ++i)
        set.QueueGlyph(RHashedString("a"), &penX, &penY, kWhite, kWhite, false, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(set.GetQueuedCount(), RGlyphSet::kBatchQuads);
    EXPECT_EQ(penX, 70.0f);
    set.RenderWith(nullptr, nullptr);  // nothing to draw with: emptied all the same
    EXPECT_EQ(set.GetQueuedCount(), 0u);
}

TEST(XboxGlyphs, HoldTheTwentyFourControllerCells)
{
    RXboxGlyphs set;
    EXPECT_EQ(set.GetGlyphCount(), 24);
    struct Cell {
        const char* name;
        float u, v;
    };
    for (const Cell& cell : {Cell{"a", 0.0f, 0.0f}, Cell{"y", 0.75f, 0.0f}, Cell{"dp_left", 0.5f, 0.125f},
                             Cell{"lsx+", 0.75f, 0.25f}, Cell{"rsy+", 0.0f, 0.375f}, Cell{"rsb", 0.25f, 0.5f},
                             Cell{"back", 0.5f, 0.5f}, Cell{"RT", 0.75f, 0.625f}}) {
        const RGlyph* glyph = set.FindGlyph(RHashedString(cell.name));
        ASSERT_NE(glyph, nullptr) << cell.name;
        EXPECT_EQ(glyph->u, cell.u) << cell.name;
        EXPECT_EQ(glyph->v, cell.v) << cell.name;
        EXPECT_EQ(glyph->du, 0.25f);
        EXPECT_EQ(glyph->dv, 0.125f);
        EXPECT_EQ(glyph->width, 1.0f);
        EXPECT_EQ(glyph->height, 1.0f);
    }
}

TEST(GlyphSetMgr, FindsSetsByGroupAndNameWithoutAddingAny)
{
    RGlyphSetMgr::DestroyInstance();
    RXboxGlyphs hud;
    RXboxGlyphs menu;
    RXboxGlyphs replacement;
    RGlyphSetMgr* mgr = RGlyphSetMgr::GetInstance();
    const RHashedString xbox("xbox");
    mgr->RegisterGlyphSet(&hud, xbox, RHashedString("xbox_hud"));
    mgr->RegisterGlyphSet(&menu, xbox, RHashedString("xbox_menu"));
    mgr->RegisterGlyphSet(&hud, RHashedString("other"), RHashedString("xbox_hud"));
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("xbox_hud")), &hud);
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("XBOX_MENU")), &menu);
    mgr->RegisterGlyphSet(&replacement, xbox, RHashedString("xbox_menu"));
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("xbox_menu")), &replacement);

    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("xbox_console")), nullptr);
    EXPECT_EQ(mgr->FindGlyphSet(RHashedString("pad"), RHashedString("xbox_hud")), nullptr);
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString()), nullptr);
    EXPECT_EQ(mgr->GetGroupCount(), 2);

    // The manager does not own the sets: they outlive it.
    RGlyphSetMgr::DestroyInstance();
    EXPECT_FALSE(RGlyphSetMgr::HasInstance());
    EXPECT_EQ(hud.GetGlyphCount(), 24);
    EXPECT_EQ(RGlyphSetMgr::GetInstance()->FindGlyphSet(xbox, RHashedString("xbox_hud")), nullptr);
}

TEST(GlyphSetMgr, DestroyedSetIsNoLongerFound)
{
    RGlyphSetMgr* mgr = RGlyphSetMgr::GetInstance();
    const RHashedString group("glyphtest_group");
    RXboxGlyphs kept;
    mgr->RegisterGlyphSet(&kept, group, RHashedString("kept"));
    {
        RXboxGlyphs gone;
        mgr->RegisterGlyphSet(&gone, group, RHashedString("gone"));
        mgr->RegisterGlyphSet(&gone, RHashedString("glyphtest_alone"), RHashedString("gone"));
    }
    EXPECT_EQ(mgr->FindGlyphSet(group, RHashedString("gone")), nullptr);
    EXPECT_EQ(mgr->FindGlyphSet(group, RHashedString("kept")), &kept);
    EXPECT_EQ(mgr->FindGlyphSet(RHashedString("glyphtest_alone"), RHashedString("gone")), nullptr);
}

class GlyphDraw : public HUDDrawTest {
protected:
    void SetUp() override
    {
        HUDDrawTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::vector<uint32_t> white(16, kWhite);
        RHashedString page = LoadPage(folder.Write("white.dds", MakeDDS(4, 4, white)), "GlyphTest_White");
        material.reset(new PageMaterial(effect, "Glyph", page));
        // The set may have been made before the first test gave the renderer its context.
        set.RenewDynamic();
        set.AddGlyph(WhiteSquare(), RHashedString("sq"));
        set.SetMaterial(material.get());
        renderer->AddRenderableToGroup(&set, glyphGroup);
    }

    RGlyphSet set;
    std::unique_ptr<PageMaterial> material;
};

TEST_F(GlyphDraw, QuadCornersLieHalfAPixelUpAndLeft)
{
    Queue(set, "sq", 10.0f, 20.0f, 8.0f);
    Draw();
    EXPECT_TRUE(Filled(10, 20, 18, 28, kWhite));
    EXPECT_TRUE(Filled(9, 19, 19, 20, kBackground));
    EXPECT_TRUE(Filled(9, 28, 19, 29, kBackground));
    EXPECT_TRUE(Filled(9, 20, 10, 28, kBackground));
    EXPECT_TRUE(Filled(18, 20, 19, 28, kBackground));
    EXPECT_EQ(set.GetQueuedCount(), 0u);
}

TEST_F(GlyphDraw, OneDrawShowsAtMostSixtyFourGlyphs)
{
    // A 10 x 7 grid of 6-pixel glyphs in queue order.
    for (int i = 0; i < 70; ++i)
        Queue(set, "sq", static_cast<float>(i % 10 * 6), static_cast<float>(i / 10 * 6), 5.0f, kRed);
    Draw();
    EXPECT_TRUE(Filled(18, 36, 23, 41, kRed));         // glyph 63
    EXPECT_TRUE(Filled(24, 36, 29, 41, kBackground));  // glyph 64
    EXPECT_TRUE(Filled(54, 36, 59, 41, kBackground));  // glyph 69
    EXPECT_EQ(set.GetQueuedCount(), 0u);
}

TEST_F(GlyphDraw, EngineControllerPageShowsTheAButton)
{
    ASSERT_TRUE(ExtractEngineFile(folder, "xbox_dxt5.dds"));
    RXboxGlyphs pad;
    PageMaterial padMaterial(effect, "Glyph", LoadPage(folder.Path("xbox_dxt5.dds"), "GlyphTest_XboxPage"));
    pad.SetMaterial(&padMaterial);
    renderer->AddRenderableToGroup(&pad, glyphGroup);
    Queue(pad, "a", 0.0f, 0.0f, 32.0f);
    Queue(pad, "dp_up", 32.0f, 0.0f, 32.0f);
    Draw();
    EXPECT_EQ(Pixel(0, 0), kBackground);    // outside the disc
    EXPECT_EQ(Pixel(3, 15), 0xFF21C342u);   // the green disc
    EXPECT_EQ(Pixel(14, 9), kWhite);        // the top of the letter
    EXPECT_EQ(Pixel(32 + 15, 4), kWhite);   // the pad's upper arm, lit
    EXPECT_EQ(Pixel(32 + 15, 27), 0xFFC6C7C6u);  // its lower arm, grey
}
