#include "entry/zozudexcombobox.h"

#include "common/screenkeys.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// Shows the dataset as it is, with the titles of the configured columns.
class TitledColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QHash<int, QString> titles;

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && titles.contains(section))
            return titles.value(section);
        return QIdentityProxyModel::headerData(section, orientation, role);
    }
};

int sourceColumn(const QAbstractItemModel *model, const QString &field)
{
    if (!model)
        return -1;
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

} // namespace

TZozudExComboBox::TZozudExComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);   // no automatic completion

    m_popup = new QFrame(this, Qt::Popup | Qt::FramelessWindowHint);
    m_popup->setObjectName(QStringLiteral("ZozudExPopup"));
    m_popup->setFrameShape(QFrame::Box);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    m_grid = new QTableView(m_popup);
    m_grid->setObjectName(QStringLiteral("ZozudExGrid"));
    m_grid->setFrameShape(QFrame::NoFrame);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setTabKeyNavigation(true);
    m_grid->setShowGrid(true);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->horizontalHeader()->setSectionsMovable(false);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    layout->addWidget(m_grid);

    auto *view = new TitledColumns(this);
    m_view = view;
    m_grid->setModel(m_view);

    m_popup->installEventFilter(this);
    m_grid->installEventFilter(this);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            closeUp(true);
    });
}

TZozudExComboBox::~TZozudExComboBox()
{
    m_closing = true;
    m_popup->removeEventFilter(this);
    m_grid->removeEventFilter(this);
}

void TZozudExComboBox::setDataSource(QAbstractItemModel *model)
{
    m_source = model;
    m_view->setSourceModel(model);
}

bool TZozudExComboBox::isDroppedDown() const
{
    return m_popup->isVisible();
}

void TZozudExComboBox::applyColumns()
{
    auto *view = static_cast<TitledColumns *>(m_view);
    view->titles.clear();
    QAbstractItemModel *model = m_view;
    const int count = model->columnCount();
    QHeaderView *header = m_grid->horizontalHeader();
    // Shown columns in the configured order, every other column hidden.
    for (int c = 0; c < count; ++c)
        m_grid->setColumnHidden(c, true);
    int visual = 0;
    for (const Column &col : m_columns) {
        const int c = sourceColumn(m_source, col.field);
        if (c < 0)
            continue;
        view->titles.insert(c, col.title);
        m_grid->setColumnHidden(c, false);
        m_grid->setColumnWidth(c, col.width);
        const int from = header->visualIndex(c);
        if (from != visual)
            header->moveSection(from, visual);
        ++visual;
    }
    header->setStretchLastSection(false);
    emit m_view->headerDataChanged(Qt::Horizontal, 0, qMax(0, count - 1));
}

void TZozudExComboBox::showPopup()
{
    applyColumns();
    m_popup->resize(m_gridWidth, m_gridHeight);
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_closing = false;
    m_popup->show();
    m_grid->setFocus(Qt::PopupFocusReason);
    QModelIndex current = m_grid->currentIndex();
    if (!current.isValid() && m_view->rowCount() > 0) {
        int firstShown = 0;
        while (firstShown < m_view->columnCount() && m_grid->isColumnHidden(firstShown))
            ++firstShown;
        current = m_view->index(0, firstShown < m_view->columnCount() ? firstShown : 0);
        m_grid->setCurrentIndex(current);
    }
    if (current.isValid())
        m_grid->selectRow(current.row());
}

void TZozudExComboBox::hidePopup()
{
    if (!m_popup->isVisible())
        return;
    m_closing = true;
    m_popup->hide();
    m_closing = false;
}

QString TZozudExComboBox::currentValue(const QString &field) const
{
    const QModelIndex current = m_grid->currentIndex();
    const int c = sourceColumn(m_source, field);
    if (!current.isValid() || c < 0)
        return QString();
    return m_view->index(current.row(), c).data().toString();
}

void TZozudExComboBox::closeUp(bool picked)
{
    // What the owner does with a pick must never leave the list open; a
    // failure there is the owner's to report.
    if (picked) {
        const QModelIndex current = m_grid->currentIndex();
        if (current.isValid())
            emit rowPicked(current.row());
    }
    hidePopup();
    returnToWindow();
    emit closedUp(picked);
}

void TZozudExComboBox::returnToWindow()
{
    // Some window systems make the pop-up the active window when it shows
    // and leave it so after it closed; the field's own window takes over.
    QWidget *own = window();
    if (own && own->isVisible() && own->windowHandle())
        own->windowHandle()->requestActivate();
}

bool TZozudExComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_popup && event->type() == QEvent::Hide && !m_closing) {
        // Hidden by the window system: the operator clicked outside. The
        // pop-up is still being closed here; move on once that is done.
        QTimer::singleShot(0, this, [this] {
            returnToWindow();
            emit closedUp(false);
        });
        return false;
    }
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (ScreenKeys::isEnter(key)) {
            closeUp(true);
            return true;
        }
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return false;
        case Qt::Key_Escape:
            closeUp(false);
            return true;
        default:
            if (!key->text().isEmpty()) {
                closeUp(false);
                return true;
            }
            return false;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
