#pragma once
// Reporting failed calls of the 3D services: a printf-style message box, the texts of result
// codes, the failure log "errorlog.txt", and the checked-call convention of the scene builders.

#include <cstdint>

#include "platform/rm/ref_ptr.h"
#include "platform/rm/results.h"

struct ErrorReportState {
    // The result of the most recent checked call; read only to caption the error box.
    HRESULT LastResult = 0;
    // The caption of the last checked-call error box, "Direct3D Error %ld" of LastResult.
    char ErrorCaption[256] = "";
};
extern ErrorReportState Errors;

// Formats like printf into 256 bytes, appends "\r\n" and shows the text in a box captioned
// "D3DRM Example Message" with one OK button and no icon. Returns the box's result.
int ShowMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The shell's way of reporting a failed step: a negative or positive code shows the sentence
// with the code's text in place of its "%s". True for D3DRM_OK, false after the message.
bool SucceededOrShow(HRESULT result, const char* format);

// The text of a result code; "Unrecognized error value." for any code not in the table. The
// text is constant and lives as long as the program.
const char* ErrorText(HRESULT code);

// Appends the text and a line end to "errorlog.txt" in the current directory, creating it
// there when missing. Where it cannot be opened, or is not a plain file of its own (a link,
// a pipe, a file with other names), the line is lost and nothing else changes.
void LogError(const char* text);

// Logs the text, beeps, captions ErrorCaption from LastResult and shows the text in an
// exclamation box. The checked-call macros call it on a failure.
void ReportCheckedFailure(const char* text);

// Makes a call, keeps its result in LastResult and, if it is negative, reports the failure with
// the given text and returns E_FAIL from the enclosing function. The text is the call as the
// user should see it, written out because source formatting must not change it.
#define CheckedCall(call, text)                                                                    \
    do {                                                                                           \
        Errors.LastResult = static_cast<HRESULT>(call);                                            \
        if (Errors.LastResult < 0) {                                                               \
            ReportCheckedFailure(text);                                                            \
            return E_FAIL;                                                                         \
        }                                                                                          \
    } while (0)

// Releases a non-null interface pointer variable and sets it to null; a negative result is
// reported as "(name)->Release()" like a failed checked call. A bare pointer is then left
// alone; an owning reference has given its reference up whatever the count says.
#define CheckedRelease(pointer)                                                                    \
    do {                                                                                           \
        if ((pointer) != nullptr) {                                                                \
            Errors.LastResult = ReleaseHeld(pointer);                                              \
            if (Errors.LastResult < 0) {                                                           \
                ReportCheckedFailure("(" #pointer ")->Release()");                                 \
                return E_FAIL;                                                                     \
            }                                                                                      \
        }                                                                                          \
    } while (0)

template <typename T> HRESULT ReleaseHeld(T*& pointer) {
    const HRESULT left = static_cast<HRESULT>(pointer->Release());
    if (left >= 0)
        pointer = nullptr;
    return left;
}

template <typename T> HRESULT ReleaseHeld(rm::RefPtr<T>& pointer) {
    return static_cast<HRESULT>(pointer.Reset());
}
