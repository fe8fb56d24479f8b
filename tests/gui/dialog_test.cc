// The print dialog driven with mouse and key events on real widgets, through
// the real colour bundle and a test panel with every control kind, on Qt's
// offscreen platform; jobs and defaults go to a private CUPS scheduler.
#include <cups/cups.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <clocale>
#include <filesystem>
#include <sstream>

#include "files.h"
#include "gui/other_options.h"
#include "gui/panel_renderer.h"
#include "gui/preview.h"
#include "gui/print_dialog.h"
#include "gui/text.h"
#include "pdehost_runner.h"
#include "platform/paths.h"
#include "private_cupsd.h"
#include "samples.h"
#include "scratch_dir.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using gui::PrintDialog;

using testsupport::ReadText;
using testsupport::SamplePpd;

gui::PrintDialogOptions Options(const std::string& plugins, const std::string& printer = "") {
  gui::PrintDialogOptions o;
  o.pdfRenderer = std::string(VN_BINARY_DIR) + "/lib/vn420p/pdfpreview.so";
  o.dialog.pluginsDir = plugins;
  if (printer.empty()) o.dialog.ppdPath = SamplePpd();
  o.dialog.printerName = printer;
  return o;
}

// Lets every posted plug-in call run and every picture reach the widgets.
void Settle(PrintDialog& d) {
  for (int i = 0; i < 3; ++i) {
    d.session().drain();
    QCoreApplication::processEvents();
  }
}

template <class W>
W* Control(PrintDialog& d, int panel, const char* name) {
  gui::PanelRenderer* r = d.panelRenderer(panel);
  return r ? qobject_cast<W*>(r->widgetNamed(name)) : nullptr;
}

// Chooses a pop-up item as a user does with the keyboard: focus, then arrows.
void ChooseByKeys(PrintDialog& d, QComboBox* combo, const QString& title) {
  int target = combo->findText(title);
  QVERIFY2(target >= 0, qPrintable("no item " + title));
  combo->setFocus();
  for (int guard = 0; combo->currentIndex() != target && guard < 20; ++guard) {
    QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    Settle(d);
  }
  QCOMPARE(combo->currentIndex(), target);
}

// A check box or radio button takes clicks on its mark and label only.
void ClickIndicator(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }

QString Summary(PrintDialog& d, const QString& item) {
  auto* tree = d.findChild<QTreeWidget*>();
  for (auto* it : tree->findItems(item, Qt::MatchExactly | Qt::MatchRecursive)) return it->text(1);
  return {};
}

// Alerts run in a nested event loop: a timer finds the box, notes its text
// and clicks the button with the title.
void AnswerAlert(QString* text, const QString& button) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, text, button] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      *text = box->text();
      for (QAbstractButton* b : box->buttons())
        if (b->text() == button) QTest::mouseClick(b, Qt::LeftButton);
      timer->deleteLater();
      return;
    }
  });
  timer->start(20);
}

int SecurityPanel(PrintDialog& d) { return Control<QComboBox>(d, 1, "waitModePopUp") ? 1 : 0; }

// A button by the text a person reads (its mnemonic left out).
QPushButton* Button(QWidget& d, const QString& text) {
  for (auto* b : d.findChildren<QPushButton*>())
    if (gui::WithoutMnemonic(b->text()) == text) return b;
  return nullptr;
}

// Chooses Secure Print on the Security pane; Print with no password and with
// 3 characters stops with the pane's alert and leaves the choice alone. The
// password field then holds "abc".
void SecurePrintRefusals(PrintDialog& d) {
  int sec = SecurityPanel(d);
  auto* mode = Control<QComboBox>(d, sec, "waitModePopUp");
  QVERIFY(mode);
  d.findChild<QListWidget*>()->setCurrentRow(sec);
  Settle(d);
  ChooseByKeys(d, mode, "Secure Print");
  auto* password = Control<QLineEdit>(d, sec, "securePasswordEditText");
  QVERIFY(password && password->isEnabled());
  for (const char* typed : {"", "abc"}) {
    QTest::mouseClick(password, Qt::LeftButton);
    QTest::keyClicks(password, typed);
    Settle(d);
    QString alert;
    AnswerAlert(&alert, "OK");
    QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
    QTRY_VERIFY2(d.lastOutcome().refusedByPanel && !alert.isEmpty(), typed);
    QVERIFY2(alert.contains("Password"), qPrintable(alert));
    Settle(d);
    QCOMPARE(mode->currentText(), QString("Secure Print"));
  }
  // The window's field holds a mask, never the typed text.
  QCOMPARE(password->text(), QString("***"));
}

// Holds the test panel's calls (VN_WIDGETPANE_GATE) until release(); its
// "bridgetool" waits the same way.
class Gate {
 public:
  Gate() {
    fs::create_symlink(VN_GATE_TOOL, dir_.filePath("bridgetool").toStdString());
    qputenv("VN_WIDGETPANE_GATE", dir_.path().toLocal8Bit());
  }
  ~Gate() {
    release();
    qunsetenv("VN_WIDGETPANE_GATE");
  }
  void holdView() { testsupport::WriteText(dir_.filePath("hold-view").toStdString(), ""); }
  void release() { testsupport::WriteText(dir_.filePath("open").toStdString(), ""); }

 private:
  QTemporaryDir dir_;
};

// A widget of the dialog's own pages by its object name.
template <class W>
W* Named(PrintDialog& d, const char* name) {
  return d.findChild<W*>(name);
}

// Shows the page of the panel list with the title (a panel, "Layout", ...).
void ShowPage(PrintDialog& d, const QString& title) {
  auto* list = d.findChild<QListWidget*>();
  auto items = list->findItems(title, Qt::MatchExactly);
  QVERIFY2(!items.isEmpty(), qPrintable(title));
  list->setCurrentItem(items.first());
  Settle(d);
}

// A PDF of `pages` pages, drawn with Qt's own writer.
void WritePdf(const QString& file, int pages) {
  QPdfWriter pdf(file);
  QPainter painter(&pdf);
  for (int i = 0; i < pages; ++i) {
    if (i) pdf.newPage();
    painter.drawText(QPointF(100, 100), QString("Page %1").arg(i + 1));
  }
}

}  // namespace

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void customQuickColorOpensAdvancedPane() {
    PrintDialog d(Options(VN_PLUGIN_DIR));
    d.show();
    Settle(d);
    QVERIFY(d.isOpened());
    auto* quick = Control<QComboBox>(d, 0, "menu_QuickColor");
    auto* advanced = Control<QPushButton>(d, 0, "button_AdvanceColorOptions");
    QVERIFY(quick && advanced);
    QCOMPARE(quick->accessibleName(), QString("Quick Color"));
    QVERIFY(!advanced->isEnabled());
    ChooseByKeys(d, quick, "Custom");
    QVERIFY(advanced->isEnabled());
    QCOMPARE(Summary(d, "Quick Color"), QString("Custom"));

    QTest::mouseClick(advanced, Qt::LeftButton);
    Settle(d);
    QWidget* colorPane = d.panelRenderer(0)->widgetNamed("onColorView");
    QWidget* advancedPane = d.panelRenderer(0)->widgetNamed("onAdvancedView");
    QVERIFY(advancedPane && advancedPane->isVisibleTo(&d));
    QVERIFY(!colorPane->isVisibleTo(&d));
    auto* halftone = Control<QComboBox>(d, 0, "menu_iHalftone");
    QVERIFY(halftone && halftone->isVisibleTo(&d) && halftone->isEnabled());
    QCOMPARE(halftone->accessibleName(), QString("Halftone"));
  }

  void everyControlKindFollowsTheModel() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    Settle(d);
    int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    auto* mode = Control<QComboBox>(d, panel, "menu_Mode");
    QVERIFY(mode);
    auto* model = qobject_cast<QStandardItemModel*>(mode->model());
    QVERIFY(!model->item(2)->isEnabled());  // the disabled item cannot be chosen

    auto* mixed = Control<QCheckBox>(d, panel, "check_Mixed");
    for (Qt::CheckState want : {Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked}) {
      QTest::mouseClick(mixed, Qt::LeftButton);
      Settle(d);
      QCOMPARE(mixed->checkState(), want);
    }

    auto* name = Control<QLineEdit>(d, panel, "field_UserName");
    QCOMPARE(name->accessibleName(), QString("User Name"));
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, QString::fromUtf8("ab\u00A5c"));
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClicks(name, "d");
    Settle(d);
    QCOMPARE(name->text(), QString("abd"));  // the yen sign left no trace

    auto* password = Control<QLineEdit>(d, panel, "field_Password");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    auto* passwordLabel = Control<QLabel>(d, panel, "text_Password");
    QCOMPARE(passwordLabel->palette().color(QPalette::WindowText), QColor(Qt::red));

    auto* tabs = Control<QTabWidget>(d, panel, "tabs");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QString("Two"));

    // Tab order reads the layout: the mode pop-up, then the check box beside it.
    QCOMPARE(mode->nextInFocusChain(), static_cast<QWidget*>(mixed));
  }

  void modalRunsBecomeDialogs() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    Settle(d);
    int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    auto* result = Control<QLabel>(d, panel, "text_Result");

    // Alert: the second button answers 1001.
    QString alert;
    AnswerAlert(&alert, "No");
    QTest::mouseClick(Control<QPushButton>(d, panel, "button_Alert"), Qt::LeftButton);
    QTRY_COMPARE(result->text(), QString("alert 1001"));
    QCOMPARE(alert, QString("Continue?"));

    // Modal window with a table: the table shows the data source; OK ends the run.
    QTest::mouseClick(Control<QPushButton>(d, panel, "button_Window"), Qt::LeftButton);
    QTRY_VERIFY(d.modalWindow() != nullptr);
    Settle(d);
    gui::ModalWindowDialog* w = d.modalWindow();
    QCOMPARE(w->windowTitle(), QString("Manage"));
    auto* table = qobject_cast<QTableWidget*>(w->renderer()->widgetNamed("table_Items"));
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(1, 0)->text(), QString("Beta"));
    QCOMPARE(table->item(0, 1)->text(), QString::fromUtf8("\u2713"));
    table->item(1, 0)->setText("Delta");  // an edit committed by the cell editor
    Settle(d);
    QCOMPARE(table->item(1, 0)->text(), QString("Delta"));
    QTest::mouseClick(qobject_cast<QPushButton*>(w->renderer()->widgetNamed("button_OK")), Qt::LeftButton);
    QTRY_COMPARE(result->text(), QString("window 1"));
    QVERIFY(d.modalWindow() == nullptr);

    // Open panel: a file dialog limited to the panel's types; its choice comes back.
    testsupport::ScratchDir scratch("vn-dialog");
    fs::path icc = scratch.Write("vn-dialog-test.icc", "x");
    QString filters;
    QTimer pick;  // tries until the file dialog took the choice and closed
    QObject::connect(&pick, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<QFileDialog*>(w); f && f->isVisible()) {
          filters = f->nameFilters().join(' ');
          // As a user types the path into the name field and presses Open.
          if (auto* name = f->findChild<QLineEdit*>("fileNameEdit")) name->setText(QString::fromStdString(icc.string()));
          QMetaObject::invokeMethod(f, "accept");
        }
    });
    pick.start(50);
    QTest::mouseClick(Control<QPushButton>(d, panel, "button_Open"), Qt::LeftButton);
    QTRY_COMPARE(result->text(), QString::fromStdString("open 1 " + icc.string()));
    QCOMPARE(filters, QString("*.icc"));
    pick.stop();
    fs::remove(icc);

    // Summary: every call reached the panel on one thread.
    QCOMPARE(Summary(d, "Threads"), QString("1"));
  }

  void japaneseCatalogues() {
    qputenv("LANGUAGE", "ja");
    gui::BindCatalogue(std::string(VN_BINARY_DIR) + "/share/vn420p/locale");
    {
      PrintDialog d(Options(VN_PLUGIN_DIR));
      d.show();
      Settle(d);
      auto* list = d.findChild<QListWidget*>();
      QCOMPARE(list->item(0)->text(), QString::fromUtf8("カラーオプション"));
      QCOMPARE(Control<QComboBox>(d, 0, "menu_QuickColor")->accessibleName(), QString::fromUtf8("クイックカラー"));
      QVERIFY(Button(d, QString::fromUtf8("プリント")));
    }
    qunsetenv("LANGUAGE");
    std::setlocale(LC_ALL, "");  // gettext keeps the Japanese texts until the locale is set again
  }

  void securityPaneFiltersTheUserName() {
    PrintDialog d(Options(VN_PLUGIN_DIR));
    d.show();
    Settle(d);
    int sec = Control<QComboBox>(d, 1, "waitModePopUp") ? 1 : 0;
    auto* mode = Control<QComboBox>(d, sec, "waitModePopUp");
    QVERIFY(mode);
    d.findChild<QListWidget*>()->setCurrentRow(sec);  // the Security pane on screen
    Settle(d);
    // A private user's name: the yen sign is refused as it is typed.
    ClickIndicator(Control<QCheckBox>(d, sec, "userAuthenticationCheckBox"));
    Settle(d);
    auto* privateUser = d.panelRenderer(sec)->findChild<QRadioButton*>("userRadioButton_1");
    QVERIFY(privateUser && privateUser->isEnabled());
    ClickIndicator(privateUser);
    Settle(d);
    auto* name = Control<QLineEdit>(d, sec, "userNameEditText");
    QVERIFY(name->isEnabled());
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, QString::fromUtf8("ab\u00A5c"));
    QTest::keyClick(name, Qt::Key_Return);
    Settle(d);
    QCOMPARE(name->text(), QString("abc"));
  }

  // Actions save nothing: Secure Print stays chosen while the password is
  // short, Print stops with the pane's alert; leaving the pane saves it, which
  // switches the incomplete choice off with the pane's notice.
  void securePrintWaitsForItsPassword() {
    PrintDialog d(Options(VN_PLUGIN_DIR));
    d.show();
    Settle(d);
    SecurePrintRefusals(d);
    QString alert;
    AnswerAlert(&alert, "OK");
    d.findChild<QListWidget*>()->setCurrentRow(d.findChild<QListWidget*>()->count() - 1);  // the summary
    QTRY_VERIFY(!alert.isEmpty());
    QVERIFY2(alert.contains("switched off"), qPrintable(alert));
    Settle(d);
    QCOMPARE(Control<QComboBox>(d, SecurityPanel(d), "waitModePopUp")->currentIndex(), 0);
  }

  void managementWindowOkRebuildsTheMenus() {
    testsupport::TempRoot root(true);  // the bridge tool and service, so the window may write
    PrintDialog d(Options(VN_PLUGIN_DIR));
    d.show();
    Settle(d);
    ChooseByKeys(d, Control<QComboBox>(d, 0, "menu_QuickColor"), "Custom");
    QTest::mouseClick(Control<QPushButton>(d, 0, "button_AdvanceColorOptions"), Qt::LeftButton);
    Settle(d);
    auto* manage = Control<QPushButton>(d, 0, "button_ManageProfile");
    QVERIFY(manage && manage->isEnabled());
    QTest::mouseClick(manage, Qt::LeftButton);
    QTRY_VERIFY(d.modalWindow() != nullptr);
    Settle(d);
    gui::PanelRenderer* w = d.modalWindow()->renderer();
    QTest::mouseClick(qobject_cast<QPushButton*>(w->widgetNamed("_addButton")), Qt::LeftButton);
    Settle(d);
    for (auto [field, text] : {std::pair{"_fileNameEdit", "GUI.ICC"}, std::pair{"_profileNameEdit", "Window"}}) {
      auto* edit = qobject_cast<QLineEdit*>(w->widgetNamed(field));
      QVERIFY2(edit && edit->isVisibleTo(d.modalWindow()), field);
      QTest::mouseClick(edit, Qt::LeftButton);
      QTest::keyClicks(edit, text);
      Settle(d);
    }
    QTest::mouseClick(qobject_cast<QPushButton*>(w->widgetNamed("_localOK")), Qt::LeftButton);
    Settle(d);
    auto* table = qobject_cast<QTableWidget*>(w->widgetNamed("_profileTableView"));
    QCOMPARE(table->rowCount(), 1);
    // The table reads right: its name, every header, and "Show in Menu" as
    // check boxes that Space turns over in the profile list.
    QCOMPARE(table->accessibleName(), QString("Profiles"));
    for (int c = 0; c < table->columnCount(); ++c) QVERIFY(!table->horizontalHeaderItem(c)->text().isEmpty());
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("On Printer"));
    QTableWidgetItem* shown = table->item(0, 0);
    QVERIFY(shown->flags().testFlag(Qt::ItemIsUserCheckable) && shown->text().isEmpty());
    QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(table)->tableInterface()->cellAt(0, 0);
    QVERIFY(cell->state().checkable);
    for (int round = 0; round < 2; ++round) {
      const Qt::CheckState before = table->item(0, 0)->checkState();
      table->setFocus();
      table->setCurrentCell(0, 0);
      QTest::keyClick(table, Qt::Key_Space);
      Settle(d);
      QCOMPARE_NE(table->item(0, 0)->checkState(), before);
      QCOMPARE(QAccessible::queryAccessibleInterface(table)->tableInterface()->cellAt(0, 0)->state().checked,
               table->item(0, 0)->checkState() == Qt::Checked);
    }
    QTest::mouseClick(qobject_cast<QPushButton*>(w->widgetNamed("_windowOK")), Qt::LeftButton);
    QTRY_VERIFY(d.modalWindow() == nullptr);
    Settle(d);
    bool listed = false;
    for (auto* combo : d.panelRenderer(0)->findChildren<QComboBox*>())
      listed = listed || combo->findText("GUI.ICC(Window)", Qt::MatchStartsWith) >= 0;
    QVERIFY2(listed, "the profile the window added is in the Advanced pane's menus");
  }

  void slowCallShowsBusyAndIgnoresInput() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    Settle(d);
    int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    auto* mixed = Control<QCheckBox>(d, panel, "check_Mixed");
    QTest::mouseClick(Control<QPushButton>(d, panel, "button_Slow"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(d.isBusy(), 600);
    QTest::mouseClick(mixed, Qt::LeftButton);  // ignored while busy
    QTRY_VERIFY_WITH_TIMEOUT(!d.isBusy(), 3000);
    Settle(d);
    QCOMPARE(Control<QLabel>(d, panel, "text_Result")->text(), QString("slow done"));
    QCOMPARE(mixed->checkState(), Qt::Unchecked);
    // A fast call never shows the busy state.
    QTest::mouseClick(mixed, Qt::LeftButton);
    Settle(d);
    QVERIFY(!d.isBusy());
    QCOMPARE(mixed->checkState(), Qt::Checked);
  }

  void printWithoutPasswordShowsTheAlert() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    Settle(d);
    int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    QPushButton* print = Button(d, "Print");
    QString alert;
    AnswerAlert(&alert, "OK");
    QTest::mouseClick(print, Qt::LeftButton);
    QTRY_VERIFY(d.lastOutcome().refusedByPanel);
    QCOMPARE(alert, QString("A password is required."));

    auto* password = Control<QLineEdit>(d, panel, "field_Password");
    QTest::mouseClick(password, Qt::LeftButton);
    QTest::keyClicks(password, "1234");
    QTest::mouseClick(print, Qt::LeftButton);
    Settle(d);
    QVERIFY(d.lastOutcome().ok);
    QVERIFY(!d.lastOutcome().refusedByPanel);
  }

  // Leaving a panel saves it into the ticket (the summary shows it); the
  // settings file is written by Print only, never by Cancel.
  void onlyPrintWritesTheSettingsFile() {
    QTemporaryDir dir;
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR);
    o.dialog.settingsPath = dir.filePath("ticket.plist").toStdString();
    {
      PrintDialog first(o);
      first.show();
      Settle(first);
      QTest::mouseClick(Button(first, "Print"), Qt::LeftButton);
      Settle(first);
      QVERIFY(first.lastOutcome().ok);
    }
    const std::string printed = ReadText(o.dialog.settingsPath);
    QVERIFY(!printed.empty());
    for (bool print : {false, true}) {
      PrintDialog d(o);
      d.show();
      Settle(d);
      ChooseByKeys(d, Control<QComboBox>(d, 0, "menu_QuickColor"), "Custom");
      d.findChild<QListWidget*>()->setCurrentRow(d.findChild<QListWidget*>()->count() - 1);  // the summary
      Settle(d);
      QCOMPARE(Summary(d, "Quick Color"), QString("Custom"));
      QTest::mouseClick(Button(d, print ? "Print" : "Cancel"), Qt::LeftButton);
      Settle(d);
      QCOMPARE(ReadText(o.dialog.settingsPath) != printed, print);
    }
  }

  // A panel that cannot save its values when the person leaves it: the
  // window says why.
  void aFailedSaveOnLeavingIsReported() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    Settle(d);
    int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    d.findChild<QListWidget*>()->setCurrentRow(panel);
    Settle(d);
    auto* name = Control<QLineEdit>(d, panel, "field_UserName");
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, "!");
    Settle(d);
    d.findChild<QListWidget*>()->setCurrentRow(d.findChild<QListWidget*>()->count() - 1);
    Settle(d);
    QCOMPARE(d.statusText(), QString("the user name \"!\" cannot be saved"));
  }

  // The window closes while the profile management window runs with a typed
  // profile: the run ends as Cancel does, the profile file stays as it was.
  void closingWithTheManagementWindowOpen() {
    testsupport::TempRoot root(true);
    const std::string file = root.File(platform::paths::LoginName());
    const bool existed = fs::exists(file);
    const std::string before = existed ? ReadText(file) : "";
    auto* d = new PrintDialog(Options(VN_PLUGIN_DIR));
    d->show();
    Settle(*d);
    ChooseByKeys(*d, Control<QComboBox>(*d, 0, "menu_QuickColor"), "Custom");
    QTest::mouseClick(Control<QPushButton>(*d, 0, "button_AdvanceColorOptions"), Qt::LeftButton);
    Settle(*d);
    QTest::mouseClick(Control<QPushButton>(*d, 0, "button_ManageProfile"), Qt::LeftButton);
    QTRY_VERIFY(d->modalWindow() != nullptr);
    Settle(*d);
    gui::PanelRenderer* w = d->modalWindow()->renderer();
    QTest::mouseClick(qobject_cast<QPushButton*>(w->widgetNamed("_addButton")), Qt::LeftButton);
    Settle(*d);
    auto* name = qobject_cast<QLineEdit*>(w->widgetNamed("_fileNameEdit"));
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, "GONE.ICC");
    Settle(*d);
    delete d;
    QCOMPARE(fs::exists(file), existed);
    QCOMPARE(existed ? ReadText(file) : "", before);
  }

  // Cancel, Escape and closing the window end the dialog while a plug-in
  // call runs — in the panel, in a helper it waits for, or loading a panel —
  // without saving; the busy state says what it waits for, keeps the window's
  // size and the panel list. The call is left to finish on its own thread,
  // which then closes the panels and ends.
  void leavingWhileAPluginCallRuns_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("words");
    const QString words[] = {"Waiting for Widget Test…", "Looking for colour profiles on the printer…",
                             "Opening the Widget Test panel…"};
    const char* calls[] = {"button_Block", "button_Helper", "loading"};
    for (const char* how : {"Cancel", "Escape", "close"})
      for (int i = 0; i < 3; ++i) QTest::addRow("%s during %s", how, calls[i]) << how << calls[i] << words[i];
  }
  void leavingWhileAPluginCallRuns() {
    QFETCH(QString, how);
    QFETCH(QString, call);
    QFETCH(QString, words);
    Gate gate;
    QTemporaryDir dir;
    gui::PrintDialogOptions o = Options(VN_TEST_PLUGIN_DIR);
    o.dialog.settingsPath = dir.filePath("ticket.plist").toStdString();
    if (call == "loading") gate.holdView();
    auto* d = new PrintDialog(o);
    d->show();
    QSize size;
    if (call != "loading") {
      Settle(*d);
      size = d->size();
      int panel = Control<QComboBox>(*d, 0, "menu_Mode") ? 0 : 1;
      QTest::mouseClick(Control<QPushButton>(*d, panel, qPrintable(call)), Qt::LeftButton);
    }
    QTRY_VERIFY(d->isBusy());
    QTRY_COMPARE(d->busyText(), words);
    if (size.isValid()) QCOMPARE(d->size(), size);
    auto* list = d->findChild<QListWidget*>();
    QVERIFY(list->isVisible());
    QCOMPARE(list->count(), 5);  // both panels, Layout, Other Options and the summary

    if (how == "Cancel") {
      QTest::mouseClick(Button(*d, "Cancel"), Qt::LeftButton);
    } else if (how == "Escape") {
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus && d->isAncestorOf(focus) ? focus : d, Qt::Key_Escape);
    } else {
      d->close();
    }
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Rejected));
    QVERIFY(d->isBusy());  // the call has not returned
    delete d;              // nor is it waited for
    QCOMPARE(gui::PluginThread::Abandoned(), 1);
    gate.release();
    QTRY_COMPARE(gui::PluginThread::Abandoned(), 0);
    QVERIFY(!fs::exists(o.dialog.settingsPath));  // nothing was saved
  }

  // Keyboard use: a visible focus at start; Tab runs through the choosers,
  // the panel list, the shown panel in reading order, then the buttons;
  // every label and button a person sees has a mnemonic of its own, which
  // reaches its control; Enter prints from any input.
  void theKeyboardReachesEverything() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    d.activateWindow();  // no window manager does it on Xvfb
    QVERIFY(QTest::qWaitForWindowActive(&d));
    Settle(d);
    const int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    d.findChild<QListWidget*>()->setCurrentRow(panel);
    Settle(d);

    QWidget* first = QApplication::focusWidget();
    QVERIFY(first && first == d.findChildren<QComboBox*>().first());  // the printer chooser
    QStyleOption option;
    option.initFrom(first);
    QVERIFY(option.state.testFlag(QStyle::State_HasFocus));
    QVERIFY2(option.state.testFlag(QStyle::State_KeyboardFocusChange), "the style draws the focus frame");

    QStringList visited;
    for (int i = 0; i < 40; ++i) {
      QWidget* w = QApplication::focusWidget();
      QString name = w->objectName();
      if (Control<QWidget>(d, panel, qPrintable(name)) || name.startsWith("matrix_"))
        visited << name;
      else if (auto* b = qobject_cast<QPushButton*>(w))
        visited << gui::WithoutMnemonic(b->text());
      else
        visited << w->metaObject()->className();
      QTest::keyClick(w, Qt::Key_Tab);
      if (QApplication::focusWidget() == first) break;
    }
    const QStringList expected = {
        "QComboBox",    "QSpinBox",      "QComboBox",     "QListWidget",  // printer, copies, paper, panels
        "menu_Mode",    "check_Mixed",   "matrix_User_0", "field_UserName", "field_Password",
        "button_Slow",  "button_Alert",  "button_Window", "button_Open",    "QTabBar",
        "button_Block", "button_Helper", "Cancel",        "Print"};  // "Save as defaults" is off without a
                                                                     // CUPS printer
    QCOMPARE(visited, expected);

    // Mnemonics: one letter each among what shows; Alt+letter reaches the control.
    QMap<QChar, QString> letters;
    for (QWidget* w : d.findChildren<QWidget*>()) {
      QString text;
      if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy())
        text = l->text();
      else if (auto* b = qobject_cast<QAbstractButton*>(w))
        text = b->text();
      else
        continue;
      if (!w->isVisible()) continue;
      const QString plain = gui::WithoutMnemonic(text);
      QVERIFY2(text.count(u'&') == 1 && text != plain, qPrintable(text));
      const QChar letter = text[text.indexOf(u'&') + 1].toLower();
      QVERIFY2(!letters.contains(letter), qPrintable(letters.value(letter) + " / " + plain));
      letters[letter] = plain;
    }
    auto* userName = Control<QLineEdit>(d, panel, "field_UserName");
    const QString label = Control<QLabel>(d, panel, "text_UserName")->text();
    QTest::keyClick(&d, label[label.indexOf(u'&') + 1].toLower().toLatin1(), Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), userName);

    // Enter from every kind of input prints (the panel refuses while the password is empty).
    QTest::mouseClick(Control<QLineEdit>(d, panel, "field_Password"), Qt::LeftButton);
    QTest::keyClicks(QApplication::focusWidget(), "1");
    Settle(d);
    const char* inputs[] = {"printer",       "copies",         "menu_Mode",      "check_Mixed",
                            "matrix_User_1", "field_UserName", "field_Password", "button_Slow"};
    for (const char* input : inputs) {
      QWidget* w = QString(input) == "printer"  ? d.findChildren<QComboBox*>().first()
                   : QString(input) == "copies" ? static_cast<QWidget*>(d.findChild<QSpinBox*>())
                                                : d.panelRenderer(panel)->findChild<QWidget*>(input);
      QVERIFY2(w, input);
      w->setFocus();
      const int asked = d.printsAsked();
      QTest::keyClick(w, Qt::Key_Return);
      QCOMPARE(d.printsAsked(), asked + 1);
      Settle(d);
      QVERIFY2(d.lastOutcome().ok, input);
    }
  }

  void mnemonicTexts() {
    const struct {
      const char* text;
      char letter;
      const char* marked;
    } cases[] = {
        {"User Name:", 'n', "User &Name:"},       // a word's start first
        {"Brightness:", 'g', "Bri&ghtness:"},     // else anywhere
        {"R&D Options", 'o', "R&&D &Options"},    // a plain "&" stays one
        {"ユーザー名:", 'u', "ユーザー名(&U):"},  // appended before the colon
        {"Print", 0, "Print"},
    };
    for (const auto& c : cases) {
      const QString text = QString::fromUtf8(c.text);
      const QString marked = gui::WithMnemonic(text, c.letter ? QChar(c.letter) : QChar());
      QCOMPARE(marked, QString::fromUtf8(c.marked));
      QCOMPARE(gui::WithoutMnemonic(marked), text);
    }
    QCOMPARE(gui::ChooseMnemonic("User Name", "u"), QChar('n'));
    QCOMPARE(gui::ChooseMnemonic("Print", "prnt"), QChar('i'));
    QCOMPARE(gui::ChooseMnemonic(QString::fromUtf8("部数"), "ab"), QChar('c'));
  }

  // What assistive technology reads: radio buttons as radio buttons (the
  // arrow keys move the choice), check boxes, and tables with a name, header
  // texts and check boxes in the management window's "Show in Menu" column.
  void controlsReadAsWhatTheyAre() {
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR));
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    Settle(d);
    const int panel = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    const std::pair<const char*, QAccessible::Role> roles[] = {
        {"matrix_User_0", QAccessible::RadioButton}, {"matrix_User_1", QAccessible::RadioButton},
        {"check_Mixed", QAccessible::CheckBox},      {"button_Slow", QAccessible::Button},
        {"menu_Mode", QAccessible::ComboBox},        {"field_Password", QAccessible::EditableText}};
    for (const auto& [name, role] : roles) {
      QWidget* w = d.panelRenderer(panel)->findChild<QWidget*>(name);
      QVERIFY2(w, name);
      QCOMPARE(QAccessible::queryAccessibleInterface(w)->role(), role);
    }
    auto* radio = d.panelRenderer(panel)->findChild<QRadioButton*>("matrix_User_0");
    radio->setFocus();
    QTest::keyClick(radio, Qt::Key_Down);
    Settle(d);
    auto* second = d.panelRenderer(panel)->findChild<QRadioButton*>("matrix_User_1");
    QVERIFY(second->isChecked() && !radio->isChecked());
    QCOMPARE(QApplication::focusWidget(), second);
  }

  // The window shows before the panels load and keeps its size when they
  // come, in both languages (the panels' texts widen them in Japanese).
  void theWindowKeepsItsSizeAsThePanelsLoad_data() {
    QTest::addColumn<QByteArray>("language");
    QTest::newRow("English") << QByteArray();
    QTest::newRow("Japanese") << QByteArray("ja");
  }
  void theWindowKeepsItsSizeAsThePanelsLoad() {
    QFETCH(QByteArray, language);
    qputenv("LANGUAGE", language);
    gui::BindCatalogue(std::string(VN_BINARY_DIR) + "/share/vn420p/locale");
    {
      PrintDialog d(Options(VN_PLUGIN_DIR));
      d.show();
      QVERIFY(!d.panelRenderer(0));
      // Until the panels' names come, the panel area says what it waits for.
      auto* waiting = qobject_cast<QLabel*>(d.findChild<QStackedWidget*>()->currentWidget());
      QVERIFY(waiting);
      QCOMPARE(waiting->text(), gui::Tr("Reading %1…").arg("VN420P.ppd"));
      const QSize before = d.size();
      Settle(d);
      QVERIFY(d.panelRenderer(0) && d.panelRenderer(1));
      QCOMPARE(d.size(), before);
      // Nothing the panels show is cut: every label and button is as wide as
      // its text, the Advanced pane's ("Hide Advanced Options") too.
      auto whole = [&d] {
        for (int i = 0; i < 2; ++i)
          for (QWidget* w : d.panelRenderer(i)->findChildren<QWidget*>()) {
            auto* label = qobject_cast<QLabel*>(w);
            if (!qobject_cast<QAbstractButton*>(w) && !(label && !label->wordWrap())) continue;
            if (qobject_cast<QTabBar*>(w->parentWidget())) continue;  // the tab bar's own scroll arrows
            QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
          }
      };
      whole();
      auto* quick = Control<QComboBox>(d, 0, "menu_QuickColor");
      ChooseByKeys(d, quick, quick->itemText(quick->count() - 1));  // Custom
      QTest::mouseClick(Control<QPushButton>(d, 0, "button_AdvanceColorOptions"), Qt::LeftButton);
      Settle(d);
      QVERIFY(d.panelRenderer(0)->widgetNamed("onAdvancedView")->isVisibleTo(&d));
      whole();
    }
    qunsetenv("LANGUAGE");
    std::setlocale(LC_ALL, "");
  }

  // The window closes while the plug-in thread waits for an alert it asked
  // for: the plug-in gets the default answer and its thread ends, and no
  // alert appears afterwards.
  void closingWhileAnAlertWaits() {
    auto* d = new PrintDialog(Options(VN_TEST_PLUGIN_DIR));
    d->show();
    Settle(*d);
    QTest::mouseClick(Button(*d, "Print"), Qt::LeftButton);  // the test panel refuses with an alert
    QThread::msleep(300);                                    // asked for, and never answered here
    delete d;
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<QMessageBox*>(w));
  }

  // The preview renders once the window is shown: PDF pages through the
  // module, an image, a text file's first lines; PostScript gets words.
  void previewOfTheDocument() {
    QTemporaryDir dir;
    WritePdf(dir.filePath("three.pdf"), 3);
    QImage(40, 30, QImage::Format_RGB32).save(dir.filePath("picture.png"));
    QVERIFY(testsupport::WriteText(dir.filePath("notes.txt").toStdString(), "first line\nsecond line\n"));
    QVERIFY(testsupport::WriteText(dir.filePath("page.ps").toStdString(), "%!PS-Adobe-3.0\nshowpage\n"));
    struct Row {
      const char* file;
      int pages;
      bool picture;
    };
    for (const Row& row : {Row{"three.pdf", 3, true}, Row{"picture.png", 1, true}, Row{"notes.txt", 1, true},
                           Row{"page.ps", 0, false}, Row{"", 0, false}}) {
      gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR);
      if (*row.file) o.file = dir.filePath(row.file).toStdString();
      PrintDialog d(o);
      QVERIFY(d.preview()->pageCount() == 0 && !d.preview()->rendering());  // nothing before it shows
      d.show();
      Settle(d);
      QTRY_VERIFY2(!d.preview()->rendering() && !d.preview()->placeholder().contains("Preparing"), row.file);
      QCOMPARE(d.preview()->pageCount(), row.pages);
      QCOMPARE(d.preview()->placeholder().isEmpty(), row.picture);
      // Pages to turn only where there are several.
      for (QToolButton* turn : d.preview()->findChildren<QToolButton*>())
        QCOMPARE(turn->isVisible(), row.pages > 1);
    }
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR);
    o.file = dir.filePath("three.pdf").toStdString();
    PrintDialog d(o);
    d.show();
    QTRY_COMPARE(d.preview()->pageCount(), 3);
    auto* next = d.preview()->findChildren<QToolButton*>().last();
    QTest::mouseClick(next, Qt::LeftButton);
    QTRY_COMPARE(d.preview()->page(), 1);
    QTRY_VERIFY(!d.preview()->rendering() && d.preview()->placeholder().isEmpty());
  }

  // Custom paper: the fields appear for "Custom" and keep to the PPD's limits.
  void customPaperFieldsKeepToThePpdsLimits() {
    PrintDialog d(Options(VN_PLUGIN_DIR));
    d.show();
    Settle(d);
    auto* width = Named<QDoubleSpinBox>(d, "customWidth");
    auto* height = Named<QDoubleSpinBox>(d, "customHeight");
    QVERIFY(width && !width->isVisibleTo(&d));
    ChooseByKeys(d, Named<QComboBox>(d, "paperSize"), "Custom");
    Settle(d);
    QVERIFY(width->isVisibleTo(&d));
    QCOMPARE(width->minimum(), 216.0);
    QCOMPARE(width->maximum(), 612.0);
    QCOMPARE(height->minimum(), 360.0);
    QCOMPARE(height->maximum(), 1008.0);
  }
};

// The job tests run against one private scheduler.
class CupsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    cupsd_ = std::make_unique<testsupport::PrivateCupsd>();
    if (!cupsd_->addQueue("VN420Pgui", "file:///dev/null", SamplePpd())) QSKIP(cupsd_->skipReason().c_str());
    // A stopped queue keeps its jobs, so their attributes can be read back.
    // The duplex unit and tray 2 are installed, as an administrator says.
    QCOMPARE(std::system("cupsdisable VN420Pgui >/dev/null 2>&1 && "
                         "lpadmin -p VN420Pgui -o OptionDuplex=True -o OptionTray2=True >/dev/null 2>&1"),
             0);
    file_ = cupsd_->dir() + "/job.txt";
    testsupport::WriteText(file_, "hello\n");
  }
  void cleanupTestCase() { cupsd_.reset(); }

  void jobCarriesWhatPdehostPrints() {
    // What pdehost prints for the same action …
    std::string ticket = cupsd_->dir() + "/ticket.plist";
    QCOMPARE(testsupport::RunPdehost({"--printer", "VN420Pgui", "--settings", ticket, "set",
                                      "jp.halvern.pde.VN420P.hvco", "menu_QuickColor", "Vivid"})
                 .status,
             0);
    testsupport::PdehostRun r =
        testsupport::RunPdehost({"--printer", "VN420Pgui", "--settings", ticket, "print"});
    QCOMPARE(r.status, 0);
    std::vector<std::pair<std::string, std::string>> expected;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
      if (auto eq = line.find('='); eq != std::string::npos) expected.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    QVERIFY(expected.size() > 20);

    // … reaches the scheduler from the dialog.
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR, "VN420Pgui");
    o.file = file_;
    PrintDialog d(o);
    d.show();
    Settle(d);
    QVERIFY(d.isOpened());
    ChooseByKeys(d, Control<QComboBox>(d, 0, "menu_QuickColor"), "Vivid");
    QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
    Settle(d);
    QVERIFY2(d.lastOutcome().ok, d.lastOutcome().message.c_str());
    int job = d.lastOutcome().jobId;
    QVERIFY(job > 0);
    QVERIFY(d.statusText().contains(QString::number(job)));
    // The scheduler keeps Boolean choices as IPP booleans ("false").
    for (const auto& [key, value] : expected)
      QCOMPARE(QString::fromStdString(key + "=" + testsupport::JobAttribute("VN420Pgui", job, key.c_str()))
                   .toLower(),
               QString::fromStdString(key + "=" + value).toLower());
    QCOMPARE(testsupport::JobAttribute("VN420Pgui", job, "PageSize"), std::string("Letter"));
  }

  void choosingAPrinterReopensTheDialog() {
    PrintDialog d(Options(VN_PLUGIN_DIR));
    d.show();
    Settle(d);
    QPushButton* save = Button(d, "Save as defaults for this printer");
    QVERIFY(!save->isEnabled());  // the offline PPD is no queue
    auto* printers = d.findChildren<QComboBox*>().first();
    QTRY_VERIFY(printers->findData("VN420Pgui") >= 0);
    QPointer<QComboBox> before = Control<QComboBox>(d, 0, "menu_QuickColor");
    ChooseByKeys(d, printers, "VN420Pgui");
    Settle(d);
    QVERIFY(save->isEnabled());
    auto* quick = Control<QComboBox>(d, 0, "menu_QuickColor");
    QVERIFY(quick && quick != before.data());
    QCOMPARE(quick->currentText(), QString("Standard"));
  }

  // A refused Print sends nothing; with 4 characters the job carries the
  // encrypted key, never the password.
  void securePrintJobCarriesNoPassword() {
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR, "VN420Pgui");
    o.file = file_;
    PrintDialog d(o);
    d.show();
    Settle(d);
    const int jobsBefore = Jobs();
    SecurePrintRefusals(d);
    QCOMPARE(Jobs(), jobsBefore);
    auto* password = Control<QLineEdit>(d, SecurityPanel(d), "securePasswordEditText");
    QTest::mouseClick(password, Qt::LeftButton);
    QTest::keyClick(password, Qt::Key_End);
    QTest::keyClicks(password, "d");
    Settle(d);
    QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
    Settle(d);
    QVERIFY2(d.lastOutcome().ok, d.lastOutcome().message.c_str());
    int job = d.lastOutcome().jobId;
    QVERIFY(job > 0);
    QCOMPARE(testsupport::JobAttribute("VN420Pgui", job, "PrintModeVN420P"), std::string("SecurePrint"));
    std::string key = testsupport::JobAttribute("VN420Pgui", job, "jp.halvern.printers.VN420P.secureKey");
    QVERIFY2(!key.empty() && key != "abcd", key.c_str());
    for (const auto& [k, v] : d.lastOutcome().options)
      QVERIFY2(v.find("abcd") == std::string::npos, k.c_str());
  }

  // The queue's lpoptions, the system's then the user's, are what the dialog
  // shows and what its job sends, as with lp.
  void lpoptionsAreTheDialogsDefaults() {
    fs::path home = fs::path(cupsd_->dir()) / "lp-home";
    fs::create_directories(home / ".cups");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.c_str());
    qputenv("CUPS_SERVERROOT", cupsd_->dir().c_str());
    QVERIFY(testsupport::WriteText(cupsd_->dir() + "/lpoptions",
                                   "Dest VN420Pgui HVBrightness=Plus2 HVEconoMode=False number-up=2\n"));
    QVERIFY(testsupport::WriteText(
        (home / ".cups/lpoptions").string(),
        "Dest VN420Pgui HVEconoMode=True sides=two-sided-long-edge media=iso_a4_210x297mm InputSlot=Tray1 "
        "copies=2 orientation-requested=4\n"));
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR, "VN420Pgui");
    o.file = file_;
    int job = 0;
    {
      PrintDialog d(o);
      d.show();
      Settle(d);
      QVERIFY(d.isOpened());
      QCOMPARE(Control<QCheckBox>(d, 0, "check_EconomyPrint")->checkState(), Qt::Checked);
      QCOMPARE(Control<QComboBox>(d, 0, "menu_Brightness")->currentText(), QString("+2"));
      QCOMPARE(Named<QComboBox>(d, "twoSided")->currentData().toString(), QString("DuplexNoTumble"));
      QCOMPARE(Named<QComboBox>(d, "paperSource")->currentData().toString(), QString("Tray1"));
      QCOMPARE(Named<QComboBox>(d, "pagesPerSheet")->currentText(), QString("2"));
      QCOMPARE(Named<QComboBox>(d, "orientation")->currentText(), QString("Landscape"));
      QCOMPARE(Named<QComboBox>(d, "paperSize")->currentData().toString(), QString("A4"));
      QCOMPARE(d.findChild<QSpinBox*>()->value(), 2);
      QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
      Settle(d);
      QVERIFY2(d.lastOutcome().ok, d.lastOutcome().message.c_str());
      job = d.lastOutcome().jobId;
    }
    const std::pair<const char*, const char*> sent[] = {{"HVEconoMode", "true"},
                                                        {"HVBrightness", "Plus2"},
                                                        {"sides", "two-sided-long-edge"},
                                                        {"PageSize", "A4"},
                                                        {"InputSlot", "Tray1"},
                                                        {"number-up", "2"},
                                                        {"copies", "2"},
                                                        {"orientation-requested", "landscape"}};
    for (auto [key, value] : sent)
      QCOMPARE(QString::fromStdString(testsupport::JobAttribute("VN420Pgui", job, key)).toLower(),
               QString(value).toLower());
    fs::remove(fs::path(cupsd_->dir()) / "lpoptions");
    fs::remove_all(home);
    qputenv("HOME", oldHome);
    qunsetenv("CUPS_SERVERROOT");
  }

  // Each standard option, and an option of the Other Options page, reaches
  // the job as the scheduler's attribute of the same meaning.
  void eachOptionReachesTheJob() {
    struct Row {
      const char* name;
      const char* plugins;
      std::function<void(PrintDialog&)> choose;
      std::vector<std::pair<const char*, const char*>> attributes;
    };
    auto pick = [](const char* combo, const char* text) {
      return [combo, text](PrintDialog& d) {
        ShowPage(d, "Layout");
        ChooseByKeys(d, Named<QComboBox>(d, combo), text);
      };
    };
    auto type = [](const char* field, const char* text) {
      return [field, text](PrintDialog& d) {
        ShowPage(d, "Layout");
        auto* edit = Named<QLineEdit>(d, field);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClicks(edit, text);
      };
    };
    auto click = [](const char* box) {
      return [box](PrintDialog& d) {
        ShowPage(d, "Layout");
        ClickIndicator(Named<QCheckBox>(d, box));
      };
    };
    const Row rows[] = {
        {"two-sided",
         VN_PLUGIN_DIR,
         pick("twoSided", "Short-Edge Binding"),
         {{"sides", "two-sided-short-edge"}, {"Duplex", "DuplexTumble"}}},
        {"paper source", VN_PLUGIN_DIR, pick("paperSource", "Manual Feed"), {{"InputSlot", "Manual"}}},
        {"orientation",
         VN_PLUGIN_DIR,
         pick("orientation", "Reverse landscape"),
         {{"orientation-requested", "reverse-landscape"}}},
        {"pages per sheet", VN_PLUGIN_DIR, pick("pagesPerSheet", "4"), {{"number-up", "4"}}},
        {"page ranges", VN_PLUGIN_DIR, type("pageRanges", "1-2, 4"), {{"page-ranges", "1-2,4-4"}}},
        {"collate", VN_PLUGIN_DIR, click("collate"), {{"collate", "false"}}},
        {"scale to fit", VN_PLUGIN_DIR, click("fitToPage"), {{"fit-to-page", "true"}}},
        {"custom paper",
         VN_PLUGIN_DIR,
         [](PrintDialog& d) {
           ChooseByKeys(d, Named<QComboBox>(d, "paperSize"), "Custom");
           for (auto [field, value] : {std::pair{"customWidth", "300"}, std::pair{"customHeight", "500"}}) {
             auto* box = Named<QDoubleSpinBox>(d, field);
             box->setFocus();
             box->selectAll();
             QTest::keyClicks(box, value);
             QTest::keyClick(box, Qt::Key_Tab);
             Settle(d);
           }
         },
         {{"PageSize", "Custom.300x500"}}},
        {"other options",
         VN_TEST_PLUGIN_DIR,
         [](PrintDialog& d) {
           // The test panel prints once its password is given.
           auto* password =
               Control<QLineEdit>(d, Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1, "field_Password");
           QTest::mouseClick(password, Qt::LeftButton);
           QTest::keyClicks(password, "1234");
           ShowPage(d, "Other Options");
           ChooseByKeys(d, d.otherOptions()->combo("HVSectionManagementVN420P"), "On");
         },
         {{"HVSectionManagementVN420P", "true"}}},
    };
    for (const Row& row : rows) {
      gui::PrintDialogOptions o = Options(row.plugins, "VN420Pgui");
      o.file = file_;
      PrintDialog d(o);
      d.show();
      Settle(d);
      QVERIFY2(d.isOpened(), row.name);
      row.choose(d);
      Settle(d);
      QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
      Settle(d);
      QVERIFY2(d.lastOutcome().ok, qPrintable(QString(row.name) + ": " + d.lastOutcome().message.c_str()));
      for (auto [key, value] : row.attributes)
        QCOMPARE(
            QString(row.name) + " " + key + "=" +
                QString::fromStdString(testsupport::JobAttribute("VN420Pgui", d.lastOutcome().jobId, key))
                    .toLower(),
            QString(row.name) + " " + key + "=" + QString(value).toLower());
    }
  }

  // Options in conflict hold the job back and say which.
  void conflictingOptionsAreNotPrinted() {
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR, "VN420Pgui");
    o.file = file_;
    PrintDialog d(o);
    d.show();
    Settle(d);
    const int before = Jobs();
    ChooseByKeys(d, Named<QComboBox>(d, "paperSize"), "Envelope #10");
    ShowPage(d, "Layout");
    ChooseByKeys(d, Named<QComboBox>(d, "twoSided"), "Long-Edge Binding");
    Settle(d);
    QVERIFY(Named<QLabel>(d, "conflicts")->text().contains("2-Sided Printing"));
    QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
    Settle(d);
    QVERIFY(!d.lastOutcome().ok);
    QVERIFY2(d.statusText().contains("Media Size"), qPrintable(d.statusText()));
    QCOMPARE(Jobs(), before);
  }

  // The printer list shows the default mark, location and state; a stopped
  // queue's reason is shown; the summary starts with printer, copies, paper;
  // a successful Print says so, then the dialog closes.
  void printersStateAndTheJobsEnd() {
    QCOMPARE(std::system(
                 "lpadmin -p VN420Pgui -L 'Room 12' >/dev/null 2>&1 && lpadmin -d VN420Pgui >/dev/null 2>&1 "
                 "&& cupsdisable -r 'Out of toner' VN420Pgui"),
             0);
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR, "VN420Pgui");
    o.file = file_;
    PrintDialog d(o);
    d.show();
    Settle(d);
    auto* printers = Named<QComboBox>(d, "printers");
    QTRY_VERIFY(printers->findData("VN420Pgui") >= 0);
    auto* model = qobject_cast<QStandardItemModel*>(printers->model());
    const int row = printers->findData("VN420Pgui");
    QCOMPARE(model->item(row, 1)->text(), QString("Room 12"));
    QVERIFY2(model->item(row, 2)->text().contains("Default printer"),
             qPrintable(model->item(row, 2)->text()));
    QVERIFY(model->item(row, 2)->text().contains("Stopped"));
    QVERIFY2(Named<QLabel>(d, "printerState")->text().contains("Out of toner"),
             qPrintable(Named<QLabel>(d, "printerState")->text()));
    QVERIFY(d.statusText().contains("Out of toner"));

    d.findChild<QSpinBox*>()->setValue(3);
    ShowPage(d, "Summary");
    QCOMPARE(Summary(d, "Printer"), QString("VN420Pgui"));
    QCOMPARE(Summary(d, "Copies"), QString("3"));
    QCOMPARE(Summary(d, "Paper Size"), QString("US Letter"));

    QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
    Settle(d);
    QVERIFY2(d.lastOutcome().ok, d.lastOutcome().message.c_str());
    QVERIFY(d.statusText().contains(QString::number(d.lastOutcome().jobId)));
    QVERIFY(d.isVisible());  // long enough to read
    QTRY_VERIFY_WITH_TIMEOUT(!d.isVisible(), 3000);
    QCOMPARE(d.result(), int(QDialog::Accepted));
  }

  // A queue without a PPD prints with the standard options and no panels.
  void rawQueueIsUsable() {
    QVERIFY(cupsd_->addQueue("RawGui", "file:///dev/null"));
    QCOMPARE(std::system("cupsdisable RawGui >/dev/null 2>&1"), 0);
    gui::PrintDialogOptions o = Options(VN_PLUGIN_DIR, "RawGui");
    o.file = file_;
    PrintDialog d(o);
    d.show();
    Settle(d);
    QVERIFY(d.isOpened());
    QVERIFY(d.isVisible());
    QVERIFY(d.panelRenderer(0) == nullptr);
    ShowPage(d, "Layout");
    QVERIFY(!Named<QComboBox>(d, "twoSided")->isVisibleTo(&d));
    d.findChild<QSpinBox*>()->setValue(2);
    QTest::mouseClick(Button(d, "Print"), Qt::LeftButton);
    Settle(d);
    QVERIFY2(d.lastOutcome().ok, d.lastOutcome().message.c_str());
    QCOMPARE(testsupport::JobAttribute("RawGui", d.lastOutcome().jobId, "copies"), std::string("2"));
  }

  void defaultsHoldNoCredential() {
    fs::path home = fs::path(cupsd_->dir()) / "home";
    fs::create_directories(home);
    qputenv("HOME", home.c_str());
    qputenv("CUPS_SERVERROOT", cupsd_->dir().c_str());  // where root's lpoptions go
    PrintDialog d(Options(VN_TEST_PLUGIN_DIR, "VN420Pgui"));
    d.show();
    Settle(d);
    int widget = Control<QComboBox>(d, 0, "menu_Mode") ? 0 : 1;
    int colour = 1 - widget;
    ChooseByKeys(d, Control<QComboBox>(d, colour, "menu_QuickColor"), "Vivid");
    ChooseByKeys(d, Control<QComboBox>(d, widget, "menu_Mode"), "Secure");
    for (const char* field : {"field_UserName", "field_Password"}) {
      auto* edit = Control<QLineEdit>(d, widget, field);
      QTest::mouseClick(edit, Qt::LeftButton);
      QTest::keyClicks(edit, "secret");
    }
    QTest::mouseClick(Button(d, "Save as defaults for this printer"), Qt::LeftButton);
    Settle(d);
    QVERIFY2(d.lastOutcome().ok, d.lastOutcome().message.c_str());
    std::string saved = ReadText(home / ".cups/lpoptions") + ReadText(fs::path(cupsd_->dir()) / "lpoptions");
    QVERIFY2(saved.find("HVQuickColor=Vivid") != std::string::npos, saved.c_str());
    // A secure mode saved as a default would make every later job one that cannot be released.
    QVERIFY2(saved.find("PrintModeVN420P") == std::string::npos, saved.c_str());
    QVERIFY2(saved.find("secret") == std::string::npos, saved.c_str());
    QVERIFY(saved.find("UserName") == std::string::npos);
  }

 private:
  static int Jobs() {
    cups_job_t* jobs = nullptr;
    int n = cupsGetJobs(&jobs, "VN420Pgui", 0, CUPS_WHICHJOBS_ALL);
    cupsFreeJobs(n, jobs);
    return n;
  }

  std::unique_ptr<testsupport::PrivateCupsd> cupsd_;
  std::string file_;
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int failed = 0;
  DialogTest dialog;
  failed += QTest::qExec(&dialog, argc, argv);
  CupsTest cups;
  failed += QTest::qExec(&cups, argc, argv);
  return failed == 0 ? 0 : 1;
}

#include "dialog_test.moc"
