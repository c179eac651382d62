// StreamUsage: the vertex semantics that tie a vertex stream to a vertex attribute, shared by the effect files'
// "Attributes" sections and the vertex binding, with the GL attribute format each semantic is bound as.
#pragma once

#include <cstdint>

enum StreamUsage : uint32_t {
    STREAM_POSITION = 0,
    STREAM_NORMAL = 1,
    STREAM_TANGENT = 2,
    STREAM_BINORMAL = 3,
    STREAM_COLOR = 4,  // four bytes B, G, R, A (a packed colour), normalised
    STREAM_TEXCOORD0 = 5,
    STREAM_TEXCOORD1 = 6,
    STREAM_TEXCOORD2 = 7,
    STREAM_TEXCOORD3 = 8,
    STREAM_TEXCOORD4 = 9,
    STREAM_TEXCOORD5 = 10,
    STREAM_TEXCOORD6 = 11,
    STREAM_TEXCOORD7 = 12,
    STREAM_BLENDINDICES = 13,
    STREAM_BLENDWEIGHT = 14,
    STREAM_UNRECOGNISED = 16,
};

// The GL attribute format (defined with the device, render/device/RStreamUsageGL.cpp).
// The size argument of glVertexAttribPointer: 3, 2 or 4 components, GL_BGRA for COLOR, -1 for anything else.
int32_t StreamUsageComponentCount(StreamUsage usage);
// GL_FLOAT, or GL_UNSIGNED_BYTE for COLOR and BLENDINDICES.
uint32_t StreamUsageGLType(StreamUsage usage);
// True for COLOR only.
bool StreamUsageIsNormalized(StreamUsage usage);
// Bytes one element takes in a tightly packed stream; 0 for anything unrecognised.
uint32_t StreamUsageByteSize(StreamUsage usage);
