#include "scene/error_report.h"

#include "platform/win/platform.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ErrorReportState Errors;

namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

// Generic codes, then DirectDraw, Direct3D and Direct3D Retained Mode. Direct3D codes show
// their own names; so do the retained-mode ones, except the missing file.
constexpr CodeText kErrorTexts[] = {
    {0x00000000u, "No error."},
    {0x80004001u, "Action not supported."},
    {0x80004005u, "Generic failure."},
    {0x8007000Eu, "DirectDraw does not have enough memory to perform the operation."},
    {0x80070057u, "One or more of the parameters passed to the function are incorrect."},
    {0x88760005u, "This object is already initialized."},
    {0x8876000Au, "This surface can not be attached to the requested surface."},
    {0x88760014u, "This surface can not be detached from the requested surface."},
    {0x88760028u, "Support is currently not available."},
    {0x88760037u, "An exception was encountered while performing the requested operation."},
    {0x8876005Au, "Height of rectangle provided is not a multiple of reqd alignment."},
    {0x8876005Fu,
     "Unable to match primary surface creation request with existing primary surface."},
    {0x88760064u, "One or more of the caps bits passed to the callback are incorrect."},
    {0x8876006Eu, "DirectDraw does not support the provided cliplist."},
    {0x88760078u, "DirectDraw does not support the requested mode."},
    {0x88760082u, "DirectDraw received a pointer that was an invalid DIRECTDRAW object."},
    {0x88760091u, "The pixel format was invalid as specified."},
    {0x88760096u, "Rectangle provided was invalid."},
    {0x887600A0u, "Operation could not be carried out because one or more surfaces are locked."},
    {0x887600AAu, "There is no 3D present."},
    {0x887600B4u, "Operation could not be carried out because there is no alpha accleration "
                  "hardware present or available."},
    {0x887600CDu, "No cliplist available."},
    {0x887600D2u, "Operation could not be carried out because there is no color conversion "
                  "hardware present or available."},
    {0x887600D4u,
     "Create function called without DirectDraw object method SetCooperativeLevel being called."},
    {0x887600D7u, "Surface doesn't currently have a color key"},
    {0x887600DCu, "Operation could not be carried out because there is no hardware support of the "
                  "destination color key."},
    {0x887600E1u, "Operation requires the application to have exclusive mode but the application "
                  "does not have exclusive mode."},
    {0x887600E6u, "Flipping visible surfaces is not supported."},
    {0x887600F0u, "There is no GDI present."},
    {0x887600FAu,
     "Operation could not be carried out because there is no hardware present or available."},
    {0x887600FFu, "Requested item was not found."},
    {0x88760104u, "Operation could not be carried out because there is no overlay hardware present "
                  "or available."},
    {0x88760118u, "Operation could not be carried out because there is no appropriate raster op "
                  "hardware present or available."},
    {0x88760122u, "Operation could not be carried out because there is no rotation hardware "
                  "present or available."},
    {0x88760136u,
     "Operation could not be carried out because there is no hardware support for stretching."},
    {0x8876013Cu, "DirectDrawSurface is not in 4 bit color palette and the requested operation "
                  "requires 4 bit color palette."},
    {0x8876013Du, "DirectDrawSurface is not in 4 bit color index palette and the requested "
                  "operation requires 4 bit color index palette."},
    {0x88760140u, "DirectDrawSurface is not in 8 bit color mode and the requested operation "
                  "requires 8 bit color."},
    {0x8876014Au, "Operation could not be carried out because there is no texture mapping hardware "
                  "present or available."},
    {0x8876014Fu, "Operation could not be carried out because there is no hardware support for "
                  "vertical blank synchronized operations."},
    {0x88760154u, "Operation could not be carried out because there is no hardware support for "
                  "zbuffer blitting."},
    {0x8876015Eu, "Overlay surfaces could not be z layered based on their BltOrder because the "
                  "hardware does not support z layering of overlays."},
    {0x88760168u, "The hardware needed for the requested operation has already been allocated."},
    {0x8876017Cu, "DirectDraw does not have enough memory to perform the operation."},
    {0x8876017Eu, "The hardware does not support clipped overlays."},
    {0x88760180u, "Can only have ony color key active at one time for overlays."},
    {0x88760183u, "Access to this palette is being refused because the palette is already locked "
                  "by another thread."},
    {0x88760190u, "No src color key specified for this operation."},
    {0x8876019Au, "This surface is already attached to the surface it is being attached to."},
    {0x887601A4u,
     "This surface is already a dependency of the surface it is being made a dependency of."},
    {0x887601AEu, "Access to this surface is being refused because the surface is already locked "
                  "by another thread."},
    {0x887601B8u, "Access to surface refused because the surface is obscured."},
    {0x887601C2u,
     "Access to this surface is being refused because the surface memory is gone. The "
     "DirectDrawSurface object representing this surface should have Restore called on it."},
    {0x887601CCu, "The requested surface is not attached."},
    {0x887601D6u, "Height requested by DirectDraw is too large."},
    {0x887601E0u,
     "Size requested by DirectDraw is too large, but the individual height and width are OK."},
    {0x887601EAu, "Width requested by DirectDraw is too large."},
    {0x887601FEu, "FOURCC format requested is unsupported by DirectDraw."},
    {0x88760208u, "Bitmask in the pixel format requested is unsupported by DirectDraw."},
    {0x88760219u, "Vertical blank is in progress."},
    {0x8876021Cu, "Informs DirectDraw that the previous Blt which is transfering information to or "
                  "from this Surface is incomplete."},
    {0x88760230u, "Rectangle provided was not horizontally aligned on required boundary."},
    {0x88760231u,
     "The GUID passed to DirectDrawCreate is not a valid DirectDraw driver identifier."},
    {0x88760232u,
     "A DirectDraw object representing this driver has already been created for this process."},
    {0x88760233u, "A hardware-only DirectDraw object creation was attempted but the driver did not "
                  "support any hardware."},
    {0x88760234u, "This process already has created a primary surface."},
    {0x88760235u, "Software emulation not available."},
    {0x88760236u, "Region passed to Clipper::GetClipList is too small."},
    {0x88760237u, "An attempt was made to set a cliplist for a clipper object that is already "
                  "monitoring an hwnd."},
    {0x88760238u, "No clipper object attached to surface object."},
    {0x88760239u, "Clipper notification requires an HWND or no HWND has previously been set as the "
                  "CooperativeLevel HWND."},
    {0x8876023Au, "HWND used by DirectDraw CooperativeLevel has been subclassed, this prevents "
                  "DirectDraw from restoring state."},
    {0x8876023Bu, "The CooperativeLevel HWND has already been set. It can not be reset while the "
                  "process has surfaces or palettes created."},
    {0x8876023Cu, "No palette object attached to this surface."},
    {0x8876023Du, "No hardware support for 16 or 256 color palettes."},
    {0x8876023Eu,
     "Return if a clipper object is attached to the source surface passed into a BltFast call."},
    {0x8876023Fu, "No blitter hardware present."},
    {0x88760240u, "No DirectDraw ROP hardware."},
    {0x88760241u, "Returned when GetOverlayPosition is called on a hidden overlay."},
    {0x88760242u, "Returned when GetOverlayPosition is called on an overlay that UpdateOverlay has "
                  "never been called on to establish a destination."},
    {0x88760243u, "Returned when the position of the overlay on the destination is no longer legal "
                  "for that destination."},
    {0x88760244u, "Returned when an overlay member is called for a non-overlay surface."},
    {0x88760245u,
     "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {0x88760246u, "An attempt has been made to flip a surface that is not flippable."},
    {0x88760247u,
     "Can't duplicate primary & 3D surfaces, or surfaces that are implicitly created."},
    {0x88760248u, "Surface was not locked.  An attempt to unlock a surface that was not locked at "
                  "all, or by this process, has been attempted."},
    {0x88760249u, "Windows can not create any more DCs."},
    {0x8876024Au, "No DC was ever created for this surface."},
    {0x8876024Bu, "This surface can not be restored because it was created in a different mode."},
    {0x8876024Cu, "This surface can not be restored because it is an implicitly created surface."},
    {0x8876024Du, "The surface being used is not a palette-based surface."},
    {0x887602BCu, "D3DERR_BADMAJORVERSION"},
    {0x887602BDu, "D3DERR_BADMINORVERSION"},
    {0x887602C6u, "D3DERR_EXECUTE_CREATE_FAILED"},
    {0x887602C7u, "D3DERR_EXECUTE_DESTROY_FAILED"},
    {0x887602C8u, "D3DERR_EXECUTE_LOCK_FAILED"},
    {0x887602C9u, "D3DERR_EXECUTE_UNLOCK_FAILED"},
    {0x887602CAu, "D3DERR_EXECUTE_LOCKED"},
    {0x887602CBu, "D3DERR_EXECUTE_NOT_LOCKED"},
    {0x887602CCu, "D3DERR_EXECUTE_FAILED"},
    {0x887602CDu, "D3DERR_EXECUTE_CLIPPED_FAILED"},
    {0x887602D0u, "D3DERR_TEXTURE_NO_SUPPORT"},
    {0x887602D1u, "D3DERR_TEXTURE_CREATE_FAILED"},
    {0x887602D2u, "D3DERR_TEXTURE_DESTROY_FAILED"},
    {0x887602D3u, "D3DERR_TEXTURE_LOCK_FAILED"},
    {0x887602D4u, "D3DERR_TEXTURE_UNLOCK_FAILED"},
    {0x887602D5u, "D3DERR_TEXTURE_LOAD_FAILED"},
    {0x887602D7u, "D3DERR_TEXTURELOCKED"},
    {0x887602D8u, "D3DERR_TEXTURE_NOT_LOCKED"},
    {0x887602DAu, "D3DERR_MATRIX_CREATE_FAILED"},
    {0x887602DBu, "D3DERR_MATRIX_DESTROY_FAILED"},
    {0x887602DCu, "D3DERR_MATRIX_SETDATA_FAILED"},
    {0x887602DEu, "D3DERR_SETVIEWPORTDATA_FAILED"},
    {0x887602E4u, "D3DERR_MATERIAL_CREATE_FAILED"},
    {0x887602E5u, "D3DERR_MATERIAL_DESTROY_FAILED"},
    {0x887602E6u, "D3DERR_MATERIAL_SETDATA_FAILED"},
    {0x887602EEu, "D3DERR_LIGHT_SET_FAILED"},
    {0x8876030Du, "D3DRMERR_BADOBJECT"},
    {0x8876030Eu, "D3DRMERR_BADTYPE"},
    {0x8876030Fu, "D3DRMERR_BADALLOC"},
    {0x88760310u, "D3DRMERR_FACEUSED"},
    {0x88760311u, "D3DRMERR_NOTFOUND"},
    {0x88760312u, "D3DRMERR_NOTDONEYET"},
    {0x88760313u, "The file was not found."},
    {0x88760314u, "D3DRMERR_BADFILE"},
    {0x88760315u, "D3DRMERR_BADDEVICE"},
    {0x88760316u, "D3DRMERR_BADVALUE"},
    {0x88760317u, "D3DRMERR_BADMAJORVERSION"},
    {0x88760318u, "D3DRMERR_BADMINORVERSION"},
    {0x88760319u, "D3DRMERR_UNABLETOEXECUTE"},
};

constexpr const char* kUnknownCode = "Unrecognized error value.";

} // namespace

const char* ErrorText(HRESULT code) {
    const auto wanted = static_cast<uint32_t>(code);
    for (const CodeText& entry : kErrorTexts) {
        if (entry.code == wanted)
            return entry.text;
    }
    return kUnknownCode;
}

int ShowMessage(const char* format, ...) {
    char message[256];
    va_list arguments;
    va_start(arguments, format);
    const int written = format ? std::vsnprintf(message, sizeof message, format, arguments) : -1;
    va_end(arguments);
    if (written < 0)
        message[0] = '\0';
    // The line end always fits: a text too long loses its own last characters instead.
    const size_t room = sizeof message - 3;
    size_t length = std::strlen(message);
    if (length > room)
        length = room;
    std::memcpy(message + length, "\r\n", 3);
    return win::MessageBox(nullptr, message, "D3DRM Example Message", win::MB_OK);
}

// The log is appended to only when it is a regular file of its own or is made new: the
// folder may come from a stranger, with "errorlog.txt" a link to some other file of the user
// or a pipe that would hold the program. The open never follows a link and never waits, and
// the kind is judged from what was opened.
void LogError(const char* text) {
    const int fd =
        open("errorlog.txt",
             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    struct stat info;
    std::FILE* log = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1
                         ? fdopen(fd, "a")
                         : nullptr;
    if (!log) {
        close(fd);
        return;
    }
    std::fprintf(log, "%s\n", text ? text : "");
    std::fclose(log);
}

void ReportCheckedFailure(const char* text) {
    LogError(text);
    win::MessageBeep(0);
    std::snprintf(Errors.ErrorCaption, sizeof Errors.ErrorCaption, "Direct3D Error %ld",
                  static_cast<long>(Errors.LastResult));
    win::MessageBox(nullptr, text, Errors.ErrorCaption, win::MB_ICONEXCLAMATION);
}

int SucceededOrShow(HRESULT result, const char* format) {
    if (result == 0)
        return 1;
    ShowMessage(format, ErrorText(result));
    return 0;
}
