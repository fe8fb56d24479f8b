#include "gui/standard_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "gui/text.h"
#include "platform/printing_page_setup.h"

namespace gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QDoubleSpinBox* SideField(const QString& name) {
  auto* f = new QDoubleSpinBox;
  f->setDecimals(1);
  f->setSuffix(" pt");
  f->setAccessibleName(name);
  f->setKeyboardTracking(false);  // one size once typing ends, not one per key
  return f;
}

const host::PpdOptionInfo* Find(const Picture& p, const char* keyword) {
  for (const auto& o : p.ppdOptions)
    if (o.keyword == keyword) return &o;
  return nullptr;
}

}  // namespace

StandardOptionsPage::StandardOptionsPage(Sinks sinks, QWidget* parent)
    : QWidget(parent), sinks_(std::move(sinks)) {
  setObjectName("layoutPage");
  pages_ = new QLineEdit;
  pages_->setObjectName("pageRanges");
  pages_->setPlaceholderText(Tr("All pages"));
  pages_->setAccessibleName(Tr("Pages"));
  pages_->setToolTip(Tr("Pages to print, e.g. 1-3, 5; empty prints every page"));
  collate_ = new QCheckBox(Tr("Co&llate copies"));
  collate_->setObjectName("collate");
  twoSided_ = new QComboBox;
  twoSided_->setObjectName("twoSided");
  twoSided_->setAccessibleName(Tr("Two-sided"));
  source_ = new QComboBox;
  source_->setObjectName("paperSource");
  source_->setAccessibleName(Tr("Paper source"));
  orientation_ = new QComboBox;
  orientation_->setObjectName("orientation");
  orientation_->setAccessibleName(Tr("Orientation"));
  for (auto [o, text] :
       {std::pair{platform::kPMPortrait, "Portrait"}, std::pair{platform::kPMLandscape, "Landscape"},
        std::pair{platform::kPMReversePortrait, "Reverse portrait"},
        std::pair{platform::kPMReverseLandscape, "Reverse landscape"}})
    orientation_->addItem(Tr(text), static_cast<int>(o));
  numberUp_ = new QComboBox;
  numberUp_->setObjectName("pagesPerSheet");
  numberUp_->setAccessibleName(Tr("Pages per sheet"));
  for (int n : host::kNumberUpChoices) numberUp_->addItem(QString::number(n), n);
  fitToPage_ = new QCheckBox(Tr("Scale to &fit the paper"));
  fitToPage_->setObjectName("fitToPage");
  conflictNote_ = new QLabel;
  conflictNote_->setObjectName("conflicts");
  conflictNote_->setWordWrap(true);
  conflictNote_->setStyleSheet("color: #b00000");

  form_ = new QFormLayout(this);
  form_->addRow(Tr("Pa&ges:"), pages_);
  form_->addRow(QString(), collate_);
  form_->addRow(Tr("T&wo-sided:"), twoSided_);
  form_->addRow(Tr("Paper so&urce:"), source_);
  form_->addRow(Tr("Orie&ntation:"), orientation_);
  form_->addRow(Tr("Pages per s&heet:"), numberUp_);
  form_->addRow(QString(), fitToPage_);
  form_->addRow(conflictNote_);

  customFields_ = new QWidget;
  customFields_->setObjectName("customSize");
  auto* row = new QHBoxLayout(customFields_);
  row->setContentsMargins(0, 0, 0, 0);
  width_ = SideField(Tr("Width"));
  width_->setObjectName("customWidth");
  height_ = SideField(Tr("Height"));
  height_->setObjectName("customHeight");
  row->addWidget(width_);
  row->addWidget(new QLabel(QString::fromUtf8("\u00d7")));
  row->addWidget(height_);
  customFields_->hide();

  auto ppdChoice = [this](QComboBox* combo, const char* keyword) {
    connect(combo, &QComboBox::activated, this, [this, combo, keyword](int i) {
      if (!updating_) sinks_.ppdOption(keyword, combo->itemData(i).toString().toStdString());
    });
  };
  ppdChoice(twoSided_, "Duplex");
  ppdChoice(source_, "InputSlot");
  connect(orientation_, &QComboBox::activated, this, [this](int i) {
    platform::PageSetup setup;
    setup.orientation = static_cast<platform::PMOrientation>(orientation_->itemData(i).toInt());
    sinks_.pageSetup(setup);
  });
  for (QDoubleSpinBox* f : {width_, height_})
    connect(f, &QDoubleSpinBox::valueChanged, this, [this] {
      if (!updating_) sendCustomSize();
    });
}

void StandardOptionsPage::reset(const SessionInfo& info) {
  updating_ = true;
  const host::PrintOptions& d = info.printDefaults;
  pages_->setText(Q(d.pageRanges));
  collate_->setChecked(d.collate);
  orientation_->setCurrentIndex(orientation_->findData(static_cast<int>(d.orientation)));
  numberUp_->setCurrentIndex(numberUp_->findData(d.numberUp));
  fitToPage_->setChecked(d.fitToPage);
  if (info.customLimits) {
    width_->setRange(info.customLimits->minWidth, info.customLimits->maxWidth);
    height_->setRange(info.customLimits->minHeight, info.customLimits->maxHeight);
  }
  double w = 0, h = 0;
  bool custom = info.paper.starts_with("Custom.") && platform::ParseCustomSize(info.paper.substr(7), &w, &h);
  if (custom) {
    width_->setValue(w);
    height_->setValue(h);
  }
  customFields_->setVisible(custom);
  // Raw queues and PPDs without the option: no row for it.
  twoSided_->clear();
  source_->clear();
  form_->setRowVisible(twoSided_, false);
  form_->setRowVisible(source_, false);
  updating_ = false;
}

void StandardOptionsPage::fillPpdChoices(QComboBox* combo, const host::PpdOptionInfo* option) {
  form_->setRowVisible(combo, option != nullptr);
  if (!option) return;
  if (combo->count() != static_cast<int>(option->choices.size())) {
    combo->clear();
    for (const auto& c : option->choices) combo->addItem(Q(c.text), Q(c.choice));
  }
  combo->setCurrentIndex(combo->findData(Q(option->marked)));
}

void StandardOptionsPage::update(const Picture& picture) {
  updating_ = true;
  fillPpdChoices(twoSided_, Find(picture, "Duplex"));
  fillPpdChoices(source_, Find(picture, "InputSlot"));
  QStringList conflicts;
  for (const auto& c : picture.conflicts) conflicts << Q(c);
  conflictNote_->setText(conflicts.isEmpty() ? QString()
                                             : Tr("These options conflict: %1").arg(conflicts.join(", ")));
  conflictNote_->setVisible(!conflicts.isEmpty());
  updating_ = false;
}

void StandardOptionsPage::useCustomSize(bool custom) {
  customFields_->setVisible(custom);
  if (custom) sendCustomSize();
}

void StandardOptionsPage::commitCustomSize() {
  if (customFields_->isHidden()) return;
  {
    QSignalBlocker w(width_), h(height_);
    width_->interpretText();
    height_->interpretText();
  }
  sendCustomSize();
}

void StandardOptionsPage::sendCustomSize() {
  platform::PageSetup setup;
  setup.customWidth = width_->value();
  setup.customHeight = height_->value();
  sinks_.pageSetup(setup);
}

std::optional<host::PrintOptions> StandardOptionsPage::printOptions(int copies, QString* why) const {
  host::PrintOptions o;
  auto ranges = host::ParsePageRanges(pages_->text().toStdString());
  if (!ranges) {
    *why = Tr("Pages: \"%1\" is no page range (for example 1-3, 5).").arg(pages_->text());
    return std::nullopt;
  }
  o.copies = copies;
  o.pageRanges = *ranges;
  o.collate = collate_->isChecked();
  o.numberUp = numberUp_->currentData().toInt();
  o.orientation = static_cast<platform::PMOrientation>(orientation_->currentData().toInt());
  o.fitToPage = fitToPage_->isChecked();
  return o;
}

std::vector<std::pair<QString, QString>> StandardOptionsPage::summary() const {
  std::vector<std::pair<QString, QString>> rows;
  rows.emplace_back(Tr("Pages"),
                    pages_->text().trimmed().isEmpty() ? Tr("All pages") : pages_->text().trimmed());
  rows.emplace_back(Tr("Collate copies"), collate_->isChecked() ? Tr("On") : Tr("Off"));
  if (twoSided_->count()) rows.emplace_back(Tr("Two-sided"), twoSided_->currentText());
  if (source_->count()) rows.emplace_back(Tr("Paper source"), source_->currentText());
  rows.emplace_back(Tr("Orientation"), orientation_->currentText());
  rows.emplace_back(Tr("Pages per sheet"), numberUp_->currentText());
  rows.emplace_back(Tr("Scale to fit the paper"), fitToPage_->isChecked() ? Tr("On") : Tr("Off"));
  if (!customFields_->isHidden())
    rows.emplace_back(
        Tr("Custom size"),
        QString("%1 %2 %3 pt").arg(width_->value()).arg(QString::fromUtf8("\u00d7")).arg(height_->value()));
  return rows;
}

}  // namespace gui
