#include "ui/prefs/IntervalSpinBox.h"

#include <QLineEdit>
#include <algorithm>

#include "prefs/AutoSave.h"

IntervalSpinBox::IntervalSpinBox(int minimum, int maximum, QWidget* parent)
    : QAbstractSpinBox(parent), m_minimum(minimum), m_maximum(maximum) {
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(false);
}

QString IntervalSpinBox::text() const { return lineEdit()->text(); }

void IntervalSpinBox::setText(const QString& text) {
    lineEdit()->setText(text);
    update();
}

int IntervalSpinBox::position() const {
    return std::clamp(AutoSave::thresholdFromText(text().toStdString()), m_minimum, m_maximum);
}

void IntervalSpinBox::stepBy(int steps) {
    setText(QString::number(std::clamp(position() + steps, m_minimum, m_maximum)));
    lineEdit()->selectAll();
}

QValidator::State IntervalSpinBox::validate(QString&, int&) const { return QValidator::Acceptable; }

QSize IntervalSpinBox::sizeHint() const {
    QSize size = QAbstractSpinBox::sizeHint();
    size.setWidth(std::max(size.width(), fontMetrics().horizontalAdvance(QStringLiteral("0000")) * 3));
    return size;
}

QAbstractSpinBox::StepEnabled IntervalSpinBox::stepEnabled() const {
    if (!isEnabled()) {
        return StepNone;
    }
    StepEnabled enabled = StepNone;
    if (position() > m_minimum) {
        enabled |= StepDownEnabled;
    }
    if (position() < m_maximum) {
        enabled |= StepUpEnabled;
    }
    return enabled;
}
