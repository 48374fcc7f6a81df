#include "platform/rm/ddraw.h"

#include <cstdio>
#include <map>

namespace {

constexpr DWORD MAX_SURFACE_SIDE = 8192;
constexpr uint64_t MAX_SURFACE_PIXELS = 4096ull * 4096ull;

int displayDepth = rm::DEFAULT_DISPLAY_DEPTH;
std::map<void*, rm::Presenter>& Presenters() {
    static std::map<void*, rm::Presenter> presenters;
    return presenters;
}

bool IsSupportedFormat(const DDPIXELFORMAT& pf) {
    if ((pf.dwFlags & DDPF_RGB) == 0)
        return false;
    if (pf.dwRGBBitCount == 32)
        return pf.dwRBitMask == 0xff0000 && pf.dwGBitMask == 0xff00 && pf.dwBBitMask == 0xff;
    if (pf.dwRGBBitCount == 16)
        return pf.dwRBitMask == 0xf800 && pf.dwGBitMask == 0x7e0 && pf.dwBBitMask == 0x1f;
    return false;
}

HRESULT CheckSize(DWORD width, DWORD height) {
    if (width == 0 || height == 0)
        return DDERR_INVALIDPARAMS;
    if (width > MAX_SURFACE_SIDE)
        return DDERR_TOOBIGWIDTH;
    if (height > MAX_SURFACE_SIDE)
        return DDERR_TOOBIGHEIGHT;
    if (uint64_t(width) * height > MAX_SURFACE_PIXELS)
        return DDERR_TOOBIGSIZE;
    return DD_OK;
}

} // namespace

// --- Surfaces -----------------------------------------------------------------------------

IDirectDrawSurface::IDirectDrawSurface(const DDSURFACEDESC& desc) : desc_(desc) {
    pixels_.Resize(int(desc.dwWidth), int(desc.dwHeight));
    desc_.dwFlags |= DDSD_PITCH | DDSD_PIXELFORMAT;
    desc_.lPitch = LONG(desc.dwWidth * 4);
    if ((desc.dwFlags & DDSD_PIXELFORMAT) == 0) {
        desc_.ddpfPixelFormat = {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 32, 0xff0000, 0xff00, 0xff, 0};
    }
    dc_.image = &pixels_;
}

HRESULT IDirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC* desc) {
    RM_ENTER();
    if (desc == nullptr || desc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    *desc = desc_;
    return DD_OK;
}

HRESULT IDirectDrawSurface::Restore() {
    RM_ENTER();
    if (lost_) {
        pixels_.Resize(pixels_.width, pixels_.height);
        lost_ = false;
    }
    return DD_OK;
}

HRESULT IDirectDrawSurface::IsLost() {
    RM_ENTER();
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT IDirectDrawSurface::GetDC(HDC* dc) {
    RM_ENTER();
    if (dc == nullptr)
        return DDERR_INVALIDPARAMS;
    if (lost_)
        return DDERR_SURFACELOST;
    if (dcOut_)
        return DDERR_SURFACEBUSY;
    dcOut_ = true;
    dc_ = SurfaceDC{};
    dc_.image = &pixels_;
    *dc = &dc_;
    return DD_OK;
}

HRESULT IDirectDrawSurface::ReleaseDC(HDC dc) {
    RM_ENTER();
    if (!dcOut_ || dc != &dc_)
        return DDERR_NODC;
    dcOut_ = false;
    return DD_OK;
}

// --- Clipper ------------------------------------------------------------------------------

HRESULT IDirectDrawClipper::SetHWnd(DWORD, void* window) {
    RM_ENTER();
    if (window == nullptr)
        return DDERR_INVALIDPARAMS;
    window_ = window;
    return DD_OK;
}

HRESULT IDirectDrawClipper::GetHWnd(void** window) {
    RM_ENTER();
    if (window == nullptr)
        return DDERR_INVALIDPARAMS;
    *window = window_;
    return window_ != nullptr ? DD_OK : DDERR_NOHWND;
}

HRESULT DirectDrawCreateClipper(DWORD, IDirectDrawClipper** out, IUnknown* outer) {
    RM_ENTER();
    if (out == nullptr || outer != nullptr)
        return DDERR_INVALIDPARAMS;
    *out = new IDirectDrawClipper();
    return DD_OK;
}

// --- Drivers ------------------------------------------------------------------------------

const GUID IID_IDirect3D = {
    0x3BBA0080, 0x2421, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

const DriverInfo DRIVERS[2] = {
    {{0x6b657374, 0x726c, 0x0001, {'R', 'G', 'B', 0, 0, 0, 0, 1}},
     "Kestrel RGB Software",
     "Software rasterizer, full colour lighting",
     D3DCOLOR_RGB,
     DDBD_16 | DDBD_24 | DDBD_32},
    {{0x6b657374, 0x726c, 0x0002, {'M', 'O', 'N', 'O', 0, 0, 0, 2}},
     "Kestrel Mono Software",
     "Software rasterizer, intensity (ramp) lighting",
     D3DCOLOR_MONO,
     DDBD_16 | DDBD_24 | DDBD_32},
};

HRESULT IDirect3D::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) {
    RM_ENTER();
    if (callback == nullptr)
        return DDERR_INVALIDPARAMS;
    for (const DriverInfo& driver : DRIVERS) {
        // The callback gets copies it may keep or scribble on.
        GUID guid = driver.guid;
        char name[64] = {}, description[128] = {};
        snprintf(name, sizeof name, "%s", driver.name);
        snprintf(description, sizeof description, "%s", driver.description);
        D3DDEVICEDESC hardware = {sizeof(D3DDEVICEDESC), 0, 0, 0};
        D3DDEVICEDESC software = {sizeof(D3DDEVICEDESC), 0, driver.colorModel, driver.renderDepths};
        if (callback(&guid, description, name, &hardware, &software, context) == D3DENUMRET_CANCEL)
            break;
    }
    return DD_OK;
}

// --- DirectDraw object --------------------------------------------------------------------

HRESULT IDirectDraw::SetCooperativeLevel(void*, DWORD) {
    RM_ENTER();
    return DD_OK;
}

HRESULT IDirectDraw::CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, IUnknown* outer) {
    RM_ENTER();
    if (desc == nullptr || out == nullptr || outer != nullptr ||
        desc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    *out = nullptr;
    const DWORD needed = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    if ((desc->dwFlags & needed) != needed)
        return DDERR_INVALIDPARAMS;
    if (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE)
        return DDERR_INVALIDCAPS; // the window device presents; there is no primary
    if (const HRESULT size = CheckSize(desc->dwWidth, desc->dwHeight); size != DD_OK)
        return size;
    if ((desc->dwFlags & DDSD_PIXELFORMAT) && !IsSupportedFormat(desc->ddpfPixelFormat))
        return DDERR_INVALIDPIXELFORMAT;
    *out = new IDirectDrawSurface(*desc);
    return DD_OK;
}

HRESULT IDirectDraw::CreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer) {
    return DirectDrawCreateClipper(flags, out, outer);
}

HRESULT IDirectDraw::QueryInterface(REFIID iid, void** out) {
    RM_ENTER();
    if (out == nullptr)
        return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!(iid == IID_IDirect3D))
        return E_NOINTERFACE;
    *out = new IDirect3D();
    return DD_OK;
}

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** out, IUnknown* outer) {
    RM_ENTER();
    if (out == nullptr || outer != nullptr)
        return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (driver != nullptr)
        return DDERR_INVALIDDIRECTDRAWGUID;
    *out = new IDirectDraw();
    return DD_OK;
}

namespace rm {

void SetDisplayDepth(int bitsPerPixel) {
    displayDepth = bitsPerPixel;
}
int DisplayDepth() {
    return displayDepth;
}

void SetWindowPresenter(void* window, Presenter presenter) {
    if (presenter.show)
        Presenters()[window] = std::move(presenter);
    else
        Presenters().erase(window);
}

void ShowInWindow(void* window, const base::Picture& picture) {
    const auto found = Presenters().find(window);
    if (found != Presenters().end())
        found->second.show(picture);
}

Canvas LendFromWindow(void* window, int width, int height) {
    const auto found = Presenters().find(window);
    if (found == Presenters().end() || !found->second.lend)
        return {};
    return found->second.lend(width, height);
}

} // namespace rm
