// Mesh files: parsed from memory; a record that reads is written and read again: the same file comes out.
#include "FuzzSupport.h"
#include "render/geometry/RM3DData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RM3DData record;
    if (!record.Read(data, size))
        return 0;
    const std::string path = FuzzFolder() + "output.m3d";
    FUZZ_CHECK(RM3DData::Write(path.c_str(), record));
    const std::string first = ReadOutput(path);
    RM3DData again;
    FUZZ_CHECK(again.Read(reinterpret_cast<const uint8_t*>(first.data()), first.size()));
    FUZZ_CHECK(RM3DData::Write(path.c_str(), again));
    FUZZ_CHECK(ReadOutput(path) == first);
    return 0;
}
