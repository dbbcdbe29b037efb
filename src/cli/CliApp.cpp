#include "cli/CliApp.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <map>
#include <sstream>

#include "cli/Commands.h"

namespace {

constexpr const char* kDescription =
    "quorvane-cli reaches Quorvane's card documents (.qvf plain, .qve encrypted, and the older "
    "formats) and encrypted files (~~~) without a window.";

constexpr const char* kFooter =
    "Passwords are read without echo at a terminal, as lines of standard input otherwise, or from "
    "the first line of --password-file (a file only its owner may read). Messages go to standard "
    "error, data to standard output. Exit status 0 on success, 1 otherwise. "
    "Run 'quorvane-cli COMMAND --help' for a command's options.";

const std::map<std::string, ExchangeFormat> kFormats = {{"csv", ExchangeFormat::Csv},
                                                         {"json", ExchangeFormat::Json}};
const std::map<std::string, bool> kSwitchStates = {{"on", true}, {"off", false}};
// Every layout import reads, by the name the command line gives it; export writes the first three.
const std::map<std::string, CsvLayout> kLayouts = {
    {"quorvane", CsvLayout::Quorvane}, {"keepassxc", CsvLayout::KeePassXC}, {"bitwarden", CsvLayout::Bitwarden},
    {"chromium", CsvLayout::Chromium}, {"firefox", CsvLayout::Firefox},     {"safari", CsvLayout::Safari},
    {"1password", CsvLayout::OnePassword}};
const std::map<std::string, CsvLayout> kExportLayouts = {
    {"quorvane", CsvLayout::Quorvane}, {"keepassxc", CsvLayout::KeePassXC}, {"bitwarden", CsvLayout::Bitwarden}};

void addForceWrite(CLI::App* sub, bool& force) {
    sub->add_flag("--force", force,
                  "write even when another program holds the document open for changes or changed it since "
                  "it was read");
}

void addPasswordFile(CLI::App* sub, PasswordSource& source) {
    sub->add_option("--password-file", source.passwordFile,
                    "read the document's password from the first line of this file, which only its owner "
                    "may read or write")
        ->type_name("PATH");
}

void addCardSelector(CLI::App* sub, CardSelector& which) {
    sub->add_option("--category", which.category, "the category, by its name as the window shows it")
        ->required()
        ->type_name("NAME");
    auto* card = sub->add_option("--card", which.card, "the card, by its name (the first field)")->type_name("NAME");
    auto* position = sub->add_option("--position", which.position, "the card, by its place in the category (1 is the first)")
                         ->type_name("N")
                         ->check(CLI::PositiveNumber);
    card->excludes(position);
    position->excludes(card);
}

void addCardFields(CLI::App* sub, CardFieldOptions& fields, bool nameRequired) {
    auto* name = sub->add_option("--name", fields.name, "the first field (Name:, Bank:, Product: ... by category)")
                     ->type_name("TEXT");
    if (nameRequired)
        name->required()->type_name("");
    sub->add_option("--url", fields.url, "the second field (URL:, Host:, Branch Number: ... by category)")
        ->type_name("TEXT");
    sub->add_option("--user", fields.user, "the third field (User ID:, Login:, Account Holder: ... by category)")
        ->type_name("TEXT");
    sub->add_option("--note", fields.note, "the card's note")->type_name("TEXT");
    sub->add_flag("--password-prompt", fields.passwordPrompt,
                  "ask for the fourth field (Password:, Account Number:, PIN Code: ... by category) without echo; "
                  "it is never taken from the command line");
    sub->add_option("--automatic-access", fields.automaticAccess,
                    "turn the card's Automatic Access on or off (Load Web Page logs in: the site's HTTP "
                    "authentication or its login form)")
        ->type_name("on|off")
        ->transform(CLI::CheckedTransformer(kSwitchStates, CLI::ignore_case));
    sub->add_option("--new-window", fields.newWindow,
                    "turn the card's New Browser Window on or off (Load Web Page opens a new window)")
        ->type_name("on|off")
        ->transform(CLI::CheckedTransformer(kSwitchStates, CLI::ignore_case));
}

void addExchangeFormat(CLI::App* sub, ExchangeFormat& format, CsvLayout& layout) {
    sub->add_option("--format", format, "csv or json (the form dump prints)")
        ->required()
        ->type_name("csv|json")
        ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case));
    sub->add_option("--layout", layout,
                    "the CSV columns: quorvane (a header row per category with its field labels), keepassxc "
                    "(Group,Title,Username,Password,URL,Notes,TOTP,Icon,Last Modified,Created) or bitwarden "
                    "(folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                    "login_totp)")
        ->type_name("LAYOUT")
        ->transform(CLI::CheckedTransformer(kExportLayouts, CLI::ignore_case));
}

// Import recognises the form and layout from the file; these options force them.
void addImportFormat(CLI::App* sub, ImportOptions& o) {
    sub->add_option_function<ExchangeFormat>(
           "--format", [&o](const ExchangeFormat& format) { o.format = format; },
           "csv or json; recognised from the content when not given")
        ->type_name("csv|json")
        ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case));
    sub->add_option_function<CsvLayout>(
           "--layout", [&o](const CsvLayout& layout) { o.layout = layout; },
           "the CSV layout, recognised from the header row when not given: quorvane, keepassxc, bitwarden, "
           "chromium (Chrome, Edge), firefox, safari (Apple Passwords) or 1password")
        ->type_name("LAYOUT")
        ->transform(CLI::CheckedTransformer(kLayouts, CLI::ignore_case));
}

// A usage error names the command, says what is wrong and shows the command's usage line.
std::string failureMessage(const CLI::App* app, const CLI::Error& error) {
    const CLI::App* command = app;
    auto chosen = app->get_subcommands();
    if (!chosen.empty())
        command = chosen.front();
    std::string usage = CLI::Formatter().make_usage(command, command == app ? app->get_name() : app->get_name() + " " + command->get_name());
    std::string name = command == app ? app->get_name() : app->get_name() + " " + command->get_name();
    return name + ": " + error.what() + "\n" + usage.substr(usage.find_first_not_of('\n')) +
           "Run '" + name + " --help' for more.\n";
}

}  // namespace

std::unique_ptr<CliApp> makeCliApp() {
    auto cli = std::make_unique<CliApp>();
    cli->app = std::make_unique<CLI::App>(kDescription, "quorvane-cli");
    CLI::App& app = *cli->app;
    app.footer(kFooter);
    app.set_version_flag("--version", "quorvane-cli " QUORVANE_VERSION, "print the version and exit");
    app.require_subcommand(0, 1);
    app.failure_message(failureMessage);
    app.get_formatter()->column_width(34);
    CliApp* self = cli.get();

    // Each command keeps its options here for the life of the parser; parsing fills them, and the
    // command's callback chooses what runs.
    auto command = [&](const char* name, const char* help, auto options, auto define, auto run) {
        auto* sub = app.add_subcommand(name, help);
        define(sub, *options);
        sub->callback([self, options, run] { self->run = [options, run] { return run(*options); }; });
        return sub;
    };

    command("dump", "the document as JSON on standard output", std::make_shared<DumpOptions>(),
            [](CLI::App* sub, DumpOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                sub->add_option("--date-format", o.dateFormat, "the date format of the \"date\" values (0-11)")
                    ->type_name("N");
                addPasswordFile(sub, o.password);
            },
            cmdDump);
    command("ls", "categories and their cards, passwords masked", std::make_shared<ListOptions>(),
            [](CLI::App* sub, ListOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addPasswordFile(sub, o.password);
            },
            cmdList);
    command("convert", "write a card document in the current format to another file",
            std::make_shared<ConvertOptions>(),
            [](CLI::App* sub, ConvertOptions& o) {
                sub->add_option("IN", o.in, "the card document to read")->required()->type_name("");
                sub->add_option("OUT", o.out, "the file to write")->required()->type_name("");
                auto* encrypt = sub->add_flag("--encrypt", o.encrypt,
                                              "write it encrypted in the strong form (asks for a new password when IN "
                                              "is plain); without --encrypt or --plain OUT keeps IN's form");
                auto* plain = sub->add_flag("--plain", o.plain, "write it plain");
                sub->add_flag("--legacy", o.legacy,
                              "with --encrypt: the old form (Blowfish, no salt), readable by older programs; asks "
                              "for a new password when IN is plain or in the strong form")
                    ->needs(encrypt);
                encrypt->excludes(plain);
                plain->excludes(encrypt);
                sub->add_flag("--force", o.force, "replace OUT when it exists");
                addPasswordFile(sub, o.password);
            },
            cmdConvert);
    command("add", "add a card to a category (the document is made when it does not exist)",
            std::make_shared<AddOptions>(),
            [](CLI::App* sub, AddOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                sub->add_option("--category", o.category, "the category, by its name as the window shows it")
                    ->required()
                    ->type_name("NAME");
                addCardFields(sub, o.fields, true);
                addForceWrite(sub, o.force);
                addPasswordFile(sub, o.password);
            },
            cmdAdd);
    command("edit", "change the texts and switches of a card", std::make_shared<EditOptions>(),
            [](CLI::App* sub, EditOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addCardSelector(sub, o.which);
                addCardFields(sub, o.fields, false);
                addForceWrite(sub, o.force);
                addPasswordFile(sub, o.password);
            },
            cmdEdit);
    command("resolve",
            "merge a sync program's conflict copies of the document into it, card by card, and move them to the "
            "trash",
            std::make_shared<ResolveOptions>(),
            [](CLI::App* sub, ResolveOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addForceWrite(sub, o.force);
                addPasswordFile(sub, o.password);
            },
            cmdResolve);
    command("rm", "delete a card (it goes to the document's deleted cards)", std::make_shared<RemoveOptions>(),
            [](CLI::App* sub, RemoveOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addCardSelector(sub, o.which);
                addForceWrite(sub, o.force);
                addPasswordFile(sub, o.password);
            },
            cmdRemove);
    command("find", "the cards holding a text, in the order Find visits them", std::make_shared<FindOptions>(),
            [](CLI::App* sub, FindOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                sub->add_option("KEYWORD", o.keyword, "the text to look for in the fields and notes")->required()->type_name("");
                sub->add_flag("--ignore-case,-i", o.ignoreCase, "compare the letters A-Z without their case");
                addPasswordFile(sub, o.password);
            },
            cmdFind);
    command("show", "one card with its field labels, the password masked", std::make_shared<ShowOptions>(),
            [](CLI::App* sub, ShowOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addCardSelector(sub, o.which);
                sub->add_flag("--reveal", o.reveal,
                              "show the fourth field instead of asterisks, and the note's one-time code setup "
                              "(otherwise its line shows the code)");
                addPasswordFile(sub, o.password);
            },
            cmdShow);
    command("totp", "print a card's one-time code (the seconds it has left go to standard error)",
            std::make_shared<TotpOptions>(),
            [](CLI::App* sub, TotpOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addCardSelector(sub, o.which);
                sub->add_option("--at", o.at, "the code at this time (seconds since 1970-01-01 00:00 UTC) instead of now")
                    ->type_name("SECONDS")
                    ->check(CLI::Range(std::int64_t{0}, std::int64_t{253402300799}));  // up to the year 9999
                addPasswordFile(sub, o.password);
            },
            cmdTotp);
    command("otp-set",
            "set or replace a card's one-time code setup, an otpauth:// address kept as a line of its note",
            std::make_shared<OtpSetOptions>(),
            [](CLI::App* sub, OtpSetOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addCardSelector(sub, o.which);
                auto* uri = sub->add_option("--uri", o.uri,
                                            "the setup as an address: otpauth://totp/ISSUER:ACCOUNT?secret=BASE32 "
                                            "(optional issuer, algorithm SHA1|SHA256|SHA512, digits 6-8, period; "
                                            "otpauth://hotp/... with counter; encoder=steam); other users may see it in the "
                                            "process list while the command runs, which --qr avoids")
                               ->type_name("TEXT");
                auto* qr = sub->add_option("--qr", o.qrImage, "read the address from the QR code in a PNG or JPEG image")
                               ->type_name("IMAGE");
                uri->excludes(qr);
                qr->excludes(uri);
                addForceWrite(sub, o.force);
                addPasswordFile(sub, o.password);
            },
            cmdOtpSet);
    command("export", "write the cards to a CSV or JSON file (not encrypted)", std::make_shared<ExportOptions>(),
            [](CLI::App* sub, ExportOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                addExchangeFormat(sub, o.format, o.layout);
                sub->add_option("-o,--output", o.output, "the file to write (owner-only); standard output without it")
                    ->type_name("OUT");
                sub->add_flag("--force", o.force, "replace OUT when it exists");
                addPasswordFile(sub, o.password);
            },
            cmdExport);
    command("import", "add the cards of a CSV or JSON file to a document (made when it does not exist)",
            std::make_shared<ImportOptions>(),
            [](CLI::App* sub, ImportOptions& o) {
                sub->add_option("FILE", o.file, "the card document")->required()->type_name("");
                sub->add_option("IN", o.input,
                                "the CSV or JSON file to read: this program's export, or another password manager's "
                                "or browser's")
                    ->required()
                    ->type_name("");
                addImportFormat(sub, o);
                addForceWrite(sub, o.force);
                addPasswordFile(sub, o.password);
            },
            cmdImport);
    command("encrypt-file", "encrypt a file into a ~~~ file and delete it", std::make_shared<FileOptions>(),
            [](CLI::App* sub, FileOptions& o) {
                sub->add_option("PATH", o.path, "the file to encrypt")->required()->type_name("");
                sub->add_flag("--force", o.force, "replace the ~~~ file when it exists");
                sub->add_flag("--legacy", o.legacy,
                              "write the old form (Blowfish, no salt, no authentication), readable by older programs, "
                              "instead of the strong one");
                sub->add_option("--password-file", o.password.passwordFile,
                                "read the file-encryption password from the first line of this file, which only "
                                "its owner may read or write")
                    ->type_name("PATH");
            },
            cmdEncryptFile);
    command("decrypt-file", "restore the file a ~~~ file holds", std::make_shared<FileOptions>(),
            [](CLI::App* sub, FileOptions& o) {
                sub->add_option("PATH", o.path, "the ~~~ file")->required()->type_name("");
                sub->add_flag("--force", o.force, "replace the restored file's name when it exists");
                sub->add_option("--password-file", o.password.passwordFile,
                                "read the file-encryption password from the first line of this file, which only "
                                "its owner may read or write")
                    ->type_name("PATH");
            },
            cmdDecryptFile);
    command("classify", "print encrypted, readable, empty, or why a file cannot be read",
            std::make_shared<FileOptions>(),
            [](CLI::App* sub, FileOptions& o) { sub->add_option("PATH", o.path, "the file")->required(); },
            cmdClassify);
    command("info", "the form of a card document or ~~~ file and its key-derivation costs, without a password",
            std::make_shared<FileOptions>(),
            [](CLI::App* sub, FileOptions& o) {
                sub->add_option("FILE", o.path, "the card document or ~~~ file")->required()->type_name("");
            },
            cmdInfo);

    command("generate", "print new random passwords or passphrases", std::make_shared<GenerateOptions>(),
            [](CLI::App* sub, GenerateOptions& o) {
                sub->add_option("--length", o.length, "characters of a password (default 20)")
                    ->type_name("N")
                    ->check(CLI::Range(4, 1024));
                sub->add_flag("--no-symbols", o.noSymbols, "letters and digits only");
                sub->add_option("--words", o.words, "a passphrase of N words joined by \"-\" instead")
                    ->type_name("N")
                    ->check(CLI::Range(1, 256));
                sub->add_option("--count", o.count, "print N of them, one a line (default 1)")
                    ->type_name("N")
                    ->check(CLI::Range(1, 100000));
            },
            cmdGenerate);
    command("strength", "how hard the password on standard input is to guess: S/4 (about 10^N guesses)",
            std::make_shared<int>(), [](CLI::App*, int&) {}, [](int) { return cmdStrength(); });

    // Made at build time for installing; hidden from the help.
    app.add_flag_callback("--manual-page", [self] { self->run = [self] { std::cout << manualPage(*self->app); return 0; }; })
        ->group("");
    app.add_flag_callback("--bash-completion",
                          [self] { self->run = [self] { std::cout << bashCompletion(*self->app); return 0; }; })
        ->group("");
    return cli;
}

int runCli(CliApp& cli, int argc, char** argv) {
    try {
        cli.app->parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return cli.app->exit(error) == 0 ? 0 : 1;
    }
    if (!cli.run) {
        std::cerr << cli.app->help();
        return 1;
    }
    return cli.run();
}
