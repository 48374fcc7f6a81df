#pragma once
// Result codes of the scene layer and the DirectDraw stand-in, and the switch that lets
// tests make one chosen call fail.

#include "platform/base/wintypes.h"

constexpr HRESULT MakeResult(uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT D3DRM_OK = 0;
constexpr HRESULT DD_OK = 0;
constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002);
constexpr HRESULT E_FAIL = MakeResult(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057);

constexpr HRESULT D3DRMERR_BADOBJECT = MakeResult(0x8876030D);
constexpr HRESULT D3DRMERR_BADTYPE = MakeResult(0x8876030E);
constexpr HRESULT D3DRMERR_BADALLOC = MakeResult(0x8876030F);
constexpr HRESULT D3DRMERR_FACEUSED = MakeResult(0x88760310);
constexpr HRESULT D3DRMERR_NOTFOUND = MakeResult(0x88760311);
constexpr HRESULT D3DRMERR_NOTDONEYET = MakeResult(0x88760312);
constexpr HRESULT D3DRMERR_FILENOTFOUND = MakeResult(0x88760313);
constexpr HRESULT D3DRMERR_BADFILE = MakeResult(0x88760314);
constexpr HRESULT D3DRMERR_BADDEVICE = MakeResult(0x88760315);
constexpr HRESULT D3DRMERR_BADVALUE = MakeResult(0x88760316);
constexpr HRESULT D3DRMERR_BADMAJORVERSION = MakeResult(0x88760317);
constexpr HRESULT D3DRMERR_BADMINORVERSION = MakeResult(0x88760318);
constexpr HRESULT D3DRMERR_UNABLETOEXECUTE = MakeResult(0x88760319);

// DirectDraw's own codes, then Direct3D's; the scene layer returns few of them, but every
// one has its text (ErrorText).
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_ALREADYINITIALIZED = MakeResult(0x88760005);
constexpr HRESULT DDERR_CANNOTATTACHSURFACE = MakeResult(0x8876000A);
constexpr HRESULT DDERR_CANNOTDETACHSURFACE = MakeResult(0x88760014);
constexpr HRESULT DDERR_CURRENTLYNOTAVAIL = MakeResult(0x88760028);
constexpr HRESULT DDERR_EXCEPTION = MakeResult(0x88760037);
constexpr HRESULT DDERR_HEIGHTALIGN = MakeResult(0x8876005A);
constexpr HRESULT DDERR_INCOMPATIBLEPRIMARY = MakeResult(0x8876005F);
constexpr HRESULT DDERR_INVALIDCAPS = MakeResult(0x88760064);
constexpr HRESULT DDERR_INVALIDCLIPLIST = MakeResult(0x8876006E);
constexpr HRESULT DDERR_INVALIDMODE = MakeResult(0x88760078);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeResult(0x88760082);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeResult(0x88760091);
constexpr HRESULT DDERR_INVALIDRECT = MakeResult(0x88760096);
constexpr HRESULT DDERR_LOCKEDSURFACES = MakeResult(0x887600A0);
constexpr HRESULT DDERR_NO3D = MakeResult(0x887600AA);
constexpr HRESULT DDERR_NOALPHAHW = MakeResult(0x887600B4);
constexpr HRESULT DDERR_NOCLIPLIST = MakeResult(0x887600CD);
constexpr HRESULT DDERR_NOCOLORCONVHW = MakeResult(0x887600D2);
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeResult(0x887600D4);
constexpr HRESULT DDERR_NOCOLORKEY = MakeResult(0x887600D7);
constexpr HRESULT DDERR_NOCOLORKEYHW = MakeResult(0x887600DC);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeResult(0x887600E1);
constexpr HRESULT DDERR_NOFLIPHW = MakeResult(0x887600E6);
constexpr HRESULT DDERR_NOGDI = MakeResult(0x887600F0);
constexpr HRESULT DDERR_NOMIRRORHW = MakeResult(0x887600FA);
constexpr HRESULT DDERR_NOTFOUND = MakeResult(0x887600FF);
constexpr HRESULT DDERR_NOOVERLAYHW = MakeResult(0x88760104);
constexpr HRESULT DDERR_NORASTEROPHW = MakeResult(0x88760118);
constexpr HRESULT DDERR_NOROTATIONHW = MakeResult(0x88760122);
constexpr HRESULT DDERR_NOSTRETCHHW = MakeResult(0x88760136);
constexpr HRESULT DDERR_NOT4BITCOLOR = MakeResult(0x8876013C);
constexpr HRESULT DDERR_NOT4BITCOLORINDEX = MakeResult(0x8876013D);
constexpr HRESULT DDERR_NOT8BITCOLOR = MakeResult(0x88760140);
constexpr HRESULT DDERR_NOTEXTUREHW = MakeResult(0x8876014A);
constexpr HRESULT DDERR_NOVSYNCHW = MakeResult(0x8876014F);
constexpr HRESULT DDERR_NOZBUFFERHW = MakeResult(0x88760154);
constexpr HRESULT DDERR_NOZOVERLAYHW = MakeResult(0x8876015E);
constexpr HRESULT DDERR_OUTOFCAPS = MakeResult(0x88760168);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeResult(0x8876017C);
constexpr HRESULT DDERR_OVERLAYCANTCLIP = MakeResult(0x8876017E);
constexpr HRESULT DDERR_OVERLAYCOLORKEYONLYONEACTIVE = MakeResult(0x88760180);
constexpr HRESULT DDERR_PALETTEBUSY = MakeResult(0x88760183);
constexpr HRESULT DDERR_COLORKEYNOTSET = MakeResult(0x88760190);
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MakeResult(0x8876019A);
constexpr HRESULT DDERR_SURFACEALREADYDEPENDENT = MakeResult(0x887601A4);
constexpr HRESULT DDERR_SURFACEBUSY = MakeResult(0x887601AE);
constexpr HRESULT DDERR_SURFACEISOBSCURED = MakeResult(0x887601B8);
constexpr HRESULT DDERR_SURFACELOST = MakeResult(0x887601C2);
constexpr HRESULT DDERR_SURFACENOTATTACHED = MakeResult(0x887601CC);
constexpr HRESULT DDERR_TOOBIGHEIGHT = MakeResult(0x887601D6);
constexpr HRESULT DDERR_TOOBIGSIZE = MakeResult(0x887601E0);
constexpr HRESULT DDERR_TOOBIGWIDTH = MakeResult(0x887601EA);
constexpr HRESULT DDERR_UNSUPPORTEDFORMAT = MakeResult(0x887601FE);
constexpr HRESULT DDERR_UNSUPPORTEDMASK = MakeResult(0x88760208);
constexpr HRESULT DDERR_VERTICALBLANKINPROGRESS = MakeResult(0x88760219);
constexpr HRESULT DDERR_WASSTILLDRAWING = MakeResult(0x8876021C);
constexpr HRESULT DDERR_XALIGN = MakeResult(0x88760230);
constexpr HRESULT DDERR_INVALIDDIRECTDRAWGUID = MakeResult(0x88760231);
constexpr HRESULT DDERR_DIRECTDRAWALREADYCREATED = MakeResult(0x88760232);
constexpr HRESULT DDERR_NODIRECTDRAWHW = MakeResult(0x88760233);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeResult(0x88760234);
constexpr HRESULT DDERR_NOEMULATION = MakeResult(0x88760235);
constexpr HRESULT DDERR_REGIONTOOSMALL = MakeResult(0x88760236);
constexpr HRESULT DDERR_CLIPPERISUSINGHWND = MakeResult(0x88760237);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeResult(0x88760238);
constexpr HRESULT DDERR_NOHWND = MakeResult(0x88760239);
constexpr HRESULT DDERR_HWNDSUBCLASSED = MakeResult(0x8876023A);
constexpr HRESULT DDERR_HWNDALREADYSET = MakeResult(0x8876023B);
constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeResult(0x8876023C);
constexpr HRESULT DDERR_NOPALETTEHW = MakeResult(0x8876023D);
constexpr HRESULT DDERR_BLTFASTCANTCLIP = MakeResult(0x8876023E);
constexpr HRESULT DDERR_NOBLTHW = MakeResult(0x8876023F);
constexpr HRESULT DDERR_NODDROPSHW = MakeResult(0x88760240);
constexpr HRESULT DDERR_OVERLAYNOTVISIBLE = MakeResult(0x88760241);
constexpr HRESULT DDERR_NOOVERLAYDEST = MakeResult(0x88760242);
constexpr HRESULT DDERR_INVALIDPOSITION = MakeResult(0x88760243);
constexpr HRESULT DDERR_NOTAOVERLAYSURFACE = MakeResult(0x88760244);
constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = MakeResult(0x88760245);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeResult(0x88760246);
constexpr HRESULT DDERR_CANTDUPLICATE = MakeResult(0x88760247);
constexpr HRESULT DDERR_NOTLOCKED = MakeResult(0x88760248);
constexpr HRESULT DDERR_CANTCREATEDC = MakeResult(0x88760249);
constexpr HRESULT DDERR_NODC = MakeResult(0x8876024A);
constexpr HRESULT DDERR_WRONGMODE = MakeResult(0x8876024B);
constexpr HRESULT DDERR_IMPLICITLYCREATED = MakeResult(0x8876024C);
constexpr HRESULT DDERR_NOTPALETTIZED = MakeResult(0x8876024D);

constexpr HRESULT D3DERR_BADMAJORVERSION = MakeResult(0x887602BC);
constexpr HRESULT D3DERR_BADMINORVERSION = MakeResult(0x887602BD);
constexpr HRESULT D3DERR_EXECUTE_CREATE_FAILED = MakeResult(0x887602C6);
constexpr HRESULT D3DERR_EXECUTE_DESTROY_FAILED = MakeResult(0x887602C7);
constexpr HRESULT D3DERR_EXECUTE_LOCK_FAILED = MakeResult(0x887602C8);
constexpr HRESULT D3DERR_EXECUTE_UNLOCK_FAILED = MakeResult(0x887602C9);
constexpr HRESULT D3DERR_EXECUTE_LOCKED = MakeResult(0x887602CA);
constexpr HRESULT D3DERR_EXECUTE_NOT_LOCKED = MakeResult(0x887602CB);
constexpr HRESULT D3DERR_EXECUTE_FAILED = MakeResult(0x887602CC);
constexpr HRESULT D3DERR_EXECUTE_CLIPPED_FAILED = MakeResult(0x887602CD);
constexpr HRESULT D3DERR_TEXTURE_NO_SUPPORT = MakeResult(0x887602D0);
constexpr HRESULT D3DERR_TEXTURE_CREATE_FAILED = MakeResult(0x887602D1);
constexpr HRESULT D3DERR_TEXTURE_DESTROY_FAILED = MakeResult(0x887602D2);
constexpr HRESULT D3DERR_TEXTURE_LOCK_FAILED = MakeResult(0x887602D3);
constexpr HRESULT D3DERR_TEXTURE_UNLOCK_FAILED = MakeResult(0x887602D4);
constexpr HRESULT D3DERR_TEXTURE_LOAD_FAILED = MakeResult(0x887602D5);
constexpr HRESULT D3DERR_TEXTURELOCKED = MakeResult(0x887602D7);
constexpr HRESULT D3DERR_TEXTURE_NOT_LOCKED = MakeResult(0x887602D8);
constexpr HRESULT D3DERR_MATRIX_CREATE_FAILED = MakeResult(0x887602DA);
constexpr HRESULT D3DERR_MATRIX_DESTROY_FAILED = MakeResult(0x887602DB);
constexpr HRESULT D3DERR_MATRIX_SETDATA_FAILED = MakeResult(0x887602DC);
constexpr HRESULT D3DERR_SETVIEWPORTDATA_FAILED = MakeResult(0x887602DE);
constexpr HRESULT D3DERR_MATERIAL_CREATE_FAILED = MakeResult(0x887602E4);
constexpr HRESULT D3DERR_MATERIAL_DESTROY_FAILED = MakeResult(0x887602E5);
constexpr HRESULT D3DERR_MATERIAL_SETDATA_FAILED = MakeResult(0x887602E6);
constexpr HRESULT D3DERR_LIGHT_SET_FAILED = MakeResult(0x887602EE);

namespace rm {

// Makes the n-th result-returning call of the layer from now on (1 = the next one) fail
// with `code` instead of doing its work; n = 0 switches the failure off. Every public
// operation that returns a result code counts, in DirectDraw and in the scene layer.
void FailNthCall(int n, HRESULT code);

// Result-returning calls made since the program started (for finding an n to fail).
long CallCount();

// Counts one call; returns the injected failure when this is the chosen call, else 0.
HRESULT EnterCall();

} // namespace rm

// Opens every public result-returning operation: counts it and honours the failure switch.
#define RM_ENTER()                                                                                 \
    do {                                                                                           \
        const HRESULT injected_ = rm::EnterCall();                                                 \
        if (injected_ != 0)                                                                        \
            return injected_;                                                                      \
    } while (0)
