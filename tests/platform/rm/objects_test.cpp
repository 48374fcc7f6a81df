// The objects around the scene: reference counts and what holds what, face data, picking,
// DirectDraw surfaces and their device contexts, and result codes of bad calls.

#include "tests/platform/rm/scene_test_support.h"

namespace {

using ObjectsTest = SceneTest;

ULONG CountOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

TEST(RefPtr, GivesUpWhatItHeldWhenAssignedOrFilledAgain) {
    const auto first = rm::RefPtr<IUnknown>::Adopt(new IUnknown);
    const auto second = rm::RefPtr<IUnknown>::Adopt(new IUnknown);
    rm::RefPtr<IUnknown> held(first);
    held = rm::RefPtr<IUnknown>(second);
    EXPECT_EQ(CountOf(first), 1u);
    EXPECT_EQ(CountOf(second), 2u);
    HandOut(first.Get(), held.Out());
    EXPECT_EQ(CountOf(second), 1u);
    EXPECT_EQ(CountOf(first), 2u);
}

TEST_F(ObjectsTest, ReferencesAreCountedOncePerHolderAndReleasedWithTheHolder) {
    IDirect3DRMMeshBuilder* mesh = MakeQuad(d3drm, 0, 0, 1, 1, 0);
    IDirect3DRMFrame* root = NewFrame(nullptr);
    IDirect3DRMFrame* child = NewFrame(root);
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK);
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK); // a second add holds nothing more
    EXPECT_EQ(mesh->AddRef(), 3u);
    mesh->Release();
    ASSERT_EQ(child->DeleteVisual(mesh), D3DRM_OK);
    EXPECT_EQ(child->DeleteVisual(mesh), D3DRMERR_NOTFOUND);
    EXPECT_EQ(mesh->AddRef(), 2u);
    ASSERT_EQ(child->AddVisual(mesh), D3DRM_OK);
    EXPECT_EQ(child->AddChild(root), D3DRMERR_BADVALUE); // no cycles
    EXPECT_EQ(root->Release(), 0u); // the tree goes, the child we hold lives on as a root
    EXPECT_EQ(child->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 1u);

    // Textures hold their surface, faces their texture, viewports their device.
    IDirectDrawSurface* surface = MakeTextureSurface(8, 8);
    IDirect3DRMTexture* texture = nullptr;
    ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
    IDirect3DRMFace* face = FaceOf(mesh);
    ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(face->Release(), 1u);
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(surface->Release(), 0u);
    viewport.Reset();
    EXPECT_EQ(device->AddRef(), 2u);
    device->Release();
}

TEST_F(ObjectsTest, FaceDataIsCheckedWholeBeforeAnythingIsAdded) {
    rm::RefPtr<IDirect3DRMMeshBuilder> mesh;
    ASSERT_EQ(d3drm->CreateMeshBuilder(mesh.Out()), D3DRM_OK);
    D3DVECTOR v[5] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {NAN, 0, 0}};
    D3DVECTOR n[2] = {{0, 0, -3}, {0, 0, -1}};
    DWORD quad[] = {4, 0, 1, 2, 3, 0}, noSuchNormal[] = {3, 0, 0, 1, 1, 2, 2, 0};
    DWORD badVertex[] = {3, 0, 1, 4, 3, 0, 1, 2, 0}; // the first face's 4 is too large
    EXPECT_EQ(mesh->AddFaces(4, v, 2, n, noSuchNormal, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(4, v, 0, nullptr, badVertex, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, v, 0, nullptr, quad, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
    ASSERT_EQ(mesh->AddFaces(4, v, 0, nullptr, quad, nullptr), D3DRM_OK);
    ASSERT_EQ(mesh->AddFaces(4, v, 0, nullptr, badVertex + 4, nullptr), D3DRM_OK);
    EXPECT_EQ(mesh->GetVertexCount(), 8); // later calls index their own vertices
    const auto face = rm::RefPtr<IDirect3DRMFace>::Adopt(FaceOf(mesh, 1));
    EXPECT_EQ(face->SetTextureCoordinates(3, 0, 0), D3DRMERR_BADVALUE); // a triangle
}

TEST_F(ObjectsTest, PickGivesTheVisualsUnderAPixelNearestFirstWithTheirFramePaths) {
    IDirect3DRMFrame* cabinet = AddFrameWith(MakeQuad(d3drm, -3, -3, 3, 3, 1));
    const auto button = rm::RefPtr<IDirect3DRMMeshBuilder>::Adopt(MakeQuad(d3drm, -1, -1, 1, 1, 0));
    button->AddRef();
    IDirect3DRMFrame* buttonFrame = AddFrameWith(button, cabinet);
    ASSERT_EQ(buttonFrame->SetAppData(5), D3DRM_OK);
    Draw();
    rm::RefPtr<IDirect3DRMPickedArray> picked;
    ASSERT_EQ(viewport->Pick(CENTER_X, CENTER_Y, picked.Out()), D3DRM_OK);
    ASSERT_EQ(picked->GetSize(), 2u);
    rm::RefPtr<IDirect3DRMVisual> visual;
    rm::RefPtr<IDirect3DRMFrameArray> frames;
    D3DRMPICKDESC desc{};
    ASSERT_EQ(picked->GetPick(0, visual.Out(), frames.Out(), &desc), D3DRM_OK);
    EXPECT_EQ(visual, button);
    EXPECT_NEAR(desc.vPosition.z, 10, 1e-3); // camera at -10, button at 0
    ASSERT_EQ(frames->GetSize(), 3u);
    rm::RefPtr<IDirect3DRMFrame> path[3];
    for (DWORD i = 0; i < 3; ++i)
        ASSERT_EQ(frames->GetElement(i, path[i].Out()), D3DRM_OK);
    EXPECT_EQ(path[0], scene);
    EXPECT_EQ(path[1], cabinet);
    EXPECT_EQ(path[2]->GetAppData(), 5u);
    // Turned away, the panel is no longer hit; beside it there is nothing.
    ASSERT_EQ(cabinet->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    for (int x : {CENTER_X, 1}) {
        ASSERT_EQ(viewport->Pick(x, CENTER_Y, picked.Out()), D3DRM_OK);
        EXPECT_EQ(picked->GetSize(), 0u);
    }
}

TEST_F(ObjectsTest, SurfacesLendOneDeviceContextAndBadCallsGiveTheirResultCodes) {
    auto surface = rm::RefPtr<IDirectDrawSurface>::Adopt(MakeTextureSurface(128, 160));
    HDC dc = nullptr, second = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    EXPECT_EQ(dc->image, &surface->Pixels());
    dc->image->At(3, 4) = 0xFF123456;
    EXPECT_EQ(surface->GetDC(&second), DDERR_SURFACEBUSY);
    ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), DDERR_NODC);
    EXPECT_EQ(surface->Pixels().At(3, 4), 0xFF123456u);
    surface->SimulateLoss();
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACELOST);
    ASSERT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(surface->Pixels().At(3, 4), 0xFF000000u); // the memory came back blank

    rm::RefPtr<IDirectDraw> dd;
    ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    rm::FailNthCall(2, DDERR_SURFACELOST); // the second call from now fails, once
    EXPECT_EQ(dd->CreateSurface(nullptr, surface.Out(), nullptr), DDERR_INVALIDPARAMS);
    rm::RefPtr<IDirect3DRMFrame> frame;
    EXPECT_EQ(d3drm->CreateFrame(scene, frame.Out()), DDERR_SURFACELOST);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(d3drm->CreateFrame(scene, frame.Out()), D3DRM_OK);
    EXPECT_EQ(scene->DeleteChild(nullptr), D3DRMERR_BADOBJECT);
    EXPECT_EQ(scene->AddTranslation(D3DRMCOMBINE_AFTER, NAN, 0, 0), D3DRMERR_BADVALUE);
}

} // namespace
