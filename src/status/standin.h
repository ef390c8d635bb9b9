#pragma once

#include <QDialog>

class Link;

// Shown after a unit answered, until the live status window takes its place:
// the identification the unit sent, and closing closes the port.
class StatusStandIn : public QDialog {
    Q_OBJECT
public:
    StatusStandIn(Link& link, QWidget* parent = nullptr);

protected:
    void done(int result) override;

private:
    Link& m_link;
};
