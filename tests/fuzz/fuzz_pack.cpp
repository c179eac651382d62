// Pack files: the header and directory, then every entry read by index and by name.
#include "FuzzSupport.h"
#include "core/files/RPackFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteInput("input.rpk", data, size);
    RPackFile pack;
    if (!pack.OpenRead(path.c_str()))
        return 0;
    for (uint32_t i = 0;; ++i) {
        char* name = nullptr;
        uint32_t nameSize = 0;
        if (pack.GetEntryNameByIndex(i, &name, &nameSize) == 0 || !name) {
            delete[] name;
            break;
        }
        char* bytes = nullptr;
        uint32_t bytesSize = 0;
        pack.ReadEntryByIndex(i, &bytes, &bytesSize);
        delete[] bytes;
        if (pack.ReadEntry(name, &bytes, &bytesSize))
            delete[] bytes;
        delete[] name;
    }
    pack.Close();
    return 0;
}
