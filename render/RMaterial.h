// RMaterial: a material template. It chooses the technique of an effect that draws each render pass (an entry
// of its pass map, else its default technique) and counts the RMaterialInst objects bound to it. It does not own
// its instances: when it goes first, it unbinds them, so none is left pointing at it. Subclasses load their
// effect and set the techniques in their constructors; the effect must outlive the material.
#pragma once

#include <cstdint>

#include "core/RHashedString.h"
#include "core/RUtilMap.h"
#include "core/RUtilVector.h"
#include "render/RMaterialInterface.h"

class RShader;

class RMaterial : public RMaterialInterface {
public:
    RMaterial() = default;
    // Clears the pass map and unbinds every instance still bound (their template becomes null; no hook runs).
    ~RMaterial() override;
    // A copy has the source's default technique and pass map, no instances and no informant link.
    RMaterial(const RMaterial& other);
    // Replaces the pass map with a copy of the source's; the default technique and the instances stay.
    RMaterial& operator=(const RMaterial& other);

    // The pass map's technique for the render pass, else the default technique (null when none was set).
    RTechnique* GetTechniqueForPass(RHashedString renderPassId) override;
    RMaterialInst* GetInstance() override { return nullptr; }
    RMaterial* GetTemplate() override { return this; }

    // The effect's technique of that name becomes the default. Nothing changes when the effect is null or has
    // no technique of that name.
    void SetDefaultTechnique(RShader* effect, RHashedString techniqueName);
    // The effect's technique of that name draws the render pass, replacing an earlier entry for the pass.
    // Nothing changes when the effect is null or has no technique of that name.
    void SetTechniqueForPass(RShader* effect, RHashedString techniqueName, RHashedString renderPassId);
    RTechnique* GetDefaultTechnique() const { return m_defaultTechnique; }
    int32_t GetPassEntryCount() const { return m_passTechniques.getCount(); }

    // A new instance bound to this template; the caller owns and deletes it.
    RMaterialInst* CreateInstance();
    // Binds the instance to this template, first releasing it from the template it was bound to. Runs
    // OnFirstInstance just before the count goes from 0 to 1. Nothing for null or an instance bound here already.
    void AddInstance(RMaterialInst* instance);
    // Unbinds the instance. Runs OnLastInstance when the count goes from 1 to 0, before the instance's template
    // becomes null. Nothing for null or an instance not bound to this template, so the count never underflows.
    void RemoveInstance(RMaterialInst* instance);
    uint32_t GetInstanceCount() const { return m_instances.getCount(); }

protected:
    virtual void OnFirstInstance() {}
    virtual void OnLastInstance() {}

private:
    RTechnique* m_defaultTechnique = nullptr;
    // Render-pass id to the technique that draws it.
    RUtilMap<RTechnique*, RHashedString> m_passTechniques;
    // The instances bound to this template, each once; their number is the instance count.
    RUtilVector<RMaterialInst*> m_instances;
};
