#pragma once
// Automation scripts: one command a line, played by `kestrel3d --script FILE` in place of a
// person at the keyboard. Parsing is separate from playing so that every bad line is found
// before the program does anything.

#include <istream>
#include <string>
#include <vector>

enum class ScriptOp {
    Open,     // text: path answering the next File/Open dialog
    Cancel,   // the next File/Open dialog is cancelled
    Command,  // a: menu or accelerator command id
    Key,      // text: key name, sent through the accelerator table
    Click,    // a, b: client pixel of a left button press
    Scroll,   // a: bar (0 horizontal, 1 vertical), b: request code 0..7, c: thumb
    Resize,   // a, b: client width and height
    Minimize, // the client area shrinks to nothing
    Restore,  // the client area returns to its size before Minimize
    Frames,   // a: passes of the main loop
    Wait,     // a: milliseconds of ticks to let pass
    Idle,     // a: most milliseconds of ticks to wait for the machine to come to rest
    Shot,     // text: PNG path of the last rendered image
    State,    // text: JSON path of the program state
    Quit,
};

struct ScriptStep {
    ScriptOp op = ScriptOp::Quit;
    int line = 0;
    std::string text;
    int a = 0;
    int b = 0;
    int c = 0;
};

// The key names a script may send, as written in scripts.
bool IsScriptKeyName(const std::string& name);

// Reads a whole script and returns 1. On the first bad line returns 0 with `error` holding
// "line N: problem"; `steps` then holds the lines before it.
int ParseScript(std::istream& in, std::vector<ScriptStep>& steps, std::string& error);

// Default limit of `idle` without an argument, in milliseconds of ticks.
constexpr int kDefaultIdleLimit = 120000;
