#include "options/frmoptionen.h"

#include "core/format.h"
#include "options/crank.h"
#include "options/help.h"
#include "shell/platform.h"
#include "shell/transport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Values in 0.1 mm are shown in mm, as "9,5" or "73".
QString tenthsText(int tenths)
{
    return fmt::plainNumber(tenths / 10.0);
}

// What the user typed in a mm field, in 0.1 mm; empty when it is no number.
std::optional<int> typedTenths(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t == QLatin1String(",") || t == QLatin1String("."))
        return std::nullopt;
    return static_cast<int>(fmt::roundHalfEven(fmt::parseDecimal(t, fmt::regionalSeparator()) * 10));
}

QLabel* namedLabel(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

void showPlaceholderAsText(QComboBox* combo)
{
    QPalette palette = combo->palette();
    for (const auto group : { QPalette::Active, QPalette::Inactive })
        palette.setBrush(group, QPalette::PlaceholderText, palette.brush(group, QPalette::ButtonText));
    combo->setPalette(palette);
}

} // namespace

UpDown::UpDown(QWidget* parent)
    : QSpinBox(parent)
{
    // Only the arrows show; the buddy field next to it carries the text.
    lineEdit()->setVisible(false);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFocusPolicy(Qt::StrongFocus);
}

QSize UpDown::sizeHint() const
{
    const QSize base = QSpinBox::sizeHint();
    return { style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 4, base.height() };
}

const FrmOptionen::Preset FrmOptionen::kPresets[2] = {
    { QStringLiteral("KZDX RX3 V/D/M 8mm v.OT"), 80 },
    { QStringLiteral("KZDX RX4 V/D/M 9,5mm v.OT"), 95 },
};

FrmOptionen::FrmOptionen(SettingsFile& settings, Transport& probe, const PortMap& ports, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_probe(probe)
    , m_ports(ports)
{
    setObjectName(QStringLiteral("FrmOptionen"));
    setWindowTitle(kCaption);
    buildControls();
    Form_Load();
    help::installF1(this, kHelpTopic);
}

void FrmOptionen::buildControls()
{
    // Port and request time.
    m_cmboPort = new QComboBox(this);
    m_cmboPort->setObjectName(QStringLiteral("cmboPort"));
    m_cmboPort->setToolTip(QStringLiteral("COM-Port für Anschluß Diagnoseadapter am PC"));
    m_cmboPort->setEditable(false);
    m_cmboPort->setMinimumContentsLength(20);

    m_sldReqTime = new QSlider(Qt::Horizontal, this);
    m_sldReqTime->setObjectName(QStringLiteral("sldReqTime"));
    m_sldReqTime->setToolTip(QStringLiteral("Häufigkeit der Abfrage dynamischer Daten vom Motorsteuergerät"));
    m_sldReqTime->setRange(1, 99);
    m_sldReqTime->setSingleStep(1);
    m_sldReqTime->setPageStep(5);
    m_lblSelTime = namedLabel(QString(), QStringLiteral("lblSelTime"), this);
    m_lblSelTime->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("9,9 ")));
    m_lblSelTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Schnittstelle:"), this), 0, 0);
    top->addWidget(m_cmboPort, 0, 1, 1, 3);
    top->addWidget(new QLabel(QStringLiteral("Abfrageintervall:"), this), 1, 0);
    top->addWidget(m_sldReqTime, 1, 1);
    top->addWidget(m_lblSelTime, 1, 2);
    top->addWidget(new QLabel(QStringLiteral("Sek."), this), 1, 3);

    // Message and connection switches.
    auto* general = new QGroupBox(QStringLiteral("Allgemein"), this);
    general->setObjectName(QStringLiteral("frmAllgemein"));
    general->setToolTip(QStringLiteral("Verhalten bei Datenübertragung"));
    const auto check = [general](const QString& text, const QString& name, const QString& tip) {
        auto* box = new QCheckBox(text, general);
        box->setObjectName(name);
        box->setToolTip(tip);
        return box;
    };
    m_chkRelWarungen = check(QStringLiteral("&Versionswarnungen nicht anzeigen"), QStringLiteral("chkRelWarungen"),
        QStringLiteral("unterdrückt Warnmeldungen beim Öffnen des Steuergerätes "));
    m_chkConnectWarungen = check(QStringLiteral("&Hinweis bei Verbindungsabbruch unterdrücken"),
        QStringLiteral("chkConnectWarungen"), QStringLiteral("Meldungsfenster nicht anzeigen"));
    m_chkReAutoConnect = check(QStringLiteral("&Nach Unterbrechung automatisch neu verbinden"),
        QStringLiteral("chkReAutoConnect"), QStringLiteral("automatisch eine neue Verbindung herstellen"));
    m_chkNoMsgAfterDataUpdate
        = check(QStringLiteral("&Keine Meldung nach Datenübertragung"), QStringLiteral("chkNoMsgAfterDataUpdate"),
            QStringLiteral("Hinweisfenster im Konfigurationsdialog für Rennsportsteuergeräte unterdrücken"));
    auto* generalLayout = new QVBoxLayout(general);
    for (QCheckBox* box :
        { m_chkRelWarungen, m_chkConnectWarungen, m_chkReAutoConnect, m_chkNoMsgAfterDataUpdate })
        generalLayout->addWidget(box);

    // Crank angle sensor set-up.
    auto* sensor = new QGroupBox(QStringLiteral("Drehwinkelsignal:"), this);
    sensor->setObjectName(QStringLiteral("frmDrehwinkel"));

    // Edit fields for mm values take digits with one decimal, "," or ".".
    auto* mmValidator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^\\s*[0-9]{0,4}([.,][0-9]?)?\\s*$")), this);
    const auto mmField = [sensor, mmValidator](const QString& name, const QString& tip) {
        auto* edit = new QLineEdit(sensor);
        edit->setObjectName(name);
        edit->setToolTip(tip);
        edit->setValidator(mmValidator);
        edit->setMaxLength(8);
        edit->setAlignment(Qt::AlignRight);
        return edit;
    };
    const auto upDown = [sensor](const QString& name, const QString& tip, int min, int max) {
        auto* ud = new UpDown(sensor);
        ud->setObjectName(name);
        ud->setToolTip(tip);
        ud->setRange(min, max);
        return ud;
    };

    m_cmbGeberKonfig = new QComboBox(sensor);
    m_cmbGeberKonfig->setObjectName(QStringLiteral("cmbGeberKonfig"));
    m_cmbGeberKonfig->setToolTip(QStringLiteral("Auswahl der am Geberteil vorgenommenen Einstellungen"));
    m_cmbGeberKonfig->setPlaceholderText(kOtherValueText);
    // "anderen Wert" names a stored value, not a prompt: drawn grey it would
    // make the box look disabled.
    showPlaceholderAsText(m_cmbGeberKonfig);

    m_lblHub = namedLabel(QStringLiteral("mm v.OT:"), QStringLiteral("lblHub"), sensor);
    m_txtHub = mmField(QStringLiteral("txtHub"), QStringLiteral("Statisches Zündsignal in mm Kolbenhub v.OT"));
    m_DwgUpDown = upDown(QStringLiteral("DwgUpDown"),
        QStringLiteral("Statisches Zündsignal in mm Kolbenhub v.OT anpassen"), 1, 200);
    m_txtWinkel = new QLineEdit(sensor);
    m_txtWinkel->setObjectName(QStringLiteral("txtWinkel"));
    m_txtWinkel->setToolTip(QStringLiteral("Statisches Zündsignal in Grad KW v.OT"));
    m_txtWinkel->setAlignment(Qt::AlignRight);
    // The angle follows from travel and geometry; typing it would only make
    // the two stored positions disagree.
    m_txtWinkel->setReadOnly(true);

    m_cmbGeo = new QComboBox(sensor);
    m_cmbGeo->setObjectName(QStringLiteral("cmbGeo"));
    m_cmbGeo->setToolTip(QStringLiteral("Auswahl der verwendeten Kurbelwellengeometrie"));
    m_cmbGeo->setEditable(false);
    m_lblMaxHub = namedLabel(QStringLiteral("Kolbenhub (mm):"), QStringLiteral("lblMaxHub"), sensor);
    m_txtMaxHub = mmField(QStringLiteral("txtMaxHub"), QStringLiteral("Maximaler Kolbenhub des Motors"));
    m_udMaxHub = upDown(QStringLiteral("udMaxHub"), QStringLiteral("Maximaler Kolbenhub des Motors"), 1, 1000);
    m_lblPleuel = namedLabel(QStringLiteral("Pleuellänge (mm):"), QStringLiteral("lblPleuel"), sensor);
    m_txtPleuel = mmField(QStringLiteral("txtPleuel"), QStringLiteral("Mittenabstand zwischen den Pleuelaugen"));
    m_udPleuel
        = upDown(QStringLiteral("udPleuel"), QStringLiteral("Mittenabstand zwischen den Pleuelaugen"), 0, 2500);

    m_lblMinFenster = namedLabel(QString(), QStringLiteral("lblMinFenster"), sensor);
    m_lblMinFenster->setToolTip(QStringLiteral("Maximaler Frühzündwinkel"));
    m_lblMaxFenster = namedLabel(QString(), QStringLiteral("lblMaxFenster"), sensor);
    m_lblMaxFenster->setToolTip(QStringLiteral("Maximaler Spätzündwinkel"));

    const auto withUpDown = [](QLineEdit* edit, UpDown* ud) {
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(edit);
        if (ud)
            row->addWidget(ud);
        return row;
    };
    auto* window = new QHBoxLayout;
    window->addWidget(m_lblMinFenster);
    window->addWidget(new QLabel(QStringLiteral("bis"), sensor));
    window->addWidget(m_lblMaxFenster);
    window->addWidget(new QLabel(QStringLiteral("Grad KW"), sensor));
    window->addStretch();

    auto* grid = new QGridLayout(sensor);
    grid->addWidget(new QLabel(QStringLiteral("Geber eingestellt auf:"), sensor), 0, 0);
    grid->addWidget(m_cmbGeberKonfig, 0, 1);
    grid->addWidget(m_lblHub, 1, 0);
    grid->addLayout(withUpDown(m_txtHub, m_DwgUpDown), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Grad KW:"), sensor), 2, 0);
    grid->addLayout(withUpDown(m_txtWinkel, nullptr), 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Kurbeltriebgeometrie:"), sensor), 3, 0);
    grid->addWidget(m_cmbGeo, 3, 1);
    grid->addWidget(m_lblMaxHub, 4, 0);
    grid->addLayout(withUpDown(m_txtMaxHub, m_udMaxHub), 4, 1);
    grid->addWidget(m_lblPleuel, 5, 0);
    grid->addLayout(withUpDown(m_txtPleuel, m_udPleuel), 5, 1);
    grid->addWidget(new QLabel(QStringLiteral("Dynamische Verstellung:"), sensor), 6, 0);
    grid->addLayout(window, 6, 1);

    // Buttons; neither is a default, so Enter in a field never saves.
    m_BtnCmdSave = new QPushButton(QStringLiteral("&Speichern"), this);
    m_BtnCmdSave->setObjectName(QStringLiteral("BtnCmdSave"));
    m_BtnCmdSave->setToolTip(QStringLiteral("Einstellungen speichern und Dialog beenden"));
    m_BtnCmdBreak = new QPushButton(QStringLiteral("&Abbruch"), this);
    m_BtnCmdBreak->setObjectName(QStringLiteral("BtnCmdBreak"));
    m_BtnCmdBreak->setToolTip(QStringLiteral("Dialog beenden ohne die Einstellungen zu speichern"));
    for (QPushButton* b : { m_BtnCmdSave, m_BtnCmdBreak }) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_BtnCmdSave);
    buttons->addWidget(m_BtnCmdBreak);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(general);
    layout->addWidget(sensor);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_cmboPort, &QComboBox::currentIndexChanged, this, &FrmOptionen::cmboPort_Click);
    connect(m_sldReqTime, &QSlider::valueChanged, this, &FrmOptionen::sldReqTime_Change);
    connect(m_chkRelWarungen, &QCheckBox::toggled, this, [this](bool on) { m_values.warnings = on ? 1 : 0; });
    connect(
        m_chkConnectWarungen, &QCheckBox::toggled, this, [this](bool on) { m_values.noBreakMsg = on ? 1 : 0; });
    connect(m_chkReAutoConnect, &QCheckBox::toggled, this, [this](bool on) { m_values.autoReCon = on ? 1 : 0; });
    connect(m_chkNoMsgAfterDataUpdate, &QCheckBox::toggled, this,
        [this](bool on) { m_values.noUpdateMsg = on ? 1 : 0; });
    connect(m_cmbGeo, &QComboBox::currentIndexChanged, this, &FrmOptionen::cmbGeo_Click);
    connect(m_cmbGeberKonfig, &QComboBox::currentIndexChanged, this, &FrmOptionen::cmbGeberKonfig_Click);
    connect(m_DwgUpDown, &QSpinBox::valueChanged, this, &FrmOptionen::DwgUpDown_Change);
    connect(m_txtHub, &QLineEdit::textChanged, this, &FrmOptionen::txtHub_Change);
    connect(m_txtWinkel, &QLineEdit::textChanged, this, &FrmOptionen::txtWinkel_Change);
    connect(m_udMaxHub, &QSpinBox::valueChanged, this, &FrmOptionen::udMaxHub_Change);
    connect(m_udPleuel, &QSpinBox::valueChanged, this, &FrmOptionen::udPleuel_Change);
    const std::pair<QLineEdit*, UpDown*> buddies[]
        = { { m_txtHub, m_DwgUpDown }, { m_txtMaxHub, m_udMaxHub }, { m_txtPleuel, m_udPleuel } };
    for (const auto& [text, ud] : buddies) {
        connect(text, &QLineEdit::textEdited, this, [this, text, ud] { adoptTypedValue(text, ud); });
        connect(text, &QLineEdit::editingFinished, this, [this, text, ud] { commitText(text, ud); });
    }
    connect(m_BtnCmdSave, &QPushButton::clicked, this, &FrmOptionen::BtnCmdSave_Click);
    connect(m_BtnCmdBreak, &QPushButton::clicked, this, &FrmOptionen::BtnCmdBreak_Click);
}

void FrmOptionen::Form_Load()
{
    m_loading = true;

    // All settings into the working values.
    m_values = m_settings.readAll();
    const Settings stored = m_values;
    // The stored angle stands until the stored travel yields one; a travel
    // without an angle for its geometry then keeps it, so an unchanged save
    // writes back what was read.
    m_txtWinkel->setText(fmt::fixedDecimals(stored.dwgGrdPos / 10.0, 1));

    // Request time; the slider's range bounds a damaged stored value.
    m_sldReqTime->setValue(std::clamp(stored.requestTimeMs / 100, 1, 99));
    sldReqTime_Change();

    // The four switches.
    m_chkRelWarungen->setChecked(stored.warnings == 1);
    m_chkConnectWarungen->setChecked(stored.noBreakMsg == 1);
    m_chkReAutoConnect->setChecked(stored.autoReCon == 1);
    m_chkNoMsgAfterDataUpdate->setChecked(stored.noUpdateMsg == 1);
    m_values.warnings = stored.warnings == 1 ? 1 : 0;
    m_values.noBreakMsg = stored.noBreakMsg == 1 ? 1 : 0;
    m_values.autoReCon = stored.autoReCon == 1 ? 1 : 0;
    m_values.noUpdateMsg = stored.noUpdateMsg == 1 ? 1 : 0;

    // Crank drive geometry.
    m_udMaxHub->setValue(stored.maxHub);
    udMaxHub_Change();
    m_udPleuel->setValue(stored.pleuell);
    udPleuel_Change();
    m_cmbGeo->addItems({ kGeoZ62, kGeoOther });
    const bool z62 = stored.maxHub == kZ62Stroke && stored.pleuell == kZ62Rod;
    m_cmbGeo->setCurrentIndex(z62 ? 0 : 1);
    enableGeometry(!z62);

    // Sensor position and its preset.
    for (const Preset& p : kPresets)
        m_cmbGeberKonfig->addItem(p.text);
    m_cmbGeberKonfig->addItem(QStringLiteral("anderer Wert"));
    m_DwgUpDown->setValue(stored.dwgPos);
    DwgUpDown_Change();
    m_travelLoaded = true;
    txtHub_Change();
    int preset = -1;
    for (int i = 0; i < 2; ++i)
        if (stored.dwgPos == kPresets[i].dwgPos)
            preset = i;
    // Any other value shows the placeholder text instead of a list item.
    m_cmbGeberKonfig->setCurrentIndex(preset);
    enableTravel(preset < 0);

    // The ports that open now.
    m_cmboPort->addItem(kAuto);
    probePorts();
    int selected = stored.comPort == 0 ? 0 : m_cmboPort->findText(m_ports.listText(stored.comPort));
    // A stored port that does not open now stays stored, with nothing selected.
    m_cmboPort->setCurrentIndex(selected);

    m_loading = false;
}

void FrmOptionen::probePorts()
{
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n) {
        if (m_probe.open(n) != Transport::OpenResult::Opened)
            continue;
        m_cmboPort->addItem(m_ports.listText(n));
        m_probe.close();
    }
}

void FrmOptionen::cmboPort_Click()
{
    if (m_loading || m_cmboPort->currentIndex() < 0)
        return;
    const QString item = m_cmboPort->currentText();
    m_values.comPort = item == kAuto ? 0 : static_cast<int>(fmt::leadingNumber(item.mid(4, 3)));
}

void FrmOptionen::sldReqTime_Change()
{
    const int tenths = m_sldReqTime->value();
    m_values.requestTimeMs = tenths * 100;
    m_lblSelTime->setText(fmt::plainNumber(tenths / 10.0));
}

void FrmOptionen::cmbGeo_Click()
{
    if (m_loading)
        return;
    if (m_cmbGeo->currentText() == kGeoOther) {
        enableGeometry(true);
        return;
    }
    m_udMaxHub->setValue(kZ62Stroke);
    udMaxHub_Change();
    m_udPleuel->setValue(kZ62Rod);
    udPleuel_Change();
    enableGeometry(false);
}

void FrmOptionen::cmbGeberKonfig_Click()
{
    if (m_loading)
        return;
    const int i = m_cmbGeberKonfig->currentIndex();
    if (i == 0 || i == 1) {
        m_DwgUpDown->setValue(kPresets[i].dwgPos);
        DwgUpDown_Change();
        enableTravel(false);
        return;
    }
    enableTravel(true);
}

void FrmOptionen::DwgUpDown_Change()
{
    m_values.dwgPos = m_DwgUpDown->value();
    if (!m_txtHub->hasFocus() || !m_txtHub->isModified())
        m_txtHub->setText(tenthsText(m_values.dwgPos));
}

void FrmOptionen::txtHub_Change()
{
    // Before the travel is loaded its field is empty; an angle computed from
    // that would count as the last valid one.
    if (!m_travelLoaded)
        return;
    const QString text = m_txtHub->text().trimmed();
    const double h = text.isEmpty() ? 0.0 : fmt::parseDecimal(text, fmt::regionalSeparator());
    const auto angle = crank::angleFromTravel(h, m_values.maxHub / 10.0, m_values.pleuell / 10.0);
    // A travel with no angle (beyond the stroke, degenerate geometry) keeps
    // the last valid one.
    if (angle)
        m_txtWinkel->setText(fmt::fixedDecimals(*angle, 1));
}

void FrmOptionen::txtWinkel_Change()
{
    const double a = fmt::parseDecimal(m_txtWinkel->text(), fmt::regionalSeparator());
    m_lblMinFenster->setText(fmt::fixedDecimals(a, 1));
    m_lblMaxFenster->setText(fmt::fixedDecimals(a - kAdjustRange, 1));
}

void FrmOptionen::udMaxHub_Change()
{
    m_values.maxHub = m_udMaxHub->value();
    if (!m_txtMaxHub->hasFocus() || !m_txtMaxHub->isModified())
        m_txtMaxHub->setText(tenthsText(m_values.maxHub));
    txtHub_Change();
}

void FrmOptionen::udPleuel_Change()
{
    m_values.pleuell = m_udPleuel->value();
    if (!m_txtPleuel->hasFocus() || !m_txtPleuel->isModified())
        m_txtPleuel->setText(tenthsText(m_values.pleuell));
    txtHub_Change();
}

void FrmOptionen::enableGeometry(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*> { m_udMaxHub, m_udPleuel, m_lblMaxHub, m_lblPleuel })
        w->setEnabled(enabled);
    m_txtMaxHub->setReadOnly(!enabled);
    m_txtPleuel->setReadOnly(!enabled);
}

void FrmOptionen::enableTravel(bool enabled)
{
    m_DwgUpDown->setEnabled(enabled);
    m_txtHub->setReadOnly(!enabled);
}

void FrmOptionen::adoptTypedValue(QLineEdit* text, UpDown* upDown)
{
    // While the user types, a number in range moves the up-down along without
    // rewriting the text under the cursor.
    const auto tenths = typedTenths(text->text());
    if (tenths && *tenths >= upDown->minimum() && *tenths <= upDown->maximum())
        upDown->setValue(*tenths);
}

void FrmOptionen::commitText(QLineEdit* text, UpDown* upDown)
{
    // When editing ends the field shows the up-down's value again: a number
    // out of range is bounded, an empty or incomplete one is dropped.
    const auto tenths = typedTenths(text->text());
    if (tenths)
        upDown->setValue(std::clamp(*tenths, upDown->minimum(), upDown->maximum()));
    text->setModified(false);
    text->setText(tenthsText(upDown->value()));
}

Settings FrmOptionen::values() const
{
    Settings s = m_values;
    const double angle = fmt::parseDecimal(m_txtWinkel->text(), fmt::regionalSeparator());
    s.dwgGrdPos = static_cast<int>(fmt::roundHalfEven(angle * 10));
    return s;
}

void FrmOptionen::closeProbe()
{
    if (m_probe.isOpen())
        m_probe.close();
}

void FrmOptionen::BtnCmdSave_Click()
{
    // A field still being edited counts as the user left it.
    commitText(m_txtHub, m_DwgUpDown);
    commitText(m_txtMaxHub, m_udMaxHub);
    commitText(m_txtPleuel, m_udPleuel);
    const Settings s = values();
    // The file holds three digits of 0.1 degree; a larger angle would be cut.
    if (s.dwgGrdPos > kMaxStoredAngle) {
        platform().messageBox(this, QStringLiteral("Hinweis"),
            QStringLiteral("Der berechnete Kurbelwinkel von %1 Grad kann nicht gespeichert werden, höchstens "
                           "99,9 Grad sind möglich. Bitte Geberposition und Kurbeltriebgeometrie prüfen.")
                .arg(fmt::fixedDecimals(s.dwgGrdPos / 10.0, 1)),
            Platform::Icon::Warning);
        return;
    }
    if (!m_settings.write(s)) {
        platform().messageBox(this, kAppTitle,
            QStringLiteral("Die Einstellungen konnten nicht gespeichert werden:\n%1").arg(m_settings.path()),
            Platform::Icon::Critical);
        return;
    }
    closeProbe();
    accept();
}

void FrmOptionen::BtnCmdBreak_Click()
{
    closeProbe();
    reject();
}
