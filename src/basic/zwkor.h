#pragma once

#include "core/bytes.h"

#include <QDialog>
#include <QSlider>

class QLabel;
class QPushButton;

// A horizontal slider that marks one position on its track: the correction
// the unit used when the window opened.
class MarkedSlider : public QSlider {
    Q_OBJECT
public:
    explicit MarkedSlider(QWidget* parent = nullptr);

    int markedPosition() const { return m_marked; }
    void setMarkedPosition(int position);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_marked = 0;
};

// The ignition angle correction window. It talks to no unit: it takes the
// unit's current correction byte and yields the command to send (empty for
// none); the status window does the sending.
class ZwKor : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Zündwinkelkorrektur");
    static inline const QString kHelpTopic = QStringLiteral("zwa.html");

    explicit ZwKor(int initCode, QWidget* parent = nullptr);

    Bytes exitCode() const { return m_exitCode; }

    // Shows the window modally and returns its ExitCode: what the status
    // window registers.
    static Bytes run(QWidget* parent, int initCode);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildUi();
    void Form_Load(int initCode);
    void sldZwKorr_Change(int position);
    void btnStd_Click();
    void Command1_Click();
    void Command2_Click();

    MarkedSlider* sldZwKorr = nullptr;
    QLabel* lblKorWinkel = nullptr;
    QPushButton* btnStd = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;
    Bytes m_exitCode;
};
