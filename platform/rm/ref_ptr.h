#pragma once
// An owning reference to an object of the scene layer or of DirectDraw. It holds one reference
// of its own and gives it up when it is reset, given another object or destroyed, so a
// function that returns early cannot lose what it made. It converts to the plain interface
// pointer, so calls through it read exactly as calls through a bare pointer do.

#include <cstddef>
#include <utility>

#include "platform/base/wintypes.h"

namespace rm {

template <typename T> class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}
    // Takes a reference of its own; whoever passed the object keeps theirs.
    explicit RefPtr(T* object) : object_(object) {
        if (object_ != nullptr)
            object_->AddRef();
    }
    RefPtr(const RefPtr& other) : RefPtr(other.object_) {}
    RefPtr(RefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    // The old object is given up when `other`, which takes it in the swap, goes.
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~RefPtr() { Reset(); }

    // Takes over a reference that the caller held and would otherwise release itself.
    static RefPtr Adopt(T* object) {
        RefPtr adopted;
        adopted.object_ = object;
        return adopted;
    }

    // Gives the reference up now. Returns the count the object was left with, 0 when none
    // was held.
    ULONG Reset() {
        T* const object = std::exchange(object_, nullptr);
        return object != nullptr ? object->Release() : 0;
    }

    // For a call that hands out a new reference through a T** parameter, so filling the same
    // reference twice loses nothing.
    T** Out() {
        Reset(); // whatever was held goes first
        return &object_;
    }

    // Hands the reference over to a holder that releases it itself.
    T* Leak() { return std::exchange(object_, nullptr); }

    T* Get() const { return object_; }
    operator T*() const { return object_; }
    T* operator->() const { return object_; }

private:
    T* object_ = nullptr;
};

// Gives up the reference that a plain pointer variable holds, if any, and empties it: for the
// program-wide objects that the rest of the code names as plain pointers.
template <typename T> void GiveUp(T*& held) {
    RefPtr<T>::Adopt(std::exchange(held, nullptr));
}

} // namespace rm
