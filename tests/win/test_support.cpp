#include "test_support.h"

namespace wintest {

std::vector<win::Message> received;
std::function<int(win::Window*, const win::Message&)> handler;

int RecordingProc(win::Window* window, const win::Message& message) {
    received.push_back(message);
    if (handler)
        return handler(window, message);
    return win::DefWindowProc(window, message);
}

std::vector<win::Message> ReceivedOf(win::Kind kind) {
    std::vector<win::Message> found;
    for (const win::Message& message : received) {
        if (message.kind == kind)
            found.push_back(message);
    }
    return found;
}

std::vector<win::Kind> KindsReceived() {
    std::vector<win::Kind> kinds;
    for (const win::Message& message : received)
        kinds.push_back(message.kind);
    return kinds;
}

void Forget() {
    received.clear();
    handler = nullptr;
}

void DrainMessages(const win::AcceleratorResource* accelerators) {
    win::Message message;
    while (win::PeekMessage(message)) {
        if (!win::TranslateAccelerator(message.window, accelerators, message)) {
            win::TranslateMessage(message);
            win::DispatchMessage(message);
        }
    }
}

} // namespace wintest
