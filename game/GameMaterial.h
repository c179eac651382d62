// GameMaterial: a material of the game's own effects: it loads one effect file, draws with one of its techniques
// (the material's choice may change while it is used, as the CRT look does) and answers the effect's material
// parameters it was given: textures by name and vectors by value. It holds one reference on its effect from
// construction to destruction. Main thread only.
#pragma once

#include "core/types/RMath.h"
#include "core/types/RUtilMap.h"
#include "render/materials/RMaterial.h"

class RShader;

class GameMaterial : public RMaterial {
public:
    // Loads the effect file under its name and draws with the technique of that name.
    GameMaterial(const char* effectFile, const char* effectName, const char* technique);
    ~GameMaterial() override;

    // Draws with the effect's technique of that name from now on; nothing when the effect has none.
    void UseTechnique(const char* technique);
    // The parameter of that name is answered with the named texture, or with the vector.
    void SetTexture(const char* parameter, const char* textureName);
    void SetVector(const char* parameter, const RVector4& value);

    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

private:
    RShader* m_effect;
    RHashedString m_effectName;
    RUtilMap<RHashedString, RHashedString> m_textures;  // parameter to texture name
    RUtilMap<RVector4, RHashedString> m_vectors;
};
