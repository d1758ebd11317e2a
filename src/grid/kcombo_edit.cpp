#include "grid/kcombo_edit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/gui/guard.h"

namespace kt {

kComboEdit::kComboEdit(QWidget* parent) : SingleLineEdit(parent) { setTextMargins(0, 0, ButtonWidth(), 0); }

kComboEdit::~kComboEdit() = default;

const ClassInfo& kComboEdit::StaticClass() {
  static ClassInfo info("kComboEdit", &SingleLineEdit::StaticClass());
  return info;
}

void kComboEdit::Choice(kComboEditChoice* choice) {
  choice_ = choice;
  if (!choice) return;
  choice->Owner(this);
  // A choice nobody owns goes with the edit: it is destroyed with it, and
  // the focus moving into it stays inside the edit's family.
  if (!choice->parentWidget()) choice->setParent(this, choice->windowFlags() | Qt::Dialog);
}

int kComboEdit::ButtonWidth() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

QRect kComboEdit::GetButtonArea() const {
  const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
  const int w = std::min(ButtonWidth(), std::max(0, width() - 2 * frame));
  return QRect(width() - frame - w, frame, w, std::max(0, height() - 2 * frame));
}

void kComboEdit::OnChoiceOpen() {
  kComboEditChoice* choice = choice_;
  if (!choice || choice->isVisible()) return;
  choice->Owner(this);
  buttonDown_ = true;
  update();
  choice->move(mapToGlobal(QPoint(0, height())));
  choice->show();
  choice->raise();
  choice->activateWindow();
  // The focus goes to the choice's first control, or to the window itself.
  if (QWidget* first = choice->nextInFocusChain(); first && first != choice && choice->isAncestorOf(first))
    first->setFocus(Qt::PopupFocusReason);
  else choice->setFocus(Qt::PopupFocusReason);
}

void kComboEdit::OnChoiceClose(bool ok) {
  buttonDown_ = false;
  update();
  activateWindow();
  setFocus(Qt::PopupFocusReason);
  if (ok && choice_) {
    Value(choice_->Value());
    // Taken from the choice as if typed: the closing editor writes it.
    setModified(true);
  }
}

bool kComboEdit::Owns(const QWidget* w) const {
  if (SingleLineEdit::Owns(w)) return true;
  for (const QWidget* p = w; p && choice_; p = p->parentWidget())
    if (p == choice_.data()) return true;
  return false;
}

void kComboEdit::DoDrawButton(QPainter& painter) {
  const QRect area = GetButtonArea();
  if (area.isEmpty()) return;
  QStyleOptionButton opt;
  opt.initFrom(this);
  opt.rect = area;
  opt.state |= buttonDown_ ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &painter, this);
  opt.rect = area.adjusted(3, 3, -3, -3);
  style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &opt, &painter, this);
}

void kComboEdit::paintEvent(QPaintEvent* e) {
  SingleLineEdit::paintEvent(e);
  QPainter painter(this);
  DoDrawButton(painter);
}

void kComboEdit::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && GetButtonArea().contains(e->position().toPoint())) {
    e->accept();
    GuardedCall([this] { OnChoiceOpen(); });
    return;
  }
  SingleLineEdit::mousePressEvent(e);
}

void kComboEdit::resizeEvent(QResizeEvent* e) {
  SingleLineEdit::resizeEvent(e);
  update();
}

void kComboEdit::changeEvent(QEvent* e) {
  // The style decides the button's width.
  if (e->type() == QEvent::StyleChange) setTextMargins(0, 0, ButtonWidth(), 0);
  SingleLineEdit::changeEvent(e);
}

// ---------------------------------------------------------------------------

kComboEditChoice::kComboEditChoice(QWidget* parent) : DialogWindow(parent) {}

const ClassInfo& kComboEditChoice::StaticClass() {
  static ClassInfo info("kComboEditChoice", &DialogWindow::StaticClass());
  static const bool registered = [] {
    info.Access<kComboEditChoice>("Value", [](kComboEditChoice& c) { return c.Value(); });
    info.Assign<kComboEditChoice>("Value", [](kComboEditChoice& c, const Usual& v) { c.Value(v); });
    info.Method<kComboEditChoice>("DoClose", [](kComboEditChoice& c, Args a) {
      c.DoClose(!a.empty() && a[0].IsLogic() && a[0].AsLogic());
      return Usual();
    });
    return true;
  }();
  (void)registered;
  return info;
}

void kComboEditChoice::DoClose(bool ok) {
  if (closing_) return;
  closing_ = true;
  EndDialog(ok ? 1 : 0);
  hide();
  if (kComboEdit* owner = owner_) owner->OnChoiceClose(ok);
  closing_ = false;
}

void kComboEditChoice::Deactivate() { DoClose(false); }

bool kComboEditChoice::event(QEvent* e) {
  if (e->type() == QEvent::WindowDeactivate && isVisible() && !closing_) {
    GuardedCall([this] { Deactivate(); });
  } else if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
      GuardedCall([this, key] { DoClose(key != Qt::Key_Escape); });
      return true;
    }
  }
  return DialogWindow::event(e);
}

}  // namespace kt
