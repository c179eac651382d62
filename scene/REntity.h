// REntity: the base of every object of the scene. It is a run-time typed object with its own handle, answers
// shader parameters for the renderables chained to it, and owns its components, at most one of each class, kept
// under their class names and deleted with the entity.
#pragma once

#include <cstdint>

#include "core/types/RRTTIBase.h"
#include "core/types/RUtilMap.h"
#include "render/effects/RShaderParamInformant.h"
#include "scene/RComponent.h"
#include "scene/RContact.h"

class REntity : public RRTTIBase, public RShaderParamInformant {
    RRTTI_CLASS(REntity, RRTTIBase)
public:
    REntity() = default;
    // Deletes every component, once each.
    ~REntity() override;
    REntity(const REntity&) = delete;
    REntity& operator=(const REntity&) = delete;

    // The entity's component of class T, created (default-constructed, told this entity as its owner) and
    // stored under T's class name when the entity has none yet.
    template <typename T> T* AddComponent();
    // The entity's component of class T, or null.
    template <typename T> T* GetComponent() const { return static_cast<T*>(FindComponent(T::StaticGetClassName())); }

    // The component stored under the class name, or null.
    RComponent* FindComponent(RHashedString className) const;
    int32_t GetComponentCount() const { return m_components.getCount(); }

    // The entity's contact handler: told of every shape a move of its spatial component met, after the move.
    // The handler may delete shapes; an entity that must go marks itself with RDeleteComponent instead of
    // deleting itself.
    virtual void OnContact(const RContact& contact) {}

private:
    RUtilMap<RComponent*, RHashedString> m_components;
};

template <typename T> T* REntity::AddComponent()
{
    if (T* existing = GetComponent<T>())
        return existing;
    T* component = new T();
    component->SetOwner(this);
    m_components.insert(component, T::StaticGetClassName());
    return component;
}
