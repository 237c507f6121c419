#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/markerpicks.h"
#include "document/markers.h"

class QTableView;

namespace quillon {

class Twavefile;

// The markers and regions of a list as rows in the order of their start: time, name (which can
// be edited in place) and length (a region's own; a marker's up to the next marker or the end).
// The rows refer into the shared list, so that a hundred thousand markers cost no copy.
class TMarkersModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum TColumn { kTime, kName, kLength, kColumns };

  void Show(TSharedMarkers list, int64_t frameCount, uint32_t sampleRate);
  TMarkItem Item(int row) const;
  // The row of item; -1 when it is not shown.
  int RowOf(const TMarkItem& item) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // The headers are constants: a language change writes them again.
  void Retranslate();

  // A name edited in place; the list itself changes only through the document.
  std::function<void(const TMarkItem& item, const std::string& name)> OnRename;

 private:
  struct TRow {
    bool region;
    uint32_t index;
  };
  QString Time(int64_t frames) const;

  TSharedMarkers list_ = NoMarkers();
  std::vector<TRow> rows_;
  int64_t frameCount_ = 0;
  uint32_t sampleRate_ = 0;
};

// The Markers panel beside the wave view: the list, a double-click jumps to a row's start, a
// name is renamed in place. It follows the document while it shows.
class TMarkersPanel : public QDockWidget {
  Q_OBJECT

 public:
  TMarkersPanel(const Twavefile& document, QWidget* parent);

  // The document changed: the list follows now when shown, else when it shows.
  void Refresh();
  std::optional<TMarkItem> CurrentItem() const;
  bool HasFocus() const;
  QTableView* Table() const { return table_; }
  TMarkersModel& Model() { return model_; }

  std::function<void(const TMarkItem& item)> OnJump;
  std::function<void(const TMarkItem& item, const std::string& name)> OnRename;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const Twavefile& document_;
  TMarkersModel model_;
  QTableView* table_;
  bool stale_ = true;
};

}  // namespace quillon
