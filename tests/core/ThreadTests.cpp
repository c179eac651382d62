#include "core/system/RThreadTagger.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <atomic>
#include <cstring>
#include <string>

namespace {

// A thread body that reports its own id, then holds until released.
struct HeldThread {
    SDL_sem* release = SDL_CreateSemaphore(0);
    std::atomic<SDL_threadID> ownId{0};
    std::atomic<bool> sawItselfRegistered{false};
    std::string dumpSeen;
    std::atomic<bool> ready{false};  // the fields above are filled
    int result = 0;

    ~HeldThread() { SDL_DestroySemaphore(release); }

    bool WaitReady() const
    {
        for (int waited = 0; !ready && waited < 10000; ++waited)
            SDL_Delay(1);
        return ready;
    }

    static int Run(void* self)
    {
        HeldThread* held = static_cast<HeldThread*>(self);
        held->ownId = SDL_ThreadID();
        RThreadTagger* tagger = RThreadTagger::GetInstance();
        held->sawItselfRegistered = !tagger->GetThreadName(0).IsEmpty();
        held->dumpSeen = tagger->DumpThreads().GetString();
        held->ready = true;
        SDL_SemWait(held->release);
        return held->result;
    }
};

std::string NameOf(SDL_threadID id)
{
    const char* text = RThreadTagger::GetInstance()->GetThreadName(id).GetString();
    return text ? text : "";
}

std::string Tagged(const char* name, SDL_threadID id)
{
    return std::string(name) + " [" + std::to_string((unsigned long)id) + "]";
}

class ThreadTaggerTest : public ::testing::Test {
protected:
    void TearDown() override { RThreadTagger::DestroyInstance(); }
};

TEST_F(ThreadTaggerTest, TheMainThreadIsRegisteredFromTheStartAndReportsSayShutDownAfter)
{
    RThreadTagger* tagger = RThreadTagger::GetInstance();
    EXPECT_EQ(1u, tagger->GetThreadCount());
    EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    EXPECT_EQ(Tagged("Main Thread", SDL_ThreadID()) + " (MAIN) (CURRENT)\n", tagger->DumpThreads().GetString());
    char* report = RThreadTagger::GetReport();
    EXPECT_EQ("Thread tagger:\n" + Tagged("Main Thread", SDL_ThreadID()), std::string(report));
    delete[] report;
    RThreadTagger::DestroyInstance();
    report = RThreadTagger::GetReport();
    EXPECT_STREQ("Thread tagger: Shut down.", report);
    delete[] report;
}

TEST_F(ThreadTaggerTest, EachThreadIsRegisteredUnderItsOwnIdBeforeCreateThreadReturns)
{
    RThreadTagger* tagger = RThreadTagger::GetInstance();
    HeldThread first, second;
    SDL_Thread* a = tagger->CreateThread(HeldThread::Run, &first, "Worker A");
    ASSERT_NE(nullptr, a);
    SDL_Thread* b = tagger->CreateThread(HeldThread::Run, &second, "Worker B");
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(3u, tagger->GetThreadCount());
    EXPECT_TRUE(RThreadTagger::HasRunningThreads());

    ASSERT_TRUE(first.WaitReady());
    ASSERT_TRUE(second.WaitReady());
    EXPECT_EQ(Tagged("Worker B", second.ownId), NameOf(second.ownId));
    EXPECT_TRUE(first.sawItselfRegistered);

    // Seen from a worker, its own line is the current one and the main thread's only the main one.
    EXPECT_NE(std::string::npos, first.dumpSeen.find(Tagged("Worker A", first.ownId) + " (CURRENT)\n"));
    EXPECT_NE(std::string::npos, first.dumpSeen.find(Tagged("Main Thread", SDL_ThreadID()) + " (MAIN)\n"));

    first.result = 11;
    SDL_SemPost(first.release);
    int status = 0;
    SDL_WaitThread(a, &status);
    EXPECT_EQ(11, status);
    EXPECT_EQ(2u, tagger->GetThreadCount());

    SDL_SemPost(second.release);
    SDL_WaitThread(b, nullptr);
    EXPECT_EQ(1u, tagger->GetThreadCount());
    EXPECT_FALSE(RThreadTagger::HasRunningThreads());
}

TEST_F(ThreadTaggerTest, ANullNameIsUnnamedThreadAndOnlyTheMainThreadIsMain)
{
    RThreadTagger* tagger = RThreadTagger::GetInstance();
    HeldThread held;
    SDL_Thread* thread = tagger->CreateThread(HeldThread::Run, &held, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_TRUE(held.WaitReady());
    EXPECT_EQ(Tagged("Unnamed Thread", held.ownId), NameOf(held.ownId));
    EXPECT_STREQ("Unnamed Thread [RFML 0]", SDL_GetThreadName(thread));
    EXPECT_TRUE(tagger->IsMainThread(0));
    EXPECT_TRUE(tagger->IsMainThread(SDL_ThreadID()));
    EXPECT_FALSE(tagger->IsMainThread(held.ownId));
    SDL_SemPost(held.release);
    SDL_WaitThread(thread, nullptr);
}

TEST_F(ThreadTaggerTest, LongNamesKeepTheirIdAndReportsStayWithinTheirBuffer)
{
    RThreadTagger* tagger = RThreadTagger::GetInstance();
    std::string longName(200, 'n');
    const int count = 12;
    HeldThread held[count];
    SDL_Thread* threads[count];
    for (int i = 0; i < count; ++i) {
        threads[i] = tagger->CreateThread(HeldThread::Run, &held[i], longName.c_str());
        ASSERT_NE(nullptr, threads[i]);
    }
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(held[i].WaitReady());
    std::string name = NameOf(held[0].ownId);
    EXPECT_EQ(63u, name.size());
    EXPECT_EQ(" [" + std::to_string((unsigned long)held[0].ownId) + "]", name.substr(name.find(" [")));

    char* report = RThreadTagger::GetReport();
    std::string text(report);
    delete[] report;
    EXPECT_LT(text.size(), 512u);
    // Only whole lines: the last is a full registered name.
    std::string lastLine = text.substr(text.rfind('\n') + 1);
    ASSERT_FALSE(lastLine.empty());
    EXPECT_EQ(']', lastLine.back());
    EXPECT_NE(std::string::npos, std::string(tagger->DumpThreads().GetString()).find(lastLine));

    for (int i = 0; i < count; ++i) {
        SDL_SemPost(held[i].release);
        SDL_WaitThread(threads[i], nullptr);
    }
}

TEST_F(ThreadTaggerTest, AThreadEndingAfterItsTaggerWasDestroyedLeavesTheNextTaggerAlone)
{
    HeldThread outlived, replaced;
    SDL_Thread* first = RThreadTagger::GetInstance()->CreateThread(HeldThread::Run, &outlived, "Outlives");
    SDL_Thread* second = RThreadTagger::GetInstance()->CreateThread(HeldThread::Run, &replaced, "Outlives Too");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    ASSERT_TRUE(outlived.WaitReady());
    ASSERT_TRUE(replaced.WaitReady());
    RThreadTagger::DestroyInstance();
    EXPECT_FALSE(RThreadTagger::HasRunningThreads());

    // One ends with no tagger at all.
    SDL_SemPost(outlived.release);
    SDL_WaitThread(first, nullptr);

    // The other ends while a new tagger, which never knew it, is running its own thread.
    RThreadTagger* next = RThreadTagger::GetInstance();
    HeldThread fresh;
    SDL_Thread* third = next->CreateThread(HeldThread::Run, &fresh, "Fresh");
    ASSERT_NE(nullptr, third);
    SDL_SemPost(replaced.release);
    SDL_WaitThread(second, nullptr);
    EXPECT_NE(std::string::npos, std::string(next->DumpThreads().GetString()).find("Fresh ["));

    SDL_SemPost(fresh.release);
    SDL_WaitThread(third, nullptr);
}

} // namespace
