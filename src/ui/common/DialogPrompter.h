#pragma once
// The prompter that shows real message boxes, dialogs and pop-up menus.

#include "ui/common/GuiPrompter.h"

class DialogPrompter : public GuiPrompter {
public:
    void message(const QString& text, const QString& caption, Icon icon) override;
    Answer question(const QString& text, bool withCancel, const QString& caption) override;
    QString openFileName(const QString& caption, const QStringList& nameFilters) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) override;
    int choose(const QString& text, const QStringList& buttons, int defaultButton, int escapeButton,
               const QString& caption) override;
    bool okCancel(const QString& text, const QString& caption, Icon icon) override;
    int exec(QDialog& dialog) override;
    void show(QDialog& dialog) override;
    void popupText(const QString& text, const QPoint& globalPos) override;
};
