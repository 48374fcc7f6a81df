// The retained-mode object that makes everything else, and the device that shows images.

#include <cstdint>
#include <cstdio>
#include <new>

#include "platform/rm/d3drm.h"

namespace {

// A device serves any client area an X screen can give (a side of up to 32767 pixels) whose
// buffers fit in memory: a bound on the area keeps the colour, depth and shown images of one
// device near 800 MB. A larger one is refused before anything is allocated.
constexpr int MAX_DEVICE_SIDE = 32767;
constexpr uint64_t MAX_DEVICE_PIXELS = uint64_t(1) << 26;

// The driver a device is made for: the first listed when none is named.
const DriverInfo* FindDriver(const GUID* guid) {
    if (guid == nullptr)
        return &DRIVERS[0];
    for (const DriverInfo& driver : DRIVERS) {
        if (driver.guid == *guid)
            return &driver;
    }
    return nullptr;
}

std::shared_ptr<base::Image> NewPicture(int width, int height) {
    auto picture = std::make_shared<base::Image>();
    picture->Resize(width, height);
    return picture;
}

bool FileExists(const char* name) {
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

} // namespace

bool rm::DeviceSizeFits(int width, int height) {
    return width > 0 && height > 0 && width <= MAX_DEVICE_SIDE && height <= MAX_DEVICE_SIDE &&
           uint64_t(width) * uint64_t(height) <= MAX_DEVICE_PIXELS;
}

const GUID IID_IDirect3DRMWinDevice = {
    0xC5016CC0, 0xD273, 0x11CE, {0xAC, 0x48, 0x00, 0x00, 0xC0, 0x38, 0x25, 0xA1}};

HRESULT Direct3DRMCreate(IDirect3DRM** d3drm) {
    RM_ENTER();
    if (d3drm == nullptr)
        return D3DRMERR_BADVALUE;
    *d3drm = new IDirect3DRM();
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateFrame(IDirect3DRMFrame* parent, IDirect3DRMFrame** frame) {
    RM_ENTER();
    if (frame == nullptr)
        return D3DRMERR_BADVALUE;
    IDirect3DRMFrame* made = new IDirect3DRMFrame();
    if (parent != nullptr)
        parent->Attach(made);
    *frame = made;
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateMeshBuilder(IDirect3DRMMeshBuilder** mesh) {
    RM_ENTER();
    if (mesh == nullptr)
        return D3DRMERR_BADVALUE;
    *mesh = new IDirect3DRMMeshBuilder();
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateLightRGB(D3DRMLIGHTTYPE type, D3DVALUE red, D3DVALUE green,
                                    D3DVALUE blue, IDirect3DRMLight** light) {
    RM_ENTER();
    if (light == nullptr || type < D3DRMLIGHT_AMBIENT || type > D3DRMLIGHT_PARALLELPOINT ||
        !std::isfinite(red) || !std::isfinite(green) || !std::isfinite(blue))
        return D3DRMERR_BADVALUE;
    *light = new IDirect3DRMLight(type, {red, green, blue});
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateAnimation(IDirect3DRMAnimation** animation) {
    RM_ENTER();
    if (animation == nullptr)
        return D3DRMERR_BADVALUE;
    *animation = new IDirect3DRMAnimation();
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateAnimationSet(IDirect3DRMAnimationSet** set) {
    RM_ENTER();
    if (set == nullptr)
        return D3DRMERR_BADVALUE;
    *set = new IDirect3DRMAnimationSet();
    return D3DRM_OK;
}

HRESULT IDirect3DRM::LoadTexture(const char* fileName, IDirect3DRMTexture** texture) {
    RM_ENTER();
    if (texture == nullptr || fileName == nullptr)
        return D3DRMERR_BADVALUE;
    *texture = nullptr;
    if (!FileExists(fileName))
        return D3DRMERR_FILENOTFOUND;
    base::Image picture;
    if (!base::LoadBitmapFile(fileName, picture) || picture.Empty())
        return D3DRMERR_BADFILE;
    *texture = new IDirect3DRMTexture(std::move(picture), true, nullptr);
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateTextureFromSurface(IDirectDrawSurface* surface,
                                              IDirect3DRMTexture** texture) {
    RM_ENTER();
    if (texture == nullptr)
        return D3DRMERR_BADVALUE;
    *texture = nullptr;
    if (surface == nullptr)
        return D3DRMERR_BADOBJECT;
    *texture = new IDirect3DRMTexture(surface->Pixels(), false, surface);
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateDeviceFromClipper(IDirectDrawClipper* clipper, GUID* driver, int width,
                                             int height, IDirect3DRMDevice** device) {
    RM_ENTER();
    if (device == nullptr)
        return D3DRMERR_BADVALUE;
    *device = nullptr;
    if (clipper == nullptr)
        return D3DRMERR_BADOBJECT;
    if (width <= 0 || height <= 0)
        return D3DRMERR_BADVALUE;
    if (!rm::DeviceSizeFits(width, height))
        return D3DRMERR_BADALLOC;
    const DriverInfo* chosen = FindDriver(driver);
    if (chosen == nullptr)
        return D3DRMERR_BADDEVICE;
    try {
        *device =
            new IDirect3DRMDevice(clipper, chosen->colorModel == D3DCOLOR_MONO, width, height);
    } catch (const std::bad_alloc&) {
        return D3DRMERR_BADALLOC;
    }
    return D3DRM_OK;
}

HRESULT IDirect3DRM::CreateViewport(IDirect3DRMDevice* device, IDirect3DRMFrame* camera, DWORD x,
                                    DWORD y, DWORD width, DWORD height,
                                    IDirect3DRMViewport** viewport) {
    RM_ENTER();
    if (viewport == nullptr)
        return D3DRMERR_BADVALUE;
    *viewport = nullptr;
    if (device == nullptr || camera == nullptr)
        return D3DRMERR_BADOBJECT;
    if (width == 0 || height == 0 || uint64_t(x) + width > device->GetWidth() ||
        uint64_t(y) + height > device->GetHeight())
        return D3DRMERR_BADVALUE;
    *viewport = new IDirect3DRMViewport(device, camera, int(x), int(y), int(width), int(height));
    return D3DRM_OK;
}

HRESULT IDirect3DRM::SetDefaultTextureColors(DWORD colors) {
    RM_ENTER();
    if (colors == 0)
        return D3DRMERR_BADVALUE;
    textureColors_ = colors;
    return D3DRM_OK;
}

HRESULT IDirect3DRM::SetDefaultTextureShades(DWORD shades) {
    RM_ENTER();
    if (shades == 0)
        return D3DRMERR_BADVALUE;
    textureShades_ = shades;
    return D3DRM_OK;
}

// --- Device -------------------------------------------------------------------------------

IDirect3DRMDevice::IDirect3DRMDevice(IDirectDrawClipper* clipper, bool mono, int width, int height)
    : clipper_(clipper), mono_(mono), width_(width), height_(height), depth_(rm::DisplayDepth()) {
    // The buffers first: when memory runs out nothing has been taken from the clipper.
    drawing_ = NewPicture(width, height);
    shown_ = NewPicture(width, height);
    depthBuffer_.assign(size_t(width) * height, 0.0f);
    clipper_->AddRef();
}

IDirect3DRMDevice::~IDirect3DRMDevice() {
    clipper_->Release();
}

uint32_t* IDirect3DRMDevice::FrameColor() {
    const rm::Canvas canvas = rm::LendFromWindow(clipper_->Window(), width_, height_);
    onCanvas_ = canvas.pixels != nullptr;
    if (!onCanvas_)
        return drawing_->pixels.data();
    // New pixels may sit where the old ones were: nothing is known of the background they hold.
    if (!canvas.kept)
        pendingClear_.settled = nullptr;
    return canvas.pixels;
}

rm::raster::RenderTarget IDirect3DRMDevice::Target() {
    rm::raster::RenderTarget target;
    target.width = width_;
    target.height = height_;
    target.color = FrameColor();
    target.depth = depthBuffer_.data();
    target.bitsPerPixel = depth_;
    target.dither = dither_ != FALSE;
    target.pending = &pendingClear_;
    return target;
}

HRESULT IDirect3DRMDevice::Update() {
    RM_ENTER();
    // A clear that no render settled (one that failed part way) is still owed to the frame.
    rm::raster::RenderTarget target = Target();
    rm::raster::SettleColor(target);
    if (onCanvas_) {
        // One buffer: what the frame leaves in it is what the next one finds.
        rm::ShowInWindow(clipper_->Window(), nullptr);
        return D3DRM_OK;
    }
    std::swap(shown_, drawing_);
    rm::raster::TradeSettled(pendingClear_, shownSettled_);
    rm::ShowInWindow(clipper_->Window(), shown_);
    // The window has let go of the picture before; whoever still holds it keeps it as it is.
    if (drawing_.use_count() > 1) {
        try {
            drawing_ = NewPicture(width_, height_);
        } catch (const std::bad_alloc&) {
            return D3DRMERR_BADALLOC; // the next frame draws over the held picture
        }
    }
    return D3DRM_OK;
}

HRESULT IDirect3DRMDevice::SetQuality(D3DRMRENDERQUALITY quality) {
    RM_ENTER();
    if (!IsValidRenderQuality(quality))
        return D3DRMERR_BADVALUE;
    quality_ = quality;
    return D3DRM_OK;
}

HRESULT IDirect3DRMDevice::SetDither(BOOL dither) {
    RM_ENTER();
    dither_ = dither ? TRUE : FALSE;
    return D3DRM_OK;
}

HRESULT IDirect3DRMDevice::SetTextureQuality(D3DRMTEXTUREQUALITY quality) {
    RM_ENTER();
    if (quality != D3DRMTEXTURE_NEAREST && quality != D3DRMTEXTURE_LINEAR)
        return D3DRMERR_BADVALUE;
    textureQuality_ = quality;
    return D3DRM_OK;
}

HRESULT IDirect3DRMDevice::SetShades(DWORD shades) {
    RM_ENTER();
    if (shades == 0 || shades > 65536)
        return D3DRMERR_BADVALUE;
    shades_ = shades;
    return D3DRM_OK;
}

HRESULT IDirect3DRMDevice::QueryInterface(REFIID iid, void** out) {
    RM_ENTER();
    if (out == nullptr)
        return D3DRMERR_BADVALUE;
    *out = nullptr;
    if (!(iid == IID_IDirect3DRMWinDevice))
        return E_NOINTERFACE;
    *out = new IDirect3DRMWinDevice(this);
    return D3DRM_OK;
}

IDirect3DRMWinDevice::IDirect3DRMWinDevice(IDirect3DRMDevice* device) : device_(device) {
    device_->AddRef();
}

IDirect3DRMWinDevice::~IDirect3DRMWinDevice() {
    device_->Release();
}

HRESULT IDirect3DRMWinDevice::HandlePaint(HDC) {
    RM_ENTER();
    rm::ShowInWindow(device_->clipper_->Window(), device_->onCanvas_ ? nullptr : device_->shown_);
    return D3DRM_OK;
}

HRESULT IDirect3DRMWinDevice::HandleActivate(WORD) {
    RM_ENTER();
    return D3DRM_OK;
}
