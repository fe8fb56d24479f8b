#include "gui/panel_renderer.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace gui {

using host::ControlKind;
using host::ControlState;
using host::UserAction;

namespace {

constexpr const char* kIdProperty = "vnControlId";

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::uintptr_t IdOf(const QObject* w) { return w->property(kIdProperty).value<qulonglong>(); }

QRect Geometry(const platform::ui::Rect& r) {
  return QRect(static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width), static_cast<int>(r.height));
}

bool IsInput(ControlKind k) {
  return k == ControlKind::kPopUp || k == ControlKind::kTextField || k == ControlKind::kSecureField ||
         k == ControlKind::kTable || k == ControlKind::kMatrix;
}

// Typing goes to the plug-in's field editor, not into the line edit: the
// plug-in's editing callbacks decide what the field holds, and the next
// picture shows it.
class FieldFilter : public QObject {
 public:
  FieldFilter(QObject* parent, std::function<void(UserAction)> send) : QObject(parent), send_(std::move(send)) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    auto* edit = static_cast<QLineEdit*>(object);
    UserAction a;
    a.id = IdOf(edit);
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste)) {
          a.type = UserAction::Type::kInsertText;
          QString pasted = QApplication::clipboard()->text().remove(QLatin1Char('\n'));
          a.text = pasted.toStdString();
          // It may be a password: the copy made here is not left in freed memory.
          pasted.fill(QChar(0));
        } else if (key->key() == Qt::Key_Backspace) {
          a.type = UserAction::Type::kDeleteBackward;
        } else if (key->key() == Qt::Key_Delete) {
          a.type = UserAction::Type::kDeleteForward;
        } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
          a.type = UserAction::Type::kEndEditing;
        } else if (key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
                   key->matches(QKeySequence::Redo)) {
          return true;  // the field editor has no undo; cutting would bypass the callbacks
        } else if (!key->text().isEmpty() && key->text().at(0).isPrint() &&
                   !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
          a.type = UserAction::Type::kInsertText;
          a.text = key->text().toStdString();
        } else {
          return false;  // caret movement, selection, Tab: the line edit's own
        }
        send_(a);
        return true;
      }
      case QEvent::InputMethod: {
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (!im->commitString().isEmpty()) {
          a.type = UserAction::Type::kInsertText;
          a.text = im->commitString().toStdString();
          send_(a);
        }
        event->accept();
        return true;
      }
      case QEvent::FocusOut:
        a.type = UserAction::Type::kEndEditing;
        send_(a);
        return false;
      default:
        return false;
    }
  }

 private:
  std::function<void(UserAction)> send_;
};

QColor ColorOf(const platform::ui::Color& c, const QPalette& palette) {
  if (c.name == "disabledControlTextColor") return palette.color(QPalette::Disabled, QPalette::WindowText);
  if (c.name.empty() || c.name == "systemRedColor")
    return QColor::fromRgbF(static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                            static_cast<float>(c.a));
  return palette.color(QPalette::Active, QPalette::WindowText);  // control and label text
}

}  // namespace

PanelRenderer::PanelRenderer(ActionSink sink, QWidget* parent) : QWidget(parent), sink_(std::move(sink)) {}

void PanelRenderer::emitAction(UserAction a) {
  if (!updating_ && sink_) sink_(a);
}

QWidget* PanelRenderer::widgetNamed(const QString& name) const {
  for (const auto& [id, e] : entries_)
    if (e.widget->objectName() == name) return e.widget;
  return nullptr;
}

QWidget* PanelRenderer::create(const ControlState& s, QWidget* parent) {
  QWidget* w = nullptr;
  auto act = [this, id = s.id](UserAction::Type type, int index = -1) {
    UserAction a;
    a.id = id;
    a.type = type;
    a.index = index;
    emitAction(a);
  };
  switch (s.kind) {
    case ControlKind::kObject:  // no view: not in a view tree
    case ControlKind::kView: w = new QWidget(parent); break;
    case ControlKind::kBox: w = new QGroupBox(parent); break;
    case ControlKind::kTabView: {
      auto* tabs = new QTabWidget(parent);
      QObject::connect(tabs, &QTabWidget::currentChanged, this,
                       [act](int i) { act(UserAction::Type::kSelectTab, i); });
      w = tabs;
      break;
    }
    case ControlKind::kPopUp: {
      auto* combo = new QComboBox(parent);
      QObject::connect(combo, &QComboBox::activated, this, [act](int i) { act(UserAction::Type::kChoose, i); });
      w = combo;
      break;
    }
    case ControlKind::kCheckBox:
    case ControlKind::kRadio:
    case ControlKind::kPushButton: {
      QAbstractButton* b;
      if (s.kind == ControlKind::kCheckBox) b = new QCheckBox(parent);
      else if (s.kind == ControlKind::kRadio) b = new QRadioButton(parent);
      else b = new QPushButton(parent);
      b->setAutoExclusive(false);
      QObject::connect(b, &QAbstractButton::clicked, this, [act] { act(UserAction::Type::kClick); });
      w = b;
      break;
    }
    case ControlKind::kMatrix: {
      w = new QWidget(parent);
      auto* layout = new QVBoxLayout(w);
      layout->setContentsMargins(0, 0, 0, 0);
      auto* group = new QButtonGroup(w);
      group->setExclusive(false);
      QObject::connect(group, &QButtonGroup::idClicked, this,
                       [act](int row) { act(UserAction::Type::kSelectRow, row); });
      break;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      w = label;
      break;
    }
    case ControlKind::kTextField:
    case ControlKind::kSecureField: {
      auto* edit = new QLineEdit(parent);
      if (s.kind == ControlKind::kSecureField) edit->setEchoMode(QLineEdit::Password);
      edit->setContextMenuPolicy(Qt::NoContextMenu);  // its cut and paste would bypass the callbacks
      edit->installEventFilter(new FieldFilter(edit, [this](UserAction a) { emitAction(a); }));
      auto moved = [this, edit, id = s.id] {
        UserAction a;
        a.id = id;
        a.type = UserAction::Type::kSelectText;
        a.start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        a.length = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
        emitAction(a);
      };
      QObject::connect(edit, &QLineEdit::cursorPositionChanged, this, moved);
      QObject::connect(edit, &QLineEdit::selectionChanged, this, moved);
      w = edit;
      break;
    }
    case ControlKind::kTable: {
      auto* table = new QTableWidget(parent);
      table->setSelectionBehavior(QAbstractItemView::SelectRows);
      table->setSelectionMode(QAbstractItemView::SingleSelection);
      table->verticalHeader()->hide();
      table->horizontalHeader()->setStretchLastSection(true);
      QObject::connect(table, &QTableWidget::itemSelectionChanged, this, [act, table] {
        auto rows = table->selectionModel()->selectedRows();
        act(UserAction::Type::kSelectRow, rows.isEmpty() ? -1 : rows.first().row());
      });
      QObject::connect(table, &QTableWidget::itemChanged, this, [this, id = s.id](QTableWidgetItem* item) {
        UserAction a;
        a.id = id;
        a.type = UserAction::Type::kEditCell;
        a.index = item->row();
        a.column = item->column();
        a.text = item->text().toStdString();
        emitAction(a);
      });
      w = table;
      break;
    }
  }
  w->setObjectName(Q(s.name));
  w->setProperty(kIdProperty, QVariant::fromValue<qulonglong>(s.id));
  return w;
}

void PanelRenderer::apply(const ControlState& s, Entry& e) {
  QWidget* w = e.widget;
  const ControlState& old = e.last;
  bool fresh = e.fresh;
  w->setEnabled(s.enabled);
  switch (s.kind) {
    case ControlKind::kBox: static_cast<QGroupBox*>(w)->setTitle(Q(s.text)); break;
    case ControlKind::kPopUp: {
      auto* combo = static_cast<QComboBox*>(w);
      if (fresh || s.items != old.items || s.popUpChecksItems != old.popUpChecksItems) {
        combo->clear();
        for (const auto& item : s.items) combo->addItem(Q(item.title));
        if (auto* model = qobject_cast<QStandardItemModel*>(combo->model()))
          for (size_t i = 0; i < s.items.size(); ++i)
            model->item(static_cast<int>(i))->setEnabled(s.items[i].enabled || !s.popUpChecksItems);
      }
      combo->setCurrentIndex(s.selected);
      break;
    }
    case ControlKind::kCheckBox: {
      auto* box = static_cast<QCheckBox*>(w);
      box->setText(Q(s.text));
      box->setTristate(s.allowsMixed || s.state == -1);
      box->setCheckState(s.state == 1 ? Qt::Checked : s.state == -1 ? Qt::PartiallyChecked : Qt::Unchecked);
      break;
    }
    case ControlKind::kRadio:
    case ControlKind::kPushButton: {
      auto* b = static_cast<QAbstractButton*>(w);
      b->setText(Q(s.text));
      if (s.kind == ControlKind::kRadio) b->setChecked(s.state == 1);
      break;
    }
    case ControlKind::kMatrix: {
      auto* group = w->findChild<QButtonGroup*>();
      if (fresh || s.items != old.items) {
        for (QAbstractButton* b : group->buttons()) delete b;
        for (size_t i = 0; i < s.items.size(); ++i) {
          auto* b = new QRadioButton(Q(s.items[i].title), w);
          b->setAutoExclusive(false);
          b->setObjectName(Q(s.name) + "_" + QString::number(i));
          w->layout()->addWidget(b);
          group->addButton(b, static_cast<int>(i));
        }
      }
      for (size_t i = 0; i < s.items.size(); ++i) {
        QAbstractButton* b = group->button(static_cast<int>(i));
        b->setEnabled(s.items[i].enabled);
        b->setChecked(static_cast<int>(i) == s.selected);
      }
      break;
    }
    case ControlKind::kLabel: {
      auto* label = static_cast<QLabel*>(w);
      label->setText(Q(s.text));
      QPalette p = label->palette();
      p.setColor(QPalette::WindowText, ColorOf(s.color, QApplication::palette()));
      label->setPalette(p);
      break;
    }
    case ControlKind::kTextField:
    case ControlKind::kSecureField: {
      auto* edit = static_cast<QLineEdit*>(w);
      QString text = Q(s.text);
      if (edit->text() != text) edit->setText(text);
      if (s.editing) {
        if (s.selectionLength > 0) edit->setSelection(s.selectionStart, s.selectionLength);
        else edit->setCursorPosition(s.selectionStart);
      }
      QPalette p = edit->palette();
      p.setColor(QPalette::Text, ColorOf(s.color, QApplication::palette()));
      edit->setPalette(p);
      break;
    }
    case ControlKind::kTable: {
      auto* table = static_cast<QTableWidget*>(w);
      if (fresh || s.columns != old.columns) {
        table->setColumnCount(static_cast<int>(s.columns.size()));
        QStringList headers;
        for (const auto& c : s.columns) headers << Q(c.title);
        table->setHorizontalHeaderLabels(headers);
      }
      if (fresh || s.cells != old.cells || s.columns != old.columns) {
        table->setRowCount(static_cast<int>(s.cells.size()));
        for (size_t r = 0; r < s.cells.size(); ++r)
          for (size_t c = 0; c < s.cells[r].size() && c < s.columns.size(); ++c) {
            auto* item = new QTableWidgetItem(Q(host::CellText(s.cells[r][c])));
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (s.columns[c].editable) flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            table->setItem(static_cast<int>(r), static_cast<int>(c), item);
          }
      }
      if (s.selected >= 0 && s.selected < table->rowCount()) table->selectRow(s.selected);
      else table->clearSelection();
      break;
    }
    case ControlKind::kTabView:
      static_cast<QTabWidget*>(w)->setCurrentIndex(s.selected);
      break;
    case ControlKind::kObject:
    case ControlKind::kView: break;
  }
  e.last = s;
  e.last.children.clear();
  e.fresh = false;
}

void PanelRenderer::syncTabs(const ControlState& s, QWidget* w, std::unordered_set<std::uintptr_t>* seen) {
  auto* tabs = static_cast<QTabWidget*>(w);
  for (size_t i = 0; i < s.children.size(); ++i) {
    QWidget* page = sync(s.children[i], nullptr, seen);
    QString label = i < s.items.size() ? Q(s.items[i].title) : QString();
    if (tabs->widget(static_cast<int>(i)) != page) {
      tabs->insertTab(static_cast<int>(i), page, label);
      structureChanged_ = true;
    }
    tabs->setTabText(static_cast<int>(i), label);
  }
  while (tabs->count() > static_cast<int>(s.children.size())) tabs->removeTab(tabs->count() - 1);
  tabs->setCurrentIndex(s.selected);
}

QWidget* PanelRenderer::sync(const ControlState& s, QWidget* parent, std::unordered_set<std::uintptr_t>* seen) {
  if (!seen->insert(s.id).second) return nullptr;  // a view appears once in a tree
  auto it = entries_.find(s.id);
  if (it == entries_.end() || it->second.last.kind != s.kind) {
    if (it != entries_.end()) {
      // Another object now has the identity: its widget, and those inside it, go.
      QWidget* old = it->second.widget;
      std::erase_if(entries_, [old](const auto& e) { return old == e.second.widget || old->isAncestorOf(e.second.widget); });
      old->hide();
      old->deleteLater();
    }
    it = entries_.emplace(s.id, Entry{create(s, parent ? parent : this), {}, true}).first;
    structureChanged_ = true;
  }
  Entry& e = it->second;
  QWidget* w = e.widget;
  if (parent && w->parentWidget() != parent) {
    w->setParent(parent);
    structureChanged_ = true;
  }
  apply(s, e);
  if (parent) {
    w->setGeometry(Geometry(s.frame));
    w->setVisible(!s.hidden);
  }
  if (s.kind == ControlKind::kTabView) {
    syncTabs(s, w, seen);
  } else if (s.kind != ControlKind::kMatrix) {
    for (const auto& child : s.children) sync(child, w, seen);
  }
  return w;
}

void PanelRenderer::render(const ControlState& root) {
  updating_ = true;
  structureChanged_ = false;
  std::unordered_set<std::uintptr_t> seen;
  QWidget* top = sync(root, this, &seen);
  if (top) {
    top->setGeometry(0, 0, static_cast<int>(root.frame.width), static_cast<int>(root.frame.height));
    top->setVisible(!root.hidden);
    setFixedSize(top->size());
  }
  rootWidget_ = top;
  // Views that left the tree (a pane swapped out) stay, hidden, for when they come back.
  for (auto& [id, e] : entries_)
    if (!seen.count(id) && e.widget->isVisibleTo(this)) {
      e.widget->hide();
      structureChanged_ = true;
    }
  if (structureChanged_ && top) arrange(top);
  updating_ = false;
}

// Accessible names from the labels beside the inputs, and a tab order that
// reads the layout: by row, then left to right, depth first.
void PanelRenderer::arrange(QWidget* root) {
  std::vector<QWidget*> order;
  std::function<void(QWidget*)> walk = [&](QWidget* parent) {
    std::vector<QWidget*> kids;
    for (QObject* o : parent->children())
      if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && entries_.count(IdOf(w))) kids.push_back(w);
    if (auto* tabs = qobject_cast<QTabWidget*>(parent))
      for (int i = 0; i < tabs->count(); ++i) kids.push_back(tabs->widget(i));
    std::stable_sort(kids.begin(), kids.end(), [](QWidget* a, QWidget* b) {
      QRect ga = a->geometry(), gb = b->geometry();
      if (ga.bottom() < gb.top()) return true;
      if (gb.bottom() < ga.top()) return false;
      return ga.left() < gb.left();
    });
    for (QWidget* w : kids) {
      const Entry& e = entries_.at(IdOf(w));
      if (IsInput(e.last.kind)) {
        QLabel* best = nullptr;
        int bestGap = 1 << 30;
        QRect g = w->geometry();
        for (QWidget* k : kids) {
          auto* label = qobject_cast<QLabel*>(k);
          if (!label || label->isHidden()) continue;
          QRect lg = label->geometry();
          int gap = g.left() - lg.right();
          bool sameRow = lg.center().y() >= g.top() && lg.center().y() <= g.bottom();
          if (sameRow && gap >= -4 && gap < bestGap) {
            best = label;
            bestGap = gap;
          }
        }
        if (best) {
          QString name = best->text().trimmed();
          while (name.endsWith(u':') || name.endsWith(QChar(0xFF1A))) name.chop(1);
          w->setAccessibleName(name.trimmed());
          best->setBuddy(w);
        }
      } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setAccessibleName(b->text());
      }
      if (w->focusPolicy() != Qt::NoFocus && !qobject_cast<QLabel*>(w)) order.push_back(w);
      if (e.last.kind == ControlKind::kMatrix)
        for (QObject* o : w->children())
          if (auto* b = qobject_cast<QRadioButton*>(o)) order.push_back(b);
      if (e.last.kind != ControlKind::kMatrix) walk(w);
    }
  };
  walk(root);
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace gui
