#include "about/aboutdialog.h"

#include "ui/designscale.h"

#include <velmora/version.h>

#include <algorithm>

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

VersionInfo programVersion() {
    return {QString::fromUtf8(version::kProductName),
            QString::fromUtf8(version::kFileDescription),
            version::kMajor,
            version::kMinor,
            version::kRevision,
            QString::fromUtf8(version::kLegalCopyright)};
}

QString versionLabelText(const VersionInfo& info) {
    return info.fileDescription + QLatin1Char('\n') + QStringLiteral("Version ") +
           QString::number(info.major) + QLatin1Char('.') + QString::number(info.minor) + QLatin1Char('.') +
           QString::number(info.revision) + QLatin1Char('\n') + info.legalCopyright;
}

AboutDialog::AboutDialog(QWidget* parent, const VersionInfo& info)
    : QDialog(parent),
      m_nameLabel(new QLabel(this)),
      m_iconLabel(new QLabel(this)),
      m_versionLabel(new QLabel(this)),
      m_okButton(new QPushButton(QStringLiteral("OK"), this)) {
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_okButton->setObjectName(QStringLiteral("okButton"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setFont(interfaceFont(kDesignPointSize));
    // A fixed dialog frame: no resizing, no size grip, no help button.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DesignScale design(font());

    m_nameLabel->setFont(interfaceFont(13.8));
    m_nameLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_nameLabel->setText(info.productName);

    // The picture box of the design; setIcon() scales the icon into it.
    m_iconLabel->setFixedSize(design.size(492, 396));
    m_iconLabel->setAlignment(Qt::AlignCenter);

    // Three centred lines, as designed; a legal notice wider than the design
    // widens the window rather than wrapping or being cut off.
    m_versionText = versionLabelText(info);
    m_versionLabel->setText(m_versionText);
    m_versionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // At least the design's button size; alone at the bottom, it is centred.
    m_okButton->setMinimumSize(design.size(972, 396));

    // One centred column, the name at the top and OK at the bottom.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(design.margins(120, 108, 120, 96));
    column->setSpacing(design.y(108));
    column->addWidget(m_nameLabel);
    column->addWidget(m_iconLabel, 0, Qt::AlignHCenter);
    column->addWidget(m_versionLabel);
    column->addStretch();
    column->addWidget(m_okButton, 0, Qt::AlignHCenter);
    setFixedSize(design.size(2916, 3144).expandedTo(column->totalMinimumSize()));
    // Laid out now rather than at the first show: the window is measured
    // and placed before it is shown.
    column->activate();

    m_okButton->setDefault(true);
    m_okButton->setAutoDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDialog::setIcon(const QIcon& icon) {
    const QSize box = m_iconLabel->size();
    const int side = std::min(box.width(), box.height());
    m_iconLabel->setPixmap(icon.pixmap(QSize(side, side), devicePixelRatio()));
}

}  // namespace velmora
