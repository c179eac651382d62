// RRenderer: effects. Building an effect's GL side from its technique description and pass files, registering
// its uniforms into parameter sets, destroying it, and the current effect, technique and pass.
#include "render/frame/RRenderer.h"

#include <cstdio>
#include <strings.h>

#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "core/system/RLogger.h"
#include "core/text/RXMLFile.h"
#include "render/device/RGLDevice.h"
#include "render/device/RGLObjMgr.h"
#include "render/device/RGLObject.h"
#include "render/effects/RShader.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RTechnique.h"

namespace {

// A file read whole through the stream manager, from the sources mode allows, with a terminating zero. text is
// null when no source holds it, it cannot be read or it is larger than RRenderer::kMaxEffectFileBytes (nothing is
// read then); problem then names the file and says why. fromFolder says whether a folder (the resource folder,
// the user's "Mods/") held it rather than a pack.
struct FileText {
    FileText(const RString& fileName, uint32_t mode)
    {
        RStreamMgr* streams = RStreamMgr::GetInstance();
        const char* name = fileName.GetString();
        if (!streams->Exists(name, mode)) {
            problem = RString("Effect file ") + fileName + " is missing";
            return;
        }
        fromFolder = streams->IsInFolder(name, mode);
        uint32_t size = 0;
        streams->ReadFile(name, &text, &size, mode, true, RRenderer::kMaxEffectFileBytes);
        if (text) {
            length = size;
            return;
        }
        size = streams->GetFileSize(name, mode);
        char reason[64] = " could not be read";
        if (size != RPackFile::kNoSize && size > RRenderer::kMaxEffectFileBytes)
            snprintf(reason, sizeof reason, " is too large (%u bytes, more than %u)", size,
                     RRenderer::kMaxEffectFileBytes);
        problem = RString("Effect file ") + fileName + reason;
    }
    ~FileText() { delete[] text; }
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    char* text = nullptr;
    uint32_t length = 0;
    bool fromFolder = false;
    RString problem;
};

// Reads the pass's three files, fills its state maps and has the device build its program; raises *fromFolder
// when a folder held any of the files and adds to *problems what keeps the pass from drawing: a state file that
// cannot be read or feeds no vertex attribute, a shader source that is missing or does not compile or link.
void BuildPass(RGLDevice* device, const RString& baseName, RGLObjectTechnique* technique,
               RGLObjectTechniquePass* pass, uint32_t mode, bool* fromFolder, RString* problems)
{
    RString prefix = baseName + "_" + technique->techniqueName + "_" + pass->passName;
    RString vertexName = prefix + "_VS.glsl";
    RString pixelName = prefix + "_PS.glsl";
    RString stateName = prefix + "_State.ini";

    {
        FileText state(stateName, mode);
        *fromFolder = *fromFolder || state.fromFolder;
        pass->stateFile.LoadFromMemory(state.text ? state.text : "", state.length, true, true);
        pass->ReadAttributes();
        pass->ReadRenderStates();
        pass->ReadSamplerStates();
        // Without an attribute the pass receives no vertex and draws nothing.
        if (!state.text)
            *problems += state.problem + "\n";
        else if (pass->attributes.getCount() == 0)
            *problems += stateName + " gives the pass no vertex attribute\n";
    }

    FileText vertexSource(vertexName, mode);
    FileText pixelSource(pixelName, mode);
    *fromFolder = *fromFolder || vertexSource.fromFolder || pixelSource.fromFolder;
    if (!vertexSource.text || !pixelSource.text) {
        // Nothing is handed to GL: a pass without both sources has no program to build.
        pass->buildReport += "Missing shader source.\n\n";
        pass->buildReport += (!vertexSource.text ? vertexSource.problem : pixelSource.problem);
        pass->buildReport += "\nTechnique: ";
        pass->buildReport += technique->techniqueName;
        pass->buildReport += "\nPass: ";
        pass->buildReport += pass->passName;
        pass->buildReport += "\n";
    } else {
        device->BuildProgram(pass, technique->techniqueName.GetString(), vertexSource.text, vertexSource.length,
                             vertexName, pixelSource.text, pixelSource.length, pixelName);
    }
    if (!pass->linked)
        *problems += pass->buildReport;
}

// The value of the element's last attribute called "name" (any case), or the empty string.
RString NameAttribute(const RXMLTree* element)
{
    RString value;
    for (uint32_t i = 0; i < element->attributes.getCount(); ++i) {
        if (element->attributes[i]->name.EqualsNoCase("name"))
            value = element->attributes[i]->value;
    }
    return value;
}

// Whether the GL effect holds the pass.
bool EffectHoldsPass(const RGLObjectShader* effect, const RGLObjectTechniquePass* pass)
{
    for (uint32_t t = 0; pass && t < effect->techniques.getCount(); ++t) {
        const RGLObjectTechnique* technique = effect->techniques[t];
        for (uint32_t p = 0; p < technique->passes.getCount(); ++p) {
            if (technique->passes[p] == pass)
                return true;
        }
    }
    return false;
}

}  // namespace

void RRenderer::CreateEffect(const char* fileName, RGLObjectShader** out)
{
    if (!out)
        return;
    *out = nullptr;
    if (!fileName || !m_device->IsLive())
        return;
    RString baseName = RString(fileName).Left(-4);
    RString descriptionName = baseName + "_GLSL.xml";
    RStreamMgr* streams = RStreamMgr::GetInstance();
    if (!streams->Exists(descriptionName.GetString(), RStreamMgr::kPacksAndFolders)) {
        fprintf(stderr, "The effect %s could not be loaded: %s was not found\n",
                RString(fileName).EscapeControls().GetString(), descriptionName.EscapeControls().GetString());
        return;
    }

    bool fromFolder = false;
    RString problems;
    RGLObjectShader* effect = BuildEffect(baseName, RStreamMgr::kPacksAndFolders, &fromFolder, &problems);
    // A folder's files (a mod's, say) that do not build whole give way to the packed effect of the same name.
    const bool packed = fromFolder && streams->Exists(descriptionName.GetString(), RStreamMgr::kPacksOnly);
    if (packed && !effect->techniques.isEmpty())
        problems += MissingPackedTechniques(effect, descriptionName);
    if (problems.IsEmpty()) {
        *out = effect;
        return;
    }
    RString line = RString("The effect ") + fileName + " failed to build";
    if (packed) {
        RString packedProblems;
        RGLObjectShader* packedEffect = BuildEffect(baseName, RStreamMgr::kPacksOnly, &fromFolder, &packedProblems);
        if (packedProblems.IsEmpty()) {
            line += " and is drawn from the packs instead";
            DestroyEffect(effect);
            effect = packedEffect;
        } else {
            line += ", from the packs too";
            problems += RString("From the packs:\n") + packedProblems;
            DestroyEffect(packedEffect);
        }
    }
    ReportContentProblem(line + ":\n" + problems.Trim());
    *out = effect;
}

RGLObjectShader* RRenderer::ReadTechniques(const RString& descriptionName, uint32_t mode, bool* fromFolder,
                                           RString* problems)
{
    RGLObjMgr* objects = RGLObjMgr::GetInstance();
    RGLObjectShader* effect = objects->CreateObject<RGLObjectShader>(0);
    RXMLFile description;
    {
        FileText text(descriptionName, mode);
        *fromFolder = text.fromFolder;
        if (!text.text) {
            *problems += text.problem + "\n";
            return effect;
        }
        description.Parse(text.text, text.length);
    }
    for (uint32_t e = 0; e < description.elements.getCount(); ++e) {
        const RXMLTree* element = description.elements[e];
        if (!element->name.EqualsNoCase("technique"))
            continue;
        RString techniqueName = NameAttribute(element);
        if (techniqueName.IsEmpty())
            continue;
        RGLObjectTechnique* technique = objects->CreateObject<RGLObjectTechnique>(0);
        technique->techniqueName = techniqueName;
        effect->techniques.push(technique);
        for (uint32_t c = 0; c < element->children.getCount(); ++c) {
            const RXMLTree* child = element->children[c];
            if (!child->name.EqualsNoCase("pass"))
                continue;
            RString passName = NameAttribute(child);
            if (passName.IsEmpty())
                continue;
            RGLObjectTechniquePass* pass = objects->CreateObject<RGLObjectTechniquePass>(0);
            pass->passName = passName;
            technique->passes.push(pass);
        }
        if (technique->passes.isEmpty())
            *problems += descriptionName + ": the technique " + techniqueName + " has no pass\n";
    }
    if (effect->techniques.isEmpty())
        *problems += descriptionName + " holds no technique\n";
    return effect;
}

RGLObjectShader* RRenderer::BuildEffect(const RString& baseName, uint32_t mode, bool* fromFolder, RString* problems)
{
    RGLObjectShader* effect = ReadTechniques(baseName + "_GLSL.xml", mode, fromFolder, problems);
    for (uint32_t t = 0; t < effect->techniques.getCount(); ++t) {
        RGLObjectTechnique* technique = effect->techniques[t];
        for (uint32_t p = 0; p < technique->passes.getCount(); ++p)
            BuildPass(m_device, baseName, technique, technique->passes[p], mode, fromFolder, problems);
    }
    return effect;
}

RString RRenderer::MissingPackedTechniques(const RGLObjectShader* effect, const RString& descriptionName)
{
    bool fromFolder = false;
    RString ignored;
    RGLObjectShader* packed = ReadTechniques(descriptionName, RStreamMgr::kPacksOnly, &fromFolder, &ignored);
    RString missing;
    for (uint32_t t = 0; t < packed->techniques.getCount(); ++t) {
        const RString& name = packed->techniques[t]->techniqueName;
        bool found = false;
        for (uint32_t u = 0; !found && u < effect->techniques.getCount(); ++u)
            found = strcasecmp(effect->techniques[u]->techniqueName.GetString(), name.GetString()) == 0;
        if (!found)
            missing += descriptionName + " lacks the technique " + name + ", which the packed one has\n";
    }
    DestroyEffect(packed);
    return missing;
}

void RRenderer::ReportContentProblem(const RString& line)
{
    fprintf(stderr, "%s\n", line.EscapeControls().GetString());
    if (RLogger* logger = RLogger::GetExisting())
        logger->LogSafe(line.GetString());
}

void RRenderer::RegisterEffectParams(RShader* effect, RHashedString name, RGLObjectShader* glEffect)
{
    if (!effect || !glEffect || glEffect->techniques.isEmpty() || !m_device->IsLive())
        return;
    for (uint32_t t = 0; t < glEffect->techniques.getCount(); ++t) {
        RTechnique* technique = new RTechnique(effect, glEffect->techniques[t]->techniqueName.GetString());
        // A repeated name adds nothing: its record would find the first technique of that name anyway.
        if (!effect->AddTechnique(technique))
            delete technique;
    }

    RGLObjMgr* objects = RGLObjMgr::GetInstance();
    const RHashedString uniformsSection("Uniforms", true);
    for (uint32_t t = 0; t < glEffect->techniques.getCount(); ++t) {
        RGLObjectTechnique* technique = glEffect->techniques[t];
        for (uint32_t p = 0; p < technique->passes.getCount(); ++p) {
            RGLObjectTechniquePass* pass = technique->passes[p];
            if (effect->GetParamSetWrapper(pass))
                continue;
            RShaderParamSetWrapper* wrapper = new RShaderParamSetWrapper();
            effect->AddParamSetWrapper(pass, wrapper);
            // An unlinked program has no uniforms to ask for.
            if (!pass->linked)
                continue;
            m_device->ListUniforms(pass);

            pass->nextTextureUnit = 0;
            auto* uniforms = pass->stateFile.GetSections().find(uniformsSection);
            if (!uniforms)
                continue;
            for (RINIFile::Section::Iter line(uniforms->value); line.isValid(); line.next()) {
                EShaderParamType type = SHADER_PARAM_UNKNOWN;
                int32_t count = 0;
                uint32_t scope = 0;
                if (!ParseShaderParamDeclaration(line.getValue().GetString(), &type, &count, &scope))
                    continue;
                const char* uniformName = line.getKey().GetString();
                if (!uniformName || !m_device->HasUniformLocation(pass, uniformName))
                    continue;
                RGLObjectShaderParamHandle* handle = GetShaderParamHandle(pass, uniformName);
                if (!handle)
                    continue;
                wrapper->GetSet(scope)->AddShaderParam(uniformName, pass, type, count);
                if (type == SHADER_PARAM_TEXTURE && !handle->sampler) {
                    RGLObjectSampler* sampler = objects->CreateObject<RGLObjectSampler>(0);
                    sampler->textureUnit = pass->nextTextureUnit++;
                    sampler->uniformName = line.getKey();
                    handle->sampler = sampler;
                }
            }
        }
    }
}

void RRenderer::DestroyEffect(RGLObjectShader* glEffect)
{
    if (!glEffect)
        return;
    RRenderer* live = LiveInstance();
    if (RRenderer* renderer = s_instance) {
        // Nothing may keep drawing with, or binding vertices for, a pass about to go.
        if (renderer->m_currentEffect == glEffect) {
            renderer->m_currentEffect = nullptr;
            renderer->m_currentTechnique = nullptr;
            renderer->m_currentPassCount = 0;
        }
        if (EffectHoldsPass(glEffect, renderer->m_currentTechniquePass)) {
            renderer->m_currentTechniquePass = nullptr;
            if (live)
                live->m_device->UseProgram(nullptr);
        }
        if (live && EffectHoldsPass(glEffect, live->m_device->GetBoundPass()))
            live->m_device->ForgetVertexBinding();
    }
    for (uint32_t t = 0; t < glEffect->techniques.getCount(); ++t) {
        RGLObjectTechnique* technique = glEffect->techniques[t];
        for (uint32_t p = 0; p < technique->passes.getCount(); ++p) {
            RGLObjectTechniquePass* pass = technique->passes[p];
            if (live)
                live->m_device->DeleteProgram(pass);
            for (RUtilMapIter<RGLObjectShaderParamHandle*, RHashedString> handle(pass->uniformHandles);
                 handle.isValid(); handle.next()) {
                if (handle.getValue())
                    RGLObjMgr::DestroyObject(handle.getValue()->sampler);
                RGLObjMgr::DestroyObject(handle.getValue());
            }
            pass->uniformHandles.clear();
            RGLObjMgr::DestroyObject(pass);
        }
        technique->passes.free();
        RGLObjMgr::DestroyObject(technique);
    }
    glEffect->techniques.free();
    RGLObjMgr::DestroyObject(glEffect);
}

RGLObjectTechnique* RRenderer::FindTechniqueByName(RShader* effect, const char* name)
{
    RGLObjectShader* glEffect = effect ? effect->GetGLEffect() : nullptr;
    if (!glEffect || !name)
        return nullptr;
    for (uint32_t t = 0; t < glEffect->techniques.getCount(); ++t) {
        if (strcasecmp(glEffect->techniques[t]->techniqueName.GetString(), name) == 0)
            return glEffect->techniques[t];
    }
    return nullptr;
}

RGLObjectShaderParamHandle* RRenderer::GetShaderParamHandle(RGLObjectTechniquePass* pass, const char* name)
{
    if (!pass || !name)
        return nullptr;
    auto* node = pass->uniformHandles.find(RHashedString(name, true));
    if (!node) {
        // The GL reports an array uniform as "name[0]" while its base name also has a location.
        RString element = RString(name) + "[0]";
        node = pass->uniformHandles.find(RHashedString(element.GetString(), true));
    }
    return node ? node->value : nullptr;
}

void RRenderer::SetEffect(RShader* effect)
{
    m_currentEffect = effect ? effect->GetGLEffect() : nullptr;
    m_currentTechnique = nullptr;
    m_currentPassCount = 0;
    m_currentTechniquePass = nullptr;
}

void RRenderer::SetTechnique(RGLObjectTechnique* technique)
{
    m_currentTechnique = technique;
    m_currentTechniquePass = nullptr;
}

uint32_t RRenderer::BeginTechnique()
{
    m_currentPassCount = m_currentTechnique ? m_currentTechnique->passes.getCount() : 0;
    m_currentTechniquePass = nullptr;
    return m_currentPassCount;
}

bool RRenderer::BeginPass(uint32_t index)
{
    m_currentTechniquePass = nullptr;
    if (!m_device->IsLive() || !m_currentTechnique || index >= m_currentTechnique->passes.getCount())
        return false;
    RGLObjectTechniquePass* pass = m_currentTechnique->passes[index];
    // An unlinked program cannot be made current; the previous pass's program must not draw in its place.
    m_device->UseProgram(pass);
    if (!pass->linked)
        return false;
    m_currentTechniquePass = pass;
    ApplyRenderStates();
    return true;
}

void RRenderer::EndPass()
{
    m_currentTechniquePass = nullptr;
}
