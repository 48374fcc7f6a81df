#include "scene/bitmap_surface.h"

#include <cstdio>

#include "platform/gdi/gdi.h"
#include "scene/scene_objects.h"

namespace {

// Stands for the program's own module when bitmaps are first looked for among its
// resources. There are none, so that search always comes back empty and the file is read.
void* ProgramModule() {
    static char module;
    return &module;
}

// Notes for whoever debugs the program; nothing is shown to the player.
void OutputDebugStringA(const char* text) {
    std::fputs(text, stderr);
}

HBITMAP LoadNamedBitmap(const char* name, int width, int height) {
    HANDLE bitmap =
        LoadImageA(ProgramModule(), name, IMAGE_BITMAP, width, height, LR_CREATEDIBSECTION);
    if (bitmap == nullptr)
        bitmap = LoadImageA(nullptr, name, IMAGE_BITMAP, width, height,
                            LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    return static_cast<HBITMAP>(bitmap);
}

} // namespace

rm::RefPtr<IDirectDrawSurface> LoadBitmapSurface(const char* name, int width, int height,
                                                 DWORD caps, int rgb32) {
    HBITMAP bitmap = LoadNamedBitmap(name, width, height);
    if (bitmap == nullptr)
        return nullptr;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);

    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(info.bmWidth);
    desc.dwHeight = static_cast<DWORD>(info.bmHeight);
    desc.ddsCaps.dwCaps = caps;
    if (rgb32) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 32;
        desc.ddpfPixelFormat.dwRBitMask = 0xff0000;
        desc.ddpfPixelFormat.dwGBitMask = 0xff00;
        desc.ddpfPixelFormat.dwBBitMask = 0xff;
    }
    rm::RefPtr<IDirectDrawSurface> surface;
    if (D3D.lpDD == nullptr || D3D.lpDD->CreateSurface(&desc, surface.Out(), nullptr) != DD_OK) {
        DeleteObject(bitmap);
        return nullptr;
    }
    CopyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);
    DeleteObject(bitmap);
    return surface;
}

HRESULT CopyBitmapToSurface(LPDIRECTDRAWSURFACE surface, GdiBitmap* bitmap, int x, int y, int width,
                            int height) {
    if (bitmap == nullptr || surface == nullptr)
        return E_FAIL;
    surface->Restore();
    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr)
        OutputDebugStringA("createcompatible dc failed\n");
    // Keep what the context held, so the bitmap can be deleted once it is deselected.
    HGDIOBJ previous = SelectObject(memory, bitmap);

    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    if (width == 0)
        width = info.bmWidth;
    if (height == 0)
        height = info.bmHeight;

    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    surface->GetSurfaceDesc(&desc);

    HDC target = nullptr;
    const HRESULT result = surface->GetDC(&target);
    if (result == DD_OK) {
        StretchBlt(target, 0, 0, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                   memory, x, y, width, height, SRCCOPY);
        surface->ReleaseDC(target);
    }
    if (previous != nullptr)
        SelectObject(memory, previous);
    DeleteDC(memory);
    return result;
}

HRESULT ReloadBitmap(LPDIRECTDRAWSURFACE surface, const char* name) {
    HBITMAP bitmap = LoadNamedBitmap(name, 0, 0);
    if (bitmap == nullptr) {
        OutputDebugStringA("handle is null\n");
        return E_FAIL;
    }
    const HRESULT result = CopyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);
    if (result != DD_OK)
        OutputDebugStringA("ddcopybitmap failed\n");
    DeleteObject(bitmap);
    return result;
}

HRESULT CreateSurfaceAndTexture(const char* name, LPDIRECTDRAWSURFACE* surfaceOut,
                                LPDIRECT3DRMTEXTURE* textureOut) {
    *surfaceOut = nullptr;
    *textureOut = nullptr;
    rm::RefPtr<IDirectDrawSurface> surface = LoadBitmapSurface(name, 0, 0, DDSCAPS_TEXTURE, 0);
    if (surface == nullptr)
        return E_FAIL;
    HRESULT result = D3D.lpD3DRM->CreateTextureFromSurface(surface, textureOut);
    if (result != D3DRM_OK) {
        // Some drivers take textures only in a format they know: try once more in 32-bit RGB.
        surface = LoadBitmapSurface(name, 0, 0, DDSCAPS_TEXTURE, 1);
        if (surface == nullptr)
            return E_FAIL;
        result = D3D.lpD3DRM->CreateTextureFromSurface(surface, textureOut);
    }
    if (result != D3DRM_OK) {
        *textureOut = nullptr;
        return result;
    }
    *surfaceOut = surface.Leak();
    return 0;
}

rm::RefPtr<IDirect3DRMFace> GetMeshFace(LPDIRECT3DRMMESHBUILDER mesh, int index) {
    rm::RefPtr<IDirect3DRMFaceArray> faces;
    if (mesh == nullptr || mesh->GetFaces(faces.Out()) != D3DRM_OK)
        return nullptr;
    rm::RefPtr<IDirect3DRMFace> face;
    if (index < 0 || faces->GetElement(static_cast<DWORD>(index), face.Out()) != D3DRM_OK)
        return nullptr;
    return face;
}

HRESULT SetFaceTexture(LPDIRECT3DRMMESHBUILDER mesh, int index, double tx, double ty, double tx2,
                       double ty2, LPDIRECT3DRMTEXTURE texture) {
    const rm::RefPtr<IDirect3DRMFace> face = GetMeshFace(mesh, index);
    if (face == nullptr)
        return 0;
    HRESULT result = face->SetTexture(texture);
    if (result == D3DRM_OK)
        result = face->SetTextureCoordinates(0, D3DVAL(tx), D3DVAL(ty));
    if (result == D3DRM_OK)
        result = face->SetTextureCoordinates(1, D3DVAL(tx), D3DVAL(ty2));
    if (result == D3DRM_OK)
        result = face->SetTextureCoordinates(2, D3DVAL(tx2), D3DVAL(ty2));
    if (result == D3DRM_OK)
        result = face->SetTextureCoordinates(3, D3DVAL(tx2), D3DVAL(ty));
    return result;
}

HRESULT SetFaceColor(LPDIRECT3DRMMESHBUILDER mesh, int index, double r, double g, double b) {
    const rm::RefPtr<IDirect3DRMFace> face = GetMeshFace(mesh, index);
    if (face == nullptr)
        return 0;
    return face->SetColorRGB(D3DVAL(r), D3DVAL(g), D3DVAL(b));
}
