#include "basegame/RSubroutineMgr.h"

namespace {

RSubroutineMgr* g_subroutineMgr = nullptr;

} // namespace

RSubroutineMgr* RSubroutineMgr::GetInstance()
{
    if (!g_subroutineMgr)
        g_subroutineMgr = new RSubroutineMgr();
    return g_subroutineMgr;
}

void RSubroutineMgr::DestroyInstance()
{
    delete g_subroutineMgr;
    g_subroutineMgr = nullptr;
}

bool RSubroutineMgr::AnyCapturesInput() const
{
    for (const RSubroutine* subroutine : m_running) {
        if (subroutine->capturesInput)
            return true;
    }
    return false;
}
