// RInstanceTemplate: the instance bookkeeping that material and renderable templates share. A template counts the
// instances bound to it, each once, without owning them; when it goes first, it unbinds them, so none is left
// pointing at it. Template is the deriving template class; Instance keeps its binding in m_template (Template*)
// and befriends this class.
#pragma once

#include <cstdint>

#include "core/types/RUtilVector.h"

template <class Template, class Instance>
class RInstanceTemplate {
public:
    // A new instance bound to this template; the caller owns and deletes it.
    Instance* CreateInstance()
    {
        Instance* instance = new Instance();
        AddInstance(instance);
        return instance;
    }

    // Binds the instance to this template, first releasing it from the template it was bound to. Runs
    // OnFirstInstance just before the count goes from 0 to 1. Nothing for null or an instance bound here already.
    void AddInstance(Instance* instance)
    {
        if (!instance || instance->m_template == Self())
            return;
        if (instance->m_template)
            instance->m_template->RemoveInstance(instance);
        if (m_instances.isEmpty())
            OnFirstInstance();
        instance->m_template = Self();
        m_instances.push(instance);
    }

    // Unbinds the instance. Runs OnLastInstance when the count goes from 1 to 0, before the instance's template
    // becomes null. Nothing for null or an instance not bound to this template, so the count never underflows.
    void RemoveInstance(Instance* instance)
    {
        if (!instance || instance->m_template != Self())
            return;
        m_instances.eraseElement(instance);
        if (m_instances.isEmpty())
            OnLastInstance();
        instance->m_template = nullptr;
    }

    uint32_t GetInstanceCount() const { return m_instances.getCount(); }

protected:
    RInstanceTemplate() = default;
    // A copy starts with no instances; assignment keeps the instances it has.
    RInstanceTemplate(const RInstanceTemplate&) {}
    RInstanceTemplate& operator=(const RInstanceTemplate&) { return *this; }
    // Unbinds every instance still bound (their template becomes null; no hook runs).
    virtual ~RInstanceTemplate()
    {
        for (uint32_t i = 0; i < m_instances.getCount(); ++i)
            m_instances[i]->m_template = nullptr;
        m_instances.free();
    }

    virtual void OnFirstInstance() {}
    virtual void OnLastInstance() {}

private:
    Template* Self() { return static_cast<Template*>(this); }

    // The instances bound to this template, each once; their number is the instance count.
    RUtilVector<Instance*> m_instances;
};
