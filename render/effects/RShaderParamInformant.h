// RShaderParamInformant: an object that answers shader parameters by name when the draw loop offers it a pass's
// declared uniforms (materials, renderables, entities). What it does not know it hands on to the informant chained
// to it. A link does not own its target; an informant going away unlinks itself from both ends, so no chain is
// left pointing at a deleted informant. Main thread only.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RShaderParamMapping;

class RShaderParamInformant {
public:
    // The longest chain a link may join: a parent whose chain holds this many informants or more is refused.
    static constexpr int kMaxChainDepth = 10;

    RShaderParamInformant() = default;
    // Unlinks from the informant it is chained to and unlinks every informant chained to it.
    virtual ~RShaderParamInformant();
    // A copy starts unlinked; assignment keeps this informant's own links.
    RShaderParamInformant(const RShaderParamInformant&) {}
    RShaderParamInformant& operator=(const RShaderParamInformant&) { return *this; }

    // Answers the mapping (by calling one of its typed uploads) and returns true, or returns false. This version
    // hands the three arguments to the chained informant, or answers false when there is none. Overrides answer
    // the names they know and call this version for any other.
    virtual bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                    RShaderParamInformant* requester);

    // Chains this informant to parent, or unlinks it when parent is null. Refused silently, the earlier link
    // kept, when the walk from parent along its chain meets this informant (a loop) or holds kMaxChainDepth
    // informants or more. True when the link now is parent.
    bool SetChainedInformant(RShaderParamInformant* parent);
    RShaderParamInformant* GetChainedInformant() const { return m_chainedInformant; }

private:
    RShaderParamInformant* m_chainedInformant = nullptr;
    // The informants chained to this one, so that they can be unlinked when it goes.
    RUtilVector<RShaderParamInformant*> m_chainedFrom;
};
