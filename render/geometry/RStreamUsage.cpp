#include "render/geometry/RStreamUsage.h"

#include <GL/glew.h>

int32_t StreamUsageComponentCount(StreamUsage usage)
{
    switch (usage) {
    case STREAM_POSITION:
    case STREAM_NORMAL:
    case STREAM_TANGENT:
    case STREAM_BINORMAL:
        return 3;
    case STREAM_COLOR:
        return GL_BGRA;
    case STREAM_BLENDINDICES:
    case STREAM_BLENDWEIGHT:
        return 4;
    default:
        if (usage >= STREAM_TEXCOORD0 && usage <= STREAM_TEXCOORD7)
            return 2;
        return -1;
    }
}

uint32_t StreamUsageGLType(StreamUsage usage)
{
    return usage == STREAM_COLOR || usage == STREAM_BLENDINDICES ? GL_UNSIGNED_BYTE : GL_FLOAT;
}

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
