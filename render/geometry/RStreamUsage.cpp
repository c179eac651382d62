// The semantics' byte sizes; their GL attribute formats are the device's (render/device/RStreamUsageGL.cpp).
#include "render/geometry/RStreamUsage.h"

bool StreamUsageIsNormalized(StreamUsage usage)
{
    return usage == STREAM_COLOR;
}

uint32_t StreamUsageByteSize(StreamUsage usage)
{
    switch (usage) {
    case STREAM_POSITION:
    case STREAM_NORMAL:
    case STREAM_TANGENT:
    case STREAM_BINORMAL:
        return 12;
    case STREAM_COLOR:
    case STREAM_BLENDINDICES:
        return 4;
    case STREAM_BLENDWEIGHT:
        return 16;
    default:
        if (usage >= STREAM_TEXCOORD0 && usage <= STREAM_TEXCOORD7)
            return 8;
        return 0;
    }
}
