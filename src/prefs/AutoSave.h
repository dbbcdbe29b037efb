#pragma once
// The automatic-save count the main window drives from its one-minute timer: start() (re)reads the
// interval, every tick counts a minute, and tick() says when the active document is to be saved.
//
// The count starts again from 0 after each automatic save, so an interval of 10 saves every ten
// minutes. A document without a file name is never saved automatically (that would open Save As
// every minute); its minutes are not counted, so the count goes on where it was once a named
// document is active again, and a document just named by Save As waits a full interval.

#include <string>

class AutoSave {
public:
    /// Sets the interval from the "Automatic Save" text (its leading decimal digits; none give 0) and
    /// starts counting; the minutes already counted are kept.
    void start(const std::string& thresholdText);

    /// Counts one minute. True when the active document is due for its automatic save; the count
    /// then starts again from 0. Always false before start().
    bool tick(bool documentHasFileName);

    int AutosaveThreshold() const { return m_threshold; }
    int AutosaveTicks() const { return m_ticks; }
    bool running() const { return m_running; }

    /// The interval in minutes a stored "Automatic Save" text gives ("15 min" gives 15, "abc" 0).
    static int thresholdFromText(const std::string& text);

private:
    int m_threshold = 0;
    int m_ticks = 0;
    bool m_running = false;
};
