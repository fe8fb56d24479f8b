#include "gui/print_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "gui/other_options.h"
#include "gui/panel_renderer.h"
#include "gui/preview.h"
#include "gui/standard_options.h"
#include "gui/text.h"
#include "platform/ui/window.h"

namespace gui {

namespace ui = platform::ui;

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// The pages after the panels in the panel list, by the tag their item holds.
constexpr int kPageTagRole = Qt::UserRole + 1;

QString StateText(const Destination& d) {
  QString text = d.state == 5 ? Tr("Stopped") : d.state == 4 ? Tr("Printing") : Tr("Idle");
  if (!d.accepting) text += ", " + Tr("not accepting jobs");
  if (!d.stateMessage.empty()) text += QString::fromUtf8(" — ") + Q(d.stateMessage);
  return text;
}

bool IsInputEvent(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::ShortcutOverride:
      return true;
    default:
      return false;
  }
}
}  // namespace

ModalWindowDialog::ModalWindowDialog(std::function<void(const host::UserAction&)> sink,
                                     std::function<void()> cancel, QWidget* parent)
    : QDialog(parent), renderer_(new PanelRenderer(std::move(sink), this)), cancel_(std::move(cancel)) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(renderer_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setModal(true);
}

void ModalWindowDialog::reject() { cancel_(); }

PrintDialog::PrintDialog(PrintDialogOptions options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)) {
  DialogSession::Callbacks cb;
  cb.busy = [this](bool busy) { onBusy(busy); };
  cb.picture = [this](const Picture& p) { onPicture(p); };
  cb.opened = [this](const SessionInfo& i) { onOpened(i); };
  cb.destinations = [this](const std::vector<Destination>& d) { onDestinations(d); };
  cb.printed = [this](const Outcome& o) { onPrinted(o); };
  cb.defaultsSaved = [this](const Outcome& o) { onSaved(o); };
  cb.problem = [this](const std::string& text) { showStatus(Q(text), true); };
  session_ = std::make_unique<DialogSession>(
      [this](std::function<void()> f) {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
      },
      [this](std::function<void()> f) { ask(std::move(f)); }, this, std::move(cb));
  // The plug-ins load on their thread while this one builds the window; the
  // CUPS destinations are listed once the panels are on screen.
  session_->open(options_.dialog);

  setWindowTitle(Tr("Print"));
  printers_ = new QComboBox;
  // Name, location and state in columns, as print dialogs list printers.
  auto* printerModel = new QStandardItemModel(0, 3, printers_);
  printerModel->setHorizontalHeaderLabels({Tr("Printer"), Tr("Location"), Tr("State")});
  auto* printerView = new QTreeView;
  printerView->setRootIsDecorated(false);
  printerView->setMinimumWidth(420);
  printers_->setModel(printerModel);
  printers_->setView(printerView);
  printerState_ = new QLabel;
  printerState_->setObjectName("printerState");
  printerState_->setWordWrap(true);
  copies_ = new QSpinBox;
  copies_->setRange(1, host::kMaxCopies);
  paper_ = new QComboBox;
  printers_->setObjectName("printers");
  paper_->setObjectName("paperSize");
  standard_ = new StandardOptionsPage(
      {[this](const std::string& k, const std::string& c) { session_->setPpdOption(k, c); },
       [this](const platform::PageSetup& s) { session_->setPageSetup(s); }});
  other_ = new OtherOptionsPage(
      [this](const std::string& k, const std::string& c) { session_->setPpdOption(k, c); });
  preview_ = new PreviewPane(options_.pdfRenderer);
  preview_->setDocument(options_.file);
  // Labels and buttons with mnemonics; the panels take other letters.
  auto* form = new QFormLayout;
  form->addRow(Tr("Printe&r:"), printers_);
  form->addRow(QString(), printerState_);
  auto* row = new QHBoxLayout;
  row->addWidget(copies_);
  auto* paperLabel = new QLabel(Tr("Paper &Size:"));
  paperLabel->setBuddy(paper_);
  row->addWidget(paperLabel);
  row->addWidget(paper_, 1);
  row->addWidget(standard_->customSizeFields());
  auto* copiesLabel = new QLabel(Tr("C&opies:"));
  copiesLabel->setBuddy(copies_);
  form->addRow(copiesLabel, row);
  printers_->setAccessibleName(Tr("Printer"));
  copies_->setAccessibleName(Tr("Copies"));
  paper_->setAccessibleName(Tr("Paper Size"));

  panelList_ = new QListWidget;
  panelList_->setAccessibleName(Tr("Panels"));
  panelList_->setMinimumWidth(150);
  panelList_->setMaximumWidth(200);
  stack_ = new QStackedWidget;
  // The panel area starts at the size the bundled panels take, so the window
  // keeps its size as they load; a larger panel widens it once.
  placeholder_ = new QLabel;
  placeholder_->setAlignment(Qt::AlignCenter);
  placeholder_->setWordWrap(true);
  placeholder_->setMinimumSize(kPanelArea);
  // The window shows at once; until the panels' names come it says what it waits for.
  const Activity opening = DialogSession::Opening(options_.dialog);
  placeholder_->setText(Tr(opening.text).arg(Q(opening.subject)));
  stack_->addWidget(placeholder_);
  summary_ = new QTreeWidget;
  summary_->setHeaderLabels({Tr("Item"), Tr("Setting")});
  summary_->setAccessibleName(Tr("Summary"));
  stack_->addWidget(summary_);
  stack_->addWidget(standard_);
  stack_->addWidget(other_);
  auto* middle = new QHBoxLayout;
  middle->addWidget(panelList_);
  middle->addWidget(stack_, 1);
  middle->addWidget(preview_);

  // The status line keeps its place and one line's height, busy or not, so
  // the window does not change size; a longer text shows whole as a tip.
  busyBar_ = new QProgressBar;
  busyBar_->setRange(0, 0);
  busyBar_->setMaximumWidth(80);
  busyBar_->setAccessibleName(Tr("Working"));
  QSizePolicy keep = busyBar_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  busyBar_->setSizePolicy(keep);
  busyBar_->hide();
  status_ = new QLabel;
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(busyBar_);
  statusRow->addWidget(status_, 1);
  defaultsButton_ = new QPushButton(Tr("Save as &defaults for this printer"));
  cancelButton_ = new QPushButton(Tr("&Cancel"));
  printButton_ = new QPushButton(Tr("&Print"));
  printButton_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(defaultsButton_);
  buttons->addStretch(1);
  buttons->addWidget(cancelButton_);
  buttons->addWidget(printButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(middle, 1);
  layout->addLayout(statusRow);
  layout->addLayout(buttons);

  busyTimer_ = new QTimer(this);
  busyTimer_->setSingleShot(true);
  busyTimer_->setInterval(kBusyDelayMs);
  connect(busyTimer_, &QTimer::timeout, this, [this] {
    if (!working_ || busyShown_) return;
    busyShown_ = true;
    busyBar_->show();
    updateBusyText();
    busyWords_->start();
    QApplication::setOverrideCursor(Qt::BusyCursor);
  });
  // What the plug-in waits for changes within one call (a helper, the next panel).
  busyWords_ = new QTimer(this);
  busyWords_->setInterval(kBusyDelayMs);
  connect(busyWords_, &QTimer::timeout, this, [this] { updateBusyText(); });

  connect(printers_, &QComboBox::currentIndexChanged, this, [this](int i) { choosePrinter(i); });
  connect(paper_, &QComboBox::activated, this, [this](int i) {
    std::string id = paper_->itemData(i).toString().toStdString();
    standard_->useCustomSize(id == "Custom");  // a custom size goes with its fields
    if (id != "Custom") session_->setPaper(id);
  });
  connect(panelList_, &QListWidget::currentRowChanged, this, [this](int r) { choosePanel(r); });
  connect(printButton_, &QPushButton::clicked, this, [this] { print(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(defaultsButton_, &QPushButton::clicked, this, [this] {
    showStatus(QString(), false);
    session_->saveDefaults();
  });
  qApp->installEventFilter(this);

  updatingChoosers_ = true;
  if (options_.dialog.printerName.empty()) {
    std::string file = std::filesystem::path(options_.dialog.ppdPath).filename().string();
    printers_->addItem(Tr("%1 (PPD file, offline)").arg(Q(file)));
  } else {
    printers_->addItem(Q(options_.dialog.printerName), Q(options_.dialog.printerName));
  }
  updatingChoosers_ = false;
}

PrintDialog::~PrintDialog() {
  hide();  // focus leaves the fields (ending their editing) while the session still runs
  qApp->removeEventFilter(this);
  if (busyShown_) QApplication::restoreOverrideCursor();
  {
    // A plug-in waiting for an alert or open panel that was never shown gets
    // the default answer, and asks no more: the plug-in thread can end.
    std::lock_guard<std::mutex> lock(askMutex_);
    closing_ = true;
  }
  QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
  // Does not wait for a plug-in call still running; what the session posts
  // until it lets go of this window goes with the window.
  DialogSession::Close(std::move(session_));
}

void PrintDialog::ask(std::function<void()> question) {
  std::future<void> answered;
  {
    std::lock_guard<std::mutex> lock(askMutex_);
    if (closing_) return;
    auto promise = std::make_shared<std::promise<void>>();
    answered = promise->get_future();
    QMetaObject::invokeMethod(
        this,
        [question = std::move(question), promise] {
          question();
          promise->set_value();
        },
        Qt::QueuedConnection);
  }
  // Ready when answered, or broken when the window went away with the call
  // still queued (the call, and with it the promise, is then destroyed).
  answered.wait();
}

PanelRenderer* PrintDialog::panelRenderer(int i) const {
  return i >= 0 && i < static_cast<int>(renderers_.size()) ? renderers_[static_cast<size_t>(i)] : nullptr;
}

ModalWindowDialog* PrintDialog::modalWindow() const {
  return windowOrder_.empty() ? nullptr : windows_.at(windowOrder_.back());
}

QString PrintDialog::busyText() const { return busyShown_ ? status_->text() : QString(); }

bool PrintDialog::eventFilter(QObject* object, QEvent* event) {
  if (busyShown_ && IsInputEvent(event->type()) && object->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(object);
    QWidget* top = widget->window();
    if (top != this && !dynamic_cast<ModalWindowDialog*>(top)) return QDialog::eventFilter(object, event);
    // A person can always leave: Cancel and Escape go through.
    const bool escape = (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
                         event->type() == QEvent::ShortcutOverride) &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    return !(escape || widget == cancelButton_);
  }
  return QDialog::eventFilter(object, event);
}

void PrintDialog::updateBusyText() {
  if (!busyShown_ || !session_) return;
  Activity a = session_->activity();
  status_->setText(a.text ? Tr(a.text).arg(Q(a.subject)) : Tr("Working…"));
  status_->setToolTip(status_->text());
}

void PrintDialog::onBusy(bool busy) {
  working_ = busy;
  if (busy) {
    if (!busyShown_) busyTimer_->start();
    return;
  }
  busyTimer_->stop();
  if (busyShown_) {
    busyShown_ = false;
    busyWords_->stop();
    busyBar_->hide();
    showStatus(statusMessage_, statusError_);
    QApplication::restoreOverrideCursor();
  }
}

void PrintDialog::onDestinations(const std::vector<Destination>& destinations) {
  updatingChoosers_ = true;
  auto* model = static_cast<QStandardItemModel*>(printers_->model());
  for (const auto& d : destinations) {
    int row = printers_->findData(Q(d.name));
    if (row < 0) {
      printers_->addItem(Q(d.name), Q(d.name));
      row = printers_->count() - 1;
    }
    QString state = StateText(d);
    if (d.isDefault) state = Tr("Default printer") + ", " + state;
    model->setItem(row, 1, new QStandardItem(Q(d.location)));
    model->setItem(row, 2, new QStandardItem(state));
    QStandardItem* name = model->item(row, 0);
    name->setToolTip(Q(d.info));
    if (d.isDefault) {
      name->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
      name->setAccessibleDescription(Tr("Default printer"));
    }
  }
  updatingChoosers_ = false;
}

void PrintDialog::choosePrinter(int index) {
  if (updatingChoosers_ || index < 0) return;
  host::DialogOptions o = options_.dialog;
  QString name = printers_->itemData(index).toString();
  o.printerName = name.toStdString();
  opened_ = false;
  showStatus(QString(), false);
  session_->open(o);
}

void PrintDialog::onOpened(const SessionInfo& info) {
  opened_ = info.ok;
  reopened_ = true;  // new controls: the renderers start afresh
  jobOptions_.clear();
  printButton_->setEnabled(info.ok);
  defaultsButton_->setEnabled(info.ok && !info.printerName.empty());
  printerState_->setText(info.printerName.empty() ? QString()
                         : info.destination.location.empty()
                             ? StateText(info.destination)
                             : StateText(info.destination) + "  ·  " +
                                   Tr("Location: %1").arg(Q(info.destination.location)));
  printerState_->setVisible(!info.printerName.empty());
  if (!info.ok) {
    showStatus(Q(info.error), true);
    placeholder_->clear();  // it waits no more
    return;
  }
  if (!info.destination.accepting || info.destination.state == 5)
    showStatus(Tr("The printer holds or refuses jobs: %1").arg(StateText(info.destination)), true);
  updatingChoosers_ = true;
  paper_->clear();
  for (const auto& p : info.papers) paper_->addItem(Q(p.name), Q(p.id));
  paper_->setCurrentIndex(paper_->findData(Q(info.paper.starts_with("Custom.") ? "Custom" : info.paper)));
  paper_->setEnabled(paper_->count() > 0);
  copies_->setValue(info.printDefaults.copies);
  standard_->reset(info);
  other_->reset(info);
  updatingChoosers_ = false;
}

void PrintDialog::onPicture(const Picture& picture) {
  // The panel list, rebuilt when another printer brought other panels; a
  // renderer for each panel once it has loaded.
  bool same = !reopened_ && renderers_.size() == picture.panels.size();
  reopened_ = false;
  for (size_t i = 0; same && i < picture.panels.size(); ++i)
    same = panelList_->item(static_cast<int>(i))->data(Qt::UserRole).toString() == Q(picture.panels[i].kind);
  if (!same) {
    for (PanelRenderer* r : renderers_)
      if (r) {
        stack_->removeWidget(r);
        r->deleteLater();
      }
    renderers_.assign(picture.panels.size(), nullptr);
    QSignalBlocker block(panelList_);
    panelList_->clear();
    for (const auto& panel : picture.panels) {
      auto* item = new QListWidgetItem(Q(panel.name), panelList_);
      item->setData(Qt::UserRole, Q(panel.kind));
    }
    (new QListWidgetItem(Tr("Layout"), panelList_))->setData(kPageTagRole, "layout");
    if (!other_->isEmpty())
      (new QListWidgetItem(Tr("Other Options"), panelList_))->setData(kPageTagRole, "other");
    (new QListWidgetItem(Tr("Summary"), panelList_))->setData(kPageTagRole, "summary");
    block.unblock();
    panelList_->setCurrentRow(0);
  }
  bool reordered = !same;
  for (size_t i = 0; i < picture.panels.size(); ++i) {
    if (!picture.panels[i].loaded) continue;
    if (!renderers_[i]) {
      renderers_[i] = new PanelRenderer([this](const host::UserAction& a) {
        if (session_) session_->act(a);
      });
      renderers_[i]->setReservedMnemonics(ownMnemonics());
      renderers_[i]->setButtonsTakeEnter(false);  // Enter prints
      stack_->addWidget(renderers_[i]);
    }
    reordered = renderers_[i]->render(picture.panels[i].view) || reordered;
  }
  if (reordered) chainTabOrder();
  showCurrentPage();
  if (!destinationsListed_ && std::all_of(renderers_.begin(), renderers_.end(), [](auto* r) { return r; })) {
    destinationsListed_ = true;
    session_->listDestinations();
  }

  standard_->update(picture);
  other_->update(picture);
  fillSummary(picture);

  // Modal windows: open new ones, update the rest, close those whose run ended.
  std::vector<std::uintptr_t> live;
  for (const auto& w : picture.windows) {
    live.push_back(w.id);
    ModalWindowDialog*& d = windows_[w.id];
    if (!d) {
      d = new ModalWindowDialog(
          [this](const host::UserAction& a) {
            if (session_) session_->act(a);
          },
          [this, id = w.id] {
            if (session_) session_->cancelWindow(id);
          },
          this);
      d->setWindowTitle(Q(w.title));
      d->setAttribute(Qt::WA_KeyboardFocusChange);
      windowOrder_.push_back(w.id);
      d->renderer()->render(w.content);
      d->open();
    } else {
      d->renderer()->render(w.content);
    }
  }
  for (auto it = windowOrder_.begin(); it != windowOrder_.end();) {
    if (std::find(live.begin(), live.end(), *it) == live.end()) {
      ModalWindowDialog* d = windows_[*it];
      windows_.erase(*it);
      d->hide();
      d->deleteLater();
      it = windowOrder_.erase(it);
    } else {
      ++it;
    }
  }
}

QString PrintDialog::ownMnemonics() const {
  QString letters;
  for (QWidget* w : findChildren<QWidget*>()) {
    QString text;
    if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) text = l->text();
    if (auto* b = qobject_cast<QPushButton*>(w); b && !stack_->isAncestorOf(b)) text = b->text();
    const auto at = text.indexOf(u'&');
    if (at >= 0 && at + 1 < text.size() && text[at + 1] != u'&') letters += text[at + 1].toLower();
  }
  return letters;
}

// The window's choosers, the panel list, the shown panel in its reading order,
// then the buttons (hidden panels drop out of the chain by themselves).
void PrintDialog::chainTabOrder() {
  std::vector<QWidget*> chain{printers_, copies_, paper_};
  // The dialog's own pages and fields: in the order they were made, which is their reading order.
  auto own = [&chain](QWidget* page) {
    for (QWidget* w : page->findChildren<QWidget*>())
      if ((w->focusPolicy() & Qt::TabFocus) && !(w->parentWidget()->focusPolicy() & Qt::TabFocus))
        chain.push_back(w);
  };
  own(standard_->customSizeFields());
  chain.push_back(panelList_);
  for (PanelRenderer* r : renderers_)
    if (r) chain.insert(chain.end(), r->tabOrder().begin(), r->tabOrder().end());
  own(standard_);
  own(other_);
  chain.push_back(summary_);
  own(preview_);
  chain.insert(chain.end(), {defaultsButton_, cancelButton_, printButton_});
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void PrintDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A visible focus from the start, on the first control: the style draws
  // the focus frame once the window counts as keyboard-driven.
  setAttribute(Qt::WA_KeyboardFocusChange);
  if (!focusWidget()) printers_->setFocus(Qt::TabFocusReason);
}

void PrintDialog::fillSummary(const Picture& picture) {
  summary_->clear();
  // What every print dialog's summary starts with: where, how many, on what.
  auto* job = new QTreeWidgetItem(summary_, {Tr("Print Job")});
  new QTreeWidgetItem(job, {Tr("Printer"), printers_->currentText()});
  new QTreeWidgetItem(job, {Tr("Copies"), QString::number(copies_->value())});
  new QTreeWidgetItem(job, {Tr("Paper Size"), paper_->currentText()});
  for (const auto& [name, value] : standard_->summary()) new QTreeWidgetItem(job, {name, value});
  for (const auto& panel : picture.panels) {
    auto* top = new QTreeWidgetItem(summary_, {Q(panel.name)});
    for (const auto& [name, value] : panel.summary) new QTreeWidgetItem(top, {Q(name), Q(value)});
  }
  if (!other_->isEmpty()) {
    auto* top = new QTreeWidgetItem(summary_, {Tr("Other Options")});
    for (const auto& [name, value] : other_->summary()) new QTreeWidgetItem(top, {name, value});
  }
  addJobOptions();
  summary_->expandAll();
  summary_->resizeColumnToContents(0);
}

void PrintDialog::addJobOptions() {
  for (QTreeWidgetItem* old : summary_->findItems(Tr("Job options (nothing sent)"), Qt::MatchExactly))
    delete old;
  if (jobOptions_.empty()) return;
  auto* top = new QTreeWidgetItem(summary_, {Tr("Job options (nothing sent)")});
  for (const auto& [key, value] : jobOptions_) new QTreeWidgetItem(top, {Q(key), Q(value)});
  top->setExpanded(true);
}

void PrintDialog::choosePanel(int row) {
  if (row < 0) return;
  showCurrentPage();
  session_->showPanel(row < static_cast<int>(renderers_.size()) ? row : -1);
}

void PrintDialog::showCurrentPage() {
  const int row = panelList_->currentRow();
  if (row < 0) {
    stack_->setCurrentWidget(placeholder_);
  } else if (row >= static_cast<int>(renderers_.size())) {
    const QString tag = panelList_->item(row)->data(kPageTagRole).toString();
    stack_->setCurrentWidget(tag == "layout"  ? static_cast<QWidget*>(standard_)
                             : tag == "other" ? static_cast<QWidget*>(other_)
                                              : static_cast<QWidget*>(summary_));
  } else if (PanelRenderer* r = renderers_[static_cast<size_t>(row)]) {
    stack_->setCurrentWidget(r);
  } else {
    placeholder_->setText(Tr("Opening the %1 panel…").arg(panelList_->item(row)->text()));
    stack_->setCurrentWidget(placeholder_);
  }
}

void PrintDialog::print() {
  ++printsAsked_;
  std::string file = options_.file;
  if (file.empty() && printers_->currentData().isValid()) {
    file = QFileDialog::getOpenFileName(this, Tr("Choose the file to print")).toStdString();
    if (file.empty()) return;
  }
  QString why;
  std::optional<host::PrintOptions> chosen = standard_->printOptions(copies_->value(), &why);
  if (!chosen) {
    showStatus(why, true);
    return;
  }
  standard_->commitCustomSize();
  showStatus(QString(), false);
  session_->print(file, *chosen);
}

void PrintDialog::onPrinted(const Outcome& o) {
  outcome_ = o;
  if (o.refusedByPanel) return;  // the panel's alert said why
  QString text = Q(o.message);
  if (o.ok && o.jobId == 0) {
    QStringList opts;
    for (const auto& [k, v] : o.options) opts << Q(k + "=" + v);
    text += " " + Tr("Options: %1").arg(opts.join(' '));
    // The status keeps one line; the Summary lists them, one a line, and scrolls.
    jobOptions_ = o.options;
    addJobOptions();
  }
  showStatus(text, !o.ok);
  // The job is with CUPS: the person reads so, then the dialog's work is done.
  if (o.ok && o.jobId != 0) {
    printButton_->setEnabled(false);
    QTimer::singleShot(kPrintedCloseDelayMs, this, &QDialog::accept);
  }
}

void PrintDialog::onSaved(const Outcome& o) {
  outcome_ = o;
  showStatus(Q(o.message), !o.ok);
}

void PrintDialog::showStatus(const QString& text, bool error) {
  statusMessage_ = text;
  statusError_ = error;
  if (busyShown_) return;  // shown when the busy state ends
  status_->setText(text);
  status_->setToolTip(text);
  QPalette p = status_->palette();
  p.setColor(QPalette::WindowText, error ? QColor(Qt::red) : QApplication::palette().color(QPalette::WindowText));
  status_->setPalette(p);
}

int PrintDialog::showAlert(const ui::Alert& alert) {
  QMessageBox box(this);
  box.setIcon(alert.style == ui::Alert::Style::kCritical        ? QMessageBox::Critical
              : alert.style == ui::Alert::Style::kInformational ? QMessageBox::Information
                                                                : QMessageBox::Warning);
  box.setText(Q(alert.messageText));
  box.setInformativeText(Q(alert.informativeText));
  std::vector<std::string> buttons = alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
  std::vector<QAbstractButton*> made;
  for (size_t i = 0; i < buttons.size(); ++i)
    made.push_back(box.addButton(Q(buttons[i]), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
  box.setDefaultButton(static_cast<QPushButton*>(made.front()));
  box.setObjectName("vnAlert");
  box.exec();
  auto it = std::find(made.begin(), made.end(), box.clickedButton());
  int index = it == made.end() ? static_cast<int>(made.size()) - 1 : static_cast<int>(it - made.begin());
  return ui::kAlertFirstButtonReturn + index;
}

int PrintDialog::showOpenPanel(ui::OpenPanel& panel) {
  QFileDialog d(this, Q(panel.title), Q(panel.directory));
  d.setObjectName("vnOpenPanel");
  d.setOption(QFileDialog::DontUseNativeDialog);
  if (panel.canChooseDirectories && !panel.canChooseFiles) d.setFileMode(QFileDialog::Directory);
  else d.setFileMode(panel.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!panel.allowedFileTypes.empty()) {
    QStringList patterns;
    for (const auto& t : panel.allowedFileTypes) patterns << "*." + Q(t);
    d.setNameFilter(patterns.join(' '));
  }
  if (d.exec() != QDialog::Accepted) return ui::kModalResponseCancel;
  for (const QString& f : d.selectedFiles()) panel.paths.push_back(f.toStdString());
  return ui::kModalResponseOK;
}

}  // namespace gui
