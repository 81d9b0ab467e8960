#include "ui/applicationchooser.h"

#include "ui/designscale.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStyle>

#include <utility>

namespace velmora {

namespace {

// The row's place in the chooser's list of applications.
constexpr int kIndexRole = Qt::UserRole + 1;

// The icon an entry names: a file when it is a path, else one of the icon
// theme (an extension, which some entries add against the rule, left off),
// else `fallback`.
QIcon iconFor(const QString& name, const QIcon& fallback) {
    if (name.isEmpty()) return fallback;
    if (QFileInfo(name).isAbsolute()) return QFileInfo(name).isFile() ? QIcon(name) : fallback;
    QIcon themed = QIcon::fromTheme(name);
    if (themed.isNull()) {
        for (const char* ending : {".png", ".svg", ".xpm"}) {
            if (name.endsWith(QLatin1String(ending))) {
                themed = QIcon::fromTheme(name.chopped(int(qstrlen(ending))));
                break;
            }
        }
    }
    return themed.isNull() ? fallback : themed;
}

// The row's tooltip: what the application is, then its file.
QString tooltipFor(const InstalledApplication& app) {
    QStringList lines;
    if (!app.genericName.isEmpty() && app.genericName != app.name) lines << app.genericName;
    if (!app.comment.isEmpty()) lines << app.comment;
    lines << app.file;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

// Keeps the rows whose application the search text finds.
class ApplicationFilter final : public QSortFilterProxyModel {
public:
    // `applications` is shared with the chooser, not copied.
    ApplicationFilter(QList<InstalledApplication> applications, QObject* parent)
        : QSortFilterProxyModel(parent), m_applications(std::move(applications)) {}

    void setSearch(const QString& search) {
        m_search = search;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override {
        const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
        const int i = index.data(kIndexRole).toInt();
        return i >= 0 && i < m_applications.size() && m_applications[i].matches(m_search);
    }

private:
    const QList<InstalledApplication> m_applications;
    QString m_search;
};

ApplicationChooser::ApplicationChooser(QList<InstalledApplication> applications, QWidget* parent)
    : QDialog(parent), m_applications(std::move(applications)) {
    buildControls();
    fillList();
    applySearch({});
}

ApplicationChooser::~ApplicationChooser() = default;

void ApplicationChooser::buildControls() {
    setFont(interfaceFont(kDesignPointSize));
    setWindowTitle(QStringLiteral("Select application"));
    // Resizable, so it may be maximised; a modal dialog is not minimised.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    m_searchLabel = new QLabel(QStringLiteral("&Search:"), this);
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setPlaceholderText(QStringLiteral("Name, kind or command"));
    m_searchEdit->setClearButtonEnabled(true);
    m_searchLabel->setBuddy(m_searchEdit);
    m_list = new QListView(this);
    m_fileButton = new QPushButton(QStringLiteral("&File..."), this);
    m_fileButton->setToolTip(QStringLiteral("Choose a program or document file instead"));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);

    const std::pair<QWidget*, const char*> names[] = {
        {m_searchLabel, "searchLabel"}, {m_searchEdit, "searchEdit"}, {m_list, "applicationList"},
        {m_fileButton, "fileButton"},   {m_okButton, "okButton"},     {m_cancelButton, "cancelButton"}};
    for (const auto& [w, name] : names) w->setObjectName(QLatin1String(name));
    // A screen reader names a box after its label only where the toolkit
    // links them; saying it outright holds everywhere.
    m_searchEdit->setAccessibleName(QStringLiteral("Search applications"));
    m_list->setAccessibleName(QStringLiteral("Applications"));

    const DesignScale design(font());
    const int iconSide = qMax(24, design.y(360));
    m_list->setIconSize(QSize(iconSide, iconSide));
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(design.size(4800, 4800));

    // Return anywhere but on another focused button chooses, as OK does.
    m_okButton->setDefault(true);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_searchLabel);
    searchRow->addWidget(m_searchEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_fileButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(design.margins(120, 120, 120, 120));
    rows->setSpacing(design.y(90));
    rows->addLayout(searchRow);
    rows->addWidget(m_list, 1);
    rows->addLayout(buttons);

    setTabOrder(m_searchEdit, m_list);
    setTabOrder(m_list, m_fileButton);
    setTabOrder(m_fileButton, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    m_searchEdit->setFocus();
    m_searchEdit->installEventFilter(this);

    connect(m_searchEdit, &QLineEdit::textChanged, this, &ApplicationChooser::applySearch);
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) chooseCurrent();
    });
    connect(m_okButton, &QPushButton::clicked, this, &ApplicationChooser::chooseCurrent);
    connect(m_fileButton, &QPushButton::clicked, this, &ApplicationChooser::chooseFile);
    connect(m_cancelButton, &QPushButton::clicked, this, &ApplicationChooser::reject);
}

void ApplicationChooser::fillList() {
    m_model = new QStandardItemModel(this);
    QIcon generic = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (generic.isNull()) generic = style()->standardIcon(QStyle::SP_FileIcon);
    for (int i = 0; i < m_applications.size(); ++i) {
        const InstalledApplication& app = m_applications[i];
        auto* item = new QStandardItem(iconFor(app.icon, generic), app.name);
        item->setData(i, kIndexRole);
        item->setToolTip(tooltipFor(app));
        item->setData(app.comment.isEmpty() ? app.genericName : app.comment, Qt::AccessibleDescriptionRole);
        item->setEditable(false);
        m_model->appendRow(item);
    }
    m_filter = new ApplicationFilter(m_applications, this);
    m_filter->setSourceModel(m_model);
    m_list->setModel(m_filter);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ApplicationChooser::updateOkButton);
}

void ApplicationChooser::applySearch(const QString& search) {
    m_filter->setSearch(search);
    if (m_filter->rowCount() > 0) {
        const QModelIndex first = m_filter->index(0, 0);
        m_list->setCurrentIndex(first);
        m_list->scrollTo(first);
    }
    updateOkButton();
}

const InstalledApplication* ApplicationChooser::applicationAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    const int i = index.data(kIndexRole).toInt();
    return i >= 0 && i < m_applications.size() ? &m_applications[i] : nullptr;
}

void ApplicationChooser::updateOkButton() { m_okButton->setEnabled(applicationAt(m_list->currentIndex())); }

void ApplicationChooser::chooseCurrent() {
    const InstalledApplication* app = applicationAt(m_list->currentIndex());
    if (!app) return;
    m_choice = {ApplicationChoice::Kind::Application, *app};
    accept();
}

void ApplicationChooser::chooseFile() {
    m_choice = {ApplicationChoice::Kind::File, {}};
    accept();
}

bool ApplicationChooser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_searchEdit && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The list moves its current row; the focus stays in the search.
            QApplication::sendEvent(m_list, event);
            return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace velmora
