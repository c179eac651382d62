#include "basegame/RSubroutineMgr.h"

#include "basegame/RSubroutine.h"

namespace {

RSubroutineMgr* g_subroutineMgr = nullptr;

} // namespace

RSubroutineMgr* RSubroutineMgr::GetInstance()
{
    if (!g_subroutineMgr)
        g_subroutineMgr = new RSubroutineMgr();
    return g_subroutineMgr;
}

bool RSubroutineMgr::HasInstance()
{
    return g_subroutineMgr != nullptr;
}

void RSubroutineMgr::DestroyInstance()
{
    delete g_subroutineMgr;
    g_subroutineMgr = nullptr;
}

RSubroutineMgr::~RSubroutineMgr()
{
    StopAll();
}

void RSubroutineMgr::Start(RSubroutine* subroutine, Clock clock)
{
    if (!subroutine)
        return;
    m_lists[clock].push(subroutine);
    subroutine->Start();
}

void RSubroutineMgr::Update(Clock clock, float step)
{
    RUtilVector<RSubroutine*>& list = m_lists[clock];
    // Subroutines started during the pass are appended; the count taken here leaves them for the next pass.
    const uint32_t count = list.getCount();
    for (uint32_t i = 0; i < count && i < list.getCount(); ++i) {
        RSubroutine* subroutine = list[i];
        if (subroutine->m_finished)
            continue;
        subroutine->m_time += step;
        subroutine->Update(step);
    }
    RemoveFinished(clock);
}

void RSubroutineMgr::RemoveFinished(Clock clock)
{
    RUtilVector<RSubroutine*>& list = m_lists[clock];
    RUtilVector<RSubroutine*> finished;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < list.getCount(); ++i) {
        if (list[i]->m_finished)
            finished.push(list[i]);
        else
            list[kept++] = list[i];
    }
    list.setSize(kept);
    // Told after leaving the list, so an OnFinished may start the next subroutine or stop all.
    for (uint32_t i = 0; i < finished.getCount(); ++i) {
        finished[i]->OnFinished();
        delete finished[i];
    }
    finished.free();
}

void RSubroutineMgr::StopAll()
{
    for (RUtilVector<RSubroutine*>& list : m_lists) {
        while (!list.isEmpty()) {
            RSubroutine* last = list[list.getCount() - 1];
            list.setSize(list.getCount() - 1);
            delete last;
        }
        list.free();
    }
}

RSubroutine* RSubroutineMgr::Find(RHashedString name) const
{
    for (const RUtilVector<RSubroutine*>& list : m_lists) {
        for (uint32_t i = 0; i < list.getCount(); ++i) {
            if (!list[i]->m_finished && list[i]->GetName() == name)
                return list[i];
        }
    }
    return nullptr;
}

bool RSubroutineMgr::AnyCapturesInput() const
{
    for (const RUtilVector<RSubroutine*>& list : m_lists) {
        for (uint32_t i = 0; i < list.getCount(); ++i) {
            if (!list[i]->m_finished && list[i]->m_capturesInput)
                return true;
        }
    }
    return false;
}

bool RSubroutineMgr::InstanceCapturesInput()
{
    return g_subroutineMgr && g_subroutineMgr->AnyCapturesInput();
}
