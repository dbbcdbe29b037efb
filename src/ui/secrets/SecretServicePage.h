#pragma once
// The preference page "Secret Service": whether other programs get their passwords from the open
// encrypted documents, the category their items are filed in, and the document "default" names.

#include <QWidget>

#include "prefs/PreferenceValues.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CSecretServicePage : public QWidget {
    Q_OBJECT
public:
    explicit CSecretServicePage(QWidget* parent = nullptr);
    void load(const PreferenceValues& values);
    void store(PreferenceValues& values) const;

    QCheckBox* provideCheck() const { return m_provide; }
    QComboBox* categoryCombo() const { return m_category; }
    QLineEdit* defaultEdit() const { return m_default; }
    /// Who else provides the passwords now (empty when nobody else does).
    QLabel* ownerLabel() const { return m_owner; }

private:
    void enableChoices();

    QCheckBox* m_provide;
    QComboBox* m_category;
    QLineEdit* m_default;
    QLabel* m_owner;
};
