#pragma once
// "Edit URL": a roomy editor for a URL too long to read in the card editor's one-line field.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class CEditUrlDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEditUrlDlg(const QString& url, QWidget* parent = nullptr);

    QString url() const;

    QPlainTextEdit* urlEdit() const { return m_url; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPlainTextEdit* m_url;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
