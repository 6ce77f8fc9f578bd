// TnxDataSetModel: a dataset as a Qt table model, for QTableView and any other Qt view.
//
// The model is a data-aware control in the framework's sense: it follows a TDataSource through a
// TDataLink and sees the dataset only through the link's notifications and the fields.
//
// Columns are the dataset's visible fields, in field order, headed by their display names, with a
// width hint from DisplayWidth (SizeHintRole). Cells show the fields' DisplayText; NULL shows as
// "NULL" in grey italics, so it never looks like an empty text (NullRole tells it apart too). An
// editor gets the field's edit text (Text).
//
// Rows are fetched in blocks (BlockSize rows, 256 by default): rowCount grows as the view asks for
// more (canFetchMore / fetchMore), so showing the first screen of a large result reads only its
// first block. Display texts are kept for at most CacheBlocks blocks (16 by default); other rows are
// read again when they are shown, so memory stays bounded however far the view scrolls. To read rows
// other than the dataset's active record the model moves the dataset there and back inside
// DisableControls / EnableControls, so other views see a single "dataset changed" afterwards and the
// active record stays where it was. While the dataset is being edited it is not moved: rows not read
// before show empty until the edit ends.
//
// Editing (when the model is not ReadOnly and the dataset and field can be modified): setData makes
// the row the active record (posting an edit of the row it leaves), puts the dataset into edit mode
// through the link (the source's AutoEdit), and writes the text through the field (Text, so
// OnSetText and the field's conversions apply). The edit stays pending until the row is left
// (SetActiveRow to another row, which posts it), PostEdit, or CancelEdit (Escape) which restores the
// record. Errors (conversion, validation, a failed post) go to OnError, or else to
// Application->HandleException; setData then returns false.
//
// Notifications: opening and closing reset the model; a layout change (fields shown, hidden,
// relabelled) updates the columns; records changing (post, cancel, delete, refresh) refresh every
// cell and bring the row count in line with the dataset; the dataset's active record moving by
// itself (code, another view) calls OnActiveRowChanged, which ConnectDataSetView uses to move the
// view's current row. The vertical header numbers the rows and marks the record being edited.
#pragma once

#include "platform/vcl/db/DataLink.h"
#include "platform/vcl/db/DBTypes.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace vcl {
class TDataSet;
class TDataSource;
class TField;
} // namespace vcl

namespace tnxqt {

class TDataSetModelLink;

class TnxDataSetModel : public QAbstractTableModel {
public:
    // A role answering whether the cell is NULL (a bool).
    static constexpr int NullRole = Qt::UserRole + 1;

    explicit TnxDataSetModel(QObject* parent = nullptr);
    ~TnxDataSetModel() override;

    vcl::TDataSource* GetDataSource() const;
    void SetDataSource(vcl::TDataSource* source);
    vcl::TDataSet* GetDataSet() const;

    int GetBlockSize() const { return FBlockSize; }
    // At least 1; takes effect at the next reset (opening the dataset, SetDataSource).
    void SetBlockSize(int rows);
    int GetCacheBlocks() const { return FCacheBlocks; }
    void SetCacheBlocks(int blocks);
    // A read-only model offers no editing whatever the dataset allows.
    bool GetReadOnly() const;
    void SetReadOnly(bool value);

    // The field shown in a column (null out of range).
    vcl::TField* FieldAt(int column) const;
    // The row of the dataset's active record (-1 when closed or empty).
    int ActiveRow() const { return FActiveRow; }
    // Makes a row the dataset's active record; an edit of the row left is posted first. Returns
    // whether the dataset stands on the row (false, after OnError, when the post or the move failed).
    bool SetActiveRow(int row);
    // Posts / cancels a pending edit; PostEdit returns false (after OnError) when the post failed.
    bool PostEdit();
    void CancelEdit();
    // Rows read from the dataset to fill the cache or to fetch (what a view costs the dataset).
    std::int64_t RowsRead() const { return FRowsRead; }
    // A width for a column, in characters of the field's DisplayWidth.
    int ColumnCharacters(int column) const;

    using TActiveRowEvent = std::function<void(int row)>;
    void SetOnActiveRowChanged(TActiveRowEvent e) { FOnActiveRowChanged = std::move(e); }
    using TErrorEvent = std::function<void(const QString& message)>;
    void SetOnError(TErrorEvent e) { FOnError = std::move(e); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    friend class TDataSetModelLink;

    struct TCell {
        QString Text;
        bool Null = false;
    };
    // The display texts of rows First .. First+Rows-1.
    struct TBlock {
        int First = 0;
        int Rows = 0;
        std::uint64_t LastUse = 0;
        std::vector<TCell> Cells; // Rows x columns, row by row
    };

    // The link's notifications.
    void LinkActiveChanged();
    void LinkLayoutChanged();
    void LinkDataSetChanged();
    void LinkScrolled();
    void LinkRecordChanged(vcl::TField* field);
    void LinkEditingChanged();

    void Reset(bool keepRows);
    // The dataset's visible fields, in order (none while it is closed).
    std::vector<vcl::TField*> VisibleFields() const;
    void BuildColumns();
    // The active record's row as the dataset tells it (RecNo), or the one tracked.
    int ReadActiveRow() const;
    void FollowActiveRow();
    // Grows or shrinks the rows to count.
    void SetRows(int count);
    void DropCache();
    // The cached cell, loading its block when needed; null when it cannot be read now.
    const TCell* CachedCell(int row, int column) const;
    // Reads up to FBlockSize rows of block into the cache; with probe, also learns whether rows
    // follow it. Returns the rows read; -1 when the dataset cannot be moved now.
    int LoadBlock(int block, bool probe) const;
    // Moves the dataset to a row (from the nearest place it knows); true when it got there.
    bool MoveToRow(int row) const;
    TCell ReadCell(vcl::TField* field) const;
    // Hands the exception being handled to OnError (or the application); call it in a catch block.
    void ReportError(const QString& fallback) const;
    bool CanEdit(vcl::TField* field) const;
    void EmitAllChanged();

    vcl::TOwned<TDataSetModelLink> FLink;
    std::vector<vcl::TField*> FColumns;
    int FRows = 0;          // rows the model shows (fetched so far)
    mutable bool FAtEnd = true; // whether every row has been fetched (learnt while reading)
    int FActiveRow = -1;
    int FBlockSize = 256;
    int FCacheBlocks = 16;
    mutable std::vector<TBlock> FCache;
    mutable std::vector<vcl::TBookmark> FBlockStarts; // bookmark of each block's first row, when known
    mutable std::uint64_t FUseClock = 0;
    mutable std::int64_t FRowsRead = 0;
    // Set while the model moves the dataset itself: the notifications that causes are its own.
    mutable bool FInternalMove = false;
    TActiveRowEvent FOnActiveRowChanged;
    TErrorEvent FOnError;
};

} // namespace tnxqt
