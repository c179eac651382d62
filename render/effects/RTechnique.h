// RTechnique: one technique of a loaded effect as materials see it: its owner, its name and the GL technique
// drawn for it. The owning RShader creates and deletes it; materials only point at it.
#pragma once

#include "core/types/RHashedString.h"

class RShader;
class RGLObjectTechnique;

class RTechnique {
public:
    // Interns name without regard to case and looks up the first GL technique of the owner's GL side of that
    // name (any case); it stays null when there is none.
    RTechnique(RShader* owner, const char* name);
    RTechnique(const RTechnique&) = delete;
    RTechnique& operator=(const RTechnique&) = delete;

    RShader* GetOwner() const { return m_owner; }
    RHashedString GetName() const { return m_name; }
    RGLObjectTechnique* GetGLTechnique() const { return m_glTechnique; }

private:
    RShader* m_owner;
    RHashedString m_name;
    RGLObjectTechnique* m_glTechnique;
};
