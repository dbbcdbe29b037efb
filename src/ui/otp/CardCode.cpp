#include "ui/otp/CardCode.h"

#include <QDateTime>

#include "cardstore/Card.h"
#include "ui/common/QtText.h"

std::optional<otp::Setup> cardSetup(const Card& card) {
    const std::optional<otp::SetupLine> line = otp::findSetupLine(card.note);
    if (!line) {
        return std::nullopt;
    }
    return otp::parseSetup(line->text, otp::TextForm::Card).setup;
}

std::int64_t secondsNow() {
    return QDateTime::currentSecsSinceEpoch();
}

QString groupedCode(const std::string& code) {
    const QString text = QString::fromLatin1(code);
    if (text.size() == 6 || text.size() == 8) {
        const auto half = text.size() / 2;
        return text.left(half) + QLatin1Char(' ') + text.mid(half);
    }
    return text;
}

std::optional<CodeRow> oneTimeCodeRow(const std::string& note, std::int64_t unixTime) {
    const std::optional<otp::SetupLine> line = otp::findSetupLine(note);
    if (!line) {
        return std::nullopt;
    }
    const otp::ParsedSetup parsed = otp::parseSetup(line->text, otp::TextForm::Card);
    if (!parsed) {
        return CodeRow{setupError(parsed, otp::TextForm::Card), false};
    }
    const otp::Setup& setup = *parsed.setup;
    const QString code = groupedCode(otp::code(setup, unixTime));
    if (setup.kind == otp::Kind::Hotp) {
        return CodeRow{QStringLiteral("%1  (counter %2)").arg(code).arg(setup.counter), false};
    }
    return CodeRow{QStringLiteral("%1  (%2 s)").arg(code).arg(otp::secondsLeft(setup, unixTime)), true};
}

QString setupError(const otp::ParsedSetup& parsed, otp::TextForm form) {
    return form == otp::TextForm::Card ? fromCardText(parsed.error) : QString::fromUtf8(parsed.error);
}
