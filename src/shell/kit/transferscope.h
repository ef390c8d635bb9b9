#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QWidget;

// How a transfer ended. A transfer loop returns it; the window maps it to its
// box, or closes on LinkLost, in one place.
enum class TransferOutcome {
    Done,
    LinkLost,
    EngineRunning, // a write refused while the engine turns
    Incomplete, // the table to write has gaps
    EchoMismatch,
};

// The controls a transfer touches: what it locks (tabs, exit button), the
// window whose close box it blocks, the status text and the progress bar.
struct TransferControls {
    QWidget* window = nullptr;
    QList<QWidget*> locked;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    int restingProgress = 1; // where the bar stands between transfers
    // A table transfer holds the close box until it ends; a parameter
    // transfer lets a close asked for meanwhile follow it instead.
    bool holdsClose = true;
};

// One transfer from start to end. Whatever way the transfer ends (done, lost
// link, echo mismatch, early return), leaving the scope unlocks the window,
// resets the bar and clears the status text.
class TransferScope {
public:
    static inline const QString kTransferText = QStringLiteral("Übertrage Daten...");

    // `status` is shown while the transfer runs (table transfers show
    // kTransferText, parameter transfers nothing).
    explicit TransferScope(const TransferControls& controls, const QString& status = kTransferText);
    ~TransferScope();
    TransferScope(const TransferScope&) = delete;
    TransferScope& operator=(const TransferScope&) = delete;

    // Moves the bar, kept within its range.
    void progress(int value);

    // Whether a transfer runs in `window`: its close box and Escape must wait.
    static bool running(const QWidget* window);

private:
    TransferControls m_controls;
    QList<QPointer<QWidget>> m_unlock; // what was enabled before and is enabled again
    QPointer<QWidget> m_window;
    QPointer<QLabel> m_status;
    QPointer<QProgressBar> m_progress;
};
