#pragma once
// The reference-counted base of every object of the scene layer and of DirectDraw.

#include "platform/rm/results.h"

class IUnknown {
public:
    IUnknown() = default;
    IUnknown(const IUnknown&) = delete;
    IUnknown& operator=(const IUnknown&) = delete;

    // Both return the new count; the object is destroyed when it reaches 0.
    ULONG AddRef();
    ULONG Release();
    // Other interfaces of the same object; E_NOINTERFACE for any it does not have.
    virtual HRESULT QueryInterface(REFIID iid, void** out);

protected:
    virtual ~IUnknown() = default;

private:
    ULONG refs_ = 1;
};

using LPUNKNOWN = IUnknown*;

// Writes `object` to `out` with a new reference: the caller then holds one of its own.
template <typename T> void HandOut(T* object, T** out) {
    object->AddRef();
    *out = object;
}
