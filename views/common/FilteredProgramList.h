#pragma once

#include "views/common/ProgramListWidget.h"

#include <QAbstractListModel>
#include <QListView>

#include <vector>

class QListWidget;
class QListWidgetItem;

// The rows of a program list that a search leaves, as a model over the list's own items:
// every role (name, picture, and whatever a holder adds) is read from the item itself.
class FilteredProgramModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit FilteredProgramModel(QListWidget* source, QObject* parent = nullptr);

    void setRows(std::vector<int> rows);
    const std::vector<int>& rows() const { return mRows; }
    QListWidgetItem* item(const QModelIndex& index) const;
    // The row showing the item, or -1.
    int rowOf(const QListWidgetItem* item) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QListWidget* mSource;
    std::vector<int> mRows; // source rows
};

// The icon list shown instead of "lstView" while a search is active (object name
// "lstFiltered"), laid out, painted and reporting gestures like it.
class FilteredProgramList : public ProgramListGestures<QListView>
{
    Q_OBJECT
public:
    explicit FilteredProgramList(QListWidget* source, QWidget* parent = nullptr);
    FilteredProgramModel* filterModel() const { return mModel; }

private:
    FilteredProgramModel* mModel;
};
