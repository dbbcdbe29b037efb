#include "ui/common/DialogPrompter.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "ui/common/DocumentTypes.h"

namespace {

// A busy pointer set around work that asks a question (opening a document asks for its password)
// is lifted while the question is on show: the person is the one to act then. Put back after.
class IdlePointer {
public:
    IdlePointer() {
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            m_lifted.prepend(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~IdlePointer() {
        for (const QCursor& cursor : m_lifted) QGuiApplication::setOverrideCursor(cursor);
    }
    IdlePointer(const IdlePointer&) = delete;
    IdlePointer& operator=(const IdlePointer&) = delete;

private:
    QList<QCursor> m_lifted;
};

int runModal(QDialog& dialog) {
    IdlePointer idle;
    return dialog.exec();
}

QMessageBox::Icon boxIcon(DocPrompter::Icon icon) {
    switch (icon) {
        case DocPrompter::Icon::Information:
            return QMessageBox::Information;
        case DocPrompter::Icon::Warning:
            return QMessageBox::Warning;
        case DocPrompter::Icon::Critical:
            return QMessageBox::Critical;
        case DocPrompter::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void DialogPrompter::message(const QString& text, const QString& caption, Icon icon) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption);
    box.setText(text);
    box.setIcon(boxIcon(icon));
    box.setStandardButtons(QMessageBox::Ok);
    runModal(box);
}

bool DialogPrompter::okCancel(const QString& text, const QString& caption, Icon icon) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption);
    box.setText(text);
    box.setIcon(boxIcon(icon));
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return runModal(box) == QMessageBox::Ok;
}

GuiPrompter::Answer DialogPrompter::question(const QString& text, bool withCancel, const QString& caption) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(withCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                                      : QMessageBox::Yes | QMessageBox::No);
    switch (runModal(box)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return withCancel ? Answer::Cancel : Answer::No;
    }
}

int DialogPrompter::choose(const QString& text, const QStringList& buttons, int defaultButton, int escapeButton,
                           const QString& caption) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption.isEmpty() ? QString::fromUtf8(kAppTitle) : caption);
    box.setText(text);
    box.setIcon(QMessageBox::Warning);
    QList<QPushButton*> pushButtons;
    for (const QString& label : buttons) {
        pushButtons.append(box.addButton(label, QMessageBox::ActionRole));
    }
    if (defaultButton >= 0 && defaultButton < pushButtons.size()) {
        box.setDefaultButton(pushButtons.at(defaultButton));
    }
    if (escapeButton >= 0 && escapeButton < pushButtons.size()) {
        box.setEscapeButton(pushButtons.at(escapeButton));
    }
    runModal(box);
    const int pressed = static_cast<int>(pushButtons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    return pressed >= 0 ? pressed : escapeButton;
}

int DialogPrompter::exec(QDialog& dialog) { return runModal(dialog); }

void DialogPrompter::show(QDialog& dialog) {
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

QString DialogPrompter::openFileName(const QString& caption, const QStringList& nameFilters) {
    return QFileDialog::getOpenFileName(dialogParent(), caption, QString(), nameFilters.join(QStringLiteral(";;")));
}

QString DialogPrompter::saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) {
    return QFileDialog::getSaveFileName(dialogParent(), caption, suggested, nameFilters.join(QStringLiteral(";;")));
}

void DialogPrompter::popupText(const QString& text, const QPoint& globalPos) {
    QMenu menu(dialogParent());
    QString shown = text;
    shown.replace('&', QStringLiteral("&&"));
    QAction* item = menu.addAction(shown);
    item->setEnabled(false);
    menu.exec(globalPos);
}
