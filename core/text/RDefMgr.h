// RDefMgr: the definition files loaded so far (RDefFile), by name id; a missing one is loaded from its binary
// form on first request. The manager owns every tree; the engine's shutdown destroys it. Main thread only.
#pragma once

#include "core/text/RDefFile.h"
#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"

class RDefMgr {
public:
    // The manager, created empty on first use.
    static RDefMgr* GetInstance();
    // Destroys every loaded tree and the manager; nothing when there is none.
    static void DestroyInstance();

    // The tree loaded under name. On the first request it is read with RDefFile::LoadBinary from the name's text
    // as the path (an empty tree when that fails) and kept. Valid until DestroyInstance.
    RDefFile* GetDefFile(const RHashedString& name);

private:
    RDefMgr() = default;
    ~RDefMgr() = default;
    RDefMgr(const RDefMgr&) = delete;
    RDefMgr& operator=(const RDefMgr&) = delete;

    RUtilMap<RDefFile, RHashedString> m_files;

    static RDefMgr* s_instance;
};
