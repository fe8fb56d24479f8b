// The options every print dialog offers beside the plug-ins' panels: the
// "Layout" page (pages, collate, two-sided, paper source, orientation, pages
// per sheet, scale to fit) and the custom paper's width and height fields.
// Two-sided and the paper source are the PPD's Duplex and InputSlot and go
// to the session as PPD choices; the rest become host::PrintOptions.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "gui/dialog_session.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace gui {

class StandardOptionsPage : public QWidget {
 public:
  struct Sinks {
    std::function<void(const std::string& option, const std::string& choice)> ppdOption;
    std::function<void(const platform::PageSetup&)> pageSetup;
  };
  explicit StandardOptionsPage(Sinks sinks, QWidget* parent = nullptr);

  // A printer was opened: its defaults, its PPD's options and custom limits.
  void reset(const SessionInfo& info);
  // The PPD choices as the session holds them now (and their conflicts).
  void update(const Picture& picture);

  // The width and height fields of a custom paper, for the paper row.
  QWidget* customSizeFields() const { return customFields_; }
  // The paper chooser chose "Custom" (true) or a named size: the fields show
  // or hide, and a custom size goes to the session.
  void useCustomSize(bool custom);
  // Takes what is typed in the custom size fields, as Print does: a field
  // commits its text only when it loses the focus or takes Enter.
  void commitCustomSize();

  // The standard options as chosen (copies are the caller's); std::nullopt
  // and *why when the page range cannot be read.
  std::optional<host::PrintOptions> printOptions(int copies, QString* why) const;
  // Lines for the summary: name and setting.
  std::vector<std::pair<QString, QString>> summary() const;

 private:
  void fillPpdChoices(QComboBox* combo, const host::PpdOptionInfo* option);
  void sendCustomSize();

  Sinks sinks_;
  QFormLayout* form_;
  QLineEdit* pages_;
  QCheckBox *collate_, *fitToPage_;
  QComboBox *twoSided_, *source_, *orientation_, *numberUp_;
  QLabel* conflictNote_;
  QWidget* customFields_;
  QDoubleSpinBox *width_, *height_;
  bool updating_ = false;
};

}  // namespace gui
