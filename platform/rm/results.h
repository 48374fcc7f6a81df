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

constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_INVALIDCAPS = MakeResult(0x88760064);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeResult(0x88760082);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeResult(0x88760091);
constexpr HRESULT DDERR_NOTFOUND = MakeResult(0x887600FF);
constexpr HRESULT DDERR_SURFACEBUSY = MakeResult(0x887601AE);
constexpr HRESULT DDERR_SURFACELOST = MakeResult(0x887601C2);
constexpr HRESULT DDERR_TOOBIGHEIGHT = MakeResult(0x887601D6);
constexpr HRESULT DDERR_TOOBIGSIZE = MakeResult(0x887601E0);
constexpr HRESULT DDERR_TOOBIGWIDTH = MakeResult(0x887601EA);
constexpr HRESULT DDERR_INVALIDDIRECTDRAWGUID = MakeResult(0x88760231);
constexpr HRESULT DDERR_CLIPPERISUSINGHWND = MakeResult(0x88760237);
constexpr HRESULT DDERR_NOHWND = MakeResult(0x88760239);
constexpr HRESULT DDERR_NODC = MakeResult(0x8876024A);

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
