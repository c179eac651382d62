// Resolution-sensitive objects: changes reaching every listed object while objects come and go, lists going
// first, sizes from fractions, and targets following a change through a device reset.
#include "GLTestSupport.h"

#include <cmath>
#include <functional>
#include <string>

#include "render/frame/RRenderTarget.h"
#include "render/view/RResSensQuad.h"
#include "render/view/RResSensTarget.h"
#include "render/view/RResolutionSensitiveList.h"
#include "render/images/RTexMgr.h"

using namespace gltest;

namespace {

// A list made current for one scope, as the game object does for its lifetime.
class ScopedList {
public:
    ScopedList() : m_previous(RResolutionSensitiveList::GetCurrent())
    {
        RResolutionSensitiveList::SetCurrent(&list);
    }
    ~ScopedList() { RResolutionSensitiveList::SetCurrent(m_previous); }

    RResolutionSensitiveList list;

private:
    RResolutionSensitiveList* m_previous;
};

std::string s_log;

// Notes each change it is told of in s_log, and may run an action of the test's when told.
class Recorder : public RResolutionSensitive {
public:
    explicit Recorder(const char* tag) : m_tag(tag) {}
    ~Recorder() override { LeaveList(); }

    void OnResolutionChanged(int32_t width, int32_t height) override
    {
        s_log += m_tag + " " + std::to_string(width) + "x" + std::to_string(height) + ";";
        if (onChanged)
            onChanged();
        if (deleteSelfWhenTold)
            delete this;
    }

    std::function<void()> onChanged;
    bool deleteSelfWhenTold = false;

private:
    std::string m_tag;
};

GLint ColourTextureSide(const RRenderTarget& target, GLenum side)
{
    return target.colourTexture ? LevelParameter(target.colourTexture->name, 0, side) : -1;
}

void ResetDevice(RRenderer* renderer)
{
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool failed = false;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
}

}  // namespace

class ResolutionListTest : public ::testing::Test {
protected:
    void SetUp() override { s_log.clear(); }
};

TEST_F(ResolutionListTest, ObjectsMayComeAndGoWhileTheListIsWalked)
{
    ScopedList scope;
    RResolutionSensitiveList& list = scope.list;
    Recorder* first = new Recorder("first");
    Recorder* second = new Recorder("second");
    Recorder* third = new Recorder("third");
    Recorder* fourth = new Recorder("fourth");
    Recorder* made = nullptr;

    // The second destroys itself and the fourth, which was not yet told, and makes a new object, which was made
    // knowing the new size and is not told.
    second->onChanged = [&]() {
        delete fourth;
        fourth = nullptr;
        made = new Recorder("made");
    };
    second->deleteSelfWhenTold = true;
    // The third destroys the first, which was told already.
    third->onChanged = [&]() {
        delete first;
        first = nullptr;
    };
    EXPECT_TRUE(list.SetResolution(800, 600, 800, 600));
    second = nullptr;  // it deleted itself
    EXPECT_EQ(s_log, "first 800x600;second 800x600;third 800x600;");
    ASSERT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetObject(0), third);
    EXPECT_EQ(list.GetObject(1), made);

    // A change asked for from inside a change is refused, and the walk goes on.
    third->onChanged = [&]() { EXPECT_FALSE(list.SetResolution(1, 1, 1, 1)); };
    s_log.clear();
    EXPECT_TRUE(list.SetResolution(1024, 768, 1024, 768));
    EXPECT_EQ(s_log, "third 1024x768;made 1024x768;");
    EXPECT_EQ(list.GetScreenWidth(), 1024);
    delete third;
    delete made;
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST_F(ResolutionListTest, ObjectsOutliveTheirListSafely)
{
    Recorder* survivor = nullptr;
    {
        ScopedList scope;
        survivor = new Recorder("survivor");
        EXPECT_EQ(scope.list.GetCount(), 1u);
    }
    // The list is gone: the object is in none, and no new object joins one.
    EXPECT_EQ(RResolutionSensitiveList::GetCurrent(), nullptr);
    Recorder unlisted("unlisted");
    delete survivor;

    // A list destroyed while current stops being current.
    auto* list = new RResolutionSensitiveList();
    RResolutionSensitiveList::SetCurrent(list);
    Recorder late("late");
    delete list;
    EXPECT_EQ(RResolutionSensitiveList::GetCurrent(), nullptr);
}

TEST(ResolutionSizes, FractionsTruncateAndNeverOverflow)
{
    ScopedList scope;
    RResSensQuad* quad = new RResSensQuad(false, 0.5f, 0.001f);  // no GL context needed to size it
    EXPECT_EQ(quad->GetScaledWidth(1366), 683);
    EXPECT_EQ(quad->GetScaledHeight(640), 0);  // below a pixel: nothing clamps it up
    EXPECT_EQ(quad->GetScaledWidth(0), 0);
    EXPECT_EQ(quad->GetScaledWidth(-1280), 0);  // a negative product is not a size
    delete quad;

    RResSensQuad negative(false, -0.5f, NAN);
    EXPECT_EQ(negative.GetScaledWidth(1280), 0);
    EXPECT_EQ(negative.GetScaledHeight(720), 0);
    RResSensQuad huge(false, 1e30f, INFINITY);
    EXPECT_EQ(huge.GetScaledWidth(1280), INT32_MAX);
    EXPECT_EQ(huge.GetScaledHeight(1), INT32_MAX);
}

using ResolutionGLTest = GLTest;

TEST_F(ResolutionGLTest, TargetsFollowTheScreenThroughADeviceReset)
{
    ScopedList scope;
    scope.list.SetResolution(1280, 720, kWindowWidth, kWindowHeight);
    const RUtilVector<RRenderTarget*>& targets = renderer->GetRenderTargets();
    const uint32_t listedTargets = targets.getCount();
    {
        RResSensTarget half(RHashedString("ResolutionTest_Half"), RRenderer::FORMAT_RGBA, 0, 0, 0.5f, 0.5f);
        RResSensTarget full(RHashedString("ResolutionTest_Full"), RRenderer::FORMAT_RGB, 0, 0);
        EXPECT_EQ(scope.list.GetCount(), 2u);
        EXPECT_EQ(targets.getCount(), listedTargets + 2);
        EXPECT_EQ(half.width, 640u);
        EXPECT_EQ(half.height, 360u);
        EXPECT_EQ(ColourTextureSide(half, GL_TEXTURE_WIDTH), 640);
        EXPECT_EQ(ColourTextureSide(full, GL_TEXTURE_WIDTH), 1280);

        // The change rewrites the records only; GL keeps the old size until the reset.
        scope.list.SetResolution(1366, 768, kWindowWidth, kWindowHeight);
        EXPECT_EQ(half.width, 683u);
        EXPECT_EQ(half.height, 384u);
        EXPECT_EQ(ColourTextureSide(half, GL_TEXTURE_WIDTH), 640);

        ResetDevice(renderer);
        EXPECT_EQ(ColourTextureSide(half, GL_TEXTURE_WIDTH), 683);
        EXPECT_EQ(ColourTextureSide(half, GL_TEXTURE_HEIGHT), 384);
        EXPECT_EQ(ColourTextureSide(full, GL_TEXTURE_WIDTH), 1366);
    }
    // Gone from both lists, with its texture name released.
    EXPECT_EQ(scope.list.GetCount(), 0u);
    EXPECT_EQ(targets.getCount(), listedTargets);
    EXPECT_EQ(RTexMgr::GetInstance()->GetTexture(RHashedString("ResolutionTest_Half")), nullptr);
}

TEST_F(ResolutionGLTest, TargetsTooSmallOrUnsizedWaitForASize)
{
    ScopedList scope;
    scope.list.SetResolution(640, 480, kWindowWidth, kWindowHeight);
    // 0.001 of 640 is no pixel at all: the target stays listed without a GL side until it has a size.
    RResSensTarget tiny(RHashedString("ResolutionTest_Tiny"), RRenderer::FORMAT_RGBA, 0, 0, 0.001f, 0.5f);
    EXPECT_EQ(tiny.width, 0u);
    EXPECT_EQ(tiny.colourTexture, nullptr);
    scope.list.SetResolution(4000, 480, kWindowWidth, kWindowHeight);
    ResetDevice(renderer);
    EXPECT_EQ(ColourTextureSide(tiny, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(ColourTextureSide(tiny, GL_TEXTURE_HEIGHT), 240);

    // A negative fraction is no size either, rather than a huge unsigned one.
    RResSensTarget negative(RHashedString("ResolutionTest_Negative"), RRenderer::FORMAT_RGBA, 0, 0, -1.0f, 1.0f);
    EXPECT_EQ(negative.width, 0u);
    EXPECT_EQ(negative.colourTexture, nullptr);
    ResetDevice(renderer);
}
