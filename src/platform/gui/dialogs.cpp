#include "platform/gui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace kt {
namespace {

std::unique_ptr<Dialogs>& Slot() {
  static std::unique_ptr<Dialogs> current = std::make_unique<QtDialogs>();
  return current;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

QMessageBox::StandardButtons Buttons(int type) {
  switch (type & box::ButtonMask) {
    case box::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case box::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case box::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case box::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case box::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconOf(int type) {
  switch (type & box::IconMask) {
    case box::IconHand: return QMessageBox::Critical;
    case box::IconQuestion: return QMessageBox::Question;
    case box::IconExclamation: return QMessageBox::Warning;
    case box::IconAsterisk: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int Reply(int button, int type) {
  switch (button) {
    case QMessageBox::Ok: return reply::Ok;
    case QMessageBox::Cancel: return reply::Cancel;
    case QMessageBox::Abort: return reply::Abort;
    case QMessageBox::Retry: return reply::Retry;
    case QMessageBox::Ignore: return reply::Ignore;
    case QMessageBox::Yes: return reply::Yes;
    case QMessageBox::No: return reply::No;
    default: break;
  }
  // Closed without a button.
  switch (type & box::ButtonMask) {
    case box::Ok: return reply::Ok;
    case box::YesNo: return reply::No;
    case box::AbortRetryIgnore: return reply::Abort;
    default: return reply::Cancel;
  }
}

}  // namespace

Dialogs& Dialogs::Current() { return *Slot(); }

std::unique_ptr<Dialogs> Dialogs::Install(std::unique_ptr<Dialogs> dialogs) {
  if (!dialogs) dialogs = std::make_unique<QtDialogs>();
  std::swap(Slot(), dialogs);
  return dialogs;
}

void QtDialogs::InfoBox(QWidget* owner, const std::string& caption, const std::string& text) {
  TextBox(owner, caption, text, box::Ok | box::IconAsterisk);
}

void QtDialogs::ErrorBox(QWidget* owner, const std::string& caption, const std::string& text) {
  TextBox(owner, caption, text, box::Ok | box::IconHand);
}

int QtDialogs::TextBox(QWidget* owner, const std::string& caption, const std::string& text, int type) {
  QMessageBox box(IconOf(type), Q(caption), Q(text), Buttons(type), owner);
  return Reply(box.exec(), type);
}

std::string QtDialogs::OpenFile(QWidget* owner, const OpenFileRequest& request) {
  QStringList filters;
  for (const auto& [description, patterns] : request.filters)
    filters << Q(description) + " (" + Q(patterns) + ")";
  QString start = Q(request.initialDirectory);
  if (!request.fileName.empty()) start = start.isEmpty() ? Q(request.fileName) : start + "/" + Q(request.fileName);
  return QFileDialog::getOpenFileName(owner, Q(request.caption), start, filters.join(";;")).toStdString();
}

}  // namespace kt
