// RXMLArena: the storage a document (RXMLFile) makes its elements and attributes in: large blocks handed out
// piece by piece and freed all at once. The arena only holds bytes; the document constructs and destroys the
// objects in them.
#pragma once

#include "core/types/RUtilVector.h"

#include <cstddef>
#include <cstdint>

class RXMLArena {
public:
    RXMLArena() = default;
    ~RXMLArena();

    // bytes (at most kBlockBytes) of storage aligned as a pointer is (all that elements and attributes need),
    // valid until Release.
    void* Allocate(size_t bytes);
    // Frees every block.
    void Release();

    static constexpr size_t kBlockBytes = 64 * 1024;

private:
    RXMLArena(const RXMLArena&) = delete;
    RXMLArena& operator=(const RXMLArena&) = delete;

    RUtilVector<char*> m_blocks;
    size_t m_used = kBlockBytes;  // bytes handed out from the last block
};
