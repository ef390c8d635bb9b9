#include "helpkey.h"

#include "shell/platform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace help {

namespace {

// Sees every key press of the application and answers F1 for the keys that
// reach its own window, before the focused control can use them.
class F1Filter : public QObject {
public:
    F1Filter(QWidget* window, std::function<QString()> topic)
        : QObject(window)
        , m_window(window)
        , m_topic(std::move(topic))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != m_window)
            return false;
        if (!key->isAutoRepeat())
            platform().showHelp(m_topic());
        return true;
    }

private:
    QWidget* m_window;
    std::function<QString()> m_topic;
};

} // namespace

void installF1(QWidget* window, std::function<QString()> topic)
{
    new F1Filter(window, std::move(topic));
}

void installF1(QWidget* window, const QString& topic)
{
    installF1(window, [topic] { return topic; });
}

} // namespace help
