// Mesh builders and their faces, textures and lights.

#include <algorithm>
#include <cmath>

#include "platform/rm/d3drm.h"

using rm::Vec3;

namespace {

// The rasterizer's limit; more corners are taken for garbage rather than a face.
constexpr DWORD MAX_CORNERS = 64;

bool ValidColor(float r, float g, float b) {
    return std::isfinite(r) && std::isfinite(g) && std::isfinite(b);
}

Vec3 ClampedColor(float r, float g, float b) {
    return {std::clamp(r, 0.0f, 1.0f), std::clamp(g, 0.0f, 1.0f), std::clamp(b, 0.0f, 1.0f)};
}

bool ValidVectors(const D3DVECTOR* v, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z))
            return false;
    }
    return true;
}

// Twice the area vector of a polygon: it points to the side from which the corners run
// clockwise in our left-handed space, the front.
Vec3 AreaVector(const std::vector<Vec3>& vertices, const std::vector<int>& corners) {
    Vec3 sum;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vec3 a = vertices[corners[i]];
        const Vec3 b = vertices[corners[(i + 1) % corners.size()]];
        sum = sum + rm::Cross(a, b);
    }
    return sum;
}

} // namespace

// --- Lights -------------------------------------------------------------------------------

HRESULT IDirect3DRMLight::SetColorRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue) {
    RM_ENTER();
    if (!ValidColor(red, green, blue))
        return D3DRMERR_BADVALUE;
    color_ = {red, green, blue};
    return D3DRM_OK;
}

// --- Textures -----------------------------------------------------------------------------

IDirect3DRMTexture::IDirect3DRMTexture(base::Image picture, bool vFromBottom,
                                       IDirectDrawSurface* surface)
    : picture_(std::move(picture)), surface_(surface) {
    if (surface_ != nullptr)
        surface_->AddRef();
    view_.vFromBottom = vFromBottom;
    UpdateView();
}

IDirect3DRMTexture::~IDirect3DRMTexture() {
    if (surface_ != nullptr)
        surface_->Release();
}

void IDirect3DRMTexture::UpdateView() {
    view_.width = picture_.width;
    view_.height = picture_.height;
    view_.pixels = picture_.pixels.data();
}

HRESULT IDirect3DRMTexture::Changed(BOOL pixels, BOOL) {
    RM_ENTER();
    if (pixels && surface_ != nullptr) {
        picture_ = surface_->Pixels();
        UpdateView();
    }
    return D3DRM_OK;
}

// --- Faces --------------------------------------------------------------------------------

IDirect3DRMFace::~IDirect3DRMFace() {
    if (texture_ != nullptr)
        texture_->Release();
}

HRESULT IDirect3DRMFace::SetTexture(IDirect3DRMTexture* texture) {
    RM_ENTER();
    if (texture != nullptr)
        texture->AddRef();
    if (texture_ != nullptr)
        texture_->Release();
    texture_ = texture;
    return D3DRM_OK;
}

HRESULT IDirect3DRMFace::GetTexture(IDirect3DRMTexture** texture) {
    RM_ENTER();
    if (texture == nullptr)
        return D3DRMERR_BADVALUE;
    *texture = texture_;
    if (texture_ != nullptr)
        texture_->AddRef();
    return D3DRM_OK;
}

HRESULT IDirect3DRMFace::SetTextureCoordinates(DWORD corner, D3DVALUE u, D3DVALUE v) {
    RM_ENTER();
    if (corner >= corners_.size() || !std::isfinite(u) || !std::isfinite(v))
        return D3DRMERR_BADVALUE;
    corners_[corner].u = u;
    corners_[corner].v = v;
    return D3DRM_OK;
}

HRESULT IDirect3DRMFace::GetTextureCoordinates(DWORD corner, D3DVALUE* u, D3DVALUE* v) {
    RM_ENTER();
    if (corner >= corners_.size() || u == nullptr || v == nullptr)
        return D3DRMERR_BADVALUE;
    *u = corners_[corner].u;
    *v = corners_[corner].v;
    return D3DRM_OK;
}

HRESULT IDirect3DRMFace::SetColorRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue) {
    RM_ENTER();
    if (!ValidColor(red, green, blue))
        return D3DRMERR_BADVALUE;
    color_ = ClampedColor(red, green, blue);
    return D3DRM_OK;
}

HRESULT IDirect3DRMFaceArray::GetElement(DWORD index, IDirect3DRMFace** face) {
    RM_ENTER();
    if (face == nullptr)
        return D3DRMERR_BADVALUE;
    *face = nullptr;
    if (index >= faces_.size())
        return D3DRMERR_BADVALUE;
    HandOut(faces_[index].Get(), face);
    return D3DRM_OK;
}

// --- Mesh builders ------------------------------------------------------------------------

IDirect3DRMMeshBuilder::~IDirect3DRMMeshBuilder() {
    for (IDirect3DRMFace* face : faces_)
        face->Release();
}

HRESULT IDirect3DRMMeshBuilder::AddFaces(DWORD vertexCount, const D3DVECTOR* vertices,
                                         DWORD normalCount, const D3DVECTOR* normals,
                                         const DWORD* data, IDirect3DRMFaceArray** added) {
    RM_ENTER();
    if (added != nullptr)
        *added = nullptr;
    if (data == nullptr || (vertexCount > 0 && vertices == nullptr) ||
        (normalCount > 0 && normals == nullptr))
        return D3DRMERR_BADVALUE;
    if (!ValidVectors(vertices, vertexCount) || !ValidVectors(normals, normalCount))
        return D3DRMERR_BADVALUE;
    const bool withNormals = normalCount > 0;
    const int vertexBase = int(vertices_.size());
    const int normalBase = int(normals_.size());

    // Read every face before changing anything, so malformed data adds nothing.
    std::vector<IDirect3DRMFace*> faces;
    auto discard = [&faces]() {
        for (IDirect3DRMFace* f : faces)
            f->Release();
        return D3DRMERR_BADVALUE;
    };
    const DWORD* word = data;
    while (*word != 0) {
        const DWORD count = *word++;
        if (count < 3 || count > MAX_CORNERS)
            return discard();
        IDirect3DRMFace* face = new IDirect3DRMFace();
        faces.push_back(face);
        for (DWORD c = 0; c < count; ++c) {
            const DWORD vertex = *word++;
            const DWORD normal = withNormals ? *word++ : vertex;
            if (vertex >= vertexCount || (withNormals && normal >= normalCount))
                return discard();
            IDirect3DRMFace::Corner corner;
            corner.vertex = vertexBase + int(vertex);
            corner.normal = withNormals ? normalBase + int(normal) : -1;
            face->corners_.push_back(corner);
        }
    }

    for (DWORD i = 0; i < vertexCount; ++i)
        vertices_.push_back({vertices[i].x, vertices[i].y, vertices[i].z});
    for (DWORD i = 0; i < normalCount; ++i)
        normals_.push_back(rm::Normalized({normals[i].x, normals[i].y, normals[i].z}));
    const size_t firstFace = faces_.size();
    faces_.insert(faces_.end(), faces.begin(), faces.end());
    ComputeMissingNormals(firstFace, size_t(vertexBase));

    if (added != nullptr)
        *added = new IDirect3DRMFaceArray(faces);
    return D3DRM_OK;
}

// Face normals for every new face; corners given no normal share, per vertex, the average of
// the normals of the new faces around that vertex.
void IDirect3DRMMeshBuilder::ComputeMissingNormals(size_t firstFace, size_t firstVertex) {
    std::vector<Vec3> sums(vertices_.size() - firstVertex);
    std::vector<int> indexes;
    for (size_t f = firstFace; f < faces_.size(); ++f) {
        IDirect3DRMFace* face = faces_[f];
        indexes.clear();
        for (const auto& corner : face->corners_)
            indexes.push_back(corner.vertex);
        const Vec3 area = AreaVector(vertices_, indexes);
        face->normal_ = rm::Normalized(area);
        for (const auto& corner : face->corners_) {
            if (corner.normal < 0)
                sums[size_t(corner.vertex) - firstVertex] =
                    sums[size_t(corner.vertex) - firstVertex] + area;
        }
    }
    const int base = int(normals_.size());
    bool anyComputed = false;
    for (size_t f = firstFace; f < faces_.size(); ++f) {
        for (auto& corner : faces_[f]->corners_) {
            if (corner.normal < 0) {
                corner.normal = base + (corner.vertex - int(firstVertex));
                anyComputed = true;
            }
        }
    }
    if (anyComputed) {
        for (const Vec3& sum : sums)
            normals_.push_back(rm::Normalized(sum));
    }
}

HRESULT IDirect3DRMMeshBuilder::SetColorRGB(D3DVALUE red, D3DVALUE green, D3DVALUE blue) {
    RM_ENTER();
    if (!ValidColor(red, green, blue))
        return D3DRMERR_BADVALUE;
    for (IDirect3DRMFace* face : faces_)
        face->color_ = ClampedColor(red, green, blue);
    return D3DRM_OK;
}

HRESULT IDirect3DRMMeshBuilder::SetPerspective(BOOL perspective) {
    RM_ENTER();
    perspective_ = perspective ? TRUE : FALSE;
    return D3DRM_OK;
}

HRESULT IDirect3DRMMeshBuilder::SetQuality(D3DRMRENDERQUALITY quality) {
    RM_ENTER();
    if (!IsValidRenderQuality(quality))
        return D3DRMERR_BADVALUE;
    quality_ = quality;
    return D3DRM_OK;
}

HRESULT IDirect3DRMMeshBuilder::GetFaces(IDirect3DRMFaceArray** faces) {
    RM_ENTER();
    if (faces == nullptr)
        return D3DRMERR_BADVALUE;
    *faces = new IDirect3DRMFaceArray(faces_);
    return D3DRM_OK;
}

HRESULT IDirect3DRMMeshBuilder::Translate(D3DVALUE x, D3DVALUE y, D3DVALUE z) {
    RM_ENTER();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return D3DRMERR_BADVALUE;
    for (Vec3& v : vertices_)
        v = v + Vec3{x, y, z};
    return D3DRM_OK;
}
