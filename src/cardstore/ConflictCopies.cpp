#include "cardstore/ConflictCopies.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <system_error>
#include <utility>

namespace {

// What a sync program puts between the document's name and its extension.
const std::regex& conflictMark() {
    static const std::regex mark(
        // Syncthing: ".sync-conflict-YYYYMMDD-HHMMSS-" and the first seven characters of the device id.
        R"(\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7})"
        // Nextcloud and ownCloud: " (conflicted copy YYYY-MM-DD HHMMSS)".
        R"(| \(conflicted copy \d{4}-\d{2}-\d{2} \d{6}\)( \(\d+\))?)"
        // Dropbox: " (NAME's conflicted copy YYYY-MM-DD)", a number added when the name was taken.
        R"(| \([^()/]*(?:'|\xE2\x80\x99)s conflicted copy \d{4}-\d{2}-\d{2}( \d+)?\)( \(\d+\))?)",
        std::regex::ECMAScript | std::regex::optimize);
    return mark;
}

// The name before its extension and the extension with its dot; a leading dot starts no extension.
std::pair<std::string_view, std::string_view> splitExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

}  // namespace

bool isConflictCopyName(std::string_view document, std::string_view candidate) {
    const auto [stem, extension] = splitExtension(document);
    if (stem.empty() || candidate.size() <= document.size())
        return false;
    if (candidate.substr(0, stem.size()) != stem)
        return false;
    if (candidate.substr(candidate.size() - extension.size()) != extension)
        return false;
    const std::string middle(candidate.substr(stem.size(), candidate.size() - stem.size() - extension.size()));
    return std::regex_match(middle, conflictMark());
}

std::vector<std::string> findConflictCopies(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path document(path);
    const std::string name = document.filename().string();
    fs::path folder = document.parent_path();
    if (folder.empty())
        folder = ".";
    std::vector<std::string> copies;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string candidate = entries->path().filename().string();
        std::error_code typeError;
        if (isConflictCopyName(name, candidate) && entries->is_regular_file(typeError))
            copies.push_back((document.parent_path() / candidate).string());
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}
