#pragma once
// Dialogs: the standard boxes and the open-file dialog, behind one service
// object. The library never opens a modal box directly; it asks
// Dialogs::Current(), which shows Qt dialogs by default. Tests install their
// own service (ScopedDialogs), so nothing ever waits for a user.
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace kt {

// Buttons and icons of a message box, combined by "|" (the customary MB_
// values).
namespace box {
inline constexpr int Ok = 0x0;
inline constexpr int OkCancel = 0x1;
inline constexpr int AbortRetryIgnore = 0x2;
inline constexpr int YesNoCancel = 0x3;
inline constexpr int YesNo = 0x4;
inline constexpr int RetryCancel = 0x5;
inline constexpr int IconHand = 0x10;  // error
inline constexpr int IconQuestion = 0x20;
inline constexpr int IconExclamation = 0x30;  // warning
inline constexpr int IconAsterisk = 0x40;     // information
inline constexpr int ButtonMask = 0xF;
inline constexpr int IconMask = 0xF0;
}  // namespace box

// Replies of a message box.
namespace reply {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace reply

struct OpenFileRequest {
  std::string caption;
  // {description, patterns} pairs, e.g. {"Tables", "*.dbf"}.
  std::vector<std::pair<std::string, std::string>> filters;
  std::string initialDirectory;
  std::string fileName;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A box with an OK button and the information icon.
  virtual void InfoBox(QWidget* owner, const std::string& caption, const std::string& text) = 0;
  // A box with an OK button and the error icon.
  virtual void ErrorBox(QWidget* owner, const std::string& caption, const std::string& text) = 0;
  // A box with the buttons and icon of `type` (box:: values); answers the
  // reply:: value of the button chosen (Cancel, or No without Cancel, when
  // the box is closed otherwise).
  virtual int TextBox(QWidget* owner, const std::string& caption, const std::string& text, int type) = 0;
  // The message box of the drawing code, with the same contract as TextBox.
  virtual int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, int type) {
    return TextBox(owner, caption, text, type);
  }
  // The chosen file, or empty when the user cancelled.
  virtual std::string OpenFile(QWidget* owner, const OpenFileRequest& request) = 0;

  // The service in use (the Qt dialogs unless another one is installed).
  static Dialogs& Current();
  // Installs a service and returns the previous one; null restores the Qt
  // dialogs.
  static std::unique_ptr<Dialogs> Install(std::unique_ptr<Dialogs> dialogs);
};

// Qt's modal dialogs.
class QtDialogs : public Dialogs {
 public:
  void InfoBox(QWidget* owner, const std::string& caption, const std::string& text) override;
  void ErrorBox(QWidget* owner, const std::string& caption, const std::string& text) override;
  int TextBox(QWidget* owner, const std::string& caption, const std::string& text, int type) override;
  std::string OpenFile(QWidget* owner, const OpenFileRequest& request) override;
};

// Installs a service for the lifetime of the scope; the previous one comes
// back afterwards.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(std::unique_ptr<Dialogs> dialogs) : previous_(Dialogs::Install(std::move(dialogs))) {}
  ~ScopedDialogs() { Dialogs::Install(std::move(previous_)); }
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  std::unique_ptr<Dialogs> previous_;
};

}  // namespace kt
