// Glyph sets and the glyph set manager: the queue's pen and bound, and a registry that never hands out a set
// that is gone. Drawing glyphs is read back in FontTests.cpp.
#include <gtest/gtest.h>

#include "render/text/RGlyphSet.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/text/RXboxGlyphs.h"

TEST(GlyphSet, QueueMovesThePenAndHoldsNoMoreThanOneDrawShows)
{
    RXboxGlyphs set;
    float penX = 10.0f;
    float penY = -20.0f;
    set.QueueGlyph(RHashedString("start"), &penX, &penY, 1u, 2u, false, 8.0f, 2.0f, 3.0f, 0.0f, 0.0f);
    EXPECT_EQ(penX, 26.0f);  // width 1 x cell 8 x scale 2
    ASSERT_EQ(set.GetQueuedCount(), 1u);
    EXPECT_EQ(set.GetQueued(0).y, 20.0f);
    EXPECT_EQ(set.GetQueued(0).glyph.u, 0.75f);
    EXPECT_EQ(set.GetQueued(0).bottomColour, 1u);  // the bottom colour only when asked for
    set.QueueGlyph(RHashedString("no_such_button"), &penX, &penY, 1u, 2u, true, 8.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(penX, 26.0f);
    EXPECT_EQ(set.GetQueuedCount(), 1u);

    for (int i = 0; i < 70; ++i)
        set.QueueGlyph(RHashedString("a"), &penX, &penY, 1u, 1u, false, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(set.GetQueuedCount(), RGlyphSet::kBatchQuads);
    EXPECT_EQ(penX, 96.0f);  // the pen moves for dropped glyphs too
    set.RenderWith(nullptr, nullptr);  // nothing to draw with: emptied all the same
    EXPECT_EQ(set.GetQueuedCount(), 0u);
}

TEST(GlyphSetMgr, FindsRegisteredSetsButNoneThatIsGone)
{
    RGlyphSetMgr::DestroyInstance();
    RGlyphSetMgr* mgr = RGlyphSetMgr::GetInstance();
    const RHashedString xbox("xbox");
    RXboxGlyphs hud;
    RXboxGlyphs replacement;
    mgr->RegisterGlyphSet(&hud, xbox, RHashedString("xbox_hud"));
    mgr->RegisterGlyphSet(&hud, xbox, RHashedString("xbox_menu"));
    mgr->RegisterGlyphSet(&replacement, xbox, RHashedString("XBOX_MENU"));
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("xbox_hud")), &hud);
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("xbox_menu")), &replacement);
    EXPECT_EQ(mgr->FindGlyphSet(RHashedString("pad"), RHashedString("xbox_hud")), nullptr);
    EXPECT_EQ(mgr->GetGroupCount(), 1);  // looking up adds nothing
    {
        RXboxGlyphs gone;
        mgr->RegisterGlyphSet(&gone, xbox, RHashedString("gone"));
        mgr->RegisterGlyphSet(&gone, RHashedString("alone"), RHashedString("gone"));
    }
    EXPECT_EQ(mgr->FindGlyphSet(xbox, RHashedString("gone")), nullptr);
    EXPECT_EQ(mgr->FindGlyphSet(RHashedString("alone"), RHashedString("gone")), nullptr);
    EXPECT_EQ(mgr->GetGroupCount(), 1);  // the group left empty went too

    // The manager does not own the sets: they outlive it.
    RGlyphSetMgr::DestroyInstance();
    EXPECT_EQ(hud.GetGlyphCount(), 24);
    EXPECT_EQ(RGlyphSetMgr::GetInstance()->FindGlyphSet(xbox, RHashedString("xbox_hud")), nullptr);
}
