#pragma once

#include "core/unithistory.h"

#include <QDialog>

#include <optional>

class QListWidget;
class QPushButton;
class Session;

// The stored versions of one kind, newest first, with time and source; the
// user picks one to load. Return loads, Escape cancels.
class FrmHistory : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Verlauf");

    FrmHistory(const QList<UnitHistory::Version>& versions, QWidget* parent = nullptr);

    // The version the user loaded; nothing after a cancel.
    std::optional<UnitHistory::Version> chosen() const { return m_chosen; }

private:
    void loadChosen();

    QList<UnitHistory::Version> m_versions;
    std::optional<UnitHistory::Version> m_chosen;
    QListWidget* lstVersions = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* cmdCancel = nullptr;
};

namespace history {

inline const QString kEmpty = QStringLiteral("Für dieses Steuergerät ist noch keine Version gespeichert.");
inline const QString kUnreadable
    = QStringLiteral("Die gespeicherte Version kann nicht gelesen werden oder ist beschädigt.");

// A version's time in the regional format, with seconds.
QString stampText(const QDateTime& at);
// The source label of a tab that shows a version: "Verlauf 08.12.2026 23:15:00".
QString sourceText(const UnitHistory::Version& version);

// The user's pick among the stored versions of `kind`; an empty history
// shows a plain box instead. Nothing when there is none or the user cancels.
std::optional<UnitHistory::Version> chooseVersion(QWidget* parent, UnitHistory& history, UnitHistory::Kind kind);

// The picked version's bytes; a version that cannot be read gets its box.
struct Picked {
    UnitHistory::Version version;
    QByteArray bytes;
};
std::optional<Picked> pick(QWidget* parent, UnitHistory& history, UnitHistory::Kind kind);

// A stored parameter block of the tab's name into `fields`, all or nothing;
// a version that does not fit gets its box. True when the fields took it.
bool pickInto(QWidget* parent, UnitHistory& history, UnitHistory::Kind kind, const QString& blockName,
    const QList<ParameterBlock::Field>& fields);

// Keeps a version of the connected unit at the platform's time; silent.
void keep(Session& session, UnitHistory::Kind kind, const QByteArray& bytes, const QString& extension,
    const QString& source = UnitHistory::kFromUnit);

// Keeps the tab's parameter block as a version read from the unit.
void keepBlock(Session& session, UnitHistory::Kind kind, const QString& blockName,
    const QList<ParameterBlock::Field>& fields);

} // namespace history
