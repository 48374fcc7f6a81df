#pragma once
// Machine files written from strings, loaded into a machine with a recording message sink.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/message_box.h"
#include "engine/slot_machine.h"
#include "tests/common/test_support.h"

using Texts = std::vector<std::string>;

inline const char* EXAMPLE_FILE = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";

// Loads the text and returns the texts of the messages shown, all of them captioned "Error".
inline Texts LoadText(SlotMachine& machine, const std::string& text) {
    const std::filesystem::path path = TempPath("engine-test.slt");
    std::ofstream(path, std::ios::binary) << text;
    RecordingMessageSink sink;
    machine.SetMessageSink(&sink);
    machine.Load(path.c_str());
    std::filesystem::remove(path);
    machine.SetMessageSink(nullptr);
    Texts texts;
    for (const auto& message : sink.Messages) {
        EXPECT_EQ(message.caption, "Error");
        texts.push_back(message.text);
    }
    return texts;
}

// Makes reel show the three letters of rows (above, line, below) with nothing else on it.
inline void ShowRows(SlotMachine& machine, int reel, const char* rows) {
    SlotReel& strip = machine.Reels[reel];
    strip.numsym = 3;
    for (int row = 0; row < 3; row++)
        strip.strip[row] = &machine.Symbols[static_cast<unsigned char>(rows[row])];
    machine.Position[reel] = 1;
    machine.BuildStopIndex();
}

// Shows the pay line with the gap symbol "-" above and below every reel.
inline void ShowLine(SlotMachine& machine, const char* line) {
    for (int reel = 0; line[reel]; reel++) {
        const char rows[] = {'-', line[reel], '-', 0};
        ShowRows(machine, reel, rows);
    }
}
