#include "injectiontab.h"

#include "basic/controls.h"
#include "core/settings.h"
#include "racing/racingcontext.h"
#include "racing/servicetables.h"
#include "racing/tlafile.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <utility>

using lambda::Cell;
using lambda::Map;

using form::named;

namespace {

// Twips at 96 dpi: 15 per pixel.
constexpr int kBandWidth = 1220 / 15;
constexpr int kCellWidth = 700 / 15;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    w->setPalette(p);
}

// A selection of one cell is the current cell, not a range.
bool singleCellSelection(const QAbstractItemView* view)
{
    if (!view || !view->selectionModel())
        return true;
    const QItemSelection selection = view->selectionModel()->selection();
    return selection.size() <= 1
        && (selection.isEmpty() || (selection.first().width() == 1 && selection.first().height() == 1));
}

EditJournal journalOf(RacingContext& context, const char* kind)
{
    return EditJournal(EditJournal::folderFor(QFileInfo(context.session().settings().path()).absolutePath(),
                           context.unit().serialNumber),
        QString::fromLatin1(kind), tla::kDefaultExtension);
}

Platform::FileDialog fileDialog(const QString& title)
{
    Platform::FileDialog dialog;
    dialog.title = title;
    dialog.filter = tla::kFileFilter;
    dialog.defaultExtension = tla::kDefaultExtension;
    return dialog;
}

// The in-place editor: Enter, Up and Down commit the text and hand the key to
// the tab, which moves on; Esc drops the text; leaving the editor otherwise
// commits it.
class LambdaDelegate : public QStyledItemDelegate {
public:
    LambdaDelegate(
        std::function<void(int, int, const QString&)> commit, std::function<void(int)> left, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_commit(std::move(commit))
        , m_left(std::move(left))
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("txtEdit"));
        editor->setFrame(false);
        editor->setAlignment(Qt::AlignCenter);
        return editor;
    }

    // The current cell carries a frame while the grid has the focus: with no
    // selection drawn, the user would not see where typing goes.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // A range selected for copying shows; a single cell keeps its own colours.
        QStyleOptionViewItem plain(option);
        if (singleCellSelection(qobject_cast<const QAbstractItemView*>(option.widget)))
            plain.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, plain, index);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        // The range box takes the focus from the editor; that must not commit twice.
        if (m_committing)
            return;
        const QString text = static_cast<QLineEdit*>(editor)->text();
        m_committing = true;
        m_commit(index.row(), index.column(), text);
        m_committing = false;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && m_committing && event->type() == QEvent::FocusOut)
            return true;
        if (!editor || event->type() != QEvent::KeyPress)
            return QStyledItemDelegate::eventFilter(object, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const QPointer<QWidget> alive(editor);
            emit const_cast<LambdaDelegate*>(this)->commitData(editor);
            if (alive)
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            m_left(key);
            return true;
        }
        default:
            return QStyledItemDelegate::eventFilter(object, event);
        }
    }

private:
    std::function<void(int, int, const QString&)> m_commit;
    std::function<void(int)> m_left;
    mutable bool m_committing = false;
};

} // namespace

// The grid of the shown map. Typing a character opens the editor with that
// character; Enter, F2 and a double click open it with the cell's text.
class LambdaGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;

    bool editing() const { return state() == EditingState; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QModelIndex current = currentIndex();
        const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (state() != EditingState && current.isValid() && plain) {
            // Enter, Space and Backspace open the cell's own text for editing.
            switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
            case Qt::Key_Backspace:
                edit(current, EditKeyPressed, event);
                return;
            default:
                break;
            }
            const QString text = event->text();
            if (!text.isEmpty() && text.at(0) > QLatin1Char(' ') && text.at(0) != QChar(0x7F)) {
                m_typed = text;
                const bool opened = edit(current, EditKeyPressed, event);
                m_typed.clear();
                if (opened)
                    return;
            }
        }
        QTableWidget::keyPressEvent(event);
    }

    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        if (!QTableWidget::edit(index, trigger, event))
            return false;
        // Qt selects the editor's text; here the caret goes to the end, after
        // the typed character or the cell's own text.
        if (auto* editor = qobject_cast<QLineEdit*>(indexWidget(index))) {
            if (!m_typed.isEmpty())
                editor->setText(m_typed);
            editor->deselect();
            editor->end(false);
        }
        return true;
    }

private:
    QString m_typed;
};

InjectionTab::InjectionTab(RacingContext& context, QWidget* parent)
    : RacingTab(context, parent)
    , m_journals { journalOf(context, "Lambdatabelle1"), journalOf(context, "Lambdatabelle2") }
{
    buildUi();
    m_journalTimer = new QTimer(this);
    m_journalTimer->setSingleShot(true);
    m_journalTimer->setInterval(kJournalDelayMs);
    connect(m_journalTimer, &QTimer::timeout, this, &InjectionTab::writeJournal);
    installEditKeys();
}

// Edits of the last moments before the window closes still reach the journal.
InjectionTab::~InjectionTab()
{
    if (m_journalTimer->isActive())
        writeJournal();
}

void InjectionTab::buildUi()
{
    msfgEV = named(new LambdaGrid(lambda::kRows + 1, lambda::kColumns + 1, this), "msfgEV");
    msfgEV->horizontalHeader()->hide();
    msfgEV->verticalHeader()->hide();
    msfgEV->setSelectionMode(QAbstractItemView::ContiguousSelection);
    msfgEV->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    // Ctrl+Tab belongs to the window's tabs; Tab leaves the grid.
    msfgEV->setTabKeyNavigation(false);
    msfgEV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    msfgEV->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    msfgEV->verticalHeader()->setDefaultSectionSize(msfgEV->fontMetrics().height() + 6);
    msfgEV->setItemDelegate(
        new LambdaDelegate([this](int row, int column, const QString& typed) { commitEdit(row, column, typed); },
            [this](int key) { editorLeft(key); }, msfgEV));
    const QBrush header = palette().brush(QPalette::Button);
    for (int row = 0; row <= lambda::kRows; ++row) {
        for (int column = 0; column <= lambda::kColumns; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (row == 0 || column == 0) {
                // Header cells: neither chosen nor edited, skipped by the arrow keys.
                item->setFlags(Qt::NoItemFlags);
                item->setBackground(header);
                item->setForeground(palette().brush(QPalette::ButtonText));
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsEditable);
                item->setBackground(Qt::white);
                item->setForeground(Qt::black);
            }
            msfgEV->setItem(row, column, item);
        }
    }
    // A header cell never becomes current: the keys start on the first map cell.
    msfgEV->setCurrentCell(1, 1);
    connect(msfgEV, &QTableWidget::cellClicked, this, &InjectionTab::markCell);
    connect(msfgEV, &QTableWidget::cellDoubleClicked, this, &InjectionTab::markCell);

    Label10 = named(new QLabel(u("Motordrehzahlbereiche  in 1000 U/min"), this), "Label10");

    grEvKfSel = named(new QGroupBox(u("Kennfeld-Nr."), this), "grEvKfSel");
    grEvKfSel->setToolTip(u("Auswahl des darzustellenden Einspritzkennfeldes"));
    optEVK1 = named(new QRadioButton(u("1"), grEvKfSel), "optEVK1");
    optEVK1->setToolTip(u("Einspritzkennfeld 1 wird in der Tabelle dargestellt"));
    setTextColour(optEVK1, kMap1Colour);
    optEVK1->setChecked(true);
    optEVK2 = named(new QRadioButton(u("2"), grEvKfSel), "optEVK2");
    optEVK2->setToolTip(u("Einspritzkennfeld 2 wird in der Tabelle dargestellt"));
    setTextColour(optEVK2, kMap2Colour);
    auto* choice = new QHBoxLayout(grEvKfSel);
    choice->addWidget(optEVK1);
    choice->addWidget(optEVK2);
    choice->addStretch();
    connect(optEVK1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showMap(Map::One);
    });
    connect(optEVK2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showMap(Map::Two);
    });
    setMapSelectionOffered(false);

    lblEKNR = named(new QLabel(this), "lblEKNR");
    lblEKNR->setToolTip(u("Nummer des in der Tabelle dargestellten Einspritzkennfeldes"));
    QFont bold = lblEKNR->font();
    bold.setBold(true);
    lblEKNR->setFont(bold);

    Frame3 = named(new QGroupBox(u("Fördermenge EV"), this), "Frame3");
    Frame3->setToolTip(u("Angabe der statischen Förderleistung des verwendeten Einspritzventils"));
    udFoerdermenge = named(new BuddyUpDown(BuddyUpDown::Shown::RisesWithValue, Frame3), "udFoerdermenge");
    udFoerdermenge->setRange(lambda::kFlowMin, lambda::kFlowMax);
    udFoerdermenge->setSingleStep(1);
    txtFoerdermenge = named(new QLineEdit(Frame3), "txtFoerdermenge");
    txtFoerdermenge->setReadOnly(true);
    txtFoerdermenge->setFocusPolicy(Qt::NoFocus);
    txtFoerdermenge->setMaximumWidth(txtFoerdermenge->fontMetrics().horizontalAdvance(u("8888")) + 16);
    Label9 = named(new QLabel(u("g / min."), Frame3), "Label9");
    auto* flow = new QHBoxLayout(Frame3);
    flow->setSpacing(2);
    flow->addWidget(txtFoerdermenge);
    flow->addWidget(udFoerdermenge);
    flow->addSpacing(4);
    flow->addWidget(Label9);
    flow->addStretch();
    connect(udFoerdermenge, &QSpinBox::valueChanged, this, &InjectionTab::flowChanged);
    setFlow(lambda::kFlowDesign);

    Frame6 = named(new QGroupBox(u("Schreibmodus"), this), "Frame6");
    Frame6->setToolTip(u("Übertragungsmodus für Einspritzkennfeld festlegen"));
    CmbSModeInjTable = named(new QComboBox(Frame6), "CmbSModeInjTable");
    CmbSModeInjTable->setToolTip(u("Übertragungsmodus für Einspritzwerte festlegen"));
    CmbSModeInjTable->addItems({ kTableMode, kCellMode });
    auto* mode = new QHBoxLayout(Frame6);
    mode->addWidget(CmbSModeInjTable);
    mode->addStretch();

    const auto button = [this](const char* name, const char* text, const char* tip) {
        auto* b = named(new QPushButton(u(text), this), name);
        b->setToolTip(u(tip));
        b->setAutoDefault(false);
        return b;
    };
    Command1 = button("Command1", "&Lesen", "Einspritzkennfeld(er) vom Steuergerät lesen");
    Command2 = button("Command2", "&Schreiben", "Einspritzkennwert(e) in Steuergerät schreiben");
    Command3 = button("Command3", "Sichern auf &Disk", "Einspritzkennfeld auf Datenträger sichern");
    Command4 = button("Command4", "L&aden von Disk", "Einspritzkennfeld von Datenträger laden");
    cmdHistory = button("cmdHistory", "&Verlauf...", "Gespeicherte Version des Einspritzkennfelds laden");
    connect(
        cmdHistory, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromHistory(); }); });
    cmdCompare = button(
        "cmdCompare", "Ver&gleichen...", "Das Einspritzkennfeld mit einer Datei oder dem Steuergerät vergleichen");
    lblCompare = named(new QLabel(this), "lblCompare");
    lblCompare->setWordWrap(true);
    buildCompareMenu();
    buttonkeys::pressOnReturn({ Command1, Command2, Command3, Command4, cmdHistory });
    connect(Command1, &QPushButton::clicked, this, [this] { context().runAction([this] { readMap(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { context().runAction([this] { write(); }); });
    connect(Command3, &QPushButton::clicked, this, [this] { context().runAction([this] { saveToDisk(); }); });
    connect(Command4, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromDisk(); }); });

    auto* left = new QVBoxLayout;
    left->addWidget(Label10);
    left->addWidget(msfgEV);
    left->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(lblEKNR);
    right->addWidget(grEvKfSel);
    right->addWidget(Frame3);
    right->addWidget(Frame6);
    right->addStretch();
    auto* buttons = new QGridLayout;
    buttons->addWidget(Command1, 0, 0);
    buttons->addWidget(Command2, 0, 1);
    buttons->addWidget(Command3, 1, 0);
    buttons->addWidget(Command4, 1, 1);
    buttons->addWidget(cmdHistory, 2, 0);
    buttons->addWidget(cmdCompare, 2, 1);
    right->addLayout(buttons);
    right->addWidget(lblCompare);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
    layout->addStretch();

    setUpGrid();
    showMap(Map::One);
}

// SetUpInjectionGrid
void InjectionTab::setUpGrid()
{
    msfgEV->item(0, 0)->setText(lambda::kCornerLabel);
    for (int row = 1; row <= lambda::kRows; ++row)
        msfgEV->item(row, 0)->setText(lambda::rowLabels().at(row - 1));
    for (int column = 1; column <= lambda::kColumns; ++column)
        msfgEV->item(0, column)->setText(lambda::columnLabels().at(column - 1));
    // The design widths, or more where the font needs it.
    int bandWidth = kBandWidth;
    for (int row = 0; row <= lambda::kRows; ++row)
        bandWidth
            = std::max(bandWidth, msfgEV->fontMetrics().horizontalAdvance(msfgEV->item(row, 0)->text()) + 12);
    int cellWidth = kCellWidth;
    for (int column = 1; column <= lambda::kColumns; ++column)
        cellWidth
            = std::max(cellWidth, msfgEV->fontMetrics().horizontalAdvance(msfgEV->item(0, column)->text()) + 12);
    msfgEV->setColumnWidth(0, bandWidth);
    for (int column = 1; column <= lambda::kColumns; ++column)
        msfgEV->setColumnWidth(column, cellWidth);
    const int frame = msfgEV->frameWidth() * 2;
    msfgEV->setFixedSize(frame + bandWidth + lambda::kColumns * cellWidth,
        frame + (lambda::kRows + 1) * msfgEV->verticalHeader()->defaultSectionSize());
}

void InjectionTab::setMapSelectionOffered(bool offered)
{
    for (QWidget* w : std::initializer_list<QWidget*> { grEvKfSel, optEVK1, optEVK2 })
        w->setEnabled(offered);
}

// optEVK1_Click, optEVK2_Click: nothing is transferred; highlight and target stay.
void InjectionTab::showMap(Map map)
{
    // A comparison holds for the map it was made with.
    if (m_compared && map != m_comparedMap)
        endComparison();
    m_maps.show(map);
    const bool one = map == Map::One;
    lblEKNR->setText(one ? u("SOLL-Lambda (1)") : u("SOLL-Lambda (2)"));
    setTextColour(lblEKNR, one ? kMap1Colour : kMap2Colour);
    // A map chosen from here, not by the buttons, shows on them too.
    QRadioButton* option = one ? optEVK1 : optEVK2;
    if (!option->isChecked()) {
        const QSignalBlocker quiet(option);
        option->setChecked(true);
    }
    showShownMap();
}

void InjectionTab::showCell(Cell cell)
{
    msfgEV->item(cell.row, cell.column)->setText(m_maps.text(m_maps.shown(), cell));
}

void InjectionTab::showShownMap()
{
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column)
            showCell({ row, column });
}

void InjectionTab::setFlow(int rate)
{
    const QScopedValueRollback quiet(m_settingFlow, true);
    udFoerdermenge->setValue(rate);
    // The same value again sends no change; the field still shows it.
    txtFoerdermenge->setText(QString::number(udFoerdermenge->value()));
    m_maps.setFlow(udFoerdermenge->value());
}

// MarkLambdaCell
void InjectionTab::markCell(int row, int column)
{
    if (row < 1 || row > lambda::kRows || column < 1 || column > lambda::kColumns)
        return;
    if (const std::optional<Cell> old = std::exchange(m_highlight, std::nullopt))
        paintCell(*old);
    msfgEV->setCurrentCell(row, column);
    msfgEV->item(row, column)->setBackground(kHighlight);
    m_highlight = Cell { row, column };
    m_maps.setTarget(*m_highlight);
}

// The editor's text committed on the cell it was opened on.
void InjectionTab::commitEdit(int row, int column, const QString& typed)
{
    const Cell cell { row, column };
    EditState before = editState();
    const lambda::Commit commit = m_maps.commit(m_maps.shown(), cell, typed);
    if (commit.rangeBox)
        platform().messageBox(this, lambda::kRangeTitle, lambda::kRangeText, Platform::Icon::Critical);
    showCell(cell);
    if (m_maps.text(m_maps.shown(), cell) != before.maps.text(m_maps.shown(), cell)) {
        record(std::move(before));
        edited();
    }
}

// Enter also chooses the cell; Enter and Down move one row down, Up one up.
void InjectionTab::editorLeft(int key)
{
    msfgEV->setFocus();
    const int row = msfgEV->currentRow();
    const int column = msfgEV->currentColumn();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        markCell(row, column);
        [[fallthrough]];
    case Qt::Key_Down:
        if (row < lambda::kRows)
            msfgEV->setCurrentCell(row + 1, column);
        break;
    case Qt::Key_Up:
        if (row > 1)
            msfgEV->setCurrentCell(row - 1, column);
        break;
    default:
        break;
    }
}

injection::Listener InjectionTab::listener(TransferScope& scope)
{
    injection::Listener l;
    // 60 cells and the flow rate share the bar's range; it ends full.
    l.progress = [&scope](int done, int total) {
        scope.progress(RacingContext::kProgressMin
            + done * (RacingContext::kProgressMax - RacingContext::kProgressMin) / total);
    };
    l.cellRead = [this](Cell cell, const lambda::ReadCell& read) {
        if (read.invalid)
            boxes::defaultUsed(this, lambda::kInvalidReadText);
        showCell(cell);
    };
    l.unconfirmed = [this] { boxes::transferError(this, lambda::kTransferErrorText); };
    return l;
}

// Command1: the shown map and the flow rate. No completion box.
void InjectionTab::readMap()
{
    EditState before = editState();
    injection::Result result;
    {
        TransferScope scope(context().tableTransfer());
        result = injection::read(context(), m_maps, m_maps.shown(), listener(scope));
    }
    if (result.outcome != TransferOutcome::Done)
        return; // the link is lost: the window closes
    setFlow(m_maps.flow());
    servicetables::publish(context().session(), m_maps, m_maps.shown());
    if (result.flowReplaced)
        boxes::defaultUsedHint(this, lambda::kFlowInvalidText);
    setSource(lambda::kFromUnit);
    keepVersion(m_maps, UnitHistory::kFromUnit);
    mapRead(std::move(before));
}

// Command2
void InjectionTab::write()
{
    if (CmbSModeInjTable->currentText() == kTableMode)
        writeTable();
    else
        writeCell();
}

bool InjectionTab::refuseIncomplete()
{
    if (m_maps.complete(m_maps.shown()))
        return false;
    platform().messageBox(this, lambda::kIncompleteTitle, lambda::kIncompleteText, Platform::Icon::Critical);
    return true;
}

// A cell the unit would store cut or wrapped (only a file can bring one in)
// refuses the write before its first byte.
bool InjectionTab::refuseUnsendable(const std::optional<Cell>& cell)
{
    if (!cell)
        return false;
    platform().messageBox(this, lambda::kIncompleteTitle,
        lambda::unsendableText(m_maps.text(m_maps.shown(), *cell), *cell), Platform::Icon::Critical);
    return true;
}

void InjectionTab::writeTable()
{
    if (refuseIncomplete() || refuseUnsendable(m_maps.firstUnsendable(m_maps.shown())))
        return;
    injection::Result result;
    {
        TransferScope scope(context().tableTransfer());
        result = injection::write(context(), m_maps, m_maps.shown(), listener(scope));
    }
    switch (result.outcome) {
    case TransferOutcome::Done:
        // Values the unit did not confirm never end in the completion box.
        if (result.confirmed()) {
            tableKept(m_maps.shown());
            context().completion(boxes::kUpdateComplete);
        } else
            boxes::transferError(this, injection::unconfirmedText(result));
        break;
    case TransferOutcome::EngineRunning:
        boxes::transferError(this, lambda::kEngineTurnsText);
        break;
    case TransferOutcome::Incomplete:
    case TransferOutcome::EchoMismatch:
    case TransferOutcome::LinkLost:
        break; // refused above, or the window closes
    }
}

// "Datenpunkt": the chosen cell of the shown map; nothing is locked and no
// completion box follows.
void InjectionTab::writeCell()
{
    const std::optional<Cell> target = m_maps.target();
    if (!target) {
        platform().messageBox(this, lambda::kIncompleteTitle, lambda::kNoCellText, Platform::Icon::Critical);
        return;
    }
    if (refuseIncomplete())
        return;
    const std::optional<int> stored = m_maps.storedValue(m_maps.shown(), *target);
    if (!stored) {
        refuseUnsendable(target);
        return;
    }
    TransferScope scope(context().parameterTransfer(), QString());
    scope.progress(RacingContext::kParameterProgress);
    if (injection::writeCell(context(), m_maps.shown(), *target, *stored) == TransferOutcome::EchoMismatch)
        boxes::transferError(this, lambda::kTransferErrorText);
}

// Command3
void InjectionTab::saveToDisk()
{
    const std::optional<QString> path = platform().saveFileName(this, fileDialog(u("Speichern unter")));
    if (!path || path->isEmpty())
        return;
    const tla::Encoded file = tla::write(m_maps, m_maps.shown());
    switch (file.refusal) {
    case tla::Refusal::None:
        break;
    case tla::Refusal::Incomplete:
        platform().messageBox(this, lambda::kIncompleteTitle, lambda::kIncompleteText, Platform::Icon::Critical);
        return;
    case tla::Refusal::Unsavable:
        platform().messageBox(this, lambda::kIncompleteTitle, lambda::unsavableText(file.cellText, file.cell),
            Platform::Icon::Critical);
        return;
    }
    if (!tla::save(*path, file.content)) {
        platform().messageBox(this, kAppTitle, tla::saveFailedText(*path), Platform::Icon::Critical);
        return;
    }
    tableKept(m_maps.shown());
}

// Command4: into the shown map only.
void InjectionTab::loadFromDisk()
{
    if (const std::optional<ChosenFile> file = chooseFile(u("Öffnen"))) {
        loadContent(file->content, file->path);
        keepVersion(m_maps, file->path);
    }
}

// A lambda table file the user chooses, read whole; a file that cannot be
// read gets its box.
std::optional<InjectionTab::ChosenFile> InjectionTab::chooseFile(const QString& title)
{
    const std::optional<QString> path = platform().openFileName(this, fileDialog(title));
    if (!path || path->isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> content = tla::load(*path);
    if (!content) {
        platform().messageBox(this, kAppTitle, tla::loadFailedText(*path), Platform::Icon::Critical);
        return std::nullopt;
    }
    return ChosenFile { *path, *content };
}

// cmdHistory: a stored version loads into the shown map as a file would.
void InjectionTab::loadFromHistory()
{
    if (const std::optional<history::Picked> picked
        = history::pick(this, context().session().history(), UnitHistory::Kind::LambdaMap))
        loadContent(picked->bytes, history::sourceText(picked->version));
}

void InjectionTab::loadContent(const QByteArray& content, const QString& source)
{
    EditState before = editState();
    const tla::LoadResult result = tla::read(content, m_maps, m_maps.shown());
    showShownMap();
    if (result.flowReplaced)
        platform().messageBox(
            this, lambda::kFlowInvalidTitle, lambda::kFlowInvalidText, Platform::Icon::Information);
    setFlow(m_maps.flow());
    setSource(source);
    record(std::move(before));
    // The map now holds what a file holds: nothing to keep in the journal.
    unsaved(m_maps.shown()) = false;
    changed();
}

// A map that could not be saved as a file (an empty or unsavable cell) is
// not kept either; the trace says so.
void InjectionTab::keepVersion(const lambda::LambdaMaps& maps, const QString& source)
{
    const tla::Encoded file = tla::write(maps, maps.shown());
    if (file.refusal != tla::Refusal::None) {
        context().session().link().traceEvent(QStringLiteral("history: lambda map not kept, it has no file form"));
        return;
    }
    history::keep(context().session(), UnitHistory::Kind::LambdaMap, file.content, tla::kDefaultExtension, source);
}

// --- Undo, copy and paste -----------------------------------------------------

InjectionTab::EditState InjectionTab::editState() const
{
    return { m_maps, source(), m_unsaved };
}

void InjectionTab::record(EditState before)
{
    m_undo.record(std::move(before));
    m_flowStep = false;
}

void InjectionTab::restore(const EditState& state)
{
    m_maps.takeValues(state.maps);
    m_unsaved = state.unsaved;
    m_flowStep = false;
    setFlow(m_maps.flow());
    setSource(state.source);
    showShownMap();
    changed();
}

// After every change of a map: the comparison follows it and the journal is
// brought up to date shortly.
void InjectionTab::changed()
{
    if (m_compared)
        showComparison();
    m_journalTimer->start();
}

// A change by the user to the shown map or the flow rate.
void InjectionTab::edited()
{
    unsaved(m_maps.shown()) = true;
    changed();
}

// A complete read is one undo step and the map's new baseline; the unit now
// holds what the grid shows.
void InjectionTab::mapRead(EditState before)
{
    record(std::move(before));
    m_baselines[m_maps.shown() == Map::Two ? 1 : 0] = m_maps;
    unsaved(m_maps.shown()) = false;
    changed();
}

// The unit or a file has the map now.
void InjectionTab::tableKept(Map map)
{
    unsaved(map) = false;
    m_journals[map == Map::Two ? 1 : 0].clear();
}

// Up-down steps one after the other are one undo step.
void InjectionTab::flowChanged(int rate)
{
    txtFoerdermenge->setText(QString::number(rate));
    if (m_settingFlow) {
        m_maps.setFlow(rate);
        return;
    }
    if (!m_flowStep) {
        record(editState());
        m_flowStep = true;
    }
    m_maps.setFlow(rate);
    edited();
}

// The keys act wherever the focus is in the window while the tab is shown
// (a transfer's lock may have moved the focus out of the tab); a focused text
// field and an open cell editor keep their own. Ctrl+Tab stays the window's.
void InjectionTab::installEditKeys()
{
    const auto key = [this](QKeySequence sequence, void (InjectionTab::*slot)()) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, slot] {
            if (!msfgEV->editing())
                context().runAction([this, slot] { (this->*slot)(); });
        });
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), &InjectionTab::undo);
    key(QKeySequence(Qt::CTRL | Qt::Key_Y), &InjectionTab::redo);
    key(QKeySequence(Qt::CTRL | Qt::Key_C), &InjectionTab::copy);
    key(QKeySequence(Qt::CTRL | Qt::Key_V), &InjectionTab::paste);
}

void InjectionTab::undo()
{
    if (std::optional<EditState> state = m_undo.undo(editState()))
        restore(*state);
}

void InjectionTab::redo()
{
    if (std::optional<EditState> state = m_undo.redo(editState()))
        restore(*state);
}

gridclip::Area InjectionTab::copyArea() const
{
    const QList<QTableWidgetSelectionRange> ranges = msfgEV->selectedRanges();
    if (ranges.isEmpty() || singleCellSelection(msfgEV))
        return lambda::wholeMap();
    const QTableWidgetSelectionRange& r = ranges.front();
    const int top = std::max(1, r.topRow());
    const int left = std::max(1, r.leftColumn());
    return { top - 1, left - 1, r.bottomRow() - top + 1, r.rightColumn() - left + 1 };
}

void InjectionTab::copy()
{
    platform().setClipboardText(lambda::copyText(m_maps, m_maps.shown(), copyArea()));
}

void InjectionTab::paste()
{
    const QString text = platform().clipboardText();
    if (gridclip::parse(text).isEmpty())
        return;
    Cell from { std::max(1, msfgEV->currentRow()), std::max(1, msfgEV->currentColumn()) };
    if (const QList<QTableWidgetSelectionRange> ranges = msfgEV->selectedRanges();
        !ranges.isEmpty() && !singleCellSelection(msfgEV))
        from = { std::max(1, ranges.front().topRow()), std::max(1, ranges.front().leftColumn()) };
    lambda::LambdaMaps pasted = m_maps;
    const gridclip::PasteResult result = lambda::paste(pasted, m_maps.shown(), text, from);
    if (result.fault) {
        platform().messageBox(
            this, QStringLiteral("Einfügen"), lambda::pasteFaultText(*result.fault), Platform::Icon::Critical);
        return;
    }
    if (result.changed == 0)
        return;
    record(editState());
    m_maps.takeValues(pasted);
    showShownMap();
    edited();
}

// --- Comparing ------------------------------------------------------------------

void InjectionTab::buildCompareMenu()
{
    auto* menu = new QMenu(cmdCompare);
    const auto entry = [this, menu](const char* name, const QString& text, void (InjectionTab::*slot)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
            [this, slot] { context().runAction([this, slot] { (this->*slot)(); }); });
        return action;
    };
    entry("actCompareFile", u("Mit Datei..."), &InjectionTab::compareWithFile);
    m_compareHistory = entry("actCompareHistory", u("Mit früherem Stand..."), &InjectionTab::compareWithHistory);
    entry("actCompareUnit", u("Mit Steuergerät"), &InjectionTab::compareWithUnit);
    menu->addSeparator();
    m_endComparison = entry("actEndComparison", u("Vergleich beenden"), &InjectionTab::endComparison);
    m_endComparison->setEnabled(false);
    cmdCompare->setMenu(menu);
}

void InjectionTab::compareWithFile()
{
    const std::optional<ChosenFile> file = chooseFile(u("Vergleichen mit"));
    if (file)
        compareWithContent(file->content, QFileInfo(file->path).fileName());
}

// A table file's content as the shown map, compared. Rows the file lacks
// compare with themselves, as a load would leave them.
void InjectionTab::compareWithContent(const QByteArray& content, const QString& what)
{
    lambda::LambdaMaps other = m_maps;
    if (tla::read(content, other, m_maps.shown()).flowReplaced)
        platform().messageBox(
            this, lambda::kFlowInvalidTitle, lambda::kFlowInvalidText, Platform::Icon::Information);
    compareWith(other, what);
}

// Comparing with a stored version of the unit's map, as the shown map.
void InjectionTab::compareWithHistory()
{
    const std::optional<history::Picked> picked
        = history::pick(this, context().session().history(), UnitHistory::Kind::LambdaMap);
    if (picked)
        compareWithContent(picked->bytes, history::sourceText(picked->version));
}

// The same requests and pacing as "&Lesen", into the comparison: the grid
// keeps its values. A lost link closes the window as after a read.
void InjectionTab::compareWithUnit()
{
    lambda::LambdaMaps unit = m_maps;
    injection::Result result;
    {
        TransferScope scope(context().tableTransfer());
        injection::Listener l = listener(scope);
        l.cellRead = [this](Cell, const lambda::ReadCell& read) {
            if (read.invalid)
                boxes::defaultUsed(this, lambda::kInvalidReadText);
        };
        result = injection::read(context(), unit, m_maps.shown(), l);
    }
    if (result.outcome != TransferOutcome::Done)
        return;
    if (result.flowReplaced)
        boxes::defaultUsedHint(this, lambda::kFlowInvalidText);
    m_baselines[m_maps.shown() == Map::Two ? 1 : 0] = unit;
    keepVersion(unit, UnitHistory::kFromUnit);
    compareWith(unit, u("Steuergerät"));
}

void InjectionTab::compareWith(const lambda::LambdaMaps& other, const QString& what)
{
    m_compared = other;
    m_comparedMap = m_maps.shown();
    m_comparedWith = what;
    showComparison();
}

void InjectionTab::endComparison()
{
    m_compared.reset();
    m_comparedWith.clear();
    const std::vector<Cell> marked = std::exchange(m_differing, {});
    for (const Cell& cell : marked)
        paintCell(cell);
    m_differences = 0;
    m_flowDiffers = false;
    txtFoerdermenge->setStyleSheet(QString());
    txtFoerdermenge->setToolTip(QString());
    lblCompare->clear();
    m_endComparison->setEnabled(false);
}

QString InjectionTab::comparisonText() const
{
    if (!m_compared)
        return {};
    return u("Vergleich mit %1: %2").arg(m_comparedWith, gridclip::differenceCount(m_differences));
}

void InjectionTab::showComparison()
{
    const std::vector<Cell> before
        = std::exchange(m_differing, lambda::differences(m_maps, *m_compared, m_comparedMap));
    for (const Cell& cell : before)
        paintCell(cell);
    for (const Cell& cell : m_differing)
        paintCell(cell);
    m_flowDiffers = m_compared->flow() != m_maps.flow();
    m_differences = int(m_differing.size()) + (m_flowDiffers ? 1 : 0);
    txtFoerdermenge->setStyleSheet(m_flowDiffers ? u("QLineEdit { background-color: rgb(%1, %2, %3); }")
                                                       .arg(kDiffers.red())
                                                       .arg(kDiffers.green())
                                                       .arg(kDiffers.blue())
                                                 : QString());
    txtFoerdermenge->setToolTip(m_flowDiffers ? u("Vergleichswert: %1 g/min").arg(m_compared->flow()) : QString());
    lblCompare->setText(comparisonText());
    m_endComparison->setEnabled(true);
}

// A data cell's colour: the highlighted cell, a value that differs, or plain.
void InjectionTab::paintCell(Cell cell)
{
    QTableWidgetItem* item = msfgEV->item(cell.row, cell.column);
    const bool differs
        = m_compared && std::find(m_differing.begin(), m_differing.end(), cell) != m_differing.end();
    if (differs) {
        const QString& theirs = m_compared->text(m_comparedMap, cell);
        item->setToolTip(theirs.isEmpty() ? u("Vergleichswert: leer") : u("Vergleichswert: %1").arg(theirs));
    } else {
        item->setToolTip(QString());
    }
    if (m_highlight == cell)
        item->setBackground(kHighlight);
    else
        item->setBackground(differs ? kDiffers : QColor(Qt::white));
}

// --- Journal ------------------------------------------------------------------

void InjectionTab::writeJournal()
{
    m_journalTimer->stop();
    for (const Map map : { Map::One, Map::Two }) {
        const int i = map == Map::Two ? 1 : 0;
        if (!m_unsaved[i]) {
            m_journals[i].clear();
            continue;
        }
        std::optional<QByteArray> baseline;
        if (m_baselines[i])
            baseline = lambda::journalContent(*m_baselines[i], map);
        m_journals[i].write(lambda::journalContent(m_maps, map), baseline);
    }
}

// On opening: edits of either map the unit and no file got last time are
// offered back, each on its own.
void InjectionTab::offerJournal()
{
    for (const Map map : { Map::One, Map::Two }) {
        const int i = map == Map::Two ? 1 : 0;
        const std::optional<EditJournal::Entry> entry = m_journals[i].read();
        if (!entry)
            continue;
        lambda::LambdaMaps edited = m_maps;
        lambda::readJournal(entry->table, edited, map);
        std::optional<int> differences;
        if (entry->baseline) {
            lambda::LambdaMaps baseline;
            lambda::readJournal(*entry->baseline, baseline, map);
            differences = int(lambda::differences(edited, baseline, map).size());
            m_baselines[i] = baseline;
        }
        const QString question
            = EditJournal::question(u("der Lambdatabelle (Kennfeld %1)").arg(i + 1), entry->written, differences);
        if (platform().messageBox(
                this, u("Wiederherstellen"), question, Platform::Icon::Question, Platform::Buttons::YesNo)
            != Platform::Answer::Yes) {
            m_journals[i].clear();
            m_baselines[i].reset();
            continue;
        }
        record(editState());
        m_maps.takeValues(edited);
        m_unsaved[i] = true;
        setFlow(m_maps.flow());
        setSource(u("Wiederhergestellt (Änderungen vom %1)").arg(entry->written.toString(u("dd.MM.yyyy HH:mm"))));
        showMap(map);
        changed();
    }
}
