// The objects around the scene: reference counts and what holds what, face data, picking,
// DirectDraw surfaces and their device contexts, and result codes of bad calls.

#include "tests/rm/scene_test_support.h"

namespace {

using ObjectsTest = SceneTest;

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
    IDirect3DRMLight* light = nullptr;
    ASSERT_EQ(d3drm->CreateLightRGB(D3DRMLIGHT_AMBIENT, 1, 1, 1, &light), D3DRM_OK);
    ASSERT_EQ(child->AddLight(light), D3DRM_OK);
    EXPECT_EQ(child->AddChild(root), D3DRMERR_BADVALUE); // no cycles
    EXPECT_EQ(root->Release(), 0u); // the tree goes, the child we hold lives on as a root
    EXPECT_EQ(child->Root(), child);
    EXPECT_EQ(child->Release(), 0u);
    EXPECT_EQ(light->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 1u);

    // Textures hold their surface, faces their texture, viewports their camera and device.
    IDirectDrawSurface* surface = MakeTextureSurface(8, 8);
    IDirect3DRMTexture* texture = nullptr;
    ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
    IDirect3DRMFace* face = FaceOf(mesh);
    ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(face->Release(), 1u);
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(surface->Release(), 0u);
    EXPECT_EQ(camera->AddRef(), 4u); // ours, the scene's, the viewport's and this one
    camera->Release();
    viewport->Release();
    viewport = nullptr;
    EXPECT_EQ(device->AddRef(), 2u);
    device->Release();
}

TEST_F(ObjectsTest, FaceDataIsCheckedWholeBeforeAnythingIsAdded) {
    IDirect3DRMMeshBuilder* mesh = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    D3DVECTOR v[5] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {NAN, 0, 0}};
    D3DVECTOR n[2] = {{0, 0, -3}, {0, 0, -1}};
    DWORD quad[] = {4, 0, 1, 2, 3, 0}, paired[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    DWORD noSuchNormal[] = {3, 0, 0, 1, 1, 2, 2, 0}, tooFew[] = {2, 0, 1, 0};
    DWORD badVertex[] = {3, 0, 1, 4, 3, 0, 1, 2, 0}; // the first face's 4 is too large
    EXPECT_EQ(mesh->AddFaces(4, v, 2, n, noSuchNormal, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(4, v, 0, nullptr, tooFew, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(4, v, 0, nullptr, badVertex, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, v, 0, nullptr, quad, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(4, v, 0, nullptr, nullptr, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
    ASSERT_EQ(mesh->AddFaces(4, v, 2, n, paired, nullptr), D3DRM_OK);
    IDirect3DRMFaceArray* added = nullptr;
    ASSERT_EQ(mesh->AddFaces(4, v, 0, nullptr, badVertex + 4, &added), D3DRM_OK);
    EXPECT_EQ(added->GetSize(), 1u);
    added->Release();
    EXPECT_EQ(mesh->GetVertexCount(), 8); // later calls index their own vertices
    IDirect3DRMFace* face = FaceOf(mesh, 1);
    EXPECT_EQ(face->SetTextureCoordinates(3, 0, 0), D3DRMERR_BADVALUE);
    face->Release();
    mesh->Release();
}

TEST_F(ObjectsTest, PickGivesTheVisualsUnderAPixelNearestFirstWithTheirFramePaths) {
    IDirect3DRMFrame* cabinet = AddFrameWith(MakeQuad(d3drm, -3, -3, 3, 3, 1));
    IDirect3DRMMeshBuilder* button = MakeQuad(d3drm, -1, -1, 1, 1, 0);
    button->AddRef();
    IDirect3DRMFrame* buttonFrame = AddFrameWith(button, cabinet);
    ASSERT_EQ(buttonFrame->SetAppData(5), D3DRM_OK);
    IDirect3DRMPickedArray* picked = nullptr;
    ASSERT_EQ(viewport->Pick(kCx, kCy, &picked), D3DRM_OK);
    EXPECT_EQ(picked->GetSize(), 0u); // nothing rendered yet
    picked->Release();
    Draw();
    ASSERT_EQ(viewport->Pick(kCx, kCy, &picked), D3DRM_OK);
    ASSERT_EQ(picked->GetSize(), 2u);
    IDirect3DRMVisual* visual = nullptr;
    IDirect3DRMFrameArray* frames = nullptr;
    D3DRMPICKDESC desc{};
    ASSERT_EQ(picked->GetPick(0, &visual, &frames, &desc), D3DRM_OK);
    EXPECT_EQ(visual, button);
    EXPECT_NEAR(desc.vPosition.z, 10, 1e-3); // camera at -10, button at 0
    ASSERT_EQ(frames->GetSize(), 3u);
    IDirect3DRMFrame* path[3] = {};
    for (DWORD i = 0; i < 3; ++i)
        ASSERT_EQ(frames->GetElement(i, &path[i]), D3DRM_OK);
    EXPECT_EQ(path[0], scene);
    EXPECT_EQ(path[1], cabinet);
    EXPECT_EQ(path[2]->GetAppData(), 5u);
    for (IDirect3DRMFrame* f : path)
        f->Release();
    frames->Release();
    visual->Release();
    EXPECT_EQ(picked->GetPick(2, &visual, nullptr, nullptr), D3DRMERR_BADVALUE);
    picked->Release();
    button->Release();
    // Turned away, the panel is no longer hit; beside it there is nothing.
    ASSERT_EQ(cabinet->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    for (int x : {kCx, 1}) {
        ASSERT_EQ(viewport->Pick(x, kCy, &picked), D3DRM_OK);
        EXPECT_EQ(picked->GetSize(), 0u);
        picked->Release();
    }
    EXPECT_EQ(viewport->Pick(0, 0, nullptr), D3DRMERR_BADVALUE);
}

TEST_F(ObjectsTest, SurfacesLendOneDeviceContextAndBadCallsGiveTheirResultCodes) {
    IDirectDrawSurface* surface = MakeTextureSurface(128, 160);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
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
    surface->Release();

    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 100000;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_TOOBIGWIDTH);
    desc.dwSize = 12;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);
    rm::FailNthCall(2, DDERR_SURFACELOST); // the second call from now fails, once
    EXPECT_EQ(dd->CreateSurface(nullptr, &surface, nullptr), DDERR_INVALIDPARAMS);
    IDirect3DRMFrame* frame = nullptr;
    EXPECT_EQ(d3drm->CreateFrame(scene, &frame), DDERR_SURFACELOST);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(d3drm->CreateFrame(scene, &frame), D3DRM_OK);
    frame->Release();
    dd->Release();
    GUID unknown{7, 7, 7, {7}};
    IDirect3DRMDevice* other = nullptr;
    EXPECT_EQ(d3drm->CreateDeviceFromClipper(clipper, &unknown, 10, 10, &other),
              D3DRMERR_BADDEVICE);
    EXPECT_EQ(scene->DeleteChild(nullptr), D3DRMERR_BADOBJECT);
    EXPECT_EQ(scene->AddTranslation(D3DRMCOMBINE_AFTER, NAN, 0, 0), D3DRMERR_BADVALUE);
}

} // namespace
