#include "core/types/RHandle.h"

RHandleTable* RHandleTable::s_instance = nullptr;
uint32_t RHandleTable::s_nextId = 1;
bool RHandleTable::s_closed = false;

RHandle::RHandle(uint32_t id) : m_id(id)
{
    RHandleTable::GetInstance();
}

RHandle::~RHandle()
{
    RHandleTable::GetInstance();
}

RRTTIBase* RHandle::Get() const
{
    if (m_id == 0)
        return nullptr;
    RHandleTable* table = RHandleTable::GetInstance();
    return table ? table->Lookup(m_id) : nullptr;
}

RHandleTable* RHandleTable::GetInstance()
{
    if (!s_instance && !s_closed)
        s_instance = new RHandleTable();
    return s_instance;
}

void RHandleTable::Close()
{
    s_closed = true;
    delete s_instance;
    s_instance = nullptr;
}

RHandleTable::~RHandleTable()
{
    m_map.clear();
}

RHandle RHandleTable::Register(RRTTIBase* object)
{
    RHandleRecord record;
    record.object = object;
    uint32_t id = s_nextId++;
    m_map.insert(record, id);
    return RHandle(id);
}

RRTTIBase* RHandleTable::Lookup(uint32_t id) const
{
    if (m_map.getCount() == 0)
        return nullptr;
    const RUtilMapNode<RHandleRecord, uint32_t>* node = m_map.find(id);
    return node ? node->value.object : nullptr;
}

void RHandleTable::Unregister(uint32_t id)
{
    RUtilMapNode<RHandleRecord, uint32_t>* node = m_map.find(id);
    if (!node)
        return;
    node->value.object = nullptr;
    m_map.remove(id);
}
