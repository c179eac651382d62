#include "platform/audio/RAudioInterface.h"

#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSoundAsset.h"
#include "platform/audio/RSoundGroup.h"

RAudioInterface::~RAudioInterface()
{
    // A destroyed sound must not stay behind in its group, whose volume changes would reach it.
    if (m_group)
        m_group->RemoveSound(this);
    delete m_asset;
}

float RAudioInterface::GetGroupVolume()
{
    float master = RAudioMgr::GetInstance()->GetMasterVolume();
    return m_group ? master * m_group->GetVolume() : master;
}

void RAudioInterface::AddRef()
{
    if (m_asset)
        m_asset->AddRef();
}

uint32_t RAudioInterface::Release()
{
    return m_asset ? m_asset->Release() : 0;
}

void RAudioInterface::SetAsset(RSoundAsset* asset)
{
    if (asset == m_asset)
        return;
    delete m_asset;
    m_asset = asset;
}
