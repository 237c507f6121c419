#include "shell/markers/markerspanel.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <cmath>

#include "document/wavfile.h"
#include "localization/constants.h"
#include "localization/ui/langcontroller.h"
#include "shell/utils.h"

namespace quillon {

void TMarkersModel::Show(TSharedMarkers list, int64_t frameCount, uint32_t sampleRate) {
  beginResetModel();
  list_ = list ? std::move(list) : NoMarkers();
  frameCount_ = frameCount;
  sampleRate_ = sampleRate;
  rows_.clear();
  rows_.reserve(list_->markers.size() + list_->regions.size());
  // Both lists are sorted by start already: one merge.
  size_t m = 0, r = 0;
  while (m < list_->markers.size() || r < list_->regions.size()) {
    const bool region =
        m == list_->markers.size() ||
        (r < list_->regions.size() && list_->regions[r].start < list_->markers[m].frame);
    rows_.push_back({region, static_cast<uint32_t>(region ? r++ : m++)});
  }
  endResetModel();
}

TMarkItem TMarkersModel::Item(int row) const {
  const TRow& at = rows_.at(static_cast<size_t>(row));
  return at.region ? ItemOf(list_->regions[at.index]) : ItemOf(list_->markers[at.index]);
}

int TMarkersModel::RowOf(const TMarkItem& item) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (Item(static_cast<int>(i)) == item) return static_cast<int>(i);
  return -1;
}

int TMarkersModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TMarkersModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString TMarkersModel::Time(int64_t frames) const {
  if (sampleRate_ == 0) return QString::number(frames);
  const auto ms = static_cast<uint32_t>(std::llround(1000.0 * frames / sampleRate_));
  return QString::fromStdString(FormatMs(ms));
}

QVariant TMarkersModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole) return {};
  const TRow& row = rows_[static_cast<size_t>(index.row())];
  const TMarkItem item = Item(index.row());
  switch (index.column()) {
    case kTime:
      return Time(item.start);
    case kName:
      return QString::fromStdString(item.name);
    case kLength: {
      if (row.region) return Time(item.end - item.start);
      // A marker's span is what a split at the markers makes of it.
      const size_t next = row.index + 1;
      const int64_t end = next < list_->markers.size() ? list_->markers[next].frame : frameCount_;
      return Time(end - item.start);
    }
    default:
      return {};
  }
}

QVariant TMarkersModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  static const char* const keys[kColumns] = {"markerscolumntime", "markerscolumnname",
                                             "markerscolumnlength"};
  if (section < 0 || section >= kColumns) return {};
  return QString::fromStdString(ConstantText(keys[section]));
}

Qt::ItemFlags TMarkersModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == kName) flags |= Qt::ItemIsEditable;
  return flags;
}

bool TMarkersModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || index.column() != kName || index.row() >= rowCount()) return false;
  const TMarkItem item = Item(index.row());
  const std::string name = value.toString().toStdString();
  if (name != item.name && OnRename) OnRename(item, name);
  // Shown as the document has it once the rename has had its turn.
  return false;
}

void TMarkersModel::Retranslate() {
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

TMarkersPanel::TMarkersPanel(const Twavefile& document, QWidget* parent)
    : QDockWidget("Markers", parent), document_(document) {
  setObjectName("markersForm");
  table_ = new QTableView(this);
  table_->setObjectName("MarkersList");
  table_->setModel(&model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->setColumnWidth(TMarkersModel::kName, 220);
  setWidget(table_);
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    // A name is edited with F2 or a click on the selected row's name.
    if (OnJump) OnJump(model_.Item(index.row()));
  });
  model_.OnRename = [this](const TMarkItem& item, const std::string& name) {
    if (OnRename) OnRename(item, name);
  };
  if (auto* controller = AttachLanguageController(this))
    controller->OnLanguageChanged = [this] { model_.Retranslate(); };
}

void TMarkersPanel::Refresh() {
  stale_ = true;
  if (!isVisible()) return;
  stale_ = false;
  const std::optional<TMarkItem> current = CurrentItem();
  model_.Show(document_.Loaded() ? document_.MarkersShared() : NoMarkers(),
              document_.Loaded() ? document_.FrameCount() : 0,
              document_.Loaded() ? document_.SampleRate() : 0);
  if (current)
    if (const int row = model_.RowOf(*current); row >= 0) table_->selectRow(row);
}

void TMarkersPanel::showEvent(QShowEvent* event) {
  QDockWidget::showEvent(event);
  if (stale_) Refresh();
}

std::optional<TMarkItem> TMarkersPanel::CurrentItem() const {
  const QModelIndex index = table_->currentIndex();
  if (!index.isValid() || index.row() >= model_.rowCount()) return std::nullopt;
  return model_.Item(index.row());
}

bool TMarkersPanel::HasFocus() const {
  return table_->hasFocus() || isAncestorOf(QApplication::focusWidget());
}

}  // namespace quillon
