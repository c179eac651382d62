// RResolutionSensitiveList: the resolution-sensitive objects of one game object, each once, in the order they were
// made, with the screen resolution and window size last announced to them. The game object owns the list as a
// member and makes it current; new RResolutionSensitive objects join the current list. The list points at its
// objects without owning them; destroying the list lets go of them. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RUtilVector.h"

class RResolutionSensitive;

class RResolutionSensitiveList {
public:
    RResolutionSensitiveList() = default;
    // Listed objects are let go (they stay alive and join nothing); a current list stops being current.
    ~RResolutionSensitiveList();
    RResolutionSensitiveList(const RResolutionSensitiveList&) = delete;
    RResolutionSensitiveList& operator=(const RResolutionSensitiveList&) = delete;

    // The list that new objects join; null (the start) makes them join none.
    static RResolutionSensitiveList* GetCurrent() { return s_current; }
    static void SetCurrent(RResolutionSensitiveList* list) { s_current = list; }

    // Stores the sizes, then calls OnResolutionChanged (screen width, screen height) on every listed object in
    // list order. Objects may be made or destroyed meanwhile: a destroyed object that was not yet told is
    // skipped, and a new one (made knowing the new sizes) is not told. A call made from inside an
    // OnResolutionChanged is refused with false, changing nothing.
    bool SetResolution(int32_t screenWidth, int32_t screenHeight, uint32_t windowWidth, uint32_t windowHeight);

    int32_t GetScreenWidth() const { return m_screenWidth; }
    int32_t GetScreenHeight() const { return m_screenHeight; }
    uint32_t GetWindowWidth() const { return m_windowWidth; }
    uint32_t GetWindowHeight() const { return m_windowHeight; }

    uint32_t GetCount() const { return m_objects.getCount(); }
    RResolutionSensitive* GetObject(uint32_t index) const { return index < GetCount() ? m_objects[index] : nullptr; }

    // The screen resolution for a drawable window of windowWidth x windowHeight (0 counts as 1) showing a picture
    // turned by quarterTurns (odd: width and height swap) and, when aspectRatio is a number above 0, narrowed
    // to that aspect and centred (the fitted side rounded to the nearest pixel, at least 1).
    static void FitScreenResolution(uint32_t windowWidth, uint32_t windowHeight, int32_t quarterTurns,
                                    float aspectRatio, int32_t* width, int32_t* height);

private:
    friend class RResolutionSensitive;
    // Add appends an object not yet listed; Remove erases it, keeping a walk in progress on the right object.
    void Add(RResolutionSensitive* object);
    void Remove(RResolutionSensitive* object);

    static RResolutionSensitiveList* s_current;

    RUtilVector<RResolutionSensitive*> m_objects;
    int32_t m_screenWidth = 0;
    int32_t m_screenHeight = 0;
    uint32_t m_windowWidth = 0;
    uint32_t m_windowHeight = 0;
    // While SetResolution walks the list: the index of the next object to tell and the end of the objects that
    // were listed when it began.
    bool m_walking = false;
    uint32_t m_walkNext = 0;
    uint32_t m_walkEnd = 0;
};
