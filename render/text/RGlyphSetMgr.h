// RGlyphSetMgr: the registry in which fonts find glyph sets, by a group name (such as "xbox") and a set name
// within the group (such as "xbox_hud"). It points at the sets without owning them: their creator deletes them,
// and a set leaves the registry when it is destroyed. A singleton, main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"

class RGlyphSet;

class RGlyphSetMgr {
public:
    // The manager, created empty on first use.
    static RGlyphSetMgr* GetInstance();
    static bool HasInstance() { return s_instance != nullptr; }
    // Empties both levels of the registry and frees the manager; the sets stay alive. Nothing when there is none.
    static void DestroyInstance();

    // Stores the set under the group and set name, adding the group when it is new and replacing an earlier set
    // of the same names. Null is ignored.
    void RegisterGlyphSet(RGlyphSet* set, RHashedString groupName, RHashedString setName);
    // Takes every entry of the set out; a group left empty goes too.
    void UnregisterGlyphSet(RGlyphSet* set);
    // The set registered under both names, or null; never adds anything.
    RGlyphSet* FindGlyphSet(RHashedString groupName, RHashedString setName) const;
    int32_t GetGroupCount() const { return m_groups.getCount(); }

private:
    typedef RUtilMap<RGlyphSet*, RHashedString> SetsByName;

    RGlyphSetMgr() = default;
    ~RGlyphSetMgr() = default;
    RGlyphSetMgr(const RGlyphSetMgr&) = delete;
    RGlyphSetMgr& operator=(const RGlyphSetMgr&) = delete;

    RUtilMap<SetsByName, RHashedString> m_groups;

    static RGlyphSetMgr* s_instance;
};
