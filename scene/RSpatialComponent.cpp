#include "scene/RSpatialComponent.h"

#include <cmath>

#include "scene/RBasingComponent.h"
#include "scene/RCollisionBox.h"
#include "scene/RCollisionWorld.h"
#include "scene/REntity.h"
#include "scene/RJumpComponent.h"

namespace {

bool Finite(const RVector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float Dot(const RVector2& a, const RVector2& b) { return a.x * b.x + a.y * b.y; }

}  // namespace

RSpatialComponent::RSpatialComponent()
{
    // Every move empties and refills the contacts: their storage is kept.
    m_contacts.setNoShrink(true);
}

RSpatialComponent::~RSpatialComponent()
{
    delete m_box;
}

void RSpatialComponent::SetPosition(const RVector3& position)
{
    if (!Finite(position))
        return;
    m_position = m_previous = m_display = position;
    PlaceBox();
}

RCollisionBox* RSpatialComponent::SetBox(const RVector2& halfExtents, const RVector2& offset)
{
    delete m_box;
    m_box = new RCollisionBox(RVector2{0.0f, 0.0f}, halfExtents);
    m_box->SetOwner(GetOwner());
    m_boxOffset = std::isfinite(offset.x) && std::isfinite(offset.y) ? offset : RVector2{0.0f, 0.0f};
    PlaceBox();
    RCollisionWorld::GetInstance()->AddShape(m_box);
    return m_box;
}

void RSpatialComponent::PlaceBox()
{
    if (m_box)
        m_box->SetPosition(RVector2{m_position.x + m_boxOffset.x, m_position.y + m_boxOffset.y});
}

bool RSpatialComponent::Step(float step)
{
    const RVector3 delta = {m_velocity.x * step, m_velocity.y * step, m_velocity.z * step};
    return Move(delta);
}

bool RSpatialComponent::Move(const RVector3& delta)
{
    m_contacts.clear();
    if (!Finite(delta) || !Finite(m_velocity)) {
        m_velocity = RVector3{0.0f, 0.0f, 0.0f};
        return false;
    }
    m_position.z += delta.z;
    bool whole = true;
    if (!m_box) {
        m_position.x += delta.x;
        m_position.y += delta.y;
    } else {
        RefreshIgnoredOneWay();
        RCollisionWorld* world = RCollisionWorld::GetInstance();
        RSweepFilter filter;
        filter.self = m_box;
        filter.ignored = &m_ignoredOneWay;
        RUtilVector<RHandle> triggers;
        RVector2 remaining = {delta.x, delta.y};
        const RVector2 half = m_box->GetHalfExtents();
        // A move of no length still looks once, for the triggers the box stands in.
        for (int slide = 0; slide < kMaxSlides && (slide == 0 || remaining.x != 0.0f || remaining.y != 0.0f);
             ++slide) {
            const RVector2 center = {m_position.x + m_boxOffset.x, m_position.y + m_boxOffset.y};
            RSweepContact met;
            if (!world->SweepBox(center, half, remaining, filter, &met, &triggers)) {
                m_position.x += remaining.x;
                m_position.y += remaining.y;
                remaining = RVector2{0.0f, 0.0f};
                break;
            }
            whole = false;
            // Stop short of the contact so the box keeps kSkin between itself and the shape.
            const RVector2& normal = met.hit.normal;
            const float into = -Dot(remaining, normal);
            float travel = met.hit.time;
            if (into > 0.0f)
                travel -= kSkin / into;
            if (!(travel > 0.0f))
                travel = 0.0f;
            m_position.x += remaining.x * travel;
            m_position.y += remaining.y * travel;
            AddContact(met.shape->GetHandle(), normal, met.hit.time);
            // The velocity loses its part into the shape either way.
            const float velocityInto = m_velocity.x * normal.x + m_velocity.y * normal.y;
            if (velocityInto < 0.0f) {
                m_velocity.x -= normal.x * velocityInto;
                m_velocity.y -= normal.y * velocityInto;
            }
            if (!m_slide)
                break;
            const float left = 1.0f - travel;
            remaining = RVector2{remaining.x * left, remaining.y * left};
            const float remainingInto = Dot(remaining, normal);
            if (remainingInto < 0.0f) {
                remaining.x -= normal.x * remainingInto;
                remaining.y -= normal.y * remainingInto;
            }
        }
        PlaceBox();
        for (uint32_t i = 0; i < triggers.getCount(); ++i) {
            RContact contact;
            contact.shape = triggers[i];
            contact.trigger = true;
            m_contacts.push(contact);
        }
    }
    ReportContacts();
    return whole;
}

void RSpatialComponent::AddContact(const RHandle& shape, const RVector2& normal, float time)
{
    // Sliding into a corner of one shape meets it again; each side of it is reported once.
    for (uint32_t i = 0; i < m_contacts.getCount(); ++i) {
        const RContact& known = m_contacts[i];
        if (known.shape == shape && known.normal.x == normal.x && known.normal.y == normal.y)
            return;
    }
    RContact contact;
    contact.shape = shape;
    contact.normal = normal;
    contact.time = time;
    m_contacts.push(contact);
}

void RSpatialComponent::ReportContacts()
{
    const RHandle self = GetHandle();
    // Every handler may delete shapes, other components or this one: each contact is copied and its shape
    // resolved just before each use, and nothing of this component is touched once it is gone.
    for (uint32_t i = 0; i < m_contacts.getCount(); ++i) {
        const RContact contact = m_contacts[i];
        if (!RCollisionInterface::FromHandle(contact.shape))
            continue;
        REntity* owner = GetOwner();
        if (owner) {
            if (RJumpComponent* jump = owner->GetComponent<RJumpComponent>())
                jump->OnContact(contact);
            if (RBasingComponent* basing = owner->GetComponent<RBasingComponent>())
                basing->OnContact(contact);
            owner->OnContact(contact);
            if (!self.Get())
                return;
        }
        if (RCollisionInterface* shape = RCollisionInterface::FromHandle(contact.shape)) {
            shape->OnContactMoved(this);
            if (!self.Get())
                return;
        }
    }
}

void RSpatialComponent::IgnoreOneWay(const RHandle& shape)
{
    if (shape.GetId() != 0)
        m_ignoredOneWay.pushUniqueElement(shape);
}

void RSpatialComponent::RefreshIgnoredOneWay()
{
    if (!m_box)
        return;
    RVector2 min, max;
    m_box->GetBounds(&min, &max);
    for (uint32_t i = 0; i < m_ignoredOneWay.getCount();) {
        RCollisionInterface* shape = RCollisionInterface::FromHandle(m_ignoredOneWay[i]);
        RVector2 shapeMin, shapeMax;
        if (shape)
            shape->GetBounds(&shapeMin, &shapeMax);
        // Kept while the boxes overlap or lie within the skin of each other.
        const float reach = 2.0f * kSkin;
        const bool near = shape && shapeMin.x - reach < max.x && min.x < shapeMax.x + reach &&
                          shapeMin.y - reach < max.y && min.y < shapeMax.y + reach;
        if (near)
            ++i;
        else
            m_ignoredOneWay.erase(i, 1);
    }
}

void RSpatialComponent::Interpolate(float fraction)
{
    if (!(fraction <= 1.0f))
        fraction = 1.0f;  // NaN too
    if (fraction < 0.0f)
        fraction = 0.0f;
    m_display.x = m_previous.x + (m_position.x - m_previous.x) * fraction;
    m_display.y = m_previous.y + (m_position.y - m_previous.y) * fraction;
    m_display.z = m_previous.z + (m_position.z - m_previous.z) * fraction;
}
