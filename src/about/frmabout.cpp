#include "about/frmabout.h"

#include "ui/geometry.h"
#include "ui/prompts.h"

#include <velmora/version.h>

#include <algorithm>

#include <QFontMetricsF>
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
    setFont(interfaceFont(8.25));
    // A fixed dialog frame: no resizing, no size grip, no help button.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(twipsToPixelsX(2916), twipsToPixelsY(3144));

    lblName->setGeometry(twipsRect(-12, 108, 2928, 396));
    lblName->setFont(interfaceFont(13.8));
    lblName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblName->setText(info.productName);

    Picture1->setGeometry(twipsRect(1260, 636, 492, 396));
    Picture1->setAlignment(Qt::AlignCenter);

    // Three centred lines, as designed: a desktop font too wide for the
    // design's width is stepped down a little first; only if that is not
    // enough does a line wrap, and the label then grows into the free space
    // above the button rather than cutting text off.
    const QRect versionRect = twipsRect(0, 1140, 2928, 720);
    m_versionText = versionLabelText(info);
    const QString shown = displayText(m_versionText);
    QFont versionFont = lblVersion->font();
    const auto widest = [&shown](const QFont& f) {
        const QFontMetricsF metrics(f);
        qreal w = 0;
        for (const QString& line : shown.split(QLatin1Char('\n'))) w = std::max(w, metrics.horizontalAdvance(line));
        return w;
    };
    const qreal room = versionRect.width() - 2 * lblVersion->margin() - 4;
    while (widest(versionFont) > room && versionFont.pointSizeF() > 7.0)
        versionFont.setPointSizeF(versionFont.pointSizeF() - 0.25);
    lblVersion->setFont(versionFont);
    lblVersion->setText(shown);
    lblVersion->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblVersion->setWordWrap(true);
    const int roomBelow = twipsToPixelsY(2652) - versionRect.top() - 2;
    lblVersion->setGeometry(versionRect.left(), versionRect.top(), versionRect.width(),
                            std::max(versionRect.height(),
                                     std::min(roomBelow, lblVersion->heightForWidth(versionRect.width()))));

    // The design's button size, centred: alone at the bottom it would look
    // misplaced at the design's left offset.
    Command1->setGeometry(twipsRect((2916 - 972) / 2.0, 2652, 972, 396));
    Command1->setDefault(true);
    Command1->setAutoDefault(true);
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::setPicture(const QIcon& icon) {
    m_picture = icon;
    const QSize box = Picture1->size();
    const int side = std::min(box.width(), box.height());
    Picture1->setPixmap(icon.pixmap(QSize(side, side), devicePixelRatio()));
}

}  // namespace velmora
