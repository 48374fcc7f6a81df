// Viewports: clearing, rendering a frame tree through the rasterizer, and picking.

#include <algorithm>
#include <chrono>

#include "platform/rm/d3drm.h"

using rm::Matrix;
using rm::Vec3;

namespace {

using Clock = std::chrono::steady_clock;

// A mesh renders with the lesser of its own and the device's quality in each part.
DWORD EffectiveQuality(DWORD mesh, DWORD device) {
    const DWORD shade = std::min(mesh & D3DRMSHADE_MASK, device & D3DRMSHADE_MASK);
    const DWORD light = std::min(mesh & D3DRMLIGHT_MASK, device & D3DRMLIGHT_MASK);
    const DWORD fill = std::min(mesh & D3DRMFILL_MASK, device & D3DRMFILL_MASK);
    return shade | light | fill;
}

rm::raster::FillMode FillModeOf(DWORD quality) {
    switch (quality & D3DRMFILL_MASK) {
    case D3DRMFILL_POINTS:
        return rm::raster::FillMode::Points;
    case D3DRMFILL_WIREFRAME:
        return rm::raster::FillMode::Wireframe;
    default:
        return rm::raster::FillMode::Solid;
    }
}

Vec3 Modulate(Vec3 a, Vec3 b) {
    return {std::min(a.x * b.x, 1.0f), std::min(a.y * b.y, 1.0f), std::min(a.z * b.z, 1.0f)};
}

// Twice the area vector of a polygon in camera space: toward the camera for a front face.
Vec3 AreaVector(const std::vector<Vec3>& points, const std::vector<int>& corners) {
    Vec3 sum;
    for (size_t i = 0; i < corners.size(); ++i)
        sum = sum + rm::Cross(points[corners[i]], points[corners[(i + 1) % corners.size()]]);
    return sum;
}

void GatherLights(IDirect3DRMFrame* frame, const Matrix& parentWorld, Vec3& ambient,
                  std::vector<Vec3>& directions, std::vector<Vec3>& colors) {
    const Matrix world = rm::Multiply(frame->LocalTransform(), parentWorld);
    for (IDirect3DRMLight* light : frame->Lights()) {
        if (light->GetType() == D3DRMLIGHT_AMBIENT) {
            ambient = ambient + light->Color();
        } else if (light->GetType() == D3DRMLIGHT_DIRECTIONAL) {
            // A directional light shines along its frame's +z.
            directions.push_back(rm::Normalized(rm::TransformDirection({0, 0, 1}, world)));
            colors.push_back(light->Color());
        }
    }
    for (IDirect3DRMFrame* child : frame->Children())
        GatherLights(child, world, ambient, directions, colors);
}

} // namespace

IDirect3DRMViewport::IDirect3DRMViewport(IDirect3DRMDevice* device, IDirect3DRMFrame* camera, int x,
                                         int y, int width, int height)
    : device_(device), camera_(camera) {
    device_->AddRef();
    camera_->AddRef();
    projection_.x = x;
    projection_.y = y;
    projection_.width = width;
    projection_.height = height;
}

IDirect3DRMViewport::~IDirect3DRMViewport() {
    if (lastScene_ != nullptr)
        lastScene_->Release();
    camera_->Release();
    device_->Release();
}

HRESULT IDirect3DRMViewport::SetBack(D3DVALUE back) {
    RM_ENTER();
    if (!std::isfinite(back) || back <= projection_.front)
        return D3DRMERR_BADVALUE;
    projection_.back = back;
    return D3DRM_OK;
}

HRESULT IDirect3DRMViewport::SetFront(D3DVALUE front) {
    RM_ENTER();
    if (!std::isfinite(front) || front <= 0 || front >= projection_.back)
        return D3DRMERR_BADVALUE;
    projection_.front = front;
    return D3DRM_OK;
}

HRESULT IDirect3DRMViewport::SetField(D3DVALUE field) {
    RM_ENTER();
    if (!std::isfinite(field) || field <= 0)
        return D3DRMERR_BADVALUE;
    projection_.field = field;
    return D3DRM_OK;
}

HRESULT IDirect3DRMViewport::GetCamera(IDirect3DRMFrame** camera) {
    RM_ENTER();
    if (camera == nullptr)
        return D3DRMERR_BADVALUE;
    HandOut(camera_, camera);
    return D3DRM_OK;
}

HRESULT IDirect3DRMViewport::Clear() {
    RM_ENTER();
    rm::raster::RenderTarget target = device_->Target();
    const uint32_t background = camera_->Root()->GetSceneBackground();
    if (tap_ != nullptr)
        tap_->Cleared(target, projection_, background);
    rm::raster::Clear(target, projection_, background);
    rm::raster::ClearDepth(target, projection_);
    return D3DRM_OK;
}

HRESULT IDirect3DRMViewport::Render(IDirect3DRMFrame* scene) {
    RM_ENTER();
    if (scene == nullptr)
        return D3DRMERR_BADOBJECT;
    scene->AddRef();
    if (lastScene_ != nullptr)
        lastScene_->Release();
    lastScene_ = scene;

    const Clock::time_point start = Clock::now();
    const double rasterBefore = times_ != nullptr ? times_->rasterSeconds : 0;
    const Matrix parentWorld =
        scene->Parent() != nullptr ? scene->Parent()->WorldTransform() : Matrix{};
    SceneLights lights;
    GatherLights(scene, parentWorld, lights.ambient, lights.directions, lights.colors);
    const Matrix view = rm::Inverse(camera_->WorldTransform());
    RenderTree(scene, parentWorld, lights, view);
    if (times_ != nullptr) {
        const double total = std::chrono::duration<double>(Clock::now() - start).count();
        times_->transformSeconds += total - (times_->rasterSeconds - rasterBefore);
    }
    // The clear is owed where nothing was drawn; like the clear, not counted in the times.
    rm::raster::RenderTarget target = device_->Target();
    rm::raster::SettleColor(target);
    return D3DRM_OK;
}

void IDirect3DRMViewport::RenderTree(IDirect3DRMFrame* frame, const Matrix& parentWorld,
                                     const SceneLights& lights, const Matrix& view) {
    const Matrix world = rm::Multiply(frame->LocalTransform(), parentWorld);
    for (IDirect3DRMVisual* visual : frame->Visuals()) {
        if (const auto* mesh = dynamic_cast<const IDirect3DRMMeshBuilder*>(visual))
            RenderMesh(*mesh, world, lights, view);
    }
    for (IDirect3DRMFrame* child : frame->Children())
        RenderTree(child, world, lights, view);
}

// The light falling on a surface with this normal (in the space of modelLights_), before
// the surface's own colour. The mono driver has intensities only, in the device's shades.
Vec3 IDirect3DRMViewport::LightAt(Vec3 normal, const SceneLights& lights) const {
    Vec3 sum = lights.ambient;
    for (size_t i = 0; i < modelLights_.size(); ++i) {
        const float lambert = -rm::Dot(normal, modelLights_[i]);
        if (lambert > 0)
            sum = sum + lights.colors[i] * lambert;
    }
    if (!device_->IsMono())
        return sum;
    const float steps = float(std::max<DWORD>(device_->GetShades(), 2) - 1);
    const float intensity = std::min((sum.x + sum.y + sum.z) / 3.0f, 1.0f);
    const float shade = std::round(intensity * steps) / steps;
    return {shade, shade, shade};
}

void IDirect3DRMViewport::RenderMesh(const IDirect3DRMMeshBuilder& mesh, const Matrix& world,
                                     const SceneLights& lights, const Matrix& view) {
    const DWORD quality = EffectiveQuality(mesh.GetQuality(), device_->GetQuality());
    const bool lit = (quality & D3DRMLIGHT_MASK) != 0;
    const bool smooth = (quality & D3DRMSHADE_MASK) != D3DRMSHADE_FLAT;
    const Matrix modelView = rm::Multiply(world, view);

    // Lighting happens in the mesh's own space: the lights are brought there once.
    const Matrix toModel = rm::Inverse(world);
    modelLights_.clear();
    for (const Vec3& d : lights.directions)
        modelLights_.push_back(rm::Normalized(rm::TransformDirection(d, toModel)));
    const Vec3 eye = rm::TransformPoint({0, 0, 0}, rm::Inverse(modelView));

    cameraSpace_.resize(mesh.vertices_.size());
    for (size_t i = 0; i < mesh.vertices_.size(); ++i)
        cameraSpace_[i] = rm::TransformPoint(mesh.vertices_[i], modelView);
    if (lit && smooth) {
        litNormals_.resize(mesh.normals_.size());
        for (size_t i = 0; i < mesh.normals_.size(); ++i)
            litNormals_[i] = LightAt(mesh.normals_[i], lights);
    }

    rm::raster::PolygonStyle style;
    style.fill = FillModeOf(quality);
    style.filter = device_->GetTextureQuality() == D3DRMTEXTURE_LINEAR
                       ? rm::raster::TextureFilter::Bilinear
                       : rm::raster::TextureFilter::Nearest;
    style.perspective = mesh.GetPerspective() != FALSE;
    rm::raster::RenderTarget target = device_->Target();

    for (const IDirect3DRMFace* face : mesh.faces_) {
        const Vec3 first = mesh.vertices_[face->corners_[0].vertex];
        if (rm::Dot(face->normal_, eye - first) <= 0)
            continue; // a back face, or one seen edge-on
        style.texture = face->texture_ != nullptr ? &face->texture_->View() : nullptr;
        const Vec3 flat =
            lit ? Modulate(face->color_, LightAt(face->normal_, lights)) : face->color_;
        corners_.clear();
        for (const auto& corner : face->corners_) {
            const Vec3 p = cameraSpace_[corner.vertex];
            const Vec3 c =
                lit && smooth ? Modulate(face->color_, litNormals_[corner.normal]) : flat;
            corners_.push_back({p.x, p.y, p.z, corner.u, corner.v, c.x, c.y, c.z});
        }
        if (tap_ != nullptr)
            tap_->Polygon(target, projection_, corners_.data(), int(corners_.size()), style);
        if (times_ == nullptr) {
            rm::raster::DrawPolygon(target, projection_, corners_.data(), int(corners_.size()),
                                    style);
            continue;
        }
        const Clock::time_point start = Clock::now();
        rm::raster::DrawPolygon(target, projection_, corners_.data(), int(corners_.size()), style);
        times_->rasterSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        ++times_->polygons;
    }
}

// --- Picking ------------------------------------------------------------------------------

HRESULT IDirect3DRMFrameArray::GetElement(DWORD index, IDirect3DRMFrame** frame) {
    RM_ENTER();
    if (frame == nullptr)
        return D3DRMERR_BADVALUE;
    *frame = nullptr;
    if (index >= frames_.size())
        return D3DRMERR_BADVALUE;
    HandOut(frames_[index].Get(), frame);
    return D3DRM_OK;
}

HRESULT IDirect3DRMPickedArray::GetPick(DWORD index, IDirect3DRMVisual** visual,
                                        IDirect3DRMFrameArray** frames,
                                        D3DRMPICKDESC* description) {
    RM_ENTER();
    if (visual != nullptr)
        *visual = nullptr;
    if (frames != nullptr)
        *frames = nullptr;
    if (index >= picks_.size())
        return D3DRMERR_BADVALUE;
    const Pick& pick = picks_[index];
    if (visual != nullptr)
        HandOut(pick.visual.Get(), visual);
    if (frames != nullptr)
        *frames = new IDirect3DRMFrameArray(pick.path);
    if (description != nullptr)
        *description = pick.description;
    return D3DRM_OK;
}

HRESULT IDirect3DRMViewport::Transform(D3DRMVECTOR4D* screen, const D3DVECTOR* world) {
    RM_ENTER();
    if (screen == nullptr || world == nullptr)
        return D3DRMERR_BADVALUE;
    *screen = {};
    const Vec3 at =
        rm::TransformPoint({world->x, world->y, world->z}, rm::Inverse(camera_->WorldTransform()));
    float sx = 0, sy = 0;
    if (!rm::raster::ProjectPoint(projection_, at.x, at.y, at.z, sx, sy))
        return D3DRMERR_BADVALUE;
    sx -= float(projection_.x);
    sy -= float(projection_.y);
    *screen = {sx * at.z, sy * at.z, at.z, at.z};
    return D3DRM_OK;
}

namespace {

struct RayHit {
    float depth;
    int face;
};

// The nearest front face of the mesh that the ray from the camera through (ray.x, ray.y, 1)
// meets between the clipping planes.
bool NearestHit(const std::vector<Vec3>& points, const std::vector<std::vector<int>>& faces,
                Vec3 ray, const rm::raster::Projection& projection, RayHit& hit) {
    bool found = false;
    for (size_t f = 0; f < faces.size(); ++f) {
        const std::vector<int>& corners = faces[f];
        const Vec3 normal = AreaVector(points, corners);
        const Vec3 p0 = points[corners[0]];
        const float facing = rm::Dot(normal, ray);
        if (rm::Dot(normal, p0) >= 0 || facing >= 0)
            continue; // back face or parallel to the ray
        const float t = rm::Dot(normal, p0) / facing;
        if (t < projection.front || t > projection.back || (found && t >= hit.depth))
            continue;
        const Vec3 q = ray * t;
        bool inside = true;
        for (size_t i = 0; i < corners.size() && inside; ++i) {
            const Vec3 a = points[corners[i]], b = points[corners[(i + 1) % corners.size()]];
            inside = rm::Dot(rm::Cross(b - a, q - a), normal) >= 0;
        }
        if (inside) {
            hit = {t, int(f)};
            found = true;
        }
    }
    return found;
}

} // namespace

HRESULT IDirect3DRMViewport::Pick(LONG x, LONG y, IDirect3DRMPickedArray** picked) {
    RM_ENTER();
    if (picked == nullptr)
        return D3DRMERR_BADVALUE;
    auto* result = new IDirect3DRMPickedArray();
    *picked = result;
    if (lastScene_ == nullptr || x < 0 || y < 0 || x >= projection_.width ||
        y >= projection_.height)
        return D3DRM_OK;
    Vec3 ray{0, 0, 1};
    rm::raster::UnprojectPixel(projection_, float(projection_.x + x), float(projection_.y + y),
                               ray.x, ray.y);
    const Matrix parentWorld =
        lastScene_->Parent() != nullptr ? lastScene_->Parent()->WorldTransform() : Matrix{};
    const Matrix view = rm::Inverse(camera_->WorldTransform());
    std::vector<IDirect3DRMFrame*> path;
    PickTree(lastScene_, parentWorld, view, ray, path, *result);
    std::stable_sort(result->picks_.begin(), result->picks_.end(),
                     [](const auto& a, const auto& b) {
                         return a.description.vPosition.z < b.description.vPosition.z;
                     });
    for (auto& pick : result->picks_) {
        pick.description.vPosition.x = float(x);
        pick.description.vPosition.y = float(y);
    }
    return D3DRM_OK;
}

void IDirect3DRMViewport::PickTree(IDirect3DRMFrame* frame, const Matrix& parentWorld,
                                   const Matrix& view, Vec3 ray,
                                   std::vector<IDirect3DRMFrame*>& path,
                                   IDirect3DRMPickedArray& picked) const {
    const Matrix world = rm::Multiply(frame->LocalTransform(), parentWorld);
    const Matrix modelView = rm::Multiply(world, view);
    path.push_back(frame);
    std::vector<Vec3> points;
    std::vector<std::vector<int>> faces;
    for (IDirect3DRMVisual* visual : frame->Visuals()) {
        const auto* mesh = dynamic_cast<const IDirect3DRMMeshBuilder*>(visual);
        if (mesh == nullptr)
            continue;
        points.clear();
        for (const Vec3& v : mesh->vertices_)
            points.push_back(rm::TransformPoint(v, modelView));
        faces.clear();
        for (const IDirect3DRMFace* face : mesh->faces_) {
            faces.emplace_back();
            for (const auto& corner : face->corners_)
                faces.back().push_back(corner.vertex);
        }
        RayHit hit{};
        if (!NearestHit(points, faces, ray, projection_, hit))
            continue;
        IDirect3DRMPickedArray::Pick pick{
            rm::RefPtr<IDirect3DRMVisual>(visual), {path.begin(), path.end()}, {}};
        pick.description.ulFaceIdx = ULONG(hit.face);
        pick.description.lGroupIdx = 0;
        pick.description.vPosition = {0, 0, hit.depth};
        picked.picks_.push_back(std::move(pick));
    }
    for (IDirect3DRMFrame* child : frame->Children())
        PickTree(child, world, view, ray, path, picked);
    path.pop_back();
}
