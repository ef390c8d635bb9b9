#pragma once

#include <QWidget>

class QPushButton;
class QTextBrowser;
class QUrl;

// The program's own help viewer: the help pages with back, forward and start.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("DARuri - Hilfe");

    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page of a topic; an unknown or empty topic shows the start page.
    void showTopic(const QString& topic);
    QUrl currentPage() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onAnchor(const QUrl& url);
    void updateButtons();

    QTextBrowser* m_browser = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_forward = nullptr;
    QPushButton* m_home = nullptr;
};
