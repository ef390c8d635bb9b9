#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Runs `window` modally; `step` is called every `periodMs` until the window
// closes. Past `timeoutMs` the window is closed by `giveUp` (by default
// done(0)) and the result is false, so the caller fails the test.
inline bool runModal(QDialog& window, const std::function<void()>& step, int timeoutMs = 5000,
    const std::function<void()>& giveUp = {}, int periodMs = 5)
{
    QTimer driver;
    QElapsedTimer clock;
    clock.start();
    bool timedOut = false;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (clock.elapsed() > timeoutMs) {
            timedOut = true;
            driver.stop();
            if (giveUp)
                giveUp();
            else
                window.done(0);
            return;
        }
        if (step)
            step();
    });
    driver.start(periodMs);
    window.exec();
    return !timedOut;
}
