#pragma once
// Dialogs that never wait for a person: every box is answered OK and kept, dialogs have their
// buttons pressed from a script, and the open dialog takes its answers from a queue.

#include "platform/win/dialogs.h"

#include <deque>
#include <functional>
#include <optional>

namespace win {

class RecordingDialogs : public Dialogs {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned style = 0;
        bool owned = false;
    };

    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    void MessageBeep(unsigned type) override { beeps.push_back(type); }
    int DialogBox(const DialogResource& resource, Window* owner, DialogProc proc) override;
    bool ChooseOpenFile(OpenFileName& request) override;

    // What was shown.
    std::vector<Box> boxes;
    std::vector<unsigned> beeps;
    std::vector<std::string> dialogs;       // names of the dialog resources shown
    std::vector<OpenFileName> openRequests; // each open dialog as it was asked
    std::function<void(const Box&)> onBox;  // told of each box as it is shown

    // How to answer. A dialog gets these buttons pressed in turn until its procedure ends it;
    // one that is still open afterwards returns -1. Each open dialog takes the next answer, a
    // file name or nullopt for Cancel; with none left it is cancelled.
    std::vector<int> dialogButtons{IDOK};
    std::deque<std::optional<std::string>> openAnswers;
};

} // namespace win
