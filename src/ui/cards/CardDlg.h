#pragma once
// "Add New Card" / "Edit Card": the card editor. It edits a copy of the card's texts; the caller
// reads data() after OK. At OK every text is checked against what a card can store.

#include <QDialog>
#include <QString>
#include <array>

#include "crypto/PasswordGenerator.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class RevealButton;
class StrengthLabel;

struct CardDlgData {
    QString firstField = QStringLiteral("Untitled");
    QString secondField, thirdField, fourthField, note;
    QString category;               // display name shown right of "Selected Category:"
    std::array<QString, 4> labels;  // the category's four field labels
    bool newBrowserWindow = false, automaticAccess = false;
    bool editMode = false;           // editing an existing card
    bool attributesEnabled = false;  // enables both attribute check boxes
    bool maskPassword = true;        // the fourth field shows '*'
    PasswordRecipe generator;        // what Generate puts into the fourth field
};

class CCardDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCardDlg(const CardDlgData& data, QWidget* parent = nullptr);

    /// The data the dialog opened with, the texts and check boxes as they are now.
    CardDlgData data() const;

    /// True for the categories whose second field is a URL that may be long.
    static bool categoryHasUrl(const QString& category);

    QLabel* categoryLabel() const { return m_category; }
    QLabel* fieldLabel(int i) const { return m_labels.at(i); }
    QLineEdit* field(int i) const { return m_fields.at(i); }
    QPlainTextEdit* noteEdit() const { return m_note; }
    QCheckBox* newBrowserWindowBox() const { return m_newBrowserWindow; }
    QCheckBox* automaticAccessBox() const { return m_automaticAccess; }
    QToolButton* editUrlButton() const { return m_editUrl; }
    RevealButton* showPasswordButton() const { return m_showPassword; }
    QPushButton* generateButton() const { return m_generate; }
    StrengthLabel* strengthLabel() const { return m_strength; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    /// Closes only when all five texts can be stored; otherwise says why and focuses the field.
    void accept() override;

private:
    void editUrl();
    /// Fills the fourth field with a new password made by the recipe.
    void generate();

    CardDlgData m_data;
    QLabel* m_category;
    std::array<QLabel*, 4> m_labels{};
    std::array<QLineEdit*, 4> m_fields{};
    QPlainTextEdit* m_note;
    QCheckBox* m_newBrowserWindow;
    QCheckBox* m_automaticAccess;
    QToolButton* m_editUrl;
    RevealButton* m_showPassword;
    QPushButton* m_generate;
    StrengthLabel* m_strength;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
