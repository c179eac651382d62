// Materials and renderables: the technique a template chooses for each render pass, instances deferring to their
// templates, instance counting with its hooks and copies, templates going before their instances.
#include <string>
#include <vector>

#include "ShaderTestSupport.h"
#include "core/types/RMath.h"

using namespace gltest;
using namespace materialtest;

namespace {

const RHashedString kMainPass("Main");
const RHashedString kHUDPass("HUD");

// Records its hooks with the instance count each one saw.
template <typename Base> class Hooked : public Base {
public:
    Hooked(std::vector<std::string>* log, const char* name) : m_log(log), m_name(name) {}

protected:
    void OnFirstInstance() override { m_log->push_back(m_name + " first@" + std::to_string(this->GetInstanceCount())); }
    void OnLastInstance() override { m_log->push_back(m_name + " last@" + std::to_string(this->GetInstanceCount())); }

private:
    std::vector<std::string>* m_log;
    std::string m_name;
};
using Log = std::vector<std::string>;

// Answers one vector or float parameter by name.
template <typename Base> class Answering : public Base {
public:
    Answering(const char* parameter, RVector4 value) : m_parameter(parameter), m_value(value) {}
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name != m_parameter)
            return Base::InformShaderParams(mapping, renderPassId, requester);
        if (mapping->name == RHashedString("u_scale"))
            mapping->SetFloat(m_value.x);
        else
            mapping->SetVector(&m_value);
        return true;
    }

private:
    RHashedString m_parameter;
    RVector4 m_value;
};

}  // namespace

TEST_F(MaterialGLTest, TheTechniqueForAPassIsItsEntryOrElseTheDefault)
{
    RMaterial material;
    quad.mesh.SetMaterial(&material);
    EXPECT_FALSE(DrawForPass(renderer, &quad.mesh, kMainPass));  // no technique: nothing drawn
    EXPECT_EQ(Centre(), kBlack);
    material.SetDefaultTechnique(effect, RHashedString("Red"));
    material.SetDefaultTechnique(effect, RHashedString("Purple"));  // names the effect lacks are ignored
    material.SetDefaultTechnique(nullptr, RHashedString("Green"));
    material.SetTechniqueForPass(effect, RHashedString("Blue"), kMainPass);
    material.SetTechniqueForPass(effect, RHashedString("Magenta"), kMainPass);  // replaces the entry
    material.SetTechniqueForPass(effect, RHashedString("Purple"), kMainPass);
    material.SetTechniqueForPass(nullptr, RHashedString("Green"), kMainPass);
    material.SetTechniqueForPass(effect, RHashedString("Purple"), kHUDPass);
    EXPECT_EQ(material.GetPassEntryCount(), 1);
    EXPECT_EQ(material.GetTechniqueForPass(RHashedString()), Technique("Red"));

    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kHUDPass));
    EXPECT_EQ(ReadPixel(0, 0), kRed);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kMainPass));
    EXPECT_EQ(Centre(), kMagenta);  // red from the first pass, blue added by the second
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MaterialGLTest, InstancesDrawWithTheirTemplatesTechniqueAndTheirOwnParameters)
{
    // Base colour red from the template, tints from each material instance; the instances place the quads.
    Answering<RMaterial> base("u_base", {1.0f, 0.0f, 0.0f, 1.0f});
    base.SetDefaultTechnique(effect, RHashedString("Scoped"));
    Answering<RMaterialInst> greenTint("u_tint", {0.0f, 1.0f, 0.0f, 0.0f});
    Answering<RMaterialInst> blueTint("u_tint", {0.0f, 0.0f, 1.0f, 0.0f});
    greenTint.SetTemplate(&base);
    blueTint.SetTemplate(&base);
    Answering<RMesh> halfQuad("u_scale", {0.5f, 0.0f, 0.0f, 0.0f});
    halfQuad.SetVertexSet(quad.mesh.GetVertexSet());
    halfQuad.SetIndexBuffer(quad.mesh.GetIndexBuffer());
    Answering<RRenderableInst> left("u_offset", {-0.5f, 0.0f, 0.0f, 0.0f});
    Answering<RRenderableInst> right("u_offset", {0.5f, 0.0f, 0.0f, 0.0f});
    left.SetTemplate(&halfQuad);
    right.SetTemplate(&halfQuad);
    left.SetMaterial(&greenTint);
    right.SetMaterial(&blueTint);

    ASSERT_TRUE(DrawForPass(renderer, &left, kMainPass));
    ASSERT_TRUE(DrawForPass(renderer, &right, kMainPass));
    const int y = kWindowHeight / 2;
    EXPECT_EQ(ReadPixel(kWindowWidth / 4, y), 0xFFFFFF00u);
    EXPECT_EQ(ReadPixel(kWindowWidth * 3 / 4, y), kMagenta);

    // An instance's own material draws it until cleared, then its template's.
    RMaterial red;
    red.SetDefaultTechnique(effect, RHashedString("Red"));
    quad.mesh.SetMaterial(&red);
    RRenderableInst* instance = quad.mesh.CreateInstance();
    instance->SetMaterial(&blueTint);
    EXPECT_EQ(instance->GetMaterial(), &blueTint);
    instance->SetMaterial(nullptr);
    EXPECT_EQ(instance->GetMaterial(), &red);
    ASSERT_TRUE(DrawForPass(renderer, instance, kMainPass));
    EXPECT_EQ(Centre(), kRed);
    delete instance;
}

TEST(MaterialCounting, HooksRunForTheFirstAndLastInstanceAndTheOldTemplateGoesFirst)
{
    Log log;
    Hooked<RMaterial> a(&log, "A");
    Hooked<RMaterial> b(&log, "B");
    RMaterialInst* first = a.CreateInstance();
    RMaterialInst* second = a.CreateInstance();
    EXPECT_EQ(a.GetInstanceCount(), 2u);
    EXPECT_EQ(first->GetTemplate(), &a);
    delete first;
    second->SetTemplate(&b);  // a's last hook before b's first
    b.AddInstance(second);
    second->SetTemplate(nullptr);
    second->SetTemplate(nullptr);  // released once only
    EXPECT_EQ(log, Log({"A first@0", "A last@0", "B first@0", "B last@0"}));
    a.AddInstance(second);  // binding through the new template moves it back the same way
    EXPECT_EQ(a.GetInstanceCount(), 1u);
    delete second;
    EXPECT_EQ(a.GetInstanceCount(), 0u);
    EXPECT_EQ(log.size(), 6u);

    Hooked<RRenderable> c(&log, "C");
    Hooked<RRenderable> d(&log, "D");
    RRenderableInst lone;
    lone.SetTemplate(&c);
    d.AddInstance(&lone);
    EXPECT_EQ(c.GetInstanceCount(), 0u);
    EXPECT_EQ(d.GetInstanceCount(), 1u);
    EXPECT_EQ(Log(log.begin() + 6, log.end()), Log({"C first@0", "C last@0", "D first@0"}));
}

TEST(MaterialCounting, CountsNeverGoBelowZeroNorCountAnInstanceTwice)
{
    Log log;
    Hooked<RMaterial> material(&log, "M");
    Hooked<RMaterial> other(&log, "O");
    RMaterialInst stranger;
    material.RemoveInstance(&stranger);
    material.RemoveInstance(nullptr);
    RMaterialInst instance;
    material.AddInstance(&instance);
    material.AddInstance(&instance);
    material.AddInstance(nullptr);
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    stranger.SetTemplate(&other);
    material.RemoveInstance(&stranger);  // bound elsewhere: not this template's to release
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    EXPECT_EQ(stranger.GetTemplate(), &other);
    EXPECT_EQ(log, Log({"M first@0", "O first@0"}));

    Hooked<RRenderable> renderable(&log, "R");
    RRenderableInst unbound, bound;
    renderable.RemoveInstance(&unbound);
    renderable.AddInstance(&bound);
    renderable.AddInstance(&bound);
    renderable.RemoveInstance(&unbound);
    EXPECT_EQ(renderable.GetInstanceCount(), 1u);
    bound.SetTemplate(nullptr);
    bound.SetTemplate(nullptr);
    EXPECT_EQ(renderable.GetInstanceCount(), 0u);
    EXPECT_EQ(Log(log.begin() + 2, log.end()), Log({"R first@0", "R last@0"}));
}

TEST(MaterialCounting, TemplatesGoingFirstLeaveTheirInstancesUnbound)
{
    RMaterialInst* survivor = nullptr;
    RMaterialInst copySource;
    RMaterial own, templates;
    RRenderableInst* orphan = nullptr;
    RRenderableInst withMaterial;
    {
        RMaterial material;
        survivor = material.CreateInstance();
        copySource.SetTemplate(&material);
        RMesh mesh;
        mesh.SetMaterial(&templates);
        orphan = mesh.CreateInstance();
        withMaterial.SetTemplate(&mesh);
        withMaterial.SetMaterial(&own);
    }
    EXPECT_EQ(survivor->GetTemplate(), nullptr);
    EXPECT_EQ(survivor->GetTechniqueForPass(kMainPass), nullptr);
    EXPECT_EQ(copySource.GetTemplate(), nullptr);
    EXPECT_EQ(orphan->GetTemplate(), nullptr);
    EXPECT_EQ(orphan->GetMaterial(), nullptr);
    EXPECT_EQ(withMaterial.GetMaterial(), &own);
    // Copying, rebinding and deleting the orphans touch no freed template.
    RMaterialInst copy(copySource);
    EXPECT_EQ(copy.GetTemplate(), nullptr);
    RRenderableInst orphanCopy(*orphan);
    EXPECT_EQ(orphanCopy.GetTemplate(), nullptr);
    RMaterial next;
    survivor->SetTemplate(&next);
    EXPECT_EQ(next.GetInstanceCount(), 1u);
    delete survivor;
    delete orphan;
    EXPECT_EQ(next.GetInstanceCount(), 0u);
}

TEST(MaterialCounting, CopiesAndSelfAssignmentKeepTheCounts)
{
    Log log;
    Hooked<RMaterial> material(&log, "M");
    RMaterialInst unbound;
    RMaterialInst bound;
    bound.SetTemplate(&material);
    RMaterialInterface chainParent;
    ASSERT_TRUE(bound.SetChainedInformant(&chainParent));
    {
        RMaterialInst copy(bound);
        EXPECT_EQ(copy.GetTemplate(), &material);
        EXPECT_EQ(copy.GetChainedInformant(), nullptr);
        EXPECT_EQ(material.GetInstanceCount(), 2u);
        copy = unbound;
        EXPECT_EQ(material.GetInstanceCount(), 1u);
        copy = bound;
        RMaterialInst& self = copy;
        copy = self;
        EXPECT_EQ(copy.GetTemplate(), &material);
        EXPECT_EQ(material.GetInstanceCount(), 2u);
    }
    EXPECT_EQ(material.GetInstanceCount(), 1u);
    EXPECT_EQ(log, Log({"M first@0"}));

    RMesh mesh;
    RRenderableInst* instance = mesh.CreateInstance();
    instance->SetVisible(false);
    RRenderableInst instanceCopy(*instance);  // visible, without a material of its own, same template
    EXPECT_TRUE(instanceCopy.IsVisible());
    EXPECT_EQ(mesh.GetInstanceCount(), 2u);
    RRenderableInst& self = instanceCopy;
    instanceCopy = self;
    EXPECT_EQ(instanceCopy.GetTemplate(), &mesh);
    EXPECT_EQ(mesh.GetInstanceCount(), 2u);
    // A mesh copy or assignment takes the geometry and nothing of the renderable part.
    mesh.SetMaterial(&material);
    mesh.SetPrimitiveType(RMesh::PRIMITIVE_LINES);
    EXPECT_EQ(RMesh(mesh).GetInstanceCount(), 0u);
    EXPECT_EQ(RMesh(mesh).GetMaterial(), nullptr);
    RMesh assigned;
    RRenderableInst* assignedInstance = assigned.CreateInstance();
    assigned = mesh;
    EXPECT_EQ(assigned.GetPrimitiveType(), static_cast<uint32_t>(RMesh::PRIMITIVE_LINES));
    EXPECT_EQ(assigned.GetMaterial(), nullptr);
    EXPECT_EQ(assigned.GetInstanceCount(), 1u);
    delete assignedInstance;
    delete instance;
}
