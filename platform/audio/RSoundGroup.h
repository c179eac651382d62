// RSoundGroup: a named volume shared by the sounds put into it. The group lists its members without owning them
// and sets each member's group reference; a member leaves the group when it is destroyed, and a group that is
// destroyed first clears its members' references. RAudioMgr owns the groups.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RAudioInterface;

class RSoundGroup {
public:
    explicit RSoundGroup(RHashedString name) : m_name(name) {}
    ~RSoundGroup();

    RHashedString GetName() const { return m_name; }
    float GetVolume() const { return m_volume; }
    // Stores the volume unclamped, then every member re-applies its effective volume.
    void SetVolume(float volume);

    // The sound joins this group, leaving the group it was in before; a member is listed once.
    void AddSound(RAudioInterface* sound);
    // The sound leaves this group (nothing when it is not a member).
    void RemoveSound(RAudioInterface* sound);
    uint32_t GetSoundCount() const { return m_members.getCount(); }

private:
    RSoundGroup(const RSoundGroup&) = delete;
    RSoundGroup& operator=(const RSoundGroup&) = delete;

    float m_volume = 1.0f;
    RUtilVector<RAudioInterface*> m_members;
    RHashedString m_name;
};
