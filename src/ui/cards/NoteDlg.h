#pragma once
// "Note ": edits a card's note on its own, with the same check at OK as the card editor's note.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class CNoteDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNoteDlg(const QString& note, QWidget* parent = nullptr);

    QString note() const;

    QPlainTextEdit* noteEdit() const { return m_note; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    /// Closes only when the note can be stored in a card; otherwise says why.
    void accept() override;

private:
    QPlainTextEdit* m_note;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
