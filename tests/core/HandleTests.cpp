#include "core/RHandle.h"
#include "core/RRTTIBase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

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
    EXPECT_EQ(handle.Get(), nullptr);
    EXPECT_EQ(RHandle(0xFFFFFFF0u).Get(), nullptr); // never issued
    uint32_t firstId;
    {
        REntity entity;
        handle = entity.GetHandle();
        firstId = handle.GetId();
        EXPECT_EQ(handle.Get(), &entity);
        EXPECT_TRUE(handle.IsValid());
        EXPECT_EQ(RHandleTable::GetInstance()->Lookup(firstId), &entity);
    }
    EXPECT_EQ(handle.Get(), nullptr);
    EXPECT_FALSE(handle.IsValid());
    REntity newer;
    EXPECT_EQ(newer.GetHandle().GetId(), firstId + 1);
    EXPECT_EQ(handle.Get(), nullptr);
    handle.Clear();
    EXPECT_EQ(handle.GetId(), 0u);

    {
        REntity copy(newer);
        EXPECT_NE(copy.GetHandle(), newer.GetHandle());
        copy = newer;
        EXPECT_EQ(copy.GetHandle().Get(), &copy);
    }
    EXPECT_EQ(newer.GetHandle().Get(), &newer);
}

TEST(Handle, TableTracksLiveObjects)
{
    RHandleTable* table = RHandleTable::GetInstance();
    int32_t before = table->GetCount();
    {
        std::vector<std::unique_ptr<RRTTIBase>> objects;
        for (int i = 0; i < 200; ++i)
            objects.push_back(std::make_unique<REntity>());
        EXPECT_EQ(table->GetCount(), before + 200);
        for (size_t i = 0; i < objects.size(); i += 3)
            objects[i].reset();
        for (size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]) {
                EXPECT_EQ(objects[i]->GetHandle().Get(), objects[i].get());
            }
        }
        uint32_t absent = objects[1]->GetHandle().GetId() + 100000;
        table->Unregister(absent);
        EXPECT_EQ(table->GetCount(), before + 200 - 67);
    }
    EXPECT_EQ(table->GetCount(), before);
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

    const RRTTIBase& asBase = player;
    EXPECT_EQ(asBase.GetClassName(), RPlayerEntity::StaticGetClassName());
    EXPECT_STREQ(asBase.GetClassName().GetString(), "RPlayerEntity");

    EXPECT_FALSE(REntity().IsA(RPlayerEntity::StaticGetClassName()));
    EXPECT_FALSE(RComponent::StaticIsA(REntity::StaticGetClassName()));
}

}  // namespace
