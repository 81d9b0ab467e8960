#include "about/frmabout.h"

#include "ui/geometry.h"
#include "ui/prompts.h"

#include <velmora/version.h>

#include <algorithm>

#include <QLabel>
#include <QPushButton>

namespace velmora {

namespace {
const QChar kCR(13);
}

VersionInfo programVersion() {
    return {QString::fromUtf8(version::kProductName), QString::fromUtf8(version::kFileDescription),
            version::kMajor, version::kMinor, version::kRevision,
            QString::fromUtf8(version::kLegalCopyright)};
}

QString versionLabelText(const VersionInfo& info) {
    return info.fileDescription + kCR + QStringLiteral("Version ") + QString::number(info.major) +
           QLatin1Char('.') + QString::number(info.minor) + QLatin1Char('.') +
           QString::number(info.revision) + kCR + info.legalCopyright;
}

frmAbout::frmAbout(QWidget* parent, const VersionInfo& info)
    : QDialog(parent),
      lblName(new QLabel(this)),
      Picture1(new QLabel(this)),
      lblVersion(new QLabel(this)),
      Command1(new QPushButton(QStringLiteral("OK"), this)) {
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
    design.place(lblName, 0, 108, 2916, 396);
    lblName->setFont(interfaceFont(13.8));
    lblName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblName->setText(info.productName);

    design.place(Picture1, 1260, 636, 492, 396);
    Picture1->setAlignment(Qt::AlignCenter);

    // Three centred lines, as designed; a legal notice wider than the design
    // widens the window rather than wrapping or being cut off.
    m_versionText = versionLabelText(info);
    design.place(lblVersion, 0, 1140, 2916, 720);
    lblVersion->setText(displayText(m_versionText));
    lblVersion->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // The design's button size, centred: alone at the bottom it would look
    // misplaced at the design's left offset.
    design.place(Command1, (2916 - 972) / 2.0, 2652, 972, 396);
    setFixedSize(fitControls(this));
    for (QWidget* centred : {static_cast<QWidget*>(Picture1), static_cast<QWidget*>(Command1)})
        centred->move((width() - centred->width()) / 2, centred->y());

    Command1->setDefault(true);
    Command1->setAutoDefault(true);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::setPicture(const QIcon& icon) {
    const QSize box = Picture1->size();
    const int side = std::min(box.width(), box.height());
    Picture1->setPixmap(icon.pixmap(QSize(side, side), devicePixelRatio()));
}

}  // namespace velmora
