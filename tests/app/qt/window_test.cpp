// The window over the real engine thread: start-up state, tracking updates, Tune with its port
// trace and logs, input queued behind a train, arrow keys, the error report, the help window and
// Exit. Real time with wide margins; exact timing is tested in virtual time elsewhere.
#include "app_shell.h"
#include "command_line.h"
#include "engine_session.h"
#include "led_panel.h"
#include "link/socket/link_server.h"
#include "link/socket/runtime_dir.h"
#include "live_rigctld.h"
#include "loop_panel_widgets.h"
#include "recording_backend.h"
#include "signal_exit.h"
#include "socket_live_feed.h"
#include "train_bar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <future>
#include <memory>

using namespace dopplex;
using namespace dopplex::app;
using app::test::LineRecord;
using app::test::RecordingBackend;

namespace {

constexpr int kTrainTimeoutMs = 20000;

// Above the horizon; the downlink is `rx_offset_hz` above an RX reference of 4.367750E8, the
// uplink `tx_offset_hz` above a TX reference of 1.458250E8.
std::string update_above(int rx_offset_hz, int tx_offset_hz = 0) {
    return "SN\"AO-51\" AZ123.4 EL12.5 DN" + std::to_string(436775000 + rx_offset_hz) + " UP" +
           std::to_string(145825000 + tx_offset_hz) +
           " UM\"FM\" DM\"FM\" AOS\"2026-12-07 10:00:00\"";
}

QStringList memo_lines(QWidget* w) {
    const QString text = static_cast<QPlainTextEdit*>(w)->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<LineRecord> record_;
    std::unique_ptr<EngineSession> session_;
    std::unique_ptr<AppShell> shell_;

    MainWindow& window() { return shell_->window(); }
    QWidget* w(const char* name) { return window().widget(name); }
    QString text_of(const char* name) {
        QWidget* widget = w(name);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            return label->text();
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            return edit->text();
        }
        return static_cast<QAbstractButton*>(widget)->text();
    }
    bool checked(const char* name) { return static_cast<QAbstractButton*>(w(name))->isChecked(); }

    void feed(const std::string& text) {
        TFMain& form = session_->form();
        session_->loop().post(EventKind::Link,
                              [&form, text] { form.TrackingDataEx.receive(text); });
    }
    // A control's text as the engine has it once the input queued so far is handled.
    std::string model_text(const std::string& name) {
        auto answer = std::make_shared<std::promise<std::string>>();
        std::future<std::string> text = answer->get_future();
        session_->post_input(
            [answer, name](TFMain& form) { answer->set_value(form.find(name)->text()); });
        if (text.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            return "(engine busy)";
        }
        return text.get();
    }
    // What the engine has once the input queued so far is handled.
    template <class T> T model(std::function<T(TFMain&)> read) {
        auto answer = std::make_shared<std::promise<T>>();
        std::future<T> value = answer->get_future();
        session_->post_input([answer, read](TFMain& form) { answer->set_value(read(form)); });
        value.wait_for(std::chrono::seconds(30));
        return value.get();
    }
    QWidget* loop_widget(LoopField field) { return window().loop_panel().widget(field); }
    QString loop_text(LoopField field) { return static_cast<QLabel*>(loop_widget(field))->text(); }
    // The byte last written, or -1 before any write.
    int last_byte() const {
        const auto writes = record_->writes();
        return writes.empty() ? -1 : writes.back().value;
    }
    void click(const char* name) { QTest::mouseClick(w(name), Qt::LeftButton); }
    // Types the RX reference and ticks "Enable hardware", as an operator does before a pass.
    void prepare_rx() {
        auto* edit = static_cast<QLineEdit*>(w("Edit1"));
        edit->selectAll();
        QTest::keyClicks(edit, "4.367750E8");
        click("CheckBox1");
        QTRY_VERIFY(checked("CheckBox1"));
    }

private slots:
    void init() {
        record_ = std::make_shared<LineRecord>();
        session_ = std::make_unique<EngineSession>(std::make_unique<RecordingBackend>(record_));
        shell_ = std::make_unique<AppShell>(*session_);
        shell_->start();
        QTRY_VERIFY(window().isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
    }

    void cleanup() {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
        shell_.reset();
        session_.reset();
        record_.reset();
    }

    void start_up_state() {
        QCOMPARE(window().windowTitle(), QString("Brenwick - \"Dopplex\" Ver.1.00  for Orbitron "));
        QCOMPARE(window().size(), QSize(828, 687));
        QCOMPARE(window().minimumSize(), window().maximumSize());

        struct Row {
            const char* name;
            const char* text;
            bool enabled;
        };
        const Row rows[] = {
            {"l_st", "No data\n", true},
            {"l_na", "", true},
            {"l_az", "0.0", true},
            {"l_el", "0.0", true},
            {"l_uf", "0 Hz", true},
            {"l_df", "0 Hz", true},
            {"l_um", "", true},
            {"l_dm", "", true},
            {"l_aos", "None", true},
            {"l_dd", "Closed", true},
            {"Edit1", "Enter Freq E8", true},
            {"Edit13", "Enter Freq E8", true},
            {"Edit2", "0.00000", true},
            {"Edit14", "0.00000", true},
            {"Edit7", "0", true},
            {"Edit8", "0", true},
            {"Edit19", "0", true},
            {"Edit22", "0", true},
            {"Edit9", "0.0", true},
            {"Button1", "Tune RX", false},
            {"Button12", "Tune TX", false},
            {"Button2", "Freq. UP", true},
            {"Button3", "Freq. DOWN", true},
            {"Button20", "Freq. UP", true},
            {"Button21", "Freq. DOWN", true},
            {"Button7", "Adjust", false},
            {"Button9", "Adjust", false},
            {"Button15", "Adjust", false},
            {"Button16", "Adjust", false},
            {"Button11", "Start Tracking", false},
            {"Button19", "Start Tracking", false},
            {"Button22", "Reset  RX", false},
            {"Button23", "Reset  TX", false},
            {"Button6", "Help", true},
            {"SpeedButton1", "Exit", true},
            {"CheckBox1", "Enable hardware", true},
            {"CheckBox2", "Green LED channel activating", true},
            {"CheckBox3", "Additional channel (manual activation) ", true},
            {"RadioButton1", "100 Hz  Step", true},
            {"RadioButton2", "25 Hz  Step (Rush only) ", true},
            {"RadioButton3", "1000 Hz  Step", true},
        };
        for (const Row& row : rows) {
            QVERIFY2(w(row.name) && w(row.name)->isVisible(), row.name);
            QCOMPARE(text_of(row.name), QString(row.text));
            QVERIFY2(w(row.name)->isEnabled() == row.enabled, row.name);
        }
        for (const char* memo : {"Memo1", "Memo2", "Memo3", "Memo4"}) {
            QVERIFY2(memo_lines(w(memo)).isEmpty(), memo);
        }
        QVERIFY(checked("RadioButton1"));
        for (const char* name :
             {"RadioButton2", "RadioButton3", "CheckBox1", "CheckBox2", "CheckBox3"}) {
            QVERIFY2(!checked(name), name);
        }
        for (const char* hidden :
             {"Edit3", "Edit10", "Edit25", "Button4", "Button24", "Button25"}) {
            QVERIFY2(w(hidden) == nullptr, hidden);
        }
        // Bold captions where the window has them.
        for (const char* bold : {"Button1", "Button12", "Button11", "Button19", "SpeedButton1"}) {
            QVERIFY2(w(bold)->font().bold(), bold);
        }
        QVERIFY(static_cast<QLineEdit*>(w("Edit7"))->isReadOnly());
        QVERIFY(!static_cast<QLineEdit*>(w("Edit9"))->isReadOnly());
        // The port is open, and nothing is written at start-up.
        QTRY_COMPARE(window().led_panel().status().backend, std::string("test recorder"));
        QVERIFY(record_->writes().empty());
        QVERIFY(!window().led_panel().status().lines.has_value());
    }

    void tracking_update_reaches_the_labels() {
        feed(update_above(300));
        // Each field's change is its own queued copy: the engine may still be writing the rest.
        QTRY_COMPARE(text_of("l_na"), QString("AO-51"));
        QTRY_COMPARE(text_of("l_az"), QString("123.4"));
        QTRY_COMPARE(text_of("l_el"), QString("12.5"));
        QTRY_COMPARE(text_of("l_df"), QString("436775300 Hz"));
        QTRY_COMPARE(text_of("l_um"), QString("FM"));
        QTRY_COMPARE(text_of("Edit2"), QString("4.367753E8"));
        QTRY_COMPARE(text_of("Edit9"), QString("12.5"));
        QTRY_VERIFY(text_of("l_aos").startsWith("AOS ("));
        // Above the horizon: the tuning buttons are offered and the green channel is ticked.
        QTRY_VERIFY(w("Button1")->isEnabled());
        QVERIFY(w("Button12")->isEnabled() && w("Button11")->isEnabled());
        QTRY_VERIFY(checked("CheckBox2"));
    }

    void tune_rx_pulses_and_logs() {
        prepare_rx();
        feed(update_above(300));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_VERIFY_WITH_TIMEOUT(memo_lines(w("Memo1")).contains("Blue LED ON !"), kTrainTimeoutMs);
        QCOMPARE(memo_lines(w("Memo1")),
                 QStringList({"1", "2", "3", "4", "5", "6", "Tuning complete !", "Blue LED ON !"}));
        QCOMPARE(text_of("Edit8"), QString("300"));
        QCOMPARE(static_cast<QLineEdit*>(w("Edit8"))->palette().color(QPalette::Text),
                 QColor(128, 0, 0));
        QCOMPARE(record_->rising(0).size(), std::size_t{3});
        // The blue LED is on, on the lines and in the panel.
        QTRY_VERIFY(window().led_panel().status().lines.value_or(0) & 0x04);
        // Adjust takes the focus when the chain fires it.
        QTRY_COMPARE(window().focused_button(), std::string("Button7"));
        // The three pulses brought the dial estimate onto the Doppler frequency.
        QTRY_COMPARE(window().dial_label(false).text(),
                     QString("Dial estimate\n436775300 Hz\n0 Hz off"));
        QCOMPARE(window().dial_label(true).text(), QString("Dial estimate\nno reference"));
    }

    // The loop's panel shows the model's loop and its choices reach the engine: the mode, a
    // step, the offsets a satellite brings back at AOS, and their clearing.
    void loop_panel_follows_the_loop() {
        auto* mode = static_cast<QComboBox*>(loop_widget(LoopField::Mode));
        auto* rx_step = static_cast<QComboBox*>(loop_widget(LoopField::RxStep));
        QCOMPARE(mode->currentText(), QString("Classic"));
        QVERIFY(!rx_step->isEnabled());

        mode->setCurrentIndex(1);
        QTRY_VERIFY(rx_step->isEnabled());
        QVERIFY(model<bool>([](TFMain& form) { return form.closed_mode(); }));
        rx_step->setCurrentIndex(rx_step->findText("1000 Hz"));
        QCOMPARE(model<std::int64_t>([](TFMain& form) {
                     return form.closed_loop.settings().side(Side::Rx).step_hz;
                 }),
                 std::int64_t{1000});
        QVERIFY(!loop_widget(LoopField::ClearOffsets)->isEnabled());

        session_->post_input([](TFMain& form) {
            form.closed_loop.keep_offsets({{"AO-51", {100.0, -25.0}}});
        });
        feed(update_above(0));
        QTRY_COMPARE(loop_text(LoopField::RxReadout), QString("RX offset +100 Hz"));
        QCOMPARE(loop_text(LoopField::TxReadout), QString("TX offset -25 Hz"));
        QTRY_VERIFY(loop_widget(LoopField::ClearOffsets)->isEnabled());
        QTest::mouseClick(loop_widget(LoopField::ClearOffsets), Qt::LeftButton);
        QTRY_COMPARE(loop_text(LoopField::RxReadout), QString("RX offset 0 Hz"));
        QVERIFY(model<bool>([](TFMain& form) { return form.closed_loop.kept_offsets().empty(); }));

        // Tuned 5 kHz below the Doppler at 1000 Hz a step, the side is behind until it catches up.
        prepare_rx();
        feed(update_above(5000));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_VERIFY(loop_text(LoopField::RxReadout).contains(", behind by "));
        QTRY_COMPARE_WITH_TIMEOUT(loop_text(LoopField::RxReadout), QString("RX offset 0 Hz"),
                                  kTrainTimeoutMs);
        QCOMPARE(record_->rising(0).size(), std::size_t{5});
    }

    // A side's radio typed into the panel: a CAT radio behind a real rigctld is plugged, shows
    // its status in the readout and is set to the Doppler frequency by Tune; a bad address
    // leaves it as it was and says why; classic mode says it does not use it.
    void cat_radio_chosen_in_the_panel_is_set_and_shown() {
        dopplex::test::Rigctld rigctld;
        const QString daemon = "127.0.0.1:" + QString::number(rigctld.port());
        auto* entry = static_cast<QLineEdit*>(loop_widget(LoopField::RxRadio));
        QCOMPARE(entry->text(), QString("buttons"));
        QVERIFY(!entry->isEnabled());
        static_cast<QComboBox*>(loop_widget(LoopField::Mode))->setCurrentIndex(1);
        QTRY_VERIFY(entry->isEnabled());

        prepare_rx();
        // The arrow keys in the entry move nothing but its caret: the buttons stay up.
        const auto type = [entry](const QString& words) {
            entry->setFocus();
            entry->selectAll();
            QTest::keyClicks(entry, words);
            QTest::keyClick(entry, Qt::Key_Up);
            QTest::keyClick(entry, Qt::Key_Down);
            QTest::keyClick(entry, Qt::Key_Return);
        };
        type("cat:" + daemon);
        QTRY_COMPARE(loop_text(LoopField::RxRadioStatus), "RX radio: cat:" + daemon);
        type("cat:127.0.0.1");
        QTRY_COMPARE(loop_text(LoopField::RxRadioStatus),
                     QString("RX radio not changed: the port is missing"));
        QCOMPARE(entry->text(), "cat:" + daemon);
        type("cat:127.0.0.1"); // the same again: answered again
        QTRY_COMPARE(entry->text(), "cat:" + daemon);

        feed(update_above(300));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_COMPARE_WITH_TIMEOUT(loop_text(LoopField::RxRadioStatus),
                                  "RX: setting through " + daemon, kTrainTimeoutMs);
        QTRY_COMPARE(dopplex::test::ask(rigctld.port(), "f"), std::string("436775300"));
        // The dial shown is where the radio was set, not the reference.
        feed(update_above(300));
        QTRY_COMPARE(window().dial_label(false).text(),
                     QString("Dial estimate\n436775300 Hz\n0 Hz off"));
        QVERIFY(!entry->isEnabled()); // a running side keeps its radio
        QCOMPARE(entry->text(), "cat:" + daemon);
        QCOMPARE(record_->rising(0).size() + record_->rising(1).size(), std::size_t{0});

        static_cast<QComboBox*>(loop_widget(LoopField::Mode))->setCurrentIndex(0);
        QTRY_COMPARE(loop_text(LoopField::RxRadioStatus),
                     QString("RX: CAT radio for closed loop only"));
        QCOMPARE(loop_text(LoopField::TxRadioStatus), QString());
    }

    // The readouts hear the engine from outside: the plot's button shows the plot, which has the
    // update and the Tune's pulses with the dial counted from the typed reference and the very
    // first write, an arrow key's pulse. The countdown's words go with the link that closes.
    void pass_plot_and_countdown_follow_a_tune() {
        prepare_rx();
        QTest::keyClick(&window(), Qt::Key_Up);
        QTRY_COMPARE(record_->rising(0).size(), std::size_t{1});
        TFMain& form = session_->form();
        session_->loop().post(EventKind::Link, [&form] { form.TrackingOpen(); });
        feed(update_above(300));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        PassReadouts& readouts = shell_->readouts();
        // The Tune's third UP pulse leaves the dial 400 Hz above the reference (tracking may
        // step it down again later).
        const auto reached = [&readouts] {
            const auto& points = readouts.plot().points();
            return std::any_of(points.begin(), points.end(), [](const TrackingPoint& p) {
                return p.dial_hz[0] == std::optional(436775400.0);
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(reached(), kTrainTimeoutMs);
        QVERIFY(readouts.plot().points().front().dial_hz[0] == std::optional(436775100.0));
        QCOMPARE(readouts.countdown()->text(), QString("UTC"));
        QVERIFY(!readouts.plot().isVisible());
        QTest::mouseClick(readouts.plot_button(), Qt::LeftButton);
        QTRY_VERIFY(readouts.plot().isVisible());
        readouts.plot().close();
        QTRY_VERIFY(!readouts.plot_button()->isChecked());
        session_->loop().post(EventKind::Link, [&form] { form.TrackingClose(); });
        QTRY_COMPARE(readouts.countdown()->text(), QString());
    }

    void enter_clicks_the_focused_button_else_adjust() {
        prepare_rx();
        feed(update_above(300));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_VERIFY_WITH_TIMEOUT(w("Button7")->isEnabled(), kTrainTimeoutMs);
        QTRY_COMPARE(record_->rising(0).size(), std::size_t{3});

        // A focused push button takes Enter: one RX UP pulse.
        w("Button2")->setFocus();
        QTest::keyClick(w("Button2"), Qt::Key_Return);
        QTRY_COMPARE(record_->rising(0).size(), std::size_t{4});

        // From an edit, Enter clicks "Adjust", which counts 200 Hz of drift as two steps.
        feed(update_above(100));
        QTRY_COMPARE(text_of("Edit2"), QString("4.367751E8"));
        w("Edit1")->setFocus();
        QTest::keyClick(w("Edit1"), Qt::Key_Enter);
        QCOMPARE(model_text("Edit12"), std::string("2"));
    }

    void window_follows_a_train_and_input_waits_behind_it() {
        prepare_rx();
        feed(update_above(1000)); // 10 pulses: about four seconds of train
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        // The log grows while the train runs: the window is live while the engine is blocked.
        QTRY_VERIFY_WITH_TIMEOUT(memo_lines(w("Memo1")).size() >= 3, kTrainTimeoutMs);
        const auto mid_train = memo_lines(w("Memo1")).size();
        QVERIFY(mid_train < 20);
        click("Button2"); // one RX UP pulse, queued behind the running chain
        QTRY_VERIFY_WITH_TIMEOUT(memo_lines(w("Memo1")).size() > mid_train, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(record_->rising(0).size() == 11, kTrainTimeoutMs);
        // The extra pulse comes after the chain lit the blue LED, never inside the train.
        const std::size_t manual = record_->rising(0).back();
        const auto tuned = record_->rising(2);
        QVERIFY(!tuned.empty());
        QVERIFY(tuned.front() < manual);
    }

    // Esc stops a long train at once: the line goes low, the log says how many pulses went
    // out (as many as the port saw), the chain ends, and input queued behind it runs. Only the
    // side that runs a train has its Stop enabled.
    void esc_stops_the_train_and_the_queue_goes_on() {
        prepare_rx();
        feed(update_above(10000)); // 100 pulses: forty seconds of train
        QTRY_VERIFY(w("Button1")->isEnabled());
        const auto stops_enabled = [this] {
            return std::pair{window().stop_button(false).isEnabled(),
                             window().stop_button(true).isEnabled()};
        };
        QCOMPARE(stops_enabled(), std::pair(false, false));
        click("Button1");
        TrainBar& bar = window().train_bar(false);
        QTRY_VERIFY_WITH_TIMEOUT(bar.train_running() && bar.value() >= 2, kTrainTimeoutMs);
        QCOMPARE(stops_enabled(), std::pair(true, false));
        QVERIFY2(bar.text().contains(" / 100 pulses, ") && bar.text().endsWith(" s left"),
                 qPrintable(bar.text()));
        QCOMPARE(window().train_bar(true).text(), QString());
        click("Button2"); // queued behind the train
        QTest::keyClick(&window(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(memo_lines(w("Memo1")).last().startsWith("Stopped: "), 10000);
        const QString stopped = memo_lines(w("Memo1")).last();
        const int sent = stopped.section(' ', 1, 1).toInt();
        QVERIFY2(stopped.contains(" of 100 pulses sent"), qPrintable(stopped));
        const int train_rises = sent + (stopped.endsWith("cut short") ? 1 : 0);
        QTRY_COMPARE(record_->rising(0).size(), std::size_t(train_rises + 1)); // and the press
        QTRY_VERIFY(!bar.train_running());
        QTRY_COMPARE(stops_enabled(), std::pair(false, false));
        QVERIFY2(bar.text().endsWith(", ended"), qPrintable(bar.text()));
        QTRY_COMPARE(last_byte() & 0x01, 0);
        QVERIFY(!memo_lines(w("Memo1")).contains("Tuning complete !"));
        QCOMPARE(model_text("Button7"), std::string("Adjust"));
        QVERIFY(!w("Button7")->isEnabled());
        QCOMPARE(last_byte() & 0x04, 0); // no tuned LED
    }

    // A closed-mode Reset runs on the loop's own timing, not in a handler: the window still
    // shows it as a train that the side's Stop and Esc end, and the Reset may finish the rest.
    void closed_mode_reset_is_a_train_that_stops() {
        static_cast<QComboBox*>(loop_widget(LoopField::Mode))->setCurrentIndex(1);
        QTRY_VERIFY(model<bool>([](TFMain& form) { return form.closed_mode(); }));
        prepare_rx();
        // The loop counted the dial 8 kHz above the reference when the pass ended.
        session_->post_input(
            [](TFMain& form) { form.closed_loop.start(Side::Rx, 436775000 + 8000); });
        std::string end_of_pass = update_above(8000);
        end_of_pass.replace(end_of_pass.find("EL12.5"), 6, "EL-2.00");
        feed(end_of_pass);
        QTRY_VERIFY(w("Button22")->isEnabled());
        QVERIFY(!window().stop_button(false).isEnabled());
        click("Button22");
        TrainBar& bar = window().train_bar(false);
        QTRY_VERIFY_WITH_TIMEOUT(bar.train_running() && bar.value() >= 2, kTrainTimeoutMs);
        QVERIFY(window().stop_button(false).isEnabled());
        QVERIFY(!window().stop_button(true).isEnabled());
        QVERIFY2(bar.text().startsWith("DOWN ") && bar.text().contains(" / 80 pulses, "),
                 qPrintable(bar.text()));
        QTest::keyClick(&window(), Qt::Key_Escape);
        QTRY_VERIFY(!bar.train_running());
        QVERIFY(!window().stop_button(false).isEnabled());
        QVERIFY2(bar.text().endsWith(", ended"), qPrintable(bar.text()));
        QTRY_COMPARE(last_byte() & 0x02, 0);
        const std::size_t sent = record_->rising(1).size();
        QVERIFY(sent < 80);
        QTRY_VERIFY(w("Button22")->isEnabled());
        QTest::qWait(1000);
        QCOMPARE(record_->rising(1).size(), sent);
    }

    // The live readout has its own conversation with the tracker: it follows the pass while
    // a train holds the engine and the applied fields stand still.
    void live_readout_goes_on_during_a_train() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string runtime = dir.path().toStdString();
        link::LinkServer tracker(link::socket_path(runtime, kTrackerService, kTrackerTopic),
                                 kTrackerService, kTrackerTopic);
        tracker.set_item(kTrackerItem, update_above(3000));
        tracker.start();
        SocketLiveFeed live_feed(runtime);
        live_feed.listen([this](const std::string& bytes) { window().post_live(bytes); });
        QLabel& live = window().live_readout();
        QTRY_VERIFY_WITH_TIMEOUT(live.text().contains("EL 12.5°  DN 436778000 Hz"), 10000);

        prepare_rx();
        feed(update_above(3000)); // 30 pulses: twelve seconds of train
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_VERIFY_WITH_TIMEOUT(window().train_bar(false).train_running(), kTrainTimeoutMs);
        tracker.set_item(kTrackerItem, update_above(2900));
        feed(update_above(2900)); // what the engine will apply after the train
        QTRY_VERIFY_WITH_TIMEOUT(live.text().contains("DN 436777900 Hz"), 5000);
        QVERIFY(window().train_bar(false).train_running());
        QCOMPARE(text_of("l_df"), QString("436778000 Hz"));
        QTest::keyClick(&window(), Qt::Key_Escape);
        QTRY_COMPARE(text_of("l_df"), QString("436777900 Hz"));
    }

    void arrow_key_in_edit1_pulses_without_moving_the_caret() {
        prepare_rx();
        auto* edit = static_cast<QLineEdit*>(w("Edit1"));
        QTRY_COMPARE(edit->text(), QString("4.367750E8"));
        edit->setFocus();
        edit->setCursorPosition(3);
        const std::size_t before = record_->writes().size();
        QTest::keyClick(edit, Qt::Key_Up);                      // RX up: bit 0
        QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier); // TX up: bit 4
        QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);   // not an arrow step
        QTRY_VERIFY_WITH_TIMEOUT(record_->writes().size() >= before + 4, 5000);
        QTest::qWait(600);
        const auto writes = record_->writes();
        QCOMPARE(writes.size(), before + 4);
        QCOMPARE(int(writes[before].value), 0x01);
        QCOMPARE(int(writes[before + 1].value), 0x00);
        QCOMPARE(int(writes[before + 2].value), 0x10);
        QCOMPARE(int(writes[before + 3].value), 0x00);
        QCOMPARE(edit->cursorPosition(), 3);
        QCOMPARE(edit->text(), QString("4.367750E8"));
    }

    void typing_keeps_the_caret_and_reaches_the_model() {
        auto* edit = static_cast<QLineEdit*>(w("Edit13"));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "1.458250E8");
        edit->setCursorPosition(2);
        QTest::qWait(300);
        QCOMPARE(edit->text(), QString("1.458250E8"));
        QCOMPARE(edit->cursorPosition(), 2);
        // The model has it: Tune TX reads it without an error report.
        feed(update_above(0, -200));
        QTRY_VERIFY(w("Button12")->isEnabled());
        click("Button12");
        QTRY_COMPARE(text_of("Edit19"), QString("-200"));
        QTest::qWait(200);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // Typed wrong, the reference is marked at once, and Tune is refused with the hint before
    // any line moves; typed right, the mark goes.
    void a_wrong_reference_is_marked_and_refused() {
        auto* edit = static_cast<QLineEdit*>(w("Edit1"));
        edit->selectAll();
        QTest::keyClicks(edit, "145.92");
        const QString hint("145.92 reads as 145.92 Hz; type 1.459200E8 for 145.920 MHz");
        QCOMPARE(edit->toolTip(), hint);
        QCOMPARE(edit->palette().color(QPalette::Base), QColor(255, 190, 190));
        click("CheckBox1");
        feed(update_above(300));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        QCOMPARE(qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->text(), hint + ".");
        QApplication::activeModalWidget()->close();
        QTest::qWait(300);
        QVERIFY(record_->rising(0).empty());
        edit->selectAll();
        QTest::keyClicks(edit, "4.367750E8");
        QVERIFY(edit->toolTip().isEmpty());
        QCOMPARE(edit->palette().color(QPalette::Base), QColor(Qt::white));
    }

    // A tracker that plays a pass says so in its text; the window says so where one looks,
    // until the link closes.
    void a_simulated_pass_is_marked() {
        feed(update_above(0) + " SIMULATED\"GENERATED\"");
        QTRY_COMPARE(text_of("l_dd"), QString("SIMULATED PASS"));
        QVERIFY(window().windowTitle().startsWith("SIMULATED PASS - Brenwick"));
        QVERIFY(window().source_mark().served_simulated_pass());
        TFMain& form = session_->form();
        session_->loop().post(EventKind::Link, [&form] { form.TrackingClose(); });
        QTRY_COMPARE(text_of("l_dd"), QString("Closed"));
        QCOMPARE(window().windowTitle(), QString("Brenwick - \"Dopplex\" Ver.1.00  for Orbitron "));
    }

    void error_report_for_an_untyped_reference() {
        click("CheckBox1");
        feed(update_above(300));
        QTRY_VERIFY(w("Button1")->isEnabled());
        click("Button1");
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QCOMPARE(box->windowTitle(), QString("Dopplex"));
        QCOMPARE(box->text(), QString("No reference yet: type the frequency in Hz, such as "
                                      "4.353000E8 for 435.300 MHz."));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(box->isModal());

        // While it is open, tracking goes on and no key reaches the engine.
        const std::size_t before = record_->rising(0).size();
        QTest::keyClick(box, Qt::Key_Up);
        feed("SN\"AO-51\" AZ200.0 EL13.0 DN436775300 UP145920000");
        QTRY_COMPARE(text_of("l_az"), QString("200.0"));

        // Closed the way an operator does, by a timer that finds the box.
        QTimer::singleShot(0, [] {
            if (auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                open->button(QMessageBox::Ok)->click();
            }
        });
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QTest::qWait(600);
        QCOMPARE(record_->rising(0).size(), before);
        // The window takes input again.
        click("Button2");
        QTRY_COMPARE(record_->rising(0).size(), before + 1);
    }

    // A tracker that keeps sending a number too large for a double: one box however many
    // updates fail while it is open, and the window takes input again once it is closed.
    void one_report_for_a_flood_of_bad_updates() {
        click("CheckBox1");
        QTRY_VERIFY(checked("CheckBox1"));
        for (int i = 0; i < 200; ++i) {
            feed("SN\"AO-51\" AZ123.4 EL12.5 DN1e999 UP145825000");
        }
        // Link events are served in order while a report is open: once this one has run, so
        // have all the bad updates.
        auto served = std::make_shared<std::atomic<bool>>(false);
        session_->loop().post(EventKind::Link, [served] { served->store(true); });
        QTRY_VERIFY(served->load());
        QTest::qWait(200); // boxes open through the GUI thread's queue
        const auto boxes = window().findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.front()->text(), QString("Floating point overflow."));

        const std::size_t before = record_->rising(0).size();
        boxes.front()->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        click("Button2");
        QTRY_COMPARE(record_->rising(0).size(), before + 1);
        QTest::qWait(300);
        QVERIFY(window().findChildren<QMessageBox*>().isEmpty());
    }

    void help_window_show_and_hide_rules() {
        HelpWindow& help = shell_->help();
        QVERIFY(!help.isVisible());
        QVERIFY(help.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(help.okay()->text(), QString("OKay"));
        QVERIFY(help.text()->isReadOnly());
        QVERIFY(help.text()->toPlainText().startsWith("(EN)"));

        click("Button6");
        QTRY_VERIFY(help.isVisible());
        // At its first size no line of the guide wraps; a larger window gives the text the room.
        const QFontMetrics metrics(help.text()->font());
        const int room = help.text()->viewport()->width() -
                         2 * static_cast<int>(help.text()->document()->documentMargin());
        for (const QString& line : help.text()->toPlainText().split('\n')) {
            QVERIFY2(metrics.horizontalAdvance(line) <= room, qPrintable(line));
        }
        const QSize text_size = help.text()->size();
        help.resize(help.size() + QSize(40, 30));
        QTRY_COMPARE(help.text()->size(), text_size + QSize(40, 30));
        click("Button6"); // a second Help keeps the one window
        QTest::qWait(200);
        int help_windows = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            help_windows += dynamic_cast<HelpWindow*>(top) != nullptr && top->isVisible();
        }
        QCOMPARE(help_windows, 1);

        QTest::mouseClick(help.okay(), Qt::LeftButton);
        QVERIFY(!help.isVisible());
        click("Button6");
        QTRY_VERIFY(help.isVisible());
        help.close(); // the close box only hides
        QVERIFY(!help.isVisible());
        click("Button6");
        QTRY_VERIFY(help.isVisible());

        // Arrow keys step the radios from the help window too.
        click("CheckBox1");
        QTRY_VERIFY(checked("CheckBox1"));
        const std::size_t before = record_->rising(0).size();
        QTest::keyClick(help.text(), Qt::Key_Up);
        QTRY_COMPARE(record_->rising(0).size(), before + 1);
    }

    void exit_lowers_every_line_and_closes() {
        click("CheckBox1");
        click("CheckBox3");
        QTRY_VERIFY(checked("CheckBox3"));
        QTRY_COMPARE(last_byte(), 0x80);
        const std::size_t before = record_->writes().size();
        QSignalSpy finished(&window(), &MainWindow::finished);
        click("SpeedButton1");
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!window().isVisible());
        const auto writes = record_->writes();
        QCOMPARE(writes.size(), before + 8);
        QCOMPARE(int(writes.back().value), 0);
    }

    void close_box_runs_the_exit_sequence_too() {
        click("CheckBox1");
        click("CheckBox3");
        QTRY_VERIFY(checked("CheckBox3"));
        QSignalSpy finished(&window(), &MainWindow::finished);
        window().close();
        QVERIFY(window().isVisible()); // still up until the engine lowered the lines
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!window().isVisible());
        QCOMPARE(last_byte(), 0);
    }

    void sigterm_runs_the_exit_sequence() {
        SignalExit on_signal([this] { window().request_exit_now(); });
        click("CheckBox1");
        click("CheckBox3");
        QTRY_COMPARE(last_byte(), 0x80);
        QSignalSpy finished(&window(), &MainWindow::finished);
        std::raise(SIGTERM);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(last_byte(), 0);
    }

    void led_panel_reports_the_port_health() {
        const struct {
            port::PortHealth health;
            std::optional<std::uint8_t> lines;
            const char* says;
        } rows[] = {
            {port::PortHealth::Ok, 0x05, "ok"},
            {port::PortHealth::Fallback, std::nullopt, "could not be opened"},
            {port::PortHealth::Failed, std::nullopt, "FAILED, lines unknown"},
            {port::PortHealth::Recovered, 0x00, "reopened"},
        };
        for (const auto& row : rows) {
            LedPanel panel;
            panel.set_status({"ppdev /dev/parport0", row.health, row.lines, "what happened"});
            QVERIFY(panel.status_line().startsWith("Port: ppdev /dev/parport0"));
            QVERIFY2(panel.status_line().endsWith(row.says), row.says);
            QCOMPARE(panel.toolTip(), QString("what happened"));
        }
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
