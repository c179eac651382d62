// Materials: the technique a template chooses for each render pass (pass entries over the default, names the
// effect lacks ignored), instances deferring to their template, instance counting with its hooks, copies, and the
// faults guarded against: templates going before their instances and counts that could go below zero. Drawn
// through a real effect and read back pixel by pixel.
#include "MaterialTestEffects.h"

#include <string>
#include <vector>

#include "core/RMath.h"

using namespace gltest;
using namespace materialtest;

namespace {

// Records its hooks with the instance count each one saw.
class HookedMaterial : public RMaterial {
public:
    explicit HookedMaterial(std::vector<std::string>* log, const char* name = "M") : m_log(log), m_name(name) {}

protected:
    void OnFirstInstance() override { m_log->push_back(m_name + " first@" + std::to_string(GetInstanceCount())); }
    void OnLastInstance() override { m_log->push_back(m_name + " last@" + std::to_string(GetInstanceCount())); }

private:
    std::vector<std::string>* m_log;
    std::string m_name;
};

// Answers "u_base" (material scope) or "u_tint" (material-instance scope) with its colour.
template <typename Base> class ColourAnswering : public Base {
public:
    ColourAnswering(const char* parameter, RVector4 colour) : m_parameter(parameter), m_colour(colour) {}
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == m_parameter) {
            mapping->SetVector(&m_colour);
            return true;
        }
        return Base::InformShaderParams(mapping, renderPassId, requester);
    }

private:
    RHashedString m_parameter;
    RVector4 m_colour;
};

// Places the full-screen quad at its size and offset.
class PlacedInst : public RRenderableInst {
public:
    explicit PlacedInst(RVector4 offset) : m_offset(offset) {}
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_offset")) {
            mapping->SetVector(&m_offset);
            return true;
        }
        return RRenderableInst::InformShaderParams(mapping, renderPassId, requester);
    }

private:
    RVector4 m_offset;
};

class HalfSizeQuad : public RMesh {
public:
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_scale")) {
            mapping->SetFloat(0.5f);
            return true;
        }
        return RMesh::InformShaderParams(mapping, renderPassId, requester);
    }
};

const RHashedString kMainPass("Main");
const RHashedString kHUDPass("HUD");

}  // namespace

TEST_F(MaterialGLTest, TheDefaultTechniqueDrawsEveryPassWithoutAnEntry)
{
    RMaterial material;
    material.SetDefaultTechnique(effect, RHashedString("Red"));
    EXPECT_EQ(material.GetTechniqueForPass(kMainPass), Technique("Red"));
    EXPECT_EQ(material.GetTechniqueForPass(RHashedString()), Technique("Red"));

    quad.mesh.SetMaterial(&material);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kHUDPass));
    EXPECT_EQ(Centre(), kRed);
    EXPECT_EQ(ReadPixel(0, 0), kRed);
    EXPECT_EQ(ReadPixel(kWindowWidth - 1, kWindowHeight - 1), kRed);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MaterialGLTest, APassEntryWinsOverTheDefaultForItsPassOnly)
{
    RMaterial material;
    material.SetDefaultTechnique(effect, RHashedString("Red"));
    material.SetTechniqueForPass(effect, RHashedString("Blue"), kMainPass);
    // A second entry for the same pass replaces the first.
    material.SetTechniqueForPass(effect, RHashedString("Green"), kMainPass);
    EXPECT_EQ(material.GetPassEntryCount(), 1);
    EXPECT_EQ(material.GetTechniqueForPass(kMainPass), Technique("Green"));
    EXPECT_EQ(material.GetTechniqueForPass(kHUDPass), Technique("Red"));

    quad.mesh.SetMaterial(&material);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kMainPass));
    EXPECT_EQ(Centre(), kGreen);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kHUDPass));
    EXPECT_EQ(Centre(), kRed);
}

TEST_F(MaterialGLTest, EveryPassOfTheChosenTechniqueIsDrawn)
{
    RMaterial material;
    material.SetDefaultTechnique(effect, RHashedString("Magenta"));
    quad.mesh.SetMaterial(&material);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kMainPass));
    // Red from the first pass, blue added by the second.
    EXPECT_EQ(Centre(), kMagenta);
}

TEST_F(MaterialGLTest, TechniqueNamesTheEffectLacksAreIgnored)
{
    RMaterial material;
    material.SetDefaultTechnique(effect, RHashedString("Blue"));
    material.SetDefaultTechnique(effect, RHashedString("Purple"));
    material.SetDefaultTechnique(nullptr, RHashedString("Green"));
    EXPECT_EQ(material.GetDefaultTechnique(), Technique("Blue"));

    material.SetTechniqueForPass(effect, RHashedString("Green"), kMainPass);
    material.SetTechniqueForPass(effect, RHashedString("Purple"), kMainPass);
    material.SetTechniqueForPass(nullptr, RHashedString("Red"), kMainPass);
    material.SetTechniqueForPass(effect, RHashedString("Purple"), kHUDPass);
    EXPECT_EQ(material.GetPassEntryCount(), 1);
    EXPECT_EQ(material.GetTechniqueForPass(kMainPass), Technique("Green"));
    EXPECT_EQ(material.GetTechniqueForPass(kHUDPass), Technique("Blue"));
}

TEST_F(MaterialGLTest, AMaterialThatChoosesNoTechniqueDrawsNothing)
{
    RMaterial material;
    EXPECT_EQ(material.GetTechniqueForPass(kMainPass), nullptr);
    RMaterialInst unbound;
    EXPECT_EQ(unbound.GetTechniqueForPass(kMainPass), nullptr);
    EXPECT_EQ(unbound.GetTemplate(), nullptr);

    quad.mesh.SetMaterial(&material);
    EXPECT_FALSE(DrawForPass(renderer, &quad.mesh, kMainPass));
    quad.mesh.SetMaterial(&unbound);
    EXPECT_FALSE(DrawForPass(renderer, &quad.mesh, kMainPass));
    EXPECT_EQ(Centre(), kBlack);
}

TEST_F(MaterialGLTest, InstancesDrawWithTheirTemplatesTechniqueAndTheirOwnParameters)
{
    // Base colour red from the template, tints from each instance: the left quad green, the right one blue.
    ColourAnswering<RMaterial> base("u_base", {1.0f, 0.0f, 0.0f, 1.0f});
    base.SetDefaultTechnique(effect, RHashedString("Scoped"));
    base.SetTechniqueForPass(effect, RHashedString("Green"), kHUDPass);
    ColourAnswering<RMaterialInst> greenTint("u_tint", {0.0f, 1.0f, 0.0f, 0.0f});
    ColourAnswering<RMaterialInst> blueTint("u_tint", {0.0f, 0.0f, 1.0f, 0.0f});
    greenTint.SetTemplate(&base);
    blueTint.SetTemplate(&base);
    EXPECT_EQ(greenTint.GetTechniqueForPass(kMainPass), Technique("Scoped"));
    EXPECT_EQ(blueTint.GetTechniqueForPass(kHUDPass), Technique("Green"));

    HalfSizeQuad halfQuad;
    halfQuad.SetVertexSet(quad.mesh.GetVertexSet());
    halfQuad.SetIndexBuffer(quad.mesh.GetIndexBuffer());
    PlacedInst left({-0.5f, 0.0f, 0.0f, 0.0f});
    PlacedInst right({0.5f, 0.0f, 0.0f, 0.0f});
    left.SetTemplate(&halfQuad);
    right.SetTemplate(&halfQuad);
    left.SetMaterial(&greenTint);
    right.SetMaterial(&blueTint);

    ASSERT_TRUE(DrawForPass(renderer, &left, kMainPass));
    ASSERT_TRUE(DrawForPass(renderer, &right, kMainPass));
    const int y = kWindowHeight / 2;
    EXPECT_EQ(ReadPixel(kWindowWidth / 4, y), 0xFFFFFF00u);
    EXPECT_EQ(ReadPixel(kWindowWidth * 3 / 4, y), kMagenta);
    // Outside the half-height quads nothing was drawn.
    EXPECT_EQ(ReadPixel(kWindowWidth / 4, 1), kBlack);
    EXPECT_EQ(ReadPixel(kWindowWidth * 3 / 4, kWindowHeight - 2), kBlack);
}

TEST(MaterialCounting, HooksRunOnceForTheFirstAndTheLastInstance)
{
    std::vector<std::string> log;
    HookedMaterial material(&log);
    RMaterialInst* first = material.CreateInstance();
    RMaterialInst* second = material.CreateInstance();
    EXPECT_EQ(material.GetInstanceCount(), 2u);
    EXPECT_EQ(first->GetTemplate(), &material);
    EXPECT_EQ(second->GetInstance(), second);
    EXPECT_EQ(log, std::vector<std::string>({"M first@0"}));

    delete first;
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    EXPECT_EQ(log.size(), 1u);
    delete second;
    EXPECT_EQ(material.GetInstanceCount(), 0u);
    EXPECT_EQ(log, std::vector<std::string>({"M first@0", "M last@0"}));
}

TEST(MaterialCounting, TemplateAndInstanceAnswerForThemselves)
{
    RMaterial material;
    EXPECT_EQ(material.GetTemplate(), &material);
    EXPECT_EQ(material.GetInstance(), nullptr);
    RMaterialInterface plain;
    EXPECT_EQ(plain.GetTemplate(), nullptr);
    EXPECT_EQ(plain.GetInstance(), nullptr);
    EXPECT_EQ(plain.GetTechniqueForPass(kMainPass), nullptr);
}

TEST(MaterialCounting, SettingANullTemplateReleasesTheBinding)
{
    std::vector<std::string> log;
    HookedMaterial material(&log);
    RMaterialInst instance;
    instance.SetTemplate(&material);
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    instance.SetTemplate(nullptr);
    EXPECT_EQ(material.GetInstanceCount(), 0u);
    EXPECT_EQ(instance.GetTemplate(), nullptr);
    EXPECT_EQ(log, std::vector<std::string>({"M first@0", "M last@0"}));
    // Releasing again counts nothing twice.
    instance.SetTemplate(nullptr);
    EXPECT_EQ(material.GetInstanceCount(), 0u);
    EXPECT_EQ(log.size(), 2u);
}

TEST(MaterialCounting, MovingAnInstanceReleasesTheOldTemplateBeforeBindingTheNew)
{
    std::vector<std::string> log;
    HookedMaterial a(&log, "A");
    HookedMaterial b(&log, "B");
    RMaterialInst instance;
    instance.SetTemplate(&a);
    instance.SetTemplate(&b);
    EXPECT_EQ(a.GetInstanceCount(), 0u);
    EXPECT_EQ(b.GetInstanceCount(), 1u);
    // Binding through the new template directly moves the instance back the same way.
    a.AddInstance(&instance);
    EXPECT_EQ(a.GetInstanceCount(), 1u);
    EXPECT_EQ(b.GetInstanceCount(), 0u);
    EXPECT_EQ(log, std::vector<std::string>({"A first@0", "A last@0", "B first@0", "B last@0", "A first@0"}));
}

TEST(MaterialCounting, CountsNeverGoBelowZeroNorCountAnInstanceTwice)
{
    std::vector<std::string> log;
    HookedMaterial material(&log);
    HookedMaterial other(&log, "O");
    RMaterialInst stranger;
    material.RemoveInstance(&stranger);
    material.RemoveInstance(nullptr);
    EXPECT_EQ(material.GetInstanceCount(), 0u);

    RMaterialInst instance;
    material.AddInstance(&instance);
    material.AddInstance(&instance);
    material.AddInstance(nullptr);
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    // An instance bound elsewhere is not this template's to release.
    stranger.SetTemplate(&other);
    material.RemoveInstance(&stranger);
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    EXPECT_EQ(other.GetInstanceCount(), 1u);
    EXPECT_EQ(stranger.GetTemplate(), &other);
    EXPECT_EQ(log, std::vector<std::string>({"M first@0", "O first@0"}));
}

TEST(MaterialCounting, ATemplateGoingFirstLeavesItsInstancesUnbound)
{
    RMaterialInst* survivor = nullptr;
    RMaterialInst copySource;
    {
        RMaterial material;
        survivor = material.CreateInstance();
        copySource.SetTemplate(&material);
        EXPECT_EQ(material.GetInstanceCount(), 2u);
    }
    EXPECT_EQ(survivor->GetTemplate(), nullptr);
    EXPECT_EQ(survivor->GetTechniqueForPass(kMainPass), nullptr);
    EXPECT_EQ(copySource.GetTemplate(), nullptr);
    // Copying, rebinding and deleting the orphans touch no freed template.
    RMaterialInst copy(copySource);
    EXPECT_EQ(copy.GetTemplate(), nullptr);
    RMaterial next;
    survivor->SetTemplate(&next);
    EXPECT_EQ(next.GetInstanceCount(), 1u);
    delete survivor;
    EXPECT_EQ(next.GetInstanceCount(), 0u);
}

TEST(MaterialCounting, CopiesOfInstancesBindToTheSameTemplate)
{
    std::vector<std::string> log;
    HookedMaterial material(&log);
    RMaterialInst unbound;
    RMaterialInst unboundCopy(unbound);
    EXPECT_EQ(unboundCopy.GetTemplate(), nullptr);
    EXPECT_EQ(material.GetInstanceCount(), 0u);
    EXPECT_TRUE(log.empty());

    RMaterialInst bound;
    bound.SetTemplate(&material);
    RMaterialInterface chainParent;
    ASSERT_TRUE(bound.SetChainedInformant(&chainParent));
    {
        RMaterialInst copy(bound);
        EXPECT_EQ(copy.GetTemplate(), &material);
        EXPECT_EQ(copy.GetChainedInformant(), nullptr);
        EXPECT_EQ(material.GetInstanceCount(), 2u);

        // Assignment releases the old binding and takes the source's; from itself it keeps its binding.
        copy = unbound;
        EXPECT_EQ(copy.GetTemplate(), nullptr);
        EXPECT_EQ(material.GetInstanceCount(), 1u);
        copy = bound;
        EXPECT_EQ(material.GetInstanceCount(), 2u);
        RMaterialInst& self = copy;
        copy = self;
        EXPECT_EQ(copy.GetTemplate(), &material);
        EXPECT_EQ(material.GetInstanceCount(), 2u);
    }
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    EXPECT_EQ(log, std::vector<std::string>({"M first@0"}));
}

TEST_F(MaterialGLTest, ACopiedTemplateCarriesItsTechniquesButNoInstances)
{
    RMaterial source;
    source.SetDefaultTechnique(effect, RHashedString("Red"));
    source.SetTechniqueForPass(effect, RHashedString("Green"), kMainPass);
    RMaterialInst* instance = source.CreateInstance();

    RMaterial copy(source);
    EXPECT_EQ(copy.GetInstanceCount(), 0u);
    EXPECT_EQ(copy.GetTechniqueForPass(kMainPass), Technique("Green"));
    EXPECT_EQ(copy.GetTechniqueForPass(kHUDPass), Technique("Red"));

    // Assignment takes the source's pass entries and keeps its own default and instances.
    RMaterial assigned;
    assigned.SetDefaultTechnique(effect, RHashedString("Blue"));
    assigned.SetTechniqueForPass(effect, RHashedString("Red"), kHUDPass);
    RMaterialInst* assignedInstance = assigned.CreateInstance();
    assigned = source;
    EXPECT_EQ(assigned.GetPassEntryCount(), 1);
    EXPECT_EQ(assigned.GetTechniqueForPass(kMainPass), Technique("Green"));
    EXPECT_EQ(assigned.GetTechniqueForPass(kHUDPass), Technique("Blue"));
    EXPECT_EQ(assigned.GetInstanceCount(), 1u);
    RMaterial& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.GetTechniqueForPass(kMainPass), Technique("Green"));

    quad.mesh.SetMaterial(&copy);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kMainPass));
    EXPECT_EQ(Centre(), kGreen);
    delete instance;
    delete assignedInstance;
}
