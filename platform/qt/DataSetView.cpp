// ConnectDataSetView.
#include "platform/qt/DataSetView.h"

#include "platform/qt/DataSetModel.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPointer>
#include <QTableView>
#include <QTimer>

#include <memory>

namespace tnxqt {

namespace {

// Escape outside a cell editor cancels the record's edit. (An open editor takes Escape itself and
// closes without writing; the next Escape reaches the view.)
class TCancelOnEscape : public QObject {
public:
    TCancelOnEscape(QAbstractItemView* view, TnxDataSetModel* model) : QObject(view), FModel(model) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || FModel.isNull()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
        FModel->CancelEdit();
        return true;
    }

private:
    QPointer<TnxDataSetModel> FModel;
};

void ApplyColumnWidths(QAbstractItemView* view, const TnxDataSetModel* model) {
    auto* table = qobject_cast<QTableView*>(view);
    if (table == nullptr) return;
    const QFontMetrics metrics(table->font());
    for (int column = 0; column < model->columnCount(); ++column)
        table->setColumnWidth(column, metrics.horizontalAdvance(QLatin1Char('0')) * model->ColumnCharacters(column) + 12);
}

} // namespace

void ConnectDataSetView(QAbstractItemView* view, TnxDataSetModel* model) {
    view->setModel(model);
    view->installEventFilter(new TCancelOnEscape(view, model));
    ApplyColumnWidths(view, model);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, [view, model] { ApplyColumnWidths(view, model); });

    QPointer<QAbstractItemView> guardedView(view);
    auto following = std::make_shared<bool>(false);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [guardedView, model, following](const QModelIndex& current, const QModelIndex&) {
                         if (*following || !current.isValid() || current.row() == model->ActiveRow()) return;
                         if (model->SetActiveRow(current.row())) return;
                         // Refused: the view goes back to the dataset's record once this change is over.
                         QTimer::singleShot(0, guardedView, [guardedView, model, following, column = current.column()] {
                             if (guardedView.isNull() || model->ActiveRow() < 0) return;
                             *following = true;
                             guardedView->setCurrentIndex(model->index(model->ActiveRow(), column));
                             *following = false;
                         });
                     });
    model->SetOnActiveRowChanged([guardedView, model, following](int row) {
        if (guardedView.isNull() || *following) return;
        const QModelIndex current = guardedView->currentIndex();
        if (current.isValid() && current.row() == row) return;
        *following = true;
        guardedView->setCurrentIndex(model->index(row, current.isValid() ? current.column() : 0));
        *following = false;
    });
}

} // namespace tnxqt
