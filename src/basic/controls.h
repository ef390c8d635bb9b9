#pragma once

#include <QSpinBox>
#include <QString>

#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QLineEdit;
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

// Building a page of named controls.
namespace form {

// The object name a test or the help finds the control by.
template <typename W> W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}
template <typename W> W* named(W* widget, const char* name)
{
    return named(widget, QString::fromLatin1(name));
}

// The box beside an up-down that shows its value in units: read-only,
// skipped by Tab, wide enough for `widest`.
QLineEdit* displayBox(QWidget* parent, const QString& name, const QString& widest);

// The value, its arrows and its unit sit together, as one control.
QHBoxLayout* valueRow(QLineEdit* value, QSpinBox* arrows, QLabel* unit = nullptr);

} // namespace form
