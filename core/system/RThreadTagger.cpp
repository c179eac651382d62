#include "core/system/RThreadTagger.h"

#include <SDL_mutex.h>
#include <cstdio>
#include <cstring>

namespace {

// The registry lock. It is made with the first tagger and kept for the rest of the process, so a thread that
// ends after its tagger was destroyed still finds a working lock.
SDL_mutex* s_registryLock = nullptr;
RThreadTagger* s_instance = nullptr;
// Each tagger gets the next number; a thread deregisters only from the tagger that registered it.
uint32_t s_lastGeneration = 0;
// The platform-side name of the thread being created, written and used only under the registry lock.
char s_platformName[256];

const size_t kReportSize = 512;

class RegistryLock {
public:
    RegistryLock() { SDL_LockMutex(s_registryLock); }
    ~RegistryLock() { SDL_UnlockMutex(s_registryLock); }
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;
};

// "<bareName> [<id>]", the bare name cut so that the id always fits.
void WriteTagName(RThreadTag* tag, const char* bareName)
{
    char suffix[32];
    int suffixLength = snprintf(suffix, sizeof suffix, " [%lu]", (unsigned long)tag->threadId);
    int room = (int)sizeof tag->name - 1 - suffixLength;
    char name[sizeof tag->name];
    snprintf(name, sizeof name, "%.*s%s", room, bareName, suffix);
    memcpy(tag->name, name, sizeof name);
}

} // namespace

RThreadTagger* RThreadTagger::GetInstance()
{
    if (!s_instance) {
        if (!s_registryLock)
            s_registryLock = SDL_CreateMutex();
        RThreadTagger* tagger = new RThreadTagger();
        RegistryLock lock;
        s_instance = tagger;
    }
    return s_instance;
}

void RThreadTagger::DestroyInstance()
{
    if (!s_instance)
        return;
    RegistryLock lock;
    delete s_instance;
    s_instance = nullptr;
}

RThreadTagger::RThreadTagger() : m_mainThread(nullptr), m_generation(0)
{
    RegistryLock lock;
    m_generation = ++s_lastGeneration;
    RThreadTag* tag = new RThreadTag();
    tag->threadId = SDL_ThreadID();
    tag->taggerGeneration = m_generation;
    WriteTagName(tag, "Main Thread");
    m_mainThread = tag;
    m_registry.insert(tag, tag->threadId);
}

RThreadTagger::~RThreadTagger()
{
    RegistryLock lock;
    if (m_mainThread) {
        m_registry.remove(m_mainThread->threadId);
        delete m_mainThread;
        m_mainThread = nullptr;
    }
    // Records of threads still running are theirs to free when they end.
    m_registry.clear();
}

SDL_Thread* RThreadTagger::CreateThread(int (*entry)(void* userData), void* userData, const char* name)
{
    if (!entry)
        return nullptr;
    const char* chosenName = name ? name : "Unnamed Thread";
    SDL_sem* registered = SDL_CreateSemaphore(0);
    if (!registered)
        return nullptr;

    RThreadTag* tag = new RThreadTag();
    tag->entry = entry;
    tag->userData = userData;
    tag->taggerGeneration = m_generation;
    tag->registered = registered;
    // The bare name for now; the thread adds its id when it registers.
    snprintf(tag->name, sizeof tag->name, "%s", chosenName);

    SDL_Thread* thread;
    {
        // Held across the platform call: the new thread cannot touch its record before the handle is in it.
        RegistryLock lock;
        snprintf(s_platformName, sizeof s_platformName, "%s [RFML %d]", chosenName, 0);
        thread = SDL_CreateThread(ThreadEntry, s_platformName, tag);
        tag->thread = thread;
    }
    if (!thread) {
        delete tag;
        SDL_DestroySemaphore(registered);
        return nullptr;
    }
    // The new thread posts as soon as it holds the registry lock, which no holder keeps for long.
    SDL_SemWait(registered);
    SDL_DestroySemaphore(registered);
    return thread;
}

int RThreadTagger::ThreadEntry(void* tagPointer)
{
    RThreadTag* tag = static_cast<RThreadTag*>(tagPointer);
    {
        RegistryLock lock;
        tag->threadId = SDL_ThreadID();
        WriteTagName(tag, tag->name);
        if (s_instance && s_instance->m_generation == tag->taggerGeneration)
            s_instance->m_registry.insert(tag, tag->threadId);
        SDL_SemPost(tag->registered);
        tag->registered = nullptr;
    }

    int result = tag->entry(tag->userData);

    {
        RegistryLock lock;
        if (s_instance && s_instance->m_generation == tag->taggerGeneration)
            s_instance->m_registry.remove(tag->threadId);
    }
    delete tag;
    return result;
}

RHashedString RThreadTagger::GetThreadName(SDL_threadID threadId)
{
    char name[sizeof(RThreadTag::name)] = "";
    {
        RegistryLock lock;
        auto* node = m_registry.find(threadId ? threadId : SDL_ThreadID());
        if (!node)
            return RHashedString();
        memcpy(name, node->value->name, sizeof name);
    }
    return RHashedString(name);
}

bool RThreadTagger::IsMainThread(SDL_threadID threadId)
{
    RegistryLock lock;
    return m_mainThread && m_mainThread->threadId == (threadId ? threadId : SDL_ThreadID());
}

uint32_t RThreadTagger::GetThreadCount()
{
    RegistryLock lock;
    return (uint32_t)m_registry.getCount();
}

RString RThreadTagger::DumpThreads()
{
    RegistryLock lock;
    SDL_threadID current = SDL_ThreadID();
    RString list;
    for (RUtilMap<RThreadTag*, SDL_threadID>::Iter iter(m_registry); iter.isValid(); iter.next()) {
        const RThreadTag* tag = iter.getValue();
        list += tag->name;
        if (m_mainThread && tag->threadId == m_mainThread->threadId)
            list += " (MAIN)";
        if (tag->threadId == current)
            list += " (CURRENT)";
        list += "\n";
    }
    return list;
}

bool RThreadTagger::HasRunningThreads()
{
    if (!s_registryLock)
        return false;
    RegistryLock lock;
    return s_instance && s_instance->m_registry.getCount() > 1;
}

char* RThreadTagger::GetReport()
{
    char* report = new char[kReportSize];
    size_t used = (size_t)snprintf(report, kReportSize, "Thread tagger:");
    if (!s_registryLock) {
        snprintf(report + used, kReportSize - used, " Shut down.");
        return report;
    }
    RegistryLock lock;
    if (!s_instance) {
        snprintf(report + used, kReportSize - used, " Shut down.");
        return report;
    }
    for (RUtilMap<RThreadTag*, SDL_threadID>::Iter iter(s_instance->m_registry); iter.isValid(); iter.next()) {
        int written = snprintf(report + used, kReportSize - used, "\n%s", iter.getValue()->name);
        if (written < 0 || (size_t)written >= kReportSize - used)
            break;  // full: the report ends with the last whole line
        used += (size_t)written;
    }
    report[used] = 0;
    return report;
}
