#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/types/RHashedString.h"
#include "core/types/RString.h"

namespace {

uint32_t Bucket(const std::string& text) { return DJB2HashNoCase(text.c_str()) & 0x3FF; }

// Two different texts (with the given prefix) that land in the same bucket.
std::pair<std::string, std::string> CollidingPair(const std::string& prefix) {
    std::unordered_map<uint32_t, std::string> seen;
    for (int i = 0;; ++i) {
        std::string text = prefix + std::to_string(i);
        auto found = seen.find(Bucket(text));
        if (found != seen.end()) return {found->second, text};
        seen[Bucket(text)] = text;
    }
}

// Runs body in a forked child against a table of its own, so the process-wide table the other tests use is
// never destroyed under them. body returns true on success.
template <typename Body> void ExpectOnFreshTable(Body body) {
    EXPECT_EXIT(
        {
            RHashedStringTable::Destroy();
            bool ok = body();
            RHashedStringTable::Destroy();
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

TEST(RHashedString, NullCaseFoldingCollisionsAndUnknownIds) {
    RHashedString empty;
    EXPECT_EQ(empty.GetId(), 320u);
    for (const char* text : {"NULL", "null", static_cast<const char*>(nullptr)}) EXPECT_EQ(RHashedString(text), empty);

    RHashedString first("HsTestSpeed");
    EXPECT_STREQ(RHashedString("HSTESTSPEED").GetString(), "HsTestSpeed");
    RHashedString sensitive("HSTESTSPEED", true);
    EXPECT_NE(sensitive, first);
    // A case-insensitive lookup finds the first stored variant, even one stored case-sensitively.
    RHashedString storedSensitive("HsTestColor", true);
    EXPECT_NE(storedSensitive, RHashedString("HsTestCOLOR", true));
    EXPECT_EQ(RHashedString("hstestcolor"), storedSensitive);

    auto pair = CollidingPair("HsTestCollide");
    RHashedString a(pair.first.c_str()), b(pair.second.c_str());
    EXPECT_NE(a, b);
    EXPECT_STREQ(b.GetString(), pair.second.c_str());

    // Position 2^21 in bucket 0: no chain is that long. Ids with bit 31 set shift as unsigned.
    EXPECT_EQ(RHashedString::FromId(0x7FFFFC00u).GetString(), nullptr);
    EXPECT_EQ(RHashedString::FromId(0xFFFFFD40u).GetString(), nullptr);
}

TEST(RHashedString, LongTextsAreCutAndKeepOneId) {
    std::string text(300, 'q');
    text.replace(0, 10, "HsTestLong");
    RHashedString a(text.c_str());
    EXPECT_EQ(std::string(a.GetString()), text.substr(0, 255));
    EXPECT_EQ(RHashedString((text.substr(0, 255) + "different tail").c_str()), a);
    EXPECT_NE(RHashedString(text.substr(0, 254).c_str()), a);
}

TEST(RHashedStringTable, FreshTableInternsNullFirst) {
    ExpectOnFreshTable([] {
        // A text in bucket 320 interned first still comes after "NULL".
        std::string inBucket;
        for (int i = 0; inBucket.empty(); ++i) {
            std::string text = "b" + std::to_string(i);
            if (Bucket(text) == 320) inBucket = text;
        }
        RHashedString first(inBucket.c_str());
        bool ok = first.GetId() == (1u << 10 | 320u);
        ok = ok && strcmp(RHashedString().GetString(), "NULL") == 0;
        ok = ok && RHashedString("nUlL").GetId() == 320u;
        return ok;
    });
}

namespace {

constexpr int kThreadCount = 8;
constexpr int kNamesPerThread = 1000;
constexpr int kSharedNames = 1000;

struct InternJob {
    int index;
    std::vector<uint32_t> sharedIds, ownIds;  // shared ones in name order
    bool textsMatched = true;
};

std::string SharedName(int i) { return "HsTestShared" + std::to_string(i); }
std::string OwnName(int thread, int i) { return "HsTestOwn" + std::to_string(thread) + "_" + std::to_string(i); }

int InternThread(void* data) {
    InternJob* job = static_cast<InternJob*>(data);
    job->sharedIds.assign(kSharedNames, 0);
    // Each thread walks the shared names from a different starting point and with its own case, so threads
    // race to insert the same texts.
    for (int step = 0; step < kSharedNames; ++step) {
        int i = (step + job->index * 251) % kSharedNames;
        std::string text = SharedName(i);
        if (job->index % 2) {
            for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        }
        job->sharedIds[i] = RHashedString(text.c_str()).GetId();
    }
    for (int i = 0; i < kNamesPerThread; ++i) {
        std::string text = OwnName(job->index, i);
        RHashedString name(text.c_str());
        job->ownIds.push_back(name.GetId());
        if (!name.GetString() || text != name.GetString()) job->textsMatched = false;
    }
    return 0;
}

}  // namespace

TEST(RHashedStringTable, ConcurrentInterning) {
    uint32_t textsBefore = RHashedStringTable::GetInstance()->GetStats().textCount;
    std::vector<InternJob> jobs(kThreadCount);
    std::vector<SDL_Thread*> threads;
    for (int t = 0; t < kThreadCount; ++t) {
        jobs[t].index = t;
        threads.push_back(SDL_CreateThread(InternThread, "intern", &jobs[t]));
        ASSERT_NE(threads.back(), nullptr) << SDL_GetError();
    }
    for (SDL_Thread* thread : threads) SDL_WaitThread(thread, nullptr);

    for (const InternJob& job : jobs) {
        EXPECT_TRUE(job.textsMatched) << "thread " << job.index;
        EXPECT_EQ(job.sharedIds, jobs[0].sharedIds) << "thread " << job.index;
    }
    std::vector<uint32_t> all;
    for (const InternJob& job : jobs) all.insert(all.end(), job.ownIds.begin(), job.ownIds.end());
    all.insert(all.end(), jobs[0].sharedIds.begin(), jobs[0].sharedIds.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "two names share an id";

    uint32_t textsAfter = RHashedStringTable::GetInstance()->GetStats().textCount;
    EXPECT_EQ(textsAfter - textsBefore, uint32_t(kThreadCount * kNamesPerThread + kSharedNames));
}

// Case variants interned before and after the table has grown many times keep their order: a case-insensitive
// lookup gives the variant interned first, a case-sensitive one each variant's own id, and every id its text.
TEST(RHashedStringTable, CaseVariantsKeepTheirOrderAsTheTableGrows) {
    const int count = 6000;
    std::vector<uint32_t> upper, lower;
    for (int i = 0; i < count; ++i) {
        std::string text = "HSTESTVARIANT_" + std::to_string(i);
        upper.push_back(RHashedString(text.c_str(), true).GetId());
        if (i % 2 == 0) {
            for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            lower.push_back(RHashedString(text.c_str(), true).GetId());
        }
    }
    for (int i = 0; i < count; ++i) {
        std::string text = "hsTestVariant_" + std::to_string(i);
        ASSERT_EQ(RHashedString(text.c_str()).GetId(), upper[i]) << text;
        ASSERT_STREQ(RHashedString::FromId(upper[i]).GetString(), ("HSTESTVARIANT_" + std::to_string(i)).c_str());
        if (i % 2 == 0) {
            std::string lowerText = "hstestvariant_" + std::to_string(i);
            ASSERT_EQ(RHashedString(lowerText.c_str(), true).GetId(), lower[i / 2]);
            ASSERT_NE(lower[i / 2], upper[i]);
            ASSERT_EQ(lower[i / 2] & 0x3FF, upper[i] & 0x3FF);
            ASSERT_STREQ(RHashedString::FromId(lower[i / 2]).GetString(), lowerText.c_str());
        }
    }
}
