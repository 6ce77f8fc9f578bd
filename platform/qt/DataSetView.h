// ConnectDataSetView: makes a Qt item view over a TnxDataSetModel behave as a data-aware grid.
//
//  - The view's current row is the dataset's active record: moving it (a click, the arrow keys)
//    moves the dataset, which posts an edit of the row left; when the move is refused (the post
//    failed), the current row goes back to the dataset's record.
//  - When the dataset moves by itself (code, another view), the current row follows it.
//  - Escape, while no cell editor is open, cancels the record's pending edit.
//  - The columns get the widths of their fields' DisplayWidth when the model is reset.
// The connection uses the model's OnActiveRowChanged and lasts as long as the view.
#pragma once

class QAbstractItemView;

namespace tnxqt {

class TnxDataSetModel;

void ConnectDataSetView(QAbstractItemView* view, TnxDataSetModel* model);

} // namespace tnxqt
