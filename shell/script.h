#pragma once
// Automation scripts: one command a line, played by `kestrel3d --script FILE` in place of a
// person at the keyboard. Parsing is separate from playing so that every bad line is found
// before the program does anything.

#include <istream>
#include <string>
#include <vector>

enum class ScriptOp {
    Open,     // path: answers the next File/Open dialog
    Cancel,   // the next File/Open dialog is cancelled
    Command,  // command: menu or accelerator command id
    Key,      // key: sent through the accelerator table
    Click,    // x, y: client pixel of a left button press
    Scroll,   // vertical, request (0..7), thumb
    Resize,   // width, height of the client area
    Minimize, // the client area shrinks to nothing
    Restore,  // the client area returns to its size before Minimize
    Frames,   // passes of the main loop
    Wait,     // milliseconds of ticks to let pass
    Idle,     // milliseconds: most ticks to wait for the machine to come to rest
    Sleep,    // milliseconds of wall-clock time to let pass, whatever the tick count does
    Write,    // path over target, written in place as most editors save
    Replace,  // path over target, as a new file renamed over it as other editors save
    Shot,     // path: PNG of the last rendered image
    State,    // path: JSON of the program state
    Quit,
};

// A key as the window reports it when pressed.
struct ScriptKey {
    int code = 0; // virtual key
    unsigned modifiers = 0;
    int character = 0; // what it types; 0 for nothing
};

// One line of a script; only the fields its op names above are set.
struct ScriptStep {
    ScriptOp op = ScriptOp::Quit;
    int line = 0;
    std::string path;
    std::string target;
    int command = 0;
    ScriptKey key;
    int x = 0;
    int y = 0;
    bool vertical = false;
    int request = 0;
    int thumb = 0;
    int width = 0;
    int height = 0;
    int passes = 0;
    int milliseconds = 0;
};

// Reads a whole script. On the first bad line returns false with `error` holding
// "line N: problem"; `steps` then holds the lines before it.
bool ParseScript(std::istream& in, std::vector<ScriptStep>& steps, std::string& error);

// Default limit of `idle` without an argument, in milliseconds of ticks.
constexpr int DEFAULT_IDLE_LIMIT = 120000;
