#pragma once
// DirectDraw as far as the system uses it: the DirectDraw object, surfaces whose pixels are
// an Image, device contexts on surfaces for the 2D layer, clippers bound to a window,
// and the Direct3D interface that lists the drivers.

#include <functional>

#include "platform/base/device_context.h" // SurfaceDC and HDC: plain data shared with GDI
#include "platform/base/image.h"
#include "platform/rm/unknown.h"

constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;

constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr DWORD DDSCAPS_TEXTURE = 0x1000;

constexpr DWORD DDPF_RGB = 0x40;
constexpr DWORD DDSCL_NORMAL = 0x8;

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS {
    DWORD dwCaps;
};

// The surface description, 108 bytes as the system fills it in (dwSize = 108).
struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwZBufferBitDepth;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    DWORD lpSurface; // never used: pixels are reached through Pixels()
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};
static_assert(sizeof(DDSURFACEDESC) == 108);

class IDirectDrawSurface : public IUnknown {
public:
    HRESULT GetSurfaceDesc(DDSURFACEDESC* desc);
    // A lost surface answers DDERR_SURFACELOST until Restore gives it (blank) memory again.
    HRESULT Restore();
    HRESULT IsLost();
    // A fresh context whose image is the surface's pixels, for the 2D layer to draw into
    // until ReleaseDC. One at a time; DDERR_SURFACEBUSY while one is out.
    HRESULT GetDC(HDC* dc);
    HRESULT ReleaseDC(HDC dc);

    base::Image& Pixels() { return pixels_; }
    const base::Image& Pixels() const { return pixels_; }
    // What a display mode change does to video memory; for tests of the recovery paths.
    void SimulateLoss() { lost_ = true; }

private:
    friend class IDirectDraw;
    IDirectDrawSurface(const DDSURFACEDESC& desc);

    DDSURFACEDESC desc_;
    base::Image pixels_;
    SurfaceDC dc_;
    bool dcOut_ = false;
    bool lost_ = false;
};

class IDirectDrawClipper : public IUnknown {
public:
    HRESULT SetHWnd(DWORD flags, void* window);
    HRESULT GetHWnd(void** window);
    void* Window() const { return window_; }

private:
    friend HRESULT DirectDrawCreateClipper(DWORD, IDirectDrawClipper**, IUnknown*);
    IDirectDrawClipper() = default;
    void* window_ = nullptr;
};

// --- The Direct3D driver list -------------------------------------------------------------

using D3DCOLORMODEL = DWORD;
constexpr D3DCOLORMODEL D3DCOLOR_MONO = 1;
constexpr D3DCOLORMODEL D3DCOLOR_RGB = 2;

constexpr DWORD DDBD_1 = 0x4000;
constexpr DWORD DDBD_2 = 0x2000;
constexpr DWORD DDBD_4 = 0x1000;
constexpr DWORD DDBD_8 = 0x800;
constexpr DWORD DDBD_16 = 0x400;
constexpr DWORD DDBD_24 = 0x200;
constexpr DWORD DDBD_32 = 0x100;

constexpr HRESULT D3DENUMRET_CANCEL = 0;
constexpr HRESULT D3DENUMRET_OK = 1;

// What a driver can do; a colour model of 0 means "not this kind" (software drivers give
// an empty hardware description).
struct D3DDEVICEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    D3DCOLORMODEL dcmColorModel;
    DWORD dwDeviceRenderBitDepth;
};

using LPD3DDEVICEDESC = D3DDEVICEDESC*;

using LPD3DENUMDEVICESCALLBACK = HRESULT (*)(GUID* guid, char* description, char* name,
                                             D3DDEVICEDESC* hardware, D3DDEVICEDESC* software,
                                             void* context);

class IDirect3D : public IUnknown {
public:
    // Reports every driver in turn until the callback returns D3DENUMRET_CANCEL.
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context);

private:
    friend class IDirectDraw;
    IDirect3D() = default;
};

extern const GUID IID_IDirect3D;

// The software drivers of this layer, in the order EnumDevices reports them.
struct DriverInfo {
    GUID guid;
    const char* name;
    const char* description;
    D3DCOLORMODEL colorModel;
    DWORD renderDepths;
};
extern const DriverInfo DRIVERS[2];
constexpr int DRIVER_COUNT = 2;

class IDirectDraw : public IUnknown {
public:
    HRESULT SetCooperativeLevel(void* window, DWORD flags);
    // Width, height and caps are required; a pixel format, when given, must be 32-bit RGB
    // or 16-bit 5-6-5. The pixels always live as 32-bit 0xAARRGGBB.
    HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer);
    HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer);
    // IID_IDirect3D gives the driver list.
    HRESULT QueryInterface(REFIID iid, void** out) override;

private:
    friend HRESULT DirectDrawCreate(GUID*, IDirectDraw**, IUnknown*);
    IDirectDraw() = default;
};

using LPDIRECTDRAW = IDirectDraw*;
using LPDIRECTDRAWSURFACE = IDirectDrawSurface*;
using LPDIRECTDRAWCLIPPER = IDirectDrawClipper*;
using LPDIRECT3D = IDirect3D*;
using LPDDSURFACEDESC = DDSURFACEDESC*;

// `driver` null is the display; any other value is refused.
HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, IUnknown* outer);
HRESULT DirectDrawCreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer);

namespace rm {

// The colour depth of the display (16, 24 or 32; DEFAULT_DISPLAY_DEPTH until the window layer
// says otherwise). Devices render at this depth.
constexpr int DEFAULT_DISPLAY_DEPTH = 32;
void SetDisplayDepth(int bitsPerPixel);
int DisplayDepth();

// Pixels a window lends a device to draw its next frame into, so that the finished frame
// reaches the screen without being copied: width * height, rows packed, shown as 0xFFRRGGBB.
// `kept` says they still hold what the device last drew into them.
struct Canvas {
    uint32_t* pixels = nullptr;
    bool kept = false;
};

// How a window shows a device's frames; the window layer registers one per window handle.
// `show` puts a finished picture on the screen, or, given none, the frame drawn into the
// canvas. `lend`, if set, offers the canvas for a frame of the given size, or none.
struct Presenter {
    std::function<void(const base::Picture&)> show;
    std::function<Canvas(int width, int height)> lend;
};
// A presenter without `show` forgets the window's.
void SetWindowPresenter(void* window, Presenter presenter);
void ShowInWindow(void* window, const base::Picture& picture);
Canvas LendFromWindow(void* window, int width, int height);

} // namespace rm
