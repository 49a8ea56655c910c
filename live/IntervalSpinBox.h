// Live: the spin box of the logging interval. A whole number typed outside
// the range is accepted while typing and brought to the nearest bound when
// the text is taken (focus loss, Return); text that is no whole number
// counts as the minimum.
#pragma once

#include <QSpinBox>

class IntervalSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit IntervalSpinBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};
