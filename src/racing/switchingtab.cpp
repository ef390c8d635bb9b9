#include "switchingtab.h"

#include "core/commands.h"
#include "core/gates.h"
#include "racing/parametertransfer.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/session.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text = {})
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QSlider* slider(QWidget* parent, const char* name, int min, int max, int pageStep)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setPageStep(pageStep);
    s->setMinimumWidth(200);
    return s;
}

// The user picks list items only.
QComboBox* combo(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(false);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& title)
{
    auto* f = new QGroupBox(title, parent);
    f->setObjectName(QString::fromLatin1(name));
    return f;
}

// Shows a text the unit reported; a text the list lacks is added, so a
// non-editable box can show it.
void showText(QComboBox* box, const QString& text)
{
    int index = box->findText(text);
    if (index < 0) {
        box->addItem(text);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

// A mode combo box shows "Unbekannt" only while the unit holds such a code.
void showMode(QComboBox* box, const std::vector<switching::Mode>& modes, int code)
{
    const QString text = switching::modeText(modes, code);
    if (text != switching::kUnknown) {
        const int stale = box->findText(switching::kUnknown);
        if (stale >= 0)
            box->removeItem(stale);
    }
    showText(box, text);
}

void enable(std::initializer_list<QWidget*> widgets, bool on)
{
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

Bytes one(int value)
{
    return bytes::of({ value });
}

} // namespace

SwitchingTab::SwitchingTab(RacingContext& context, QWidget* parent)
    : RacingTab(context, parent)
    , m_generation(switching::generation(context.unit()))
{
    buildUi();
    fillLists();
}

void SwitchingTab::buildUi()
{
    // Created in the order Tab walks through them.
    frmSchaltausgang1 = frame(this, "frmSchaltausgang1", QStringLiteral("Schaltausgang &1"));
    cmbS1Akt = combo(frmSchaltausgang1, "cmbS1Akt");
    auto* output1 = new QHBoxLayout(frmSchaltausgang1);
    output1->addWidget(cmbS1Akt);
    output1->addStretch();

    frmSchaltausgang2 = frame(this, "frmSchaltausgang2", QStringLiteral("Schaltausgang &2"));
    cmbS2Akt = combo(frmSchaltausgang2, "cmbS2Akt");
    lblSchaltdrehzahl1 = label(frmSchaltausgang2, "lblSchaltdrehzahl1", QStringLiteral("Schalt&drehzahl 1:"));
    const switching::Range range1 = switching::threshold1Range(m_generation);
    SliderN21 = slider(frmSchaltausgang2, "SliderN21", range1.min, range1.max, 10);
    lblNS21 = label(frmSchaltausgang2, "lblNS21");
    lblSchaltdrehzahl2 = label(frmSchaltausgang2, "lblSchaltdrehzahl2", QStringLiteral("Schaltdreh&zahl 2:"));
    const switching::Range range2 = switching::threshold2Range(m_generation, range1.min);
    SliderN22 = slider(frmSchaltausgang2, "SliderN22", range2.min, range2.max, 10);
    lblNS22 = label(frmSchaltausgang2, "lblNS22");
    lblSchaltdrehzahl1->setBuddy(SliderN21);
    lblSchaltdrehzahl2->setBuddy(SliderN22);
    // Room for the highest speed, so the sliders do not jump.
    for (QLabel* l : { lblNS21, lblNS22 })
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("88888")));
    auto* output2 = new QGridLayout(frmSchaltausgang2);
    output2->addWidget(cmbS2Akt, 0, 0, 1, 3, Qt::AlignLeft);
    output2->addWidget(lblSchaltdrehzahl1, 1, 0);
    output2->addWidget(SliderN21, 1, 1);
    output2->addWidget(lblNS21, 1, 2);
    output2->addWidget(lblSchaltdrehzahl2, 2, 0);
    output2->addWidget(SliderN22, 2, 1);
    output2->addWidget(lblNS22, 2, 2);
    output2->setColumnStretch(1, 1);

    frmOfsSchalter = frame(this, "frmOfsSchalter", kInput1Caption);
    lblSIFkt = label(frmOfsSchalter, "lblSIFkt", QStringLiteral("Funk&tion:"));
    cmbSIFkt = combo(frmOfsSchalter, "cmbSIFkt");
    lblZwOfs = label(frmOfsSchalter, "lblZwOfs", QStringLiteral("EIN = Zündwinkel&rücknahme"));
    sldZwOffset = slider(frmOfsSchalter, "sldZwOffset", 0, 255, 10);
    lblZwOffset = label(frmOfsSchalter, "lblZwOffset");
    lblZwOffset->setMinimumWidth(
        lblZwOffset->fontMetrics().horizontalAdvance(QStringLiteral("auf -88,8 Grad vor OT")));
    lblSIFkt->setBuddy(cmbSIFkt);
    lblZwOfs->setBuddy(sldZwOffset);
    auto* input1 = new QGridLayout(frmOfsSchalter);
    input1->addWidget(lblSIFkt, 0, 0);
    input1->addWidget(cmbSIFkt, 0, 1, Qt::AlignLeft);
    input1->addWidget(lblZwOfs, 1, 0, 1, 2);
    input1->addWidget(sldZwOffset, 2, 0, 1, 2);
    input1->addWidget(lblZwOffset, 3, 0, 1, 2);
    input1->setColumnStretch(1, 1);

    frmInjektOfsSchalter = frame(this, "frmInjektOfsSchalter", QStringLiteral("Schalteingang 2"));
    lblInjOfs1 = label(frmInjektOfsSchalter, "lblInjOfs1", QStringLiteral("Fu&nktion:"));
    cmbS2Fkt = combo(frmInjektOfsSchalter, "cmbS2Fkt");
    lblInjOfs2 = label(frmInjektOfsSchalter, "lblInjOfs2", QStringLiteral("EIN = Gemisch&anreicherung"));
    sldInjektOffset = slider(frmInjektOfsSchalter, "sldInjektOffset", 0, switching::kEnrichmentMax, 4);
    lblInjektOffset = label(frmInjektOfsSchalter, "lblInjektOffset");
    lblInjOfs1->setBuddy(cmbS2Fkt);
    lblInjOfs2->setBuddy(sldInjektOffset);
    auto* input2 = new QGridLayout(frmInjektOfsSchalter);
    input2->addWidget(lblInjOfs1, 0, 0);
    input2->addWidget(cmbS2Fkt, 0, 1, Qt::AlignLeft);
    input2->addWidget(lblInjOfs2, 1, 0, 1, 2);
    input2->addWidget(sldInjektOffset, 2, 0, 1, 2);
    input2->addWidget(lblInjektOffset, 3, 0, 1, 2);
    input2->setColumnStretch(1, 1);

    cmdLesen = new QPushButton(QStringLiteral("&Lesen"), this);
    cmdLesen->setObjectName(QStringLiteral("cmdLesen"));
    cmdLesen->setAutoDefault(false);
    cmdSchreiben = new QPushButton(QStringLiteral("&Schreiben"), this);
    cmdSchreiben->setObjectName(QStringLiteral("cmdSchreiben"));
    cmdSchreiben->setAutoDefault(false);
    cmdHistory = new QPushButton(QStringLiteral("&Verlauf..."), this);
    cmdHistory->setObjectName(QStringLiteral("cmdHistory"));
    cmdHistory->setAutoDefault(false);
    connect(
        cmdHistory, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromHistory(); }); });

    connect(cmdLesen, &QPushButton::clicked, this, [this] { context().runAction([this] { readButton(); }); });
    connect(
        cmdSchreiben, &QPushButton::clicked, this, [this] { context().runAction([this] { writeSwitching(); }); });
    connect(cmbS2Akt, &QComboBox::activated, this, [this] { enableThresholds(); });
    connect(cmbSIFkt, &QComboBox::activated, this,
        [this] { showInput1Function(cmbSIFkt->currentText() != switching::kTableSelectionText); });
    connect(cmbS2Fkt, &QComboBox::activated, this,
        [this] { showInput2Function(cmbS2Fkt->currentText() != switching::kMapSelectionText); });
    connect(SliderN21, &QSlider::valueChanged, this, &SwitchingTab::threshold1Moved);
    connect(SliderN22, &QSlider::valueChanged, this, &SwitchingTab::threshold2Moved);
    connect(sldZwOffset, &QSlider::valueChanged, this, &SwitchingTab::showOffset);
    connect(sldInjektOffset, &QSlider::valueChanged, this, &SwitchingTab::showEnrichment);

    auto* outputs = new QVBoxLayout;
    outputs->addWidget(frmSchaltausgang1);
    outputs->addWidget(frmSchaltausgang2);
    outputs->addStretch();
    auto* inputs = new QVBoxLayout;
    inputs->addWidget(frmOfsSchalter);
    inputs->addWidget(frmInjektOfsSchalter);
    inputs->addStretch();
    auto* frames = new QHBoxLayout;
    frames->addLayout(outputs, 1);
    frames->addLayout(inputs, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdLesen);
    buttons->addWidget(cmdSchreiben);
    buttons->addWidget(cmdHistory);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames, 1);
    layout->addLayout(buttons);

    threshold1Moved();
    showOffset();
    showEnrichment();
}

// The lists the unit's line and firmware offer; nothing is sent yet.
void SwitchingTab::fillLists()
{
    const UnitIdentity& unit = context().unit();
    m_output1Modes = switching::output1Modes(gates::switchingModuleListsBza(unit));
    for (const switching::Mode& m : m_output1Modes)
        cmbS1Akt->addItem(m.text);
    for (const switching::Mode& m : switching::output2Modes())
        cmbS2Akt->addItem(m.text);
    enableThresholds();

    cmbSIFkt->addItem(switching::kOffsetSwitchText);
    if (gates::switchingModuleOffersTableSelection(unit))
        cmbSIFkt->addItem(switching::kTableSelectionText);

    cmbS2Fkt->addItem(switching::kOffsetSwitchText);
    m_mapSelectionOffered
        = gates::switchingModuleInput2Frame(unit) && gates::switchingModuleOffersMapSelection(unit);
    if (m_mapSelectionOffered)
        cmbS2Fkt->addItem(switching::kMapSelectionText);
}

// --- controls --------------------------------------------------------------------

void SwitchingTab::enableThresholds()
{
    const std::optional<int> code = switching::modeCode(switching::output2Modes(), cmbS2Akt->currentText());
    if (!code)
        return; // "Unbekannt" leaves the sliders as they are
    const switching::SliderUse use = switching::slidersFor(*code);
    if (use.threshold1)
        enable({ lblSchaltdrehzahl1, SliderN21, lblNS21 }, *use.threshold1);
    if (use.threshold2)
        enable({ lblSchaltdrehzahl2, SliderN22, lblNS22 }, *use.threshold2);
}

// Threshold 2 stays above threshold 1.
void SwitchingTab::threshold1Moved()
{
    lblNS21->setText(switching::speedText(SliderN21->value(), m_generation));
    const switching::Range range2 = switching::threshold2Range(m_generation, SliderN21->value());
    SliderN22->setRange(range2.min, range2.max);
    lblNS22->setText(switching::speedText(SliderN22->value(), m_generation));
}

void SwitchingTab::threshold2Moved()
{
    lblNS22->setText(switching::speedText(SliderN22->value(), m_generation));
}

void SwitchingTab::showOffset()
{
    lblZwOffset->setText(switching::offsetText(sldZwOffset->value(), context().angleReference()));
}

void SwitchingTab::showEnrichment()
{
    lblInjektOffset->setText(switching::enrichmentText(sldInjektOffset->value()));
}

// "Tabellenauswahl" takes the input from the retard.
void SwitchingTab::showInput1Function(bool offsetSwitch)
{
    showText(cmbSIFkt, offsetSwitch ? switching::kOffsetSwitchText : switching::kTableSelectionText);
    enable({ lblZwOfs, lblZwOffset, sldZwOffset }, offsetSwitch);
}

// "Kennfeldauswahl" takes the input from the enrichment.
void SwitchingTab::showInput2Function(bool offsetSwitch)
{
    showText(cmbS2Fkt, offsetSwitch ? switching::kOffsetSwitchText : switching::kMapSelectionText);
    enable({ lblInjOfs2, lblInjektOffset, sldInjektOffset }, offsetSwitch);
}

void SwitchingTab::showInput1AsSwitchInput3()
{
    frmOfsSchalter->setTitle(kInput3Caption);
}

void SwitchingTab::disableOffsetSwitch()
{
    enable({ sldZwOffset, frmOfsSchalter, lblZwOffset, lblZwOfs }, false);
}

// --- read ------------------------------------------------------------------------

// An empty reply ends the read; only a lost link closes the window.
bool SwitchingTab::readSwitching()
{
    return readAll() || !context().lost();
}

bool SwitchingTab::readAll()
{
    return readBlock() && readInput1Retard() && readInput1Function() && readInput2Function();
}

bool SwitchingTab::readBlock()
{
    const Reply reply = context().channel().ask(cmd::outputModes());
    if (!reply)
        return false;
    const std::optional<switching::Block> block = switching::decodeBlock(*reply, m_generation);
    if (!block)
        return false;
    context().setProgress(RacingContext::kParameterProgress);

    // "BZA" is offered on injection units only, but a unit that holds it
    // shows it by name and gets it back unchanged.
    showMode(cmbS1Akt, switching::output1Modes(true), block->output1Mode);
    showMode(cmbS2Akt, switching::output2Modes(), block->output2Mode);
    enableThresholds();
    SliderN21->setValue(block->threshold1);
    SliderN22->setValue(block->threshold2);
    // A slider clamps what it cannot hold; say so, since the next write
    // would store the clamped speed.
    const switching::Range range1 = switching::threshold1Range(m_generation);
    const switching::Range range2 = switching::threshold2Range(m_generation, SliderN21->value());
    if (block->threshold1 < range1.min || block->threshold1 > range1.max)
        boxes::defaultUsedHint(this, kThresholdOutOfRange.arg(1));
    if (block->threshold2 < range2.min || block->threshold2 > range2.max)
        boxes::defaultUsedHint(this, kThresholdOutOfRange.arg(2));
    return true;
}

bool SwitchingTab::readInput1Retard()
{
    if (!gates::switchingModuleInput1Retard(context().unit())) {
        sldZwOffset->setValue(switching::kLatestAngle);
        sldZwOffset->setEnabled(false);
    } else {
        const std::optional<int> retard = context().channel().readByte(cmd::input1Retard());
        if (!retard)
            return false;
        sldZwOffset->setValue(*retard);
    }
    showOffset();
    return true;
}

bool SwitchingTab::readInput1Function()
{
    if (!gates::switchingModuleInput1Function(context().unit())) {
        showText(cmbSIFkt, switching::kOffsetSwitchText);
        return true;
    }
    const std::optional<int> function = context().channel().readByte(cmd::input1Function());
    if (!function)
        return false;
    if (*function != switching::kOffsetSwitch && *function != switching::kTableSelection)
        boxes::defaultUsedHint(context().window(), kInput1FunctionInvalid);
    showInput1Function(*function != switching::kTableSelection);
    return true;
}

bool SwitchingTab::readInput2Function()
{
    if (!gates::switchingModuleReadsInput2Function(context().unit())) {
        showText(cmbS2Fkt, switching::kOffsetSwitchText);
        return true;
    }
    // Without a reply the function stays as it was.
    const std::optional<int> function = context().channel().readParam(cmd::param::kInput2Mode);
    if (!function)
        return !context().lost();
    showInput2Function(*function == switching::kOffsetSwitch);
    return true;
}

bool SwitchingTab::readInput2Enrichment()
{
    if (!gates::switchingModuleInput2Frame(context().unit())) {
        enable({ frmInjektOfsSchalter, lblInjOfs1, lblInjOfs2, cmbS2Fkt, sldInjektOffset }, false);
        return true;
    }
    const std::optional<int> enrichment = readParameter(context(),
        ParameterRead { cmd::paramRead(cmd::param::kInput2Enrichment), 0, switching::kEnrichmentMax,
            kEnrichmentStandard, kEnrichmentInvalid, ParameterRead::Box::Hint });
    if (context().lost())
        return false;
    if (enrichment) {
        sldInjektOffset->setValue(*enrichment);
        showEnrichment();
    }
    return true;
}

// cmdLesen
void SwitchingTab::readButton()
{
    ParameterTransfer t(context(), RacingContext::kParameterProgress);
    if (!readAll())
        return;
    Values v = shownValues();
    history::keepBlock(context().session(), UnitHistory::Kind::Switching, kCaption, fields(v));
    t.finish(boxes::kTransferComplete);
}

// --- history ---------------------------------------------------------------------

QList<ParameterBlock::Field> SwitchingTab::fields(Values& v)
{
    const auto s = [](const char* name) { return QString::fromLatin1(name); };
    return { { s("output1Mode"), &v.output1Mode, -1, 255 }, { s("output2Mode"), &v.output2Mode, -1, 255 },
        { s("threshold1"), &v.threshold1, 0, 255 }, { s("threshold2"), &v.threshold2, 0, 255 },
        { s("input1Retard"), &v.input1Retard, 0, 255 }, { s("input1Function"), &v.input1Function, 0, 255 },
        { s("input2Function"), &v.input2Function, 0, 255 },
        { s("input2Enrichment"), &v.input2Enrichment, 0, switching::kEnrichmentMax } };
}

SwitchingTab::Values SwitchingTab::shownValues() const
{
    Values v;
    v.output1Mode = switching::modeCode(switching::output1Modes(true), cmbS1Akt->currentText()).value_or(-1);
    v.output2Mode = switching::modeCode(switching::output2Modes(), cmbS2Akt->currentText()).value_or(-1);
    v.threshold1 = SliderN21->value();
    v.threshold2 = SliderN22->value();
    v.input1Retard = sldZwOffset->value();
    v.input1Function = cmbSIFkt->currentText() == switching::kOffsetSwitchText ? switching::kOffsetSwitch
                                                                               : switching::kTableSelection;
    v.input2Function = cmbS2Fkt->currentText() == switching::kOffsetSwitchText ? switching::kOffsetSwitch
                                                                               : switching::kMapSelection;
    v.input2Enrichment = sldInjektOffset->value();
    return v;
}

// As a read shows them; what the unit does not have stays as the opening left it.
void SwitchingTab::showValues(const Values& v)
{
    const UnitIdentity& unit = context().unit();
    showMode(cmbS1Akt, switching::output1Modes(true), v.output1Mode);
    showMode(cmbS2Akt, switching::output2Modes(), v.output2Mode);
    enableThresholds();
    SliderN21->setValue(v.threshold1);
    SliderN22->setValue(v.threshold2);
    if (gates::switchingModuleInput1Retard(unit)) {
        sldZwOffset->setValue(v.input1Retard);
        showOffset();
    }
    if (gates::switchingModuleInput1Function(unit))
        showInput1Function(v.input1Function != switching::kTableSelection);
    if (gates::switchingModuleReadsInput2Function(unit))
        showInput2Function(v.input2Function == switching::kOffsetSwitch);
    if (gates::switchingModuleInput2Frame(unit)) {
        sldInjektOffset->setValue(v.input2Enrichment);
        showEnrichment();
    }
}

void SwitchingTab::loadFromHistory()
{
    Values v;
    if (history::pickInto(this, context().session().history(), UnitHistory::Kind::Switching, kCaption, fields(v)))
        showValues(v);
}

// --- write -----------------------------------------------------------------------

// cmdSchreiben: in the unit's order; a write the unit does not confirm stops
// the rest, and what was written before stays stored.
void SwitchingTab::writeSwitching()
{
    // No code exists for "Unbekannt": nothing is sent rather than a guess.
    const std::optional<int> output1 = switching::modeCode(switching::output1Modes(true), cmbS1Akt->currentText());
    const std::optional<int> output2 = switching::modeCode(switching::output2Modes(), cmbS2Akt->currentText());
    if (!output1 || !output2) {
        boxes::transferError(this, kUnknownModeRefused.arg(output1 ? 2 : 1));
        return;
    }
    const UnitIdentity& unit = context().unit();
    ParameterTransfer t(context(), RacingContext::kProgressMin);

    if (!t.write(cmd::output1ModeWrite(*output1), one(*output1)))
        return;
    if (!t.write(cmd::output2ModeWrite(*output2), one(*output2)))
        return;

    t.setProgress(80);
    for (const auto& [threshold, value] : { std::pair(1, SliderN21->value()), std::pair(2, SliderN22->value()) }) {
        const Request write = switching::thresholdWrite(threshold, value, m_generation);
        if (!t.write(write, switching::thresholdEcho(write)))
            return;
    }

    if (gates::switchingModuleInput1Retard(unit)) {
        const int retard = sldZwOffset->value();
        if (!t.write(cmd::input1RetardWrite(retard), one(retard)))
            return;
    }

    t.setProgress(RacingContext::kParameterProgress);
    if (gates::switchingModuleInput1Function(unit)) {
        const int code = cmbSIFkt->currentText() == switching::kOffsetSwitchText ? switching::kOffsetSwitch
                                                                                 : switching::kTableSelection;
        if (!t.write(cmd::input1FunctionWrite(code), one(code)))
            return;
    }
    if (gates::switchingModuleWritesInput2Function(unit)) {
        const int code = cmbS2Fkt->currentText() == switching::kOffsetSwitchText ? switching::kOffsetSwitch
                                                                                 : switching::kMapSelection;
        if (!t.write(cmd::input2FunctionWrite(code), one(code)))
            return;
    }
    if (gates::switchingModuleInput2Frame(unit)) {
        const int enrichment = sldInjektOffset->value();
        if (!t.write(cmd::input2EnrichmentWrite(enrichment), one(enrichment)))
            return;
    }
    t.finish(boxes::kTransferComplete);
}
