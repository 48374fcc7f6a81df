// Reference counting: counts returned by AddRef and Release, what holds what, frames that
// outlive their parents, and the tree's refusal of cycles.

#include "tests/rm/scene_test_support.h"

namespace {

using LifetimeTest = SceneTest;

TEST_F(LifetimeTest, AddRefAndReleaseReturnTheNewCount) {
    IDirect3DRMMeshBuilder* mesh = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    EXPECT_EQ(mesh->AddRef(), 2u);
    EXPECT_EQ(mesh->AddRef(), 3u);
    EXPECT_EQ(mesh->Release(), 2u);
    EXPECT_EQ(mesh->Release(), 1u);
    EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(LifetimeTest, FramesHoldTheirChildrenAndVisuals) {
    IDirect3DRMFrame* child = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &child), D3DRM_OK);
    EXPECT_EQ(child->AddRef(), 3u); // ours twice and the parent's
    child->Release();
    IDirect3DRMMeshBuilder* mesh = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK);
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK); // a second add holds nothing more
    EXPECT_EQ(mesh->AddRef(), 3u);
    mesh->Release();
    ASSERT_EQ(child->DeleteVisual(mesh), D3DRM_OK);
    EXPECT_EQ(child->DeleteVisual(mesh), D3DRMERR_NOTFOUND);
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(child->Release(), 1u); // the parent keeps it
}

TEST_F(LifetimeTest, DeleteChildGivesUpTheParentsReference) {
    IDirect3DRMFrame* child = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &child), D3DRM_OK);
    ASSERT_EQ(scene->DeleteChild(child), D3DRM_OK);
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_EQ(scene->DeleteChild(child), D3DRMERR_NOTFOUND);
    EXPECT_EQ(scene->DeleteChild(nullptr), D3DRMERR_BADOBJECT);
    EXPECT_EQ(child->Release(), 0u);
}

TEST_F(LifetimeTest, ChildOutlivesAReleasedParentAsARoot) {
    IDirect3DRMFrame* parent = nullptr;
    IDirect3DRMFrame* child = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(nullptr, &parent), D3DRM_OK);
    ASSERT_EQ(d3drm->CreateFrame(parent, &child), D3DRM_OK);
    ASSERT_EQ(child->AddTranslation(D3DRMCOMBINE_AFTER, 1, 2, 3), D3DRM_OK);
    EXPECT_EQ(parent->Release(), 0u);
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_EQ(child->Root(), child);
    D3DVECTOR p{};
    EXPECT_EQ(child->GetPosition(nullptr, &p), D3DRM_OK);
    EXPECT_FLOAT_EQ(p.y, 2);
    EXPECT_EQ(child->Release(), 0u);
}

TEST_F(LifetimeTest, ReleasingTheRootReleasesTheWholeTree) {
    IDirect3DRMFrame* root = nullptr;
    IDirect3DRMFrame* middle = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(nullptr, &root), D3DRM_OK);
    ASSERT_EQ(d3drm->CreateFrame(root, &middle), D3DRM_OK);
    IDirect3DRMMeshBuilder* mesh = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    ASSERT_EQ(middle->AddVisual(mesh), D3DRM_OK);
    IDirect3DRMLight* light = nullptr;
    ASSERT_EQ(d3drm->CreateLightRGB(D3DRMLIGHT_AMBIENT, 1, 1, 1, &light), D3DRM_OK);
    ASSERT_EQ(middle->AddLight(light), D3DRM_OK);
    middle->Release();
    EXPECT_EQ(root->Release(), 0u);
    // Only our own references remain.
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(light->Release(), 0u);
}

TEST_F(LifetimeTest, AddChildMovesAFrameAndRefusesCycles) {
    IDirect3DRMFrame* a = nullptr;
    IDirect3DRMFrame* b = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &a), D3DRM_OK);
    ASSERT_EQ(d3drm->CreateFrame(scene, &b), D3DRM_OK);
    ASSERT_EQ(a->AddTranslation(D3DRMCOMBINE_AFTER, 5, 0, 0), D3DRM_OK);
    ASSERT_EQ(b->AddTranslation(D3DRMCOMBINE_AFTER, 1, 0, 0), D3DRM_OK);
    ASSERT_EQ(a->AddChild(b), D3DRM_OK);
    EXPECT_EQ(b->Parent(), a);
    D3DVECTOR p{};
    ASSERT_EQ(b->GetPosition(scene, &p), D3DRM_OK);
    EXPECT_FLOAT_EQ(p.x, 6); // its own transform now applies on top of its new parent's
    EXPECT_EQ(b->AddChild(a), D3DRMERR_BADVALUE);
    EXPECT_EQ(a->AddChild(a), D3DRMERR_BADVALUE);
    EXPECT_EQ(b->AddRef(), 3u); // ours, a's, and this one: the scene let it go
    b->Release();
    a->Release();
    b->Release();
}

TEST_F(LifetimeTest, TexturesHoldTheirSurfaceAndFacesTheirTexture) {
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = desc.dwHeight = 8;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    IDirect3DRMTexture* texture = nullptr;
    ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
    EXPECT_EQ(surface->Release(), 1u);

    IDirect3DRMMeshBuilder* quad = MakeQuad(d3drm, 0, 0, 1, 1, 0);
    IDirect3DRMFaceArray* faces = nullptr;
    ASSERT_EQ(quad->GetFaces(&faces), D3DRM_OK);
    IDirect3DRMFace* face = nullptr;
    ASSERT_EQ(faces->GetElement(0, &face), D3DRM_OK);
    ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(face->Release(), 2u); // the builder and the array still hold it
    EXPECT_EQ(faces->Release(), 0u);
    EXPECT_EQ(quad->Release(), 0u); // takes the face, texture and surface with it
    dd->Release();
}

TEST_F(LifetimeTest, ViewportKeepsItsDeviceAndCamera) {
    camera->AddRef();
    EXPECT_EQ(camera->Release(), 3u); // ours, the scene's, the viewport's
    device->AddRef();
    EXPECT_EQ(device->Release(), 2u);
    viewport->Release();
    viewport = nullptr;
    device->AddRef();
    EXPECT_EQ(device->Release(), 1u);
}

} // namespace
