// The manual page and the bash completion, made from the parser's own commands and help texts so
// that they cannot drift apart from --help.
#include <CLI/CLI.hpp>

#include <sstream>

#include "cli/CliApp.h"

namespace {

// Troff text: a backslash and a leading dot or quote would be read as requests.
std::string roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

std::vector<const CLI::App*> commandsOf(const CLI::App& app) {
    return app.get_subcommands([](const CLI::App*) { return true; });
}

std::vector<const CLI::Option*> visibleOptions(const CLI::App& command) {
    return command.get_options([](const CLI::Option* option) { return !option->get_group().empty(); });
}

std::string synopsis(const CLI::App& command) {
    std::string line;
    for (const CLI::Option* option : visibleOptions(command)) {
        if (option->get_name() == "--help")
            continue;
        std::string item = option->get_positional() ? option->get_name() : option->get_name(false, false);
        if (!option->get_positional() && option->get_expected_min() != 0)
            item += " " + option->get_type_name();
        line += " " + (option->get_required() ? item : "[" + item + "]");
    }
    return line;
}

}  // namespace

std::string manualPage(const CLI::App& app) {
    std::ostringstream out;
    out << ".TH QUORVANE-CLI 1 \"\" \"Quorvane " QUORVANE_VERSION "\" \"User Commands\"\n"
        << ".SH NAME\nquorvane\\-cli \\- card documents and encrypted files from the command line\n"
        << ".SH SYNOPSIS\n.B quorvane\\-cli\n.I COMMAND\n[\\fIOPTIONS\\fR]\n"
        << ".SH DESCRIPTION\n" << roff(app.get_description()) << "\n.PP\n" << roff(app.get_footer()) << "\n"
        << ".SH COMMANDS\n";
    for (const CLI::App* command : commandsOf(app)) {
        const std::string options = synopsis(*command);
        out << ".SS " << roff(command->get_name()) << "\n.B quorvane\\-cli " << roff(command->get_name()) << "\n"
            << (options.empty() ? "" : roff(options.substr(1)) + "\n") << ".PP\n" << roff(command->get_description()) << "\n";
        for (const CLI::Option* option : visibleOptions(*command)) {
            if (option->get_name() == "--help")
                continue;
            std::string names = option->get_positional() ? option->get_name() : option->get_name(false, true);
            out << ".TP\n.B " << roff(names);
            if (!option->get_positional() && option->get_expected_min() != 0)
                out << " \\fI" << roff(option->get_type_name()) << "\\fR";
            out << "\n" << roff(option->get_description()) << "\n";
        }
    }
    out << ".SH ONE\\-TIME CODES\n"
        << roff("A card's one-time code setup is an otpauth:// address (otpauth://totp/ISSUER:ACCOUNT?secret=BASE32, "
                "with optional issuer, algorithm SHA1, SHA256 or SHA512, digits 6 to 8 and period in seconds; "
                "otpauth://hotp/... with a counter; encoder=steam for Steam's five characters) kept as a line of "
                "the card's note, so it stays with the card in every file form, export and dump. otp-set writes "
                "that line; totp prints the code; show prints the code in its place unless --reveal is given.")
        << "\n";
    out << ".SH CONFLICT COPIES\n"
        << roff("A sync program that finds a document changed on two machines keeps one version under the "
                "document's name and the other beside it: NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.EXT "
                "(Syncthing), NAME (conflicted copy YYYY-MM-DD HHMMSS).EXT (Nextcloud) or NAME (WHO's "
                "conflicted copy YYYY-MM-DD).EXT (Dropbox). ls and dump warn of such copies on standard error. "
                "resolve merges each into the document card by card: cards either copy added are kept, a card "
                "deleted in one copy and unchanged in the other stays deleted, and a card that differs in the "
                "two is kept in both versions, the copy's with \"(other copy)\" after its name when both have "
                "the same name. An encrypted "
                "copy is opened with the document's password first; another is asked for. Once the merge is "
                "saved, each merged copy is moved to the desktop's trash (where it went is printed); a copy that "
                "could not be read stays where it is, and resolve exits with status 1.")
        << "\n";
    out << ".SH EXIT STATUS\n0 on success, 1 otherwise.\n"
        << ".SH FILES\nStale temporary files of an interrupted write are named after the file they were "
           "to replace, with a leading dot.\n";
    return out.str();
}

std::string bashCompletion(const CLI::App& app) {
    std::ostringstream out;
    out << "# bash completion for quorvane-cli, made by quorvane-cli --bash-completion\n"
        << "_quorvane_cli() {\n"
        << "    local cur=${COMP_WORDS[COMP_CWORD]} command=${COMP_WORDS[1]} options\n"
        << "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
        << "        COMPREPLY=($(compgen -W \"";
    std::string names;
    for (const CLI::App* command : commandsOf(app))
        names += (names.empty() ? "" : " ") + command->get_name();
    out << names << " --help\" -- \"$cur\"))\n        return\n    fi\n    case $command in\n";
    for (const CLI::App* command : commandsOf(app)) {
        std::string options;
        for (const CLI::Option* option : visibleOptions(*command))
            if (!option->get_positional())
                options += (options.empty() ? "" : " ") + option->get_name(false, true);
        for (char& c : options)
            if (c == ',')
                c = ' ';
        out << "        " << command->get_name() << ") options=\"" << options << "\" ;;\n";
    }
    out << "    esac\n"
        << "    case ${COMP_WORDS[COMP_CWORD-1]} in\n"
        << "        --format) COMPREPLY=($(compgen -W \"csv json\" -- \"$cur\")); return ;;\n"
        << "        --layout) COMPREPLY=($(compgen -W \"quorvane keepassxc bitwarden\" -- \"$cur\")); return ;;\n"
        << "        --automatic-access|--new-window) COMPREPLY=($(compgen -W \"on off\" -- \"$cur\")); return ;;\n"
        << "    esac\n"
        << "    if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        << "    else\n"
        << "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
        << "    fi\n"
        << "}\n"
        << "complete -o filenames -F _quorvane_cli quorvane-cli\n";
    return out.str();
}
