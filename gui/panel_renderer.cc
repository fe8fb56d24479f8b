#include "gui/panel_renderer.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace gui {

using host::ColumnState;
using host::ControlKind;
using host::ControlState;
using host::UserAction;

namespace {

constexpr const char* kIdProperty = "vnControlId";
constexpr const char* kPlainProperty = "vnPlainText";  // a label's or button's text without its mnemonic
// A widget starting this close to the right edge of a widened one moves with it.
constexpr int kEdgeSlack = 4;

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::uintptr_t IdOf(const QObject* w) { return w->property(kIdProperty).value<qulonglong>(); }

QRect Geometry(const platform::ui::Rect& r) {
  return QRect(static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width), static_cast<int>(r.height));
}

bool IsInput(ControlKind k) {
  return k == ControlKind::kPopUp || k == ControlKind::kTextField || k == ControlKind::kSecureField ||
         k == ControlKind::kTable || k == ControlKind::kMatrix;
}

bool Truthy(const platform::plist::Value& v) {
  if (const int64_t* i = v.integer()) return *i != 0;
  if (const bool* b = v.boolean()) return *b;
  return false;
}

// Sets a radio button's state as the model says, which may be none checked:
// auto-exclusive buttons refuse that otherwise.
void SetChecked(QAbstractButton* b, bool on) {
  const bool exclusive = b->autoExclusive();
  b->setAutoExclusive(false);
  b->setChecked(on);
  b->setAutoExclusive(exclusive);
}

// The image a table cell's value names; a plain mark when it is no image Qt
// reads (the interface's icon files).
QIcon ImageIcon(const QString& path, const QWidget* w) {
  if (QImageReader(path).canRead()) return QIcon(path);
  return w->style()->standardIcon(QStyle::SP_DialogApplyButton, nullptr, w);
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
          // The field ends editing; the key goes on to the window's default
          // button (Enter prints from any field, a password field too).
          a.type = UserAction::Type::kEndEditing;
          send_(a);
          return false;
        } else if (key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
                   key->matches(QKeySequence::Redo)) {
          return true;  // the field editor has no undo; cutting would bypass the callbacks
        } else if (!key->text().isEmpty() && key->text().at(0).isPrint() &&
                   !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier))) {
          a.type = UserAction::Type::kInsertText;
          a.text = key->text().toStdString();
        } else {
          return false;  // caret movement, selection, Tab, mnemonics: the line edit's own
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

bool IsMnemonicLetter(QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); }

}  // namespace

QString WithMnemonic(const QString& text, QChar letter) {
  QString escaped = text;
  escaped.replace(u'&', QStringLiteral("&&"));
  if (letter.isNull()) return escaped;
  const QChar lower = letter.toLower();
  // The letter where a word starts, else anywhere.
  int at = -1;
  for (int i = 0; i < text.size() && at < 0; ++i)
    if (text[i].toLower() == lower && (i == 0 || !text[i - 1].isLetterOrNumber())) at = i;
  for (int i = 0; i < text.size() && at < 0; ++i)
    if (text[i].toLower() == lower) at = i;
  if (at >= 0) {
    QString marked = text.left(at);
    marked.replace(u'&', QStringLiteral("&&"));
    QString rest = text.mid(at);
    rest.replace(u'&', QStringLiteral("&&"));
    return marked + u'&' + rest;
  }
  // A text without the letter (Japanese): "(&L)" after it, before a colon.
  const QString suffix = QStringLiteral("(&") + letter.toUpper() + u')';
  int end = static_cast<int>(escaped.size());
  while (end > 0 &&
         (escaped[end - 1] == u':' || escaped[end - 1] == QChar(0xFF1A) || escaped[end - 1].isSpace()))
    --end;
  return escaped.left(end) + suffix + escaped.mid(end);
}

QChar ChooseMnemonic(const QString& text, const QString& used) {
  auto free = [&](QChar c) { return IsMnemonicLetter(c) && !used.contains(c.toLower()); };
  for (int i = 0; i < text.size(); ++i)
    if ((i == 0 || !text[i - 1].isLetterOrNumber()) && free(text[i])) return text[i].toLower();
  for (QChar c : text)
    if (free(c)) return c.toLower();
  for (char c = 'a'; c <= 'z'; ++c)
    if (free(QChar(c))) return QChar(c);
  return {};
}

QString WithoutMnemonic(QString text) {
  static const QRegularExpression suffix(QStringLiteral("\\(&[A-Za-z0-9]\\)"));
  text.remove(suffix);
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&&" is one "&"; "&x" is "x"
    out += text[i];
  }
  return out;
}

PanelRenderer::PanelRenderer(ActionSink sink, QWidget* parent) : QWidget(parent), sink_(std::move(sink)) {}

void PanelRenderer::emitAction(UserAction a) {
  if (!updating_ && sink_) sink_(a);
}

QWidget* PanelRenderer::widgetNamed(const QString& name) const {
  for (const auto& [id, e] : entries_)
    if (e.widget->objectName() == name) return e.widget;
  return nullptr;
}

QString PanelRenderer::plainText(QWidget* w) const { return w->property(kPlainProperty).toString(); }

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
    case ControlKind::kView:
    case ControlKind::kMatrix:
      w = new QWidget(parent);
      break;
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
      if (s.kind == ControlKind::kCheckBox) {
        b = new QCheckBox(parent);
      } else if (s.kind == ControlKind::kRadio) {
        b = new QRadioButton(parent);  // auto-exclusive: it acts and reads as a radio button
      } else {
        auto* push = new QPushButton(parent);
        push->setAutoDefault(buttonsTakeEnter_);
        b = push;
      }
      QObject::connect(b, &QAbstractButton::clicked, this, [act] { act(UserAction::Type::kClick); });
      w = b;
      break;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(parent);
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
        if (updating_) return;
        const ControlState& last = entries_.at(id).last;
        const auto row = static_cast<size_t>(item->row()), column = static_cast<size_t>(item->column());
        if (row >= last.cells.size() || column >= last.columns.size()) return;
        UserAction a;
        a.id = id;
        a.index = item->row();
        a.column = item->column();
        if (last.columns[column].cell == ColumnState::Cell::kCheckBox) {
          // A click on a check box cell turns it over in the model.
          if ((item->checkState() == Qt::Checked) == Truthy(last.cells[row][column])) return;
          a.type = UserAction::Type::kClickCell;
        } else {
          a.type = UserAction::Type::kEditCell;
          a.text = item->text().toStdString();
        }
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

void PanelRenderer::applyTable(const ControlState& s, Entry& e) {
  auto* table = static_cast<QTableWidget*>(e.widget);
  const ControlState& old = e.last;
  if (e.fresh || s.columns != old.columns) {
    table->setColumnCount(static_cast<int>(s.columns.size()));
    QStringList headers;
    for (const auto& c : s.columns) headers << Q(c.title);
    table->setHorizontalHeaderLabels(headers);
  }
  if (e.fresh || s.cells != old.cells || s.columns != old.columns) {
    table->setRowCount(static_cast<int>(s.cells.size()));
    for (size_t r = 0; r < s.cells.size(); ++r)
      for (size_t c = 0; c < s.cells[r].size() && c < s.columns.size(); ++c) {
        const ColumnState& column = s.columns[c];
        const platform::plist::Value& value = s.cells[r][c];
        auto* item = new QTableWidgetItem;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        switch (column.cell) {
          case ColumnState::Cell::kCheckBox:
            item->setCheckState(Truthy(value) ? Qt::Checked : Qt::Unchecked);
            item->setData(Qt::AccessibleTextRole, Q(column.title));
            if (column.editable) flags |= Qt::ItemIsUserCheckable;
            break;
          case ColumnState::Cell::kImage:
            if (const std::string* path = value.string(); path && !path->empty()) {
              item->setIcon(ImageIcon(Q(*path), table));
              item->setData(Qt::AccessibleTextRole, Q(column.title));
              item->setToolTip(Q(column.title));
            }
            break;
          case ColumnState::Cell::kText:
            item->setText(Q(host::CellText(value)));
            if (column.editable) flags |= Qt::ItemIsEditable;
            break;
        }
        item->setFlags(flags);
        table->setItem(static_cast<int>(r), static_cast<int>(c), item);
      }
  }
  if (s.selected >= 0 && s.selected < table->rowCount())
    table->selectRow(s.selected);
  else
    table->clearSelection();
}

void PanelRenderer::apply(const ControlState& s, Entry& e) {
  QWidget* w = e.widget;
  const ControlState& old = e.last;
  bool fresh = e.fresh;
  w->setEnabled(s.enabled);
  auto mnemonic = [this](QWidget* x) {
    auto it = mnemonic_.find(x);
    return it == mnemonic_.end() ? QChar() : it->second;
  };
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
    case ControlKind::kCheckBox:
    case ControlKind::kRadio:
    case ControlKind::kPushButton: {
      auto* b = static_cast<QAbstractButton*>(w);
      b->setProperty(kPlainProperty, Q(s.text));
      b->setText(WithMnemonic(Q(s.text), mnemonic(b)));
      if (auto* box = qobject_cast<QCheckBox*>(b)) {
        box->setTristate(s.allowsMixed || s.state == -1);
        box->setCheckState(s.state == 1 ? Qt::Checked : s.state == -1 ? Qt::PartiallyChecked : Qt::Unchecked);
      } else if (s.kind == ControlKind::kRadio) {
        SetChecked(b, s.state == 1);
      }
      break;
    }
    case ControlKind::kMatrix: {
      // Radio cells in a column; auto-exclusive among themselves, so the
      // arrow keys move the choice and assistive technology reads radios.
      QList<QRadioButton*> cells = w->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
      if (fresh || s.items != old.items) {
        qDeleteAll(cells);
        cells.clear();
        delete w->layout();
        auto* layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        for (size_t i = 0; i < s.items.size(); ++i) {
          auto* b = new QRadioButton(w);
          b->setObjectName(Q(s.name) + "_" + QString::number(i));
          layout->addWidget(b);
          QObject::connect(b, &QAbstractButton::clicked, this, [this, id = s.id, row = static_cast<int>(i)] {
            UserAction a;
            a.id = id;
            a.type = UserAction::Type::kSelectRow;
            a.index = row;
            emitAction(a);
          });
          cells.push_back(b);
        }
        structureChanged_ = true;
      }
      for (qsizetype i = 0; i < cells.size() && i < static_cast<qsizetype>(s.items.size()); ++i) {
        QRadioButton* b = cells[i];
        const QString title = Q(s.items[static_cast<size_t>(i)].title);
        b->setProperty(kPlainProperty, title);
        b->setText(WithMnemonic(title, mnemonic(b)));
        b->setEnabled(s.items[static_cast<size_t>(i)].enabled);
        SetChecked(b, i == s.selected);
      }
      break;
    }
    case ControlKind::kLabel: {
      auto* label = static_cast<QLabel*>(w);
      // A label one line high grows instead of wrapping (a Japanese label
      // would break inside a word); a taller one wraps in its frame.
      label->setWordWrap(s.frame.height >= 2 * label->fontMetrics().height());
      label->setProperty(kPlainProperty, Q(s.text));
      label->setText(label->buddy() ? WithMnemonic(Q(s.text), mnemonic(label)) : Q(s.text));
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
    case ControlKind::kTable:
      applyTable(s, e);
      break;
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
      std::erase_if(mnemonic_, [old](const auto& m) { return old == m.first || old->isAncestorOf(m.first); });
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

bool PanelRenderer::render(const ControlState& root) {
  updating_ = true;
  structureChanged_ = false;
  std::unordered_set<std::uintptr_t> seen;
  QWidget* top = sync(root, this, &seen);
  if (top) {
    top->setGeometry(0, 0, static_cast<int>(root.frame.width), static_cast<int>(root.frame.height));
    top->setVisible(!root.hidden);
  }
  rootWidget_ = top;
  // Views that left the tree (a pane swapped out) stay, hidden, for when they come back.
  for (auto& [id, e] : entries_)
    if (!seen.count(id) && e.widget->isVisibleTo(this)) {
      e.widget->hide();
      structureChanged_ = true;
    }
  if (structureChanged_ && top) arrange(top);
  assignMnemonics();
  if (top) {
    top->resize(top->width() + grow(top), top->height());
    setFixedSize(top->size());
  }
  updating_ = false;
  return structureChanged_;
}

int PanelRenderer::neededWidth(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w))
    return label->wordWrap() ? w->width() : label->sizeHint().width();
  if (qobject_cast<QAbstractButton*>(w)) return w->sizeHint().width();
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // Wide enough for the chosen item (the list shows every item whole).
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    const QSize text(combo->fontMetrics().horizontalAdvance(combo->currentText()),
                     combo->fontMetrics().height());
    return std::max(w->width(),
                    combo->style()->sizeFromContents(QStyle::CT_ComboBox, &opt, text, combo).width());
  }
  if (entries_.count(IdOf(w)) && entries_.at(IdOf(w)).last.kind == ControlKind::kMatrix)
    return w->layout() ? std::max(w->width(), w->layout()->sizeHint().width()) : w->width();
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTableWidget*>(w)) return w->width();
  return w->width() + grow(w);  // views, boxes and tab views grow with what they hold
}

int PanelRenderer::grow(QWidget* w) {
  if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
    int most = 0;
    for (int i = 0; i < tabs->count(); ++i) most = std::max(most, grow(tabs->widget(i)));
    return most;
  }
  std::vector<QWidget*> kids;
  for (QObject* o : w->children())
    if (auto* k = qobject_cast<QWidget*>(o); k && !k->isWindow() && entries_.count(IdOf(k)))
      kids.push_back(k);
  if (kids.empty()) return 0;
  auto right = [](const QWidget* k) { return k->x() + k->width(); };
  int before = 0;
  for (QWidget* k : kids) before = std::max(before, right(k));
  std::unordered_map<QWidget*, int> need;
  for (QWidget* k : kids) need[k] = neededWidth(k);
  std::stable_sort(kids.begin(), kids.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
  for (QWidget* k : kids) {
    const int more = need[k] - k->width();
    if (more <= 0) continue;
    // What starts at or beyond its right edge moves along; what spans the
    // edge (a title over the rows) widens with it, so columns stay aligned.
    const int edge = right(k);
    for (QWidget* s : kids) {
      if (s == k) continue;
      if (s->x() >= edge - kEdgeSlack)
        s->move(s->x() + more, s->y());
      else if (right(s) > edge - kEdgeSlack)
        s->resize(s->width() + more, s->height());
    }
    k->resize(need[k], k->height());
  }
  int after = 0;
  for (QWidget* k : kids) after = std::max(after, right(k));
  return std::max(0, after - before);
}

void PanelRenderer::assignMnemonics() {
  // Visible labels and buttons keep their letter while it stays theirs alone;
  // the others get a free one. Hidden ones keep theirs for when they show.
  QString used = reserved_;
  std::vector<QWidget*> visible;
  for (QWidget* w : reading_) {
    auto* label = qobject_cast<QLabel*>(w);
    if ((label && !label->buddy()) || !w->isVisibleTo(this)) continue;
    visible.push_back(w);
    auto it = mnemonic_.find(w);
    if (it == mnemonic_.end()) continue;
    const QString plain = plainText(w);
    const bool fits = plain.contains(it->second, Qt::CaseInsensitive) ||
                      std::none_of(plain.begin(), plain.end(), IsMnemonicLetter);
    if (fits && !used.contains(it->second))
      used += it->second;
    else
      mnemonic_.erase(it);
  }
  for (QWidget* w : visible) {
    if (!mnemonic_.count(w))
      if (QChar c = ChooseMnemonic(plainText(w), used); !c.isNull()) {
        mnemonic_[w] = c;
        used += c;
      }
    auto it = mnemonic_.find(w);
    const QString text = WithMnemonic(plainText(w), it == mnemonic_.end() ? QChar() : it->second);
    if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text() != text) b->setText(text);
    if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != text) l->setText(text);
  }
}

// Accessible names from the labels beside the inputs, and a reading order:
// by row, then left to right, depth first. The tab order follows it.
void PanelRenderer::arrange(QWidget* root) {
  order_.clear();
  reading_.clear();
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
          QString name = plainText(best).trimmed();
          while (name.endsWith(u':') || name.endsWith(QChar(0xFF1A))) name.chop(1);
          w->setAccessibleName(name.trimmed());
          best->setBuddy(w);
        }
        if (!e.last.accessibleName.empty()) w->setAccessibleName(Q(e.last.accessibleName));
      } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setAccessibleName(plainText(b));
      }
      if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) reading_.push_back(w);
      if (w->focusPolicy() != Qt::NoFocus && !qobject_cast<QLabel*>(w)) order_.push_back(w);
      if (e.last.kind == ControlKind::kMatrix) {
        for (QRadioButton* b : w->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
          b->setAccessibleName(plainText(b));
          reading_.push_back(b);
          order_.push_back(b);
        }
      } else {
        walk(w);
      }
    }
  };
  walk(root);
  for (size_t i = 1; i < order_.size(); ++i) QWidget::setTabOrder(order_[i - 1], order_[i]);
}

}  // namespace gui
