#pragma once
// Closing the window a grid sits in, or the program, while the grid has an
// open editor: the editor's value is written first, and a window close is
// refused when the editor will not close (invalid input, a refused write),
// so no typed value is lost.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace kt {

class kTable;

class EditWindowGuard : public QObject {
 public:
  // Owned by the grid (its QObject child).
  explicit EditWindowGuard(kTable* grid);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Watches the grid and every ancestor up to its top-level window: a
  // reparenting anywhere on that chain changes which window closes it.
  void Attach();
  void Detach();
  void ApplicationQuits();
  kTable* grid_;
  std::vector<QPointer<QWidget>> watched_;
};

}  // namespace kt
