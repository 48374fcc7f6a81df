// DirectDraw stand-in: surfaces and their descriptions, device contexts, lost surfaces, the
// clipper, the driver list, and the switch that makes a chosen call fail.

#include <string>
#include <vector>

#include "tests/rm/scene_test_support.h"

namespace {

class DirectDrawTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = 128;
        desc.dwHeight = 160;
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    }
    void TearDown() override {
        dd->Release();
        SceneTest::TearDown();
    }
    IDirectDraw* dd = nullptr;
    DDSURFACEDESC desc{};
};

TEST_F(DirectDrawTest, SurfaceHasTheSizeAndFormatAskedForAndBadDescriptionsAreRefused) {
    IDirectDrawSurface* surface = nullptr;
    DDSURFACEDESC asked = desc;
    asked.dwFlags |= DDSD_PIXELFORMAT;
    asked.ddpfPixelFormat = {32, DDPF_RGB, 0, 32, 0xff0000, 0xff00, 0xff, 0};
    ASSERT_EQ(dd->CreateSurface(&asked, &surface, nullptr), DD_OK);
    EXPECT_EQ(surface->Pixels().width, 128);
    EXPECT_EQ(surface->Pixels().height, 160);
    DDSURFACEDESC read{};
    read.dwSize = 108;
    ASSERT_EQ(surface->GetSurfaceDesc(&read), DD_OK);
    EXPECT_EQ(read.dwWidth, 128u);
    EXPECT_EQ(read.dwHeight, 160u);
    EXPECT_EQ(read.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(read.ddsCaps.dwCaps, DDSCAPS_TEXTURE);
    read.dwSize = 100;
    EXPECT_EQ(surface->GetSurfaceDesc(&read), DDERR_INVALIDPARAMS);
    surface->Release();

    DDSURFACEDESC bad = desc;
    bad.dwWidth = 0;
    surface = reinterpret_cast<IDirectDrawSurface*>(1);
    EXPECT_EQ(dd->CreateSurface(&bad, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);
    bad.dwWidth = 100000;
    EXPECT_EQ(dd->CreateSurface(&bad, &surface, nullptr), DDERR_TOOBIGWIDTH);
    bad = desc;
    bad.dwSize = 12;
    EXPECT_EQ(dd->CreateSurface(&bad, &surface, nullptr), DDERR_INVALIDPARAMS);
    bad = desc;
    bad.dwFlags |= DDSD_PIXELFORMAT;
    bad.ddpfPixelFormat = {32, DDPF_RGB, 0, 24, 0xff0000, 0xff00, 0xff, 0};
    EXPECT_EQ(dd->CreateSurface(&bad, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(dd->CreateSurface(nullptr, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->CreateSurface(&desc, nullptr, nullptr), DDERR_INVALIDPARAMS);
    GUID other{1, 2, 3, {4}};
    IDirectDraw* second = nullptr;
    EXPECT_EQ(DirectDrawCreate(&other, &second, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
}

TEST_F(DirectDrawTest, DeviceContextReachesThePixelsOneAtATimeAndNotWhileLost) {
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    HDC dc = nullptr, second = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    EXPECT_EQ(dc->image, &surface->Pixels());
    dc->image->At(3, 4) = 0xFF123456;
    EXPECT_EQ(surface->GetDC(&second), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->ReleaseDC(nullptr), DDERR_NODC);
    ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), DDERR_NODC);
    EXPECT_EQ(surface->Pixels().At(3, 4), 0xFF123456u);

    surface->SimulateLoss();
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACELOST);
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(surface->Pixels().At(3, 4), 0xFF000000u); // the memory came back blank
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
    surface->Release();

    IDirectDrawClipper* fresh = nullptr;
    ASSERT_EQ(DirectDrawCreateClipper(0, &fresh, nullptr), DD_OK);
    void* hwnd = nullptr;
    EXPECT_EQ(fresh->GetHWnd(&hwnd), DDERR_NOHWND);
    int handle = 0;
    ASSERT_EQ(fresh->SetHWnd(0, &handle), DD_OK);
    ASSERT_EQ(fresh->GetHWnd(&hwnd), DD_OK);
    EXPECT_EQ(hwnd, &handle);
    EXPECT_EQ(fresh->SetHWnd(0, nullptr), DDERR_INVALIDPARAMS);
    fresh->Release();
}

struct Listed {
    std::vector<std::string> names;
    std::vector<DWORD> models;
    std::vector<DWORD> depths;
    int stopAfter = 99;
};

HRESULT Collect(GUID* guid, char*, char* name, D3DDEVICEDESC* hardware, D3DDEVICEDESC* software,
                void* context) {
    auto* listed = static_cast<Listed*>(context);
    EXPECT_NE(guid, nullptr);
    EXPECT_EQ(hardware->dcmColorModel, 0u); // software drivers only
    listed->names.push_back(name);
    listed->models.push_back(software->dcmColorModel);
    listed->depths.push_back(software->dwDeviceRenderBitDepth);
    return int(listed->names.size()) < listed->stopAfter ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
}

TEST_F(DirectDrawTest, DriverListHasAnRgbAndAMonoSoftwareDriverAndNoOther) {
    IDirect3D* d3d = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D, reinterpret_cast<void**>(&d3d)), DD_OK);
    Listed listed;
    ASSERT_EQ(d3d->EnumDevices(Collect, &listed), DD_OK);
    ASSERT_EQ(listed.names.size(), 2u);
    EXPECT_EQ(listed.models[0], D3DCOLOR_RGB);
    EXPECT_EQ(listed.models[1], D3DCOLOR_MONO);
    for (DWORD depths : listed.depths)
        EXPECT_EQ(depths, DDBD_16 | DDBD_24 | DDBD_32);
    EXPECT_LT(listed.names[0].size(), 50u); // fits the start-up's name table
    EXPECT_NE(listed.names[0], listed.names[1]);
    Listed first;
    first.stopAfter = 1;
    ASSERT_EQ(d3d->EnumDevices(Collect, &first), DD_OK);
    EXPECT_EQ(first.names.size(), 1u);
    EXPECT_EQ(d3d->EnumDevices(nullptr, nullptr), DDERR_INVALIDPARAMS);
    d3d->Release();

    IDirect3DRMDevice* other = nullptr;
    GUID unknown{7, 7, 7, {7}};
    EXPECT_EQ(d3drm->CreateDeviceFromClipper(clipper, &unknown, 10, 10, &other),
              D3DRMERR_BADDEVICE);
    EXPECT_EQ(d3drm->CreateDeviceFromClipper(clipper, nullptr, 0, 10, &other), D3DRMERR_BADVALUE);
    EXPECT_EQ(d3drm->CreateDeviceFromClipper(nullptr, nullptr, 10, 10, &other), D3DRMERR_BADOBJECT);
    EXPECT_EQ(other, nullptr);
}

TEST_F(DirectDrawTest, FailureSwitchFailsExactlyTheChosenCall) {
    rm::FailNthCall(2, D3DRMERR_BADOBJECT);
    IDirect3DRMFrame* a = nullptr;
    IDirect3DRMFrame* b = nullptr;
    IDirect3DRMFrame* c = nullptr;
    EXPECT_EQ(d3drm->CreateFrame(nullptr, &a), D3DRM_OK);
    EXPECT_EQ(d3drm->CreateFrame(a, &b), D3DRMERR_BADOBJECT);
    EXPECT_EQ(b, nullptr);                          // nothing was made
    EXPECT_EQ(d3drm->CreateFrame(a, &c), D3DRM_OK); // the switch fires once
    const long before = rm::CallCount();
    EXPECT_EQ(c->SetAppData(3), D3DRM_OK);
    EXPECT_EQ(rm::CallCount(), before + 1);
    c->Release();
    a->Release();

    // DirectDraw calls count as well.
    rm::FailNthCall(1, DDERR_SURFACELOST);
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_SURFACELOST);
    rm::FailNthCall(0, 0);
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    surface->Release();
}

TEST(ResultCodes, HaveTheValuesOfTheErrorTable) {
    EXPECT_EQ(uint32_t(D3DRMERR_BADOBJECT), 0x8876030Du);
    EXPECT_EQ(uint32_t(D3DRMERR_NOTFOUND), 0x88760311u);
    EXPECT_EQ(uint32_t(D3DRMERR_FILENOTFOUND), 0x88760313u);
    EXPECT_EQ(uint32_t(D3DRMERR_BADVALUE), 0x88760316u);
    EXPECT_EQ(uint32_t(DDERR_SURFACELOST), 0x887601C2u);
    EXPECT_EQ(uint32_t(E_FAIL), 0x80004005u);
    EXPECT_LT(D3DRMERR_BADOBJECT, 0);
}

} // namespace
