#include "core/types/RStringMgr.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

TEST(RStringMgr, TextsLiveUntilTheFlushWhateverTheirLength) {
    RStringMgr* manager = RStringMgr::GetInstance();
    manager->Flush();
    const char* a = RStringMgr::Format("%s-%d", "level", 7);
    std::string big(10000, 'z');
    const char* b = RStringMgr::Format("[%s]", big.c_str());
    const wchar_t wide[] = {static_cast<wchar_t>(0x20AC), 0}; // the C locale cannot convert it: the format fails
    const char* failed = RStringMgr::Format("%ls", wide);
    EXPECT_STREQ(a, "level-7");
    EXPECT_EQ(strlen(b), big.size() + 2);
    ASSERT_NE(failed, nullptr);
    EXPECT_STREQ(failed, "");
    manager->Flush();
    EXPECT_EQ(manager->GetPoolCount(), 0u);

    RStringMgr::Format("left in the pool %d", 1);
    RStringMgr::DestroyInstance(); // frees the pooled text (ASan checks for leaks)
    EXPECT_EQ(RStringMgr::GetInstance()->GetPoolCount(), 0u);
}

namespace {

constexpr int kFormatThreads = 6;
constexpr int kFormatsPerThread = 2000;

int FormatThread(void* data) {
    int index = *static_cast<int*>(data);
    int wrong = 0;
    for (int i = 0; i < kFormatsPerThread; ++i) {
        const char* text = RStringMgr::Format("t%d:%d", index, i);
        if (text != "t" + std::to_string(index) + ":" + std::to_string(i)) ++wrong;
    }
    return wrong;
}

}  // namespace

TEST(RStringMgr, ConcurrentFormats) {
    RStringMgr::GetInstance()->Flush();
    std::vector<int> indices(kFormatThreads);
    std::vector<SDL_Thread*> threads;
    for (int t = 0; t < kFormatThreads; ++t) {
        indices[t] = t;
        threads.push_back(SDL_CreateThread(FormatThread, "format", &indices[t]));
        ASSERT_NE(threads.back(), nullptr);
    }
    for (SDL_Thread* thread : threads) {
        int wrong = -1;
        SDL_WaitThread(thread, &wrong);
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(RStringMgr::GetInstance()->GetPoolCount(), uint32_t(kFormatThreads * kFormatsPerThread));
    RStringMgr::GetInstance()->Flush();
}
