#include "about/aboutdialog.h"

#include "ui/geometry.h"

#include <velmora/version.h>

#include <algorithm>

#include <QLabel>
#include <QPushButton>

namespace velmora {

VersionInfo programVersion() {
    return {QString::fromUtf8(version::kProductName), QString::fromUtf8(version::kFileDescription),
            version::kMajor, version::kMinor, version::kRevision,
            QString::fromUtf8(version::kLegalCopyright)};
}

QString versionLabelText(const VersionInfo& info) {
    return info.fileDescription + QLatin1Char('\n') + QStringLiteral("Version ") + QString::number(info.major) +
           QLatin1Char('.') + QString::number(info.minor) + QLatin1Char('.') +
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
    const TwipDesign design(font());
    resize(design.size(2916, 3144));

    // The two labels span the window (the design lets them overhang it by
    // a few twips); their text is centred in it.
    design.place(m_nameLabel, 0, 108, 2916, 396);
    m_nameLabel->setFont(interfaceFont(13.8));
    m_nameLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_nameLabel->setText(info.productName);

    design.place(m_iconLabel, 1260, 636, 492, 396);
    m_iconLabel->setAlignment(Qt::AlignCenter);

    // Three centred lines, as designed; a legal notice wider than the design
    // widens the window rather than wrapping or being cut off.
    m_versionText = versionLabelText(info);
    design.place(m_versionLabel, 0, 1140, 2916, 720);
    m_versionLabel->setText(m_versionText);
    m_versionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // The design's button size, centred: alone at the bottom it would look
    // misplaced at the design's left offset.
    design.place(m_okButton, (2916 - 972) / 2.0, 2652, 972, 396);
    setFixedSize(fitControls(this));
    for (QWidget* centred : {static_cast<QWidget*>(m_iconLabel), static_cast<QWidget*>(m_okButton)})
        centred->move((width() - centred->width()) / 2, centred->y());

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
