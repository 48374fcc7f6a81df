// Mesh builders and faces: the face-data format with and without normals, malformed data,
// face order, per-corner texture coordinates, colours, quality and translation.

#include "tests/rm/scene_test_support.h"

namespace {

class MeshTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    }
    void TearDown() override {
        mesh->Release();
        SceneTest::TearDown();
    }

    IDirect3DRMMeshBuilder* mesh = nullptr;
    D3DVECTOR square[5] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 0, 0}};
    DWORD quad[6] = {4, 0, 1, 2, 3, 0};
};

TEST_F(MeshTest, FacesComeBackInOrderAndLaterCallsIndexTheirOwnVertices) {
    DWORD data[] = {3, 0, 1, 2, 4, 0, 1, 2, 3, 3, 3, 2, 4, 0};
    IDirect3DRMFaceArray* added = nullptr;
    ASSERT_EQ(mesh->AddFaces(5, square, 0, nullptr, data, &added), D3DRM_OK);
    EXPECT_EQ(added->GetSize(), 3u);
    added->Release();
    IDirect3DRMFaceArray* faces = nullptr;
    ASSERT_EQ(mesh->GetFaces(&faces), D3DRM_OK);
    ASSERT_EQ(faces->GetSize(), 3u);
    const int corners[] = {3, 4, 3};
    for (DWORD i = 0; i < 3; ++i) {
        IDirect3DRMFace* face = FaceOf(mesh, i);
        EXPECT_EQ(face->GetVertexCount(), corners[i]);
        face->Release();
    }
    IDirect3DRMFace* none = reinterpret_cast<IDirect3DRMFace*>(1);
    EXPECT_EQ(faces->GetElement(3, &none), D3DRMERR_BADVALUE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(faces->GetElement(0, nullptr), D3DRMERR_BADVALUE);
    faces->Release();

    DWORD triangle[] = {3, 0, 1, 2, 0};
    ASSERT_EQ(mesh->AddFaces(3, square + 2, 0, nullptr, triangle, nullptr), D3DRM_OK);
    EXPECT_EQ(mesh->GetVertexCount(), 8);
    EXPECT_EQ(mesh->GetFaceCount(), 4);
}

TEST_F(MeshTest, NormalsPairWithVerticesAndMalformedDataAddsNothing) {
    D3DVECTOR normals[2] = {{0, 0, -3}, {0, 0, -1}};
    DWORD paired[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    DWORD noSuchNormal[] = {3, 0, 0, 1, 1, 2, 2, 0};
    DWORD tooFew[] = {2, 0, 1, 0};
    DWORD badVertex[] = {3, 0, 1, 2, 3, 0, 1, 9, 0};
    D3DVECTOR nan[4] = {{0, 0, 0}, {NAN, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    EXPECT_EQ(mesh->AddFaces(4, square, 2, normals, noSuchNormal, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 0, nullptr, tooFew, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 0, nullptr, badVertex, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 0, nullptr, nullptr, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, nullptr, 0, nullptr, quad, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 1, nullptr, quad, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(4, nan, 0, nullptr, quad, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
    EXPECT_EQ(mesh->GetVertexCount(), 0);
    ASSERT_EQ(mesh->AddFaces(4, square, 2, normals, paired, nullptr), D3DRM_OK);
    EXPECT_EQ(mesh->GetFaceCount(), 1);
    EXPECT_EQ(mesh->GetVertexCount(), 4);
}

TEST_F(MeshTest, TextureCoordinatesArePerCornerInFaceOrder) {
    ASSERT_EQ(mesh->AddFaces(4, square, 0, nullptr, quad, nullptr), D3DRM_OK);
    IDirect3DRMFace* face = FaceOf(mesh);
    ASSERT_EQ(face->SetTextureCoordinates(0, 0.0f, 0.999f), D3DRM_OK);
    ASSERT_EQ(face->SetTextureCoordinates(3, 0.499f, 0.25f), D3DRM_OK);
    float u = -1, v = -1;
    ASSERT_EQ(face->GetTextureCoordinates(3, &u, &v), D3DRM_OK);
    EXPECT_FLOAT_EQ(u, 0.499f);
    EXPECT_FLOAT_EQ(v, 0.25f);
    ASSERT_EQ(face->GetTextureCoordinates(0, &u, &v), D3DRM_OK);
    EXPECT_FLOAT_EQ(v, 0.999f);
    EXPECT_EQ(face->SetTextureCoordinates(4, 0, 0), D3DRMERR_BADVALUE);
    EXPECT_EQ(face->GetTextureCoordinates(0, nullptr, &v), D3DRMERR_BADVALUE);
    face->Release();
}

TEST_F(MeshTest, MeshColourPaintsEveryFaceFaceColourItsOwnAndQualityKeepsItsParts) {
    DWORD data[] = {3, 0, 1, 2, 3, 0, 2, 3, 0};
    ASSERT_EQ(mesh->AddFaces(4, square, 0, nullptr, data, nullptr), D3DRM_OK);
    ASSERT_EQ(mesh->SetColorRGB(0.45f, 0.45f, 0.45f), D3DRM_OK);
    IDirect3DRMFace* second = FaceOf(mesh, 1);
    ASSERT_EQ(second->SetColorRGB(0, 0, 0.5f), D3DRM_OK);
    IDirect3DRMFace* first = FaceOf(mesh, 0);
    EXPECT_FLOAT_EQ(first->Color().x, 0.45f);
    EXPECT_FLOAT_EQ(second->Color().z, 0.5f);
    EXPECT_FLOAT_EQ(second->Color().x, 0.0f);
    EXPECT_EQ(first->SetColorRGB(NAN, 0, 0), D3DRMERR_BADVALUE);
    first->Release();
    second->Release();

    EXPECT_EQ(mesh->GetQuality(), D3DRMRENDER_GOURAUD);
    ASSERT_EQ(mesh->SetQuality((mesh->GetQuality() & ~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT),
              D3DRM_OK);
    EXPECT_EQ(mesh->GetQuality(), D3DRMLIGHT_ON | D3DRMFILL_SOLID);
    EXPECT_EQ(mesh->SetQuality(0x1000), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->SetQuality(D3DRMFILL_MASK), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->GetQuality(), D3DRMLIGHT_ON | D3DRMFILL_SOLID);
}

TEST_F(MeshTest, TranslateMovesTheMeshTowardTheViewer) {
    // A red quad 0.05 behind a green one, moved 0.06 toward the camera, comes in front, as
    // the pay line marker is put in front of the cabinet.
    IDirect3DRMMeshBuilder* front = MakeQuad(d3drm, -2, -2, 2, 2, 0);
    ASSERT_EQ(front->SetColorRGB(0, 1, 0), D3DRM_OK);
    AddFrameWith(front);
    D3DVECTOR v[4] = {{-1, -1, 0.05f}, {-1, 1, 0.05f}, {1, 1, 0.05f}, {1, -1, 0.05f}};
    ASSERT_EQ(mesh->AddFaces(4, v, 0, nullptr, quad, nullptr), D3DRM_OK);
    ASSERT_EQ(mesh->SetColorRGB(1, 0, 0), D3DRM_OK);
    mesh->AddRef();
    AddFrameWith(mesh);
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).g, 255);
    ASSERT_EQ(mesh->Translate(0, 0, -0.06f), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).r, 255);
}

} // namespace
