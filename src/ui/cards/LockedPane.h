#pragma once
// What a card window shows while its document is locked: no card, only how to unlock it. A key
// press or a click in it asks for the password.

#include <QWidget>

class QLabel;

class LockedPane : public QWidget {
    Q_OBJECT
public:
    explicit LockedPane(QWidget* parent = nullptr);
    void setDocumentName(const QString& name);

signals:
    void unlockRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_text;
};
