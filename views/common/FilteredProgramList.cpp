#include "views/common/FilteredProgramList.h"

FilteredProgramModel::FilteredProgramModel(QListWidget* source, QObject* parent)
    : QAbstractListModel(parent), mSource(source)
{
}

void FilteredProgramModel::setRows(std::vector<int> rows)
{
    beginResetModel();
    mRows = std::move(rows);
    endResetModel();
}

QListWidgetItem* FilteredProgramModel::item(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= int(mRows.size()))
        return nullptr;
    return mSource->item(mRows[size_t(index.row())]);
}

int FilteredProgramModel::rowOf(const QListWidgetItem* item) const
{
    if (!item)
        return -1;
    const int sourceRow = mSource->row(item);
    const auto found = std::find(mRows.begin(), mRows.end(), sourceRow);
    return found == mRows.end() ? -1 : int(found - mRows.begin());
}

int FilteredProgramModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(mRows.size());
}

QVariant FilteredProgramModel::data(const QModelIndex& index, int role) const
{
    const QListWidgetItem* shown = item(index);
    return shown ? shown->data(role) : QVariant();
}

Qt::ItemFlags FilteredProgramModel::flags(const QModelIndex& index) const
{
    const QListWidgetItem* shown = item(index);
    return shown ? shown->flags() : Qt::NoItemFlags;
}

FilteredProgramList::FilteredProgramList(QListWidget* source, QWidget* parent)
    : ProgramListGestures<QListView>(parent), mModel(new FilteredProgramModel(source, this))
{
    setObjectName(QStringLiteral("lstFiltered"));
    ProgramListWidget::configure(this);
    keepOffTheTopEdge();
    setModel(mModel);
}
