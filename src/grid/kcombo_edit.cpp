#include "grid/kcombo_edit.h"

#include <QPainter>

namespace kt {

kComboEdit::kComboEdit(QWidget* parent) : SingleLineEdit(parent) {}
kComboEdit::~kComboEdit() = default;

const ClassInfo& kComboEdit::StaticClass() {
  static ClassInfo info("kComboEdit", &SingleLineEdit::StaticClass());
  return info;
}

void kComboEdit::Choice(kComboEditChoice* choice) { choice_ = choice; }
void kComboEdit::OnChoiceOpen() {}
void kComboEdit::OnChoiceClose(bool) {}
QRect kComboEdit::GetButtonArea() const { return QRect(); }
bool kComboEdit::Owns(const QWidget* w) const { return SingleLineEdit::Owns(w); }
void kComboEdit::DoDrawButton(QPainter&) {}
void kComboEdit::paintEvent(QPaintEvent* e) { SingleLineEdit::paintEvent(e); }
void kComboEdit::mousePressEvent(QMouseEvent* e) { SingleLineEdit::mousePressEvent(e); }
void kComboEdit::resizeEvent(QResizeEvent* e) { SingleLineEdit::resizeEvent(e); }

kComboEditChoice::kComboEditChoice(QWidget* parent) : DialogWindow(parent) {}

const ClassInfo& kComboEditChoice::StaticClass() {
  static ClassInfo info("kComboEditChoice", &DialogWindow::StaticClass());
  return info;
}

void kComboEditChoice::DoClose(bool) {}
void kComboEditChoice::Deactivate() {}
bool kComboEditChoice::event(QEvent* e) { return DialogWindow::event(e); }

}  // namespace kt
