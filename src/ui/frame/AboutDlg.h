#pragma once
// The About box: program icon, credits and version, the home page button, the e-mail address and the
// licence. What the home page button does is connected by whoever shows the box (the browser commands
// open the page).

#include <QDialog>

class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QPushButton* homePageButton() const { return m_homePage; }

private:
    QPushButton* m_homePage;
};
