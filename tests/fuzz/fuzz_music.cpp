// Music strings of the tone generator.
#include "core/types/RString.h"
#include "platform/audio/RPCSTune.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RString text(reinterpret_cast<const char*>(data), (int)size);
    RUtilVector<RPCSDatum> notes;
    ParsePCSTune(text, notes);
    return 0;
}
