#pragma once
// The small button beside a masked password field: it shows what was typed as the one disabled
// item of a pop-up menu, so the field itself never has to be unmasked.

#include <QToolButton>

class QLineEdit;

class RevealButton : public QToolButton {
    Q_OBJECT
public:
    RevealButton(QLineEdit* field, QWidget* parent = nullptr);

    /// Where the menu opens: 5 pixels right of the button's right edge, level with its bottom edge.
    QPoint popupPosition() const;

    /// The item shown while the field is empty (by default the empty text itself).
    void setEmptyText(const QString& text) { m_emptyText = text; }

private:
    QLineEdit* m_field;
    QString m_emptyText;
};
