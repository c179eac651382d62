#include "render/effects/RShaderParamInformant.h"

RShaderParamInformant::~RShaderParamInformant()
{
    SetChainedInformant(nullptr);
    for (uint32_t i = 0; i < m_chainedFrom.getCount(); ++i)
        m_chainedFrom[i]->m_chainedInformant = nullptr;
    m_chainedFrom.free();
}

bool RShaderParamInformant::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                               RShaderParamInformant* requester)
{
    return m_chainedInformant ? m_chainedInformant->InformShaderParams(mapping, renderPassId, requester) : false;
}

bool RShaderParamInformant::SetChainedInformant(RShaderParamInformant* parent)
{
    if (parent == m_chainedInformant)
        return true;
    if (parent) {
        const RShaderParamInformant* walk = parent;
        for (int depth = 0; walk; ++depth, walk = walk->m_chainedInformant) {
            if (walk == this || depth >= kMaxChainDepth)
                return false;
        }
    }
    if (m_chainedInformant)
        m_chainedInformant->m_chainedFrom.eraseElement(this);
    m_chainedInformant = parent;
    if (parent)
        parent->m_chainedFrom.push(this);
    return true;
}
