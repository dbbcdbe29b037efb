#include "ui/cards/CardRows.h"

#include <iterator>
#include <utility>

#include "otp/OneTimeCode.h"

bool isWebCategory(const std::string& name) {
    return name == "WWW Sites" || name == "FTP Servers" || name == "Newsgroups" || name == "E-Mail Contacts";
}

std::string noteShortForm(const std::string& note) {
    const std::size_t lineFeed = note.find('\n');
    if (lineFeed != std::string::npos) {
        // The first line without its line break (a CR before the LF belongs to the break).
        std::string line = note.substr(0, lineFeed);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return line + "...";
    }
    if (note.size() <= 60) {
        return note;
    }
    std::size_t cut = 60;
    if (note[60] == ' ') {
        cut = 60;
    } else if (note[59] == ' ') {
        cut = 59;
    } else {
        for (std::size_t i = 58; i >= 1; --i) {
            if (note[i] == ' ') {
                cut = i;
                break;
            }
        }
    }
    return note.substr(0, cut) + "...";
}

std::vector<std::pair<std::string, std::string>> cardRows(const Card& card, const Labels& labels,
                                                           const std::string& categoryName) {
    std::vector<std::pair<std::string, std::string>> rows = {
        {labels[0], card.firstField},
        {labels[1], card.secondField},
        {labels[2], card.thirdField},
        {labels[3], std::string(card.fourthField.size(), '*')},
        // A one-time code setup line shows as "(one-time code set up)": its secret stays hidden.
        {"Note:", card.note.empty() ? std::string() : noteShortForm(otp::noteForDisplay(card.note))},
    };
    if (isWebCategory(categoryName)) {
        rows.emplace_back("Automatic Access:", card.automaticAccess == 1 ? "On" : "Off");
        rows.emplace_back("New Browser Window:", card.newBrowserWindow == 1 ? "On" : "Off");
    }
    rows.emplace_back("Date:", card.dateText);
    return rows;
}

CardRowKind cardRowKind(int row, bool web) {
    static constexpr CardRowKind kWeb[] = {CardRowKind::First, CardRowKind::Second, CardRowKind::Third,
                                           CardRowKind::Fourth, CardRowKind::Note, CardRowKind::AutomaticAccess,
                                           CardRowKind::NewBrowserWindow, CardRowKind::Date};
    static constexpr CardRowKind kOther[] = {CardRowKind::First,  CardRowKind::Second, CardRowKind::Third,
                                             CardRowKind::Fourth, CardRowKind::Note,   CardRowKind::Date};
    if (web) {
        return row >= 0 && row < static_cast<int>(std::size(kWeb)) ? kWeb[row] : CardRowKind::None;
    }
    return row >= 0 && row < static_cast<int>(std::size(kOther)) ? kOther[row] : CardRowKind::None;
}

const std::string* cardTextOf(const Card& card, CardRowKind kind) {
    switch (kind) {
        case CardRowKind::First:
            return &card.firstField;
        case CardRowKind::Second:
            return &card.secondField;
        case CardRowKind::Third:
            return &card.thirdField;
        case CardRowKind::Fourth:
            return &card.fourthField;
        case CardRowKind::Note:
            return &card.note;
        default:
            return nullptr;
    }
}

std::string* cardTextOf(Card& card, CardRowKind kind) {
    return const_cast<std::string*>(cardTextOf(std::as_const(card), kind));
}

std::string clipboardTextOf(const Card& card, CardRowKind kind) {
    switch (kind) {
        case CardRowKind::AutomaticAccess:
            return card.automaticAccess == 1 ? "On" : "Off";
        case CardRowKind::NewBrowserWindow:
            return card.newBrowserWindow == 1 ? "On" : "Off";
        case CardRowKind::Date:
            return card.dateText;
        default: {
            const std::string* text = cardTextOf(card, kind);
            return text ? *text : std::string();
        }
    }
}
