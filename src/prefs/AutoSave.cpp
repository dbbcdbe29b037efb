#include "prefs/AutoSave.h"

#include <climits>

int AutoSave::thresholdFromText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

void AutoSave::start(const std::string& thresholdText) {
    m_threshold = thresholdFromText(thresholdText);
    m_running = true;
}

bool AutoSave::tick(bool documentHasFileName) {
    if (!m_running || !documentHasFileName)
        return false;
    if (m_ticks < INT_MAX)
        ++m_ticks;
    if (m_ticks < m_threshold)
        return false;
    m_ticks = 0;
    return true;
}
