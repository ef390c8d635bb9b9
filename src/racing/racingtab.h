#pragma once

#include <QString>
#include <QWidget>

class RacingContext;

// One tab page of the racing options window. The window's opening sequence
// calls into each tab in its own order; each tab owns its controls, its
// transfers and its help topic.
class RacingTab : public QWidget {
    Q_OBJECT
public:
    RacingTab(RacingContext& context, QWidget* parent = nullptr)
        : QWidget(parent)
        , m_context(context)
    {
    }

    virtual QString caption() const = 0;
    virtual QString helpTopic() const = 0;

protected:
    RacingContext& context() const { return m_context; }

private:
    RacingContext& m_context;
};
