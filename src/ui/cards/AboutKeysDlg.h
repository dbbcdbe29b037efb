#pragma once
// "About Keys": how key length relates to the time a brute-force attack takes.

#include <QDialog>

class AboutKeysDlg : public QDialog {
    Q_OBJECT
public:
    explicit AboutKeysDlg(QWidget* parent = nullptr);

    /// The lines of the information group, top to bottom.
    static QStringList lines();
};
