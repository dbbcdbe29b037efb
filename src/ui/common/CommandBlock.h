#pragma once
// While the program waits for the browser (a DDE request, the pauses while a browser starts) the
// event loop keeps running so the windows repaint and can be moved, but nothing may start another
// command inside the one that waits. A CommandBlock marks such a wait: while one lives, the command
// table runs no command (menus, keys, buttons, the automatic save) and input to the program's
// windows is dropped.

class CommandBlock {
public:
    CommandBlock();
    ~CommandBlock();
    CommandBlock(const CommandBlock&) = delete;
    CommandBlock& operator=(const CommandBlock&) = delete;

    /// True while some wait is running.
    static bool active();

    /// Runs the event loop for `milliseconds` under a block.
    static void wait(int milliseconds);
};
