#pragma once
// "Share with Programs": the attributes other programs find one of the person's own cards by (one
// NAME=VALUE a line). No lines: the card is not shared.

#include <QDialog>
#include <optional>

#include "secrets/ItemRecord.h"

class QPlainTextEdit;

class ShareWithProgramsDlg : public QDialog {
    Q_OBJECT
public:
    ShareWithProgramsDlg(const QString& cardName, const secrets::Attributes& attributes, QWidget* parent = nullptr);

    QPlainTextEdit* attributesEdit() const { return m_attributes; }
    /// The attributes typed; nothing (and `badLine` set) when a line is not NAME=VALUE.
    std::optional<secrets::Attributes> attributes(QString* badLine) const;

private:
    QPlainTextEdit* m_attributes;
};

/// The Share with Programs command: its enable rule and handler.
class CMainFrame;
void installShareWithPrograms(CMainFrame& frame);
