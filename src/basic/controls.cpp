#include "controls.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

BuddyUpDown::BuddyUpDown(Shown shown, QWidget* parent)
    : QSpinBox(parent)
    , m_shown(shown)
{
    // Only the arrows show; a typed number would bypass the buddy's units.
    lineEdit()->setReadOnly(true);
    lineEdit()->setVisible(false);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void BuddyUpDown::stepBy(int steps)
{
    QSpinBox::stepBy(m_shown == Shown::FallsWithValue ? -steps : steps);
}

QAbstractSpinBox::StepEnabled BuddyUpDown::stepEnabled() const
{
    const StepEnabled raw = QSpinBox::stepEnabled();
    if (m_shown == Shown::RisesWithValue)
        return raw;
    StepEnabled turned = StepNone;
    if (raw & StepUpEnabled)
        turned |= StepDownEnabled;
    if (raw & StepDownEnabled)
        turned |= StepUpEnabled;
    return turned;
}

QString BuddyUpDown::textFromValue(int) const
{
    return {};
}

QSize BuddyUpDown::sizeHint() const
{
    const QSize base = QSpinBox::sizeHint();
    return { style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 4, base.height() };
}

namespace buttonkeys {

namespace {

class ReturnPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // One press, one click, as with the space bar.
        auto* button = static_cast<QPushButton*>(target);
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

} // namespace

void pressOnReturn(std::initializer_list<QPushButton*> buttons)
{
    for (QPushButton* b : buttons) {
        b->setAutoDefault(false);
        b->setDefault(false);
        b->installEventFilter(new ReturnPresses(b));
    }
}

} // namespace buttonkeys

namespace form {

QLineEdit* displayBox(QWidget* parent, const QString& name, const QString& widest)
{
    auto* e = named(new QLineEdit(parent), name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance(widest) + 16);
    return e;
}

QHBoxLayout* valueRow(QLineEdit* value, QSpinBox* arrows, QLabel* unit)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addWidget(value);
    row->addWidget(arrows);
    if (unit) {
        row->addSpacing(4);
        row->addWidget(unit);
    }
    row->addStretch();
    return row;
}

} // namespace form
