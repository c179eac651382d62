// Localization tables: the input stands as the default "Startup.txt" table, loaded and looked up.
#include "FuzzSupport.h"
#include "core/config/RLocMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("Startup.txt", data, size);
    RLocMgr* tables = RLocMgr::GetInstance();
    tables->AddFile("Startup.txt");
    tables->LoadDefaultTables(true);
    tables->GetString(RHashedString("Startup"), RHashedString("Strings"), RHashedString("Title"));
    RLocMgr::DestroyInstance();
    return 0;
}
