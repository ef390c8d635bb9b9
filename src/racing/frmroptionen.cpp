#include "frmroptionen.h"

#include "core/gates.h"
#include "racing/choketab.h"
#include "racing/extrastab.h"
#include "racing/ignitiontab.h"
#include "racing/injectiontab.h"
#include "racing/loadchangetab.h"
#include "racing/switchingtab.h"
#include "shell/kit/boxes.h"
#include "shell/kit/transferscope.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

FrmROptionen::FrmROptionen(Session& session, QWidget* parent)
    : UnitDialog(
        session, LinkPolicy::racingOptions(), kWatchdogInterval, [this] { return helpTopic(); }, parent)
    , m_context(session, channel(), this)
{
    setWindowTitle(kCaption);
    setOpensBeforeShown(true);
    m_context.setActionRunner([this](const std::function<void()>& action) { runAction(action); });
    buildUi();
}

FrmROptionen::~FrmROptionen() = default;

void FrmROptionen::buildUi()
{
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    m_ignition = new IgnitionTab(m_context, SSTab1);
    m_switching = new SwitchingTab(m_context, SSTab1);
    m_injection = new InjectionTab(m_context, SSTab1);
    m_extras = new ExtrasTab(m_context, SSTab1);
    m_choke = new ChokeTab(m_context, SSTab1);
    m_loadChange = new LoadChangeTab(m_context, SSTab1);
    for (int i = 0; i < TabCount; ++i) {
        RacingTab* page = tab(i);
        SSTab1->addTab(page, page->caption());
        SSTab1->setTabEnabled(i, page->hasPage());
        connect(page, &RacingTab::sourceChanged, this, [this, i](const QString& text) {
            if (SSTab1->currentIndex() == i)
                lbl_TabQuelle->setText(text);
        });
    }
    connect(SSTab1, &QTabWidget::currentChanged, this, &FrmROptionen::showSource);
    connect(m_extras, &ExtrasTab::leadAngleWritten, m_ignition, &IgnitionTab::showLimits);

    cmdExit = new QPushButton(QStringLiteral("&Fertig"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setToolTip(QStringLiteral("Der Dialog wird ohne erneutes Speichern von Einstellungen verlassen"));
    cmdExit->setAutoDefault(false);
    connect(cmdExit, &QPushButton::clicked, this, [this] { runAction([this] { exitWindow(); }); });

    stbAction = new QLabel(this);
    stbAction->setObjectName(QStringLiteral("stbAction"));
    stbAction->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    pgBComPos = new QProgressBar(this);
    pgBComPos->setObjectName(QStringLiteral("pgBComPos"));
    pgBComPos->setRange(RacingContext::kProgressMin, RacingContext::kProgressMax);
    pgBComPos->setValue(RacingContext::kProgressMin);
    pgBComPos->setTextVisible(false);
    txtTSLabel = new QLabel(QStringLiteral("ZW-Tabelle:"), this);
    txtTSLabel->setObjectName(QStringLiteral("txtTSLabel"));
    lbl_TabQuelle = new QLabel(this);
    lbl_TabQuelle->setObjectName(QStringLiteral("lbl_TabQuelle"));
    lbl_TabQuelle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_context.setControls(stbAction, pgBComPos, { SSTab1, cmdExit });

    auto* source = new QHBoxLayout;
    source->addWidget(txtTSLabel);
    source->addWidget(lbl_TabQuelle, 1);
    source->addWidget(cmdExit);
    auto* status = new QHBoxLayout;
    status->addWidget(stbAction, 1);
    status->addWidget(pgBComPos, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1, 1);
    layout->addLayout(source);
    layout->addLayout(status);

    installTabKeys();
    resize(1000, 680);
}

// Ctrl+Tab and Ctrl+PageDown change tabs wherever the focus is.
void FrmROptionen::installTabKeys()
{
    const auto step = [this](int direction) {
        if (!SSTab1->isEnabled())
            return;
        for (int n = 1; n < TabCount; ++n) {
            const int next = (SSTab1->currentIndex() + direction * n + TabCount) % TabCount;
            if (SSTab1->isTabEnabled(next)) {
                SSTab1->setCurrentIndex(next);
                return;
            }
        }
    };
    for (const QKeySequence& key :
        { QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown) })
        connect(new QShortcut(key, this), &QShortcut::activated, this, [step] { step(1); });
    for (const QKeySequence& key :
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp) })
        connect(new QShortcut(key, this), &QShortcut::activated, this, [step] { step(-1); });
}

RacingTab* FrmROptionen::tab(int index) const
{
    const std::array<RacingTab*, TabCount> tabs
        = { m_ignition, m_switching, m_injection, m_extras, m_choke, m_loadChange };
    return tabs[index];
}

// Which tabs a unit is offered; the rest are disabled as the window opens.
void FrmROptionen::offerTabs()
{
    struct Offer {
        Tab tab;
        bool (*offered)(const UnitIdentity&);
    };
    static constexpr Offer kOffers[] = {
        { Injection, gates::injectionTabs },
        { Extras, gates::additionalFunctionsTab },
        { Choke, gates::injectionTabs },
        { LoadChange, gates::loadChangeTab },
    };
    for (const Offer& offer : kOffers) {
        m_available[offer.tab] = offer.offered(m_context.unit());
        SSTab1->setTabEnabled(offer.tab, m_available[offer.tab] && tab(offer.tab)->hasPage());
    }
}

QString FrmROptionen::helpTopic() const
{
    return tab(SSTab1->currentIndex())->helpTopic();
}

// Form_Load
void FrmROptionen::load()
{
    prepare();
    if (!carryOn(m_switching->readSwitching()))
        return;
    m_injection->setMapSelectionOffered(m_switching->mapSelectionOffered());
    m_context.setProgress(RacingContext::kProgressMin);
    if (!capabilities())
        return;
    // The load-change reads move the bar; like every transfer, the opening
    // leaves it at rest.
    m_context.setProgress(RacingContext::kProgressMin);
    // Tab 0 is shown already: the source label keeps "Nicht geladen!" until
    // the tab changes or a table is read or loaded.
    SSTab1->setCurrentIndex(Ignition);
    offerJournals();
    m_opened = true;
}

// What the window sets up before its first read: nothing is sent yet.
void FrmROptionen::prepare()
{
    session().link().resetTimeout();
    m_ignition->showLimits();
    m_ignition->setUpGrid();
    lbl_TabQuelle->setText(QStringLiteral("Nicht geladen!"));
    m_ignition->setUpChart();
}

bool FrmROptionen::carryOn(bool read)
{
    if (!read || m_context.lost()) {
        closeIfLost();
        return false;
    }
    return true;
}

// What the unit offers, in the order the unit is read. Each tab's opening
// read knows its own firmware condition and disables what the unit lacks;
// the window adds its notices and the tabs it leaves out.
bool FrmROptionen::capabilities()
{
    const UnitIdentity& unit = m_context.unit();
    offsetSwitchRows();
    offerTabs();
    if (!gates::racingDwellRow(unit))
        boxes::notice(session(), this, kDwellNotice);
    if (!carryOn(m_extras->readDwellStart()))
        return false;
    if (!gates::injectionTabs(unit))
        boxes::notice(session(), this, kInjectionNotice);
    return carryOn(m_switching->readInput2Enrichment()) && carryOn(m_loadChange->readFirstParameters())
        && carryOn(m_extras->readPumpTime()) && carryOn(m_extras->readCoilLoadTime())
        && carryOn(m_choke->readOnOpening()) && carryOn(m_extras->readAirMassSettings())
        && carryOn(m_loadChange->readOnOpening()) && hotStartRow() && carryOn(m_extras->readCoilAndLeadAngle());
}

void FrmROptionen::offsetSwitchRows()
{
    if (gates::input1FrameIsSwitchInput3(m_context.unit()))
        m_switching->showInput1AsSwitchInput3();
    if (!gates::ignitionOffsetSwitch(m_context.unit())) {
        m_switching->disableOffsetSwitch();
        boxes::notice(session(), this, kOffsetNotice);
    }
}

// The tab's read button reads the hot-start values on every unit; only the
// opening leaves them out where the unit does not know them.
bool FrmROptionen::hotStartRow()
{
    if (gates::hotStartSettings(m_context.unit()))
        return carryOn(m_choke->readHotStart());
    m_choke->disableHotStart();
    return true;
}

// Edits this unit's tables had when the window last closed without them
// being written or saved are offered back.
void FrmROptionen::offerJournals()
{
    m_ignition->offerJournal();
    if (m_available[Injection])
        m_injection->offerJournal();
}

// SSTab1_Click: the source label shows where the tab's table came from.
void FrmROptionen::showSource()
{
    const RacingTab* page = tab(SSTab1->currentIndex());
    const QString heading = page->sourceHeading();
    txtTSLabel->setText(heading);
    lbl_TabQuelle->setText(heading.isEmpty() ? QString() : page->source());
}

// cmdExit_Click: an edited table that was neither written nor saved is
// only left on Yes.
void FrmROptionen::exitWindow()
{
    if (m_ignition->tableModified()
        && platform().messageBox(
               this, QStringLiteral("Achtung"), kExitQuestion, Platform::Icon::Question, Platform::Buttons::YesNo)
            != Platform::Answer::Yes)
        return;
    unload();
}
