#pragma once

#include <QAbstractTableModel>
#include <QTreeView>

#include "util/list_model.h"

namespace cz {

// Shows a ListModel: one Qt row per item, no per-item objects, so long lists stay cheap.
class ListTableModel : public QAbstractTableModel, public ListModelObserver {
  Q_OBJECT
 public:
  ListTableModel(ListModel& list, QObject* parent = nullptr);
  ~ListTableModel() override;

  ListModel& list() { return m_list; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void listAboutToAppend(int index) override;
  void listAppended() override;
  void listAboutToReset() override;
  void listReset() override;
  void listItemChanged(int index) override;
  void listEnsureVisible(int index) override;
  void listSelectionChanged() override;

 signals:
  void ensureVisibleRequested(int index);
  void selectionRequested(int index);

 private:
  ListModel& m_list;
};

// A report-style list view over a ListModel. Reports the list events (double click, key down and
// up with the platform key code, focus lost) and keeps the model's selected index current.
class ListView : public QTreeView {
  Q_OBJECT
 public:
  ListView(ListModel& list, QWidget* parent = nullptr);

  ListModel& list() { return m_model->list(); }
  // Applies the model's column widths, alignment and header inertness.
  void applyColumns();

 signals:
  void itemDoubleClicked();
  void keyDown(int code);
  void keyUp(int code);
  void focusLost();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  ListTableModel* m_model;
};

}  // namespace cz
