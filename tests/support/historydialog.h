#pragma once

#include "shell/kit/frmhistory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <QTimer>

// Answers the next history dialog from the keyboard, as a user would: the
// arrow keys to `row`, then Return (or Escape when `row` is negative). The
// listed texts are kept; `seen` stays false when no dialog came in time.
struct HistoryDialogAnswer {
    explicit HistoryDialogAnswer(int row)
        : row(row)
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        clock.start();
        timer.start(5);
    }

    int row;
    bool seen = false;
    QStringList items;

private:
    void poll()
    {
        FrmHistory* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<FrmHistory*>(w); d && d->isVisible())
                dialog = d;
        if (!dialog) {
            if (clock.elapsed() > 5000)
                timer.stop();
            return;
        }
        timer.stop();
        seen = true;
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("lstVersions"));
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        if (row < 0) {
            QTest::keyClick(list, Qt::Key_Escape);
            return;
        }
        for (int i = 0; i < row; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    }

    QTimer timer;
    QElapsedTimer clock;
};
