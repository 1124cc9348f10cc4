#include "classic/tfmain.h"

#include "classic/field_table.h"
#include "tracker/link/tracker_location.h"

namespace dopplex {

TFMain::TFMain(EventLoop& loop, PortWriter& port)
    : latch(port), closed_loop(loop, latch), loop_(loop), host_(loop.host()) {
    controls_ = {&l_st,      &l_na,      &l_az,         &l_el,         &l_uf,         &l_df,
                 &l_um,      &l_dm,      &l_aos,        &l_dd,         &Edit1,        &Edit2,
                 &Edit3,     &Edit4,     &Edit5,        &Edit6,        &Edit7,        &Edit8,
                 &Edit9,     &Edit10,    &Edit11,       &Edit12,       &Edit13,       &Edit14,
                 &Edit15,    &Edit16,    &Edit17,       &Edit18,       &Edit19,       &Edit20,
                 &Edit21,    &Edit22,    &Edit23,       &Edit24,       &Edit25,       &Memo1,
                 &Memo2,     &Memo3,     &Memo4,        &Button1,      &Button2,      &Button3,
                 &Button4,   &Button5,   &Button6,      &Button7,      &Button8,      &Button9,
                 &Button10,  &Button11,  &Button12,     &Button13,     &Button14,     &Button15,
                 &Button16,  &Button17,  &Button18,     &Button19,     &Button20,     &Button21,
                 &Button22,  &Button23,  &Button24,     &Button25,     &SpeedButton1, &CheckBox1,
                 &CheckBox2, &CheckBox3, &RadioButton1, &RadioButton2, &RadioButton3};
    apply_field_table();
    for (Control* c : controls_) {
        c->set_sink(this);
    }
    latch.set_gate(CheckBox1.checked());

    click_handlers_ = {
        {"CheckBox1", [] {}}, // the latch's gate follows its tick; its click does nothing else
        {"CheckBox2", [this] { CheckBox2Click(); }},
        {"CheckBox3", [this] { CheckBox3Click(); }},
        {"RadioButton1", [this] { RadioButton1Click(); }},
        {"RadioButton2", [this] { RadioButton2Click(); }},
        {"RadioButton3", [this] { RadioButton3Click(); }},
        {"Button2", [this] { Button2Click(); }},
        {"Button3", [this] { Button3Click(); }},
        {"Button20", [this] { Button20Click(); }},
        {"Button21", [this] { Button21Click(); }},
        {"Button6",
         [this] {
             if (on_help) {
                 on_help();
             }
         }},
        {"SpeedButton1", [this] { SpeedButton1Click(); }},
    };
    register_engine_handlers();
    TrackingDataEx.OnChange = [this] { TrackingDataExChange(); };
}

void TFMain::apply_field_table() {
    for (Control* c : controls_) {
        // What the designer leaves in an edit or a memo: its own name.
        if (c->kind() == ControlKind::Edit) {
            c->set_text(c->name());
        }
        if (c->kind() == ControlKind::Memo) {
            c->add_line(c->name());
        }
    }
    for (const FieldSpec& spec : field_table()) {
        Control* c = find(std::string(spec.name));
        c->set_text(std::string(spec.text));
        c->set_visible(spec.visible);
        c->set_enabled(spec.enabled);
        c->set_checked(spec.checked);
    }
}

Control* TFMain::find(const std::string& name) const {
    for (Control* c : controls_) {
        if (c->name() == name) {
            return c;
        }
    }
    return nullptr;
}

void TFMain::control_changed(const Control& control, Change what) {
    if (&control == &CheckBox1 && what == Change::Checked) {
        latch.set_gate(CheckBox1.checked());
    }
    for (FormObserver* o : observers_) {
        o->control_changed(control, what);
    }
}

void TFMain::set_focus(Control& control) {
    focused_ = control.name();
    for (FormObserver* o : observers_) {
        o->focus_moved(focused_);
    }
}

bool TFMain::Click(const std::string& name) {
    if (name == "l_dd") {
        l_ddClick();
        return true;
    }
    Control* c = find(name);
    if (!c || !c->visible() || !c->enabled()) {
        return false;
    }
    auto handler = click_handlers_.find(name);
    if (handler == click_handlers_.end()) {
        return false;
    }
    switch (c->kind()) {
    case ControlKind::CheckBox:
        c->set_checked(!c->checked());
        break;
    case ControlKind::RadioButton:
        c->set_checked(true);
        break;
    case ControlKind::Button:
        set_focus(*c);
        break;
    default:
        break;
    }
    handler->second();
    return true;
}

bool TFMain::takes_typing(const std::string& name) {
    return name == "Edit1" || name == "Edit13" || name == "Edit9";
}

bool TFMain::Type(const std::string& name, const std::string& text) {
    Control* c = find(name);
    if (!c || !takes_typing(name) || !c->visible() || !c->enabled()) {
        return false;
    }
    c->set_text(text);
    return true;
}

void TFMain::AppMessage(int message, int virtual_key, bool& handled) {
    if (message != kWmKeyDown) {
        return;
    }
    static const std::map<int, void (TFMain::*)()> arrows = {
        {37, &TFMain::Button20Click}, // left: TX up
        {38, &TFMain::Button2Click},  // up: RX up
        {39, &TFMain::Button21Click}, // right: TX down
        {40, &TFMain::Button3Click},  // down: RX down
    };
    auto arrow = arrows.find(virtual_key);
    if (arrow == arrows.end()) {
        return;
    }
    (this->*arrow->second)();
    handled = true;
}

void TFMain::KeyDown(int virtual_key) {
    bool handled = false;
    if (app_message_installed_) {
        AppMessage(kWmKeyDown, virtual_key, handled);
    }
    if (handled) {
        return;
    }
    Control* focused = find(focused_);
    const bool button_has_focus = focused && focused->kind() == ControlKind::Button &&
                                  focused->visible() && focused->enabled();
    if (virtual_key == kVkSpace && button_has_focus) {
        Click(focused_);
    }
    if (virtual_key == kVkReturn) {
        Click(button_has_focus ? focused_ : Button7.name()); // Button7 is the default button
    }
}

void TFMain::SysKeyDown(int virtual_key) {
    bool handled = false;
    if (app_message_installed_) {
        AppMessage(kWmSysKeyDown, virtual_key, handled);
    }
}

void TFMain::FormCreate() {
    app_message_installed_ = true;
    Edit1.set_text("Enter Freq E8");
    Edit13.set_text("Enter Freq E8");
    for (Control* c : {&Edit3, &Edit5, &Edit15, &Edit17}) {
        c->set_text("1");
    }
    for (Control* c : {&Edit4, &Edit6, &Edit16, &Edit18}) {
        c->set_text("10");
    }
    for (Control* c : {&Edit7, &Edit8, &Edit19, &Edit22}) {
        c->set_text("0");
    }
    for (Control* c : {&Memo1, &Memo2, &Memo3, &Memo4}) {
        c->clear_lines();
    }
    latch.PortAddress = 888;
    ParseSatData("", SatData);
    ShowSatData(SatData);
    if (!link_) {
        return;
    }
    const std::string& path = link_->program_path;
    const std::size_t folder_end = path.rfind(link_->separator);
    AppDir = folder_end == std::string::npos ? std::string(".") + link_->separator
                                             : path.substr(0, folder_end + 1);
    link_->set_current_directory(AppDir);
    try {
        if (link_->tracker_command.empty()) {
            Tracking->ServiceApplication =
                locate_tracker(AppDir, link_->file_exists, link_->settings);
        } else {
            Tracking->ServiceApplication = link_->tracker_command;
            if (link_->from_settings) {
                Tracking->ServiceApplication =
                    configured_tracker(link_->settings, link_->tracker_command);
            }
        }
    } catch (const SettingsReadError& error) {
        // An unreadable store costs only what it would name: say so, then start the default.
        loop_.report_error(error.what());
    }
    Tracking->OpenConversation();
}

void TFMain::SpeedButton1Click() {
    closed_loop.halt();
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (CheckBox1.checked()) {
            latch.set_flag(static_cast<Channel>(bit), false);
        }
        latch.write_channel_byte();
    }
    if (on_close) {
        on_close();
    }
}

void TFMain::CheckBox2Click() {
    latch.set_flag(Channel::GreenLed, CheckBox2.checked());
    latch.write_channel_byte();
}

void TFMain::CheckBox3Click() {
    latch.set_flag(Channel::AuxChannel, CheckBox3.checked());
    latch.write_channel_byte();
}

void TFMain::select_step(Control& chosen) {
    for (Control* c : {&RadioButton1, &RadioButton2, &RadioButton3}) {
        if (c != &chosen) {
            c->set_checked(false);
        }
    }
}

} // namespace dopplex
