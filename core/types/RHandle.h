// Handles: weak references to run-time typed objects (RRTTIBase). Every such object registers itself in the one
// RHandleTable under a 32-bit id that is never reused, so a handle resolves to its object while the object lives
// and to null afterwards. The table maps ids to objects and owns neither. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RUtilMap.h"

class RRTTIBase;

class RHandle {
public:
    // The null handle (id 0).
    RHandle() : m_id(0) {}
    // Takes id; makes sure the table exists (unless it has been closed).
    explicit RHandle(uint32_t id);
    // Unregisters nothing; makes sure the table exists unless it has been closed.
    ~RHandle();
    RHandle(const RHandle&) = default;
    RHandle& operator=(const RHandle&) = default;

    // Back to the null handle.
    void Clear() { m_id = 0; }
    // The object, or null for the null handle, an id never issued, a destroyed object or a closed table.
    RRTTIBase* Get() const;
    bool IsValid() const { return Get() != nullptr; }
    uint32_t GetId() const { return m_id; }

    bool operator==(const RHandle& other) const { return m_id == other.m_id; }
    bool operator!=(const RHandle& other) const { return m_id != other.m_id; }

private:
    uint32_t m_id;
};

struct RHandleRecord {
    RRTTIBase* object = nullptr;  // null while being removed
};

class RHandleTable {
public:
    // The table, created with an empty map on first use; null once the table has been closed.
    static RHandleTable* GetInstance();
    // Raises the closed flag, then destroys the table. From then on nothing creates it again: handles resolve to
    // null and unregistering does nothing. Called once at shut-down.
    static void Close();
    static bool IsClosed() { return s_closed; }

    virtual ~RHandleTable();

    // Stores object under the next id (1, 2, 3, ... for the whole run) and returns that id's handle.
    RHandle Register(RRTTIBase* object);
    // The object stored under id, or null.
    RRTTIBase* Lookup(uint32_t id) const;
    // Takes id out of the table; nothing when absent.
    void Unregister(uint32_t id);

    int32_t GetCount() const { return m_map.getCount(); }

private:
    RHandleTable() = default;
    RHandleTable(const RHandleTable&) = delete;
    RHandleTable& operator=(const RHandleTable&) = delete;

    static RHandleTable* s_instance;
    static uint32_t s_nextId;
    static bool s_closed;

    RUtilMap<RHandleRecord, uint32_t> m_map;
};
