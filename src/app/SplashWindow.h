#pragma once
// The splash screen: a borderless picture over the main window for three seconds. The first key
// or mouse press anywhere in the program closes it and goes no further (a modal dialog still
// gets its key); a modal dialog that comes up closes it too, so the picture never hides a question.

#include <QTimer>
#include <QWidget>

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDuration = 3000;

    explicit SplashWindow(QWidget* owner);
    ~SplashWindow() override;

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPixmap m_picture;
    QTimer m_timer;
    QWidget* m_owner;
};
