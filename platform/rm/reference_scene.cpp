#include "platform/rm/reference_scene.h"

#include <cmath>

namespace rm {

namespace {

constexpr double kTurn = 6.28318; // the reel builder's full turn
constexpr double kHalfPi = 1.570795;
constexpr double kSymWidth = 1.5;
constexpr double kSymSpace = 0.25;
constexpr int kDrums = 4;
const int kShownStops[kDrums] = {0, 5, 11, 19};

#define TRY(call)                                                                                  \
    do {                                                                                           \
        const HRESULT hr_ = (call);                                                                \
        if (hr_ < 0)                                                                               \
            return hr_;                                                                            \
    } while (0)

uint32_t BandColor(int k) {
    static const uint32_t colors[] = {0xFFE03030, 0xFF30B040, 0xFF3050E0, 0xFFE0C020,
                                      0xFFB040C0, 0xFF20C0C0, 0xFFE08020, 0xFF808080};
    return colors[k % 8];
}

// The stop of face i: the strip is wound in descending order of stop index.
int StopOfFace(int i, int stops) {
    return i == 0 ? 0 : stops - i;
}

HRESULT MakeSurfaceTexture(ReferenceScene& s, const base::Image& picture, IDirect3DRMTexture** out) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = DWORD(picture.width);
    desc.dwHeight = DWORD(picture.height);
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    IDirectDrawSurface* surface = nullptr;
    TRY(s.directDraw->CreateSurface(&desc, &surface, nullptr));
    surface->Pixels() = picture;
    const HRESULT hr = s.d3drm->CreateTextureFromSurface(surface, out);
    surface->Release();
    return hr;
}

HRESULT AddLights(ReferenceScene& s) {
    IDirect3DRMFrame* lightFrame = nullptr;
    TRY(s.d3drm->CreateFrame(s.scene, &lightFrame));
    lightFrame->SetOrientation(s.scene, 0, -1, 1, 0, 0, 1);
    IDirect3DRMLight* sun = nullptr;
    IDirect3DRMLight* ambient = nullptr;
    TRY(s.d3drm->CreateLightRGB(D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, &sun));
    TRY(s.d3drm->CreateLightRGB(D3DRMLIGHT_AMBIENT, 0.1f, 0.1f, 0.1f, &ambient));
    TRY(lightFrame->AddLight(sun));
    TRY(s.scene->AddLight(ambient));
    sun->Release();
    ambient->Release();
    lightFrame->Release();
    return D3DRM_OK;
}

// The wall: 8 by 5 quads, each its own grey, flat shaded, behind the drums.
HRESULT AddWall(ReferenceScene& s) {
    constexpr int columns = 8, rows = 5;
    constexpr float size = 2.4f, gap = 0.1f, depth = 4.0f;
    std::vector<D3DVECTOR> vertices;
    std::vector<DWORD> data;
    const float left = -columns * (size + gap) / 2, bottom = -rows * (size + gap) / 2;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float x = left + c * (size + gap), y = bottom + r * (size + gap);
            const DWORD base = DWORD(vertices.size());
            vertices.push_back({x, y, depth});
            vertices.push_back({x, y + size, depth});
            vertices.push_back({x + size, y + size, depth});
            vertices.push_back({x + size, y, depth});
            data.insert(data.end(), {4, base, base + 1, base + 2, base + 3});
        }
    }
    data.push_back(0);
    IDirect3DRMMeshBuilder* wall = nullptr;
    TRY(s.d3drm->CreateMeshBuilder(&wall));
    TRY(wall->AddFaces(DWORD(vertices.size()), vertices.data(), 0, nullptr, data.data(), nullptr));
    TRY(wall->SetQuality((wall->GetQuality() & ~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT));
    IDirect3DRMFaceArray* faces = nullptr;
    TRY(wall->GetFaces(&faces));
    for (DWORD i = 0; i < faces->GetSize(); ++i) {
        IDirect3DRMFace* face = nullptr;
        TRY(faces->GetElement(i, &face));
        const float grey = 0.35f + 0.05f * float(i % 7);
        face->SetColorRGB(grey, grey, grey * 0.9f);
        face->Release();
    }
    faces->Release();
    IDirect3DRMFrame* frame = nullptr;
    TRY(s.d3drm->CreateFrame(s.scene, &frame));
    TRY(frame->AddVisual(wall));
    wall->Release();
    frame->Release();
    return D3DRM_OK;
}

// Four drums side by side, placed as the machine scene places its reels.
HRESULT AddDrums(ReferenceScene& s, IDirect3DRMTexture* strip) {
    IDirect3DRMFrame* stack = nullptr;
    TRY(s.d3drm->CreateFrame(s.scene, &stack));
    const double stackWidth = (kDrums - 1) * kSymSpace + kSymWidth * kDrums;
    TRY(stack->AddTranslation(D3DRMCOMBINE_AFTER, float(-stackWidth / 2), 0, 0.1f));
    for (int i = 0; i < kDrums; ++i) {
        DrumGeometry drum = MakeDrum(kReferenceStops, 1.0, kSymWidth);
        IDirect3DRMMeshBuilder* mesh = nullptr;
        TRY(s.d3drm->CreateMeshBuilder(&mesh));
        TRY(BuildDrumMesh(mesh, drum, strip));
        IDirect3DRMFrame* holder = nullptr;
        TRY(s.d3drm->CreateFrame(stack, &holder));
        TRY(s.d3drm->CreateFrame(holder, &s.drums[i]));
        TRY(s.drums[i]->AddVisual(mesh));
        mesh->Release();
        const float radius = float(kReferenceStops * 1.0 / kTurn);
        TRY(holder->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, float(kHalfPi)));
        TRY(holder->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, float(-kHalfPi)));
        TRY(holder->AddTranslation(D3DRMCOMBINE_AFTER,
                                   float(i * (kSymWidth + kSymSpace) + kSymWidth), 0, radius));
        holder->Release();
        // A rotation key of the stop's angle turns the drum by minus that angle.
        TRY(s.drums[i]->AddRotation(D3DRMCOMBINE_REPLACE, 0, 1, 0,
                                    float(-drum.angles[kShownStops[i]])));
    }
    stack->Release();
    return D3DRM_OK;
}

HRESULT MakeDeviceAndCamera(ReferenceScene& s, int width, int height) {
    TRY(DirectDrawCreate(nullptr, &s.directDraw, nullptr));
    TRY(DirectDrawCreateClipper(0, &s.clipper, nullptr));
    TRY(s.clipper->SetHWnd(0, &s)); // any handle: nothing presents it
    TRY(Direct3DRMCreate(&s.d3drm));
    TRY(s.d3drm->CreateFrame(nullptr, &s.scene));
    TRY(s.d3drm->CreateFrame(s.scene, &s.camera));
    TRY(s.camera->SetPosition(s.scene, 0, 0, -12));
    TRY(s.d3drm->CreateDeviceFromClipper(s.clipper, nullptr, width, height, &s.device));
    TRY(s.device->SetQuality(D3DRMRENDER_GOURAUD));
    TRY(s.device->SetTextureQuality(D3DRMTEXTURE_LINEAR));
    TRY(s.device->SetDither(FALSE));
    TRY(s.d3drm->CreateViewport(s.device, s.camera, 0, 0, s.device->GetWidth(),
                                s.device->GetHeight(), &s.viewport));
    return s.viewport->SetBack(100);
}

} // namespace

ReferenceScene::~ReferenceScene() {
    for (IDirect3DRMFrame* drum : drums) {
        if (drum != nullptr)
            drum->Release();
    }
    IUnknown* objects[] = {scene, camera, viewport, device, d3drm, clipper, directDraw};
    for (IUnknown* object : objects) {
        if (object != nullptr)
            object->Release();
    }
}

base::Image MakeStopStrip(int stops, int bandHeight) {
    base::Image strip;
    strip.Resize(64, stops * bandHeight);
    for (int k = 0; k < stops; ++k) {
        for (int y = 0; y < bandHeight; ++y) {
            for (int x = 0; x < strip.width; ++x) {
                const bool bar =
                    y >= bandHeight / 4 && y < bandHeight * 3 / 4 && x % 6 < 3 && x / 6 <= k;
                strip.At(x, k * bandHeight + y) = bar ? 0xFFFFFFFFu : BandColor(k);
            }
        }
    }
    return strip;
}

DrumGeometry MakeDrum(int stops, double stopHeight, double width) {
    DrumGeometry drum;
    drum.angles.assign(size_t(stops), 0.0);
    const double circumference = stops * stopHeight;
    const double r = circumference / kTurn;
    double acc = 0;
    for (int i = 0; i < stops; ++i) {
        const double a1 = acc / circumference * kTurn;
        acc += stopHeight;
        const double a2 = acc / circumference * kTurn;
        drum.angles[size_t(StopOfFace(i, stops))] = (a1 + a2) * -0.5;
        const float x1 = float(r * std::cos(a1)), z1 = float(r * std::sin(a1));
        const float x2 = float(r * std::cos(a2)), z2 = float(r * std::sin(a2));
        const float w = float(width);
        drum.vertices.insert(drum.vertices.end(),
                             {{x1, 0, z1}, {x1, w, z1}, {x2, w, z2}, {x2, 0, z2}});
        drum.normals.insert(drum.normals.end(), {{x1, 0, z1}, {x2, 0, z2}});
        const DWORD v = DWORD(4 * i), n = DWORD(2 * i);
        drum.faceData.insert(drum.faceData.end(), {4, v, n, v + 1, n, v + 2, n + 1, v + 3, n + 1});
    }
    drum.faceData.push_back(0);
    return drum;
}

HRESULT BuildDrumMesh(IDirect3DRMMeshBuilder* mesh, DrumGeometry& drum, IDirect3DRMTexture* strip) {
    const int stops = int(drum.angles.size());
    TRY(mesh->AddFaces(DWORD(drum.vertices.size()), drum.vertices.data(),
                       DWORD(drum.normals.size()), drum.normals.data(), drum.faceData.data(),
                       nullptr));
    TRY(mesh->SetColorRGB(1, 1, 1));
    TRY(mesh->SetPerspective(TRUE));
    if (strip == nullptr)
        return D3DRM_OK;
    IDirect3DRMFaceArray* faces = nullptr;
    TRY(mesh->GetFaces(&faces));
    for (int i = 0; i < stops; ++i) {
        const int stop = StopOfFace(i, stops);
        // Surface textures have v = 0 at the top: the band's bottom edge is its larger v.
        const float tx = 0, tx2 = 1;
        const float ty = float(stop + 1) / float(stops), ty2 = float(stop) / float(stops);
        IDirect3DRMFace* face = nullptr;
        TRY(faces->GetElement(DWORD(i), &face));
        TRY(face->SetTexture(strip));
        TRY(face->SetTextureCoordinates(0, tx2, ty));
        TRY(face->SetTextureCoordinates(1, tx, ty));
        TRY(face->SetTextureCoordinates(2, tx, ty2));
        TRY(face->SetTextureCoordinates(3, tx2, ty2));
        face->Release();
    }
    faces->Release();
    return D3DRM_OK;
}

HRESULT BuildReferenceScene(ReferenceScene& s, int width, int height) {
    TRY(MakeDeviceAndCamera(s, width, height));
    TRY(s.scene->SetSceneBackgroundRGB(0, 0, 0.2f));
    TRY(AddLights(s));
    TRY(AddWall(s));
    IDirect3DRMTexture* strip = nullptr;
    TRY(MakeSurfaceTexture(s, MakeStopStrip(kReferenceStops, 32), &strip));
    const HRESULT drums = AddDrums(s, strip);
    strip->Release();
    return drums;
}

HRESULT RenderReferenceFrame(ReferenceScene& s) {
    TRY(s.scene->Move(1));
    TRY(s.viewport->Clear());
    TRY(s.viewport->Render(s.scene));
    return s.device->Update();
}

} // namespace rm
