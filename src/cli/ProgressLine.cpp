#include "cli/ProgressLine.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

ProgressLine::ProgressLine(std::string verb, std::uint64_t total, bool shown)
    : m_verb(std::move(verb)), m_total(total), m_shown(shown), m_start(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() { end(); }

bool ProgressLine::wanted(std::uint64_t total) { return total > kProgressLineMinBytes && ::isatty(STDERR_FILENO) == 1; }

FileProgress ProgressLine::callback() {
    if (!m_shown)
        return {};
    return [this](std::uint64_t done, std::uint64_t) {
        draw(done);
        return true;
    };
}

void ProgressLine::draw(std::uint64_t done) {
    const auto now = std::chrono::steady_clock::now();
    // A few redraws a second are enough, but the start and the end are always shown.
    if (m_open && done < m_total && now - m_lastDraw < std::chrono::milliseconds(200))
        return;
    m_lastDraw = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    std::cerr << '\r' << text(done, seconds) << "\033[K" << std::flush;
    m_open = true;
}

std::string ProgressLine::text(std::uint64_t done, double seconds) const {
    const double mib = 1024.0 * 1024.0;
    const int percent = m_total == 0 ? 100 : static_cast<int>(done * 100 / m_total);
    char line[160];
    int n = std::snprintf(line, sizeof line, "%s %3d%%  %.1f of %.1f MiB", m_verb.c_str(), percent, done / mib,
                          m_total / mib);
    if (done > 0 && done < m_total && seconds > 0.5 && n > 0 && static_cast<std::size_t>(n) < sizeof line) {
        const double left = static_cast<double>(m_total - done) * seconds / static_cast<double>(done);
        std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), ", about %.0f s left", left + 0.5);
    }
    return line;
}

void ProgressLine::end() {
    if (m_open) {
        std::cerr << '\n' << std::flush;
        m_open = false;
    }
}

void ProgressLinePrompter::showMessage(const std::string& text) {
    m_line.end();
    m_inner.showMessage(text);
}

std::optional<std::string> ProgressLinePrompter::askPassword(const std::string& title) {
    m_line.end();
    return m_inner.askPassword(title);
}

bool ProgressLinePrompter::confirmReplace(const std::string& path) {
    m_line.end();
    return m_inner.confirmReplace(path);
}
