// XML: parsed and written; what was written is read and written twice more: once the writer has put a document
// in its own form, reading and writing it again changes nothing.
#include "FuzzSupport.h"
#include "core/RXMLFile.h"

namespace {

// The document at path read from disk and written back over it; the bytes written, or "" when writing failed.
std::string Rewrite(const std::string& path)
{
    RXMLFile document;
    document.Load(path.c_str(), true);
    FUZZ_CHECK(document.Save(path.c_str()));
    return ReadOutput(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RXMLFile document;
    document.Parse(reinterpret_cast<const char*>(data), (uint32_t)size);
    const std::string path = FuzzFolder() + "output.xml";
    if (!document.Save(path.c_str()))
        return 0;
    const std::string second = Rewrite(path);
    FUZZ_CHECK(Rewrite(path) == second);
    return 0;
}
