// RResolutionSensitive: the base of renderer objects sized from the game's screen resolution. Constructing one
// enters it in the current RResolutionSensitiveList, which then tells it of every new resolution; destroying it
// takes it out again. The object owns nothing of the list; the list only points at its objects.
#pragma once

#include <cstdint>

class RResolutionSensitiveList;

class RResolutionSensitive {
public:
    virtual ~RResolutionSensitive();

    // The screen resolution changed to width x height.
    virtual void OnResolutionChanged(int32_t width, int32_t height) = 0;

protected:
    // Joins the current list, when there is one.
    RResolutionSensitive();
    // A copy joins the list of the original.
    RResolutionSensitive(const RResolutionSensitive& other);
    // Assignment leaves each object in the list it is in.
    RResolutionSensitive& operator=(const RResolutionSensitive&) { return *this; }

    // Takes the object out of its list. A subclass destructor calls this first, so that no notification reaches
    // an object whose subclass part is already gone; the base destructor calls it again harmlessly.
    void LeaveList();

    // What the object's list last announced (all 0 for an object in no list, or before any announcement).
    int32_t GetListScreenWidth() const;
    int32_t GetListScreenHeight() const;
    uint32_t GetListWindowWidth() const;
    uint32_t GetListWindowHeight() const;

    // int(resolution x fraction), truncated toward zero. A product that is not above 0 (a negative or NaN
    // fraction) gives 0, one beyond the int range the int maximum.
    static int32_t ScaleSize(int32_t resolution, float fraction);

private:
    friend class RResolutionSensitiveList;
    RResolutionSensitiveList* m_list = nullptr;
};
