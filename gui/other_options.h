// The "Other Options" page: every PPD option that no panel and no standard
// option owns, one pop-up each in the PPD's order, with the PPD's
// constraints: an option in conflict with the other choices says so.
#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "gui/dialog_session.h"

class QComboBox;
class QFormLayout;
class QLabel;

namespace gui {

class OtherOptionsPage : public QWidget {
 public:
  using Sink = std::function<void(const std::string& option, const std::string& choice)>;
  explicit OtherOptionsPage(Sink sink, QWidget* parent = nullptr);

  // A printer was opened: one pop-up for each of its other options.
  void reset(const SessionInfo& info);
  void update(const Picture& picture);
  bool isEmpty() const { return combos_.empty(); }
  // Lines for the summary: each option's text and chosen choice.
  std::vector<std::pair<QString, QString>> summary() const;
  QComboBox* combo(const std::string& keyword) const;

 private:
  Sink sink_;
  QFormLayout* form_;
  std::map<std::string, QComboBox*> combos_;
  std::map<std::string, QLabel*> labels_;
  std::vector<std::string> order_;
  bool updating_ = false;
};

}  // namespace gui
