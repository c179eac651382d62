// The GL attribute format each vertex semantic is bound as (declared in RStreamUsage.h).
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
