#include "platform/audio/RSoundGroup.h"

#include "platform/audio/RAudioInterface.h"

RSoundGroup::~RSoundGroup()
{
    for (RAudioInterface* sound : m_members)
        sound->SetGroup(nullptr);
}

void RSoundGroup::SetVolume(float volume)
{
    m_volume = volume;
    for (RAudioInterface* sound : m_members)
        sound->TouchVolume();
}

void RSoundGroup::AddSound(RAudioInterface* sound)
{
    if (!sound)
        return;
    RSoundGroup* previous = sound->GetGroup();
    if (previous && previous != this)
        previous->RemoveSound(sound);
    sound->SetGroup(this);
    m_members.pushUniqueElement(sound);
}

void RSoundGroup::RemoveSound(RAudioInterface* sound)
{
    if (!sound)
        return;
    if (sound->GetGroup() == this)
        sound->SetGroup(nullptr);
    m_members.eraseElement(sound);
}
