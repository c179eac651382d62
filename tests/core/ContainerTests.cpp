#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

template <typename T> std::vector<T> Contents(const RUtilVector<T>& v)
{
    return std::vector<T>(v.begin(), v.end());
}

// The capacity the shrink rule leaves after one check.
uint32_t ShrunkOnce(uint32_t count, uint32_t capacity, uint32_t minCapacity, bool noShrink)
{
    if (noShrink || count > capacity / 4 || capacity <= minCapacity)
        return capacity;
    return capacity / 2;
}

TEST(UtilVector, HugeCapacitiesOutOfRangeErasesAndPushesOfOwnElements)
{
    RUtilVector<char> huge; // doubling from 2^31 would wrap to 0; the bytes are never touched
    huge.setMinAllocLength(0x80000001u);
    EXPECT_EQ(0x80000001u, huge.getCapacity());
    huge.free();

    RUtilVector<int> v;
    v.push(7);
    v.push(8);
    v.erase(2, 1);
    v.erase(0, 3);
    v.erase(1, 0xFFFFFFFFu); // start + n wraps in 32 bits
    EXPECT_EQ(Contents(v), (std::vector<int>{7, 8}));

    // Long texts live on the heap, so reading a freed slot would be caught by the address checker.
    RUtilVector<std::string> texts;
    texts.push(std::string(40, 'a'));
    for (int round = 0; round < 6; ++round) {
        while (texts.getCount() < texts.getCapacity())
            texts.push(texts[0]);
        texts.pushNoTemp(texts[texts.getCount() - 1]); // full: this push reallocates
    }
    EXPECT_EQ(texts.getCount(), 33u);
    for (const std::string& text : texts)
        EXPECT_EQ(text, std::string(40, 'a'));
}

TEST(UtilVector, CopiesAreDeep)
{
    RUtilVector<std::string> a;
    a.push(std::string(30, 'x'));
    a.push(std::string(30, 'y'));
    {
        RUtilVector<std::string> b(a), c;
        c.push("old");
        c = a;
        b[0] = "changed";
        EXPECT_EQ(a[0], std::string(30, 'x'));
        EXPECT_EQ(c[1], std::string(30, 'y'));
        c = c;
        RUtilVector<std::string> moved(std::move(c));
        EXPECT_EQ(moved.getCount(), 2u);
        EXPECT_EQ(c.getCount(), 0u);
    }
}

// Random operations against std::vector, with the capacity followed through the growth and shrink rules.
TEST(UtilVector, MatchesStdVectorUnderRandomOperations)
{
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 15; ++trial) {
        RUtilVector<int> v;
        std::vector<int> model;
        uint32_t capacity = 0, minCapacity = 0;
        bool noShrink = false;
        auto grow = [&](uint32_t n) {
            for (capacity += (capacity == 0 && n > 0); capacity < n;)
                capacity *= 2;
        };
        auto pushModel = [&](int x) {
            model.push_back(x);
            grow(static_cast<uint32_t>(model.size()));
        };
        auto shrink = [&](size_t count) { capacity = ShrunkOnce((uint32_t)count, capacity, minCapacity, noShrink); };
        for (int step = 0; step < 600; ++step) {
            int op = rng() % 100;
            int value = static_cast<int>(rng() % 50);
            if (op < 35) {
                v.push(value);
                pushModel(value);
            } else if (op < 45 && !model.empty()) {
                uint32_t i = rng() % model.size();
                v.pushNoTemp(v[i]);
                pushModel(model[i]);
            } else if (op < 65) {
                uint32_t start = rng() % (model.size() + 2);
                uint32_t n = rng() % 5;
                v.erase(start, n);
                if (n > 0 && start < model.size() && start + n <= model.size()) {
                    model.erase(model.begin() + start, model.begin() + start + n);
                    shrink(model.size());
                }
            } else if (op < 75) {
                v.eraseElement(value);
                auto it = std::find(model.begin(), model.end(), value);
                if (it != model.end()) {
                    model.erase(it);
                    shrink(model.size());
                }
            } else if (op < 87) {
                uint32_t n = rng() % 40;
                uint32_t oldCount = static_cast<uint32_t>(model.size());
                v.setSize(n);
                if (n > oldCount) {
                    grow(n);
                    for (uint32_t i = oldCount; i < n; ++i)
                        v[i] = value;
                    model.resize(n, value);
                } else {
                    for (uint32_t count = oldCount; count > n; --count)
                        shrink(count);
                    model.resize(n);
                }
            } else if (op < 91) {
                minCapacity = rng() % 20;
                v.setMinAllocLength(minCapacity);
                grow(minCapacity);
                shrink(model.size());
            } else if (op < 94) {
                v.setNoShrink(noShrink = !noShrink);
            } else {
                v.clear();
                model.clear();
                shrink(0);
            }
            ASSERT_EQ(Contents(v), model) << "trial " << trial << " step " << step;
            ASSERT_EQ(v.getCapacity(), capacity) << "trial " << trial << " step " << step;
            ASSERT_EQ(v.getData() == nullptr, capacity == 0);
        }
    }
}

struct Keyed {
    int key;
    int id;
};

int CompareKeyed(const Keyed* a, const Keyed* b, void*) { return a->key - b->key; }

int CompareInts(const int* a, const int* b, void*) { return (*a > *b) - (*a < *b); }

TEST(UtilVectorSort, MatchesStdSortAndKeepsEveryElement)
{
    std::mt19937 rng(99);
    for (int trial = 0; trial < 60; ++trial) {
        uint32_t n = rng() % 300;
        int keyRange = 1 + static_cast<int>(rng() % 40);
        RUtilVector<Keyed> v;
        std::vector<int> keys;
        for (uint32_t i = 0; i < n; ++i) {
            Keyed k{static_cast<int>(rng() % keyRange), static_cast<int>(i)};
            v.push(k);
            keys.push_back(k.key);
        }
        v.sort(CompareKeyed, nullptr);
        std::sort(keys.begin(), keys.end());
        std::vector<int> ids;
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(v[i].key, keys[i]);
            ids.push_back(v[i].id);
        }
        std::sort(ids.begin(), ids.end());
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(ids[i], static_cast<int>(i));
    }
}

// Counts the comparator's calls through the context.
int CompareCounted(const Keyed* a, const Keyed* b, void* context)
{
    ++*static_cast<uint64_t*>(context);
    return (a->key > b->key) - (a->key < b->key);
}

// Orders that break naive quicksorts: sorted, reversed, all equal, organ pipe (up then down), a few distinct keys
// in a repeating pattern, and sorted with one stray element at the end. Each is sorted correctly, keeps every
// element, and costs O(n log n) comparator calls.
TEST(UtilVectorSort, AdversarialOrdersStayNLogN)
{
    const uint32_t n = 20000;
    const std::vector<std::pair<const char*, std::function<int(uint32_t)>>> orders = {
        {"sorted", [](uint32_t i) { return static_cast<int>(i); }},
        {"reversed", [n](uint32_t i) { return static_cast<int>(n - i); }},
        {"all equal", [](uint32_t) { return 7; }},
        {"organ pipe", [n](uint32_t i) { return static_cast<int>(i < n / 2 ? i : n - i); }},
        {"few keys", [](uint32_t i) { return static_cast<int>(i % 3); }},
        {"two keys, sorted", [n](uint32_t i) { return i < n / 2 ? 0 : 1; }},
        {"sorted but last", [n](uint32_t i) { return i + 1 < n ? static_cast<int>(i + 1) : 0; }},
    };
    srand(11);
    for (const auto& order : orders) {
        RUtilVector<Keyed> v;
        std::vector<int> keys;
        for (uint32_t i = 0; i < n; ++i) {
            v.push(Keyed{order.second(i), static_cast<int>(i)});
            keys.push_back(order.second(i));
        }
        uint64_t calls = 0;
        v.sort(CompareCounted, &calls);
        // 3 n log2 n is twice what a random-pivot quicksort makes on average; a quadratic case makes n^2 / 2.
        EXPECT_LE(calls, static_cast<uint64_t>(3.0 * n * std::log2(static_cast<double>(n)))) << order.first;
        std::sort(keys.begin(), keys.end());
        std::vector<int> ids;
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(v[i].key, keys[i]) << order.first << " at " << i;
            ids.push_back(v[i].id);
        }
        std::sort(ids.begin(), ids.end());
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(ids[i], static_cast<int>(i)) << order.first;
    }
}

// Many equal keys split off one element per partition; the nesting must stay shallow on a small stack.
void* SortEqualKeys(void* result)
{
    RUtilVector<int> v;
    for (int i = 0; i < 6000; ++i)
        v.push(42);
    v.push(1);
    v.sort(CompareInts, nullptr);
    *static_cast<bool*>(result) = v[0] == 1 && v[6000] == 42;
    return nullptr;
}

// An adversary that makes every pivot the smallest element of its range: each element's key is decided only when
// the sort first compares it as the pivot (the second element of a comparison between two undecided ones), and
// undecided elements rank above all decided ones. Every split then leaves one side empty and the other holding
// all but the pivot, so only the choice of side to nest into keeps the nesting shallow.
struct PivotAdversary {
    static constexpr uint32_t kUndecided = UINT32_MAX;
    std::vector<uint32_t> keys;
    uint32_t decided = 0;
};

int CompareAgainstPivots(const uint32_t* a, const uint32_t* b, void* context)
{
    PivotAdversary& adversary = *static_cast<PivotAdversary*>(context);
    uint32_t& keyA = adversary.keys[*a];
    uint32_t& keyB = adversary.keys[*b];
    if (keyA == PivotAdversary::kUndecided && keyB == PivotAdversary::kUndecided)
        keyB = adversary.decided++;
    return (keyA > keyB) - (keyA < keyB);
}

void* SortAgainstPivotAdversary(void* result)
{
    const uint32_t n = 10000;
    PivotAdversary adversary;
    adversary.keys.assign(n, PivotAdversary::kUndecided);
    RUtilVector<uint32_t> v;
    for (uint32_t i = 0; i < n; ++i)
        v.push(i);
    v.sort(CompareAgainstPivots, &adversary);
    bool sorted = true;
    for (uint32_t i = 1; i < n; ++i)
        sorted = sorted && adversary.keys[v[i - 1]] <= adversary.keys[v[i]];
    *static_cast<bool*>(result) = sorted;
    return nullptr;
}

// Sorts on a thread with a 256 KiB stack: a sort that nests once per element overflows it.
TEST(UtilVectorSort, NestingStaysShallowOnASmallStack)
{
    const std::pair<const char*, void* (*)(void*)> cases[] = {
        {"equal keys", SortEqualKeys},
        {"every pivot the smallest", SortAgainstPivotAdversary},
    };
    for (const auto& sortCase : cases) {
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
        bool sorted = false;
        pthread_t thread;
        ASSERT_EQ(pthread_create(&thread, &attr, sortCase.second, &sorted), 0);
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attr);
        EXPECT_TRUE(sorted) << sortCase.first;
    }
}

using UMap = RUtilMap<int, unsigned>;
using UNode = RUtilMapNode<int, unsigned>;
using UIter = RUtilMapIter<int, unsigned>;

// Checks parent links, key order, stored heights and balance below node; returns the subtree's height (-1 empty).
int CheckSubtree(const UNode* node, const UNode* parent)
{
    if (!node)
        return -1;
    EXPECT_EQ(node->parent, parent);
    EXPECT_TRUE(!node->left || node->left->key < node->key);
    EXPECT_TRUE(!node->right || node->right->key > node->key);
    int lh = CheckSubtree(node->left, node) + 1;
    int rh = CheckSubtree(node->right, node) + 1;
    EXPECT_EQ(node->leftHeight, lh);
    EXPECT_EQ(node->rightHeight, rh);
    EXPECT_LE(std::abs(rh - lh), 1) << "unbalanced at " << node->key;
    return std::max(lh, rh);
}

void ExpectMatches(UMap& map, const std::map<unsigned, int>& model)
{
    ASSERT_EQ(map.getCount(), static_cast<int32_t>(model.size()));
    CheckSubtree(map.getRoot(), nullptr);
    auto expected = model.begin();
    for (UIter it(map); it.isValid(); it.next(), ++expected) {
        ASSERT_NE(expected, model.end());
        ASSERT_EQ(it.getKey(), expected->first);
        ASSERT_EQ(it.getValue(), expected->second);
    }
    ASSERT_EQ(expected, model.end());
}

TEST(UtilMap, RemoveAndStepBackAtTheEdgesOfTheWalk)
{
    UMap map;
    for (unsigned k = 10; k <= 30; k += 10)
        map.insert(0, k);
    UIter it(map);
    map.removeAndStepBack(it);  // the first entry: the walk goes on from before the first
    EXPECT_EQ(it.getNode(), UIter::BeforeFirst());
    it.next();
    EXPECT_EQ(it.getKey(), 20u);
    it.next();
    it.next();
    it.next();
    EXPECT_EQ(it.getNode(), UIter::PastEnd());
    map.removeAndStepBack(it);  // past the end: nothing to remove
    EXPECT_EQ(map.getCount(), 2);
}

TEST(UtilMap, KeysOrderAsTheirOwnType)
{
    RUtilMap<int, RHashedString> hashed;  // hashed names by signed id
    hashed.insert(1, RHashedString::FromId(5));
    hashed.insert(2, RHashedString::FromId(0x80000400u));
    hashed.insert(3, RHashedString::FromId(0x7FFFFC00u));
    std::vector<uint32_t> ids;
    for (RUtilMapIter<int, RHashedString> it(hashed); it.isValid(); it.next())
        ids.push_back(it.getKey().GetId());
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x80000400u, 5, 0x7FFFFC00u}));

    RUtilMap<RString, RString> strings;  // texts by bytes
    for (const char* key : {"beta", "Zeta", "alpha", "Alpha", "al"})
        strings.insert(RString(key), RString(key));
    std::vector<std::string> walked;
    for (RUtilMapIter<RString, RString> it(strings); it.isValid(); it.next())
        walked.push_back(it.getKey().GetString());
    EXPECT_EQ(walked, (std::vector<std::string>{"Alpha", "Zeta", "al", "alpha", "beta"}));
}

TEST(UtilMap, MapValuesAreReplacedByDeepCopies)
{
    RUtilMap<RUtilMap<std::string, unsigned>, unsigned> outer;
    outer[1][10] = std::string(40, 'a');
    outer[1][11] = "b";
    RUtilMap<std::string, unsigned> replacement;
    replacement[12] = std::string(40, 'c');
    outer.insert(replacement, 1);
    ASSERT_EQ(outer[1].getCount(), 1);
    EXPECT_EQ(outer[1][12], std::string(40, 'c'));
    replacement[12] = "changed";
    EXPECT_EQ(outer[1][12], std::string(40, 'c'));

    RUtilMap<RUtilMap<std::string, unsigned>, unsigned> copy(outer);
    copy[1][12] = "x";
    EXPECT_EQ(outer[1][12], std::string(40, 'c'));

    UMap a, b;
    a.insert(1, 1);
    a.insert(2, 2);
    b.insert(9, 2);
    b.insert(3, 3);
    a.CopyDataFrom(b);
    ExpectMatches(a, {{1, 1}, {2, 9}, {3, 3}});
}

// Random inserts, index lookups and removals against std::map, checking order, count, parent links, heights and
// balance after every step.
TEST(UtilMap, MatchesStdMapUnderRandomOperations)
{
    std::mt19937 rng(4321);
    for (int trial = 0; trial < 10; ++trial) {
        UMap map;
        std::map<unsigned, int> model;
        unsigned keyRange = 8 + rng() % 400;
        for (int step = 0; step < 700; ++step) {
            unsigned key = rng() % keyRange;
            int value = static_cast<int>(rng() % 1000);
            int op = rng() % 10;
            if (op < 5) {
                map.insert(value, key);
                model[key] = value;
            } else if (op < 6) {
                EXPECT_EQ(map[key], model[key]);
            } else if (op < 9) {
                map.remove(key);
                model.erase(key);
            } else if (!model.empty()) {
                // Remove a run of entries from a random place through the iterator.
                UIter it(map);
                for (unsigned skip = rng() % model.size(); skip > 0; --skip)
                    it.next();
                for (int n = 0; n < 3 && it.isValid(); ++n) {
                    model.erase(it.getKey());
                    map.removeAndStepBack(it);
                    it.next();
                }
            }
            ASSERT_NO_FATAL_FAILURE(ExpectMatches(map, model)) << "trial " << trial << " step " << step;
        }
        while (!model.empty()) {  // drain
            map.remove(model.begin()->first);
            model.erase(model.begin());
            ASSERT_NO_FATAL_FAILURE(ExpectMatches(map, model));
        }
    }
}

}  // namespace
