#include "platform/rm/reference_scene.h"

#include <cmath>

namespace rm {

namespace {

constexpr double TURN = 6.28318; // the reel builder's full turn
constexpr double HALF_PI = 1.570795;
constexpr double SYMBOL_WIDTH = 1.5;
constexpr double SYMBOL_SPACE = 0.25;
constexpr int DRUMS = 4;
const int SHOWN_STOPS[DRUMS] = {0, 5, 11, 19};

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

HRESULT MakeSurfaceTexture(ReferenceScene& s, const base::Image& picture,
                           IDirect3DRMTexture** out) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = DWORD(picture.width);
    desc.dwHeight = DWORD(picture.height);
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    RefPtr<IDirectDrawSurface> surface;
    TRY(s.directDraw->CreateSurface(&desc, surface.Out(), nullptr));
    surface->Pixels() = picture;
    return s.d3drm->CreateTextureFromSurface(surface, out);
}

HRESULT AddLights(ReferenceScene& s) {
    RefPtr<IDirect3DRMFrame> lightFrame;
    TRY(s.d3drm->CreateFrame(s.scene, lightFrame.Out()));
    lightFrame->SetOrientation(s.scene, 0, -1, 1, 0, 0, 1);
    RefPtr<IDirect3DRMLight> sun;
    RefPtr<IDirect3DRMLight> ambient;
    TRY(s.d3drm->CreateLightRGB(D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, sun.Out()));
    TRY(s.d3drm->CreateLightRGB(D3DRMLIGHT_AMBIENT, 0.1f, 0.1f, 0.1f, ambient.Out()));
    TRY(lightFrame->AddLight(sun));
    TRY(s.scene->AddLight(ambient));
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
    RefPtr<IDirect3DRMMeshBuilder> wall;
    TRY(s.d3drm->CreateMeshBuilder(wall.Out()));
    TRY(wall->AddFaces(DWORD(vertices.size()), vertices.data(), 0, nullptr, data.data(), nullptr));
    TRY(wall->SetQuality((wall->GetQuality() & ~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT));
    RefPtr<IDirect3DRMFaceArray> faces;
    TRY(wall->GetFaces(faces.Out()));
    for (DWORD i = 0; i < faces->GetSize(); ++i) {
        RefPtr<IDirect3DRMFace> face;
        TRY(faces->GetElement(i, face.Out()));
        const float grey = 0.35f + 0.05f * float(i % 7);
        face->SetColorRGB(grey, grey, grey * 0.9f);
    }
    RefPtr<IDirect3DRMFrame> frame;
    TRY(s.d3drm->CreateFrame(s.scene, frame.Out()));
    return frame->AddVisual(wall);
}

// Four drums side by side, placed as the machine scene places its reels.
HRESULT AddDrums(ReferenceScene& s, IDirect3DRMTexture* strip) {
    RefPtr<IDirect3DRMFrame> stack;
    TRY(s.d3drm->CreateFrame(s.scene, stack.Out()));
    const double stackWidth = (DRUMS - 1) * SYMBOL_SPACE + SYMBOL_WIDTH * DRUMS;
    TRY(stack->AddTranslation(D3DRMCOMBINE_AFTER, float(-stackWidth / 2), 0, 0.1f));
    for (int i = 0; i < DRUMS; ++i) {
        DrumGeometry drum = MakeDrum(REFERENCE_STOPS, 1.0, SYMBOL_WIDTH);
        RefPtr<IDirect3DRMMeshBuilder> mesh;
        TRY(s.d3drm->CreateMeshBuilder(mesh.Out()));
        TRY(BuildDrumMesh(mesh, drum, strip));
        RefPtr<IDirect3DRMFrame> holder;
        TRY(s.d3drm->CreateFrame(stack, holder.Out()));
        TRY(s.d3drm->CreateFrame(holder, s.drums[i].Out()));
        TRY(s.drums[i]->AddVisual(mesh));
        const float radius = float(REFERENCE_STOPS * 1.0 / TURN);
        TRY(holder->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, float(HALF_PI)));
        TRY(holder->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, float(-HALF_PI)));
        TRY(holder->AddTranslation(D3DRMCOMBINE_AFTER,
                                   float(i * (SYMBOL_WIDTH + SYMBOL_SPACE) + SYMBOL_WIDTH), 0,
                                   radius));
        // A rotation key of the stop's angle turns the drum by minus that angle.
        TRY(s.drums[i]->AddRotation(D3DRMCOMBINE_REPLACE, 0, 1, 0,
                                    float(-drum.angles[SHOWN_STOPS[i]])));
    }
    return D3DRM_OK;
}

HRESULT MakeDeviceAndCamera(ReferenceScene& s, int width, int height) {
    TRY(DirectDrawCreate(nullptr, s.directDraw.Out(), nullptr));
    TRY(DirectDrawCreateClipper(0, s.clipper.Out(), nullptr));
    TRY(s.clipper->SetHWnd(0, &s)); // any handle: nothing presents it
    TRY(Direct3DRMCreate(s.d3drm.Out()));
    TRY(s.d3drm->CreateFrame(nullptr, s.scene.Out()));
    TRY(s.d3drm->CreateFrame(s.scene, s.camera.Out()));
    TRY(s.camera->SetPosition(s.scene, 0, 0, -12));
    TRY(s.d3drm->CreateDeviceFromClipper(s.clipper, nullptr, width, height, s.device.Out()));
    TRY(s.device->SetQuality(D3DRMRENDER_GOURAUD));
    TRY(s.device->SetTextureQuality(D3DRMTEXTURE_LINEAR));
    TRY(s.device->SetDither(FALSE));
    TRY(s.d3drm->CreateViewport(s.device, s.camera, 0, 0, s.device->GetWidth(),
                                s.device->GetHeight(), s.viewport.Out()));
    return s.viewport->SetBack(100);
}

} // namespace

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
    const double r = circumference / TURN;
    double acc = 0;
    for (int i = 0; i < stops; ++i) {
        const double a1 = acc / circumference * TURN;
        acc += stopHeight;
        const double a2 = acc / circumference * TURN;
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
    RefPtr<IDirect3DRMFaceArray> faces;
    TRY(mesh->GetFaces(faces.Out()));
    for (int i = 0; i < stops; ++i) {
        const int stop = StopOfFace(i, stops);
        // Surface textures have v = 0 at the top: the band's bottom edge is its larger v.
        const float tx = 0, tx2 = 1;
        const float ty = float(stop + 1) / float(stops), ty2 = float(stop) / float(stops);
        RefPtr<IDirect3DRMFace> face;
        TRY(faces->GetElement(DWORD(i), face.Out()));
        TRY(face->SetTexture(strip));
        TRY(face->SetTextureCoordinates(0, tx2, ty));
        TRY(face->SetTextureCoordinates(1, tx, ty));
        TRY(face->SetTextureCoordinates(2, tx, ty2));
        TRY(face->SetTextureCoordinates(3, tx2, ty2));
    }
    return D3DRM_OK;
}

HRESULT BuildReferenceScene(ReferenceScene& s, int width, int height) {
    TRY(MakeDeviceAndCamera(s, width, height));
    TRY(s.scene->SetSceneBackgroundRGB(0, 0, 0.2f));
    TRY(AddLights(s));
    TRY(AddWall(s));
    RefPtr<IDirect3DRMTexture> strip;
    TRY(MakeSurfaceTexture(s, MakeStopStrip(REFERENCE_STOPS, 32), strip.Out()));
    return AddDrums(s, strip);
}

HRESULT RenderReferenceFrame(ReferenceScene& s) {
    TRY(s.scene->Move(1));
    TRY(s.viewport->Clear());
    TRY(s.viewport->Render(s.scene));
    return s.device->Update();
}

} // namespace rm
