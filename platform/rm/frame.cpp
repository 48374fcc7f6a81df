// Frames: the tree, its transforms and the per-frame rotation that Move applies.

#include <algorithm>

#include "platform/rm/d3drm.h"

using rm::Matrix;
using rm::Vec3;

namespace {

template <typename T> bool Contains(const std::vector<T*>& items, const T* item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

// Releases `item` from `items` if it is there; false when it is not.
template <typename T> bool RemoveHeld(std::vector<T*>& items, T* item) {
    const auto found = std::find(items.begin(), items.end(), item);
    if (found == items.end())
        return false;
    items.erase(found);
    item->Release();
    return true;
}

Matrix Combine(D3DRMCOMBINETYPE combine, const Matrix& current, const Matrix& change) {
    switch (combine) {
    case D3DRMCOMBINE_REPLACE:
        return change;
    case D3DRMCOMBINE_BEFORE:
        return rm::Multiply(change, current);
    case D3DRMCOMBINE_AFTER:
        return rm::Multiply(current, change);
    }
    return current;
}

bool IsCombine(D3DRMCOMBINETYPE combine) {
    return combine == D3DRMCOMBINE_REPLACE || combine == D3DRMCOMBINE_BEFORE ||
           combine == D3DRMCOMBINE_AFTER;
}

bool Finite(float v) {
    return std::isfinite(v);
}

} // namespace

HRESULT IDirect3DRMObject::SetAppData(DWORD data) {
    RM_ENTER();
    appData_ = data;
    return D3DRM_OK;
}

IDirect3DRMFrame::~IDirect3DRMFrame() {
    for (IDirect3DRMFrame* child : children_) {
        child->parent_ = nullptr;
        child->Release();
    }
    for (IDirect3DRMVisual* visual : visuals_)
        visual->Release();
    for (IDirect3DRMLight* light : lights_)
        light->Release();
}

bool IDirect3DRMFrame::IsAncestorOf(const IDirect3DRMFrame* frame) const {
    for (const IDirect3DRMFrame* f = frame; f != nullptr; f = f->parent_) {
        if (f == this)
            return true;
    }
    return false;
}

void IDirect3DRMFrame::Detach(IDirect3DRMFrame* child) {
    children_.erase(std::find(children_.begin(), children_.end(), child));
    child->parent_ = nullptr;
}

HRESULT IDirect3DRMFrame::AddChild(IDirect3DRMFrame* child) {
    RM_ENTER();
    if (child == nullptr)
        return D3DRMERR_BADOBJECT;
    if (child->IsAncestorOf(this))
        return D3DRMERR_BADVALUE; // a frame cannot hold itself or an ancestor
    if (child->parent_ != this)
        Attach(child);
    return D3DRM_OK;
}

// The child keeps its own transform, now relative to this frame.
void IDirect3DRMFrame::Attach(IDirect3DRMFrame* child) {
    child->AddRef();
    if (child->parent_ != nullptr) {
        child->parent_->Detach(child);
        child->Release();
    }
    children_.push_back(child);
    child->parent_ = this;
}

HRESULT IDirect3DRMFrame::DeleteChild(IDirect3DRMFrame* child) {
    RM_ENTER();
    if (child == nullptr)
        return D3DRMERR_BADOBJECT;
    if (child->parent_ != this)
        return D3DRMERR_NOTFOUND;
    Detach(child);
    child->Release();
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::AddVisual(IDirect3DRMVisual* visual) {
    RM_ENTER();
    if (visual == nullptr)
        return D3DRMERR_BADOBJECT;
    if (visual == this)
        return D3DRMERR_BADVALUE;
    if (!Contains(visuals_, visual)) {
        visual->AddRef();
        visuals_.push_back(visual);
    }
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::DeleteVisual(IDirect3DRMVisual* visual) {
    RM_ENTER();
    if (visual == nullptr)
        return D3DRMERR_BADOBJECT;
    return RemoveHeld(visuals_, visual) ? D3DRM_OK : D3DRMERR_NOTFOUND;
}

HRESULT IDirect3DRMFrame::AddLight(IDirect3DRMLight* light) {
    RM_ENTER();
    if (light == nullptr)
        return D3DRMERR_BADOBJECT;
    if (!Contains(lights_, light)) {
        light->AddRef();
        lights_.push_back(light);
    }
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::DeleteLight(IDirect3DRMLight* light) {
    RM_ENTER();
    if (light == nullptr)
        return D3DRMERR_BADOBJECT;
    return RemoveHeld(lights_, light) ? D3DRM_OK : D3DRMERR_NOTFOUND;
}

HRESULT IDirect3DRMFrame::GetParent(IDirect3DRMFrame** parent) {
    RM_ENTER();
    if (parent == nullptr)
        return D3DRMERR_BADVALUE;
    *parent = parent_;
    if (parent_ != nullptr)
        parent_->AddRef();
    return D3DRM_OK;
}

IDirect3DRMFrame* IDirect3DRMFrame::Root() {
    IDirect3DRMFrame* f = this;
    while (f->parent_ != nullptr)
        f = f->parent_;
    return f;
}

Matrix IDirect3DRMFrame::ParentWorld() const {
    return parent_ != nullptr ? parent_->WorldTransform() : Matrix{};
}

Matrix IDirect3DRMFrame::WorldTransform() const {
    return rm::Multiply(local_, ParentWorld());
}

Matrix IDirect3DRMFrame::ReferenceTransform(IDirect3DRMFrame* reference) const {
    return reference != nullptr ? reference->WorldTransform() : ParentWorld();
}

HRESULT IDirect3DRMFrame::AddTranslation(D3DRMCOMBINETYPE combine, D3DVALUE x, D3DVALUE y,
                                         D3DVALUE z) {
    RM_ENTER();
    if (!IsCombine(combine) || !Finite(x) || !Finite(y) || !Finite(z))
        return D3DRMERR_BADVALUE;
    local_ = Combine(combine, local_, rm::Translation({x, y, z}));
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::AddRotation(D3DRMCOMBINETYPE combine, D3DVALUE x, D3DVALUE y, D3DVALUE z,
                                      D3DVALUE theta) {
    RM_ENTER();
    if (!IsCombine(combine) || !Finite(x) || !Finite(y) || !Finite(z) || !Finite(theta))
        return D3DRMERR_BADVALUE;
    local_ = Combine(combine, local_, rm::Rotation({x, y, z}, theta));
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::SetPosition(IDirect3DRMFrame* reference, D3DVALUE x, D3DVALUE y,
                                      D3DVALUE z) {
    RM_ENTER();
    if (!Finite(x) || !Finite(y) || !Finite(z))
        return D3DRMERR_BADVALUE;
    const Vec3 world = rm::TransformPoint({x, y, z}, ReferenceTransform(reference));
    local_.SetRow(3, rm::TransformPoint(world, rm::Inverse(ParentWorld())));
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::GetPosition(IDirect3DRMFrame* reference, D3DVECTOR* position) {
    RM_ENTER();
    if (position == nullptr)
        return D3DRMERR_BADVALUE;
    const Vec3 world = WorldTransform().Row(3);
    const Vec3 p = rm::TransformPoint(world, rm::Inverse(ReferenceTransform(reference)));
    *position = {p.x, p.y, p.z};
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::SetOrientation(IDirect3DRMFrame* reference, D3DVALUE dx, D3DVALUE dy,
                                         D3DVALUE dz, D3DVALUE ux, D3DVALUE uy, D3DVALUE uz) {
    RM_ENTER();
    const Vec3 direction{dx, dy, dz}, up{ux, uy, uz};
    if (!Finite(dx) || !Finite(dy) || !Finite(dz) || !Finite(ux) || !Finite(uy) || !Finite(uz))
        return D3DRMERR_BADVALUE;
    const Vec3 zAxis = rm::Normalized(direction);
    const Vec3 yAxis = rm::Normalized(up - zAxis * rm::Dot(up, zAxis));
    if (rm::Length(zAxis) == 0 || rm::Length(yAxis) == 0)
        return D3DRMERR_BADVALUE; // no direction, or up along the direction
    Matrix axes;
    axes.SetRow(0, rm::Cross(yAxis, zAxis));
    axes.SetRow(1, yAxis);
    axes.SetRow(2, zAxis);
    // The axes are given in the reference's space; bring them into the parent's.
    const Matrix toParent = rm::Multiply(ReferenceTransform(reference), rm::Inverse(ParentWorld()));
    for (int r = 0; r < 3; ++r)
        local_.SetRow(r, rm::Normalized(rm::TransformDirection(axes.Row(r), toParent)));
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::SetRotation(IDirect3DRMFrame* reference, D3DVALUE x, D3DVALUE y,
                                      D3DVALUE z, D3DVALUE theta) {
    RM_ENTER();
    if (!Finite(x) || !Finite(y) || !Finite(z) || !Finite(theta))
        return D3DRMERR_BADVALUE;
    const Matrix toParent = rm::Multiply(ReferenceTransform(reference), rm::Inverse(ParentWorld()));
    spinAxis_ = rm::TransformDirection({x, y, z}, toParent);
    spinAngle_ = theta;
    return D3DRM_OK;
}

HRESULT IDirect3DRMFrame::Move(D3DVALUE delta) {
    RM_ENTER();
    if (!Finite(delta))
        return D3DRMERR_BADVALUE;
    Spin(delta);
    return D3DRM_OK;
}

void IDirect3DRMFrame::Spin(float delta) {
    if (spinAngle_ != 0 && rm::Length(spinAxis_) > 0) {
        // Turn the attitude only: the frame keeps its place in the parent.
        const Vec3 position = local_.Row(3);
        local_.SetRow(3, {});
        local_ = rm::Multiply(local_, rm::Rotation(spinAxis_, spinAngle_ * delta));
        local_.SetRow(3, position);
    }
    for (IDirect3DRMFrame* child : children_)
        child->Spin(delta);
}

HRESULT IDirect3DRMFrame::SetSceneBackgroundRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue) {
    RM_ENTER();
    if (!Finite(red) || !Finite(green) || !Finite(blue))
        return D3DRMERR_BADVALUE;
    auto channel = [](float v) { return DWORD(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    background_ = (channel(red) << 16) | (channel(green) << 8) | channel(blue);
    return D3DRM_OK;
}
