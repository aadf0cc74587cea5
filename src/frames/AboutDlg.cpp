#include "frames/AboutDlg.h"

#include <QApplication>
#include <QBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "platform/ControlIds.h"
#include "platform/Prompts.h"
#include "res/Strings.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(res::kAboutCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    QIcon image = QApplication::windowIcon();
    if (image.isNull())
        image = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(image.pixmap(32, 32));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* version = new QLabel(QString::fromUtf8(res::kAboutVersion), this);
    auto* about = new QLabel(QString::fromUtf8(res::kAboutSecondLine), this);
    auto* ok = new QPushButton(QString::fromUtf8(res::kOkCaption), this);
    SetControlId(ok, IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addWidget(about);
    texts->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addSpacing(icon->fontMetrics().averageCharWidth());
    layout->addLayout(texts, 1);
    layout->addSpacing(3 * icon->fontMetrics().averageCharWidth());
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
