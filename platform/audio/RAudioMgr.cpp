#include "platform/audio/RAudioMgr.h"

namespace {
RAudioMgr* s_instance = nullptr;
}

RAudioMgr* RAudioMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RAudioMgr;
    return s_instance;
}

void RAudioMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}
