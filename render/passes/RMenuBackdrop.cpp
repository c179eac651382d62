#include "render/passes/RMenuBackdrop.h"

RMenuBackdrop::RMenuBackdrop()
{
    static const uint32_t kColours[4] = {0x80000000u, 0x80000000u, 0xC0000000u, 0xC0000000u};
    SetCornerColours(kColours);
}
