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
    IDirect3DRMFace* Face(DWORD index) {
        IDirect3DRMFaceArray* faces = nullptr;
        EXPECT_EQ(mesh->GetFaces(&faces), D3DRM_OK);
        IDirect3DRMFace* face = nullptr;
        EXPECT_EQ(faces->GetElement(index, &face), D3DRM_OK);
        faces->Release();
        return face;
    }

    IDirect3DRMMeshBuilder* mesh = nullptr;
    D3DVECTOR square[5] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 0, 0}};
    D3DVECTOR normals[2] = {{0, 0, -3}, {0, 0, -1}};
};

TEST_F(MeshTest, FacesComeBackInTheOrderOfTheFaceData) {
    DWORD data[] = {3, 0, 1, 2, 4, 0, 1, 2, 3, 3, 3, 2, 4, 0};
    IDirect3DRMFaceArray* added = nullptr;
    ASSERT_EQ(mesh->AddFaces(5, square, 0, nullptr, data, &added), D3DRM_OK);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetSize(), 3u);
    added->Release();
    IDirect3DRMFaceArray* faces = nullptr;
    ASSERT_EQ(mesh->GetFaces(&faces), D3DRM_OK);
    ASSERT_EQ(faces->GetSize(), 3u);
    const int corners[] = {3, 4, 3};
    for (DWORD i = 0; i < 3; ++i) {
        IDirect3DRMFace* face = nullptr;
        ASSERT_EQ(faces->GetElement(i, &face), D3DRM_OK);
        EXPECT_EQ(face->GetVertexCount(), corners[i]);
        face->Release();
    }
    IDirect3DRMFace* none = reinterpret_cast<IDirect3DRMFace*>(1);
    EXPECT_EQ(faces->GetElement(3, &none), D3DRMERR_BADVALUE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(faces->GetElement(0, nullptr), D3DRMERR_BADVALUE);
    faces->Release();
}

TEST_F(MeshTest, NormalsArePairedWithVerticesInTheFaceData) {
    DWORD data[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    ASSERT_EQ(mesh->AddFaces(4, square, 2, normals, data, nullptr), D3DRM_OK);
    EXPECT_EQ(mesh->GetFaceCount(), 1);
    EXPECT_EQ(mesh->GetVertexCount(), 4);
    DWORD second[] = {3, 0, 0, 1, 1, 2, 2, 0}; // normal 2 does not exist
    EXPECT_EQ(mesh->AddFaces(4, square, 2, normals, second, nullptr), D3DRMERR_BADVALUE);
}

TEST_F(MeshTest, MalformedFaceDataAddsNothing) {
    DWORD tooFew[] = {2, 0, 1, 0};
    DWORD badVertex[] = {3, 0, 1, 2, 3, 0, 1, 9, 0};
    DWORD fine[] = {3, 0, 1, 2, 0};
    EXPECT_EQ(mesh->AddFaces(5, square, 0, nullptr, tooFew, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 0, nullptr, badVertex, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 0, nullptr, nullptr, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, nullptr, 0, nullptr, fine, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->AddFaces(5, square, 1, nullptr, fine, nullptr), D3DRMERR_BADVALUE);
    D3DVECTOR bad[3] = {{0, 0, 0}, {NAN, 1, 0}, {1, 1, 0}};
    EXPECT_EQ(mesh->AddFaces(3, bad, 0, nullptr, fine, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
    EXPECT_EQ(mesh->GetVertexCount(), 0);
}

TEST_F(MeshTest, IndexesOfALaterCallCountFromItsOwnVertices) {
    DWORD data[] = {3, 0, 1, 2, 0};
    ASSERT_EQ(mesh->AddFaces(3, square, 0, nullptr, data, nullptr), D3DRM_OK);
    ASSERT_EQ(mesh->AddFaces(3, square + 2, 0, nullptr, data, nullptr), D3DRM_OK);
    EXPECT_EQ(mesh->GetVertexCount(), 6);
    EXPECT_EQ(mesh->GetFaceCount(), 2);
}

TEST_F(MeshTest, TextureCoordinatesArePerCornerInFaceOrder) {
    DWORD data[] = {4, 0, 1, 2, 3, 0};
    ASSERT_EQ(mesh->AddFaces(4, square, 0, nullptr, data, nullptr), D3DRM_OK);
    IDirect3DRMFace* face = Face(0);
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

TEST_F(MeshTest, MeshColourPaintsEveryFaceAndFaceColourOnlyItsOwn) {
    DWORD data[] = {3, 0, 1, 2, 3, 0, 2, 3, 0};
    ASSERT_EQ(mesh->AddFaces(4, square, 0, nullptr, data, nullptr), D3DRM_OK);
    ASSERT_EQ(mesh->SetColorRGB(0.45f, 0.45f, 0.45f), D3DRM_OK);
    IDirect3DRMFace* second = Face(1);
    ASSERT_EQ(second->SetColorRGB(0, 0, 0.5f), D3DRM_OK);
    IDirect3DRMFace* first = Face(0);
    EXPECT_FLOAT_EQ(first->Color().x, 0.45f);
    EXPECT_FLOAT_EQ(second->Color().z, 0.5f);
    EXPECT_FLOAT_EQ(second->Color().x, 0.0f);
    EXPECT_EQ(first->SetColorRGB(NAN, 0, 0), D3DRMERR_BADVALUE);
    first->Release();
    second->Release();
}

TEST_F(MeshTest, QualityKeepsItsPartsAndRefusesUnknownBits) {
    EXPECT_EQ(mesh->GetQuality(), D3DRMRENDER_GOURAUD);
    ASSERT_EQ(mesh->SetQuality((mesh->GetQuality() & ~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT),
              D3DRM_OK);
    EXPECT_EQ(mesh->GetQuality(), D3DRMLIGHT_ON | D3DRMFILL_SOLID);
    EXPECT_EQ(mesh->SetQuality(0x1000), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->SetQuality(D3DRMFILL_MASK), D3DRMERR_BADVALUE);
    EXPECT_EQ(mesh->GetQuality(), D3DRMLIGHT_ON | D3DRMFILL_SOLID);
}

TEST_F(MeshTest, TranslateMovesTheMeshTowardTheViewer) {
    // Two overlapping red and green quads in one plane; moving the red one 0.01 toward the
    // camera puts it in front, as the pay line marker is put in front of the cabinet.
    IDirect3DRMMeshBuilder* back = MakeQuad(d3drm, -2, -2, 2, 2, 0);
    ASSERT_EQ(back->SetColorRGB(0, 1, 0), D3DRM_OK);
    AddFrameWith(back);
    mesh->AddRef();
    DWORD data[] = {4, 0, 1, 2, 3, 0};
    D3DVECTOR v[4] = {{-1, -1, 0.05f}, {-1, 1, 0.05f}, {1, 1, 0.05f}, {1, -1, 0.05f}};
    ASSERT_EQ(mesh->AddFaces(4, v, 0, nullptr, data, nullptr), D3DRM_OK);
    ASSERT_EQ(mesh->SetColorRGB(1, 0, 0), D3DRM_OK);
    AddFrameWith(mesh);
    EXPECT_EQ(ColorAt(Draw(), kWidth / 2, kHeight / 2).g, 255);
    ASSERT_EQ(mesh->Translate(0, 0, -0.06f), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), kWidth / 2, kHeight / 2).r, 255);
}

} // namespace
