// Renderables and meshes: templates drawing for each of their instances, the visible flags, instance materials,
// instance counting and copies, the mesh's primitives and its missing buffers, and meshes through a device
// reset. Drawn through a real effect and read back pixel by pixel.
#include "MaterialTestEffects.h"

#include <string>
#include <vector>

#include "core/RMath.h"

using namespace gltest;
using namespace materialtest;

namespace {

const RHashedString kMainPass("Main");

// Records its hooks with the instance count each one saw.
class HookedRenderable : public RRenderable {
public:
    HookedRenderable(std::vector<std::string>* log, const char* name) : m_log(log), m_name(name) {}

protected:
    void OnFirstInstance() override { m_log->push_back(m_name + " first@" + std::to_string(GetInstanceCount())); }
    void OnLastInstance() override { m_log->push_back(m_name + " last@" + std::to_string(GetInstanceCount())); }

private:
    std::vector<std::string>* m_log;
    std::string m_name;
};

// A quarter-size copy of the full-screen quad (through "u_scale") that counts its draws and the instances it
// drew for.
class CountingQuad : public RMesh {
public:
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_scale")) {
            mapping->SetFloat(0.25f);
            return true;
        }
        return RMesh::InformShaderParams(mapping, renderPassId, requester);
    }
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override
    {
        drawnFor.push_back(instance);
        RMesh::RenderWith(renderer, instance);
    }

    std::vector<RRenderableInst*> drawnFor;
};

// Places its template's quad with "u_offset".
class PlacedInst : public RRenderableInst {
public:
    PlacedInst(float x, float y) : m_offset{x, y, 0.0f, 0.0f} {}
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

// Answers "u_base" with white, so the scoped technique draws white quads.
class WhiteMaterial : public RMaterial {
public:
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_base")) {
            RVector4 white = {1.0f, 1.0f, 1.0f, 1.0f};
            mapping->SetVector(&white);
            return true;
        }
        return RMaterial::InformShaderParams(mapping, renderPassId, requester);
    }
};

// Pixel of the window at the centre of the quarter-size quad placed at (x, y).
uint32_t PixelAt(float x, float y)
{
    int px = static_cast<int>((x + 1.0f) * 0.5f * kWindowWidth);
    int py = static_cast<int>((y + 1.0f) * 0.5f * kWindowHeight);
    return ReadPixel(px, py);
}

class RenderableGLTest : public MaterialGLTest {
protected:
    // Draws each renderable as the draw loop would, in order.
    void DrawAll(std::initializer_list<RRenderableInterface*> renderables)
    {
        for (RRenderableInterface* renderable : renderables)
            DrawForPass(renderer, renderable, kMainPass);
    }
};

// A vertex set of the given positions (x, y, z each) with 16-bit indices, owned by the test.
struct Geometry {
    RVertexSet set;
    RIndexBuffer indices;
    bool Make(const std::vector<float>& positions, const std::vector<uint16_t>& list)
    {
        RVertexStreamDesc stream = {positions.data(), 12, STREAM_POSITION, false};
        if (!set.Create(&stream, 1, static_cast<uint32_t>(positions.size() / 3)))
            return false;
        return list.empty() || indices.Create(list.data(), static_cast<uint32_t>(list.size()), false);
    }
};

}  // namespace

TEST_F(RenderableGLTest, ATemplateDrawsOnceForEachVisibleInstance)
{
    WhiteMaterial material;
    material.SetDefaultTechnique(effect, RHashedString("Scoped"));
    CountingQuad quadTemplate;
    quadTemplate.SetVertexSet(quad.mesh.GetVertexSet());
    quadTemplate.SetIndexBuffer(quad.mesh.GetIndexBuffer());
    quadTemplate.SetMaterial(&material);
    PlacedInst left(-0.5f, 0.0f);
    PlacedInst right(0.5f, 0.0f);
    left.SetTemplate(&quadTemplate);
    right.SetTemplate(&quadTemplate);

    DrawAll({&left, &right});
    EXPECT_EQ(quadTemplate.drawnFor, std::vector<RRenderableInst*>({&left, &right}));
    EXPECT_EQ(PixelAt(-0.5f, 0.0f), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(0.5f, 0.0f), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(0.0f, 0.0f), kBlack);

    // Hiding one instance skips only that one.
    renderer->ClearColour(kBlack);
    quadTemplate.drawnFor.clear();
    right.SetVisible(false);
    DrawAll({&left, &right});
    EXPECT_EQ(quadTemplate.drawnFor, std::vector<RRenderableInst*>({&left}));
    EXPECT_EQ(PixelAt(-0.5f, 0.0f), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(0.5f, 0.0f), kBlack);

    // Hiding the template skips all of them, though the instances are visible.
    renderer->ClearColour(kBlack);
    quadTemplate.drawnFor.clear();
    right.SetVisible(true);
    quadTemplate.SetVisible(false);
    DrawAll({&left, &right, &quadTemplate});
    EXPECT_TRUE(quadTemplate.drawnFor.empty());
    EXPECT_EQ(PixelAt(-0.5f, 0.0f), kBlack);
    EXPECT_EQ(PixelAt(0.5f, 0.0f), kBlack);
}

TEST_F(RenderableGLTest, AnInstancesOwnMaterialDrawsItUntilCleared)
{
    RMaterial red;
    red.SetDefaultTechnique(effect, RHashedString("Red"));
    RMaterial green;
    green.SetDefaultTechnique(effect, RHashedString("Green"));
    quad.mesh.SetMaterial(&red);
    RRenderableInst* instance = quad.mesh.CreateInstance();
    EXPECT_TRUE(instance->IsVisible());
    EXPECT_EQ(instance->GetMaterial(), &red);

    instance->SetMaterial(&green);
    EXPECT_EQ(instance->GetMaterial(), &green);
    EXPECT_EQ(quad.mesh.GetMaterial(), &red);
    ASSERT_TRUE(DrawForPass(renderer, instance, kMainPass));
    EXPECT_EQ(Centre(), kGreen);

    instance->SetMaterial(nullptr);
    EXPECT_EQ(instance->GetMaterial(), &red);
    ASSERT_TRUE(DrawForPass(renderer, instance, kMainPass));
    EXPECT_EQ(Centre(), kRed);
    delete instance;

    RRenderableInst unbound;
    EXPECT_EQ(unbound.GetMaterial(), nullptr);
    EXPECT_EQ(unbound.GetTemplate(), nullptr);
    EXPECT_EQ(unbound.GetInstance(), &unbound);
    EXPECT_EQ(quad.mesh.GetTemplate(), &quad.mesh);
    EXPECT_EQ(quad.mesh.GetInstance(), nullptr);
}

TEST(RenderableCounting, MovingAnInstanceMovesOneCountAndRunsTheOldTemplatesHookFirst)
{
    std::vector<std::string> log;
    HookedRenderable a(&log, "A");
    HookedRenderable b(&log, "B");
    RRenderableInst* first = a.CreateInstance();
    RRenderableInst* second = a.CreateInstance();
    EXPECT_EQ(a.GetInstanceCount(), 2u);
    first->SetTemplate(&b);
    EXPECT_EQ(a.GetInstanceCount(), 1u);
    EXPECT_EQ(b.GetInstanceCount(), 1u);
    second->SetTemplate(&b);
    EXPECT_EQ(log, std::vector<std::string>({"A first@0", "B first@0", "A last@0"}));

    // A last instance moving away runs the old template's last hook before the new one's first.
    log.clear();
    RRenderableInst lone;
    HookedRenderable c(&log, "C");
    HookedRenderable d(&log, "D");
    lone.SetTemplate(&c);
    d.AddInstance(&lone);
    EXPECT_EQ(log, std::vector<std::string>({"C first@0", "C last@0", "D first@0"}));
    EXPECT_EQ(c.GetInstanceCount(), 0u);
    EXPECT_EQ(d.GetInstanceCount(), 1u);

    delete first;
    delete second;
    EXPECT_EQ(b.GetInstanceCount(), 0u);
}

TEST(RenderableCounting, CountsNeverGoBelowZeroNorCountAnInstanceTwice)
{
    std::vector<std::string> log;
    HookedRenderable renderable(&log, "R");
    RRenderableInst stranger;
    renderable.RemoveInstance(&stranger);
    renderable.RemoveInstance(nullptr);
    EXPECT_EQ(renderable.GetInstanceCount(), 0u);
    RRenderableInst instance;
    renderable.AddInstance(&instance);
    renderable.AddInstance(&instance);
    EXPECT_EQ(renderable.GetInstanceCount(), 1u);
    renderable.RemoveInstance(&stranger);
    EXPECT_EQ(renderable.GetInstanceCount(), 1u);
    instance.SetTemplate(nullptr);
    instance.SetTemplate(nullptr);
    EXPECT_EQ(renderable.GetInstanceCount(), 0u);
    EXPECT_EQ(log, std::vector<std::string>({"R first@0", "R last@0"}));
}

TEST(RenderableCounting, ATemplateGoingFirstLeavesItsInstancesUnbound)
{
    RMaterial own;
    RMaterial templates;
    RRenderableInst* orphan = nullptr;
    RRenderableInst withMaterial;
    {
        RMesh mesh;
        mesh.SetMaterial(&templates);
        orphan = mesh.CreateInstance();
        withMaterial.SetTemplate(&mesh);
        withMaterial.SetMaterial(&own);
        EXPECT_EQ(orphan->GetMaterial(), &templates);
    }
    EXPECT_EQ(orphan->GetTemplate(), nullptr);
    EXPECT_EQ(orphan->GetMaterial(), nullptr);
    EXPECT_EQ(withMaterial.GetMaterial(), &own);
    RRenderableInst copy(*orphan);
    EXPECT_EQ(copy.GetTemplate(), nullptr);
    delete orphan;
}

TEST(RenderableCounting, CopiesFollowTheirOwnRules)
{
    RMaterial material;
    RMesh mesh;
    mesh.SetMaterial(&material);
    mesh.SetVisible(false);
    RVertexSet* set = reinterpret_cast<RVertexSet*>(&material);  // never dereferenced
    mesh.SetVertexSet(set);
    mesh.SetPrimitiveType(RMesh::PRIMITIVE_LINES);
    RRenderableInst* bound = mesh.CreateInstance();
    bound->SetMaterial(&material);
    bound->SetVisible(false);

    // An interface copy carries the visible flag and the material.
    RRenderableInterface plain;
    plain.SetVisible(false);
    plain.SetMaterial(&material);
    RRenderableInterface plainCopy(plain);
    EXPECT_FALSE(plainCopy.IsVisible());
    EXPECT_EQ(plainCopy.GetMaterial(), &material);

    // An instance copy is visible, has no material of its own and shares the template.
    RRenderableInst instanceCopy(*bound);
    EXPECT_TRUE(instanceCopy.IsVisible());
    EXPECT_EQ(instanceCopy.GetTemplate(), &mesh);
    EXPECT_EQ(mesh.GetInstanceCount(), 2u);
    RRenderableInst unbound;
    instanceCopy = unbound;
    EXPECT_EQ(instanceCopy.GetTemplate(), nullptr);
    EXPECT_EQ(mesh.GetInstanceCount(), 1u);
    instanceCopy = *bound;
    RRenderableInst& self = instanceCopy;
    instanceCopy = self;
    EXPECT_EQ(instanceCopy.GetTemplate(), &mesh);
    EXPECT_EQ(mesh.GetInstanceCount(), 2u);

    // A mesh copy is a fresh template sharing the geometry.
    RMesh meshCopy(mesh);
    EXPECT_TRUE(meshCopy.IsVisible());
    EXPECT_EQ(meshCopy.GetMaterial(), nullptr);
    EXPECT_EQ(meshCopy.GetInstanceCount(), 0u);
    EXPECT_EQ(meshCopy.GetVertexSet(), set);
    EXPECT_EQ(meshCopy.GetPrimitiveType(), static_cast<uint32_t>(RMesh::PRIMITIVE_LINES));

    // Mesh assignment copies the geometry and nothing of the renderable part.
    RMesh assigned;
    RRenderableInst* assignedInstance = assigned.CreateInstance();
    assigned = mesh;
    EXPECT_TRUE(assigned.IsVisible());
    EXPECT_EQ(assigned.GetMaterial(), nullptr);
    EXPECT_EQ(assigned.GetInstanceCount(), 1u);
    EXPECT_EQ(assigned.GetVertexSet(), set);
    EXPECT_EQ(assigned.GetPrimitiveType(), static_cast<uint32_t>(RMesh::PRIMITIVE_LINES));
    delete assignedInstance;
    delete bound;
}

TEST_F(RenderableGLTest, MeshesDrawTheirPrimitiveType)
{
    RMaterial red;
    red.SetDefaultTechnique(effect, RHashedString("Red"));
    // Two vertices at pixel centres, and the index pair joining them along one row.
    const int row = 10;
    float y = PixelCentre(row, kWindowHeight);
    Geometry geometry;
    ASSERT_TRUE(geometry.Make({PixelCentre(4, kWindowWidth), y, 0.0f, PixelCentre(40, kWindowWidth), y, 0.0f}, {0, 1}));
    RMesh mesh;
    mesh.SetVertexSet(&geometry.set);
    mesh.SetIndexBuffer(&geometry.indices);
    mesh.SetMaterial(&red);

    mesh.SetPrimitiveType(RMesh::PRIMITIVE_POINTS);
    ASSERT_TRUE(DrawForPass(renderer, &mesh, kMainPass));
    EXPECT_EQ(ReadPixel(4, row), kRed);
    EXPECT_EQ(ReadPixel(40, row), kRed);
    EXPECT_EQ(ReadPixel(20, row), kBlack);

    renderer->ClearColour(kBlack);
    mesh.SetPrimitiveType(RMesh::PRIMITIVE_LINES);
    ASSERT_TRUE(DrawForPass(renderer, &mesh, kMainPass));
    EXPECT_EQ(ReadPixel(20, row), kRed);
    EXPECT_EQ(ReadPixel(20, row + 2), kBlack);

    renderer->ClearColour(kBlack);
    mesh.SetPrimitiveType(7);
    ASSERT_TRUE(DrawForPass(renderer, &mesh, kMainPass));
    EXPECT_EQ(ReadPixel(4, row), kBlack);
    EXPECT_EQ(ReadPixel(20, row), kBlack);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableGLTest, AMeshWithoutAVertexSetDrawsNothing)
{
    RMaterial red;
    red.SetDefaultTechnique(effect, RHashedString("Red"));
    RMesh empty;
    empty.SetIndexBuffer(quad.mesh.GetIndexBuffer());
    empty.SetMaterial(&red);
    ASSERT_TRUE(DrawForPass(renderer, &empty, kMainPass));
    EXPECT_EQ(Centre(), kBlack);
    empty.RenderWith(nullptr, nullptr);
    quad.mesh.RenderWith(nullptr, nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableGLTest, AMeshWithoutAnIndexBufferDrawsNoOtherMeshsIndices)
{
    RMaterial red;
    red.SetDefaultTechnique(effect, RHashedString("Red"));
    quad.mesh.SetMaterial(&red);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kMainPass));
    ASSERT_EQ(renderer->GetBoundIndexBuffer(), quad.mesh.GetIndexBuffer());

    // The quad's indices, left bound, would draw this mesh's first vertices as a triangle.
    RMaterial green;
    green.SetDefaultTechnique(effect, RHashedString("Green"));
    Geometry geometry;
    ASSERT_TRUE(geometry.Make({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}, {}));
    RMesh unindexed;
    unindexed.SetVertexSet(&geometry.set);
    unindexed.SetMaterial(&green);
    ASSERT_TRUE(DrawForPass(renderer, &unindexed, kMainPass));
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    EXPECT_EQ(Centre(), kRed);

    // As points it draws its vertices without indices.
    renderer->ClearColour(kBlack);
    unindexed.SetPrimitiveType(RMesh::PRIMITIVE_POINTS);
    const float corner = PixelCentre(2, kWindowWidth);
    RVertexSet* set = &geometry.set;
    float* positions = static_cast<float*>(set->LockStream(0, true));
    ASSERT_NE(positions, nullptr);
    positions[0] = corner;
    positions[1] = PixelCentre(2, kWindowHeight);
    set->UnlockStream(0);
    ASSERT_TRUE(DrawForPass(renderer, &unindexed, kMainPass));
    EXPECT_EQ(ReadPixel(2, 2), kGreen);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderableGLTest, DestroyingAMeshLeavesItsBuffersAlive)
{
    RVertexSet* set = quad.mesh.GetVertexSet();
    RIndexBuffer* indices = quad.mesh.GetIndexBuffer();
    uint32_t vertexName = set->GetStream(0)->name;
    {
        RMesh* borrowed = new RMesh(quad.mesh);
        delete borrowed;
    }
    EXPECT_EQ(quad.mesh.GetVertexSet(), set);
    EXPECT_EQ(set->GetVertexCount(), 4u);
    EXPECT_EQ(indices->GetIndexCount(), 6u);
    EXPECT_TRUE(glIsBuffer(vertexName));

    RMaterial blue;
    blue.SetDefaultTechnique(effect, RHashedString("Blue"));
    quad.mesh.SetMaterial(&blue);
    ASSERT_TRUE(DrawForPass(renderer, &quad.mesh, kMainPass));
    EXPECT_EQ(Centre(), kBlue);
}

TEST_F(RenderableGLTest, MeshesDrawTheSameAfterADeviceReset)
{
    RMaterial material;
    material.SetDefaultTechnique(effect, RHashedString("Magenta"));
    quad.mesh.SetMaterial(&material);
    RRenderableInst* instance = quad.mesh.CreateInstance();
    uint32_t resourcesBefore = renderer->GetResources().getCount();
    renderer->RegisterResource(&quad.mesh);

    ASSERT_TRUE(DrawForPass(renderer, instance, kMainPass));
    std::vector<uint32_t> before = {Centre(), ReadPixel(0, 0), ReadPixel(kWindowWidth - 1, kWindowHeight - 1)};
    EXPECT_EQ(before[0], kMagenta);

    // Twice, and the hooks once more on their own: a mesh has nothing to release twice.
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
    renderer->ReleaseAllDynamic();
    renderer->ReleaseAllDynamic();
    renderer->RenewAllDynamic();
    ASSERT_TRUE(PrepareRenderer());
    EXPECT_EQ(quad.mesh.GetVertexSet()->GetVertexCount(), 4u);
    EXPECT_TRUE(glIsBuffer(quad.mesh.GetVertexSet()->GetStream(0)->name));

    renderer->ClearColourAndDepth(kBlack, 1.0f);
    ASSERT_TRUE(DrawForPass(renderer, instance, kMainPass));
    std::vector<uint32_t> after = {Centre(), ReadPixel(0, 0), ReadPixel(kWindowWidth - 1, kWindowHeight - 1)};
    EXPECT_EQ(after, before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    delete instance;
    renderer->UnregisterResource(&quad.mesh);
    EXPECT_EQ(renderer->GetResources().getCount(), resourcesBefore);
}

TEST_F(RenderableGLTest, ARegisteredMeshLeavesTheResourceListWhenDestroyed)
{
    uint32_t resourcesBefore = renderer->GetResources().getCount();
    RMesh* mesh = new RMesh(quad.mesh);
    renderer->RegisterResource(mesh);
    ASSERT_EQ(renderer->GetResources().getCount(), resourcesBefore + 1);
    delete mesh;
    EXPECT_EQ(renderer->GetResources().getCount(), resourcesBefore);
    // A reset after it went reaches no freed mesh.
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
    ASSERT_TRUE(PrepareRenderer());
}
