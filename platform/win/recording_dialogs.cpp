#include "platform/win/recording_dialogs.h"

#include <filesystem>

namespace win {
namespace {

class ScriptedDialog : public Dialog {
public:
    void End(int result) override {
        ended = true;
        this->result = result;
    }
    bool ended = false;
    int result = -1;
};

} // namespace

int RecordingDialogs::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                                 unsigned style) {
    boxes.push_back(Box{text, caption, style, owner != nullptr});
    if (onBox)
        onBox(boxes.back());
    return IDOK;
}

int RecordingDialogs::DialogBox(const DialogResource& resource, Window* /*owner*/,
                                DialogProc proc) {
    dialogs.emplace_back(resource.name);
    if (!proc)
        return -1;
    ScriptedDialog dialog;
    proc(&dialog, Message{.kind = Kind::InitDialog});
    for (int button : dialogButtons) {
        if (dialog.ended)
            break;
        proc(&dialog, Message{.kind = Kind::Command, .command = button});
    }
    return dialog.ended ? dialog.result : -1;
}

bool RecordingDialogs::ChooseOpenFile(OpenFileName& request) {
    openRequests.push_back(request);
    if (openAnswers.empty())
        return false;
    std::optional<std::string> answer = std::move(openAnswers.front());
    openAnswers.pop_front();
    if (!answer)
        return false;
    std::error_code error;
    const std::filesystem::path chosen = std::filesystem::absolute(*answer, error);
    if (error)
        return false;
    if ((request.flags & OFN_FILEMUSTEXIST) && !std::filesystem::is_regular_file(chosen, error))
        return false;
    request.file = chosen.lexically_normal().string();
    return true;
}

} // namespace win
