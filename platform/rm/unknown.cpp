#include "platform/rm/unknown.h"

ULONG IUnknown::AddRef() {
    return ++refs_;
}

ULONG IUnknown::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT IUnknown::QueryInterface(REFIID, void** out) {
    RM_ENTER();
    if (out != nullptr)
        *out = nullptr;
    return E_NOINTERFACE;
}
