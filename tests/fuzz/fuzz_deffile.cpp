// Binary definition files: read, written, read again: the same file comes out.
#include "FuzzSupport.h"
#include "core/text/RDefFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("input.rdd", data, size);
    RDefFile definitions;
    if (!definitions.LoadBinary("input.rdd"))
        return 0;
    const std::string path = FuzzFolder() + "output.rdd";
    FUZZ_CHECK(definitions.SaveBinary(path.c_str()) == 0);
    const std::string first = ReadOutput(path);
    RDefFile again;
    FUZZ_CHECK(again.LoadBinary("output.rdd"));
    FUZZ_CHECK(again.SaveBinary(path.c_str()) == 0);
    FUZZ_CHECK(ReadOutput(path) == first);
    return 0;
}
