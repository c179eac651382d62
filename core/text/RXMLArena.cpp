#include "core/text/RXMLArena.h"

#include <cassert>

RXMLArena::~RXMLArena()
{
    Release();
}

void* RXMLArena::Allocate(size_t bytes)
{
    const size_t align = alignof(void*);
    bytes = (bytes + align - 1) / align * align;
    assert(bytes <= kBlockBytes);
    if (m_used + bytes > kBlockBytes) {
        m_blocks.push(new char[kBlockBytes]);
        m_used = 0;
    }
    void* piece = m_blocks[m_blocks.getCount() - 1] + m_used;
    m_used += bytes;
    return piece;
}

void RXMLArena::Release()
{
    for (char* block : m_blocks)
        delete[] block;
    m_blocks.free();
    m_used = kBlockBytes;
}
