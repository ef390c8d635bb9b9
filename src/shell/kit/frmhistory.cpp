#include "frmhistory.h"

#include "shell/platform.h"
#include "shell/session.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

FrmHistory::FrmHistory(const QList<UnitHistory::Version>& versions, QWidget* parent)
    : QDialog(parent)
    , m_versions(versions)
{
    setObjectName(QStringLiteral("FrmHistory"));
    setWindowTitle(kCaption);
    setModal(true);

    lstVersions = new QListWidget(this);
    lstVersions->setObjectName(QStringLiteral("lstVersions"));
    for (const UnitHistory::Version& v : m_versions)
        lstVersions->addItem(history::stampText(v.at) + QStringLiteral("   ") + v.source);
    lstVersions->setCurrentRow(0);
    lstVersions->setMinimumWidth(
        std::max(420, lstVersions->sizeHintForColumn(0) + 2 * lstVersions->frameWidth() + 24));

    cmdLoad = new QPushButton(QStringLiteral("&Laden"), this);
    cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    cmdLoad->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    connect(cmdLoad, &QPushButton::clicked, this, &FrmHistory::loadChosen);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Return reaches the default button; a double click loads as well.
    connect(lstVersions, &QListWidget::itemDoubleClicked, this, &FrmHistory::loadChosen);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdLoad);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstVersions);
    layout->addLayout(buttons);
    lstVersions->setFocus();
}

void FrmHistory::loadChosen()
{
    const int row = lstVersions->currentRow();
    if (row < 0 || row >= m_versions.size())
        return;
    m_chosen = m_versions[row];
    accept();
}

namespace history {

QString stampText(const QDateTime& at)
{
    const QLocale locale;
    // The short regional forms, with the full year and the seconds.
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QStringLiteral("yyyy")))
        date.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    QString time = locale.timeFormat(QLocale::ShortFormat);
    if (!time.contains(QLatin1Char('s'))) {
        const qsizetype minutes = time.lastIndexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            time.insert(minutes + 2, QStringLiteral(":ss"));
    }
    return locale.toString(at, date + QLatin1Char(' ') + time);
}

QString sourceText(const UnitHistory::Version& version)
{
    return QStringLiteral("Verlauf ") + stampText(version.at);
}

std::optional<UnitHistory::Version> chooseVersion(QWidget* parent, UnitHistory& history, UnitHistory::Kind kind)
{
    const QList<UnitHistory::Version> versions = history.versions(kind);
    if (versions.isEmpty()) {
        platform().messageBox(parent, kAppTitle, kEmpty, Platform::Icon::None);
        return std::nullopt;
    }
    FrmHistory dialog(versions, parent);
    dialog.exec();
    return dialog.chosen();
}

std::optional<Picked> pick(QWidget* parent, UnitHistory& history, UnitHistory::Kind kind)
{
    const std::optional<UnitHistory::Version> version = chooseVersion(parent, history, kind);
    if (!version)
        return std::nullopt;
    const std::optional<QByteArray> bytes = history.load(*version);
    if (!bytes) {
        platform().messageBox(parent, kAppTitle, kUnreadable, Platform::Icon::Critical);
        return std::nullopt;
    }
    return Picked { *version, *bytes };
}

bool pickInto(QWidget* parent, UnitHistory& history, UnitHistory::Kind kind, const QString& blockName,
    const QList<ParameterBlock::Field>& fields)
{
    const std::optional<Picked> picked = pick(parent, history, kind);
    if (!picked)
        return false;
    const std::optional<ParameterBlock> block = ParameterBlock::fromText(picked->bytes);
    if (!block || block->name != blockName || !block->takeInto(fields)) {
        platform().messageBox(parent, kAppTitle, kUnreadable, Platform::Icon::Critical);
        return false;
    }
    return true;
}

void keepBlock(
    Session& session, UnitHistory::Kind kind, const QString& blockName, const QList<ParameterBlock::Field>& fields)
{
    keep(session, kind, ParameterBlock::of(blockName, fields).toText(), QStringLiteral("txt"));
}

void keep(Session& session, UnitHistory::Kind kind, const QByteArray& bytes, const QString& extension,
    const QString& source)
{
    session.history().store(kind, bytes, extension, source, platform().now());
}

} // namespace history
