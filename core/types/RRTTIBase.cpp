#include "core/types/RRTTIBase.h"

RRTTIBase::RRTTIBase()
{
    m_handle.Clear();
    if (RHandleTable* table = RHandleTable::GetInstance())
        m_handle = table->Register(this);
}

RRTTIBase::RRTTIBase(const RRTTIBase&) : RRTTIBase() {}

RRTTIBase::~RRTTIBase()
{
    if (RHandleTable* table = RHandleTable::GetInstance())
        table->Unregister(m_handle.GetId());
}

RHashedString RRTTIBase::StaticGetClassName()
{
    static const RHashedString s_className("RRTTIBase");
    return s_className;
}
