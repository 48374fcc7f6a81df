// Keyframe animations: rotation keys blended along the shorter arc, position keys blended
// linearly, and sets that move many animations to one time.

#include <algorithm>
#include <cmath>

#include "platform/rm/d3drm.h"

namespace {

// Index of the first key later than `time`, for keys kept in time order.
template <typename Key> size_t NextKey(const std::vector<Key>& keys, float time) {
    return size_t(std::upper_bound(keys.begin(), keys.end(), time,
                                   [](float t, const Key& k) { return t < k.time; }) -
                  keys.begin());
}

template <typename Key> void InsertKey(std::vector<Key>& keys, const Key& key) {
    keys.insert(keys.begin() + std::ptrdiff_t(NextKey(keys, key.time)), key);
}

// Where `time` falls between keys: the pair of neighbouring keys and the blend between them.
template <typename Key>
void Bracket(const std::vector<Key>& keys, float time, size_t& a, size_t& b, float& t) {
    const size_t next = NextKey(keys, time);
    if (next == 0) {
        a = b = 0;
        t = 0;
    } else if (next == keys.size()) {
        a = b = keys.size() - 1;
        t = 0;
    } else {
        a = next - 1;
        b = next;
        const float span = keys[b].time - keys[a].time;
        t = span > 0 ? (time - keys[a].time) / span : 0;
    }
}

} // namespace

IDirect3DRMAnimation::~IDirect3DRMAnimation() {
    if (frame_ != nullptr)
        frame_->Release();
}

HRESULT IDirect3DRMAnimation::SetOptions(DWORD options) {
    RM_ENTER();
    const DWORD known = D3DRMANIMATION_OPEN | D3DRMANIMATION_CLOSED |
                        D3DRMANIMATION_LINEARPOSITION | D3DRMANIMATION_SPLINEPOSITION |
                        D3DRMANIMATION_SCALEANDROTATION | D3DRMANIMATION_POSITION;
    if ((options & ~known) != 0 || (options & (D3DRMANIMATION_OPEN | D3DRMANIMATION_CLOSED)) ==
                                       (D3DRMANIMATION_OPEN | D3DRMANIMATION_CLOSED))
        return D3DRMERR_BADVALUE;
    options_ = options;
    return D3DRM_OK;
}

HRESULT IDirect3DRMAnimation::SetFrame(IDirect3DRMFrame* frame) {
    RM_ENTER();
    if (frame != nullptr)
        frame->AddRef();
    if (frame_ != nullptr)
        frame_->Release();
    frame_ = frame;
    return D3DRM_OK;
}

HRESULT IDirect3DRMAnimation::AddRotateKey(D3DVALUE time, const D3DRMQUATERNION* rotation) {
    RM_ENTER();
    if (rotation == nullptr || !std::isfinite(time) || !std::isfinite(rotation->s) ||
        !std::isfinite(rotation->v.x) || !std::isfinite(rotation->v.y) ||
        !std::isfinite(rotation->v.z))
        return D3DRMERR_BADVALUE;
    const rm::Quaternion q{rotation->s, {rotation->v.x, rotation->v.y, rotation->v.z}};
    InsertKey(rotateKeys_, RotateKey{time, q});
    return D3DRM_OK;
}

HRESULT IDirect3DRMAnimation::AddPositionKey(D3DVALUE time, D3DVALUE x, D3DVALUE y, D3DVALUE z) {
    RM_ENTER();
    if (!std::isfinite(time) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return D3DRMERR_BADVALUE;
    InsertKey(positionKeys_, PositionKey{time, {x, y, z}});
    return D3DRM_OK;
}

float IDirect3DRMAnimation::WrapTime(float time, float first, float last) const {
    if ((options_ & D3DRMANIMATION_CLOSED) == 0 || last <= first)
        return time;
    return first + std::fmod(std::fmod(time - first, last - first) + (last - first), last - first);
}

HRESULT IDirect3DRMAnimation::SetTime(D3DVALUE time) {
    RM_ENTER();
    if (!std::isfinite(time))
        return D3DRMERR_BADVALUE;
    Apply(time);
    return D3DRM_OK;
}

void IDirect3DRMAnimation::Apply(float time) {
    if (frame_ == nullptr)
        return;
    rm::Matrix local = frame_->LocalTransform();
    if ((options_ & D3DRMANIMATION_SCALEANDROTATION) && !rotateKeys_.empty()) {
        const float t = WrapTime(time, rotateKeys_.front().time, rotateKeys_.back().time);
        size_t a, b;
        float blend;
        Bracket(rotateKeys_, t, a, b, blend);
        const rm::Quaternion q = rm::Slerp(rotateKeys_[a].rotation, rotateKeys_[b].rotation, blend);
        const rm::Vec3 position = local.Row(3);
        local = rm::MatrixFromQuaternion(q);
        local.SetRow(3, position);
    }
    if ((options_ & D3DRMANIMATION_POSITION) && !positionKeys_.empty()) {
        const float t = WrapTime(time, positionKeys_.front().time, positionKeys_.back().time);
        size_t a, b;
        float blend;
        Bracket(positionKeys_, t, a, b, blend);
        const rm::Vec3 pa = positionKeys_[a].position, pb = positionKeys_[b].position;
        local.SetRow(3, pa + (pb - pa) * blend);
    }
    frame_->SetLocalTransform(local);
}

IDirect3DRMAnimationSet::~IDirect3DRMAnimationSet() {
    for (IDirect3DRMAnimation* animation : animations_)
        animation->Release();
}

HRESULT IDirect3DRMAnimationSet::AddAnimation(IDirect3DRMAnimation* animation) {
    RM_ENTER();
    if (animation == nullptr)
        return D3DRMERR_BADOBJECT;
    if (std::find(animations_.begin(), animations_.end(), animation) == animations_.end()) {
        animation->AddRef();
        animations_.push_back(animation);
    }
    return D3DRM_OK;
}

HRESULT IDirect3DRMAnimationSet::DeleteAnimation(IDirect3DRMAnimation* animation) {
    RM_ENTER();
    const auto found = std::find(animations_.begin(), animations_.end(), animation);
    if (animation == nullptr || found == animations_.end())
        return D3DRMERR_NOTFOUND;
    animations_.erase(found);
    animation->Release();
    return D3DRM_OK;
}

HRESULT IDirect3DRMAnimationSet::SetTime(D3DVALUE time) {
    RM_ENTER();
    if (!std::isfinite(time))
        return D3DRMERR_BADVALUE;
    for (IDirect3DRMAnimation* animation : animations_)
        animation->Apply(time);
    return D3DRM_OK;
}

D3DRMQUATERNION* D3DRMQuaternionFromRotation(D3DRMQUATERNION* q, const D3DVECTOR* v,
                                             D3DVALUE theta) {
    if (q == nullptr || v == nullptr)
        return q;
    const rm::Quaternion r = rm::QuaternionFromRotation({v->x, v->y, v->z}, theta);
    *q = {r.s, {r.v.x, r.v.y, r.v.z}};
    return q;
}
