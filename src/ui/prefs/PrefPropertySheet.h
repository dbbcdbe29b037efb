#pragma once
// "Preferences Settings": the tabbed sheet of the Preferences command, with the pages "General
// Settings", "At Start Up", "Paths Settings", "Printing" and "Passwords" in that order. It opens with the
// values it is given and hands back what the controls hold; writing them is the caller's.

#include <QDialog>
#include <array>

#include "prefs/PreferenceValues.h"

class IntervalSpinBox;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

class CInternetPage : public QWidget {
    Q_OBJECT
public:
    explicit CInternetPage(QWidget* parent = nullptr);
    void load(const PreferenceValues& values);
    void store(PreferenceValues& values) const;

    QRadioButton* netscapeRadio() const { return m_netscape; }
    QRadioButton* explorerRadio() const { return m_explorer; }
    QCheckBox* automaticSaveCheck() const { return m_automaticSave; }
    IntervalSpinBox* intervalSpin() const { return m_interval; }
    QListWidget* dateFormatList() const { return m_dateFormats; }
    QSpinBox* clearClipboardSpin() const { return m_clearClipboard; }

private:
    void enableInterval();

    QButtonGroup* m_browser;
    QRadioButton* m_netscape;
    QRadioButton* m_explorer;
    QCheckBox* m_automaticSave;
    IntervalSpinBox* m_interval;
    QListWidget* m_dateFormats;
    QSpinBox* m_clearClipboard;
    int m_dateFormat = 0;  // taken from the list only when its selection changes
    int m_browserChoice = 1;  // kept as stored while neither button is chosen
};

class CStartUpPage : public QWidget {
    Q_OBJECT
public:
    explicit CStartUpPage(QWidget* parent = nullptr);
    void load(const PreferenceValues& values);
    void store(PreferenceValues& values) const;

    QCheckBox* checkOpenFiles() const { return m_checkOpenFiles; }
    QCheckBox* launchBrowser() const { return m_browser; }
    QCheckBox* launchFtp() const { return m_ftp; }
    QCheckBox* launchEmail() const { return m_email; }
    QCheckBox* launchTelnet() const { return m_telnet; }
    QCheckBox* launchNews() const { return m_news; }

private:
    QCheckBox* m_checkOpenFiles;
    QCheckBox* m_browser;
    QCheckBox* m_ftp;
    QCheckBox* m_email;
    QCheckBox* m_telnet;
    QCheckBox* m_news;
};

class CPathsSetPage : public QWidget {
    Q_OBJECT
public:
    /// The seven paths in the order of the page's rows.
    enum Row { Explorer, Navigator, MailApp, FtpApp, NewsReader, AcrobatReader, Telnet, RowCount };

    explicit CPathsSetPage(QWidget* parent = nullptr);
    void load(const PreferenceValues& values);
    void store(PreferenceValues& values) const;

    QRadioButton* radio(Row row) const { return m_radios[row]; }
    QLineEdit* edit(Row row) const { return m_edits[row]; }
    QPushButton* findPathButton() const { return m_findPath; }
    /// "Find Path...": the chosen file goes into the path of the selected row.
    void OnFindPath();

private:
    std::array<QRadioButton*, RowCount> m_radios{};
    std::array<QLineEdit*, RowCount> m_edits{};
    QButtonGroup* m_group;
    QPushButton* m_findPath;
};

class CPrintingPage : public QWidget {
    Q_OBJECT
public:
    explicit CPrintingPage(QWidget* parent = nullptr);
    void load(const PreferenceValues& values);
    void store(PreferenceValues& values) const;

    QCheckBox* printAtm() const { return m_printAtm; }
    QCheckBox* printNotes() const { return m_printNotes; }

private:
    QCheckBox* m_printAtm;
    QCheckBox* m_printNotes;
};

/// "Passwords": what Generate in the card editor makes, and when an encrypted document locks.
class CPasswordsPage : public QWidget {
    Q_OBJECT
public:
    explicit CPasswordsPage(QWidget* parent = nullptr);
    void load(const PreferenceValues& values);
    void store(PreferenceValues& values) const;

    QRadioButton* charactersRadio() const { return m_characters; }
    QRadioButton* wordsRadio() const { return m_words; }
    QSpinBox* lengthSpin() const { return m_length; }
    QCheckBox* symbolsCheck() const { return m_symbols; }
    QSpinBox* wordCountSpin() const { return m_wordCount; }
    QSpinBox* lockAfterSpin() const { return m_lockAfter; }

private:
    void enableChoices();

    QRadioButton* m_characters;
    QRadioButton* m_words;
    QSpinBox* m_length;
    QCheckBox* m_symbols;
    QSpinBox* m_wordCount;
    QSpinBox* m_lockAfter;
};

class CSecretServicePage;

class CPrefPropertySheet : public QDialog {
    Q_OBJECT
public:
    explicit CPrefPropertySheet(const PreferenceValues& values, QWidget* parent = nullptr);

    /// What the pages' controls hold now (the values it opened with where a control shows none).
    PreferenceValues values() const;

    QTabWidget* tabs() const { return m_tabs; }
    CInternetPage* internetPage() const { return m_internet; }
    CStartUpPage* startUpPage() const { return m_startUp; }
    CPathsSetPage* pathsPage() const { return m_paths; }
    CPrintingPage* printingPage() const { return m_printing; }
    CPasswordsPage* passwordsPage() const { return m_passwords; }
    CSecretServicePage* secretServicePage() const { return m_secrets; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void onPageChanged(int index);

    PreferenceValues m_values;
    QTabWidget* m_tabs;
    CInternetPage* m_internet;
    CStartUpPage* m_startUp;
    CPathsSetPage* m_paths;
    CPrintingPage* m_printing;
    CPasswordsPage* m_passwords;
    CSecretServicePage* m_secrets;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
