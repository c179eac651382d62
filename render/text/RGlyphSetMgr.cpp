#include "render/text/RGlyphSetMgr.h"

#include "core/types/RUtilVector.h"

RGlyphSetMgr* RGlyphSetMgr::s_instance = nullptr;

RGlyphSetMgr* RGlyphSetMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RGlyphSetMgr();
    return s_instance;
}

void RGlyphSetMgr::DestroyInstance()
{
    if (!s_instance)
        return;
    // Each group's node holds its map of sets, so clearing the groups clears both levels.
    s_instance->m_groups.clear();
    delete s_instance;
    s_instance = nullptr;
}

void RGlyphSetMgr::RegisterGlyphSet(RGlyphSet* set, RHashedString groupName, RHashedString setName)
{
    if (set)
        m_groups[groupName].insert(set, setName);
}

void RGlyphSetMgr::UnregisterGlyphSet(RGlyphSet* set)
{
    // Keys are gathered first: removing entries while walking a map would move the walk.
    RUtilVector<RHashedString> emptiedGroups;
    RUtilMapIter<SetsByName, RHashedString> group(m_groups);
    for (; group.isValid(); group.next()) {
        SetsByName& sets = group.getValue();
        RUtilVector<RHashedString> names;
        RUtilMapIter<RGlyphSet*, RHashedString> entry(sets);
        for (; entry.isValid(); entry.next()) {
            if (entry.getValue() == set)
                names.push(entry.getKey());
        }
        for (const RHashedString& name : names)
            sets.remove(name);
        if (sets.getCount() == 0)
            emptiedGroups.push(group.getKey());
    }
    for (const RHashedString& name : emptiedGroups)
        m_groups.remove(name);
}

RGlyphSet* RGlyphSetMgr::FindGlyphSet(RHashedString groupName, RHashedString setName) const
{
    auto* group = m_groups.find(groupName);
    if (!group)
        return nullptr;
    auto* entry = group->value.find(setName);
    return entry ? entry->value : nullptr;
}
