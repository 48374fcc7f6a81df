// The loader's messages, and what a failed load leaves. The reference model checks every field
// of random well-formed and broken files through slotsim.

#include <gtest/gtest.h>

#include "tests/engine/engine_test_util.h"

TEST(MachineFile, FailuresAndTheirMessages) {
    SlotMachine machine;
    EXPECT_EQ(LoadText(machine, "%name First\n%%\n%%\n%%\n"), Texts());
    const int resets = machine.ResetCount;
    EXPECT_EQ(LoadText(machine, ""),
              Texts({"ParseSymbols failed", "ParseReels failed", "ParsePayoffs failed"}));
    EXPECT_EQ(machine.ResetCount, resets + 1);

    // A file that cannot be opened leaves the machine as it was.
    LoadText(machine, "%name First\n%%\n%%\n%%\n");
    RecordingMessageSink sink;
    machine.SetMessageSink(&sink);
    machine.Load("/nonexistent/machine.slt");
    machine.Load("."); // a folder is no machine file either
    ASSERT_EQ(sink.Messages.size(), 2u);
    EXPECT_EQ(sink.Messages[1].text, sink.Messages[0].text);
    EXPECT_EQ(std::tuple(sink.Messages[0].text, sink.Messages[0].caption),
              std::tuple("Unable to open specified file", "Error"));
    EXPECT_STREQ(machine.Name, "First");

    // A symbol without texture stops section 1; the later readers go on from the next line.
    EXPECT_EQ(LoadText(machine, "(up) X\nB b/a\n%%\nR B\n%%\nR R ^ 5\n%%\n"),
              Texts({"ParseSymbols failed"}));
    EXPECT_EQ(std::tuple(machine.Symbols['X'].flags, machine.Symbols['B'].letter),
              std::tuple(SYM_UP, 0));
    EXPECT_EQ(std::tuple(machine.NumReels, machine.NumPayoffs), std::tuple(2, 1));

    EXPECT_EQ(LoadText(machine, "%%\nR\n"), Texts({"ParseReels failed", "ParsePayoffs failed"}));
    EXPECT_EQ(LoadText(machine, "%%\nR\nB\n%%\nR ^ 5\n7 ^ 9\n"), Texts({"ParsePayoffs failed"}));
    EXPECT_EQ(machine.NumPayoffs, 2);
    EXPECT_EQ(LoadText(machine, "%%\n%%\nR [B7 ^ 5\n7 ^ 9\n%%\n"), Texts({"ParsePayoffs failed"}));
    EXPECT_EQ(machine.NumPayoffs, 1);
}
