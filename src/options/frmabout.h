#pragma once

#include <QLabel>
#include <QWidget>

class QPushButton;

// A label that reports a click, for the vendor link.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The about box: program version and the vendor's web address. Modeless.
class FrmAbout : public QWidget {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Produktinformation");
    static inline const QString kRelease = QStringLiteral("Version 2.412");
    static inline const QString kHelpTopic = QStringLiteral("support.html");
    // The configured vendor address.
    static inline const QString kVendorUrl = QStringLiteral("https://www.velmora.example/");

    explicit FrmAbout(QWidget* parent = nullptr);

    void lblURL_Click();
    void btnCmdExit_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();

    QLabel* m_lblRelease = nullptr;
    ClickLabel* m_lblURL = nullptr;
    QPushButton* m_btnCmdExit = nullptr;
};
