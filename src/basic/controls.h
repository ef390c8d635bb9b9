#pragma once

#include <QSpinBox>

#include <initializer_list>

class QPushButton;

// An up-down control without a text of its own: its buddy field shows the
// value the control stands for, converted. The control's raw value is what
// goes to the unit; its arrows and keys move the shown value, so when the
// shown value falls as the raw value rises, every step is turned round.
class BuddyUpDown : public QSpinBox {
    Q_OBJECT
public:
    enum class Shown { RisesWithValue, FallsWithValue };

    explicit BuddyUpDown(Shown shown, QWidget* parent = nullptr);

    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    StepEnabled stepEnabled() const override;
    QString textFromValue(int value) const override;

private:
    Shown m_shown;
};

namespace buttonkeys {

// Return and Enter on one of these buttons, while it has the focus, press it.
// None of them becomes a default button, so Return elsewhere in the window
// presses nothing.
void pressOnReturn(std::initializer_list<QPushButton*> buttons);

} // namespace buttonkeys
