#pragma once
// Modal boxes and dialogs: message boxes, the beep, dialogs laid out from a dialog resource and
// run by a dialog procedure, and the open-file dialog. QtDialogs shows them; RecordingDialogs
// answers them from a script and keeps what was asked, for tests and automation.

#include "platform/win/resource_types.h"
#include "platform/win/win_types.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace win {

// A dialog being shown; its procedure ends it with EndDialog.
class Dialog {
public:
    virtual ~Dialog() = default;
    virtual void End(int result) = 0;
};

// Receives InitDialog before the dialog shows and Command with a control's id when a button is
// pressed (IDCANCEL for Esc or the close box). Returns 1 to InitDialog to let the default
// control take the focus.
using DialogProc = int (*)(Dialog* dialog, const Message& message);

struct OpenFileName {
    std::vector<std::pair<std::string, std::string>> filters; // (description, pattern)
    std::string file;     // in: the name to start from; out: the chosen file's full path
    size_t maxFile = 256; // room for the name, terminating zero included
    unsigned flags = 0;   // OFN_FILEMUSTEXIST, OFN_HIDEREADONLY
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Blocks until the user closes the box; returns the button pressed (IDOK).
    virtual int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                           unsigned style) = 0;
    virtual void MessageBeep(unsigned type) = 0;
    // Blocks until the procedure ends the dialog; returns the result given to EndDialog.
    virtual int DialogBox(const DialogResource& resource, Window* owner, DialogProc proc) = 0;
    // Lets the user pick a file; false when cancelled. Fills request.file with the full path.
    virtual bool ChooseOpenFile(OpenFileName& request) = 0;
};

} // namespace win
