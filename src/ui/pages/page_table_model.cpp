#include "ui/pages/page_table_model.h"

#include <QColor>
#include <algorithm>

#include "core/common/message_boxes.h"
#include "core/model/document.h"
#include "core/pages/page_lists.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/widgets/config_edits.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

PageColumn column_at(int column)
{
    return static_cast<PageColumn>(column);
}

// By value: the cells' texts would convert every title on every look.
bool row_differs(const DeviceConfig& a, const DeviceConfig& b, int slot)
{
    for (int c = 0; c < k_page_columns; ++c)
        if (!same_cell(a, b, slot, column_at(c)))
            return true;
    return false;
}

const QColor k_unsaved_cell(255, 244, 200);
const QColor k_no_cell(232, 232, 232);

}  // namespace

QString cell_fault_text(const DeviceConfig& config, const CellEdit& edit)
{
    const auto fault = cell_fault(config, edit.slot, edit.column, edit.text, cp932_title_text());
    if (!fault)
        return {};
    return QStringLiteral("ページ %1 %2: %3")
        .arg(qs(slot_label(edit.slot, config.device.page_mode)), qs(page_column_name(edit.column)),
             qs(*fault));
}

PageTableModel::PageTableModel(QObject* parent)
    : QAbstractTableModel(parent), shown_(model().config), shown_baseline_(document().baseline)
{
}

int PageTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : k_page_slots;
}

int PageTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : k_page_columns;
}

QVariant PageTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const DeviceConfig& config = model().config;
    const PageColumn column = column_at(index.column());
    const bool has_cell = cell_index(config, index.row(), column) >= 0;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return qs(cell_text(config, index.row(), column, cp932_title_text()));
        case Qt::BackgroundRole:
            if (!has_cell)
                return k_no_cell;
            if (!same_cell(config, document().baseline, index.row(), column))
                return k_unsaved_cell;
            return {};
        case Qt::TextAlignmentRole:
            return column == PageColumn::title ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                               : QVariant(Qt::AlignCenter);
        default:
            return {};
    }
}

QVariant PageTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < k_page_columns ? qs(page_column_name(column_at(section)))
                                                        : QVariant();
    return qs(slot_label(section, model().config.device.page_mode));
}

Qt::ItemFlags PageTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!read_only_ && cell_index(model().config, index.row(), column_at(index.column())) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool PageTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || read_only_)
        return false;
    const auto fault = set_cells(
        {{index.row(), column_at(index.column()), value.toString().toUtf8().toStdString()}});
    if (fault) {
        error_box(fault->toStdString());
        return false;
    }
    return true;
}

std::optional<QString> PageTableModel::set_cells(const std::vector<CellEdit>& edits)
{
    if (read_only_)
        return QStringLiteral("送信中は変更できません。");
    const DeviceConfig& config = model().config;
    for (const CellEdit& e : edits) {
        // An empty cell pasted where a slot has none (a page's second line) says nothing.
        if (e.text.empty() && cell_index(config, e.slot, e.column) < 0)
            continue;
        const QString fault = cell_fault_text(config, e);
        if (!fault.isEmpty())
            return fault;
    }
    DeviceConfig changed = config;
    for (const CellEdit& e : edits)
        if (cell_index(config, e.slot, e.column) >= 0)
            set_cell(changed, e.slot, e.column, e.text, cp932_title_text());
    if (changed == config)
        return std::nullopt;
    ConfigEdits::instance().replace(changed);
    return std::nullopt;
}

bool PageTableModel::refresh()
{
    const DeviceConfig& config = model().config;
    const bool labels_moved = config.device.page_mode != shown_.device.page_mode;
    // A save moves every tint; otherwise only the cells that changed are drawn again.
    const bool all = labels_moved || !(document().baseline == shown_baseline_);
    int top = k_page_slots;
    int bottom = -1;
    int left = k_page_columns;
    int right = -1;
    for (int slot = 0; slot < k_page_slots; ++slot)
        for (int c = 0; c < k_page_columns; ++c)
            if (all || !same_cell(config, shown_, slot, column_at(c))) {
                top = std::min(top, slot);
                bottom = std::max(bottom, slot);
                left = std::min(left, c);
                right = std::max(right, c);
            }
    shown_ = config;
    shown_baseline_ = document().baseline;
    if (bottom < 0)
        return false;
    emit dataChanged(index(top, left), index(bottom, right));
    if (labels_moved)
        emit headerDataChanged(Qt::Vertical, 0, k_page_slots - 1);
    first_changed_ = top;
    last_changed_ = bottom;
    return true;
}

void PageTableModel::set_read_only(bool read_only)
{
    read_only_ = read_only;
}

PageRowFilter::PageRowFilter(QObject* parent) : QSortFilterProxyModel(parent) {}

void PageRowFilter::set_title_text(const QString& text)
{
    title_text_ = text;
    invalidateRowsFilter();
}

void PageRowFilter::set_show(RowShow show)
{
    show_ = show;
    invalidateRowsFilter();
}

bool PageRowFilter::filterAcceptsRow(int source_row, const QModelIndex&) const
{
    const DeviceConfig& config = model().config;
    if (!title_text_.isEmpty()) {
        const QString title =
            qs(cell_text(config, source_row, PageColumn::title, cp932_title_text()));
        if (!title.contains(title_text_, Qt::CaseInsensitive))
            return false;
    }
    switch (show_) {
        case RowShow::all:
            return true;
        case RowShow::unsaved:
            return row_differs(config, document().baseline, source_row);
        case RowShow::unlike_device:
            return device_reading() && row_differs(config, *device_reading(), source_row);
    }
    return true;
}

}  // namespace velta
