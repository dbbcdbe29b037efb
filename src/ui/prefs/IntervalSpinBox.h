#pragma once
// The automatic-save interval: a text box with spin arrows. The text may hold anything the person
// types; the arrows (and the arrow keys) step the number it starts with within a range and write
// it back as the text.

#include <QAbstractSpinBox>

class IntervalSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    IntervalSpinBox(int minimum, int maximum, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    /// The number the text starts with (none: 0), held within the range.
    int position() const;
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_minimum;
    int m_maximum;
};
