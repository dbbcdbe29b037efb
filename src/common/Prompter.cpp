#include "common/Prompter.h"

std::string replaceQuestionText(const std::string& path) {
    return path + " already exists. Do you want to replace it?";
}
