// The print dialog window: printer chooser (CUPS destinations, or the offline
// PPD), copies and paper size, the panel chooser with the chosen panel's view
// and a summary view, Print, Cancel and "Save as defaults for this printer".
// Plug-in work runs in a DialogSession on the plug-in thread; while a call
// runs longer than kBusyDelayMs the window shows that it is busy, says what
// it waits for and ignores input but Cancel and Escape, then refreshes from
// the next picture. Cancel, Escape and closing the window always end the
// dialog at once; a plug-in call still running is left to finish on its own
// thread (DialogSession::Close).
#pragma once

#include <QDialog>
#include <future>
#include <map>
#include <memory>
#include <mutex>

#include "gui/dialog_session.h"

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

namespace gui {

class PanelRenderer;
class ModalWindowDialog;
class OtherOptionsPage;
class PreviewPane;
class StandardOptionsPage;

inline constexpr int kBusyDelayMs = 200;
// The panel area before any panel is there: the size the bundled panels take.
inline constexpr QSize kPanelArea{460, 340};
// How long a successful Print's status stays on screen before the dialog closes.
inline constexpr int kPrintedCloseDelayMs = 1200;

struct PrintDialogOptions {
  host::DialogOptions dialog;
  std::string file;  // what Print sends; "" asks for one
  std::string pdfRenderer;  // the preview's PDF module ("" shows no PDF pages)
};

class PrintDialog : public QDialog, public UserInterface {
 public:
  explicit PrintDialog(PrintDialogOptions options, QWidget* parent = nullptr);
  ~PrintDialog() override;

  // The renderer of panel i, of the innermost modal window (nullptr when none).
  PanelRenderer* panelRenderer(int i) const;
  ModalWindowDialog* modalWindow() const;
  bool isBusy() const { return busyShown_; }
  // True while a plug-in call is under way (busy or not yet).
  bool isWorking() const { return working_; }
  bool isOpened() const { return opened_; }
  const Outcome& lastOutcome() const { return outcome_; }
  int printsAsked() const { return printsAsked_; }  // Print pressed (click, Enter, mnemonic)
  QString statusText() const { return statusMessage_; }
  // What the busy state says it waits for ("" when not busy).
  QString busyText() const;
  DialogSession& session() { return *session_; }
  StandardOptionsPage* standardOptions() const { return standard_; }
  OtherOptionsPage* otherOptions() const { return other_; }
  PreviewPane* preview() const { return preview_; }

  // UserInterface (on this window's thread)
  int showAlert(const platform::ui::Alert& alert) override;
  int showOpenPanel(platform::ui::OpenPanel& panel) override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void onOpened(const SessionInfo& info);
  void onPicture(const Picture& picture);
  void onBusy(bool busy);
  void onDestinations(const std::vector<Destination>& destinations);
  void fillSummary(const Picture& picture);
  void addJobOptions();
  void onPrinted(const Outcome& outcome);
  void onSaved(const Outcome& outcome);
  void choosePrinter(int index);
  void choosePanel(int row);
  void showCurrentPage();
  void chainTabOrder();
  QString ownMnemonics() const;  // the letters of the window's own labels and buttons
  void updateBusyText();
  void print();
  void showStatus(const QString& text, bool error);
  // Runs a modal question on this window's thread; the plug-in thread waits.
  void ask(std::function<void()> question);

  PrintDialogOptions options_;
  std::unique_ptr<DialogSession> session_;
  QComboBox* printers_;
  QSpinBox* copies_;
  QComboBox* paper_;
  QListWidget* panelList_;
  QStackedWidget* stack_;
  QLabel* placeholder_;  // a panel that is still loading
  QTreeWidget* summary_;
  QProgressBar* busyBar_;
  QLabel* status_;
  QString statusMessage_;
  bool statusError_ = false;
  QLabel* printerState_;
  StandardOptionsPage* standard_;
  OtherOptionsPage* other_;
  PreviewPane* preview_;
  QPushButton *printButton_, *cancelButton_, *defaultsButton_;
  std::vector<PanelRenderer*> renderers_;  // nullptr while a panel loads
  std::map<std::uintptr_t, ModalWindowDialog*> windows_;
  std::vector<std::uintptr_t> windowOrder_;
  QTimer *busyTimer_, *busyWords_;
  bool working_ = false, busyShown_ = false, opened_ = false, updatingChoosers_ = false,
       destinationsListed_ = false, reopened_ = false;
  Outcome outcome_;
  int printsAsked_ = 0;
  Options jobOptions_;  // the offline mode's last Print, for the Summary
  std::mutex askMutex_;
  bool closing_ = false;  // under askMutex_
};

// A plug-in's modal window (the profile management window) as a modal dialog.
class ModalWindowDialog : public QDialog {
 public:
  ModalWindowDialog(std::function<void(const host::UserAction&)> sink, std::function<void()> cancel,
                    QWidget* parent);
  PanelRenderer* renderer() const { return renderer_; }
  void reject() override;  // Escape or the close box: the window's run ends with Cancel

 private:
  PanelRenderer* renderer_;
  std::function<void()> cancel_;
};

}  // namespace gui
