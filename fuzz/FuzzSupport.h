#pragma once
// Shared by the fuzz targets: a Prompter that answers every password question with a fixed
// password and swallows messages, so a target runs without a person.

#include <optional>
#include <string>

#include "common/Prompter.h"

inline constexpr const char* kFuzzPassword = "fuzzpass1";

class FixedPrompter : public Prompter {
public:
    void showMessage(const std::string&) override { ++messages; }
    std::optional<std::string> askPassword(const std::string&) override { return std::string(kFuzzPassword); }
    bool confirmReplace(const std::string&) override { return true; }
    int messages = 0;
};
