// RShader: a loaded effect. It owns the effect's GL side (built by RRenderer::CreateEffect from the effect's
// technique description and pass files), one RTechnique per distinct technique name and one parameter-set wrapper
// per technique pass. Whoever creates it deletes it; it must outlive the materials pointing at its techniques.
// Main thread only.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"

class RGLObjectShader;
class RGLObjectTechniquePass;
class RShaderParamInformant;
class RShaderParamSetWrapper;
class RTechnique;

class RShader {
public:
    // Builds the GL side from the effect file name and registers its techniques and parameters. A missing
    // technique description leaves an effect without GL side, techniques or parameters.
    RShader(const char* fileName, RHashedString name);
    // Runs Release.
    virtual ~RShader();
    RShader(const RShader&) = delete;
    RShader& operator=(const RShader&) = delete;

    // Clears the name, destroys the GL side and deletes every technique and wrapper (with their sets).
    void Release();

    // The technique of that name, or null; never adds an entry.
    RTechnique* GetTechnique(RHashedString name) const;
    // Stores the technique under its name and takes it over; false, leaving it with the caller, when a technique
    // of that name is stored already.
    bool AddTechnique(RTechnique* technique);
    // The parameter sets of a pass of this effect, or null.
    RShaderParamSetWrapper* GetParamSetWrapper(const RGLObjectTechniquePass* pass) const;
    // Stores the wrapper for the pass and takes it over; false, leaving it with the caller, when the pass has one.
    bool AddParamSetWrapper(const RGLObjectTechniquePass* pass, RShaderParamSetWrapper* wrapper);

    // Offers the pass's parameter set of the scope (RShaderParamSetWrapper::Scope) to the informant for the
    // render pass, and raises *offered; a scope whose set is empty (or a pass of another effect) calls nobody
    // and leaves the flag alone. Defined with the parameter sets (RShaderParamScopes.cpp).
    void ApplyScopeParams(uint32_t scope, RShaderParamInformant* informant, RHashedString renderPassId,
                          bool* offered, const RGLObjectTechniquePass* pass);
    // Makes this the renderer's current effect (technique and pass cleared) and resets every parameter of every
    // pass, scope by scope.
    void ResetParams();
    // Hand the effect to the renderer's device-loss and device-reset hooks.
    void OnDeviceLost();
    void OnDeviceReset();

    RHashedString GetName() const { return m_name; }
    RGLObjectShader* GetGLEffect() const { return m_glEffect; }
    int32_t GetTechniqueCount() const { return m_techniques.getCount(); }
    int32_t GetParamSetWrapperCount() const { return m_paramSetWrappers.getCount(); }

private:
    // Keyed by the technique pass.
    RUtilMap<RShaderParamSetWrapper*, const void*> m_paramSetWrappers;
    RHashedString m_name;
    RGLObjectShader* m_glEffect = nullptr;
    // Keyed by technique name interned without regard to case.
    RUtilMap<RTechnique*, RHashedString> m_techniques;
};
