#include "platform/input/CompleteInputState.h"

#include <cstring>

namespace {

template <typename T> void CopyElements(RUtilVector<T>& to, const RUtilVector<T>& from)
{
    to.setSize(from.getCount());
    for (uint32_t i = 0; i < from.getCount(); ++i)
        to[i] = from[i];
}

} // namespace

void CompleteInputState::CopyFrom(const CompleteInputState& other)
{
    if (this == &other)
        return;
    std::memcpy(keys, other.keys, sizeof(keys));
    repeatKey = other.repeatKey;
    repeatTimer = other.repeatTimer;
    mouseDX = other.mouseDX;
    mouseDY = other.mouseDY;
    mouseButtons = other.mouseButtons;
    CopyElements(joyAxes, other.joyAxes);
    CopyElements(joyButtons, other.joyButtons);
    CopyElements(joyHats, other.joyHats);
    CopyElements(joyBalls, other.joyBalls);
    CopyElements(padAxes, other.padAxes);
    CopyElements(padButtons, other.padButtons);
}
