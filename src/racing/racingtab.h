#pragma once

#include <QString>
#include <QWidget>

class RacingContext;

// One tab page of the racing options window. The window's opening sequence
// calls into each tab in its own order; each tab owns its controls, its
// transfers and its help topic, and a tab that shows a table says where the
// table came from.
class RacingTab : public QWidget {
    Q_OBJECT
public:
    static inline const QString kNotLoaded = QStringLiteral("Nicht geladen");

    RacingTab(RacingContext& context, QWidget* parent = nullptr)
        : QWidget(parent)
        , m_context(context)
    {
    }

    virtual QString caption() const = 0;
    virtual QString helpTopic() const = 0;
    // Whether the tab has its page yet; a tab without one stays disabled.
    virtual bool hasPage() const { return true; }

    // The heading of the window's source label on this tab ("ZW-Tabelle:");
    // empty on tabs that show no table.
    virtual QString sourceHeading() const { return {}; }
    // Where the shown table came from: the unit or a file's full path.
    const QString& source() const { return m_source; }

signals:
    void sourceChanged(const QString& text);

protected:
    RacingContext& context() const { return m_context; }
    void setSource(const QString& text)
    {
        m_source = text;
        emit sourceChanged(text);
    }

private:
    RacingContext& m_context;
    QString m_source = kNotLoaded;
};
