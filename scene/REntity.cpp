#include "scene/REntity.h"

#include "core/types/RUtilVector.h"

REntity::~REntity()
{
    // The map is emptied before any component goes, so a component's destructor never finds itself or another
    // half-deleted component through the entity.
    RUtilVector<RComponent*> components;
    for (RUtilMap<RComponent*, RHashedString>::Iter iter(m_components); iter.isValid(); iter.next())
        components.push(iter.getValue());
    m_components.clear();
    for (uint32_t i = 0; i < components.getCount(); ++i)
        delete components[i];
}

RComponent* REntity::FindComponent(RHashedString className) const
{
    RUtilMapNode<RComponent*, RHashedString>* node = m_components.find(className);
    return node ? node->value : nullptr;
}
