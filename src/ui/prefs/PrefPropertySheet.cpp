#include "ui/prefs/PrefPropertySheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "cardstore/DateStamp.h"
#include "ui/cards/DialogButtons.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/common/QtText.h"
#include "ui/prefs/IntervalSpinBox.h"
#include "ui/secrets/SecretServicePage.h"

namespace {

constexpr int kIntervalMinimum = 0;
constexpr int kIntervalMaximum = 30;
constexpr int kClearClipboardMaximum = 24 * 60 * 60;

QString qs(const std::string& text) { return QString::fromStdString(text); }
std::string ss(const QString& text) { return text.toStdString(); }

// Switches are on exactly when they hold 1, as everything that reads them takes it.
void showSwitch(QCheckBox* box, int value) { box->setChecked(value == 1); }
int switchOf(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

// A file chosen for a browser goes into a command line, so a name with blanks is quoted.
QString asCommandLine(const QString& file) {
    if (file.contains(QLatin1Char(' ')) || file.contains(QLatin1Char('\t'))) {
        return QLatin1Char('"') + file + QLatin1Char('"');
    }
    return file;
}

}  // namespace

// --- General Settings ---------------------------------------------------------------------------

CInternetPage::CInternetPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* browserBox = new QGroupBox(QStringLiteral("Web Browser Preference"), this);
    auto* browserLayout = new QVBoxLayout(browserBox);
    m_netscape = new QRadioButton(QStringLiteral("Netscape Navigator"), browserBox);
    m_explorer = new QRadioButton(QStringLiteral("Microsoft Internet Explorer"), browserBox);
    browserLayout->addWidget(m_netscape);
    browserLayout->addWidget(m_explorer);
    m_browser = new QButtonGroup(this);
    m_browser->addButton(m_netscape, 0);
    m_browser->addButton(m_explorer, 1);
    top->addWidget(browserBox, 1);
    auto* icon = new QLabel(this);
    icon->setPixmap(icons::app().pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    top->addWidget(icon);
    layout->addLayout(top);

    auto* saveBox = new QGroupBox(QStringLiteral("Automatic Save"), this);
    auto* saveLayout = new QHBoxLayout(saveBox);
    m_automaticSave = new QCheckBox(QStringLiteral("Automatic Save every:"), saveBox);
    m_interval = new IntervalSpinBox(kIntervalMinimum, kIntervalMaximum, saveBox);
    saveLayout->addWidget(m_automaticSave);
    saveLayout->addWidget(m_interval);
    saveLayout->addWidget(new QLabel(QStringLiteral("minutes"), saveBox));
    saveLayout->addStretch();
    layout->addWidget(saveBox);
    connect(m_automaticSave, &QCheckBox::toggled, this, &CInternetPage::enableInterval);

    auto* dateBox = new QGroupBox(QStringLiteral("Select Date Format"), this);
    auto* dateLayout = new QVBoxLayout(dateBox);
    m_dateFormats = new QListWidget(dateBox);
    m_dateFormats->setSelectionMode(QAbstractItemView::SingleSelection);
    dateLayout->addWidget(m_dateFormats);
    layout->addWidget(dateBox, 1);
    connect(m_dateFormats, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            m_dateFormat = row;
        }
    });

    auto* clipboardBox = new QGroupBox(QStringLiteral("Clipboard"), this);
    auto* clipboardLayout = new QHBoxLayout(clipboardBox);
    auto* clearLabel = new QLabel(QStringLiteral("Clear copied passwords after"), clipboardBox);
    m_clearClipboard = new QSpinBox(clipboardBox);
    m_clearClipboard->setRange(0, kClearClipboardMaximum);
    m_clearClipboard->setToolTip(QStringLiteral("0 = never"));
    clearLabel->setBuddy(m_clearClipboard);
    clipboardLayout->addWidget(clearLabel);
    clipboardLayout->addWidget(m_clearClipboard);
    clipboardLayout->addWidget(new QLabel(QStringLiteral("seconds (0 = never)"), clipboardBox));
    clipboardLayout->addStretch();
    layout->addWidget(clipboardBox);
}

void CInternetPage::load(const PreferenceValues& values) {
    m_browserChoice = values.chooseWebBrowser;
    if (QAbstractButton* button = m_browser->button(values.chooseWebBrowser)) {
        button->setChecked(true);
    }
    showSwitch(m_automaticSave, values.automaticSaveCheck);
    m_interval->setText(qs(values.automaticSave));
    enableInterval();

    // Today's date in each of the formats, in the order of their numbers.
    m_dateFormat = values.dateFormat;
    m_dateFormats->clear();
    const std::uint32_t today = CurrentDateStamp();
    for (int i = 0; i < kDateFormatCount; ++i) {
        m_dateFormats->addItem(fromCardText(FormatDateStamp(today, i)));
    }
    if (values.dateFormat >= 0 && values.dateFormat < kDateFormatCount) {
        m_dateFormats->setCurrentRow(values.dateFormat);
    }
    m_clearClipboard->setValue(values.clearClipboardSeconds);
}

void CInternetPage::store(PreferenceValues& values) const {
    const int checked = m_browser->checkedId();
    values.chooseWebBrowser = checked >= 0 ? checked : m_browserChoice;
    values.automaticSaveCheck = switchOf(m_automaticSave);
    values.automaticSave = ss(m_interval->text());
    values.dateFormat = m_dateFormat;
    values.clearClipboardSeconds = m_clearClipboard->value();
}

void CInternetPage::enableInterval() { m_interval->setEnabled(m_automaticSave->isChecked()); }

// --- At Start Up ----------------------------------------------------------------------------------

CStartUpPage::CStartUpPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* general = new QGroupBox(QStringLiteral("General"), this);
    auto* generalLayout = new QVBoxLayout(general);
    m_checkOpenFiles = new QCheckBox(QStringLiteral("Open files in \"Recent File List\""), general);
    generalLayout->addWidget(m_checkOpenFiles);
    layout->addWidget(general);

    auto* helpers = new QGroupBox(QStringLiteral("Helper Applications "), this);
    auto* helpersLayout = new QVBoxLayout(helpers);
    m_browser = new QCheckBox(QStringLiteral("Launch Web Browser"), helpers);
    m_ftp = new QCheckBox(QStringLiteral("Launch FTP Client"), helpers);
    m_email = new QCheckBox(QStringLiteral("Launch E-Mail Application "), helpers);
    m_telnet = new QCheckBox(QStringLiteral("Launch Telnet Application "), helpers);
    m_news = new QCheckBox(QStringLiteral("Launch Newsreader"), helpers);
    for (QCheckBox* box : {m_browser, m_ftp, m_email, m_telnet, m_news}) {
        helpersLayout->addWidget(box);
    }
    layout->addWidget(helpers);
    layout->addStretch();
}

void CStartUpPage::load(const PreferenceValues& values) {
    showSwitch(m_checkOpenFiles, values.checkOpenFiles);
    showSwitch(m_browser, values.launchBrowser);
    showSwitch(m_ftp, values.launchFtp);
    showSwitch(m_email, values.launchEmail);
    showSwitch(m_telnet, values.launchTelnet);
    showSwitch(m_news, values.launchNews);
}

void CStartUpPage::store(PreferenceValues& values) const {
    values.checkOpenFiles = switchOf(m_checkOpenFiles);
    values.launchBrowser = switchOf(m_browser);
    values.launchFtp = switchOf(m_ftp);
    values.launchEmail = switchOf(m_email);
    values.launchTelnet = switchOf(m_telnet);
    values.launchNews = switchOf(m_news);
}

// --- Paths Settings -------------------------------------------------------------------------------

CPathsSetPage::CPathsSetPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("Internet applications paths:"), this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Choose path for:"), box), 0, 0, 1, 2);
    static const char* const kNames[RowCount] = {"Explorer:",   "Navigator:",      "Mail App:", "FTP App:",
                                                 "News Reader:", "Acrobat Reader:", "Telnet:"};
    m_group = new QButtonGroup(this);
    for (int row = 0; row < RowCount; ++row) {
        m_radios[row] = new QRadioButton(QString::fromLatin1(kNames[row]), box);
        m_edits[row] = new QLineEdit(box);
        m_edits[row]->setMinimumWidth(280);
        m_group->addButton(m_radios[row], row);
        grid->addWidget(m_radios[row], row + 1, 0);
        grid->addWidget(m_edits[row], row + 1, 1);
    }
    grid->setColumnStretch(1, 1);
    layout->addWidget(box);

    auto* buttons = new QHBoxLayout;
    m_findPath = new QPushButton(QStringLiteral("Find Path..."), this);
    buttons->addStretch();
    buttons->addWidget(m_findPath);
    layout->addLayout(buttons);
    layout->addStretch();
    connect(m_findPath, &QPushButton::clicked, this, &CPathsSetPage::OnFindPath);

}

void CPathsSetPage::load(const PreferenceValues& values) {
    m_edits[Explorer]->setText(qs(values.explorerPath));
    m_edits[Navigator]->setText(qs(values.netscapePath));
    m_edits[MailApp]->setText(qs(values.mailPath));
    m_edits[FtpApp]->setText(qs(values.ftpPath));
    m_edits[NewsReader]->setText(qs(values.newsPath));
    m_edits[AcrobatReader]->setText(qs(values.helpPath));
    m_edits[Telnet]->setText(qs(values.telnetPath));
    m_radios[Explorer]->setChecked(true);
}

void CPathsSetPage::store(PreferenceValues& values) const {
    values.explorerPath = ss(m_edits[Explorer]->text());
    values.netscapePath = ss(m_edits[Navigator]->text());
    values.mailPath = ss(m_edits[MailApp]->text());
    values.ftpPath = ss(m_edits[FtpApp]->text());
    values.newsPath = ss(m_edits[NewsReader]->text());
    values.helpPath = ss(m_edits[AcrobatReader]->text());
    values.telnetPath = ss(m_edits[Telnet]->text());
}

void CPathsSetPage::OnFindPath() {
    // Programs on this system rarely end in ".exe", so every file is offered first.
    const QString file = guiPrompter().openFileName(
        QStringLiteral("Find Internet Applications Paths"),
        {QStringLiteral("All Files (*)"), QStringLiteral("Executable Files (*.exe)")});
    const int row = m_group->checkedId();
    if (file.isEmpty() || row < 0) {
        return;
    }
    const QString path = QDir::toNativeSeparators(file);
    // The two browser paths are command lines; the others name a program only.
    m_edits[row]->setText(row == Explorer || row == Navigator ? asCommandLine(path) : path);
}

// --- Printing -------------------------------------------------------------------------------------

CPrintingPage::CPrintingPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("Set print preferences"), this);
    auto* boxLayout = new QVBoxLayout(box);
    m_printAtm = new QCheckBox(QStringLiteral("Print ATM / PIN codes"), box);
    m_printNotes = new QCheckBox(QStringLiteral("Print notes"), box);
    boxLayout->addWidget(m_printAtm);
    boxLayout->addWidget(m_printNotes);
    layout->addWidget(box);
    layout->addStretch();
}

void CPrintingPage::load(const PreferenceValues& values) {
    showSwitch(m_printAtm, values.printAtm);
    showSwitch(m_printNotes, values.printNotes);
}

void CPrintingPage::store(PreferenceValues& values) const {
    values.printAtm = switchOf(m_printAtm);
    values.printNotes = switchOf(m_printNotes);
}

// --- Passwords ------------------------------------------------------------------------------------

CPasswordsPage::CPasswordsPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* generated = new QGroupBox(QStringLiteral("Generated passwords"), this);
    auto* grid = new QGridLayout(generated);
    m_characters = new QRadioButton(QStringLiteral("&Characters:"), generated);
    m_length = new QSpinBox(generated);
    m_length->setRange(4, 128);
    m_length->setSuffix(QStringLiteral(" characters"));
    m_length->setAccessibleName(QStringLiteral("Length"));
    m_symbols = new QCheckBox(QStringLiteral("With &symbols"), generated);
    m_words = new QRadioButton(QStringLiteral("&Words:"), generated);
    m_wordCount = new QSpinBox(generated);
    m_wordCount->setRange(1, 20);
    m_wordCount->setSuffix(QStringLiteral(" words, joined by \"-\""));
    m_wordCount->setAccessibleName(QStringLiteral("Number of words"));
    grid->addWidget(m_characters, 0, 0);
    grid->addWidget(m_length, 0, 1);
    grid->addWidget(m_symbols, 0, 2);
    grid->addWidget(m_words, 1, 0);
    grid->addWidget(m_wordCount, 1, 1, 1, 2);
    grid->setColumnStretch(3, 1);
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(m_characters);
    kinds->addButton(m_words);
    connect(m_characters, &QRadioButton::toggled, this, &CPasswordsPage::enableChoices);
    layout->addWidget(generated);

    auto* locking = new QGroupBox(QStringLiteral("Locking"), this);
    auto* lockRow = new QHBoxLayout(locking);
    auto* lockLabel = new QLabel(QStringLiteral("&Lock encrypted documents after"), locking);
    m_lockAfter = new QSpinBox(locking);
    m_lockAfter->setRange(0, 24 * 60);
    lockLabel->setBuddy(m_lockAfter);
    lockRow->addWidget(lockLabel);
    lockRow->addWidget(m_lockAfter);
    lockRow->addWidget(new QLabel(QStringLiteral("minutes without use (0 = never)"), locking));
    lockRow->addStretch();
    layout->addWidget(locking);
    layout->addStretch();

    setTabOrder(m_characters, m_length);
    setTabOrder(m_length, m_symbols);
    setTabOrder(m_symbols, m_words);
    setTabOrder(m_words, m_wordCount);
    setTabOrder(m_wordCount, m_lockAfter);
}

void CPasswordsPage::load(const PreferenceValues& values) {
    (values.generatorUseWords == 1 ? m_words : m_characters)->setChecked(true);
    m_length->setValue(values.generatorLength);
    showSwitch(m_symbols, values.generatorSymbols);
    m_wordCount->setValue(values.generatorWords);
    m_lockAfter->setValue(values.lockAfterMinutes);
    enableChoices();
}

void CPasswordsPage::store(PreferenceValues& values) const {
    values.generatorUseWords = m_words->isChecked() ? 1 : 0;
    values.generatorLength = m_length->value();
    values.generatorSymbols = switchOf(m_symbols);
    values.generatorWords = m_wordCount->value();
    values.lockAfterMinutes = m_lockAfter->value();
}

void CPasswordsPage::enableChoices() {
    const bool characters = m_characters->isChecked();
    m_length->setEnabled(characters);
    m_symbols->setEnabled(characters);
    m_wordCount->setEnabled(!characters);
}

// --- The sheet ------------------------------------------------------------------------------------

CPrefPropertySheet::CPrefPropertySheet(const PreferenceValues& values, QWidget* parent)
    : QDialog(parent), m_values(values) {
    setWindowTitle(QStringLiteral("Preferences Settings"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_internet = new CInternetPage(m_tabs);
    m_startUp = new CStartUpPage(m_tabs);
    m_paths = new CPathsSetPage(m_tabs);
    m_printing = new CPrintingPage(m_tabs);
    m_passwords = new CPasswordsPage(m_tabs);
    m_secrets = new CSecretServicePage(m_tabs);
    m_tabs->addTab(m_internet, QStringLiteral("General Settings"));
    m_tabs->addTab(m_startUp, QStringLiteral("At Start Up"));
    m_tabs->addTab(m_paths, QStringLiteral("Paths Settings"));
    m_tabs->addTab(m_printing, QStringLiteral("Printing"));
    m_tabs->addTab(m_passwords, QStringLiteral("Passwords"));
    m_tabs->addTab(m_secrets, QStringLiteral("Secret Service"));
    layout->addWidget(m_tabs, 1);

    const OkCancelButtons buttons = addOkCancelRow(this, layout, QStringLiteral("OK"));
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_internet->load(values);
    m_startUp->load(values);
    m_paths->load(values);
    m_printing->load(values);
    m_passwords->load(values);
    m_secrets->load(values);

    connect(m_tabs, &QTabWidget::currentChanged, this, &CPrefPropertySheet::onPageChanged);
    m_tabs->setCurrentIndex(0);
    onPageChanged(0);
    m_tabs->setFocus();
}

PreferenceValues CPrefPropertySheet::values() const {
    PreferenceValues values = m_values;
    m_internet->store(values);
    m_startUp->store(values);
    m_paths->store(values);
    m_printing->store(values);
    m_passwords->store(values);
    m_secrets->store(values);
    return values;
}

void CPrefPropertySheet::onPageChanged(int index) {
    // Enter on the paths page looks for a path; elsewhere it is OK.
    const bool paths = m_tabs->widget(index) == m_paths;
    m_ok->setDefault(!paths);
    m_paths->findPathButton()->setDefault(paths);
}
