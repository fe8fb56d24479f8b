#include "gui/other_options.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

#include "gui/text.h"

namespace gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

OtherOptionsPage::OtherOptionsPage(Sink sink, QWidget* parent) : QWidget(parent), sink_(std::move(sink)) {
  setObjectName("otherOptionsPage");
  form_ = new QFormLayout(this);
}

void OtherOptionsPage::reset(const SessionInfo& info) {
  while (form_->rowCount() > 0) form_->removeRow(0);
  combos_.clear();
  labels_.clear();
  order_ = info.otherOptions;
  for (const std::string& keyword : order_) {
    auto* combo = new QComboBox;
    combo->setObjectName(Q("ppd_" + keyword));
    auto* label = new QLabel(Q(keyword));
    label->setBuddy(combo);
    form_->addRow(label, combo);
    combos_[keyword] = combo;
    labels_[keyword] = label;
    connect(combo, &QComboBox::activated, this, [this, combo, keyword](int i) {
      if (!updating_) sink_(keyword, combo->itemData(i).toString().toStdString());
    });
  }
}

void OtherOptionsPage::update(const Picture& picture) {
  updating_ = true;
  for (const auto& option : picture.ppdOptions) {
    auto it = combos_.find(option.keyword);
    if (it == combos_.end()) continue;
    QComboBox* combo = it->second;
    if (combo->count() != static_cast<int>(option.choices.size())) {
      combo->clear();
      for (const auto& c : option.choices) combo->addItem(Q(c.text), Q(c.choice));
    }
    combo->setCurrentIndex(combo->findData(Q(option.marked)));
    combo->setAccessibleName(Q(option.text));
    QLabel* label = labels_[option.keyword];
    // A conflict is said in words beside the option, not by colour alone.
    label->setText(option.conflicted ? Tr("%1 (conflicts with another choice):").arg(Q(option.text))
                                     : Q(option.text) + ":");
    label->setStyleSheet(option.conflicted ? "color: #b00000" : "");
    combo->setAccessibleDescription(option.conflicted ? Tr("conflicts with another choice") : QString());
  }
  updating_ = false;
}

std::vector<std::pair<QString, QString>> OtherOptionsPage::summary() const {
  std::vector<std::pair<QString, QString>> rows;
  for (const std::string& keyword : order_) {
    QComboBox* combo = combos_.at(keyword);
    rows.emplace_back(combo->accessibleName().isEmpty() ? Q(keyword) : combo->accessibleName(),
                      combo->currentText());
  }
  return rows;
}

QComboBox* OtherOptionsPage::combo(const std::string& keyword) const {
  auto it = combos_.find(keyword);
  return it == combos_.end() ? nullptr : it->second;
}

}  // namespace gui
