#include "core/types/RHandle.h"
#include "core/types/RRTTIBase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class REntity : public RRTTIBase {
    RRTTI_CLASS(REntity, RRTTIBase)
};

class RComponent : public RRTTIBase {
    RRTTI_CLASS(RComponent, RRTTIBase)
};

class RPlayerEntity : public REntity {
    RRTTI_CLASS(RPlayerEntity, REntity)
};

TEST(Handle, FirstObjectsOfARunGetOneAndTwo)
{
    // A fresh process, so that no earlier test has used ids.
    std::string savedStyle = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            REntity a;
            REntity b;
            std::exit(a.GetHandle().GetId() == 1 && b.GetHandle().GetId() == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, savedStyle);
}

TEST(Handle, ResolvesOnlyWhileTheObjectLivesAndIdsAreNeverReused)
{
    RHandle handle;
    EXPECT_EQ(RHandle(0xFFFFFFF0u).Get(), nullptr); // never issued
    uint32_t firstId;
    {
        REntity entity;
        handle = entity.GetHandle();
        firstId = handle.GetId();
        EXPECT_EQ(handle.Get(), &entity);
    }
    REntity newer;
    EXPECT_EQ(newer.GetHandle().GetId(), firstId + 1);
    EXPECT_EQ(handle.Get(), nullptr);

    {
        REntity copy(newer);
        EXPECT_NE(copy.GetHandle(), newer.GetHandle());
        copy = newer;
        EXPECT_EQ(copy.GetHandle().Get(), &copy);
    }
    EXPECT_EQ(newer.GetHandle().Get(), &newer);
}

TEST(Handle, ClosedTableStaysClosed)
{
    EXPECT_EXIT(
        {
            REntity* survivor = new REntity();
            RHandle handle = survivor->GetHandle();
            bool ok = handle.Get() == survivor;
            RHandleTable::Close();
            ok = ok && RHandleTable::IsClosed() && RHandleTable::GetInstance() == nullptr;
            // Handles destroyed, resolved or made after the close bring nothing back.
            { RHandle late(handle.GetId()); }
            ok = ok && handle.Get() == nullptr && !handle.IsValid();
            delete survivor;
            REntity afterClose;
            ok = ok && afterClose.GetHandle().GetId() == 0 && afterClose.IsA(REntity::StaticGetClassName());
            ok = ok && RHandleTable::GetInstance() == nullptr;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ClassIdentity, IsAWalksUpTheChain)
{
    RPlayerEntity player;
    for (const char* name : {"RPlayerEntity", "REntity", "RRTTIBase", "rentity"})
        EXPECT_TRUE(player.IsA(RHashedString(name))) << name;
    EXPECT_FALSE(player.IsA(RHashedString("RComponent")));

    EXPECT_STREQ(static_cast<const RRTTIBase&>(player).GetClassName().GetString(), "RPlayerEntity");
    EXPECT_FALSE(REntity().IsA(RPlayerEntity::StaticGetClassName()));
    EXPECT_FALSE(RComponent::StaticIsA(REntity::StaticGetClassName()));
}

}  // namespace
