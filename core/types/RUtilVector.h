// RUtilVector: the engine's growable array. It owns its element array (allocated with array new, so every slot
// is constructed) but not what the elements point to. Capacity doubles when a push finds the array full and
// halves, one step per check, once the count falls to a quarter of it (see checkDeallocate). Sorting is an
// unstable quicksort whose pivots come from the C library's rand() (short ranges are sorted by insertion).
//
// Elements must be movable by their bytes (the sort swaps bytes); every engine type is.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

// Orders two elements for a sort: negative, zero or positive. The context is the caller's, passed through.
template <typename T> using RUtilCompareFn = int (*)(const T* a, const T* b, void* context);

// Exchanges the bytes of two elements: no element is copied, assigned or destroyed.
template <typename T> inline void RUtilSwapBytes(T* a, T* b)
{
    if (a == b)
        return;
    alignas(T) unsigned char held[sizeof(T)];
    std::memcpy(held, static_cast<void*>(a), sizeof(T));
    std::memcpy(static_cast<void*>(a), static_cast<void*>(b), sizeof(T));
    std::memcpy(static_cast<void*>(b), held, sizeof(T));
}

// Ranges this short are sorted by insertion, which beats partitioning them.
constexpr uint32_t kQuickSortInsertionMax = 12;

// Sorts n elements by insertion: each one is swapped down past the greater ones before it.
template <typename T> void QSInsertionSort(T* a, uint32_t n, RUtilCompareFn<T> compare, void* context)
{
    for (uint32_t i = 1; i < n; ++i) {
        for (uint32_t j = i; j > 0 && compare(&a[j - 1], &a[j], context) > 0; --j)
            RUtilSwapBytes(&a[j - 1], &a[j]);
    }
}

// Splits n elements (at least 2) three ways around a[rand() % n]: those that compare less than it end in
// [0, *lessEnd), those equal to it in [*lessEnd, *greaterStart), the greater ones from *greaterStart on. One
// comparison per element; elements equal to the pivot are gathered once and never sorted again, so many equal keys
// cost no more than distinct ones.
template <typename T>
void QSPartition(T* a, uint32_t n, RUtilCompareFn<T> compare, void* context, uint32_t* lessEnd,
                 uint32_t* greaterStart)
{
    RUtilSwapBytes(&a[0], &a[static_cast<uint32_t>(rand()) % n]);
    // a[less] is always an element equal to the pivot: the first of the equal run.
    uint32_t less = 0;
    uint32_t i = 1;
    uint32_t greater = n;
    while (i < greater) {
        const int order = compare(&a[i], &a[less], context);
        if (order < 0) {
            RUtilSwapBytes(&a[less], &a[i]);
            ++less;
            ++i;
        } else if (order > 0) {
            --greater;
            RUtilSwapBytes(&a[i], &a[greater]);
        } else {
            ++i;
        }
    }
    *lessEnd = less;
    *greaterStart = greater;
}

// Sorts n elements: a quicksort on random pivots down to short ranges, which are sorted by insertion. The smaller
// side of each split is sorted by a nested call and the larger one by the loop, so the nesting never goes deeper
// than log2(n).
template <typename T> void QuickSort(T* a, uint32_t n, RUtilCompareFn<T> compare, void* context)
{
    while (n > kQuickSortInsertionMax) {
        uint32_t lessEnd = 0;
        uint32_t greaterStart = 0;
        QSPartition(a, n, compare, context, &lessEnd, &greaterStart);
        const uint32_t rightCount = n - greaterStart;
        if (lessEnd <= rightCount) {
            QuickSort(a, lessEnd, compare, context);
            a += greaterStart;
            n = rightCount;
        } else {
            QuickSort(a + greaterStart, rightCount, compare, context);
            n = lessEnd;
        }
    }
    QSInsertionSort(a, n, compare, context);
}

template <typename T> class RUtilVector {
public:
    RUtilVector() = default;
    // Copies are deep: the new vector gets its own array (see copyFrom).
    RUtilVector(const RUtilVector& other) { copyFrom(other); }
    RUtilVector& operator=(const RUtilVector& other)
    {
        copyFrom(other);
        return *this;
    }
    // Moves take the other's array and leave it as a new vector.
    RUtilVector(RUtilVector&& other) noexcept { take(other); }
    RUtilVector& operator=(RUtilVector&& other) noexcept
    {
        if (this != &other) {
            free();
            take(other);
        }
        return *this;
    }
    ~RUtilVector()
    {
        free();
        m_minCapacity = 0;
        m_noShrink = false;
    }

    uint32_t getCount() const { return m_count; }
    uint32_t getCapacity() const { return m_capacity; }
    uint32_t getMinCapacity() const { return m_minCapacity; }
    bool getNoShrink() const { return m_noShrink; }
    // When set, the array never shrinks.
    void setNoShrink(bool noShrink) { m_noShrink = noShrink; }
    bool isEmpty() const { return m_count == 0; }

    T* getData() { return m_data; }
    const T* getData() const { return m_data; }
    // Whether p points into this vector's array: an element that growing, clearing or refilling may move or free.
    bool holdsAddress(const T* p) const
    {
        std::less<const T*> before;
        return m_data && !before(p, m_data) && before(p, m_data + m_capacity);
    }
    T& operator[](uint32_t index)
    {
        assert(index < m_count);
        return m_data[index];
    }
    const T& operator[](uint32_t index) const
    {
        assert(index < m_count);
        return m_data[index];
    }
    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

    // Appends a copy of value, doubling the capacity first when the array is full.
    void push(T value)
    {
        growForOneMore();
        m_data[m_count] = std::move(value);
        ++m_count;
    }

    // Appends value by assigning it straight into the new slot. A value that is one of this vector's own
    // elements is copied first when the array must be reallocated.
    void pushNoTemp(const T& value)
    {
        if (holdsAddress(&value) && m_count + 1 > m_capacity) {
            push(value);
            return;
        }
        growForOneMore();
        m_data[m_count] = value;
        ++m_count;
    }

    // push unless an element equal to value (==) is already present.
    void pushUniqueElement(const T& value)
    {
        for (uint32_t i = 0; i < m_count; ++i) {
            if (m_data[i] == value)
                return;
        }
        push(value);
    }

    // Removes n elements from start, moving the later ones down in ascending order, then checkDeallocate.
    // Out-of-range calls (start >= count, n = 0, start + n > count) do nothing.
    void erase(uint32_t start, uint32_t n)
    {
        if (start >= m_count || n == 0 || static_cast<uint64_t>(start) + n > m_count)
            return;
        for (uint32_t i = start + n; i < m_count; ++i)
            m_data[i - n] = std::move(m_data[i]);
        m_count -= n;
        checkDeallocate();
    }

    // Erases the first element equal to value; nothing when absent.
    void eraseElement(const T& value)
    {
        for (uint32_t i = 0; i < m_count; ++i) {
            if (m_data[i] == value) {
                erase(i, 1);
                return;
            }
        }
    }

    // Count 0, then one checkDeallocate (so the capacity halves at most once). The dropped elements stay in
    // their slots until the array is reallocated or freed.
    void clear()
    {
        m_count = 0;
        checkDeallocate();
    }

    // Halves the capacity once when the no-shrink flag is clear, count <= capacity / 4 and the capacity is
    // above the minimum capacity (so it may halve to below the minimum).
    void checkDeallocate()
    {
        if (m_noShrink || m_count > m_capacity / 4 || m_capacity <= m_minCapacity)
            return;
        m_capacity /= 2;
        copy(true);
    }

    // Sets the minimum capacity, doubles the capacity (0 becomes 1) until it reaches m, then checkDeallocate.
    void setMinAllocLength(uint32_t m)
    {
        m_minCapacity = m;
        growToHold(m);
        checkDeallocate();
    }

    // Growing: count becomes n, capacity doubling as for push; the new slots are not assigned. Shrinking:
    // checkDeallocate before each one-step decrement until count = n; dropped elements are not destroyed.
    void setSize(uint32_t n)
    {
        if (n > m_count) {
            growToHold(n);
            m_count = n;
            return;
        }
        while (m_count > n) {
            checkDeallocate();
            --m_count;
        }
    }

    // Makes this vector a copy of other: its elements, minimum capacity and no-shrink flag.
    void copyFrom(const RUtilVector& other)
    {
        if (this == &other)
            return;
        setSize(other.m_count);
        for (uint32_t i = 0; i < other.m_count; ++i)
            m_data[i] = other.m_data[i];
        setMinAllocLength(other.m_minCapacity);
        m_noShrink = other.m_noShrink;
        if (!m_noShrink)
            checkDeallocate();
    }

    // Sorts the elements with compare (unstable; consumes rand() when there are more than
    // kQuickSortInsertionMax).
    void sort(RUtilCompareFn<T> compare, void* context)
    {
        if (!m_data || m_count < 2)
            return;
        QuickSort(m_data, m_count, compare, context);
    }

    // Destroys every slot and frees the array; the minimum capacity and the no-shrink flag stay.
    void free()
    {
        delete[] m_data;
        m_data = nullptr;
        m_count = 0;
        m_capacity = 0;
    }

private:
    void growForOneMore()
    {
        if (m_count + 1 > m_capacity)
            growToHold(m_count + 1);
    }

    // Doubles the capacity (0 becomes 1) until it holds n, reallocating once at the end.
    void growToHold(uint32_t n)
    {
        if (m_capacity >= n)
            return;
        uint32_t capacity = m_capacity ? m_capacity : 1;
        while (capacity < n)
            capacity = capacity > UINT32_MAX / 2 ? n : capacity * 2;  // past 2^31 doubling would wrap to 0
        m_capacity = capacity;
        copy(false);
    }

    // Reallocates the array at the current capacity, keeping the first count elements. Shrinking to 0 frees it.
    void copy(bool shrinking)
    {
        if (shrinking && m_capacity == 0) {
            delete[] m_data;
            m_data = nullptr;
            return;
        }
        if (m_capacity == 0)
            m_capacity = 1;
        T* data = new T[m_capacity];
        for (uint32_t i = 0; i < m_count; ++i)
            data[i] = std::move(m_data[i]);
        delete[] m_data;
        m_data = data;
    }

    void take(RUtilVector& other)
    {
        m_count = other.m_count;
        m_capacity = other.m_capacity;
        m_minCapacity = other.m_minCapacity;
        m_noShrink = other.m_noShrink;
        m_data = other.m_data;
        other.m_count = 0;
        other.m_capacity = 0;
        other.m_minCapacity = 0;
        other.m_noShrink = false;
        other.m_data = nullptr;
    }

    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
    uint32_t m_minCapacity = 0;
    bool m_noShrink = false;
    T* m_data = nullptr;
};
