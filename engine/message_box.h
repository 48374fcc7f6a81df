#pragma once

// Messages for the player from the engine (the loader's file errors). The program shows them
// in a box with only an OK button; tools and tests record them.

#include <string>
#include <vector>

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const char* text, const char* caption) = 0;
};

class RecordingMessageSink : public MessageSink {
public:
    struct Message {
        std::string caption;
        std::string text;
    };

    void Show(const char* text, const char* caption) override {
        Messages.push_back({caption ? caption : "", text ? text : ""});
    }

    std::vector<Message> Messages;
};
