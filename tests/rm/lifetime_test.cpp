// Reference counting: counts returned by AddRef and Release, what holds what, frames that
// outlive their parents, and the tree's refusal of cycles.

#include "tests/rm/scene_test_support.h"

namespace {

using LifetimeTest = SceneTest;

TEST_F(LifetimeTest, CountsComeBackAndFramesHoldTheirChildrenAndVisualsOnce) {
    IDirect3DRMMeshBuilder* mesh = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    EXPECT_EQ(mesh->AddRef(), 2u);
    EXPECT_EQ(mesh->Release(), 1u);
    IDirect3DRMFrame* child = NewFrame(scene);
    EXPECT_EQ(child->AddRef(), 3u); // ours twice and the parent's
    child->Release();
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK);
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK); // a second add holds nothing more
    EXPECT_EQ(mesh->AddRef(), 3u);
    mesh->Release();
    ASSERT_EQ(child->DeleteVisual(mesh), D3DRM_OK);
    EXPECT_EQ(child->DeleteVisual(mesh), D3DRMERR_NOTFOUND);
    EXPECT_EQ(mesh->Release(), 0u);

    ASSERT_EQ(scene->DeleteChild(child), D3DRM_OK); // gives up the parent's reference
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_EQ(scene->DeleteChild(child), D3DRMERR_NOTFOUND);
    EXPECT_EQ(scene->DeleteChild(nullptr), D3DRMERR_BADOBJECT);
    EXPECT_EQ(child->Release(), 0u);
}

TEST_F(LifetimeTest, ReleasingARootReleasesItsTreeButChildrenWeHoldLiveOnAsRoots) {
    IDirect3DRMFrame* root = NewFrame(nullptr);
    IDirect3DRMFrame* child = NewFrame(root);
    IDirect3DRMFrame* middle = NewFrame(root);
    ASSERT_EQ(child->AddTranslation(D3DRMCOMBINE_AFTER, 1, 2, 3), D3DRM_OK);
    IDirect3DRMMeshBuilder* mesh = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    ASSERT_EQ(middle->AddVisual(mesh), D3DRM_OK);
    IDirect3DRMLight* light = nullptr;
    ASSERT_EQ(d3drm->CreateLightRGB(D3DRMLIGHT_AMBIENT, 1, 1, 1, &light), D3DRM_OK);
    ASSERT_EQ(middle->AddLight(light), D3DRM_OK);
    middle->Release();
    EXPECT_EQ(root->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 0u); // only our own references remain
    EXPECT_EQ(light->Release(), 0u);
    EXPECT_EQ(child->Parent(), nullptr);
    EXPECT_EQ(child->Root(), child);
    D3DVECTOR p{};
    EXPECT_EQ(child->GetPosition(nullptr, &p), D3DRM_OK);
    EXPECT_FLOAT_EQ(p.y, 2);
    EXPECT_EQ(child->Release(), 0u);
}

TEST_F(LifetimeTest, AddChildMovesAFrameAndRefusesCycles) {
    IDirect3DRMFrame* a = NewFrame(scene);
    IDirect3DRMFrame* b = NewFrame(scene);
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

TEST_F(LifetimeTest, TexturesHoldTheirSurfaceFacesTheirTextureViewportsTheirDevice) {
    IDirectDrawSurface* surface = MakeTextureSurface(8, 8);
    IDirect3DRMTexture* texture = nullptr;
    ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
    EXPECT_EQ(surface->Release(), 1u);
    IDirect3DRMMeshBuilder* quad = MakeQuad(d3drm, 0, 0, 1, 1, 0);
    IDirect3DRMFace* face = FaceOf(quad);
    ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(face->Release(), 1u); // the builder still holds it
    EXPECT_EQ(quad->Release(), 0u); // takes the face, texture and surface with it

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
