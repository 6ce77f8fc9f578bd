// TnxDataSetModel and the data link it follows the dataset through.
#include "platform/qt/DataSetModel.h"

#include "platform/qt/QtConvert.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/DataSource.h"
#include "platform/vcl/db/Field.h"
#include "platform/vcl/db/Fields.h"

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QSize>

#include <algorithm>
#include <cstdlib>

namespace tnxqt {

// --- The link -----------------------------------------------------------------------------------

// The model's data link: hands every notification to the model, except those the model's own
// moves through the dataset cause.
class TDataSetModelLink : public vcl::TDataLink {
    VCL_CLASS(TDataSetModelLink, vcl::TDataLink)
public:
    TDataSetModelLink() = default;
    void SetModel(TnxDataSetModel* model) { FModel = model; }

protected:
    ~TDataSetModelLink() override = default;
    void ActiveChanged() override {
        if (Listening()) FModel->LinkActiveChanged();
    }
    void LayoutChanged() override {
        if (Listening()) FModel->LinkLayoutChanged();
    }
    void DataSetChanged() override {
        if (Listening()) FModel->LinkDataSetChanged();
    }
    void DataSetScrolled(int) override {
        if (Listening()) FModel->LinkScrolled();
    }
    void RecordChanged(vcl::TField* field) override {
        if (Listening()) FModel->LinkRecordChanged(field);
    }
    void EditingChanged() override {
        if (Listening()) FModel->LinkEditingChanged();
    }

private:
    bool Listening() const { return FModel != nullptr && !FModel->FInternalMove; }

    TnxDataSetModel* FModel = nullptr;
};

VCL_CLASS_INFO(TDataSetModelLink)

namespace {

bool IsNumeric(vcl::TFieldType type) {
    switch (type) {
    case vcl::ftSmallint:
    case vcl::ftInteger:
    case vcl::ftWord:
    case vcl::ftFloat:
    case vcl::ftCurrency:
    case vcl::ftBCD:
    case vcl::ftAutoInc: return true;
    default: return false;
    }
}

// Restores the dataset's position and its controls after the model's own moves, on every path.
class TInternalMove {
public:
    TInternalMove(vcl::TDataSet* dataSet, bool& flag) : FDataSet(dataSet), FFlag(flag) {
        FFlag = true;
        FDataSet->DisableControls();
        FSaved = FDataSet->GetBookmark();
    }
    ~TInternalMove() {
        try {
            if (!FSaved.Empty()) FDataSet->GotoBookmark(FSaved);
        } catch (...) {
            // The active record could not be restored (it went away meanwhile); the controls are
            // told about the change below and follow the dataset where it is.
        }
        FDataSet->EnableControls();
        FFlag = false;
    }
    TInternalMove(const TInternalMove&) = delete;
    TInternalMove& operator=(const TInternalMove&) = delete;

private:
    vcl::TDataSet* FDataSet;
    bool& FFlag;
    vcl::TBookmark FSaved;
};

} // namespace

// --- Construction and settings ------------------------------------------------------------------

TnxDataSetModel::TnxDataSetModel(QObject* parent)
    : QAbstractTableModel(parent), FLink(vcl::New<TDataSetModelLink>()) {
    FLink->SetModel(this);
}

TnxDataSetModel::~TnxDataSetModel() {
    FLink->SetModel(nullptr);
    FLink->SetDataSource(nullptr);
}

vcl::TDataSource* TnxDataSetModel::GetDataSource() const {
    return FLink->GetDataSource();
}

void TnxDataSetModel::SetDataSource(vcl::TDataSource* source) {
    if (source == FLink->GetDataSource()) return;
    FLink->SetModel(nullptr); // the reset below takes the new state in one go
    FLink->SetDataSource(source);
    FLink->SetModel(this);
    Reset(false);
}

vcl::TDataSet* TnxDataSetModel::GetDataSet() const {
    return FLink->GetDataSet();
}

void TnxDataSetModel::SetBlockSize(int rows) {
    FBlockSize = std::max(1, rows);
}

void TnxDataSetModel::SetCacheBlocks(int blocks) {
    FCacheBlocks = std::max(1, blocks);
    while (static_cast<int>(FCache.size()) > FCacheBlocks)
        FCache.erase(std::min_element(FCache.begin(), FCache.end(),
                                      [](const TBlock& a, const TBlock& b) { return a.LastUse < b.LastUse; }));
}

bool TnxDataSetModel::GetReadOnly() const {
    return FLink->GetReadOnly();
}

void TnxDataSetModel::SetReadOnly(bool value) {
    FLink->SetReadOnly(value);
}

vcl::TField* TnxDataSetModel::FieldAt(int column) const {
    return column >= 0 && column < static_cast<int>(FColumns.size()) ? FColumns[static_cast<std::size_t>(column)] : nullptr;
}

int TnxDataSetModel::ColumnCharacters(int column) const {
    const vcl::TField* field = FieldAt(column);
    if (field == nullptr) return 0;
    return std::max(field->GetDisplayWidth(), static_cast<int>(field->GetDisplayName().size()));
}

// --- Rows, columns and the cache ----------------------------------------------------------------

std::vector<vcl::TField*> TnxDataSetModel::VisibleFields() const {
    std::vector<vcl::TField*> fields;
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr || !FLink->GetActive()) return fields;
    for (vcl::TField* field : *dataSet->GetFields())
        if (field->GetVisible()) fields.push_back(field);
    return fields;
}

void TnxDataSetModel::BuildColumns() {
    FColumns = VisibleFields();
}

void TnxDataSetModel::DropCache() {
    FCache.clear();
}

void TnxDataSetModel::Reset(bool keepRows) {
    beginResetModel();
    BuildColumns();
    DropCache();
    if (!keepRows) {
        FBlockStarts.clear();
        FRows = 0;
        FAtEnd = true;
        FActiveRow = -1;
        vcl::TDataSet* dataSet = GetDataSet();
        if (dataSet != nullptr && FLink->GetActive() && !dataSet->IsEmpty()) {
            // No row is read here (this runs inside the dataset's own opening): the first block
            // comes with the first fetchMore.
            FAtEnd = false;
            FActiveRow = ReadActiveRow();
            if (FActiveRow < 0) FActiveRow = 0;
        }
    }
    endResetModel();
}

int TnxDataSetModel::ReadActiveRow() const {
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr || !FLink->GetActive() || dataSet->IsEmpty()) return -1;
    const int recNo = dataSet->GetRecNo();
    return recNo > 0 ? recNo - 1 : FActiveRow;
}

void TnxDataSetModel::SetRows(int count) {
    count = std::max(0, count);
    if (count > FRows) {
        beginInsertRows(QModelIndex(), FRows, count - 1);
        FRows = count;
        endInsertRows();
    } else if (count < FRows) {
        beginRemoveRows(QModelIndex(), count, FRows - 1);
        FRows = count;
        endRemoveRows();
    }
}

bool TnxDataSetModel::MoveToRow(int row) const {
    vcl::TDataSet* dataSet = GetDataSet();
    if (row == FActiveRow && ReadActiveRow() == row) return true;
    if (row == 0) {
        dataSet->First();
        return !dataSet->IsEmpty();
    }
    int from = ReadActiveRow();
    // Far away, a dataset that numbers its records goes there directly; near by, a few steps
    // scroll it (which views follow without reading everything again).
    if (dataSet->IsSequenced() && (from < 0 || std::abs(row - from) > FBlockSize)) {
        dataSet->SetRecNo(row + 1);
        if (dataSet->GetRecNo() == row + 1) return true;
        from = ReadActiveRow();
    }
    // From the nearest place known: the start of the row's block, or the active record.
    const std::size_t block = static_cast<std::size_t>(row / FBlockSize);
    const int blockFirst = static_cast<int>(block) * FBlockSize;
    if (block < FBlockStarts.size() && !FBlockStarts[block].Empty() &&
        (from < 0 || std::abs(row - blockFirst) < std::abs(row - from))) {
        dataSet->GotoBookmark(FBlockStarts[block]);
        from = blockFirst;
    }
    if (from < 0) {
        dataSet->First();
        from = 0;
    }
    return dataSet->MoveBy(row - from) == row - from;
}

TnxDataSetModel::TCell TnxDataSetModel::ReadCell(vcl::TField* field) const {
    TCell cell;
    cell.Null = field->GetIsNull();
    if (!cell.Null) cell.Text = ToQString(field->GetDisplayText());
    return cell;
}

int TnxDataSetModel::LoadBlock(int block, bool probe) const {
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr || !FLink->GetActive() || dataSet->GetState() != vcl::dsBrowse) return -1;
    const int first = block * FBlockSize;
    TBlock loaded;
    loaded.First = first;
    const std::size_t columns = FColumns.size();
    try {
        TInternalMove move(dataSet, FInternalMove);
        if (!MoveToRow(first)) return 0;
        if (FBlockStarts.size() <= static_cast<std::size_t>(block)) FBlockStarts.resize(static_cast<std::size_t>(block) + 1);
        FBlockStarts[static_cast<std::size_t>(block)] = dataSet->GetBookmark();
        loaded.Cells.reserve(static_cast<std::size_t>(FBlockSize) * columns);
        const int limit = probe ? FBlockSize : std::min(FBlockSize, FRows - first);
        while (loaded.Rows < limit) {
            for (vcl::TField* field : FColumns)
                loaded.Cells.push_back(ReadCell(field));
            ++loaded.Rows;
            ++FRowsRead;
            if (loaded.Rows < limit && dataSet->MoveBy(1) != 1) break;
        }
        if (probe) {
            // Whether rows follow the block, and where the next block starts.
            const bool more = loaded.Rows == FBlockSize && dataSet->MoveBy(1) == 1;
            if (more) {
                FBlockStarts.resize(std::max(FBlockStarts.size(), static_cast<std::size_t>(block) + 2));
                FBlockStarts[static_cast<std::size_t>(block) + 1] = dataSet->GetBookmark();
            }
            FAtEnd = !more;
        }
    } catch (...) {
        ReportError(QStringLiteral("The rows could not be read."));
        return -1;
    }
    loaded.LastUse = ++FUseClock;
    const int rows = loaded.Rows;
    FCache.erase(std::remove_if(FCache.begin(), FCache.end(), [first](const TBlock& b) { return b.First == first; }),
                 FCache.end());
    if (static_cast<int>(FCache.size()) >= FCacheBlocks)
        FCache.erase(std::min_element(FCache.begin(), FCache.end(),
                                      [](const TBlock& a, const TBlock& b) { return a.LastUse < b.LastUse; }));
    FCache.push_back(std::move(loaded));
    return rows;
}

const TnxDataSetModel::TCell* TnxDataSetModel::CachedCell(int row, int column) const {
    const int first = row / FBlockSize * FBlockSize;
    auto find = [&]() -> TBlock* {
        for (TBlock& b : FCache)
            if (b.First == first) return &b;
        return nullptr;
    };
    TBlock* block = find();
    if (block == nullptr || row - first >= block->Rows) {
        if (LoadBlock(row / FBlockSize, false) <= 0) return nullptr;
        block = find();
        if (block == nullptr || row - first >= block->Rows) return nullptr;
    }
    block->LastUse = ++FUseClock;
    return &block->Cells[static_cast<std::size_t>(row - first) * FColumns.size() + static_cast<std::size_t>(column)];
}

// --- Qt's model interface -----------------------------------------------------------------------

int TnxDataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TnxDataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

bool TnxDataSetModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !FAtEnd && FLink->GetActive();
}

void TnxDataSetModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const int block = FRows / FBlockSize;
    const int read = LoadBlock(block, true);
    if (read < 0) return; // the dataset cannot move now (an edit); the view asks again later
    SetRows(block * FBlockSize + read);
}

QVariant TnxDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FRows || index.column() >= static_cast<int>(FColumns.size())) return {};
    vcl::TField* field = FColumns[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment((IsNumeric(field->GetDataType()) ? Qt::AlignRight : Qt::AlignLeft) |
                                                 Qt::AlignVCenter));
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ForegroundRole:
    case Qt::FontRole:
    case NullRole: break;
    default: return {};
    }
    vcl::TDataSet* dataSet = GetDataSet();
    TCell cell;
    try {
        // The active record is read from the fields (it may be being edited); other rows from the
        // cache.
        if (index.row() == FActiveRow && (dataSet->GetState() == vcl::dsBrowse || dataSet->GetState() == vcl::dsEdit)) {
            if (role == Qt::EditRole) return ToQString(field->GetText());
            cell = ReadCell(field);
        } else {
            const TCell* cached = CachedCell(index.row(), index.column());
            if (cached == nullptr) return {};
            cell = *cached;
            if (role == Qt::EditRole) {
                if (cell.Null) return QString();
                // The edit text may differ from the display text: read it where the row is.
                if (dataSet->GetState() != vcl::dsBrowse) return cell.Text;
                TInternalMove move(dataSet, FInternalMove);
                return MoveToRow(index.row()) ? ToQString(field->GetText()) : cell.Text;
            }
        }
    } catch (...) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole: return cell.Null ? QStringLiteral("NULL") : cell.Text;
    case Qt::EditRole: return cell.Text;
    case NullRole: return cell.Null;
    case Qt::ForegroundRole:
        if (!cell.Null) return {};
        return QBrush(QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
    case Qt::FontRole: {
        if (!cell.Null) return {};
        QFont italic;
        italic.setItalic(true);
        return italic;
    }
    default: return {};
    }
}

QVariant TnxDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        const vcl::TField* field = FieldAt(section);
        if (field == nullptr) return {};
        if (role == Qt::DisplayRole) return ToQString(field->GetDisplayName());
        if (role == Qt::SizeHintRole) {
            const QFontMetrics metrics(QGuiApplication::font());
            return QSize(metrics.horizontalAdvance(QLatin1Char('0')) * ColumnCharacters(section) + 12, metrics.height() + 6);
        }
        return {};
    }
    if (role != Qt::DisplayRole || section < 0 || section >= FRows) return {};
    const QString number = QString::number(section + 1);
    return section == FActiveRow && FLink->GetEditing() ? number + QStringLiteral(" *") : number;
}

bool TnxDataSetModel::CanEdit(vcl::TField* field) const {
    vcl::TDataSet* dataSet = GetDataSet();
    return !FLink->GetReadOnly() && field != nullptr && dataSet != nullptr && field->GetCanModify() &&
           !field->GetIsBlob();
}

Qt::ItemFlags TnxDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (CanEdit(FieldAt(index.column()))) result |= Qt::ItemIsEditable;
    return result;
}

bool TnxDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= FRows) return false;
    vcl::TField* field = FieldAt(index.column());
    if (!CanEdit(field)) return false;
    try {
        if (!SetActiveRow(index.row())) return false;
        if (!FLink->Edit()) return false; // the source does not allow editing by itself
        field->SetText(FromQString(value.toString()));
    } catch (...) {
        ReportError(QStringLiteral("The value could not be written."));
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

// --- Editing and moving -------------------------------------------------------------------------

bool TnxDataSetModel::SetActiveRow(int row) {
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr || !FLink->GetActive() || row < 0 || row >= FRows) return false;
    if (row == FActiveRow) return true;
    try {
        if (!MoveToRow(row)) return false;
    } catch (...) {
        ReportError(QStringLiteral("The record could not be left."));
        return false;
    }
    FollowActiveRow();
    return FActiveRow == row;
}

bool TnxDataSetModel::PostEdit() {
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr || !vcl::IsEditState(dataSet->GetState())) return true;
    try {
        dataSet->Post();
    } catch (...) {
        ReportError(QStringLiteral("The record could not be posted."));
        return false;
    }
    return true;
}

void TnxDataSetModel::CancelEdit() {
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr || !vcl::IsEditState(dataSet->GetState())) return;
    try {
        dataSet->Cancel();
    } catch (...) {
        ReportError(QStringLiteral("The edit could not be cancelled."));
    }
}

void TnxDataSetModel::ReportError(const QString& fallback) const {
    // Called inside a catch block.
    QString message = fallback;
    try {
        throw;
    } catch (const vcl::Exception& e) {
        message = ToQString(e.Message());
        if (!FOnError && vcl::Application != nullptr) {
            vcl::Application->HandleException(vcl::Application);
            return;
        }
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    if (FOnError) FOnError(message);
}

// --- Notifications ------------------------------------------------------------------------------

void TnxDataSetModel::LinkActiveChanged() {
    Reset(false);
    if (FOnActiveRowChanged && FActiveRow >= 0) FOnActiveRowChanged(FActiveRow);
}

void TnxDataSetModel::LinkLayoutChanged() {
    std::vector<vcl::TField*> before = FColumns;
    BuildColumns();
    if (before != FColumns) {
        FColumns = std::move(before); // Reset builds them again between its signals
        Reset(true);
        return;
    }
    if (!FColumns.empty()) emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(FColumns.size()) - 1);
    DropCache();
    EmitAllChanged();
}

void TnxDataSetModel::EmitAllChanged() {
    if (FRows > 0 && !FColumns.empty()) emit dataChanged(index(0, 0), index(FRows - 1, static_cast<int>(FColumns.size()) - 1));
    if (FRows > 0) emit headerDataChanged(Qt::Vertical, 0, FRows - 1);
}

void TnxDataSetModel::LinkDataSetChanged() {
    vcl::TDataSet* dataSet = GetDataSet();
    if (dataSet == nullptr) return;
    // A dataset closed and opened again while its controls were disabled (a detail re-running its
    // query for a new master record) reports only "changed": its fields are new objects and its
    // rows another result, so the model starts afresh rather than keep the old fields' addresses.
    if (VisibleFields() != FColumns) {
        LinkActiveChanged();
        return;
    }
    DropCache();
    if (dataSet->IsEmpty()) {
        FBlockStarts.clear();
        SetRows(0);
        FAtEnd = true;
        FActiveRow = -1;
        return;
    }
    // Rows may have come or gone (a post, a delete, a refresh): a dataset that knows its record
    // count says how many there are now; otherwise the rows already shown stay.
    const int before = FRows;
    if (dataSet->IsSequenced()) {
        const int total = dataSet->GetRecordCount();
        if (total >= 0 && (FAtEnd || total < FRows)) {
            SetRows(total);
            FAtEnd = true;
        }
    }
    if (FRows != before) FBlockStarts.clear(); // the blocks start at other records now
    FollowActiveRow();
    EmitAllChanged();
}

void TnxDataSetModel::FollowActiveRow() {
    const int previous = FActiveRow;
    FActiveRow = ReadActiveRow();
    vcl::TDataSet* dataSet = GetDataSet();
    if (FActiveRow >= FRows && dataSet != nullptr) {
        // The dataset went past the rows fetched (Last, a search): the rows up to it are fetched.
        SetRows(FActiveRow + 1);
        FAtEnd = dataSet->GetEof();
    }
    if (previous != FActiveRow) {
        if (previous >= 0 && previous < FRows) emit headerDataChanged(Qt::Vertical, previous, previous);
        if (FActiveRow >= 0) emit headerDataChanged(Qt::Vertical, FActiveRow, FActiveRow);
        if (FOnActiveRowChanged && FActiveRow >= 0) FOnActiveRowChanged(FActiveRow);
    }
}

void TnxDataSetModel::LinkScrolled() {
    FollowActiveRow();
}

void TnxDataSetModel::LinkRecordChanged(vcl::TField* field) {
    if (FActiveRow < 0 || FActiveRow >= FRows || FColumns.empty()) return;
    const auto it = std::find(FColumns.begin(), FColumns.end(), field);
    if (field != nullptr && it != FColumns.end()) {
        const int column = static_cast<int>(it - FColumns.begin());
        emit dataChanged(index(FActiveRow, column), index(FActiveRow, column));
    } else {
        emit dataChanged(index(FActiveRow, 0), index(FActiveRow, static_cast<int>(FColumns.size()) - 1));
    }
}

void TnxDataSetModel::LinkEditingChanged() {
    if (FActiveRow >= 0 && FActiveRow < FRows) emit headerDataChanged(Qt::Vertical, FActiveRow, FActiveRow);
}

} // namespace tnxqt
