// The scene's entities and components: handles, class names and ownership, renderables stored, chained and
// released once, the player controller's suppression, moves skipping shapes that are gone, and the depth backdrop
// entity built through the pass-material host. No GL context: the renderer serves its render-group records only.
#include "core/types/RHandle.h"
#include "core/types/RHashedString.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefinedInput.h"
#include "platform/input/RInputHandler.h"
#include "render/passes/RPassMaterialHost.h"
#include "render/frame/RRenderGroup.h"
#include "render/materials/RRenderable.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderParam.h"
#include "scene/RCollisionBox.h"
#include "scene/RCollisionWorld.h"
#include "scene/RDepthBackdrop.h"
#include "scene/RPlainEntity.h"
#include "scene/RPlayerControllerComponent.h"
#include "scene/RRenderableComponent.h"
#include "scene/RSpatialComponent.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Frees the singletons the tests made, so the leak checker sees none.
class SceneTestEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
        RRenderer::DestroyInstance();
        RCollisionWorld::DestroyInstance();
        RHandleTable::Close();
        RHashedStringTable::Destroy();
    }
};
::testing::Environment* const s_environment = ::testing::AddGlobalTestEnvironment(new SceneTestEnvironment);

// A renderable that counts its destructions.
class CountedRenderable : public RRenderable {
public:
    explicit CountedRenderable(int* deaths) : m_deaths(deaths) {}
    ~CountedRenderable() override { ++*m_deaths; }

private:
    int* m_deaths;
};

// A component that counts its destructions.
class CountedComponent : public RComponent {
    RRTTI_CLASS(CountedComponent, RComponent)
public:
    static int deaths;
    ~CountedComponent() override { ++deaths; }
};
int CountedComponent::deaths = 0;

// An entity that answers "EntityTint" and records that it was asked.
class TintedEntity : public RPlainEntity {
public:
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        asked.push_back(mapping->name);
        if (mapping->name == RHashedString("EntityTint"))
            return true;
        return RPlainEntity::InformShaderParams(mapping, renderPassId, requester);
    }
    std::vector<RHashedString> asked;
};

// A parameter request that reaches no uniform.
RShaderParamMapping Request(const char* name)
{
    return RShaderParamMapping(nullptr, RHashedString(name), SHADER_PARAM_VECTOR, 1, nullptr);
}

bool GroupHolds(RHashedString group, RRenderableInterface* renderable)
{
    RRenderGroup* record = RRenderer::GetInstance()->FindRenderGroup(group);
    if (!record)
        return false;
    const auto& list = record->GetRenderables();
    return std::find(list.begin(), list.end(), renderable) != list.end();
}

}  // namespace

TEST(SceneObjects, EntitiesAndComponentsHaveHandlesAndClassNamesAndGoTogether)
{
    CountedComponent::deaths = 0;
    RPlainEntity* entity = new RPlainEntity();
    const RHandle entityHandle = entity->GetHandle();
    EXPECT_EQ(entityHandle.Get(), entity);
    EXPECT_EQ(entity->GetClassName(), RHashedString("RPlainEntity"));
    EXPECT_TRUE(entity->IsA(RHashedString("rentity"))) << "class names are case-insensitive";
    EXPECT_FALSE(entity->IsA(RHashedString("RComponent")));
    RCollisionBox shape;
    EXPECT_FALSE(shape.IsA(REntity::StaticGetClassName()));
    EXPECT_TRUE(shape.IsA(RCollisionInterface::StaticGetClassName()));

    RRenderableComponent* renderables = entity->AddComponent<RRenderableComponent>();
    const RHandle componentHandle = renderables->GetHandle();
    EXPECT_NE(componentHandle, entityHandle);
    EXPECT_EQ(componentHandle.Get(), renderables);
    EXPECT_EQ(entity->AddComponent<RRenderableComponent>(), renderables) << "one component per class";
    CountedComponent* counted = entity->AddComponent<CountedComponent>();
    entity->AddComponent<RSpatialComponent>();
    EXPECT_EQ(entity->GetComponentCount(), 3);
    EXPECT_EQ(entity->FindComponent(RHashedString("countedcomponent")), counted);
    EXPECT_EQ(entity->FindComponent(RHashedString("RPlayerControllerComponent")), nullptr);
    delete entity;
    EXPECT_EQ(CountedComponent::deaths, 1);
    EXPECT_EQ(entityHandle.Get(), nullptr);
    EXPECT_EQ(componentHandle.Get(), nullptr) << "the component went with its entity";
}

TEST(SceneObjects, RenderableComponentOwnsWhatItStores)
{
    RRenderer* renderer = RRenderer::GetInstance();
    const RHashedString group("Scene Test Group");
    renderer->CreateRenderGroup(group);
    int deaths = 0;
    RRenderableComponent* component = new RRenderableComponent();
    CountedRenderable* first = new CountedRenderable(&deaths);
    CountedRenderable* second = new CountedRenderable(&deaths);
    renderer->AddRenderableToGroup(first, group);
    component->AddRenderable(first, RHashedString());
    component->AddRenderable(nullptr, RHashedString("Nothing"));
    EXPECT_EQ(component->GetRenderableCount(), 1);

    // Replacing an entry releases the renderable it held; storing one again under another name moves it.
    component->AddRenderable(second, RHashedString());
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(GroupHolds(group, first));
    component->AddRenderable(second, RHashedString("Other"));
    component->AddRenderable(second, RHashedString("Other"));
    EXPECT_EQ(component->GetRenderableCount(), 1);
    EXPECT_EQ(component->GetRenderable(RHashedString("Other")), second);
    EXPECT_EQ(component->GetRenderable(RHashedString()), nullptr);

    renderer->AddRenderableToGroup(second, group);
    component->ReleaseRenderables();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(component->GetRenderableCount(), 0);
    EXPECT_FALSE(GroupHolds(group, second));
    component->ReleaseRenderables();
    EXPECT_EQ(deaths, 2) << "releasing twice deletes nothing twice";

    component->AddRenderable(new CountedRenderable(&deaths), RHashedString("Left"));
    delete component;
    EXPECT_EQ(deaths, 3) << "a component going away releases what it still stores";
    renderer->DestroyRenderGroup(group);
}

TEST(SceneObjects, AttachedRenderablesAskTheirEntityForParameters)
{
    const RHashedString group("Scene Attach Group");
    RRenderer::GetInstance()->CreateRenderGroup(group);
    int deaths = 0;
    TintedEntity* entity = new TintedEntity();
    CountedRenderable* renderable = new CountedRenderable(&deaths);
    entity->AttachRenderable(renderable, group, RHashedString("Body"));
    entity->AttachRenderable(nullptr, group, RHashedString("Nothing"));
    EXPECT_TRUE(GroupHolds(group, renderable));
    EXPECT_EQ(renderable->GetChainedInformant(), entity);
    ASSERT_NE(entity->GetComponent<RRenderableComponent>(), nullptr);
    EXPECT_EQ(entity->GetComponent<RRenderableComponent>()->GetRenderable(RHashedString("Body")), renderable);

    RShaderParamMapping tint = Request("EntityTint");
    RShaderParamMapping unknown = Request("NobodyKnows");
    EXPECT_TRUE(renderable->InformShaderParams(&tint, RHashedString(), renderable));
    EXPECT_FALSE(renderable->InformShaderParams(&unknown, RHashedString(), renderable));
    EXPECT_EQ(entity->asked.size(), 2u);

    delete entity;
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(GroupHolds(group, renderable));
    RRenderer::GetInstance()->DestroyRenderGroup(group);
}

TEST(SceneObjects, PlayerControllerForwardsUnlessSuppressed)
{
    const RHashedString gameplay("Gameplay");
    const RHashedString jump("Jump");
    RControlConfig* config = RControlConfig::GetInstance();
    RInputHandler* handler = RInputHandler::GetInstance();
    config->AddGroup(gameplay, false, false, true, false);
    config->AddControl(gameplay, jump, false);
    config->AddDefinedInput(gameplay, jump, RDefinedInput::Button(RDefinedInput::kKeyboard, SDL_SCANCODE_SPACE));
    auto frame = [&](float time, bool held) {
        handler->Update(0.1f);
        handler->GetCurrentState().keys[SDL_SCANCODE_SPACE] = held ? 1 : 0;
        config->UpdateControls(RControlConfig::kPerFrame, 0.1f, time);
    };

    REntity entity;
    RPlayerControllerComponent* controller = entity.AddComponent<RPlayerControllerComponent>();
    EXPECT_EQ(controller->GetValue(jump), 0.0f) << "no group set";
    controller->SetGroup(gameplay);
    frame(0.1f, false);
    frame(0.2f, true);
    auto pressedState = [&] {
        return std::vector<bool>{controller->GetValue(jump) == 1.0f, controller->JustPressed(jump, 0.5f),
                                 controller->IsDown(jump, 0.5f), controller->WasUp(jump, 0.5f),
                                 controller->PressedWithRepeat(jump)};
    };
    EXPECT_EQ(pressedState(), std::vector<bool>(5, true));
    controller->SetSuppressed(true);
    EXPECT_EQ(pressedState(), std::vector<bool>(5, false));
    frame(0.3f, false);
    EXPECT_FALSE(controller->JustReleased(jump, 0.5f));
    controller->SetSuppressed(false);
    EXPECT_TRUE(controller->JustReleased(jump, 0.5f));
    RControlConfig::DestroyInstance();
    RInputHandler::DestroyInstance();
}

namespace {

// A box that counts the moves that met it and may delete another shape when told.
class CountingShape : public RCollisionBox {
public:
    CountingShape(const RVector2& center, const RVector2& half) : RCollisionBox(center, half)
    {
        RCollisionWorld::GetInstance()->AddShape(this);
    }
    void OnContactMoved(RSpatialComponent* mover) override
    {
        ++moves;
        if (victim) {
            delete *victim;
            *victim = nullptr;
        }
    }
    int moves = 0;
    CountingShape** victim = nullptr;
};

// An entity that records the shapes its contact handler was told of.
class ContactRecorder : public REntity {
public:
    void OnContact(const RContact& contact) override { told.push_back(contact.shape.GetId()); }
    std::vector<uint32_t> told;
};

}  // namespace

TEST(SceneObjects, MovingSkipsShapesThatAreGone)
{
    ContactRecorder entity;
    RSpatialComponent* spatial = entity.AddComponent<RSpatialComponent>();
    EXPECT_EQ(spatial->GetOwner(), &entity);
    spatial->SetBox(RVector2{1.0f, 1.0f}, RVector2{0.0f, 0.0f});
    // A wall ahead, a trigger crossed before it, and a trigger deleted before the move.
    CountingShape* wall = new CountingShape(RVector2{10.0f, 0.0f}, RVector2{1.0f, 4.0f});
    CountingShape* crossed = new CountingShape(RVector2{5.0f, 0.0f}, RVector2{0.5f, 0.5f});
    CountingShape* gone = new CountingShape(RVector2{3.0f, 0.0f}, RVector2{0.5f, 0.5f});
    crossed->SetTrigger(true);
    gone->SetTrigger(true);
    const uint32_t wallId = wall->GetHandle().GetId();
    delete gone;

    // The wall is told first (solid contacts come before triggers) and deletes the trigger: it is skipped.
    wall->victim = &crossed;
    EXPECT_FALSE(spatial->Move(RVector3{20.0f, 0.0f, 3.0f}));
    EXPECT_EQ(crossed, nullptr);
    EXPECT_EQ(wall->moves, 1);
    EXPECT_EQ(entity.told, std::vector<uint32_t>{wallId});
    EXPECT_EQ(spatial->GetContactCount(), 2u) << "both were met";
    EXPECT_NEAR(spatial->GetPosition().x, 8.0f - RSpatialComponent::kSkin, 1e-4f);
    EXPECT_EQ(spatial->GetPosition().z, 3.0f);

    // The wall deleted: the next move meets nothing.
    delete wall;
    EXPECT_TRUE(spatial->Move(RVector3{20.0f, 0.0f, 0.0f}));
    EXPECT_EQ(spatial->GetContactCount(), 0u);
    RCollisionWorld::DestroyInstance();
}

namespace {

// A host whose depth backdrop renderable counts its deaths, in its own group; it is current while it lives.
class BackdropHost : public RPassMaterialHost {
public:
    BackdropHost() { SetCurrent(this); }
    RHashedString GetDefaultBackdropGroupName() const override { return RHashedString("Scene Backdrop Group"); }
    RRenderable* GetNewDepthBackdropRenderable() override
    {
        ++made;
        return giveNone ? nullptr : new CountedRenderable(&deaths);
    }
    int made = 0;
    int deaths = 0;
    bool giveNone = false;
};

}  // namespace

TEST(SceneObjects, DepthBackdropDrawsItsHostsQuadInTheBackdropGroupAndDeletesIt)
{
    RPassMaterialHost* builtIn = RPassMaterialHost::GetCurrent();
    {
        BackdropHost host;
        EXPECT_EQ(RPassMaterialHost::GetCurrent(), &host);
        RRenderer::GetInstance()->CreateRenderGroup(host.GetDefaultBackdropGroupName());
        RDepthBackdrop* backdrop = new RDepthBackdrop();
        EXPECT_TRUE(backdrop->IsA(RHashedString("REntity")));
        EXPECT_EQ(host.made, 1);
        RRenderableComponent* component = backdrop->GetComponent<RRenderableComponent>();
        ASSERT_NE(component, nullptr);
        RRenderableInterface* quad = component->GetRenderable(RHashedString());
        ASSERT_NE(quad, nullptr);
        EXPECT_TRUE(GroupHolds(host.GetDefaultBackdropGroupName(), quad));
        delete backdrop;
        EXPECT_EQ(host.deaths, 1);
        EXPECT_FALSE(GroupHolds(host.GetDefaultBackdropGroupName(), quad));

        host.giveNone = true;
        RDepthBackdrop empty;
        EXPECT_EQ(empty.GetComponent<RRenderableComponent>()->GetRenderableCount(), 0);
        RRenderer::GetInstance()->DestroyRenderGroup(host.GetDefaultBackdropGroupName());
    }
    // A host going away stops being current.
    EXPECT_EQ(RPassMaterialHost::GetCurrent(), builtIn);
    EXPECT_STREQ(builtIn->GetDefaultTitleScreenTextureFilename(), "default_title.dds");
}
