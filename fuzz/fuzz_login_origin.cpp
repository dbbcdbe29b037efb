// Fuzzes the rule that decides whether a frame may get a card's password. The input up to its first
// newline is the card's address, the rest the frame's address; both are judged both ways round.
//
// Never a crash; a refusal always comes with one status bar sentence (no control characters, of a
// bounded length) and an allowance with none; an allowance means both addresses read as origins of
// the same scheme and port whose hosts are the same, or the frame's is under the card's within one
// registrable domain and neither is an IP address; any address that reads as a frame's origin is
// allowed for itself and for its origin written out again; and for ASCII text, upper case changes
// nothing.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "browser/LoginOrigin.h"

namespace {

using browser::WebOrigin;

void check(std::string_view card, std::string_view frame) {
    const browser::OriginVerdict verdict = browser::mayFillLogin(card, frame);
    if (verdict.allowed != verdict.reason.empty())
        std::abort();
    if (!verdict.allowed) {
        if (verdict.reason.rfind("Nothing was filled: ", 0) != 0 || verdict.reason.size() > 800)
            std::abort();
        for (char c : verdict.reason)
            if (static_cast<unsigned char>(c) < 0x20)
                std::abort();
    }
    if (verdict.allowed != browser::mayFillLogin(card, frame).allowed)
        std::abort();

    const auto cardOrigin = browser::readWebOrigin(card, true);
    const auto frameOrigin = browser::readWebOrigin(frame, false);
    if (verdict.allowed) {
        if (!cardOrigin || !frameOrigin)
            std::abort();
        if (cardOrigin->scheme != frameOrigin->scheme || cardOrigin->port != frameOrigin->port)
            std::abort();
        if (frameOrigin->host != cardOrigin->host) {
            const std::string dotted = "." + cardOrigin->host;
            const std::string& host = frameOrigin->host;
            if (host.size() <= dotted.size() || host.compare(host.size() - dotted.size(), dotted.size(), dotted) != 0)
                std::abort();
            if (cardOrigin->isIpAddress || frameOrigin->isIpAddress)
                std::abort();
            const std::string domain = browser::registrableDomain(cardOrigin->host);
            if (domain.empty() || domain != browser::registrableDomain(host))
                std::abort();
        }
    }
    if (frameOrigin) {
        if (frameOrigin->scheme != "http" && frameOrigin->scheme != "https")
            std::abort();
        if (frameOrigin->host.empty() || frameOrigin->port < 0 || frameOrigin->port > 65535)
            std::abort();
        if (!browser::mayFillLogin(frame, frame).allowed)
            std::abort();
        const std::string written =
            frameOrigin->scheme + "://" + frameOrigin->host + ":" + std::to_string(frameOrigin->port) + "/";
        if (!browser::mayFillLogin(written, frame).allowed || !browser::mayFillLogin(frame, written).allowed)
            std::abort();
    }

    bool ascii = true;
    std::string upperCard(card), upperFrame(frame);
    for (std::string* text : {&upperCard, &upperFrame})
        for (char& c : *text) {
            if (static_cast<unsigned char>(c) >= 0x80)
                ascii = false;
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
    if (ascii && browser::mayFillLogin(upperCard, upperFrame).allowed != verdict.allowed)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const std::string_view card = input.substr(0, newline);
    const std::string_view frame = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    check(card, frame);
    check(frame, card);
    return 0;
}
