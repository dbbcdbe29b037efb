#pragma once
// The "Export Cards" dialog: which form the exported file takes.

#include <QDialog>

#include "exchange/ExchangeLayouts.h"

class QComboBox;

class CExportDlg : public QDialog {
    Q_OBJECT
public:
    /// The forms offered, in the order the list shows them.
    struct Choice {
        ExchangeFormat format;
        CsvLayout layout;
        const char* text;
    };
    static const std::vector<Choice>& choices();

    explicit CExportDlg(QWidget* parent = nullptr);

    const Choice& choice() const;
    QComboBox* formatBox() const { return m_format; }

private:
    QComboBox* m_format;
};
