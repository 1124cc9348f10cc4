// TFMain: the main window as the engine sees it. Owns every control by its name, the channel
// latch, the tracking record and the handlers of every control event; the windows (Qt, Win32) and
// the headless service only mirror it through FormObserver and post operator input, which
// reaches the handlers here.
// Engine thread only. Handlers raise EConvertError, EOverflow and ETrainRefused; the event
// loop that dispatched them shows the general error report.
#pragma once

#include "classic/controls/control.h"
#include "classic/form_observer.h"
#include "classic/pulse_train.h"
#include "keying/channel_latch.h"
#include "keying/pulse_origin.h"
#include "keying/pulses.h"
#include "loop/closed_loop.h"
#include "loop/loop_settings.h"
#include "runtime/event_loop.h"
#include "tracker/link/client_conversation.h"
#include "tracker/link/client_item.h"
#include "tracker/link/settings_store.h"
#include "tracker/record/sat_data.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace dopplex {

struct TuneSide;
struct TrainStage;
struct AdjustStage;
struct CatchUpStage;
struct StepTimers;
struct ResetSide;

inline constexpr int kWmKeyDown = 256;
inline constexpr int kWmSysKeyDown = 260;
inline constexpr int kVkReturn = 13;
inline constexpr int kVkSpace = 32;

// What the window needs from the platform to find and open the tracker link.
struct LinkServices {
    LinkTransport& transport;
    Launcher& launcher;
    SettingsStore& settings;
    std::function<bool(const std::string&)> file_exists;
    std::function<void(const std::string&)> set_current_directory;
    std::string program_path; // the program's own file
    char separator = '/';
    // Empty: the Windows tracker's rule. Else the command started when no tracker answers:
    // the one in the settings when `from_settings`, else this one.
    std::string tracker_command = {};
    bool from_settings = true;
};

class TFMain : private ChangeSink {
public:
    TFMain(EventLoop& loop, PortWriter& port);
    TFMain(const TFMain&) = delete;
    TFMain& operator=(const TFMain&) = delete;

    // --- the controls, by their names ---
    Control l_st{"l_st", ControlKind::Label}, l_na{"l_na", ControlKind::Label},
        l_az{"l_az", ControlKind::Label}, l_el{"l_el", ControlKind::Label},
        l_uf{"l_uf", ControlKind::Label}, l_df{"l_df", ControlKind::Label},
        l_um{"l_um", ControlKind::Label}, l_dm{"l_dm", ControlKind::Label},
        l_aos{"l_aos", ControlKind::Label}, l_dd{"l_dd", ControlKind::Label};
    Control Edit1{"Edit1", ControlKind::Edit}, Edit2{"Edit2", ControlKind::Edit},
        Edit3{"Edit3", ControlKind::Edit}, Edit4{"Edit4", ControlKind::Edit},
        Edit5{"Edit5", ControlKind::Edit}, Edit6{"Edit6", ControlKind::Edit},
        Edit7{"Edit7", ControlKind::Edit}, Edit8{"Edit8", ControlKind::Edit},
        Edit9{"Edit9", ControlKind::Edit}, Edit10{"Edit10", ControlKind::Edit},
        Edit11{"Edit11", ControlKind::Edit}, Edit12{"Edit12", ControlKind::Edit},
        Edit13{"Edit13", ControlKind::Edit}, Edit14{"Edit14", ControlKind::Edit},
        Edit15{"Edit15", ControlKind::Edit}, Edit16{"Edit16", ControlKind::Edit},
        Edit17{"Edit17", ControlKind::Edit}, Edit18{"Edit18", ControlKind::Edit},
        Edit19{"Edit19", ControlKind::Edit}, Edit20{"Edit20", ControlKind::Edit},
        Edit21{"Edit21", ControlKind::Edit}, Edit22{"Edit22", ControlKind::Edit},
        Edit23{"Edit23", ControlKind::Edit}, Edit24{"Edit24", ControlKind::Edit},
        Edit25{"Edit25", ControlKind::Edit};
    Control Memo1{"Memo1", ControlKind::Memo}, Memo2{"Memo2", ControlKind::Memo},
        Memo3{"Memo3", ControlKind::Memo}, Memo4{"Memo4", ControlKind::Memo};
    Control Button1{"Button1", ControlKind::Button}, Button2{"Button2", ControlKind::Button},
        Button3{"Button3", ControlKind::Button}, Button4{"Button4", ControlKind::Button},
        Button5{"Button5", ControlKind::Button}, Button6{"Button6", ControlKind::Button},
        Button7{"Button7", ControlKind::Button}, Button8{"Button8", ControlKind::Button},
        Button9{"Button9", ControlKind::Button}, Button10{"Button10", ControlKind::Button},
        Button11{"Button11", ControlKind::Button}, Button12{"Button12", ControlKind::Button},
        Button13{"Button13", ControlKind::Button}, Button14{"Button14", ControlKind::Button},
        Button15{"Button15", ControlKind::Button}, Button16{"Button16", ControlKind::Button},
        Button17{"Button17", ControlKind::Button}, Button18{"Button18", ControlKind::Button},
        Button19{"Button19", ControlKind::Button}, Button20{"Button20", ControlKind::Button},
        Button21{"Button21", ControlKind::Button}, Button22{"Button22", ControlKind::Button},
        Button23{"Button23", ControlKind::Button}, Button24{"Button24", ControlKind::Button},
        Button25{"Button25", ControlKind::Button};
    Control SpeedButton1{"SpeedButton1", ControlKind::SpeedButton};
    Control CheckBox1{"CheckBox1", ControlKind::CheckBox},
        CheckBox2{"CheckBox2", ControlKind::CheckBox},
        CheckBox3{"CheckBox3", ControlKind::CheckBox};
    Control RadioButton1{"RadioButton1", ControlKind::RadioButton},
        RadioButton2{"RadioButton2", ControlKind::RadioButton},
        RadioButton3{"RadioButton3", ControlKind::RadioButton};

    // The six tracking timers; Timer1 is id 0.
    enum TimerId { Timer1, Timer2, Timer3, Timer4, Timer5, Timer6 };

    // --- unit-level values ---
    TSatData SatData;
    std::string AosText;
    double LastRxDoppler = 0.0;
    double LastTxDoppler = 0.0;
    std::string AppDir;

    ChannelLatch latch;

    // --- the closed loop, beside the classic tracking (the default) ---
    // In closed mode Tune starts a side's loop with the dial at the reference, Start Tracking
    // with the dial at the Doppler frequency now, Freq. UP/DOWN and the arrows move its offset,
    // and Reset counts the dial back to the reference; no classic timer or train runs.
    TrackingMode tracking_mode = TrackingMode::Classic;
    ClosedLoop closed_loop;
    bool closed_mode() const { return tracking_mode == TrackingMode::Closed; }
    // The operator's choice of mode: leaving the closed loop stops both its sides first.
    void SetTrackingMode(TrackingMode mode);
    // The operator's Stop for the closed loop's trains, of one side or (Esc) of both; classic
    // trains are stopped out of band through the host. A stopped Reset may be clicked again to
    // count back the rest.
    void StopTrains(std::optional<Side> side);
    // The closed loop's Tune, Start Tracking and Reset of a side; each says why it did nothing.
    std::optional<std::string> StartLoopAtReference(Side side);
    std::optional<std::string> StartLoopAtDoppler(Side side);
    std::optional<std::string> ResetLoop(Side side);

    // --- every control by name, in window order ---
    const std::vector<Control*>& controls() const { return controls_; }
    Control* find(const std::string& name) const;
    const std::string& focused() const { return focused_; }
    bool timer_running(int id) const { return loop_.timers().running(id); }
    // What sends the pulses now: the handler that presses a radio's buttons says so itself.
    PulseOrigin pulse_origin() const { return pulse_origin_; }

    void add_observer(FormObserver* observer) {
        observers_.push_back(observer);
        closed_loop.add_observer(observer);
    }

    // --- operator input, as the window delivers it ---
    // A click reaches the handler only for a visible, enabled control; a check box or radio
    // button changes its state first. Returns false for a control that takes no click.
    bool Click(const std::string& name);
    bool Type(const std::string& name, const std::string& text);
    // The edits the operator types into; the others show the engine's values.
    static bool takes_typing(const std::string& name);
    // A key-down goes through AppMessage first; keys it leaves alone keep their usual meaning
    // (Enter clicks the focused push button or else the default button, space the focused one).
    void KeyDown(int virtual_key);
    void SysKeyDown(int virtual_key);
    // The application-wide message hook: arrow key-downs step the radios.
    void AppMessage(int message, int virtual_key, bool& handled);

    // --- handlers ---
    void FormCreate();
    void ParseSatData(std::string Text, TSatData& Record);
    void ShowSatData(TSatData Record);
    void TrackingDataExChange();
    void CheckBox2Click();
    void CheckBox3Click();
    void RadioButton1Click() { select_step(RadioButton1); }
    void RadioButton2Click() { select_step(RadioButton2); }
    void RadioButton3Click() { select_step(RadioButton3); }
    void Button2Click() { ManualPress(Channel::RxUp); }
    void Button3Click() { ManualPress(Channel::RxDown); }
    void Button20Click() { ManualPress(Channel::TxUp); }
    void Button21Click() { ManualPress(Channel::TxDown); }

    // --- the tuning engine ---
    void Button1Click();  // Tune RX
    void Button12Click(); // Tune TX
    void Button11Click(); // Start Tracking RX
    void Button19Click(); // Start Tracking TX
    void Button22Click(); // Reset  RX
    void Button23Click(); // Reset  TX
    void UpdatePassState();
    // A timer's tick; an error is reported once until a tick of that timer succeeds again or
    // the message changes, so a failing tick cannot lock the operator out with a report every
    // 500 ms.
    void TimerTick(int timer);
    // Fires a stage: (armed: wait 1000 ms) press, hold, release; the stage's work runs inside
    // the release of an armed stage, and its error is reported there.
    void Fire(Control& stage, std::int64_t hold_ms);
    void l_ddClick();
    void TrackingOpen();
    void TrackingClose();
    // "Exit": every line lowered in bit order, then the window closes.
    void SpeedButton1Click();

    // --- the tracker link ---
    // Creates the conversation `Tracking` over the platform's transport; without it the item
    // is fed directly (scenario runner) and the link steps of FormCreate are skipped.
    void attach_link(LinkServices services);
    std::unique_ptr<ClientConversation> Tracking;
    ClientItem TrackingDataEx{kTrackerItem};
    // What the window does for Help and for closing (the view sets them).
    std::function<void()> on_help;
    std::function<void()> on_close;

private:
    void control_changed(const Control& control, Change what) override;
    void apply_field_table();
    void select_step(Control& chosen);
    void set_focus(Control& control);
    void register_engine_handlers();
    bool step_selected(const Control& radio) const { return radio.checked(); }
    void Tune(const TuneSide& side);
    void RunTrainStage(const TrainStage& stage);
    void Adjust(const AdjustStage& stage);
    void RunCatchUpStage(const CatchUpStage& stage);
    void StartTracking(const StepTimers& timers);
    void Reset(const ResetSide& side);
    void RunResetStage(const ResetSide& side);
    // Runs a stage's train; a Stop logs how far it got in `stop_log`, disarms `stage` so that a
    // later Tune or Adjust cannot fire it with its old count, and ends the whole chain.
    void RunStageTrain(Control& stage, Control& stop_log, PulseTrainSpec train);
    void set_green_box(bool ticked);
    void ManualPress(Channel channel);
    void FollowUpdate();
    void report_refusal(const std::optional<std::string>& why);

    EventLoop& loop_;
    Host& host_;
    std::vector<Control*> controls_;
    std::map<std::string, std::function<void()>> click_handlers_;
    TrainProgressListener train_progress_;
    std::vector<FormObserver*> observers_;
    std::string focused_;
    std::array<std::optional<std::string>, EventLoop::kTimerCount> last_tick_error_;
    std::optional<LinkServices> link_;
    bool app_message_installed_ = false;
    // The Reset buttons whose pulses went out in this pass: the end-of-pass update leaves them
    // off, so a second end-of-pass text cannot send the same count again.
    std::set<const Control*> spent_resets_;
    PulseOrigin pulse_origin_ = PulseOrigin::Other;
    std::optional<PassVerdict> verdict_; // the pass supervisor's, on the update being applied
};

} // namespace dopplex
