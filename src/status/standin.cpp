#include "standin.h"

#include "core/bytes.h"
#include "shell/link.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

StatusStandIn::StatusStandIn(Link& link, QWidget* parent) : QDialog(parent), m_link(link)
{
    setObjectName(QStringLiteral("FrmMStg"));
    setWindowTitle(QStringLiteral("Velmora - Motorsteuergerät"));
    auto* ident = new QLabel(QStringLiteral("Steuergerät an COM %1: %2")
                                 .arg(link.CurrentPort)
                                 .arg(bytes::text(link.ReplyBuffer)),
                             this);
    ident->setObjectName(QStringLiteral("txtStgType"));
    auto* close = new QPushButton(QStringLiteral("Motor&steuergerät schließen"), this);
    close->setObjectName(QStringLiteral("BtncmdExit"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ident);
    layout->addWidget(close);
}

void StatusStandIn::done(int result)
{
    m_link.LinkLostFlag = 0;
    m_link.ClosePort();
    QDialog::done(result);
}
