#include "localization/ui/qttext.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

namespace quillon {

namespace {

// The tab widget showing `page` as one of its tabs, with the tab's index.
std::pair<QTabWidget*, int> TabOf(QWidget* page) {
  for (QWidget* parent = page->parentWidget(); parent; parent = parent->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(parent)) {
      const int index = tabs->indexOf(page);
      return {index >= 0 ? tabs : nullptr, index};
    }
  }
  return {nullptr, -1};
}

// Combo box items travel as one text, a line per item.
QString JoinItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items.join("\r\n");
}

void SetItems(QComboBox* combo, const QString& text) {
  QStringList lines = QString(text).replace("\r\n", "\n").split('\n');
  if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
  // Only texts change: the items, their data and the selection stay.
  for (int i = 0; i < combo->count() && i < lines.size(); ++i) combo->setItemText(i, lines[i]);
}

std::optional<QString> ReadCaption(QObject* object, QWidget* window) {
  if (object == window) return window->windowTitle();
  if (auto* action = qobject_cast<QAction*>(object)) return action->text();
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
  if (auto* box = qobject_cast<QGroupBox*>(object)) return box->title();
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
  if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (auto [tabs, index] = TabOf(widget); tabs) return tabs->tabText(index);
    return widget->windowTitle();
  }
  return std::nullopt;
}

void WriteCaption(QObject* object, QWidget* window, const QString& value) {
  if (object == window) {
    window->setWindowTitle(value);
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setText(value);
  } else if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->setTitle(value);
  } else if (auto* box = qobject_cast<QGroupBox*>(object)) {
    box->setTitle(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    button->setText(value);
  } else if (auto* label = qobject_cast<QLabel*>(object)) {
    label->setText(value);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (auto [tabs, index] = TabOf(widget); tabs)
      tabs->setTabText(index, value);
    else
      widget->setWindowTitle(value);
  }
}

std::optional<QString> ReadColumn(QObject* object, int index) {
  if (auto* tree = qobject_cast<QTreeWidget*>(object))
    return index < tree->columnCount() ? std::optional(tree->headerItem()->text(index))
                                       : std::nullopt;
  if (auto* table = qobject_cast<QTableWidget*>(object)) {
    if (index >= table->columnCount()) return std::nullopt;
    const QTableWidgetItem* item = table->horizontalHeaderItem(index);
    return item ? item->text() : QString();
  }
  return std::nullopt;
}

void WriteColumn(QObject* object, int index, const QString& value) {
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
    if (index < tree->columnCount()) tree->headerItem()->setText(index, value);
  } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
    if (index >= table->columnCount()) return;
    if (!table->horizontalHeaderItem(index))
      table->setHorizontalHeaderItem(index, new QTableWidgetItem);
    table->horizontalHeaderItem(index)->setText(value);
  }
}

QTreeWidgetItem* GroupItem(QObject* object, int index) {
  auto* tree = qobject_cast<QTreeWidget*>(object);
  return tree && index < tree->topLevelItemCount() ? tree->topLevelItem(index) : nullptr;
}

// A row of the list's first group, as a report list's items are.
QTreeWidgetItem* RowItem(QObject* object, int index) {
  QTreeWidgetItem* group = GroupItem(object, 0);
  return group && index < group->childCount() ? group->child(index) : nullptr;
}

}  // namespace

std::optional<QString> ReadQtText(QObject* object, QWidget* window, TVxLang_QtText text,
                                  int index) {
  switch (text) {
    case TVxLang_QtText::Caption:
      return ReadCaption(object, window);
    case TVxLang_QtText::Hint:
      if (auto* action = qobject_cast<QAction*>(object)) return action->toolTip();
      if (auto* widget = qobject_cast<QWidget*>(object)) return widget->toolTip();
      return std::nullopt;
    case TVxLang_QtText::ToolBarText:
      if (auto* action = qobject_cast<QAction*>(object)) return action->iconText();
      return std::nullopt;
    case TVxLang_QtText::Text:
      if (auto* combo = qobject_cast<QComboBox*>(object)) return combo->currentText();
      if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->text();
      return std::nullopt;
    case TVxLang_QtText::Items:
      if (auto* combo = qobject_cast<QComboBox*>(object)) return JoinItems(combo);
      return std::nullopt;
    case TVxLang_QtText::Column:
      return ReadColumn(object, index);
    case TVxLang_QtText::Group:
      if (QTreeWidgetItem* item = GroupItem(object, index)) return item->text(0);
      return std::nullopt;
    case TVxLang_QtText::Row:
      if (QTreeWidgetItem* item = RowItem(object, index)) return item->text(0);
      return std::nullopt;
  }
  return std::nullopt;
}

void WriteQtText(QObject* object, QWidget* window, TVxLang_QtText text, int index,
                 const QString& value) {
  switch (text) {
    case TVxLang_QtText::Caption:
      WriteCaption(object, window, value);
      break;
    case TVxLang_QtText::Hint:
      if (auto* action = qobject_cast<QAction*>(object))
        action->setToolTip(value);
      else if (auto* widget = qobject_cast<QWidget*>(object))
        widget->setToolTip(value);
      break;
    case TVxLang_QtText::ToolBarText:
      if (auto* action = qobject_cast<QAction*>(object)) action->setIconText(value);
      break;
    case TVxLang_QtText::Text:
      // A pick-only list shows its selected item, which the items' translation covers; setting
      // its text would change the user's selection.
      if (auto* combo = qobject_cast<QComboBox*>(object); combo && combo->isEditable())
        combo->setEditText(value);
      else if (auto* edit = qobject_cast<QLineEdit*>(object))
        edit->setText(value);
      break;
    case TVxLang_QtText::Items:
      if (auto* combo = qobject_cast<QComboBox*>(object)) SetItems(combo, value);
      break;
    case TVxLang_QtText::Column:
      WriteColumn(object, index, value);
      break;
    case TVxLang_QtText::Group:
      if (QTreeWidgetItem* item = GroupItem(object, index)) item->setText(0, value);
      break;
    case TVxLang_QtText::Row:
      if (QTreeWidgetItem* item = RowItem(object, index)) item->setText(0, value);
      break;
  }
}

}  // namespace quillon
