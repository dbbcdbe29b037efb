// The setup's line in a card's note. Notes keep line breaks as CR LF (a note typed elsewhere may have
// bare LF); a setup line is found, replaced or added without touching the other lines.
#include <cctype>

#include "otp/OneTimeCode.h"

namespace otp {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<SetupLine> findSetupLine(std::string_view note) {
    static constexpr std::string_view kScheme = "otpauth://";
    for (std::size_t begin = 0; begin <= note.size();) {
        std::size_t next = note.find('\n', begin);
        std::size_t end = next == std::string_view::npos ? note.size() : next;
        if (end > begin && note[end - 1] == '\r')
            --end;
        std::size_t first = begin, last = end;
        while (first < last && blank(note[first]))
            ++first;
        while (last > first && blank(note[last - 1]))
            --last;
        const std::string_view text = note.substr(first, last - first);
        bool isSetup = text.size() >= kScheme.size();
        for (std::size_t i = 0; isSetup && i < kScheme.size(); ++i)
            isSetup = std::tolower(static_cast<unsigned char>(text[i])) == kScheme[i];
        if (isSetup)
            return SetupLine{begin, end, std::string(text)};
        if (next == std::string_view::npos)
            break;
        begin = next + 1;
    }
    return std::nullopt;
}

std::string noteWithSetup(std::string_view note, const Setup& setup) {
    const std::string uri = toUri(setup);
    if (auto line = findSetupLine(note))
        return std::string(note.substr(0, line->begin)) + uri + std::string(note.substr(line->end));
    if (note.empty())
        return uri;
    if (note.back() == '\n')
        return std::string(note) + uri;
    return std::string(note) + "\r\n" + uri;
}

std::string noteWithoutSetup(std::string_view note) {
    auto line = findSetupLine(note);
    if (!line)
        return std::string(note);
    std::size_t begin = line->begin, end = line->end;
    if (end < note.size() && note[end] == '\r')
        ++end;
    if (end < note.size() && note[end] == '\n') {
        ++end;  // the line and its own break
    } else if (begin > 0) {
        // The last line: the break before it goes instead, so the note does not end in a new blank line.
        --begin;
        if (begin > 0 && note[begin - 1] == '\r')
            --begin;
    }
    return std::string(note.substr(0, begin)) + std::string(note.substr(end));
}

std::string noteForDisplay(std::string_view note, std::string_view replacement) {
    auto line = findSetupLine(note);
    if (!line)
        return std::string(note);
    return std::string(note.substr(0, line->begin)) + std::string(replacement) + std::string(note.substr(line->end));
}

}  // namespace otp
