#include "ui/DialogPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

#include "app/AboutDlg.h"
#include "ui/DecryptPasswordDlg.h"
#include "ui/DocumentTypes.h"
#include "ui/FileEncryptionDlg.h"
#include "ui/MainFrame.h"

QWidget* DialogPrompter::parentWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return GetMainFrame() ? static_cast<QWidget*>(GetMainFrame()) : QApplication::activeWindow();
}

void DialogPrompter::message(const QString& text, const QString& caption, Icon icon) {
    QMessageBox box(parentWindow());
    box.setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption);
    box.setText(text);
    switch (icon) {
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case Icon::None:
            break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

GuiPrompter::Answer DialogPrompter::question(const QString& text, bool withCancel, const QString& caption) {
    QMessageBox box(parentWindow());
    box.setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(withCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                                      : QMessageBox::Yes | QMessageBox::No);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return withCancel ? Answer::Cancel : Answer::No;
    }
}

std::optional<QString> DialogPrompter::decryptionPassword(const QString& title) {
    DecryptPasswordDlg dlg(title, parentWindow());
    if (dlg.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dlg.password();
}

std::optional<FileEncryptionInput> DialogPrompter::fileEncryption(const FileEncryptionInput& initial) {
    FileEncryptionDlg dlg(initial, parentWindow());
    if (dlg.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dlg.input();
}

QString DialogPrompter::openFileName(const QString& caption, const QStringList& nameFilters) {
    return QFileDialog::getOpenFileName(parentWindow(), caption, QString(), nameFilters.join(QStringLiteral(";;")));
}

QString DialogPrompter::saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) {
    return QFileDialog::getSaveFileName(parentWindow(), caption, suggested, nameFilters.join(QStringLiteral(";;")));
}

void DialogPrompter::popupText(const QString& text, const QPoint& globalPos) {
    QMenu menu(parentWindow());
    QString shown = text;
    shown.replace('&', QStringLiteral("&&"));
    QAction* item = menu.addAction(shown);
    item->setEnabled(false);
    menu.exec(globalPos);
}

void DialogPrompter::aboutBox() {
    CAboutDlg dlg(parentWindow());
    dlg.exec();
}
